// Conversion built-ins and the half-away-from-zero rounding they share.
#include "engine/runtime/convert.h"

#include <cmath>
#include <limits>

#include "engine/runtime/cformat.h"
#include "engine/runtime/value.h"

namespace tessel::runtime {

namespace {
// Rounds, checks the range [low, high] and reports "Overflow" outside it
// (NaN included); gives 0 on overflow.
int64_t RoundedInRange(double value, double low, double high, bool round, Report& report) {
    double r = round ? RoundHalfAway(value) : value;
    if (!(r >= low && r <= high)) {
        Fail(report, Status::kOverflow);
        return 0;
    }
    return static_cast<int64_t>(r);
}
}  // namespace

double RoundHalfAway(double value) {
    return std::round(value);
}

double CDbl(double value) {
    return value;
}

float CSng(double value, Report& report) {
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
        // Values that round down to the largest Single are still in range.
        float f = static_cast<float>(value);
        if (std::isinf(f)) {
            Fail(report, Status::kOverflow);
            return 0.0f;
        }
        return f;
    }
    return static_cast<float>(value);
}

int16_t CInt(double value, Report& report) {
    return static_cast<int16_t>(RoundedInRange(value, -32768.0, 32767.0, true, report));
}

int32_t CLng(double value, Report& report) {
    return static_cast<int32_t>(RoundedInRange(value, -2147483648.0, 2147483647.0, true, report));
}

int32_t Fix(double value, Report& report) {
    return static_cast<int32_t>(
        RoundedInRange(std::trunc(value), -2147483648.0, 2147483647.0, false, report));
}

int32_t Int(double value, Report& report) {
    return static_cast<int32_t>(
        RoundedInRange(std::floor(value), -2147483648.0, 2147483647.0, false, report));
}

std::string CStr(double value) {
    return CFormat("%g", value);
}

std::string Str(double value) {
    return CFormat("%.14g", value);
}

double Val(std::string_view text) {
    return LeadingDouble(text);
}

std::string Hex(double value, Report& report) {
    Report own;
    int32_t n = CLng(value, own);
    if (own.status != Status::kOk) {
        Fail(report, own.status);
        return {};
    }
    return CFormat("%x", static_cast<unsigned>(static_cast<uint32_t>(n)));
}

std::string Oct(double value, Report& report) {
    Report own;
    int32_t n = CLng(value, own);
    if (own.status != Status::kOk) {
        Fail(report, own.status);
        return {};
    }
    return CFormat("%o", static_cast<unsigned>(static_cast<uint32_t>(n) & 0xFFFFu));
}

}  // namespace tessel::runtime
