// expressions.cpp: expression parsing by precedence level, name references,
// constant folding, and the code generation of expression trees.
#include <algorithm>

#include "engine/parser.h"

namespace tessel {

Expr* Compiler::NewExpr(int kind) {
    if (nodes_.size() >= (size_t)kMaxNames) {
        ReportError(ctx_, "Out of AST space\n");
        throw CompileStop{TES_E_SYNTAX};
    }
    nodes_.emplace_back();
    nodes_.back().kind = kind;
    return &nodes_.back();
}

static Expr* Bin(Compiler* c, Expr* (Compiler::*mk)(int), int op, Expr* a, Expr* b) {
    Expr* e = (c->*mk)(E_BIN);
    e->op = op;
    e->kids = {a, b};
    return e;
}

// expr -> orexpr;  orexpr -> andexpr {OR andexpr}
Expr* Compiler::Expression() {
    Push(2);
    Expr* e = OrExpr();
    Pop(2);
    return e;
}

Expr* Compiler::OrExpr() {
    Expr* e = AndExpr();
    while (tok_.kind == T_OR) {
        Advance();
        e = Bin(this, &Compiler::NewExpr, OP_OR, e, AndExpr());
    }
    return e;
}

// andexpr -> notexpr {AND notexpr}
Expr* Compiler::AndExpr() {
    Expr* e = NotExpr();
    while (tok_.kind == T_AND) {
        Advance();
        e = Bin(this, &Compiler::NewExpr, OP_AND, e, NotExpr());
    }
    return e;
}

// notexpr -> NOT notexpr | compare
Expr* Compiler::NotExpr() {
    if (tok_.kind == T_NOT) {
        Advance();
        Push(1);
        Expr* e = NewExpr(E_NOT);
        e->kids = {NotExpr()};
        Pop(1);
        return e;
    }
    return CompareExpr();
}

// compare -> add {('=' | '<>' | '<' | '>' | '<=' | '>=') add}
Expr* Compiler::CompareExpr() {
    Expr* e = AddExpr();
    for (;;) {
        int op;
        switch (tok_.kind) {
            case T_EQ:
                op = OP_EQ;
                break;
            case T_NE:
                op = OP_NE;
                break;
            case T_LT:
                op = OP_LT;
                break;
            case T_GT:
                op = OP_GT;
                break;
            case T_LE:
                op = OP_LE;
                break;
            case T_GE:
                op = OP_GE;
                break;
            default:
                return e;
        }
        Advance();
        e = Bin(this, &Compiler::NewExpr, op, e, AddExpr());
    }
}

// add -> concat {('+' | '-') concat}
Expr* Compiler::AddExpr() {
    Expr* e = ConcatExpr();
    while (tok_.kind == T_PLUS || tok_.kind == T_MINUS) {
        int op = tok_.kind == T_PLUS ? OP_ADD : OP_SUB;
        Advance();
        e = Bin(this, &Compiler::NewExpr, op, e, ConcatExpr());
    }
    return e;
}

// concat -> mod {'&' mod}
Expr* Compiler::ConcatExpr() {
    Expr* e = ModExpr();
    while (tok_.kind == T_AMP) {
        Advance();
        e = Bin(this, &Compiler::NewExpr, OP_CONCAT, e, ModExpr());
    }
    return e;
}

// mod -> mul {MOD mul}
Expr* Compiler::ModExpr() {
    Expr* e = MulExpr();
    while (tok_.kind == T_MOD) {
        Advance();
        e = Bin(this, &Compiler::NewExpr, OP_MOD, e, MulExpr());
    }
    return e;
}

// mul -> pow {('*' | '/') pow}
Expr* Compiler::MulExpr() {
    Expr* e = PowExpr();
    while (tok_.kind == T_MUL || tok_.kind == T_DIV) {
        int op = tok_.kind == T_MUL ? OP_MUL : OP_DIV;
        Advance();
        e = Bin(this, &Compiler::NewExpr, op, e, PowExpr());
    }
    return e;
}

// pow -> unary {'^' unary}
Expr* Compiler::PowExpr() {
    Expr* e = Unary();
    while (tok_.kind == T_POW) {
        Advance();
        e = Bin(this, &Compiler::NewExpr, OP_POW, e, Unary());
    }
    return e;
}

// unary -> '-' unary | '+' unary | primary
Expr* Compiler::Unary() {
    if (tok_.kind == T_MINUS || tok_.kind == T_PLUS) {
        bool neg = tok_.kind == T_MINUS;
        Advance();
        Push(1);
        Expr* inner = Unary();
        Pop(1);
        if (!neg) return inner;
        if (inner->kind == E_CELL && inner->constant && inner->operand > 0) {
            // A negative literal or constant becomes a constant of its own.
            Cell value;
            std::string err;
            if (Negate(&ctx_.storage[inner->operand], &value, err)) {
                int cell = ctx_.NewCell(VT_VARIANT, 0);
                CopyValue(&ctx_.storage[cell], &value);
                ctx_.storage[cell].decl = ctx_.storage[cell].type;
                ctx_.storage[cell].flags |= CF_CONST;
                Expr* e = NewExpr(E_CELL);
                e->operand = cell;
                e->constant = true;
                return e;
            }
        }
        Expr* e = NewExpr(E_NEG);
        e->kids = {inner};
        return e;
    }
    return Primary();
}

// primary -> number | string | const | '(' expr ')' | nameref
Expr* Compiler::Primary() {
    switch (tok_.kind) {
        case T_INTEGER:
        case T_HEX:
        case T_REAL:
        case T_STRING:
        case T_DECLCONST: {
            Expr* e = NewExpr(E_CELL);
            int cell = ctx_.names[tok_.name].globalCell;
            if (cell <= 0) cell = ctx_.NewCell(VT_VARIANT, tok_.name);  // after a reported error
            e->operand = cell;
            e->constant = true;
            Advance();
            return e;
        }
        case T_LPAREN: {
            Advance();
            Push(2);
            Expr* e = OrExpr();
            Expect(T_RPAREN);
            Pop(2);
            return e;
        }
        case T_STRINGKW:
        case T_SEEK: {
            // String(n, s) and Seek(n): keywords that also name runtime functions
            const char* fname = tok_.kind == T_STRINGKW ? "String" : "SeekFunc";
            Advance();
            if (tok_.kind != T_LPAREN) SyntaxError();
            int n = ctx_.names.Find(fname, false);
            Expr* e = NewExpr(E_CALL);
            e->operand = n >= 0 ? ctx_.names[n].globalCell : -1;
            e->kids = Arguments();
            if (e->operand <= 0)
                Error("Attempting to call undefined function: " + std::string(fname) + "\n");
            return e;
        }
        case T_IDENT:
        case T_DECLARRAY:
        case T_DECLFUNC:
        case T_DECLSUB:
        case T_DECLOBJNAME:
            return NameRef(false);
        case T_NOTHING: {
            Advance();
            Expr* e = NewExpr(E_CELL);
            e->operand = NothingCell();
            e->constant = true;
            return e;
        }
        default:
            SyntaxError();
    }
}

// arg -> [name ':='] expr
Expr* Compiler::Argument() {
    int name = -1;
    if (tok_.raw == T_IDENT && Peek().kind == T_ASSIGNNAMED) {
        name = tok_.name;
        Advance();
        Advance();
    }
    Expr* e = Expression();
    if (name >= 0) {
        // A named argument gets a node of its own (the expression's may be a shared cell).
        Expr* n = NewExpr(e->kind);
        *n = *e;
        n->argName = name;
        e = n;
    }
    return e;
}

// args -> '(' [arg {',' arg}] ')'
std::vector<Expr*> Compiler::Arguments() {
    std::vector<Expr*> args;
    Expect(T_LPAREN);
    Push(2);
    if (tok_.kind != T_RPAREN) {
        do {
            args.push_back(Argument());
        } while (Accept(T_COMMA));
    }
    Expect(T_RPAREN);
    Pop(2);
    return args;
}

bool Compiler::IsConstOperand(int operand) const {
    return operand > 0 && (ctx_.storage[operand].flags & CF_CONST);
}

// A variable's operand, declaring it implicitly when allowed.
int Compiler::Variable(int name, char suffix, bool create) {
    auto it = locals_.find(name);
    if (it != locals_.end()) return it->second.operand;
    NameEntry& e = ctx_.names[name];
    if (e.globalCell > 0 && ctx_.storage[e.globalCell].decl != VT_FUNC) return e.globalCell;
    if (!create) return -1;
    if (ctx_.optionExplicit) {
        Error("Variable not defined: " + e.text + "\n");
        int t = NewHidden(VT_VARIANT);
        if (proc_)
            locals_[name] = {t, TC_VARIANT};
        else
            e.globalCell = t;
        return t;
    }
    uint16_t code = TypeCodeOfSuffix(suffix);
    if (!code) code = TC_VARIANT;
    return DeclareVariable(name, suffix, code, -1, 0, nullptr, false, false);
}

int Compiler::MemberOperand(int base, int name, int member) {
    int ut = -1;
    auto lit = localUserType_.find(base);
    if (lit != localUserType_.end()) ut = lit->second;
    auto git = cellUserType_.find(base);
    if (git != cellUserType_.end()) ut = git->second;
    if (ut < 0) {
        Error(ctx_.names[name].text + " is not a user-type variable\n");
        return base;
    }
    // The type is on the definition stack while its member is looked up.
    if (!DefPush(ut, T_DECLTYPENAME)) return base;
    const UserType& t = userTypes_[ut];
    int found = -1;
    for (size_t i = 0; i < t.memberNames.size(); ++i)
        if (t.memberNames[i] == member) found = (int)i;
    DefPop();
    if (found >= 0) return base >= 0 ? base + 1 + found : base - 1 - found;
    Error(ctx_.names[member].text + " is not a valid member\n");
    return base;
}

// The constant Nothing (an object value that holds no object).
int Compiler::NothingCell() {
    if (nothingCell_ <= 0) {
        nothingCell_ = ctx_.NewCell(VT_OBJECT, 0);
        ctx_.storage[nothingCell_].flags |= CF_CONST;
    }
    return nothingCell_;
}

bool Compiler::IsTemp(int operand) const {
    if (proc_) return operand <= kTempBase && operand > kTempBase - 1000000;
    for (int t : globalTemps_)
        if (t == operand) return true;
    return false;
}

// nameref -> simpleref {'.' member ['(' args ')']}
// A dot after anything but a user-type variable names a member of an object.
Expr* Compiler::NameRef(bool statementCall) {
    return MemberChain(SimpleRef(statementCall));
}

Expr* Compiler::MemberChain(Expr* e) {
    while (tok_.kind == T_DOT && e->userType < 0 && e->members == 0 && !e->constant) {
        Advance();
        if (tok_.raw != T_IDENT) SyntaxError();
        Expr* m = NewExpr(E_MEMBER);
        m->member = tok_.name;
        m->kids.push_back(e);
        Advance();
        if (tok_.kind == T_LPAREN) {
            m->parens = true;
            for (Expr* a : Arguments()) m->kids.push_back(a);
        }
        e = m;
    }
    return e;
}

// simpleref -> name ['(' args ')'] | name '.' member   (members of user types)
Expr* Compiler::SimpleRef(bool) {
    int name = tok_.name;
    int kind = tok_.kind;
    char suffix = tok_.suffix;
    Advance();
    if (kind == T_DECLFUNC || kind == T_DECLSUB) {
        if (proc_ && name == procName_ && tok_.kind != T_LPAREN) {
            Expr* e = NewExpr(E_CELL);
            e->operand = -(int)proc_->params.size() - 2;  // the result slot
            e->variable = true;
            return e;
        }
        Expr* e = NewExpr(E_CALL);
        e->operand = FuncCell(name);
        if (tok_.kind == T_LPAREN) e->kids = Arguments();
        return e;
    }
    if (kind == T_DECLARRAY) {
        int arr = Variable(name, suffix, false);
        if (tok_.kind != T_LPAREN) {
            Expr* e = NewExpr(E_CELL);
            e->operand = arr;
            e->variable = true;
            int ut = UserTypeOf(arr);
            if (userArrays_.count(arr) && userTypes_.count(ut) &&
                !userTypes_[ut].memberNames.empty()) {
                // The name of a user-type array stands for its member arrays, which share its
                // bounds.
                e->members = (int)userTypes_[ut].memberNames.size();
                e->operand = arr >= 0 ? arr + 1 : arr - 1;
                e->userArray = ut;
            }
            return e;
        }
        Expr* e = NewExpr(E_ELEM);
        e->operand = arr;
        e->kids = Arguments();
        if (userArrays_.count(arr)) {
            // An element of a user-type array: a member names that member's array.
            if (tok_.kind == T_DOT) {
                Advance();
                if (tok_.raw != T_IDENT) SyntaxError();
                e->operand = MemberOperand(arr, name, tok_.name);
                Advance();
            } else {
                e->userType = UserTypeOf(arr);
            }
        }
        return e;
    }
    if (tok_.kind == T_LPAREN && !locals_.count(name) &&
        !(ctx_.names[name].globalCell > 0 &&
          ctx_.storage[ctx_.names[name].globalCell].decl != VT_FUNC)) {
        // A function not declared yet: resolved when it is defined or at run time.
        Expr* e = NewExpr(E_CALL);
        e->operand = FuncCell(name);
        e->kids = Arguments();
        return e;
    }
    int op = Variable(name, suffix, true);
    int userType = UserTypeOf(op);
    if (tok_.kind == T_DOT && userType >= 0) {
        Advance();
        if (tok_.raw != T_IDENT) SyntaxError();
        op = MemberOperand(op, name, tok_.name);
        userType = -1;
        Advance();
    }
    Expr* e = NewExpr(E_CELL);
    e->userType = userType;
    e->operand = op;
    e->variable = !IsConstOperand(op);
    e->constant = IsConstOperand(op);
    return e;
}

bool Compiler::FoldConstant(Expr* e, Cell& out) {
    std::string err;
    switch (e->kind) {
        case E_CELL:
            if (!e->constant || e->operand <= 0) return false;
            CopyValue(&out, &ctx_.storage[e->operand]);
            return true;
        case E_NEG:
        case E_NOT: {
            Cell a;
            if (!FoldConstant(e->kids[0], a)) return false;
            bool ok = e->kind == E_NEG ? Negate(&a, &out, err) : NotOp(&a, &out, err);
            if (!ok) Error(err);
            return ok;
        }
        case E_BIN: {
            Cell a, b;
            if (!FoldConstant(e->kids[0], a) || !FoldConstant(e->kids[1], b)) return false;
            if (!BinaryOp(e->op, &a, &b, &out, err)) {
                Error(err);
                return false;
            }
            return true;
        }
        default:
            return false;
    }
}

int Compiler::Temp() {
    int t = temps_++;
    if (proc_) {
        if (temps_ > maxTemps_) maxTemps_ = temps_;
        return kTempBase - t;
    }
    while ((int)globalTemps_.size() <= t) globalTemps_.push_back(ctx_.NewCell(VT_VARIANT, 0));
    return globalTemps_[t];
}

void Compiler::Release(int operand) {
    if (temps_ == 0) return;
    int top = proc_ ? kTempBase - (temps_ - 1) : globalTemps_[temps_ - 1];
    if (operand == top) --temps_;
}

int Compiler::UserTypeOf(int operand) const {
    auto lit = localUserType_.find(operand);
    if (operand < 0 && lit != localUserType_.end()) return lit->second;
    auto git = cellUserType_.find(operand);
    if (operand > 0 && git != cellUserType_.end()) return git->second;
    return -1;
}

// Checks calls of procedures with user-type arguments or parameters once
// every procedure is known: a user-type argument must meet a parameter of its
// type and the other way round.
void Compiler::CheckUserCalls() {
    for (const UserCall& uc : userCalls_) {
        FuncRec* rec = ctx_.storage[uc.fn].v.fn;
        if (rec->kind != FK_PROC) continue;
        std::vector<int> want, wantNames;
        for (const Param& p : rec->params) {
            if (p.member) continue;
            want.push_back(p.code != TC_USER ? -1
                           : p.array         ? p.userType + kUserArrayKind
                                             : p.userType);
            wantNames.push_back(p.name);
        }
        std::vector<int> got = uc.argTypes;
        std::string namedError;
        if (!uc.argNames.empty() && got.size() == want.size()) {
            // Named arguments are compared with the parameters they name.
            std::vector<int> placed(want.size(), -2);
            for (size_t j = 0; j < got.size() && namedError.empty(); ++j) {
                int p = (int)j;
                if (uc.argNames[j] >= 0) {
                    p = -1;
                    for (size_t k = 0; k < wantNames.size(); ++k)
                        if (wantNames[k] == uc.argNames[j]) p = (int)k;
                    if (p < 0) {
                        namedError = "Named argument not found: " +
                                     ctx_.names[uc.argNames[j]].text.substr(0, 200) + "\n";
                        break;
                    }
                }
                if (placed[p] != -2)
                    namedError =
                        "Argument given twice: " + ctx_.names[wantNames[p]].text.substr(0, 200) +
                        "\n";
                placed[p] = got[j];
            }
            got = placed;
        }
        bool userInvolved = false;
        for (int t : want) userInvolved |= t >= 0;
        for (int t : uc.argTypes) userInvolved |= t >= 0;
        if (!uc.argNames.empty()) userInvolved = true;  // named arguments are checked here too
        if (!userInvolved) continue;
        int saved = ctx_.line;
        ctx_.line = uc.line;
        if (!namedError.empty()) {
            ReportError(ctx_, namedError);
        } else if (want.size() != uc.argTypes.size()) {
            char buf[400];
            std::snprintf(
                buf, sizeof buf, "Argument-count mismatch - %s takes %d arguments - %d pushed\n",
                rec->name.substr(0, 200).c_str(), (int)want.size(), (int)uc.argTypes.size());
            ReportError(ctx_, buf);
        } else if (want != got) {
            ReportError(ctx_, "Type mismatch\n");
        }
        ctx_.line = saved;
    }
}

int Compiler::Compile(Expr* e, int into) {
    auto dest = [&]() { return into != kNoTarget ? into : Temp(); };
    int result;
    switch (e->kind) {
        case E_CELL:
            result = e->operand;
            if (into != kNoTarget && into != result) {
                Emit(OP_MOVE, result, -1, into);
                result = into;
            }
            break;
        case E_BIN: {
            // The instruction reads both operands before it writes its result,
            // so the result may reuse an operand's temporary.
            int a = Compile(e->kids[0]);
            int b = Compile(e->kids[1]);
            Release(b);
            Release(a);
            result = dest();
            Emit(e->op, a, b, result);
            break;
        }
        case E_NEG:
        case E_NOT: {
            int a = Compile(e->kids[0]);
            Release(a);
            result = dest();
            Emit(e->kind == E_NEG ? OP_NEG : OP_NOT, a, -1, result);
            break;
        }
        case E_CALL: {
            // The result's temporary is taken once the arguments' own are released.
            result = -1;
            EmitCall(
                e->operand, [&]() { return result = dest(); }, e->kids);
            break;
        }
        case E_MEMBER: {
            // A member read: method or property get.
            result = -1;
            std::vector<Expr*> args(e->kids.begin() + 1, e->kids.end());
            EmitMember(e->kids[0], e->member, TES_DISPATCH_METHOD | TES_DISPATCH_PROPERTYGET, args,
                       [&]() { return result = dest(); });
            break;
        }
        case E_ELEM: {
            if (e->userType >= 0) {
                Error("Type mismatch\n");
                result = dest();
                break;
            }
            if (e->kids.size() == 1) {
                int sub = Compile(e->kids[0]);
                Release(sub);
                result = dest();
                Emit(OP_AREAD1, e->operand, sub, result);
                break;
            }
            PushSubscripts(e->kids);
            result = dest();
            Emit(OP_AREAD, e->operand, (int)e->kids.size(), result);
            break;
        }
        default:
            result = -1;
    }
    return result;
}

}  // namespace tessel
