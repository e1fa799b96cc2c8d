// values.cpp: value cells, arrays, conversions and operators of variant values.
#include "engine/values.h"

#include <locale.h>
#include <strings.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tessel {

void Cell::DeleteArray() {
    delete v.arr;
    v.arr = nullptr;
    flags &= ~CF_ARRAY;
    if (type == VT_OBJECT) type = VT_EMPTY;
}

Cell::Cell(Cell&& o) noexcept
    : decl(o.decl),
      type(o.type),
      flags(o.flags),
      fixedLen(o.fixedLen),
      name(o.name),
      v(o.v),
      link(o.link),
      s(std::move(o.s)) {
    if (o.OwnsObject()) {
        o.v.obj = nullptr;
        o.type = VT_EMPTY;
    }
    o.flags &= ~CF_ARRAY;
}

Cell& Cell::operator=(Cell&& o) noexcept {
    if (this != &o) {
        if ((flags & CF_ARRAY) && !(flags & CF_REF))
            delete v.arr;
        else
            DropObject();
        decl = o.decl;
        type = o.type;
        flags = o.flags;
        fixedLen = o.fixedLen;
        name = o.name;
        v = o.v;
        link = o.link;
        s = std::move(o.s);
        if (o.OwnsObject()) {
            o.v.obj = nullptr;
            o.type = VT_EMPTY;
        }
        o.flags &= ~CF_ARRAY;
    }
    return *this;
}

void Cell::Clear() {
    if ((flags & CF_ARRAY) && !(flags & CF_REF))
        delete v.arr;
    else
        DropObject();
    flags &= CF_CONST;
    v.d = 0;
    link = nullptr;
    s.clear();
    type = VT_EMPTY;
    if (decl == VT_INTEGER || decl == VT_LONG || decl == VT_SINGLE || decl == VT_DOUBLE ||
        decl == VT_STRING)
        type = decl;
    if (decl == VT_STRING && fixedLen > 0) s.assign(fixedLen, ' ');
    if (decl == VT_OBJECT) type = VT_OBJECT;  // Nothing
}

size_t ArrayData::ElemSize(uint16_t t) {
    switch (t) {
        case VT_INTEGER:
            return 2;
        case VT_LONG:
        case VT_SINGLE:
            return 4;
        case VT_DOUBLE:
            return 8;
        default:
            return sizeof(Cell);
    }
}

ArrayData* ArrayData::CopyShape() const {
    ArrayData* a = new ArrayData;
    a->elem = elem;
    a->fixedLen = fixedLen;
    a->dims = dims;
    for (int i = 0; i < dims; ++i) {
        a->lower[i] = lower[i];
        a->count[i] = count[i];
    }
    return a;
}

void ArrayData::Allocate() {
    total = 1;
    for (int i = 0; i < dims; ++i) total *= count[i];
    raw.clear();
    cells.clear();
    if (Packed()) {
        raw.assign(total * ElemSize(elem), 0);
    } else {
        cells.resize(total);
        for (auto& c : cells) {
            c.decl = elem;
            c.fixedLen = fixedLen;
            c.Clear();
        }
    }
    desc.dims = (uint16_t)dims;
    desc.features = elem == VT_STRING ? 0x100 : 0;
    desc.elementSize = (uint32_t)ElemSize(elem);
    desc.data = Packed() ? (void*)raw.data() : (void*)cells.data();
    for (int i = 0; i < dims; ++i) {
        desc.bounds[i].elements = count[i];
        desc.bounds[i].lowerBound = lower[i];
    }
}

