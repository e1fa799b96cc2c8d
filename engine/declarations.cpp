// declarations.cpp: Dim/Static/Global, Const, Type, Declare, Option and
// procedure definitions: names get their roles, types and storage.
#include <cstring>

#include "engine/parser.h"

namespace tessel {

static std::string Fmt(const char* fmt, const std::string& s) {
    char buf[400];
    std::snprintf(buf, sizeof buf, fmt, s.substr(0, 200).c_str());
    return buf;
}

// astype -> AS (INTEGER | LONG | SINGLE | DOUBLE | STRING ['*' n] | VARIANT | OBJECT | ANY |
// BOOLEAN | BYTE | typename)
uint16_t Compiler::AsType(int& userType, int32_t& fixedLen) {
    userType = -1;
    fixedLen = 0;
    uint16_t code;
    switch (tok_.kind) {
        case T_INTEGERKW:
        case T_BOOLEAN:
        case T_BYTE:
            code = TC_INTEGER;
            break;
        case T_LONGKW:
            code = TC_LONG;
            break;
        case T_SINGLEKW:
            code = TC_SINGLE;
            break;
        case T_DOUBLEKW:
            code = TC_DOUBLE;
            break;
        case T_STRINGKW:
            code = TC_STRING;
            break;
        case T_VARIANTKW:
            code = TC_VARIANT;
            break;
        case T_OBJECT:
            code = TC_OBJECT;
            break;
        case T_ANY:
            code = TC_ANY;
            break;
        case T_DECLTYPENAME:
            code = TC_USER;
            userType = tok_.name;
            break;
        case T_IDENT: {
            Error(Fmt("Type %s not found\n", tok_.text));
            code = TC_VARIANT;
            break;
        }
        default:
            SyntaxError();
    }
    Advance();
    if (code == TC_STRING && Accept(T_MUL)) {
        Expr* e = Primary();
        Cell c;
        int16_t n = 0;
        std::string err;
        if (!FoldConstant(e, c) || !GetShort(&c, n, err) || n < 1) Error("Invalid string length\n");
        fixedLen = n > 0 ? n : 0;
    }
    return code;
}

int Compiler::NewHidden(uint16_t decl) {
    if (proc_) {
        int slot = nextSlot_++;
        SlotInit s;
        s.decl = decl;
        s.name = 0;
        proc_->slots.push_back(s);
        return -slot - 2;
    }
    return ctx_.NewCell(decl, 0);
}

// Allocates a variable in the current scope (or globally). Returns its operand.
int Compiler::DeclareVariable(int name, char suffix, uint16_t code, int userType, int32_t fixedLen,
                              const std::vector<std::pair<int32_t, int32_t>>* bounds, bool global,
                              bool isStatic) {
    NameEntry& e = ctx_.names[name];
    (void)suffix;
    bool local = proc_ && !global;
    if (local ? locals_.count(name) > 0 : (e.globalCell > 0 && !locals_.count(name))) {
        if (!local || true) {
            Error(Fmt("Duplicate definition: %s\n", e.text));
            return local ? locals_[name].operand : e.globalCell;
        }
    }
    uint16_t vt = ValueTypeOf(code);
    ArrayData* shape = nullptr;
    if (bounds) {
        shape = new ArrayData;
        shape->elem = vt;
        shape->fixedLen = fixedLen;
        shape->dims = (int)bounds->size();
        uint64_t total = 1;
        for (size_t i = 0; i < bounds->size(); ++i) {
            shape->lower[i] = (*bounds)[i].first;
            int64_t n = (int64_t)(*bounds)[i].second - (*bounds)[i].first + 1;
            shape->count[i] = (uint32_t)n;
            total *= (uint64_t)n;
            if (total > (1u << 26)) {
                Error("Out of memory allocating array\n");
                delete shape;
                return -1;
            }
        }
    }
    int members = code == TC_USER && userTypes_.count(userType)
                      ? (int)userTypes_[userType].memberNames.size()
                      : 0;
    // An array of a user type is one array per member with the array's bounds;
    // the name's own cell stays a plain user-type cell in front of them.
    ArrayData* userShape = nullptr;
    if (shape && code == TC_USER) {
        userShape = shape;
        shape = nullptr;
    }
    auto memberShape = [&](int m) -> ArrayData* {
        if (!userShape) return nullptr;
        ArrayData* a = userShape->CopyShape();
        a->elem = ValueTypeOf(userTypes_[userType].memberCodes[m]);
        a->fixedLen = userTypes_[userType].memberLens[m];
        return a;
    };
    int operand;
    if (local && !isStatic) {
        int slot = nextSlot_;
        SlotInit s;
        s.decl = code == TC_USER ? VT_USER : vt;
        s.fixedLen = fixedLen;
        s.name = name;
        s.array = shape;
        proc_->slots.push_back(s);
        ++nextSlot_;
        for (int m = 0; m < members; ++m) {
            const UserType& ut = userTypes_[userType];
            SlotInit ms;
            ms.decl = ValueTypeOf(ut.memberCodes[m]);
            ms.fixedLen = ut.memberLens[m];
            ms.name = ut.memberNames[m];
            ms.array = memberShape(m);
            proc_->slots.push_back(ms);
            ++nextSlot_;
        }
        operand = -slot - 2;
    } else {
        int cell = ctx_.NewCell(code == TC_USER ? VT_USER : vt, name);
        Cell& c = ctx_.storage[cell];
        c.fixedLen = fixedLen;
        c.Clear();
        if (shape) {
            shape->Allocate();
            c.flags |= CF_ARRAY;
            c.v.arr = shape;
        }
        for (int m = 0; m < members; ++m) {
            const UserType& ut = userTypes_[userType];
            int mc = ctx_.NewCell(ValueTypeOf(ut.memberCodes[m]), ut.memberNames[m]);
            Cell& mcell = ctx_.storage[mc];
            mcell.fixedLen = ut.memberLens[m];
            mcell.Clear();
            if (ArrayData* a = memberShape(m)) {
                a->Allocate();
                mcell.flags |= CF_ARRAY;
                mcell.v.arr = a;
            }
        }
        operand = cell;
    }
    if (code == TC_USER) {
        if (local && !isStatic)
            localUserType_[operand] = userType;
        else
            cellUserType_[operand] = userType;
        if (userShape) userArrays_[operand] = 1;
    }
    if (local) {
        if (!savedKinds_.count(name)) savedKinds_[name] = ctx_.names[name].kind;
        locals_[name] = {operand, code};
    } else {
        ctx_.names[name].globalCell = operand;
        ctx_.names[name].type = code;
    }
    if (shape || userShape) ctx_.names[name].kind = T_DECLARRAY;
    delete userShape;
    return operand;
}

// dim -> (DIM | STATIC | GLOBAL) decl {',' decl}
// decl -> name ['(' [bound {',' bound}] ')'] [astype];  bound -> expr [TO expr]
void Compiler::DimStatement(int which) {
    Advance();
    std::unordered_map<int, uint16_t> listed;  // names of this list and their types
    do {
        if (tok_.raw != T_IDENT) SyntaxError();
        int name = tok_.name;
        char suffix = tok_.suffix;
        Advance();
        std::vector<std::pair<int32_t, int32_t>> bounds;
        bool isArray = false, bad = false;
        if (Accept(T_LPAREN)) {
            isArray = true;
            if (tok_.kind == T_RPAREN) {
                Error("Dynamic arrays not supported\n");
                bad = true;
            }
            while (tok_.kind != T_RPAREN) {
                Cell c1, c2;
                int32_t lo = ctx_.optionBase, hi = 0;
                std::string err;
                Expr* a = Expression();
                if (!FoldConstant(a, c1) || !GetLong(&c1, hi, err)) {
                    Error("Array bounds must be integer constants\n");
                    bad = true;
                }
                if (Accept(T_TO)) {
                    lo = hi;
                    Expr* b = Expression();
                    if (!FoldConstant(b, c2) || !GetLong(&c2, hi, err)) {
                        Error("Array bounds must be integer constants\n");
                        bad = true;
                    }
                }
                if (!bad && hi < lo) {
                    Error("Invalid array bounds\n");
                    bad = true;
                }
                bounds.push_back({lo, hi});
                if (!Accept(T_COMMA)) break;
            }
            Expect(T_RPAREN);
            if (bounds.size() > 20) {
                Error("Too many dimensions\n");
                bad = true;
            }
        }
        uint16_t code = TypeCodeOfSuffix(suffix);
        int userType = -1;
        int32_t fixedLen = 0;
        if (Accept(T_AS)) {
            if (tok_.kind == T_IDENT && ctx_.userTypeAlloc && !isArray && !bad) {
                // A type the host defines: the variable is a Variant holding what it gives.
                TesVariant value{};
                std::string typeName = tok_.text;
                int32_t r = ctx_.userTypeAlloc(ctx_.handle, typeName.c_str(),
                                               ctx_.names[name].text.c_str(), &value);
                Advance();
                if (r != 0) {
                    Error(Fmt("Unknown type: %s in AllocVar\n", typeName));
                    continue;
                }
                int cell = DeclareVariable(name, suffix, TC_VARIANT, -1, 0, nullptr, true, true);
                if (cell > 0)
                    VariantToCell(ctx_, value, ctx_.storage[cell], true);
                else if (value.vt == TES_VT_OBJECT &&
                         value.u.objVal)  // not stored: give the reference back
                    static_cast<TesDispatch*>(value.u.objVal)
                        ->vtbl->release(static_cast<TesDispatch*>(value.u.objVal));
                continue;
            }
            uint16_t as = AsType(userType, fixedLen);
            if (code && code != as) {
                Error(Fmt(
                    "Type declaration character does not match declared data type for symbol: %s\n",
                    ctx_.names[name].text));
                bad = true;
            }
            code = as;
        }
        if (!code)
            code = ctx_.names[name].type != TC_IMPLICIT && ctx_.names[name].type != TC_FUNCTION
                       ? ctx_.names[name].type
                       : TC_VARIANT;
        if (code == TC_ANY) code = TC_VARIANT;
        if (!bad) {
            // The same name twice in one list with different types.
            auto seen = listed.find(name);
            if (seen != listed.end() && seen->second != code) {
                Error(Fmt("Declaration type mismatch: %s\n", ctx_.names[name].text));
                bad = true;
            }
            listed.emplace(name, code);
        }
        if (!bad) {
            // A name already declared in this scope (or a procedure, constant or
            // type name) with another type.
            const NameEntry& e = ctx_.names[name];
            int recorded = -1;
            if (proc_ && which != T_GLOBAL) {
                auto it = locals_.find(name);
                if (it != locals_.end()) recorded = it->second.typeCode;
            } else if (e.kind == T_DECLFUNC || e.kind == T_DECLSUB || e.kind == T_DECLCONST ||
                       e.kind == T_DECLTYPENAME || (e.globalCell > 0 && !locals_.count(name))) {
                recorded = e.type;
            }
            if (recorded >= 0 && recorded != code) {
                char buf[400];
                std::snprintf(buf, sizeof buf, "Declaration type mismatch %s %d\n",
                              e.text.substr(0, 200).c_str(), recorded);
                Error(buf);
                bad = true;
            } else if (e.kind == T_DECLTYPENAME) {
                Error(Fmt("Duplicate definition: %s\n", e.text));  // a type's own name
                bad = true;
            }
        }
        if (!bad)
            DeclareVariable(name, suffix, code, userType, fixedLen, isArray ? &bounds : nullptr,
                            which == T_GLOBAL, which == T_STATIC);
    } while (Accept(T_COMMA));
}

// const -> CONST name ['AS' type] '=' expr {',' name '=' expr}
void Compiler::ConstStatement() {
    Advance();
    do {
        if (tok_.raw != T_IDENT) SyntaxError();
        int name = tok_.name;
        char suffix = tok_.suffix;
        bool defined = tok_.kind != T_IDENT || ctx_.names[name].globalCell > 0;
        Advance();
        uint16_t code = TypeCodeOfSuffix(suffix);
        if (Accept(T_AS)) {
            int ut;
            int32_t fl;
            code = AsType(ut, fl);
        }
        Expect(T_EQ);
        Expr* e = Expression();
        Cell value;
        if (!FoldConstant(e, value)) {
            Error("Constant expression expected\n");
            continue;
        }
        if (defined) {
            Error(Fmt("%s already defined\n", ctx_.names[name].text));
            continue;
        }
        int cell = ctx_.NewCell(code ? ValueTypeOf(code) : VT_VARIANT, name);
        std::string err;
        if (!Assign(&ctx_.storage[cell], &value, err)) Error(err);
        ctx_.storage[cell].flags |= CF_CONST;
        ctx_.names[name].globalCell = cell;
        ctx_.names[name].kind = T_DECLCONST;
        ctx_.names[name].type = code ? code : TC_VARIANT;
    } while (Accept(T_COMMA));
}

bool Compiler::DefPush(int name, int kind) {
    if (defDepth_ >= kDefStackSize) {
        Error("Stack overflow\n");
        return false;
    }
    defStack_[defDepth_++] = {name, kind};
    return true;
}

void Compiler::DefPop() {
    if (defDepth_ == 0) {
        Error("Stack underflow\n");
        return;
    }
    --defDepth_;
}

// type -> TYPE name <eol {member AS type <eol | type <eol} END TYPE
// A TYPE inside a TYPE defines another type (on the definition stack meanwhile).
void Compiler::TypeStatement() {
    stmtLine_ = tok_.line;
    Advance();
    if (tok_.raw != T_IDENT) SyntaxError();
    int name = tok_.name;
    if (tok_.kind != T_IDENT) Error(Fmt("%s already defined\n", tok_.text));
    Advance();
    Push(1);
    bool pushed = DefPush(name, T_DECLTYPENAME);
    UserType ut;
    for (;;) {
        while (tok_.kind == T_EOL || tok_.kind == T_COLON) Advance();
        stmtLine_ = tok_.line;
        if (tok_.kind == T_END) {
            Advance();
            Expect(T_TYPE);
            break;
        }
        if (tok_.kind == T_TYPE) {
            TypeStatement();
            EndOfStatement();
            continue;
        }
        if (tok_.raw != T_IDENT) SyntaxError();
        int member = tok_.name;
        char suffix = tok_.suffix;
        Advance();
        uint16_t code = TypeCodeOfSuffix(suffix);
        int32_t fixedLen = 0;
        if (Accept(T_AS)) {
            int sub;
            code = AsType(sub, fixedLen);
            if (code == TC_USER) {
                Error("Unknown type: 130 in MEMBERLIST_\n");
                code = TC_VARIANT;
            }
        }
        if (!code) code = TC_VARIANT;
        ut.memberNames.push_back(member);
        ut.memberCodes.push_back(code);
        ut.memberLens.push_back(fixedLen);
        EndOfStatement();
    }
    if (pushed) DefPop();
    Pop(1);
    userTypes_[name] = ut;
    ctx_.names[name].kind = T_DECLTYPENAME;
    ctx_.names[name].type = TC_USER;
}

// Gets or makes the function cell of a name.
int Compiler::FuncCell(int name) {
    NameEntry& e = ctx_.names[name];
    if (e.globalCell > 0 && ctx_.storage[e.globalCell].decl == VT_FUNC) return e.globalCell;
    if (e.globalCell > 0) {
        Error(Fmt("Duplicate definition: %s\n", e.text));
        return -1;
    }
    auto rec = std::make_unique<FuncRec>();
    rec->name = e.text;
    rec->alias = e.text;
    rec->library = "tessel32.dll";
    int cell = ctx_.NewCell(VT_FUNC, name);
    ctx_.storage[cell].type = VT_FUNC;
    ctx_.storage[cell].v.fn = rec.get();
    ctx_.funcs.push_back(std::move(rec));
    ctx_.names[name].globalCell = cell;
    ctx_.names[name].kind = T_DECLFUNC;
    return cell;
}

// params -> '(' [param {',' param}] ')';  param -> [BYVAL | BYREF] name ['(' ')'] [AS type]
bool Compiler::ParamList(std::vector<Param>& params, bool declare) {
    if (!Accept(T_LPAREN)) return true;
    while (tok_.kind != T_RPAREN) {
        Param p;
        if (Accept(T_BYVAL))
            p.byVal = true;
        else
            Accept(T_BYREF);
        if (tok_.raw != T_IDENT) SyntaxError();
        p.name = tok_.name;
        char suffix = tok_.suffix;
        Advance();
        if (Accept(T_LPAREN)) {
            Expect(T_RPAREN);
            p.array = true;
        }
        uint16_t code = TypeCodeOfSuffix(suffix);
        int ut = -1;
        if (Accept(T_AS)) {
            int32_t fl;
            uint16_t as = AsType(ut, fl);
            if (code && code != as) {
                char buf[128];
                std::snprintf(buf, sizeof buf,
                              "Declaration type mismatch - param: %d symbolType: %d\n",
                              (int)params.size() + 1, as);
                Error(buf);
            }
            code = as;
        }
        if (!code) code = TC_VARIANT;
        if (code == TC_USER && (declare || !userTypes_.count(ut))) {
            Error(declare ? "User-type parameters of external functions are not supported\n"
                          : "Type mismatch\n");
            code = TC_VARIANT;
        }
        p.code = code;
        p.type = ValueTypeOf(code);
        params.push_back(p);
        if (code == TC_USER) {
            // One hidden parameter per member receives that member of the
            // argument (for an array parameter, that member's array).
            params.back().userType = ut;
            params.back().byVal =
                false;  // the type's own cell is always shared; ByVal copies the members
            const UserType& t = userTypes_[ut];
            for (size_t m = 0; m < t.memberNames.size(); ++m) {
                Param mp;
                mp.member = true;
                mp.byVal = p.byVal;
                mp.array = p.array;
                mp.code = t.memberCodes[m];
                mp.type = ValueTypeOf(mp.code);
                params.push_back(mp);
            }
        }
        if ((int)params.size() > kMaxParams) {
            Error("Too many parameters\n");
            return false;
        }
        if (!Accept(T_COMMA)) break;
    }
    Expect(T_RPAREN);
    return true;
}

// declare -> DECLARE (SUB | FUNCTION) name (LIB string | APP) [ALIAS string] [params] [AS type]
void Compiler::DeclareStatement() {
    Advance();
    bool isSub = tok_.kind == T_SUB;
    if (tok_.kind != T_SUB && tok_.kind != T_FUNCTION) SyntaxError();
    Advance();
    if (tok_.raw != T_IDENT) SyntaxError();
    int name = tok_.name;
    char suffix = tok_.suffix;
    std::string text = tok_.text;
    bool already = tok_.kind != T_IDENT || ctx_.names[name].globalCell > 0;
    Advance();
    int kind;
    std::string library = "tessel32.dll";
    if (Accept(T_LIB)) {
        if (tok_.kind != T_STRING) SyntaxError();
        library = tok_.text;
        Advance();
        kind = FK_LIB;
    } else {
        Expect(T_APP);
        kind = FK_APP;
    }
    std::string alias = text;
    if (Accept(T_ALIAS)) {
        if (tok_.kind != T_STRING) SyntaxError();
        alias = tok_.text;
        Advance();
    }
    std::vector<Param> params;
    ParamList(params, true);
    uint16_t ret = isSub ? 0 : TypeCodeOfSuffix(suffix);
    if (Accept(T_AS)) {
        int ut;
        int32_t fl;
        ret = AsType(ut, fl);
    }
    if (!isSub && !ret) ret = TC_VARIANT;
    if (already) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "DeclareFunction symbol[%d].type: %d name: %s\n", name,
                      ctx_.names[name].type, text.substr(0, 200).c_str());
        Error(buf);
        return;
    }
    int cell = FuncCell(name);
    if (cell < 0) return;
    FuncRec* rec = ctx_.storage[cell].v.fn;
    rec->kind = kind;
    rec->alias = alias;
    rec->library = library;
    rec->params = params;
    rec->isSub = isSub;
    rec->retCode = ret;
    rec->retType = isSub ? 0 : ValueTypeOf(ret);
    ctx_.names[name].kind = isSub ? T_DECLSUB : T_DECLFUNC;
    ctx_.names[name].type = TC_FUNCTION;
}

