// Text built-ins: Asc, Chr, Left, Right, Mid, InStr, StrComp, UCase, LCase,
// LTrim, RTrim, Trim, Space, String, and the count check they share.
// Strings are byte strings; positions are 1-based and clamped, so no
// built-in reads outside its string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/runtime/status.h"

namespace tessel::runtime {

// Largest value of a count parameter.
constexpr int32_t kMaxCount = 65000;

// A count parameter must lie in 0..65000, else "Invalid procedure call".
bool CheckCount(int32_t count, Report& report);

// Asc: the first byte as 0..255 (unsigned, so Chr(Asc(x)) gives x back); "" gives 0.
int16_t Asc(std::string_view s);
// Chr: the one-byte text of 0..255; other codes report "Illegal Function
// Call! Chr(%d)" and give "".
std::string Chr(int32_t code, Report& report);

// Left: the first n bytes (all of s when n exceeds its length).
std::string Left(std::string_view s, int32_t n, Report& report);
// Right: the last n bytes (all of s when n exceeds its length).
std::string Right(std::string_view s, int32_t n, Report& report);
// Mid: n bytes from the 1-based start (a start below 1 counts as 1; past the
// end gives "").
std::string Mid(std::string_view s, int32_t start, int32_t n, Report& report);
// InStr: the 1-based position of t in s at or after start (below 1 counts as
// 1), or 0. An empty t is found at start when start lies within s.
int32_t InStr(int32_t start, std::string_view s, std::string_view t, Report& report);

// Compares ignoring ASCII case, bytes as unsigned: -1, 0 or 1.
int CompareNoCase(std::string_view a, std::string_view b);
// StrComp: CompareNoCase as an Integer.
int16_t StrComp(std::string_view a, std::string_view b);

// UCase, LCase: ASCII case change of a copy of any length.
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
// LTrim, RTrim, Trim: leading, trailing, or both kinds of blanks; tabs stay.
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::string Trim(std::string_view s);

// Space: n blanks. String: n copies of the first byte of s ("" when s is
// empty). Counts outside 0..65000 report "Invalid procedure call".
std::string Space(int32_t n, Report& report);
std::string String(int32_t n, std::string_view s, Report& report);

}  // namespace tessel::runtime
