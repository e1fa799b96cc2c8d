// objects.cpp: object values and member calls. Objects are TesDispatch
// interfaces held by reference in cells; host objects (registered with
// tesSetGlobalCPPObjectRef or answered by the host's callbacks) are wrapped in
// an engine-made TesDispatch whose invoke calls the host's member routine.
#include <strings.h>

#include <cctype>
#include <cstring>

#include "engine/context.h"

namespace tessel {

ScriptContext* FindContext(TesContext h);  // api.cpp

namespace {

constexpr int32_t kNoRoutine = (int32_t)0x8002FFF0;  // engine-internal: no member routine

// Member names of host objects, numbered once for all host objects so that
// one cached id serves every host object (they share one interface table).
struct MemberNames {
    std::vector<std::string> names;
    std::unordered_map<std::string, int32_t> ids;
};
MemberNames& HostMembers() {
    static MemberNames m;
    return m;
}

std::string Upper(const std::string& s) {
    std::string u = s;
    for (auto& ch : u) ch = (char)std::toupper((unsigned char)ch);
    return u;
}

struct HostObject {
    TesDispatch base;
    uint32_t refs;
    TesContext context;
    void* object;
    TesUserTypeRoutine routine;  // null: the user type subsystem's routine
    intptr_t datum;
    bool subsystem;
    TesHostObjectFree onFree;
};

uint32_t HostAddRef(TesDispatch* d) {
    return ++reinterpret_cast<HostObject*>(d)->refs;
}

uint32_t HostRelease(TesDispatch* d) {
    HostObject* h = reinterpret_cast<HostObject*>(d);
    uint32_t r = --h->refs;
    if (r == 0) {
        if (h->onFree) h->onFree(h->object, h->datum);
        delete h;
    }
    return r;
}

int32_t HostGetId(TesDispatch*, const char* name, int32_t* id) {
    if (!name || !id) return TES_DISP_E_UNKNOWNNAME;
    MemberNames& m = HostMembers();
    std::string key = Upper(name);
    auto it = m.ids.find(key);
    if (it == m.ids.end()) {
        m.names.push_back(name);
        it = m.ids.emplace(key, (int32_t)m.names.size()).first;
    }
    *id = it->second;
    return 0;
}

int32_t HostInvoke(TesDispatch* d, int32_t id, int32_t flags, TesArgList* args, TesVariant* result,
                   char* errorText, size_t errorSize) {
    HostObject* h = reinterpret_cast<HostObject*>(d);
    TesUserTypeRoutine routine = h->routine;
    intptr_t datum = h->datum;
    if (h->subsystem) {
        ScriptContext* ctx = FindContext(h->context);
        routine = ctx ? ctx->userTypeRoutine : nullptr;
        datum = ctx ? ctx->userTypeDatum : 0;
    }
    if (!routine) return kNoRoutine;
    const MemberNames& m = HostMembers();
    if (id < 0 || id > (int32_t)m.names.size()) return TES_DISP_E_MEMBERNOTFOUND;
    const char* name = id == 0 ? "" : m.names[id - 1].c_str();
    TesArgList none{nullptr, nullptr, 0, 0, nullptr};
    int32_t r = routine(h->context, flags, h->object, name, args ? args : &none, result, datum);
    if (r == TES_DISP_E_EXCEPTION && result->vt == TES_VT_STRING && result->u.strVal && errorText &&
        errorSize) {
        std::snprintf(errorText, errorSize, "%s", result->u.strVal);
        *result = TesVariant{};
    }
    return r;
}

const TesDispatchVtbl kHostVtbl = {HostAddRef, HostRelease, HostGetId, HostInvoke};

TesDispatch* NewHostObject(TesContext context, void* object, TesUserTypeRoutine routine,
                           intptr_t datum, bool subsystem) {
    HostObject* h =
        new HostObject{{&kHostVtbl}, 1, context, object, routine, datum, subsystem, nullptr};
    return &h->base;
}

std::string Hex(const char* fmt, int32_t code) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, (unsigned long)(uint32_t)code);
    return buf;
}

std::string NameMsg(const char* fmt, const std::string& name) {
    char buf[400];
    std::snprintf(buf, sizeof buf, fmt, name.substr(0, 300).c_str());
    return buf;
}