// option -> OPTION BASE integer | OPTION EXPLICIT
void Compiler::OptionStatement() {
    Advance();
    if (Accept(T_EXPLICIT)) {
        ctx_.optionExplicit = true;
        return;
    }
    Expect(T_BASE);
    if (tok_.kind != T_INTEGER ||
        (ctx_.names[tok_.name].value != 0 && ctx_.names[tok_.name].value != 1))
        SyntaxError();
    ctx_.optionBase = ctx_.names[tok_.name].value;
    Advance();
}

// procedure -> [PUBLIC | PRIVATE | qualifier] (SUB | FUNCTION) name [params] [AS type] <eol block
// END (SUB | FUNCTION)
void Compiler::ProcedureDefinition() {
    while (tok_.kind == T_PUBLIC || tok_.kind == T_PRIVATE || tok_.kind == T_QUALIFIER) Advance();
    bool isSub = tok_.kind == T_SUB;
    if (tok_.kind != T_SUB && tok_.kind != T_FUNCTION) SyntaxError();
    if (proc_) SyntaxError();
    int headerLine = stmtLine_, headerSource = stmtSource_;
    Advance();
    if (tok_.raw != T_IDENT) SyntaxError();
    int name = tok_.name;
    char suffix = tok_.suffix;
    bool wasDefined = tok_.kind == T_DECLFUNC || tok_.kind == T_DECLSUB;
    Advance();
    int cell = FuncCell(name);
    FuncRec scratch;
    FuncRec* rec = cell > 0 ? ctx_.storage[cell].v.fn : &scratch;
    if (wasDefined && rec->kind != FK_UNDECLARED) {
        Error("Duplicate definition: " + ctx_.names[name].text + "\n");
        rec = &scratch;
    }
    std::vector<Param> params;
    ParamList(params, false);
    uint16_t ret = isSub ? 0 : TypeCodeOfSuffix(suffix);
    if (!isSub && Accept(T_AS)) {
        int ut;
        int32_t fl;
        uint16_t as = AsType(ut, fl);
        if (ret && ret != as)
            Error("Type declaration character does not match declared data type for symbol: " +
                  ctx_.names[name].text + "\n");
        ret = as;
    }
    if (!isSub && !ret) ret = TC_VARIANT;
    Push(3);
    rec->kind = FK_PROC;
    rec->isSub = isSub;
    rec->params = params;
    rec->retCode = ret;
    rec->retType = isSub ? 0 : ValueTypeOf(ret);
    rec->entry = Here();
    rec->line = headerLine;
    rec->source = headerSource;
    rec->slots.clear();
    ctx_.names[name].kind = isSub ? T_DECLSUB : T_DECLFUNC;
    ctx_.names[name].type = TC_FUNCTION;

    proc_ = rec;
    procName_ = name;
    locals_.clear();
    savedKinds_.clear();
    localUserType_.clear();
    for (auto it = userArrays_.begin(); it != userArrays_.end();)
        it = it->first < 0 ? userArrays_.erase(it) : std::next(it);
    for (size_t i = 0; i < params.size(); ++i) {
        if (params[i].member) continue;
        int pn = params[i].name;
        if (locals_.count(pn)) Error("Duplicate definition: " + ctx_.names[pn].text + "\n");
        if (!savedKinds_.count(pn)) savedKinds_[pn] = ctx_.names[pn].kind;
        locals_[pn] = {-(int)i - 2, params[i].code};
        if (params[i].code == TC_USER) localUserType_[-(int)i - 2] = params[i].userType;
        if (params[i].code == TC_USER && params[i].array) userArrays_[-(int)i - 2] = 1;
        ctx_.names[pn].kind = params[i].array ? T_DECLARRAY : T_IDENT;
    }
    nextSlot_ = (int)params.size();
    SlotInit result;
    result.decl = isSub ? VT_VARIANT : rec->retType;
    result.name = name;
    rec->slots.push_back(result);
    ++nextSlot_;
    maxTemps_ = 0;
    procStart_ = Here();
    EndOfStatement();
    Block({T_END});
    if (tok_.kind != T_END) SyntaxError();
    stmtLine_ = tok_.line;
    Advance();
    Expect(isSub ? T_SUB : T_FUNCTION);
    Emit(OP_LEAVE, -1, -1, -1);
    // Temporaries get the slots after the locals.
    int firstTemp = nextSlot_;
    for (int i = procStart_; i < Here(); ++i) {
        Instr& in = ctx_.code[i];
        for (int32_t* o : {&in.a, &in.b, &in.c})
            if (*o <= kTempBase && *o > kTempBase - 1000000)
                *o = -(firstTemp + (kTempBase - *o)) - 2;
    }
    // A jump to a return is the return itself (with the return's line, so
    // stepping stops where it did).
    for (int i = procStart_; i < Here(); ++i) {
        Instr& in = ctx_.code[i];
        if ((in.op == OP_BRANCH || in.op == OP_JUMP) && in.c >= procStart_ && in.c < Here() &&
            ctx_.code[in.c].op == OP_LEAVE)
            in = ctx_.code[in.c];
    }
    for (int t = 0; t < maxTemps_; ++t) rec->slots.push_back(SlotInit{});
    rec->frameSize = firstTemp + maxTemps_;
    rec->plainFrame = true;
    for (const Param& p : rec->params)
        if (p.array || p.member || p.code == TC_USER) rec->plainFrame = false;
    for (SlotInit& s : rec->slots) {
        if (s.array) rec->plainFrame = false;
        bool valued = s.decl == VT_INTEGER || s.decl == VT_LONG || s.decl == VT_SINGLE ||
                      s.decl == VT_DOUBLE || s.decl == VT_STRING ||
                      s.decl == VT_OBJECT;  // an Object starts as Nothing
        s.type = valued ? s.decl : VT_EMPTY;
        if (s.decl == VT_STRING && s.fixedLen > 0) rec->fixedStrings = true;
    }
    bool sized = rec->frameSize == (int32_t)(rec->params.size() + rec->slots.size());
    rec->fastArgs = rec->plainFrame && sized ? (int32_t)rec->params.size() : -1;
    rec->resultSlot = (int32_t)rec->params.size();
    rec->images.clear();
    for (const SlotInit& s : rec->slots)
        rec->images.push_back(SlotImage{s.decl, s.type, 0, 0, s.fixedLen, s.name, 0, nullptr});
    for (auto& [n, k] : savedKinds_) ctx_.names[n].kind = (uint16_t)k;
    savedKinds_.clear();
    locals_.clear();
    localUserType_.clear();
    for (auto it = userArrays_.begin(); it != userArrays_.end();)
        it = it->first < 0 ? userArrays_.erase(it) : std::next(it);
    proc_ = nullptr;
    Pop(3);
}

}  // namespace tessel
