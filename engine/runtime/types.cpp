// Type tests and Len.
#include "engine/runtime/types.h"

namespace tessel::runtime {

namespace {
int16_t Truth(bool b) {
    return b ? -1 : 0;
}
}  // namespace

int16_t VarType(const Value& value) {
    return static_cast<int16_t>(value.type);
}
int16_t IsEmpty(const Value& value) {
    return Truth(value.type == kTypeEmpty);
}
int16_t IsNull(const Value& value) {
    return Truth(value.type == kTypeNull);
}
int16_t IsObject(const Value& value) {
    return Truth(value.type == kTypeObject);
}
int16_t IsArray(const Value& value) {
    return Truth(value.isArray);
}

int16_t IsNumeric(const Value& value, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
        case kTypeInteger:
        case kTypeLong:
        case kTypeSingle:
        case kTypeDouble:
            return -1;
        case kTypeNull:
            return 0;
        case kTypeString:
            return Truth(IsNumericText(value.text));
        default:
            Fail(report, Status::kIsNumericUnknownType, value.type);
            return 0;
    }
}

int32_t Len(const Value& value, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
        case kTypeNull:
            return 0;
        case kTypeInteger:
            return 2;
        case kTypeLong:
        case kTypeSingle:
            return 4;
        case kTypeDouble:
            return 8;
        case kTypeString:
            return static_cast<int32_t>(value.text.size());
        default:
            Fail(report, Status::kLenUnknownType, value.type);
            return 0;
    }
}

}  // namespace tessel::runtime
