// Math built-ins.
#include "engine/runtime/math.h"

#include <cmath>

namespace tessel::runtime {

double Atn(double x) {
    return std::atan(x);
}
double Cos(double x) {
    return std::cos(x);
}
double Sin(double x) {
    return std::sin(x);
}
double Tan(double x) {
    return std::tan(x);
}
double Exp(double x) {
    return std::exp(x);
}
double Log(double x) {
    return std::log(x);
}
double Sqr(double x) {
    return std::sqrt(x);
}

double Abs(const Value& value, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
            return 0.0;
        case kTypeInteger:
        case kTypeLong:
        case kTypeSingle:
        case kTypeDouble:
        case kTypeDate:
            return std::fabs(value.number);
        case kTypeString:
            return std::fabs(LeadingDouble(value.text));
        default:
            Fail(report, Status::kAbsUnknownType, value.type);
            return 0.0;
    }
}

}  // namespace tessel::runtime
