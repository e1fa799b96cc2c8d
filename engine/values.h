// values.h: value cells (Variable) of the interpreter, arrays, and the
// conversion and operator rules of the engine's variant values.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/tessel.h"

namespace tessel {

// Type codes of values (current type) and of cell declarations.
constexpr uint16_t VT_EMPTY = 0;
constexpr uint16_t VT_NULL = 1;
constexpr uint16_t VT_INTEGER = 2;
constexpr uint16_t VT_LONG = 3;
constexpr uint16_t VT_SINGLE = 4;
constexpr uint16_t VT_DOUBLE = 5;
constexpr uint16_t VT_STRING = 8;
constexpr uint16_t VT_OBJECT = 9;
constexpr uint16_t VT_VARIANT = 12;
constexpr uint16_t VT_FUNC = 90;
constexpr uint16_t VT_USER = 92;  // user-type variable: members follow in the next cells

// Cell flags.
enum : uint16_t {
    CF_REF = 0x8000,      // v.ref points to the cell that holds the value
    CF_HOSTREF = 0x4000,  // v.host points to raw storage of type `decl`
    CF_ARRAY = 0x2000,    // v.arr holds an array owned by this cell
    CF_CONST = 0x1000,    // a constant: assignments are refused at compile time
    CF_LINKED = 0x0800,   // pushed argument: link names the source variable
    CF_LINKRAW = 0x0400,  // pushed argument: link is raw storage of type fixedLen
    CF_LAZY = 0x0200,     // pushed String argument: the text is still only in link->s
};

struct ArrayData;
struct FuncRec;

// One value cell. Plain data plus an owned string and an owned array.
struct Cell {
    uint16_t decl = VT_VARIANT;  // declared type
    uint16_t type = VT_EMPTY;    // current type
    uint16_t flags = 0;
    uint16_t pad = 0;
    int32_t fixedLen = 0;  // String * n
    int32_t name = 0;      // name-table index, for messages
    union {
        int16_t i;
        int32_t l;
        float f;
        double d;
        Cell* ref;
        void* host;
        ArrayData* arr;
        FuncRec* fn;
        TesDispatch* obj;  // type VT_OBJECT: one reference held (null = Nothing)
    } v{};
    Cell* link = nullptr;  // pushed arguments: the variable they came from
    std::string s;

    Cell() { v.d = 0; }
    ~Cell() {
        if ((flags & CF_ARRAY) && !(flags & CF_REF))
            DeleteArray();
        else
            DropObject();
    }
    Cell(const Cell&) = delete;
    Cell& operator=(const Cell&) = delete;
    Cell(Cell&& o) noexcept;
    Cell& operator=(Cell&& o) noexcept;
    void Clear();  // releases array/string, back to Empty with decl kept
    // A fresh cell of a declared type (numbers 0, strings empty, else Empty).
    void Init(uint16_t d, int32_t len) {
        decl = d;
        fixedLen = len;
        type = (d == 2 || d == 3 || d == 4 || d == 5 || d == 8 || d == 9) ? d : 0;
        if (d == 9) v.obj = nullptr;
        if (d == 8 && len > 0) s.assign(len, ' ');
    }
    void DeleteArray();  // also forgets the type: the value field held the array
    // True when the cell holds an object reference of its own.
    bool OwnsObject() const { return type == 9 && !(flags & (CF_REF | CF_HOSTREF | CF_ARRAY)); }
    // Releases a held object reference; the cell becomes Empty.
    void DropObject() {
        if (OwnsObject()) {
            TesDispatch* d = v.obj;
            v.obj = nullptr;
            type = 0;
            if (d) d->vtbl->release(d);
        }
    }
};

// A fixed array: numeric elements packed, String/Variant elements as cells.
struct ArrayData {
    uint16_t elem = VT_VARIANT;  // element declared type
    int32_t fixedLen = 0;
    int dims = 0;
    int32_t lower[20] = {};
    uint32_t count[20] = {};
    size_t total = 0;
    std::vector<uint8_t> raw;      // Integer, Long, Single, Double
    std::vector<Cell> cells;       // String, Variant
    TesArray desc{};               // descriptor handed to host functions
    void Allocate();               // (re)creates the empty elements
    ArrayData* CopyShape() const;  // same bounds and element type, no elements
    bool Packed() const {
        return elem == VT_INTEGER || elem == VT_LONG || elem == VT_SINGLE || elem == VT_DOUBLE;
    }
    static size_t ElemSize(uint16_t t);
};

// Objects (objects.cpp). A held object becomes Nothing/value through these.
void SetObject(Cell* c, TesDispatch* d);  // takes over one reference of d (null = Nothing)
// Fetches the default member's value of an object cell (Deref applied).
bool DefaultValue(const Cell* c, Cell& out, std::string& err);
// Puts a value into the default member of the object held by obj.
bool PutDefault(Cell* obj, const Cell* value, std::string& err);
// Set: dst (declared Object or Variant) takes a reference to src's object.
bool SetReference(Cell* dst, const Cell* src, std::string& err);
// Moves the value (object reference, text or number) of src into dst; src becomes Empty.
void MoveValue(Cell* dst, Cell* src);

// Errors raised by conversions and operators: a message for ReportError.
struct ValueError {
    std::string message;
};

// Follows references; host references stay (they are read via Get*).
// Copies the text of a lazily pushed String argument into the cell itself.
inline void Materialize(Cell* c) {
    if (c->flags & CF_LAZY) {
        c->s = c->link->s;
        c->flags &= ~CF_LAZY;
    }
}

inline Cell* Deref(Cell* c) {
    while (c->flags & CF_REF) c = c->v.ref;
    return c;
}

// The value's current type, looking through host references.
uint16_t TypeOf(const Cell* c);

// Conversions (Deref applied). Failures return false with err set.
bool GetShort(const Cell* c, int16_t& out, std::string& err);
bool GetLong(const Cell* c, int32_t& out, std::string& err);
bool GetDouble(const Cell* c, double& out, std::string& err);
bool GetString(const Cell* c, std::string& out, std::string& err);
bool IsTrue(const Cell* c, bool& out, std::string& err);

// Sets a cell to a value of a given type, ignoring declarations.
void SetInteger(Cell* c, int16_t v);
void SetLong(Cell* c, int32_t v);
void SetSingle(Cell* c, float v);
void SetDouble(Cell* c, double v);
void SetString(Cell* c, std::string v);

// General assignment: converts src to dst's declared type.
bool Assign(Cell* dst, const Cell* src, std::string& err);
// Copies the value only (dst becomes the same type); arrays are not copied.
void CopyValue(Cell* dst, const Cell* src);

// Binary operators by opcode (26..41 except 29); result into out.
bool BinaryOp(int op, const Cell* a, const Cell* b, Cell* out, std::string& err);
bool Negate(const Cell* a, Cell* out, std::string& err);
bool NotOp(const Cell* a, Cell* out, std::string& err);
// -1 a<b, 0 equal, 1 a>b by the comparison rules.
bool Compare(const Cell* a, const Cell* b, int& out, std::string& err);

// Rounding half away from zero with range checks.
bool RoundToShort(double d, int16_t& out);
bool RoundToLong(double d, int32_t& out);

// Text form used by Print for one item (leading blank included).
bool PrintText(const Cell* c, std::string& out, std::string& err);
// Leading-number conversions of text.
double TextToDouble(const std::string& s);
long TextToLong(const std::string& s);
std::string FormatC(const char* fmt, double d);

}  // namespace tessel
