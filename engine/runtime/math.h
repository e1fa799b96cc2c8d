// Math built-ins: Atn, Cos, Sin, Tan, Exp, Log, Sqr (the C library's
// functions of a double; out-of-domain arguments give NaN or infinity as
// those do) and Abs of any value.
#pragma once

#include "engine/runtime/status.h"
#include "engine/runtime/value.h"

namespace tessel::runtime {

double Atn(double x);
double Cos(double x);  // export eCos
double Sin(double x);  // export eSin
double Tan(double x);  // export eTan
double Exp(double x);  // export eExp
double Log(double x);  // export eLog: natural logarithm
double Sqr(double x);

// Abs (export eAbs): Integer, Long, Single, Double and Date by value, a
// String by its leading decimal text, Empty 0; other types report
// "Abs( UnknownType: %d )" (warning) and give 0.
double Abs(const Value& value, Report& report);

}  // namespace tessel::runtime