// A numeric snapshot of a host reference, or the default value of an object,
// so the rules below see one shape. Null when an object has no usable value.
static const Cell* Load(const Cell* c, Cell& tmp, std::string& err) {
    c = Deref(const_cast<Cell*>(c));
    if (c->type == VT_OBJECT && !(c->flags & (CF_HOSTREF | CF_ARRAY))) {
        // A default value may itself be an object: follow a few levels.
        if (!DefaultValue(c, tmp, err)) return nullptr;
        for (int depth = 0; tmp.type == VT_OBJECT; ++depth) {
            Cell next;
            if (depth == 4 || !DefaultValue(&tmp, next, err)) {
                if (depth == 4) err = "Object does not have default property\n";
                return nullptr;
            }
            MoveValue(&tmp, &next);
        }
        return &tmp;
    }
    if (!(c->flags & CF_HOSTREF)) return c;
    tmp.type = c->decl;
    switch (c->decl) {
        case VT_INTEGER:
            tmp.v.i = *(int16_t*)c->v.host;
            break;
        case VT_LONG:
            tmp.v.l = *(int32_t*)c->v.host;
            break;
        case VT_SINGLE:
            tmp.v.f = *(float*)c->v.host;
            break;
        case VT_DOUBLE:
            tmp.v.d = *(double*)c->v.host;
            break;
        default:
            tmp.type = VT_EMPTY;
            break;
    }
    return &tmp;
}

uint16_t TypeOf(const Cell* c) {
    c = Deref(const_cast<Cell*>(c));
    if (c->flags & CF_HOSTREF) return c->decl;
    return c->type;
}

static std::string Msg(const char* fmt, int v) {
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

bool RoundToLong(double d, int32_t& out) {
    if (std::isnan(d)) return false;
    double r = d < 0 ? std::trunc(d - 0.5) : std::trunc(d + 0.5);
    if (r < -2147483648.0 || r > 2147483647.0) return false;
    out = (int32_t)r;
    return true;
}

bool RoundToShort(double d, int16_t& out) {
    int32_t l;
    if (!RoundToLong(d, l) || l < -32768 || l > 32767) return false;
    out = (int16_t)l;
    return true;
}

// '.' is the decimal point under every locale (the host may use a decimal comma).
double TextToDouble(const std::string& s) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c ? strtod_l(s.c_str(), nullptr, c) : std::strtod(s.c_str(), nullptr);
}

long TextToLong(const std::string& s) {
    errno = 0;
    long v = std::strtol(s.c_str(), nullptr, 10);
    if (errno == ERANGE) v = v < 0 ? -2147483649L : 2147483648L;
    return v;
}

std::string FormatC(const char* fmt, double d) {
    // Locale-independent: the to_chars forms equal the C locale's printf.
    char buf[400];
    std::to_chars_result r{};
    if (std::strcmp(fmt, "%.14g") == 0)
        r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 14);
    else if (std::strcmp(fmt, "%f") == 0 || std::strcmp(fmt, "%.6f") == 0)
        r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, 6);
    else
        r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 6);
    if (r.ec != std::errc()) return "0";
    std::string s(buf, r.ptr);
    // printf writes "inf"/"nan" and exponents with at least two digits.
    size_t e = s.find('e');
    if (e != std::string::npos) {
        size_t digits = s.size() - e - 2;
        if (digits < 2) s.insert(e + 2, 2 - digits, '0');
    }
    return s;
}

bool GetLong(const Cell* c0, int32_t& out, std::string& err) {
    // A number held in the cell itself needs no snapshot (the frequent case
    // of arguments to built-ins and external functions).
    if (!(c0->flags & (CF_REF | CF_HOSTREF)) && (c0->type == VT_LONG || c0->type == VT_INTEGER)) {
        out = c0->type == VT_LONG ? c0->v.l : c0->v.i;
        return true;
    }
    Cell tmp;
    const Cell* c = Load(c0, tmp, err);
    if (!c) {
        out = 0;
        return false;
    }
    switch (c->type) {
        case VT_EMPTY:
            out = 0;
            return true;
        case VT_INTEGER:
            out = c->v.i;
            return true;
        case VT_LONG:
            out = c->v.l;
            return true;
        case VT_SINGLE:
        case VT_DOUBLE:
            if (!RoundToLong(c->type == VT_SINGLE ? c->v.f : c->v.d, out)) {
                err = "Overflow\n";
                return false;
            }
            return true;
        case VT_STRING: {
            long v = TextToLong(c->s);
            if (v < INT32_MIN || v > INT32_MAX) {
                err = "Overflow\n";
                return false;
            }
            out = (int32_t)v;
            return true;
        }
        default:
            err = Msg("Unknown type: %d in GetLong()\n", c->type);
            out = 0;
            return false;
    }
}

