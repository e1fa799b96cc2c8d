// symbols.h: the name table (identifiers, keywords, literals), function
// records of procedures and external functions, and declaration types.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/values.h"

namespace tessel {

constexpr int kMaxNames = 4062;
constexpr size_t kNamePoolBytes = 64992;
constexpr int kMaxParams = 50;

// One name: identifier, keyword, label, number or string literal.
struct NameEntry {
    uint16_t kind = 1;   // token kind the lexer returns for the name
    uint16_t type = 72;  // parser type code (72 = not yet declared)
    std::string text;
    bool literal = false;    // string literal: compared case-sensitively
    int32_t globalCell = 0;  // storage cell of the global meaning (0 = none)
    int32_t value = 0;       // integer literals
    bool hostAsked = false;  // the undefined-variable callback was asked about it
};

// One declared parameter.
struct Param {
    uint16_t type = VT_VARIANT;  // value type code
    uint16_t code = 131;         // parser type code
    bool byVal = false;
    bool array = false;
    int32_t name = 0;
    int32_t userType = -1;  // user-type parameter: the type's name index
    bool member = false;    // hidden parameter carrying one member of a user-type argument
};

// A frame slot's declaration: what a fresh activation starts with.
// The first fields mirror a cell's, in its order, so starting a slot is a few
// plain stores.
struct SlotInit {
    uint16_t decl = VT_VARIANT;
    uint16_t type = VT_EMPTY;  // current type of the fresh cell (set with the frame layout)
    int32_t fixedLen = 0;
    int32_t name = 0;
    ArrayData* array = nullptr;  // shape of a local array (owned by the record)
};

// The leading fields of a fresh slot's cell as they lie in the cell: declared
// and current type, no flags, fixed length, name, a zero value and no link.
// A plain frame starts each slot by copying its image.
struct SlotImage {
    uint16_t decl, type, flags, pad;
    int32_t fixedLen, name;
    uint64_t value;
    void* link;
};

enum FuncKind { FK_UNDECLARED = 0, FK_PROC = 1, FK_LIB = 2, FK_APP = 3, FK_MEMBER = 4 };

// A procedure of the program or an external function.
struct FuncRec {
    int kind = FK_UNDECLARED;
    std::string name, alias, library;
    uint16_t retType = 0;  // value type code, 0 for a sub
    uint16_t retCode = 0;  // parser type code
    bool isSub = false;
    std::vector<Param> params;
    int32_t entry = -1;  // first instruction (procedures)
    int32_t line = 0;    // line and source of the header (procedures)
    int32_t source = 1;
    int32_t frameSize = 0;  // params + result + locals + temporaries
    // Set once the body is compiled: no array or user-type parameters and no
    // local arrays, so a call binds its arguments and starts its slots on the
    // interpreter's fast path.
    bool plainFrame = false;
    int32_t fastArgs = -1;          // a plain procedure: its parameter count; else -1
    bool fixedStrings = false;      // a slot is a fixed-length String
    int32_t resultSlot = 0;         // the result slot's frame index: the parameter count
    std::vector<SlotInit> slots;    // from the result slot on
    std::vector<SlotImage> images;  // of the slots, for a plain frame
    int builtin = -1;               // index into the runtime table, or -1
    bool resolved = false;
    void* library_handle = nullptr;
    void* address = nullptr;
    void* callInfo = nullptr;  // prepared external call (external.cpp)
    void (*freeCallInfo)(void*) = nullptr;
    // Member calls on objects (kind 4): name is the member's name, dispFlags
    // the dispatch flags (the selector of host routines); the member id is
    // cached for objects of one kind (the interface table it was resolved on).
    int32_t dispFlags = 0;
    bool chained = false;  // the object is the result of another member call
    int32_t memberId = 0;
    const void* idFor = nullptr;
    ~FuncRec() {
        for (auto& s : slots) delete s.array;
        if (callInfo && freeCallInfo) freeCallInfo(callInfo);
    }
};

// Token kinds 0..124 in their fixed numbering.
enum Tok : int {
    T_ERROR = 0,
    T_IDENT = 1,
    T_HEX = 2,
    T_INTEGER = 3,
    T_REAL = 4,
    T_STRING = 5,
    T_DOT = 6,
    T_OR = 7,
    T_AND = 8,
    T_NOT = 9,
    T_EQ = 10,
    T_NE = 11,
    T_LT = 12,
    T_GT = 13,
    T_LE = 14,
    T_GE = 15,
    T_PLUS = 16,
    T_MINUS = 17,
    T_AMP = 18,
    T_MOD = 19,
    T_MUL = 20,
    T_DIV = 21,
    T_POW = 22,
    T_LPAREN = 23,
    T_RPAREN = 24,
    T_EOL = 25,
    T_EOF = 26,
    T_REM = 27,
    T_SUB = 28,
    T_END = 29,
    T_FUNCTION = 30,
    T_COMMA = 31,
    T_GLOBAL = 32,
    T_TYPE = 33,
    T_OPTION = 34,
    T_BASE = 35,
    T_EXPLICIT = 36,
    T_QUALIFIER = 37,
    T_PUBLIC = 38,
    T_PRIVATE = 39,
    T_DECLTYPENAME = 40,
    T_DECLOBJNAME = 41,
    T_COLON = 42,
    T_BEGIN = 43,
    T_DIALOG = 44,
    T_CALL = 45,
    T_CLOSE = 46,
    T_HASH = 47,
    T_DO = 48,
    T_UNTIL = 49,
    T_LOOP = 50,
    T_WHILE = 51,
    T_ENDSTMT = 52,
    T_GOTO = 53,
    T_DECLLABEL = 54,
    T_GOSUB = 55,
    T_SET = 56,
    T_NOTHING = 57,
    T_LET = 58,
    T_IF = 59,
    T_THEN = 60,
    T_LINE = 61,
    T_INPUT = 62,
    T_NAME = 63,
    T_AS = 64,
    T_OPEN = 65,
    T_FOR = 66,
    T_PRINT = 67,
    T_WRITE = 68,
    T_RETURN = 69,
    T_SEEK = 70,
    T_STOP = 71,
    T_WEND = 72,
    T_OUTPUT = 73,
    T_APPEND = 74,
    T_OKBUTTON = 75,
    T_CANCELBUTTON = 76,
    T_CHECKBOX = 77,
    T_COMBOBOX = 78,
    T_DROPLISTBOX = 79,
    T_LISTBOX = 80,
    T_GROUPBOX = 81,
    T_PUSHBUTTON = 82,
    T_TEXT = 83,
    T_TEXTBOX = 84,
    T_OPTIONGROUP = 85,
    T_OPTIONBUTTON = 86,
    T_SEMI = 87,
    T_DECLARRAY = 88,
    T_ASSIGNNAMED = 89,
    T_DECLFUNC = 90,
    T_DECLARE = 91,
    T_LIB = 92,
    T_APP = 93,
    T_ALIAS = 94,
    T_BYREF = 95,
    T_BYVAL = 96,
    T_DIM = 97,
    T_STATIC = 98,
    T_TO = 99,
    T_CONST = 100,
    T_STEP = 101,
    T_NEXT = 102,
    T_ELSEIF = 103,
    T_ELSE = 104,
    T_SELECT = 105,
    T_CASE = 106,
    T_ENDACTION = 107,
    T_DECLDLGTYPE = 108,
    T_DECLOBJMETH = 109,
    T_WITHDOT = 110,
    T_DECLCONST = 111,
    T_STRINGKW = 112,
    T_DECLSUB = 113,
    T_EXIT = 114,
    T_BYTE = 115,
    T_INTEGERKW = 116,
    T_LONGKW = 117,
    T_SINGLEKW = 118,
    T_DOUBLEKW = 119,
    T_VARIANTKW = 120,
    T_BOOLEAN = 121,
    T_OBJECT = 122,
    T_ANY = 123,
    T_DECLTYPEIMPL = 124,
    T_COUNT = 125
};

extern const char* const kTokenNames[T_COUNT];

// Parser type codes of the type nodes.
constexpr uint16_t TC_ANY = 13;
constexpr uint16_t TC_DOUBLE = 36;
constexpr uint16_t TC_SINGLE = 56;
constexpr uint16_t TC_IMPLICIT = 72;
constexpr uint16_t TC_INTEGER = 76;
constexpr uint16_t TC_LONG = 82;
constexpr uint16_t TC_OBJECT = 100;
constexpr uint16_t TC_STRING = 111;
constexpr uint16_t TC_USER = 130;
constexpr uint16_t TC_VARIANT = 131;
constexpr uint16_t TC_FUNCTION = 9;
constexpr uint16_t TC_LABEL = 77;

uint16_t ValueTypeOf(uint16_t typeCode);  // parser code -> cell type
uint16_t TypeCodeOfSuffix(char c);        // '%' -> 76, ... 0 when none
const char* TypeName(uint16_t typeCode);

// The table of names with its limits and messages.
class NameTable {
  public:
    // Finds a name (case-insensitive; literals exact). -1 when absent.
    int Find(const std::string& text, bool literal) const;
    // Finds or enters. Returns -1 with err set when a limit is reached.
    int Enter(const std::string& text, bool literal, std::string& err);
    NameEntry& operator[](int i) { return entries_[i]; }
    const NameEntry& operator[](int i) const { return entries_[i]; }
    int Count() const { return (int)entries_.size(); }
    void Clear();
    // The texts of all entries in entry order (for compiled-code files).
    const std::vector<NameEntry>& Entries() const { return entries_; }

  private:
    static std::string Key(const std::string& text, bool literal);
    std::vector<NameEntry> entries_;
    std::unordered_map<std::string, int> index_;
    size_t poolUsed_ = 0;
};

}  // namespace tessel
