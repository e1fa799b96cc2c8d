// Conversions between value types, following the interpreter's rules.
#include "engine/runtime/value.h"

#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "engine/runtime/cformat.h"
#include "engine/runtime/convert.h"
#include "engine/runtime/format.h"

namespace tessel::runtime {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the decimal number starting at `i` (sign, digits, point, digits,
// exponent), or 0 when no digit is there.
size_t NumberLength(std::string_view s, size_t i) {
    size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i - start;
}

double DecimalToDouble(std::string_view number) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    std::string copy(number);
    return c ? strtod_l(copy.c_str(), nullptr, c) : std::strtod(copy.c_str(), nullptr);
}
}  // namespace

bool IsNumberType(int32_t type) {
    return type == kTypeInteger || type == kTypeLong || type == kTypeSingle || type == kTypeDouble;
}

double LeadingDouble(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    size_t n = NumberLength(text, i);
    return n ? DecimalToDouble(text.substr(i, n)) : 0.0;
}

int32_t LeadingLong(std::string_view text, bool& overflow) {
    overflow = false;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t v = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) {
            overflow = true;
            return 0;
        }
    }
    if (negative) v = -v;
    if (v > 2147483647LL) {
        overflow = true;
        return 0;
    }
    return static_cast<int32_t>(v);
}

bool IsNumericText(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    size_t n = NumberLength(text, i);
    if (n == 0) return false;
    i += n;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i == text.size();
}

int16_t ToInteger(const Value& value, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
            return 0;
        case kTypeInteger:
        case kTypeLong:
        case kTypeSingle:
        case kTypeDouble:
        case kTypeDate:
            return CInt(value.number, report);
        case kTypeString: {
            bool overflow = false;
            int32_t v = LeadingLong(value.text, overflow);
            if (overflow || v < -32768 || v > 32767) {
                Fail(report, Status::kOverflow);
                return 0;
            }
            return static_cast<int16_t>(v);
        }
        default:
            Fail(report, Status::kShortUnknownType, value.type);
            return 0;
    }
}

int32_t ToLong(const Value& value, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
            return 0;
        case kTypeInteger:
        case kTypeLong:
        case kTypeSingle:
        case kTypeDouble:
        case kTypeDate:
            return CLng(value.number, report);
        case kTypeString: {
            bool overflow = false;
            int32_t v = LeadingLong(value.text, overflow);
            if (overflow) Fail(report, Status::kOverflow);
            return v;
        }
        default:
            Fail(report, Status::kLongUnknownType, value.type);
            return 0;
    }
}

double ToDouble(const Value& value, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
            return 0.0;
        case kTypeInteger:
        case kTypeLong:
        case kTypeSingle:
        case kTypeDouble:
        case kTypeDate:
            return value.number;
        case kTypeString:
            return LeadingDouble(value.text);
        default:
            Fail(report, Status::kDoubleUnknownType);
            return 0.0;
    }
}

float ToSingle(const Value& value, Report& report) {
    if (value.type != kTypeEmpty && !IsNumberType(value.type) && value.type != kTypeDate &&
        value.type != kTypeString) {
        Fail(report, Status::kFloatUnknownType);
        return 0.0f;
    }
    Report ignored;
    return CSng(ToDouble(value, ignored), report);
}

std::string ToText(const Value& value, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
            return {};
        case kTypeInteger:
        case kTypeLong:
            // Both hold whole numbers of their range; "%.0f" prints them exactly.
            return CFormat("%.0f", value.number);
        case kTypeSingle:
            return CFormat("%.6f", value.number);
        case kTypeDouble:
            return CFormat("%.14g", value.number);
        case kTypeString:
            return value.text;
        case kTypeDate:
            return GeneralDateText(value.number);
        default:
            Fail(report, Status::kStringUnknownType, value.type);
            return {};
    }
}

bool PrintItemText(const Value& value, std::string& out) {
    switch (value.type) {
        case kTypeEmpty:
            out = " ";
            return true;
        case kTypeInteger:
        case kTypeLong:
            out = CFormat(" %.0f", value.number);
            return true;
        case kTypeSingle:
            out = CFormat(" %f", value.number);
            return true;
        case kTypeDouble:
            out = CFormat(" %g", value.number);
            return true;
        case kTypeString:
            out = " " + value.text;
            return true;
        case kTypeDate:
            out = " " + GeneralDateText(value.number);
            return true;
        default:
            out.clear();
            return false;
    }
}

}  // namespace tessel::runtime