bool GetShort(const Cell* c0, int16_t& out, std::string& err) {
    if (!(c0->flags & (CF_REF | CF_HOSTREF)) && c0->type == VT_INTEGER) {
        out = c0->v.i;
        return true;
    }
    Cell tmp;
    const Cell* c = Load(c0, tmp, err);
    if (!c) {
        out = 0;
        return false;
    }
    if (c->type == VT_INTEGER) {
        out = c->v.i;
        return true;
    }
    if (c->type != VT_EMPTY && c->type != VT_LONG && c->type != VT_SINGLE && c->type != VT_DOUBLE &&
        c->type != VT_STRING) {
        err = Msg("Unknown type: %d in GetShort()\n", c->type);
        out = 0;
        return false;
    }
    int32_t l;
    if (!GetLong(c, l, err)) return false;
    if (l < -32768 || l > 32767) {
        err = "Overflow\n";
        return false;
    }
    out = (int16_t)l;
    return true;
}

bool GetDouble(const Cell* c0, double& out, std::string& err) {
    if (!(c0->flags & (CF_REF | CF_HOSTREF)) && c0->type == VT_DOUBLE) {
        out = c0->v.d;
        return true;
    }
    Cell tmp;
    const Cell* c = Load(c0, tmp, err);
    if (!c) {
        out = 0;
        return false;
    }
    switch (c->type) {
        case VT_EMPTY:
            out = 0;
            return true;
        case VT_INTEGER:
            out = c->v.i;
            return true;
        case VT_LONG:
            out = c->v.l;
            return true;
        case VT_SINGLE:
            out = c->v.f;
            return true;
        case VT_DOUBLE:
            out = c->v.d;
            return true;
        case VT_STRING:
            out = TextToDouble(c->s);
            return true;
        default:
            err = "Unknown type in GetDouble()\n";
            out = 0;
            return false;
    }
}

bool GetString(const Cell* c0, std::string& out, std::string& err) {
    Cell tmp;
    const Cell* c = Load(c0, tmp, err);
    if (!c) {
        out.clear();
        return false;
    }
    char buf[64];
    switch (c->type) {
        case VT_EMPTY:
            out.clear();
            return true;
        case VT_INTEGER:
            std::snprintf(buf, sizeof buf, "%d", c->v.i);
            out = buf;
            return true;
        case VT_LONG:
            std::snprintf(buf, sizeof buf, "%ld", (long)c->v.l);
            out = buf;
            return true;
        case VT_SINGLE:
            out = FormatC("%.6f", c->v.f);
            return true;
        case VT_DOUBLE:
            out = FormatC("%.14g", c->v.d);
            return true;
        case VT_STRING:
            out = c->s;
            return true;
        default:
            err = Msg("Unknown type: %d in GetString()\n", c->type);
            out.clear();
            return false;
    }
}

bool IsTrue(const Cell* c0, bool& out, std::string& err) {
    Cell tmp;
    const Cell* c = Load(c0, tmp, err);
    if (!c) return false;
    switch (c->type) {
        case VT_INTEGER:
            out = c->v.i != 0;
            return true;
        case VT_LONG:
            out = c->v.l != 0;
            return true;
        default: {
            double d;
            if (!GetDouble(c, d, err)) return false;
            out = d != 0;
            return true;
        }
    }
}

