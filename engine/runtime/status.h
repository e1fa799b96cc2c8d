// Result codes of the runtime library's built-ins, with their one table of
// message texts and whether each stops the program or is only a warning.
#pragma once

#include <cstdint>
#include <string>

namespace tessel::runtime {

enum class Status : int {
    kOk = 0,
    kOverflow,                 // "Overflow\n"
    kInvalidProcedureCall,     // "Invalid procedure call\n"
    kArgumentNotOptional,      // "Argument not optional\n"
    kWrongNumberOfArguments,   // "Wrong number of arguments\n"
    kIllegalChr,               // "Illegal Function Call! Chr(%d)\n"
    kCouldNotConvertTime,      // "could not convert time\n" (warning)
    kAbsUnknownType,           // "Abs( UnknownType: %d )\n" (warning)
    kLenUnknownType,           // "Len( Unknown type: %d )\n"
    kIsNumericUnknownType,     // "IsNumeric( Unknown type: %d )\n" (warning)
    kFormatParameterRequired,  // "Parameter required in Format\n"
    kFormatUnknownType,        // "Format( Unknown type: %d )\n"
    kShortUnknownType,         // "Unknown type: %d in GetShort()\n"
    kLongUnknownType,          // "Unknown type: %d in GetLong()\n"
    kFloatUnknownType,         // "Type Mismatch - Unknown type in GetFloat()\n"
    kDoubleUnknownType,        // "Unknown type in GetDouble()\n"
    kStringUnknownType,        // "Unknown type: %d in GetString()\n"
};

constexpr int kStatusCount = 17;

// What a built-in reports besides its value: a status and the number that
// fills the %d of its message (a type code or an argument), if any.
struct Report {
    Status status = Status::kOk;
    int32_t detail = 0;
};

// Sets the report unless an earlier failure is already recorded there.
void Fail(Report& report, Status status, int32_t detail = 0);

// The printf-style message text of a status ("" for kOk).
const char* StatusText(Status status);

// True for the statuses that are warnings: the built-in returns its neutral
// value and the program goes on. All others stop the program.
bool StatusIsWarning(Status status);

// The message with its %d filled from report.detail.
std::string ReportMessage(const Report& report);

}  // namespace tessel::runtime
