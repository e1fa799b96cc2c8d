// Conversion built-ins: CDbl, CSng, CInt, CLng, Fix, Int, CStr, Str, Val,
// Hex, Oct. Results that do not fit their type report "Overflow".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/runtime/status.h"

namespace tessel::runtime {

// Round half away from zero (2.5 -> 3, -2.5 -> -3), exact for every double.
double RoundHalfAway(double value);

// CDbl: the value itself.
double CDbl(double value);
// CSng: the value as Single; beyond the Single range reports "Overflow".
float CSng(double value, Report& report);
// CInt: rounded half away from zero; outside -32768..32767 reports "Overflow".
int16_t CInt(double value, Report& report);
// CLng: rounded half away from zero; outside the 32-bit range reports "Overflow".
int32_t CLng(double value, Report& report);
// Fix: truncated towards zero (Fix(-2.5) = -2), as a Long.
int32_t Fix(double value, Report& report);
// Int: the largest whole number not above the value (Int(-2.5) = -3), as a Long.
int32_t Int(double value, Report& report);

// CStr: "%g" (six significant digits).
std::string CStr(double value);
// Str: "%.14g".
std::string Str(double value);
// Val: leading decimal text as a number; non-numeric text gives 0.
double Val(std::string_view text);

// Hex: rounded as CLng, then the 32-bit two's-complement value in lower-case
// base 16 (Hex(-1) = "ffffffff").
std::string Hex(double value, Report& report);
// Oct: rounded as CLng, then the low 16 bits in base 8 (Oct(-1) = "177777").
std::string Oct(double value, Report& report);

}  // namespace tessel::runtime
