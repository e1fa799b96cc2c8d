// Message texts of the runtime library's result codes.
#include "engine/runtime/status.h"

#include <cstdio>

namespace tessel::runtime {

namespace {
struct StatusEntry {
    const char* text;
    bool warning;
};

const StatusEntry kEntries[kStatusCount] = {
    {"", false},
    {"Overflow\n", false},
    {"Invalid procedure call\n", false},
    {"Argument not optional\n", false},
    {"Wrong number of arguments\n", false},
    {"Illegal Function Call! Chr(%d)\n", false},
    {"could not convert time\n", true},
    {"Abs( UnknownType: %d )\n", true},
    {"Len( Unknown type: %d )\n", false},
    {"IsNumeric( Unknown type: %d )\n", true},
    {"Parameter required in Format\n", false},
    {"Format( Unknown type: %d )\n", false},
    {"Unknown type: %d in GetShort()\n", false},
    {"Unknown type: %d in GetLong()\n", false},
    {"Type Mismatch - Unknown type in GetFloat()\n", false},
    {"Unknown type in GetDouble()\n", false},
    {"Unknown type: %d in GetString()\n", false},
};

int Index(Status status) {
    int i = static_cast<int>(status);
    return (i < 0 || i >= kStatusCount) ? 0 : i;
}
}  // namespace

void Fail(Report& report, Status status, int32_t detail) {
    if (report.status != Status::kOk) return;
    report.status = status;
    report.detail = detail;
}

const char* StatusText(Status status) {
    return kEntries[Index(status)].text;
}

bool StatusIsWarning(Status status) {
    return kEntries[Index(status)].warning;
}

std::string ReportMessage(const Report& report) {
    char buffer[128];
    // Every text holds at most one %d.
    std::snprintf(buffer, sizeof buffer, StatusText(report.status), report.detail);
    return buffer;
}

}  // namespace tessel::runtime
