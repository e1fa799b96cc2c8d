// Reads one request per line from stdin ("name<TAB>arg<TAB>arg...") and
// prints one result line per request, for runtime_oracle.py to compare with
// Python's own formatting and calendar.
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "engine/runtime/convert.h"
#include "engine/runtime/dates.h"
#include "engine/runtime/format.h"

using namespace tessel::runtime;

namespace {
std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return out;
}

// Requests and answers use '.' whatever the locale: from_chars/to_chars.
std::string Repr(double v) {
    char buf[64];
    auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    return std::string(buf, end);
}

double D(const std::string& s) {
    double v = 0;
    const char* first = s.c_str();
    if (*first == '+') ++first;
    std::from_chars(first, s.c_str() + s.size(), v);
    return v;
}
int I(const std::string& s) {
    return std::atoi(s.c_str());
}

template <typename T>
std::string Checked(const Report& r, const T& value) {
    if (r.status != Status::kOk) {
        std::string message = ReportMessage(r);
        return "ERROR " + message.substr(0, message.size() - 1);
    }
    return value;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

std::string Run(const std::vector<std::string>& a) {
    const std::string& name = a[0];
    Report r;
    if (name == "cstr") return CStr(D(a[1]));
    if (name == "str") return Str(D(a[1]));
    if (name == "val") return Repr(Val(a[1]));
    if (name == "cint") return Checked(r, std::to_string(CInt(D(a[1]), r)));
    if (name == "clng") return Checked(r, std::to_string(CLng(D(a[1]), r)));
    if (name == "hex") return Checked(r, Hex(D(a[1]), r));
    if (name == "oct") return Checked(r, Oct(D(a[1]), r));
    if (name == "fmt") return FormatNumber(D(a[1]), a[2]);
    if (name == "datefmt") return FormatDate(D(a[1]), a[2]);
    if (name == "parts") {
        DateParts p;
        if (!PartsFromSerial(D(a[1]), p)) return "FAIL";
        char buf[128];
        std::snprintf(buf, sizeof buf, "%d %d %d %d %d %d %d %d", p.year, p.month, p.day, p.hour,
                      p.minute, p.second, p.weekday, p.yearDay);
        return buf;
    }
    if (name == "parse") {
        double serial = 0;
        if (!ParseDate(a[1], serial)) return "FAIL";
        return Repr(serial);
    }
    if (name == "serial") {
        double serial = 0;
        if (!SerialFromParts(I(a[1]), I(a[2]), I(a[3]), I(a[4]), I(a[5]), I(a[6]), serial))
            return "FAIL";
        return Repr(serial);
    }
    if (name == "texts") {
        DateParts p;
        if (!PartsFromSerial(D(a[1]), p)) return "FAIL";
        return Escape(DateText(p) + "|" + TimeText(p) + "|" + NowText(p));
    }
    return "UNKNOWN " + name;
}
}  // namespace

int main() {
    // Take the environment's locale, as a host program does, so the oracle
    // can check that printf-style output keeps '.' under any locale.
    std::setlocale(LC_ALL, "");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) continue;
        std::cout << Run(Split(line)) << '\n';
    }
    return 0;
}