// The message of a failed invoke.
std::string InvokeError(int32_t r, const char* description, const std::string& member,
                        bool isDefault) {
    switch (r) {
        case TES_DISP_E_EXCEPTION: {
            std::string text(description ? description : "");
            if (text.size() > 1024) text.resize(1024);
            if (text.empty() || text.back() != '\n') text += '\n';
            return text;
        }
        case TES_DISP_E_TYPEMISMATCH:
            return "Type mismatch\n";
        case TES_DISP_E_PARAMNOTOPTIONAL:
            return "Missing parameter(s)\n";
        case TES_DISP_E_UNKNOWNNAME:
            return NameMsg("Unknown name: %s\n", member);
        case TES_DISP_E_MEMBERNOTFOUND:
            if (isDefault) return "Object does not have default property\n";
            return Hex("Invoke returned: %lx\n", r);
        case kNoRoutine:
            return "Invalid user type callback in stream!!!!\n";
        default:
            return Hex("Invoke returned: %lx\n", r);
    }
}

// Calls invoke and takes the result into out.
bool Invoke(TesDispatch* d, int32_t id, int32_t flags, TesArgList* args, Cell* out,
            const std::string& member, std::string& err) {
    TesVariant result{};
    char description[1100] = "";
    int32_t r = d->vtbl->invoke(d, id, flags, args, &result, description, sizeof description);
    if (r != 0) {
        err = InvokeError(r, description, member, id == TES_DISPID_VALUE && member.empty());
        return false;
    }
    ScriptContext* ctx = CurrentContext();
    if (!ctx || !VariantToCell(*ctx, result, *out, true)) {
        // A result of a type the engine does not hold: Empty.
        if (out->OwnsObject())
            out->DropObject();
        else if (!(out->flags & (CF_HOSTREF | CF_ARRAY)))
            out->type = VT_EMPTY;
    }
    return true;
}

bool ObjectOf(const Cell* c, TesDispatch*& d, std::string& err) {
    const Cell* o = Deref(const_cast<Cell*>(c));
    if (o->type != VT_OBJECT || (o->flags & (CF_HOSTREF | CF_ARRAY))) {
        err = "Unknown type in GetDispatch()\n";
        return false;
    }
    d = o->v.obj;
    if (!d) {
        err = "Object variable not set\n";
        return false;
    }
    return true;
}

}  // namespace

void SetObject(Cell* c, TesDispatch* d) {
    c->DropObject();
    c->s.clear();
    c->type = VT_OBJECT;
    c->v.obj = d;
}

void MoveValue(Cell* dst, Cell* src) {
    if (dst == src) return;
    dst->DropObject();
    dst->type = src->type;
    if (src->type == VT_STRING)
        dst->s.swap(src->s);
    else
        dst->v = src->v;
    if (src->OwnsObject()) {
        src->v.obj = nullptr;
        src->type = VT_EMPTY;
    }
}

bool DefaultValue(const Cell* c, Cell& out, std::string& err) {
    TesDispatch* d;
    if (!ObjectOf(c, d, err)) return false;
    TesArgList none{nullptr, nullptr, 0, 0, nullptr};
    return Invoke(d, TES_DISPID_VALUE, TES_DISPATCH_PROPERTYGET, &none, &out, "", err);
}

bool PutDefault(Cell* obj, const Cell* value, std::string& err) {
    TesDispatch* d;
    if (!ObjectOf(obj, d, err)) return false;
    TesVariant arg{};
    std::string text;
    if (!SetVariantFromVar(value, arg, text, err)) return false;
    if (arg.vt == TES_VT_OBJECT && arg.u.objVal == d) {
        err = "Type mismatch\n";  // an object assigned to itself
        return false;
    }
    d->vtbl->addRef(d);  // the put may make the cell drop the object
    TesArgList list{&arg, nullptr, 1, 0, nullptr};
    Cell ignored;
    bool ok = Invoke(d, TES_DISPID_VALUE, TES_DISPATCH_PROPERTYPUT, &list, &ignored, "", err);
    d->vtbl->release(d);
    return ok;
}

bool SetReference(Cell* dst0, const Cell* src0, std::string& err) {
    Cell* dst = Deref(dst0);
    const Cell* src = Deref(const_cast<Cell*>(src0));
    if ((dst->flags & (CF_HOSTREF | CF_ARRAY)) ||
        (dst->decl != VT_OBJECT && dst->decl != VT_VARIANT) || src->type != VT_OBJECT ||
        (src->flags & (CF_HOSTREF | CF_ARRAY))) {
        err = "Type mismatch\n";
        return false;
    }
    CopyValue(dst, src);
    return true;
}

