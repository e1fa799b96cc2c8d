// The plain value the runtime built-ins take for an "any value" parameter,
// and the interpreter's conversion rules between value types (GetShort,
// GetLong, GetFloat, GetDouble, GetString) as pure functions over it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/runtime/status.h"

namespace tessel::runtime {

// Current-type codes of a value cell.
enum TypeCode : int32_t {
    kTypeEmpty = 0,
    kTypeNull = 1,
    kTypeInteger = 2,  // 16-bit signed
    kTypeLong = 3,     // 32-bit signed
    kTypeSingle = 4,
    kTypeDouble = 5,
    kTypeDate = 7,  // days since 1899-12-30, time of day as the fraction
    kTypeString = 8,
    kTypeObject = 9,
    kTypeVariant = 12,
    kTypeFunction = 90,
};

// A copy of what a value cell holds. Integer, Long, Single, Double and Date
// keep their value in `number` (exactly: every one of them fits a double);
// String keeps its bytes in `text`. `isArray` mirrors the cell's array flag.
struct Value {
    int32_t type = kTypeEmpty;
    bool isArray = false;
    double number = 0.0;
    std::string text;

    static Value Empty() { return Value{}; }
    static Value Null() { return Value{kTypeNull, false, 0.0, {}}; }
    static Value Integer(int16_t v) { return Value{kTypeInteger, false, double(v), {}}; }
    static Value Long(int32_t v) { return Value{kTypeLong, false, double(v), {}}; }
    static Value Single(float v) { return Value{kTypeSingle, false, double(v), {}}; }
    static Value Double(double v) { return Value{kTypeDouble, false, v, {}}; }
    static Value Date(double serial) { return Value{kTypeDate, false, serial, {}}; }
    static Value String(std::string_view s) {
        return Value{kTypeString, false, 0.0, std::string(s)};
    }
    static Value OfType(int32_t type) { return Value{type, false, 0.0, {}}; }
};

// True for Integer, Long, Single and Double.
bool IsNumberType(int32_t type);

// Leading decimal text to a double, as the C library's decimal conversion
// reads it: blanks, sign, digits, point, digits, exponent. Text without a
// number gives 0; hexadecimal and "inf"/"nan" are not read.
double LeadingDouble(std::string_view text);

// Leading decimal digits to an integer (blanks, sign, digits; the rest is
// ignored). Values outside -2^31 .. 2^31-1 set `overflow`.
int32_t LeadingLong(std::string_view text, bool& overflow);

// True when the whole text (blanks allowed around it) is one decimal number.
bool IsNumericText(std::string_view text);

// GetShort: Empty 0; Integer as is; Long, Single, Double, Date rounded half
// away from zero, "Overflow" outside -32768..32767; String by its leading
// digits. Other types report kShortUnknownType.
int16_t ToInteger(const Value& value, Report& report);

// GetLong: the same rules at 32 bits; other types report kLongUnknownType.
int32_t ToLong(const Value& value, Report& report);

// GetDouble: numbers widen, Date gives its serial, String by LeadingDouble,
// Empty 0; other types report kDoubleUnknownType.
double ToDouble(const Value& value, Report& report);

// GetFloat: as ToDouble, narrowed to Single ("Overflow" beyond its range);
// other types report kFloatUnknownType.
float ToSingle(const Value& value, Report& report);

// GetString: Empty ""; Integer "%d"; Long "%ld"; Single "%.6f"; Double
// "%.14g"; String its text; Date the general date text. Other types report
// kStringUnknownType and give "".
std::string ToText(const Value& value, Report& report);

// The text PRINT writes for one item: a blank, then "%d" (Integer), "%ld"
// (Long), "%f" (Single), "%g" (Double), the text (String) or the general
// date (Date); Empty prints the blank alone. False for the other types,
// which the interpreter hands to the user type subsystem (an Object is
// first replaced by its default value there).
bool PrintItemText(const Value& value, std::string& out);

}  // namespace tessel::runtime