void SetInteger(Cell* c, int16_t v) {
    c->DropObject();
    c->type = VT_INTEGER;
    c->v.i = v;
}
void SetLong(Cell* c, int32_t v) {
    c->DropObject();
    c->type = VT_LONG;
    c->v.l = v;
}
void SetSingle(Cell* c, float v) {
    c->DropObject();
    c->type = VT_SINGLE;
    c->v.f = v;
}
void SetDouble(Cell* c, double v) {
    c->DropObject();
    c->type = VT_DOUBLE;
    c->v.d = v;
}
void SetString(Cell* c, std::string v) {
    c->DropObject();
    c->type = VT_STRING;
    c->s = std::move(v);
}

void CopyValue(Cell* dst, const Cell* src0) {
    const Cell* d = Deref(const_cast<Cell*>(src0));
    if (d->type == VT_OBJECT && !(d->flags & (CF_HOSTREF | CF_ARRAY))) {
        // An object is copied as a reference.
        TesDispatch* obj = d->v.obj;
        if (obj) obj->vtbl->addRef(obj);
        SetObject(dst, obj);
        return;
    }
    Cell tmp;
    std::string err;
    const Cell* src = Load(src0, tmp, err);
    dst->DropObject();
    dst->type = src->type;
    if (src->type == VT_STRING)
        dst->s = src->s;
    else if (!(src->flags & CF_ARRAY))
        dst->v = src->v;
    else
        dst->type = VT_EMPTY;
}

bool Assign(Cell* dst, const Cell* src, std::string& err) {
    dst = Deref(dst);
    if (dst->flags & CF_HOSTREF) {
        switch (dst->decl) {
            case VT_INTEGER: {
                int16_t v;
                if (!GetShort(src, v, err)) return false;
                *(int16_t*)dst->v.host = v;
                return true;
            }
            case VT_LONG: {
                int32_t v;
                if (!GetLong(src, v, err)) return false;
                *(int32_t*)dst->v.host = v;
                return true;
            }
            case VT_SINGLE: {
                double v;
                if (!GetDouble(src, v, err)) return false;
                *(float*)dst->v.host = (float)v;
                return true;
            }
            case VT_DOUBLE: {
                double v;
                if (!GetDouble(src, v, err)) return false;
                *(double*)dst->v.host = v;
                return true;
            }
            default:
                err = "Type mismatch\n";
                return false;
        }
    }
    if (dst->flags & CF_ARRAY) {
        err = "Array name needs subscript\n";
        return false;
    }
    switch (dst->decl) {
        case VT_OBJECT:
            // A value assigned to an object itself goes to its default member.
            return PutDefault(dst, src, err);
        case VT_VARIANT:
            CopyValue(dst, src);
            return true;
        case VT_INTEGER: {
            int16_t v;
            if (!GetShort(src, v, err)) return false;
            SetInteger(dst, v);
            return true;
        }
        case VT_LONG: {
            int32_t v;
            if (!GetLong(src, v, err)) return false;
            SetLong(dst, v);
            return true;
        }
        case VT_SINGLE: {
            double v;
            if (!GetDouble(src, v, err)) return false;
            if (std::isfinite(v) && std::fabs(v) > 3.4028234663852886e38) {
                err = "Overflow\n";
                return false;
            }
            SetSingle(dst, (float)v);
            return true;
        }
        case VT_DOUBLE: {
            double v;
            if (!GetDouble(src, v, err)) return false;
            SetDouble(dst, v);
            return true;
        }
        case VT_STRING: {
            std::string t;
            if (!GetString(src, t, err)) return false;
            if (dst->fixedLen > 0) t.resize(dst->fixedLen, ' ');
            SetString(dst, std::move(t));
            return true;
        }
        default:
            err = "Type mismatch\n";
            return false;
    }
}

static bool IsNumeric(uint16_t t) {
    return t == VT_INTEGER || t == VT_LONG || t == VT_SINGLE || t == VT_DOUBLE;
}