bool SetVariantFromVar(const Cell* c0, TesVariant& v, std::string& text, std::string& err) {
    v = TesVariant{};
    const Cell* c = Deref(const_cast<Cell*>(c0));
    uint16_t t = TypeOf(c);
    bool array =
        (c->flags & CF_ARRAY) || ((c->flags & CF_LINKED) && c->link &&
                                  (Deref(c->link)->flags & CF_ARRAY));  // a pushed array name
    if (array) t = VT_EMPTY | TES_VT_ARRAY;
    v.vt = t;
    switch (t) {
        case VT_EMPTY:
            return true;
        case VT_INTEGER:
            return GetShort(c, v.u.iVal, err);
        case VT_LONG:
            return GetLong(c, v.u.lVal, err);
        case VT_SINGLE: {
            double d;
            if (!GetDouble(c, d, err)) return false;
            v.u.fltVal = (float)d;
            return true;
        }
        case VT_DOUBLE:
            return GetDouble(c, v.u.dblVal, err);
        case VT_STRING:
            Materialize(const_cast<Cell*>(c));
            text = c->s;
            v.u.strVal = text.data();
            return true;
        case VT_OBJECT:
            v.u.objVal = c->v.obj;
            return true;
        default: {
            char buf[96];
            std::snprintf(buf, sizeof buf, "Unknown type: %d in SetVariantFromVar\n", (int)t);
            err = buf;
            return false;
        }
    }
}

bool VariantToCell(ScriptContext& ctx, const TesVariant& v, Cell& c, bool adopt) {
    bool ref = (v.vt & TES_VT_BYREF) != 0;
    switch (v.vt & 0xFFF) {
        case VT_EMPTY:
            if (c.OwnsObject())
                c.DropObject();
            else if (!(c.flags & (CF_HOSTREF | CF_ARRAY)))
                c.type = VT_EMPTY;
            return true;
        case VT_NULL:  // kept as Null: a value without a text or number form
            SetInteger(&c, 0);
            c.type = VT_NULL;
            return true;
        case VT_INTEGER:
            SetInteger(&c, ref ? *(int16_t*)v.u.byref : v.u.iVal);
            return true;
        case VT_LONG:
            SetLong(&c, ref ? *(int32_t*)v.u.byref : v.u.lVal);
            return true;
        case VT_SINGLE:
            SetSingle(&c, ref ? *(float*)v.u.byref : v.u.fltVal);
            return true;
        case VT_DOUBLE:
            SetDouble(&c, ref ? *(double*)v.u.byref : v.u.dblVal);
            return true;
        case VT_STRING:
            SetString(&c, v.u.strVal ? v.u.strVal : "");
            return true;
        case VT_OBJECT: {
            if (ref) return false;
            TesDispatch* d = static_cast<TesDispatch*>(v.u.objVal);
            if (d && !adopt) d->vtbl->addRef(d);
            SetObject(&c, d);
            return true;
        }
        case TES_VT_HOSTOBJECT:
            if (ref) return false;
            SetObject(
                &c, v.u.objVal ? NewHostObject(ctx.handle, v.u.objVal, nullptr, 0, true) : nullptr);
            return true;
        default:
            return false;
    }
}

TesDispatch* NewRegisteredHostObject(TesContext context, void* object, TesUserTypeRoutine routine,
                                     intptr_t datum) {
    return NewHostObject(context, object, routine, datum, routine == nullptr);
}

void SetHostObjectFree(TesDispatch* d, TesHostObjectFree onFree) {
    if (d && d->vtbl == &kHostVtbl) reinterpret_cast<HostObject*>(d)->onFree = onFree;
}

void DeclareHostObjects(ScriptContext& ctx) {
    std::string err;
    for (auto& h : ctx.hostObjects) {
        int n = ctx.names.Enter(h.first, false, err);
        if (n < 0) {
            ReportError(ctx, err);
            continue;
        }
        NameEntry& e = ctx.names[n];
        if (e.globalCell > 0 || e.kind != T_IDENT) {
            ReportError(ctx, NameMsg("Duplicate definition: %s\n", h.first));
            continue;
        }
        int cell = ctx.NewCell(VT_VARIANT, n);
        h.second->vtbl->addRef(h.second);
        SetObject(&ctx.storage[cell], h.second);
        e.globalCell = cell;
        e.kind = T_DECLOBJNAME;
        e.type = TC_VARIANT;
    }
}

