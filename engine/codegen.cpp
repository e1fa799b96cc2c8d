// codegen.cpp: the emitter the parser drives (instructions, argument
// pushing, calls), the passes after the parse (labels, constant widening),
// opcode names, the code listing used by tests, and the compile driver that
// runs the parser over the sources or a stored stream.
#include "engine/codegen.h"

#include <cstdio>
#include <cstring>

#include "engine/builtins.h"
#include "engine/context.h"
#include "engine/parser.h"

namespace tessel {

int Compiler::Emit(int op, int a, int b, int c) {
    ctx_.code.push_back({op, a, b, c, stmtLine_, (int16_t)stmtSource_, 0});
    return (int)ctx_.code.size() - 1;
}

// Pushes a value; a temporary is moved, so it keeps no object reference.
void Compiler::PushValue(int op) {
    int at = Emit(OP_PUSH, op, -1, -1);
    if (IsTemp(op)) ctx_.code[at].pad = 1;
    Release(op);
}

// Pushes the object, then the arguments, and calls the member's record.
int Compiler::EmitMember(Expr* object, int member, int flags, const std::vector<Expr*>& args,
                         const std::function<int()>& dest) {
    for (Expr* a : args)
        if (a->userType >= 0 || a->members > 0) Error("Type mismatch\n");
    bool chained =
        object->kind == E_MEMBER || object->kind == E_CALL;  // the object is a call's result
    PushValue(Compile(object));
    int rec = MemberRecord(ctx_, ctx_.names[member].text, flags, chained);
    return EmitCall(rec, dest, args);
}

void Compiler::PushSubscripts(const std::vector<Expr*>& subs) {
    for (Expr* s : subs) {
        int op = Compile(s);
        Emit(OP_PUSH, op, -1, -1);
        Release(op);
    }
}

// Pushes a call's arguments. A user-type argument of a procedure goes as its
// own cell followed by a reference to each member (array element members for
// an element of a user-type array); the procedure's parameter list has a
// hidden parameter per member to match.
int Compiler::PushArgs(const std::vector<Expr*>& args, int fn, bool checkLater) {
    FuncRec* rec = fn > 0 ? ctx_.storage[fn].v.fn : nullptr;
    bool expand = rec && (rec->kind == FK_PROC || rec->kind == FK_UNDECLARED) && rec->builtin < 0;
    int pushed = 0;
    UserCall check{fn, {}, stmtLine_, stmtSource_, {}};
    for (Expr* a : args) {
        ++pushed;
        check.argTypes.push_back(a->userArray >= 0 ? a->userArray + kUserArrayKind : a->userType);
        if (a->userArray >= 0 && rec && (rec->kind == FK_LIB || rec->kind == FK_APP) &&
            rec->builtin < 0) {
            Error("Arrays of user types cannot be passed to Lib or App functions\n");
            continue;
        }
        if (expand && a->userArray >= 0) {
            // The array's own cell, then a reference to each member array.
            int own = a->operand >= 0 ? a->operand - 1 : a->operand + 1;
            Emit(OP_PUSHREF, own, -1, -1);
            for (int m = 0; m < a->members; ++m) {
                Emit(OP_PUSHREF, a->operand >= 0 ? a->operand + m : a->operand - m, -1, -1);
                ++pushed;
            }
            continue;
        }
        if (expand && a->userType >= 0 && userTypes_.count(a->userType)) {
            const UserType& t = userTypes_[a->userType];
            Emit(OP_PUSHREF, a->operand, -1, -1);
            for (size_t m = 0; m < t.memberNames.size(); ++m) {
                int member = a->operand >= 0 ? a->operand + 1 + (int)m : a->operand - 1 - (int)m;
                if (a->kind == E_ELEM) {
                    PushSubscripts(a->kids);
                    Emit(OP_AREF, member, (int)a->kids.size(), -1);
                } else {
                    Emit(OP_PUSHREF, member, -1, -1);
                }
                ++pushed;
            }
            continue;
        }
        if (a->kind == E_ELEM && a->userType >= 0) {
            Error("Type mismatch\n");
            continue;
        }
        if (a->kind == E_CELL && a->variable) {
            Emit(OP_PUSHREF, a->operand, -1, -1);
        } else if (a->kind == E_ELEM) {
            PushSubscripts(a->kids);
            Emit(OP_AREF, a->operand, (int)a->kids.size(), -1);
        } else {
            int op = Compile(a);
            int at = Emit(OP_PUSH, op, -1, -1);
            // A numeric constant may get its parameter's type once the whole
            // program is read (WidenConstantArguments).
            if (checkLater && rec && a->kind == E_CELL && op > 0 &&
                (ctx_.storage[op].flags & CF_CONST) &&
                (ctx_.storage[op].type == VT_INTEGER || ctx_.storage[op].type == VT_LONG))
                constantArgs_.push_back({at, fn, pushed - 1});
            bool temp = IsTemp(op);
            if (temp) ctx_.code[at].pad = 1;  // a temporary is moved
            // An addition or subtraction into a temporary that only this push
            // reads becomes one instruction that computes and pushes.
            Instr& prev = ctx_.code[at - (at > 0 ? 1 : 0)];
            if (at > 0 && temp && (prev.op == OP_ADD || prev.op == OP_SUB) && prev.c == op &&
                prev.pad == 0) {
                prev.pad = (int16_t)prev.op;
                prev.op = OP_PUSHOP;
            }
            Release(op);
        }
    }
    if (expand && checkLater) userCalls_.push_back(check);
    return pushed;
}

// Pushes the arguments and emits the call. Named arguments are put in their
// parameters' places by the interpreter, which knows the procedure by then.
int Compiler::EmitCall(int fn, const std::function<int()>& dest, const std::vector<Expr*>& args) {
    bool named = false, positionalAfterNamed = false;
    for (Expr* a : args) {
        if (a->argName >= 0)
            named = true;
        else if (named)
            positionalAfterNamed = true;
    }
    if (positionalAfterNamed) Error("Named argument expected\n");
    if (!named) {
        int pushed = PushArgs(args, fn);
        return Emit(OP_CALL, fn, dest(), pushed);
    }
    ScriptContext::NamedCall nc;
    int pushed = 0;
    UserCall check{fn, {}, stmtLine_, stmtSource_, {}};
    for (Expr* a : args) {
        int before = pushed;
        pushed += PushArgs({a}, fn, false);
        nc.names.push_back(a->argName);
        nc.spans.push_back(pushed - before);
        check.argTypes.push_back(a->userArray >= 0 ? a->userArray + kUserArrayKind : a->userType);
        check.argNames.push_back(a->argName);
    }
    userCalls_.push_back(check);
    int at = Emit(OP_CALL, fn, dest(), pushed);
    if (ctx_.namedCalls.size() >= 32767) {
        Error("Too many calls with named arguments\n");
        return at;
    }
    ctx_.namedCalls.push_back(std::move(nc));
    ctx_.code[at].pad = (int16_t)ctx_.namedCalls.size();
    return at;
}

void Compiler::ResolveLabels() {
    for (const auto& j : jumps_) {
        auto it = labels_.find({j.scope, j.name});
        if (it == labels_.end()) {
            int saved = ctx_.line;
            int savedSource = ctx_.currentSource;
            ctx_.line = j.line;
            ctx_.currentSource = j.source;
            ReportError(ctx_, "Label not defined\n");
            ctx_.line = saved;
            ctx_.currentSource = savedSource;
            continue;
        }
        ctx_.code[j.at].a = it->second;
        ctx_.code[j.at].c = it->second;
    }
}

void Compiler::WidenConstantArguments() {
    for (const ConstantArg& c : constantArgs_) {
        Instr& push = ctx_.code[c.push];
        if (push.op != OP_PUSH || push.a <= 0 || c.fn <= 0) continue;
        FuncRec* rec = ctx_.storage[c.fn].v.fn;
        if (!rec || rec->kind != FK_PROC || rec->builtin >= 0 || c.index >= (int)rec->params.size())
            continue;
        const Param& pr = rec->params[c.index];
        const Cell& k = ctx_.storage[push.a];
        bool wider = (k.type == VT_INTEGER && pr.type == VT_LONG) ||
                     ((k.type == VT_INTEGER || k.type == VT_LONG) &&
                      (pr.type == VT_SINGLE || pr.type == VT_DOUBLE));
        if (pr.array || pr.member || !wider) continue;
        auto key = std::make_pair(push.a, pr.type);
        auto it = widened_.find(key);
        if (it == widened_.end()) {
            int32_t v = k.type == VT_INTEGER ? k.v.i : k.v.l;
            int cell = ctx_.NewCell(pr.type, k.name);
            Cell& w = ctx_.storage[cell];
            if (pr.type == VT_LONG)
                SetLong(&w, v);
            else if (pr.type == VT_SINGLE)
                SetSingle(&w, (float)v);
            else
                SetDouble(&w, (double)v);
            w.flags |= CF_CONST;
            it = widened_.emplace(key, cell).first;
        }
        push.a = it->second;
    }
}

// Integer or Long constant cell.
static bool IntConstant(const ScriptContext& ctx, int op) {
    if (op <= 0 || op >= (int)ctx.storage.size()) return false;
    const Cell& k = ctx.storage[op];
    return (k.flags & CF_CONST) && !(k.flags & (CF_REF | CF_HOSTREF | CF_ARRAY)) &&
           (k.type == VT_INTEGER || k.type == VT_LONG);
}

// Index of the runtime built-in `name`, or -1.
static int BuiltinIndex(const char* name) {
    int n = 0;
    const Builtin* t = BuiltinTable(n);
    for (int i = 0; i < n; ++i)
        if (std::strcmp(t[i].name, name) == 0) return i;
    return -1;
}

// The runtime built-in a call instruction's function cell names, or -1.
static int CalledBuiltin(const ScriptContext& ctx, const Instr& call) {
    if (call.a <= 0 || call.a >= (int)ctx.storage.size()) return -1;
    const Cell& f = ctx.storage[call.a];
    if (f.decl != VT_FUNC || !f.v.fn || f.v.fn->kind != FK_LIB) return -1;
    return f.v.fn->builtin;
}

// A push of a variable or constant (not a moved temporary) on `line`.
static bool PlainPush(const Instr& p, int line) {
    return (p.op == OP_PUSH || p.op == OP_PUSHREF) && p.pad == 0 && p.b == -1 && p.c == -1 &&
           p.line == line;
}

// Mid(s, i, n) rel text and InStr(i, s, t) with three pushed arguments: the
// first push carries the call (and the comparison); the rest stay behind it
// for the general path.
static bool SelectTextCall(ScriptContext& ctx, std::vector<Instr>& code, size_t i) {
    static const int kMid = BuiltinIndex("Mid"), kInStr = BuiltinIndex("InStr");
    Instr& in = code[i];
    if (i + 3 >= code.size() || !PlainPush(in, in.line) || !PlainPush(code[i + 1], in.line) ||
        !PlainPush(code[i + 2], in.line))
        return false;
    const Instr& call = code[i + 3];
    if (call.op != OP_CALL || call.pad != 0 || call.c != 3 || call.b == -1 || call.line != in.line)
        return false;
    const int fn = CalledBuiltin(ctx, call);
    if (fn < 0) return false;
    if (fn == kMid && i + 4 < code.size()) {
        const Instr& rel = code[i + 4];
        if (rel.op != OP_JNOTREL || rel.a != call.b || rel.b == call.b || rel.line != in.line ||
            (unsigned)(rel.pad - OP_EQ) > (unsigned)(OP_GE - OP_EQ))
            return false;
        in.pad = (int16_t)in.op;
        in.op = OP_MIDREL;
        in.b = fn;
        return true;
    }
    if (fn == kInStr) {
        in.pad = (int16_t)in.op;
        in.op = OP_INSTR3;
        in.b = fn;
        return true;
    }
    return false;
}

void Compiler::SelectTypedInstructions() {
    std::vector<Instr>& code = ctx_.code;
    for (size_t i = 0; i < code.size(); ++i) {
        Instr& in = code[i];
        if (SelectTextCall(ctx_, code, i)) {
            i += code[i].op == OP_MIDREL ? 4 : 3;
            continue;
        }
        // x = x + k, x = k + x, x = x - k: one instruction on the variable.
        if ((in.op == OP_ADD || in.op == OP_SUB) && in.pad == 0 && in.c != -1) {
            int k = -1;
            bool swapped = false;  // k + x: pad holds -OP_ADD, so the general path keeps the order
            if (in.a == in.c && IntConstant(ctx_, in.b)) {
                k = in.b;
            } else if (in.op == OP_ADD && in.b == in.c && IntConstant(ctx_, in.a)) {
                k = in.a;
                swapped = true;
            }
            if (k != -1) {
                in.pad = (int16_t)(swapped ? -in.op : in.op);
                in.op = OP_ADDK;
                in.a = in.c;
                in.b = k;
            }
        }
        // a(s) = a(s) + k: the read carries the whole update.
        if (in.op == OP_AREAD1 && in.pad == 0 && i + 2 < code.size()) {
            const Instr& op = code[i + 1];
            const Instr& st = code[i + 2];
            bool arith = (op.op == OP_ADD || op.op == OP_SUB) && op.pad == 0 && op.a == in.c &&
                         op.c == in.c && IntConstant(ctx_, op.b);
            if (arith && st.op == OP_ASTORE1 && st.pad == 0 && st.a == in.a && st.b == in.b &&
                st.c == in.c && op.line == in.line && st.line == in.line && in.c != in.b &&
                in.c != in.a) {
                in.op = OP_AUPDK;  // the operation and the store stay for the general path
                i += 2;
                continue;
            }
        }
        if (in.op == OP_NEXT && in.c >= 0 && in.c < (int)code.size() &&
            code[in.c].op == OP_FORTEST && code[in.c].c == (int)i) {
            in.op = OP_NEXTL;
            in.a = code[in.c].a;
            in.b = code[in.c].b;
        }
    }
}

const char* OpName(int op) {
    static const char* const names[OP_COUNT] = {
        "?",       "DIALOG",  "MOVE",     "ASTORE", "JFALSE", "JUMP",  "CASENE",  "GOSUB",
        "BRANCH",  "RETURN",  "LEAVE",    "END",    "CALL",   "OPEN",  "CLOSE",   "PRINT",
        "FORTEST", "NEXT",    "NEXTSTEP", "DOTEST", "LOOP",   "PUSH",  "PUSHREF", "POP",
        "CLEAR",   "RELEASE", "ADD",      "POW",    "MOD",    "AREAD", "CONCAT",  "SUB",
        "MUL",     "DIV",     "AND",      "OR",     "EQ",     "NE",    "LT",      "GT",
        "LE",      "GE",      "NEG",      "NOT",    "JTRUE",  "AREF",  "AREAD1",  "ASTORE1",
        "JNOTREL", "SETREF",  "PUSHOP",   "ADDK",   "NEXTL",  "AUPDK", "MIDREL",  "INSTR3"};
    return op > 0 && op < OP_COUNT ? names[op] : "?";
}

std::string ListCode(const ScriptContext& ctx) {
    std::string out;
    char buf[128];
    for (size_t i = 0; i < ctx.code.size(); ++i) {
        const Instr& in = ctx.code[i];
        if (in.op == OP_ADDK)
            std::snprintf(buf, sizeof buf, "%zu %s.%s%s %d %d %d ; line %d\n", i, OpName(in.op),
                          in.pad < 0 ? "R" : "", OpName(in.pad < 0 ? -in.pad : in.pad), in.a, in.b,
                          in.c, in.line);
        else if (in.op == OP_JNOTREL || in.op == OP_PUSHOP || in.op == OP_MIDREL ||
                 in.op == OP_INSTR3)
            std::snprintf(buf, sizeof buf, "%zu %s.%s %d %d %d ; line %d\n", i, OpName(in.op),
                          OpName(in.pad), in.a, in.b, in.c, in.line);
        else
            std::snprintf(buf, sizeof buf, "%zu %s %d %d %d ; line %d\n", i, OpName(in.op), in.a,
                          in.b, in.c, in.line);
        out += buf;
    }
    return out;
}

int32_t CompileProgram(ScriptContext& ctx, bool replay) {
    std::vector<StreamToken> tokens;
    std::vector<std::string> names;
    if (replay) {
        tokens.swap(ctx.stream);
        names.swap(ctx.replayNames);
    }
    Compiler c(ctx, replay, &tokens, &names);
    int32_t r = c.Run();
    if (replay) ctx.stream.swap(tokens);
    return r;
}

}  // namespace tessel