static bool StoreInt64(int64_t r, uint16_t t, Cell* out, std::string& err) {
    if (t == VT_INTEGER) {
        if (r < -32768 || r > 32767) {
            err = "Overflow\n";
            return false;
        }
        SetInteger(out, (int16_t)r);
    } else {
        if (r < INT32_MIN || r > INT32_MAX) {
            err = "Overflow\n";
            return false;
        }
        SetLong(out, (int32_t)r);
    }
    return true;
}

static int64_t AsInt64(const Cell* c) {
    return c->type == VT_INTEGER ? c->v.i : c->type == VT_LONG ? c->v.l : 0;
}

bool Compare(const Cell* a0, const Cell* b0, int& out, std::string& err) {
    Cell ta, tb;
    const Cell* a = Load(a0, ta, err);
    if (!a) return false;
    const Cell* b = Load(b0, tb, err);
    if (!b) return false;
    auto intish = [](uint16_t t) { return t == VT_EMPTY || t == VT_INTEGER || t == VT_LONG; };
    if (intish(a->type) && intish(b->type)) {
        int64_t x = AsInt64(a), y = AsInt64(b);
        out = x < y ? -1 : x > y ? 1 : 0;
        return true;
    }
    if (a->type == VT_STRING && b->type == VT_STRING) {
        int r = strcasecmp(a->s.c_str(), b->s.c_str());
        out = r < 0 ? -1 : r > 0 ? 1 : 0;
        return true;
    }
    double x, y;
    if (!GetDouble(a, x, err) || !GetDouble(b, y, err)) return false;
    out = x < y ? -1 : x > y ? 1 : 0;
    return true;
}

bool BinaryOp(int op, const Cell* a0, const Cell* b0, Cell* out, std::string& err) {
    Cell ta, tb;
    const Cell* a = Load(a0, ta, err);
    if (!a) return false;
    const Cell* b = Load(b0, tb, err);
    if (!b) return false;
    uint16_t at = a->type == VT_EMPTY ? VT_INTEGER : a->type;
    uint16_t bt = b->type == VT_EMPTY ? VT_INTEGER : b->type;
    if (op == 30) {  // &
        std::string x, y;
        if (!GetString(a, x, err) || !GetString(b, y, err)) {
            err = Msg("StringType in & - other type is: %d\n",
                      a->type == VT_STRING ? b->type : a->type);
            return false;
        }
        // In-place append when the result is the left operand's own cell.
        if (out == a0 && out->type == VT_STRING) {
            out->s += y;
            return true;
        }
        x += y;
        SetString(out, std::move(x));
        return true;
    }
    if (op >= 36 && op <= 41) {
        int c;
        if (!Compare(a, b, c, err)) return false;
        bool r = op == 36   ? c == 0
                 : op == 37 ? c != 0
                 : op == 38 ? c < 0
                 : op == 39 ? c > 0
                 : op == 40 ? c <= 0
                            : c >= 0;
        SetInteger(out, r ? -1 : 0);
        return true;
    }
    if (at == VT_STRING || bt == VT_STRING) {
        if (op == 26 && at == VT_STRING && bt == VT_STRING) {
            std::string x = a->s;
            x += b->s;
            SetString(out, std::move(x));
            return true;
        }
        err = op == 31 ? "Type Mismatch - StringType in Variable::operator-\n"
                       : "Incompatible data types\n";
        return false;
    }
    if (!IsNumeric(at) || !IsNumeric(bt)) {
        err = "Incompatible data types\n";
        return false;
    }
    uint16_t rt = at > bt ? at : bt;
    switch (op) {
        case 26:
        case 31:
        case 32:
            if (rt <= VT_LONG) {
                int64_t x = AsInt64(a), y = AsInt64(b);
                int64_t r = op == 26 ? x + y : op == 31 ? x - y : x * y;
                return StoreInt64(r, rt, out, err);
            } else {
                double x, y;
                GetDouble(a, x, err);
                GetDouble(b, y, err);
                double r = op == 26 ? x + y : op == 31 ? x - y : x * y;
                if (rt == VT_SINGLE)
                    SetSingle(out, (float)r);
                else
                    SetDouble(out, r);
                return true;
            }
        case 33: {
            double x, y;
            GetDouble(a, x, err);
            GetDouble(b, y, err);
            if (y == 0) {
                err = "Division by zero\n";
                return false;
            }
            SetDouble(out, x / y);
            return true;
        }
        case 27: {
            double x, y;
            GetDouble(a, x, err);
            GetDouble(b, y, err);
            SetDouble(out, std::pow(x, y));
            return true;
        }
        case 28:
        case 34:
        case 35: {
            int32_t x, y;
            if (!GetLong(a, x, err) || !GetLong(b, y, err)) return false;
            int64_t r;
            if (op == 28) {
                if (y == 0) {
                    err = "Division by zero\n";
                    return false;
                }
                r = (int64_t)x % (int64_t)y;
            } else {
                r = op == 34 ? (x & y) : (x | y);
            }
            return StoreInt64(r, at == VT_INTEGER && bt == VT_INTEGER ? VT_INTEGER : VT_LONG, out,
                              err);
        }
    }
    err = "Incompatible data types\n";
    return false;
}