void ReleaseHostObjects(ScriptContext& ctx) {
    auto list = std::move(ctx.hostObjects);
    ctx.hostObjects.clear();
    for (auto& h : list) h.second->vtbl->release(h.second);
}

int MemberRecord(ScriptContext& ctx, const std::string& member, int flags, bool chained) {
    std::string key = Upper(member) + (char)('0' + flags) + (chained ? "c" : "");
    auto it = ctx.memberRecords.find(key);
    if (it != ctx.memberRecords.end()) return it->second;
    auto rec = std::make_unique<FuncRec>();
    rec->kind = FK_MEMBER;
    rec->name = member;
    rec->alias = member;
    rec->dispFlags = flags;
    rec->chained = chained;
    int cell = ctx.NewCell(VT_FUNC, 0);
    ctx.storage[cell].type = VT_FUNC;
    ctx.storage[cell].v.fn = rec.get();
    ctx.funcs.push_back(std::move(rec));
    ctx.memberRecords.emplace(key, cell);
    return cell;
}

TesArgList MakeArgList(const ScriptContext& ctx, TesVariant* vars, int nargs,
                       const std::vector<int32_t>* names, NamedArgs& named) {
    if (names && (int)names->size() == nargs) {
        for (int i = 0; i < nargs && (*names)[nargs - 1 - i] >= 0; ++i) {
            named.ids.push_back(i);
            named.texts.push_back(ctx.names[(*names)[nargs - 1 - i]].text.c_str());
        }
    }
    return TesArgList{vars, named.ids.empty() ? nullptr : named.ids.data(), (uint32_t)nargs,
                      (uint32_t)named.ids.size(),
                      named.texts.empty() ? nullptr : named.texts.data()};
}

bool CallMember(ScriptContext& ctx, FuncRec* fn, Cell* obj, Cell* args, int nargs,
                const std::vector<int32_t>* names, Cell* out, std::string& err) {
    if (fn->dispFlags < TES_DISPATCH_METHOD || fn->dispFlags > TES_DISPATCH_PROPERTYPUT) {
        err = "Invalid user type callback in stream!!!!\n";
        return false;
    }
    const Cell* o = Deref(obj);
    if (o->type != VT_OBJECT || (o->flags & (CF_HOSTREF | CF_ARRAY))) {
        err = "Unknown type in GetDispatch()\n";
        return false;
    }
    TesDispatch* d = o->v.obj;
    if (!d) {
        err = fn->chained ? "Object Method returned Null Object\n" : "Object variable not set\n";
        return false;
    }
    // The member id, resolved once for objects of one kind.
    if (fn->idFor != (const void*)d->vtbl) {
        int32_t id = 0;
        int32_t r = d->vtbl->getIdOfName(d, fn->name.c_str(), &id);
        if (r == TES_DISP_E_UNKNOWNNAME) {
            err = NameMsg("Unknown name: %s\n", fn->name);
            return false;
        }
        if (r != 0) {
            char buf[400];
            std::snprintf(buf, sizeof buf, "GetIDsOfNames returned: %lx for %s\n",
                          (unsigned long)(uint32_t)r, fn->name.substr(0, 300).c_str());
            err = buf;
            return false;
        }
        fn->memberId = id;
        fn->idFor = d->vtbl;
    }
    // Arguments last first; named ones (written last) therefore come first.
    std::vector<TesVariant> vars(nargs);
    std::vector<std::string> texts(nargs);
    for (int i = 0; i < nargs; ++i) {
        if (!SetVariantFromVar(args + (nargs - 1 - i), vars[i], texts[i], err)) return false;
        if (vars[i].vt == TES_VT_STRING) vars[i].u.strVal = texts[i].data();
    }
    NamedArgs named;
    TesArgList list = MakeArgList(ctx, vars.data(), nargs, names, named);
    d->vtbl->addRef(d);
    bool ok = Invoke(d, fn->memberId, fn->dispFlags, &list, out, fn->name, err);
    d->vtbl->release(d);
    return ok;
}

}  // namespace tessel
