// builtins.cpp: predeclaration of the runtime functions and the call path
// that converts their arguments; the table itself is builtins_runtime.cpp.
#include "engine/builtins.h"

#include <strings.h>

#include <cctype>
#include <cstring>

#include "engine/builtins_runtime.h"

namespace tessel {

const Builtin* BuiltinTable(int& count) {
    return RuntimeBuiltins(count);  // builtins_runtime.cpp
}

int FindBuiltinByExport(const std::string& name) {
    int n;
    const Builtin* t = BuiltinTable(n);
    for (int i = 0; i < n; ++i)
        if (name == t[i].exportName) return i;
    return -1;
}

bool IsEngineLibrary(const std::string& library) {
    return strcasecmp(library.c_str(), "tessel32.dll") == 0 ||
           strcasecmp(library.c_str(), "tessel32") == 0 || library == "libtessel32.so";
}

static uint16_t CodeOfLetter(char c) {
    switch (c) {
        case 'D':
            return TC_DOUBLE;
        case 'I':
            return TC_INTEGER;
        case 'L':
        case 'N':
            return TC_LONG;
        case 'S':
            return TC_STRING;
        default:
            return TC_VARIANT;
    }
}

void PredeclareBuiltins(ScriptContext& ctx) {
    int n;
    const Builtin* t = BuiltinTable(n);
    std::string err;
    for (int i = 0; i < n; ++i) {
        if (!t[i].name[0]) continue;  // export only
        int name = ctx.names.Enter(t[i].name, false, err);
        if (name < 0) continue;
        auto rec = std::make_unique<FuncRec>();
        rec->kind = FK_LIB;
        rec->name = t[i].name;
        rec->alias = t[i].exportName;
        rec->library = "tessel32.dll";
        rec->builtin = i;
        rec->retCode = t[i].ret;
        rec->retType = t[i].ret ? ValueTypeOf(t[i].ret) : 0;
        rec->isSub = t[i].ret == 0;
        for (const char* p = t[i].params; *p; ++p) {
            Param pr;
            pr.code = CodeOfLetter(*p);
            pr.type = ValueTypeOf(pr.code);
            pr.code = RuntimeParamCode(*p, pr.code);
            pr.byVal = true;
            rec->params.push_back(pr);
        }
        int cell = ctx.NewCell(VT_FUNC, name);
        ctx.storage[cell].type = VT_FUNC;
        ctx.storage[cell].v.fn = rec.get();
        ctx.funcs.push_back(std::move(rec));
        ctx.names[name].globalCell = cell;
        // Keywords that also name runtime functions (String) keep their kind.
        if (ctx.names[name].kind == T_IDENT)
            ctx.names[name].kind = t[i].ret ? T_DECLFUNC : T_DECLSUB;
        ctx.names[name].type = TC_FUNCTION;
    }
}

bool CallBuiltin(ScriptContext& ctx, int index, Cell* args, int nargs, Cell* out,
                 std::string& err) {
    int n;
    const Builtin* t = BuiltinTable(n);
    if (index < 0 || index >= n) {
        err = "NULL function\n";
        return false;
    }
    const Builtin& b = t[index];
    // Lower-case letters mark optional trailing parameters (0 when missing).
    static int wants[256], requires_[256];
    static bool counted = false;
    if (!counted) {
        for (int i = 0; i < n && i < 256; ++i) {
            wants[i] = (int)std::strlen(t[i].params);
            for (const char* p = t[i].params; *p; ++p)
                if (std::isupper((unsigned char)*p)) ++requires_[i];
        }
        counted = true;
    }
    int want = wants[index], required = requires_[index];
    if (nargs < required) {
        err = "Argument not optional\n";
        return false;
    }
    if (nargs > want) {
        err = "Wrong number of arguments\n";
        return false;
    }
    for (int i = 0; i < nargs; ++i) {
        Cell* a = args + i;
        char want = b.params[i] & ~0x20;  // upper case
        if (want != 'S' && want != 'V') Materialize(a);
        if ((want == 'N' || want == 'L') && a->type == VT_INTEGER) {
            if (want == 'N' && a->v.i < 0) {
                err = "Invalid procedure call\n";
                return false;
            }
            SetLong(a, a->v.i);
            continue;
        }
        if (!(a->flags & CF_HOSTREF) &&
            ((want == 'S' && a->type == VT_STRING) || (want == 'D' && a->type == VT_DOUBLE) ||
             (want == 'I' && a->type == VT_INTEGER) || (want == 'L' && a->type == VT_LONG)))
            continue;
        switch (want) {
            case 'D': {
                double d;
                if (!GetDouble(a, d, err)) return false;
                a->s.clear();
                SetDouble(a, d);
                break;
            }
            case 'I': {
                int16_t v;
                if (!GetShort(a, v, err)) return false;
                a->s.clear();
                SetInteger(a, v);
                break;
            }
            case 'L': {
                int32_t v;
                if (!GetLong(a, v, err)) return false;
                a->s.clear();
                SetLong(a, v);
                break;
            }
            case 'N': {
                int32_t v;
                if (!GetLong(a, v, err)) return false;
                if (v < 0 || v > 65000) {
                    err = "Invalid procedure call\n";
                    return false;
                }
                a->s.clear();
                SetLong(a, v);
                break;
            }
            case 'S': {
                Materialize(a);
                std::string s;
                if (!GetString(a, s, err)) return false;
                SetString(a, std::move(s));
                break;
            }
            default:
                break;
        }
    }
    if (nargs < want) {
        // Missing optional arguments: the function sees zeros after the given ones.
        Cell full[8];
        for (int i = 0; i < nargs; ++i) {
            Materialize(&args[i]);
            CopyValue(&full[i], &args[i]);
            full[i].flags = args[i].flags & CF_LINKED;
            full[i].link = args[i].link;
        }
        for (int i = nargs; i < want && i < 8; ++i)
            SetLong(&full[i], 0), full[i].v.i = 0, full[i].type = VT_INTEGER;
        return b.fn(ctx, full, want, out, err);
    }
    return b.fn(ctx, args, nargs, out, err);
}

}  // namespace tessel
