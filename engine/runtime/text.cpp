// Text built-ins over byte strings with clamped positions.
#include "engine/runtime/text.h"

#include <algorithm>

namespace tessel::runtime {

namespace {
unsigned char LowerByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}
}  // namespace

bool CheckCount(int32_t count, Report& report) {
    if (count >= 0 && count <= kMaxCount) return true;
    Fail(report, Status::kInvalidProcedureCall);
    return false;
}

int16_t Asc(std::string_view s) {
    return s.empty() ? 0 : static_cast<int16_t>(static_cast<unsigned char>(s[0]));
}

std::string Chr(int32_t code, Report& report) {
    if (code < 0 || code > 255) {
        Fail(report, Status::kIllegalChr, code);
        return {};
    }
    return std::string(1, static_cast<char>(code));
}

std::string Left(std::string_view s, int32_t n, Report& report) {
    if (!CheckCount(n, report)) return {};
    return std::string(s.substr(0, static_cast<size_t>(n)));
}

std::string Right(std::string_view s, int32_t n, Report& report) {
    if (!CheckCount(n, report)) return {};
    size_t count = std::min(s.size(), static_cast<size_t>(n));
    return std::string(s.substr(s.size() - count));
}

std::string Mid(std::string_view s, int32_t start, int32_t n, Report& report) {
    if (!CheckCount(start, report) || !CheckCount(n, report)) return {};
    size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
    if (from >= s.size()) return {};
    return std::string(s.substr(from, static_cast<size_t>(n)));
}

int32_t InStr(int32_t start, std::string_view s, std::string_view t, Report& report) {
    if (!CheckCount(start, report)) return 0;
    size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
    if (from >= s.size()) return 0;
    size_t at = s.find(t, from);
    return at == std::string_view::npos ? 0 : static_cast<int32_t>(at) + 1;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = LowerByte(static_cast<unsigned char>(a[i]));
        unsigned char y = LowerByte(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int16_t StrComp(std::string_view a, std::string_view b) {
    return static_cast<int16_t>(CompareNoCase(a, b));
}

std::string UCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string LCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

std::string LTrim(std::string_view s) {
    size_t i = s.find_first_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(s.substr(i));
}

std::string RTrim(std::string_view s) {
    size_t i = s.find_last_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(s.substr(0, i + 1));
}

std::string Trim(std::string_view s) {
    return LTrim(RTrim(s));
}

std::string Space(int32_t n, Report& report) {
    if (!CheckCount(n, report)) return {};
    return std::string(static_cast<size_t>(n), ' ');
}

std::string String(int32_t n, std::string_view s, Report& report) {
    if (!CheckCount(n, report)) return {};
    if (s.empty()) return {};
    return std::string(static_cast<size_t>(n), s[0]);
}

}  // namespace tessel::runtime
