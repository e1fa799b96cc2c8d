// Type tests and Len: VarType, IsEmpty, IsNull, IsObject, IsArray,
// IsNumeric, Len. (IsDate is with the dates.) True is -1, false 0.
#pragma once

#include <cstdint>

#include "engine/runtime/status.h"
#include "engine/runtime/value.h"

namespace tessel::runtime {

// VarType: the current type code.
int16_t VarType(const Value& value);
int16_t IsEmpty(const Value& value);
int16_t IsNull(const Value& value);
int16_t IsObject(const Value& value);
int16_t IsArray(const Value& value);

// IsNumeric: true for Empty, Integer, Long, Single, Double and for a String
// holding one decimal number; false for Null. Other types report
// "IsNumeric( Unknown type: %d )" (warning) and give false.
int16_t IsNumeric(const Value& value, Report& report);

// Len: a String's length in bytes; the storage size of a number (Integer 2,
// Long 4, Single 4, Double 8); Empty and Null 0. Other types report
// "Len( Unknown type: %d )" and give 0.
int32_t Len(const Value& value, Report& report);

}  // namespace tessel::runtime