bool Negate(const Cell* a0, Cell* out, std::string& err) {
    Cell ta;
    const Cell* a = Load(a0, ta, err);
    if (!a) return false;
    switch (a->type) {
        case VT_EMPTY:
            SetInteger(out, 0);
            return true;
        case VT_INTEGER:
            return StoreInt64(-(int64_t)a->v.i, VT_INTEGER, out, err);
        case VT_LONG:
            return StoreInt64(-(int64_t)a->v.l, VT_LONG, out, err);
        case VT_SINGLE:
            SetSingle(out, -a->v.f);
            return true;
        case VT_DOUBLE:
            SetDouble(out, -a->v.d);
            return true;
        default:
            err = "Incompatible data types\n";
            return false;
    }
}

bool NotOp(const Cell* a0, Cell* out, std::string& err) {
    Cell ta;
    const Cell* a = Load(a0, ta, err);
    if (!a) return false;
    switch (a->type) {
        case VT_EMPTY:
            SetInteger(out, -1);
            return true;
        case VT_INTEGER:
            SetInteger(out, (int16_t)~a->v.i);
            return true;
        case VT_LONG:
            SetLong(out, ~a->v.l);
            return true;
        case VT_SINGLE:
        case VT_DOUBLE: {
            int32_t l;
            if (!GetLong(a, l, err)) return false;
            SetLong(out, ~l);
            return true;
        }
        default:
            err = "Incompatible data types\n";
            return false;
    }
}

bool PrintText(const Cell* c0, std::string& out, std::string& err) {
    if (TypeOf(c0) == VT_OBJECT && !(Deref(const_cast<Cell*>(c0))->flags & CF_ARRAY)) {
        // An object prints the text of its default value.
        std::string text;
        if (!GetString(c0, text, err)) return false;
        out = " " + text;
        return true;
    }
    Cell tmp;
    const Cell* c = Load(c0, tmp, err);
    if (!c) return false;
    char buf[64];
    switch (c->type) {
        case VT_INTEGER:
            std::snprintf(buf, sizeof buf, " %d", c->v.i);
            out = buf;
            return true;
        case VT_LONG:
            std::snprintf(buf, sizeof buf, " %ld", (long)c->v.l);
            out = buf;
            return true;
        case VT_SINGLE:
            out = " " + FormatC("%f", c->v.f);
            return true;
        case VT_DOUBLE:
            out = " " + FormatC("%g", c->v.d);
            return true;
        case VT_STRING:
            out = " " + c->s;
            return true;
        case VT_EMPTY:
            out = " ";
            return true;
        default:
            err = Msg("Unknown type: %d in Print\n", c->type);
            return false;
    }
}

}  // namespace tessel
