// external.cpp: calls of App functions (resolved once through the host's
// get-proc-address callback) and Lib functions (dlopen/dlsym), built with
// libffi from the declared parameter and return types; calls of undefined
// functions through the host's callback.
#include <dlfcn.h>
#include <ffi.h>

#include <cstring>
#include <memory>

#include "engine/builtins.h"

namespace tessel {

static std::string Fmt(const char* fmt, const std::string& s) {
    char buf[400];
    std::snprintf(buf, sizeof buf, fmt, s.substr(0, 300).c_str());
    return buf;
}

static bool Resolve(ScriptContext& ctx, FuncRec* fn, std::string& err) {
    if (fn->resolved) return true;
    if (fn->kind == FK_APP) {
        if (!ctx.procCb) {
            err = Fmt("No function address for: %s\n", fn->name);
            return false;
        }
        fn->address = ctx.procCb(ctx.handle, fn->alias.c_str());
        if (!fn->address) {
            err = Fmt("No function address for: %s\n", fn->name);
            return false;
        }
    } else if (IsEngineLibrary(fn->library)) {
        fn->builtin = FindBuiltinByExport(fn->alias);
        if (fn->builtin < 0) {
            err = Fmt("No function address for: %s\n", fn->name);
            return false;
        }
    } else {
        fn->library_handle = dlopen(fn->library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!fn->library_handle) {
            err = Fmt("Error loading library %s\n", fn->library);
            return false;
        }
        fn->address = dlsym(fn->library_handle, fn->alias.c_str());
        if (!fn->address) {
            err = Fmt("No function address for: %s\n", fn->name);
            return false;
        }
    }
    fn->resolved = true;
    return true;
}

namespace {
// The call interface of a declaration, prepared at the first call.
struct CallInfo {
    ffi_cif cif;
    std::vector<ffi_type*> types;
    bool direct = false;  // every argument and the result in integer registers
};

#if defined(__x86_64__) && defined(__linux__)
constexpr int kDirectMaxArgs = 6;  // the integer argument registers

// True when the call can skip libffi: at most six arguments, each a 16- or
// 32-bit integer or a pointer, and a result that is nothing, such an
// integer or a pointer. The x86-64 System V convention then passes every
// argument in an integer register as a sign-extended word and returns in
// rax, exactly as libffi would set them up.
bool DirectShape(ffi_type* const* types, int np, ffi_type* rtype) {
    if (np > kDirectMaxArgs) return false;
    for (int i = 0; i < np; ++i)
        if (types[i] != &ffi_type_sint16 && types[i] != &ffi_type_sint32 &&
            types[i] != &ffi_type_pointer)
            return false;
    return rtype == &ffi_type_void || rtype == &ffi_type_sint16 || rtype == &ffi_type_sint32 ||
           rtype == &ffi_type_pointer;
}

// Calls through a prototype of word arguments. It is variadic so that the
// caller also clears al (the count of vector registers a variadic callee
// reads); a fixed-argument callee ignores it.
intptr_t CallDirect(void* address, ffi_type* const* types, void* const* values, int np) {
    intptr_t w[kDirectMaxArgs] = {};
    for (int i = 0; i < np; ++i) {
        if (types[i] == &ffi_type_sint16)
            w[i] = *static_cast<const int16_t*>(values[i]);
        else if (types[i] == &ffi_type_sint32)
            w[i] = *static_cast<const int32_t*>(values[i]);
        else
            w[i] = reinterpret_cast<intptr_t>(*static_cast<void* const*>(values[i]));
    }
    using Fn = intptr_t (*)(...);
    Fn f = reinterpret_cast<Fn>(address);
    switch (np) {
        case 0:
            return f();
        case 1:
            return f(w[0]);
        case 2:
            return f(w[0], w[1]);
        case 3:
            return f(w[0], w[1], w[2]);
        case 4:
            return f(w[0], w[1], w[2], w[3]);
        case 5:
            return f(w[0], w[1], w[2], w[3], w[4]);
        default:
            return f(w[0], w[1], w[2], w[3], w[4], w[5]);
    }
}
#else
bool DirectShape(ffi_type* const*, int, ffi_type*) {
    return false;
}
intptr_t CallDirect(void*, ffi_type* const*, void* const*, int) {
    return 0;
}
#endif
void FreeCallInfo(void* p) {
    delete static_cast<CallInfo*>(p);
}

// Storage of one argument for the duration of a call.
// Plain data: nothing to construct per call; each field is set before use.
struct ArgSlot {
    int16_t i;
    int32_t l;
    float f;
    double d;
    const char* ptr;
    void* address;
    TesArray* array;
    TesVariant variant;
};
}  // namespace

bool CallExternal(ScriptContext& ctx, FuncRec* fn, Cell* args, int nargs, Cell* out,
                  std::string& err) {
    if (ctx.sandbox && !(fn->kind == FK_LIB && IsEngineLibrary(fn->library))) {
        err = Fmt("External call refused: %s\n", fn->name);
        return false;
    }
    if (!Resolve(ctx, fn, err)) return false;
    if (fn->builtin >= 0) return CallBuiltin(ctx, fn->builtin, args, nargs, out, err);
    int np = (int)fn->params.size();
    if (nargs > np) {
        char buf[400];
        std::snprintf(buf, sizeof buf,
                      "Argument-count mismatch - %s takes %d arguments - %d pushed\n",
                      fn->name.substr(0, 200).c_str(), np, nargs);
        err = buf;
        return false;
    }
    // Small declarations use storage on the machine stack; no allocation per call.
    ffi_type* typeBuf[16];
    std::vector<ffi_type*> typeVec(np > 16 ? np : 0);
    ffi_type** types = np > 16 ? typeVec.data() : typeBuf;
    void* valueBuf[16];
    std::vector<void*> valueVec(np > 16 ? np : 0);
    void** values = np > 16 ? valueVec.data() : valueBuf;
    ArgSlot slotBuf[8];
    std::vector<ArgSlot> slotVec(np > 8 ? np : 0);
    ArgSlot* slots = np > 8 ? slotVec.data() : slotBuf;
    std::vector<std::string> texts;  // String arguments; reserved once so pointers stay valid
    auto text = [&]() -> std::string& {
        if (texts.capacity() == 0) texts.reserve(np);
        texts.emplace_back();
        return texts.back();
    };
    Cell empty;
    for (int i = 0; i < np; ++i) {
        const Param& p = fn->params[i];
        Cell* a = i < nargs ? args + i : &empty;  // missing trailing arguments are 0 or ""
        ArgSlot& s = slots[i];
        if (p.array) {
            Cell* target = (a->flags & CF_LINKED) && a->link ? Deref(a->link) : nullptr;
            if (!target || !(target->flags & CF_ARRAY)) {
                err = "Parameter mismatch\n";
                return false;
            }
            s.array = &target->v.arr->desc;
            s.address = &s.array;
            types[i] = &ffi_type_pointer;
            values[i] = &s.address;
            continue;
        }
        switch (p.type) {
            case VT_INTEGER:
                if (!GetShort(a, s.i, err)) return false;
                break;
            case VT_LONG:
                if (!GetLong(a, s.l, err)) return false;
                break;
            case VT_SINGLE:
                if (!GetDouble(a, s.d, err)) return false;
                s.f = (float)s.d;
                break;
            case VT_DOUBLE:
                if (!GetDouble(a, s.d, err)) return false;
                break;
            case VT_STRING: {
                std::string& t = text();
                if (!GetString(a, t, err)) return false;
                s.ptr = t.c_str();
                break;
            }
            default: {
                uint16_t t = TypeOf(a);
                s.variant = TesVariant{};
                s.variant.vt = t;
                if (t == VT_INTEGER)
                    GetShort(a, s.variant.u.iVal, err);
                else if (t == VT_LONG)
                    GetLong(a, s.variant.u.lVal, err);
                else if (t == VT_SINGLE) {
                    double d;
                    GetDouble(a, d, err);
                    s.variant.u.fltVal = (float)d;
                } else if (t == VT_DOUBLE)
                    GetDouble(a, s.variant.u.dblVal, err);
                else if (t == VT_STRING) {
                    std::string& x = text();
                    GetString(a, x, err);
                    s.variant.u.strVal = x.data();
                } else if (t == VT_OBJECT && !(a->flags & CF_ARRAY))
                    s.variant.u.objVal = Deref(a)->v.obj;  // lent
                else
                    s.variant.vt = VT_EMPTY;
                s.address = &s.variant;
                types[i] = &ffi_type_pointer;
                values[i] = &s.address;
                continue;
            }
        }
        void* storage = p.type == VT_INTEGER  ? (void*)&s.i
                        : p.type == VT_LONG   ? (void*)&s.l
                        : p.type == VT_SINGLE ? (void*)&s.f
                        : p.type == VT_DOUBLE ? (void*)&s.d
                                              : (void*)&s.ptr;
        if (p.byVal) {
            types[i] = p.type == VT_INTEGER  ? &ffi_type_sint16
                       : p.type == VT_LONG   ? &ffi_type_sint32
                       : p.type == VT_SINGLE ? &ffi_type_float
                       : p.type == VT_DOUBLE ? &ffi_type_double
                                             : &ffi_type_pointer;
            values[i] = storage;
        } else {
            s.address = p.type == VT_STRING ? (void*)s.ptr : storage;
            types[i] = &ffi_type_pointer;
            values[i] = &s.address;
        }
    }
    ffi_type* rtype;
    uint16_t rt = fn->isSub ? 0 : fn->retType;
    switch (rt) {
        case 0:
            rtype = &ffi_type_void;
            break;
        case VT_INTEGER:
            rtype = &ffi_type_sint16;
            break;
        case VT_LONG:
            rtype = &ffi_type_sint32;
            break;
        case VT_SINGLE:
            rtype = &ffi_type_float;
            break;
        case VT_DOUBLE:
            rtype = &ffi_type_double;
            break;
        case VT_STRING:
            rtype = &ffi_type_pointer;
            break;
        default: {
            char buf[400];
            std::snprintf(buf, sizeof buf, "unrecognized return type: %d for %s\n", fn->retCode,
                          fn->name.substr(0, 200).c_str());
            err = buf;
            return false;
        }
    }
    if (!fn->callInfo) {
        auto* info = new CallInfo;
        info->types.assign(types, types + np);
        if (ffi_prep_cif(&info->cif, FFI_DEFAULT_ABI, (unsigned)np, rtype, info->types.data()) !=
            FFI_OK) {
            delete info;
            err = Fmt("TESSEL ERROR: DoCallFunc - unknown type %s\n", fn->name);
            return false;
        }
        info->direct = DirectShape(types, np, rtype);
        fn->callInfo = info;
        fn->freeCallInfo = FreeCallInfo;
    }
    CallInfo& info = *static_cast<CallInfo*>(fn->callInfo);
    union {
        ffi_arg word;
        float f;
        double d;
        void* p;
        char pad[16];
    } result;
    std::memset(&result, 0, sizeof result);
    if (info.direct) {
        // Only the low 16 or 32 bits of an integer result are defined; the
        // conversions below take just those.
        const intptr_t word = CallDirect(fn->address, types, values, np);
        if (rt == VT_STRING)
            result.p = reinterpret_cast<void*>(word);
        else
            result.word = ffi_arg(word);
    } else {
        ffi_call(&info.cif, FFI_FN(fn->address), &result, values);
    }
    // By-reference arguments: what the callee wrote goes back to the variables.
    for (int i = 0; i < np && i < nargs; ++i) {
        const Param& p = fn->params[i];
        if (p.byVal || p.array || p.type == VT_STRING || p.type == VT_VARIANT) continue;
        Cell* a = args + i;
        Cell v;
        switch (p.type) {
            case VT_INTEGER:
                SetInteger(&v, slots[i].i);
                break;
            case VT_LONG:
                SetLong(&v, slots[i].l);
                break;
            case VT_SINGLE:
                SetSingle(&v, slots[i].f);
                break;
            case VT_DOUBLE:
                SetDouble(&v, slots[i].d);
                break;
        }
        if ((a->flags & CF_LINKED) && a->link) {
            if (!Assign(a->link, &v, err)) return false;
        } else if ((a->flags & CF_LINKRAW) && a->link) {
            Cell view;
            view.decl = (uint16_t)a->fixedLen;
            view.flags = CF_HOSTREF;
            view.v.host = a->link;
            bool ok = Assign(&view, &v, err);
            view.flags = 0;
            if (!ok) return false;
        }
    }
    switch (rt) {
        case VT_INTEGER:
            SetInteger(out, (int16_t)result.word);
            break;
        case VT_LONG:
            SetLong(out, (int32_t)result.word);
            break;
        case VT_SINGLE:
            SetSingle(out, result.f);
            break;
        case VT_DOUBLE:
            SetDouble(out, result.d);
            break;
        case VT_STRING:
            SetString(out, result.p ? (const char*)result.p : "");
            break;  // copied, never freed
        default:
            break;
    }
    return true;
}

bool CallUndefined(ScriptContext& ctx, FuncRec* fn, Cell* args, int nargs,
                   const std::vector<int32_t>* names, Cell* out, std::string& err) {
    if (!ctx.undefFuncCb) {
        err = Fmt("Attempting to call undefined function: %s\n", fn->name);
        return false;
    }
    // Variants last argument first, so the named ones (written last) lead.
    std::vector<TesVariant> vars(nargs);
    std::vector<std::string> texts(nargs);
    for (int i = 0; i < nargs; ++i) {
        Cell* a = args + (nargs - 1 - i);
        bool array = (a->flags & CF_ARRAY) ||
                     ((a->flags & CF_LINKED) && a->link && (Deref(a->link)->flags & CF_ARRAY));
        if (TypeOf(a) == VT_USER || array) {
            vars[i] = TesVariant{};  // a user-type or array argument passes as Empty, as before
            continue;
        }
        if (!SetVariantFromVar(a, vars[i], texts[i], err)) return false;
    }
    NamedArgs named;
    TesArgList list = MakeArgList(ctx, vars.data(), nargs, names, named);
    TesVariant result{};
    if (ctx.undefFuncCb(ctx.handle, fn->name.c_str(), &list, &result) != 0) return true;
    VariantToCell(ctx, result, *out, true);
    return true;
}

}  // namespace tessel
