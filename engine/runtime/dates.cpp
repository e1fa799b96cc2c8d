// Serial dates, their calendar fields and the date and time built-ins.
#include "engine/runtime/dates.h"

#include <cmath>
#include <ctime>

#include "engine/runtime/cformat.h"

namespace tessel::runtime {

namespace {
// Serial day of 1970-01-01.
constexpr int64_t kUnixEpochSerial = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

const char* const kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Runs `field` on the parts of a convertible value, else warns and gives 0.
template <typename Field>
int16_t DateField(const Value& value, Report& report, Field field) {
    double serial = 0.0;
    DateParts parts;
    if (!SerialOfValue(value, serial) || !PartsFromSerial(serial, parts)) {
        Fail(report, Status::kCouldNotConvertTime);
        return 0;
    }
    return static_cast<int16_t>(field(parts));
}
}  // namespace

int64_t DaySerial(int year, int month, int day) {
    return DaysFromCivil(year, month, day) + kUnixEpochSerial;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool PartsFromSerial(double serial, DateParts& parts) {
    if (!(serial >= kMinDateSerial && serial < kMaxDateSerial)) return false;
    double whole = std::trunc(serial);
    int64_t day = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += 1;
        if (day >= static_cast<int64_t>(kMaxDateSerial)) return false;
    }
    CivilFromDays(day - kUnixEpochSerial, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    // 1899-12-30 (serial 0) was a Saturday.
    parts.weekday = static_cast<int>(((day % 7) + 7 + 6) % 7);
    parts.yearDay = static_cast<int>(day - DaySerial(parts.year, 1, 1) + 1);
    return true;
}

bool SerialFromParts(int year, int month, int day, int hour, int minute, int second,
                     double& serial) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return false;
    double days = static_cast<double>(DaySerial(year, month, day));
    double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    serial = days < 0 ? days - time : days + time;
    return true;
}

bool SerialOfValue(const Value& value, double& serial) {
    switch (value.type) {
        case kTypeDate:
        case kTypeInteger:
        case kTypeLong:
        case kTypeSingle:
        case kTypeDouble:
            serial = value.number;
            return std::isfinite(serial);
        case kTypeString:
            return ParseDate(value.text, serial);
        default:
            return false;
    }
}

int16_t Year(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.year; });
}
int16_t Month(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.month; });
}
int16_t Day(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.day; });
}
int16_t Hour(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.hour; });
}
int16_t Minute(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.minute; });
}
int16_t Second(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.second; });
}
int16_t WeekDay(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.weekday; });
}
int16_t JulianDay(const Value& v, Report& r) {
    return DateField(v, r, [](const DateParts& p) { return p.yearDay; });
}

int16_t IsDate(const Value& value) {
    double serial = 0.0;
    if (value.type == kTypeDate) return -1;
    if (value.type == kTypeString && ParseDate(value.text, serial)) return -1;
    return 0;
}

std::string DateText(const DateParts& p) {
    return CFormat("%02d-%02d-%02d", p.month, p.day, ((p.year % 100) + 100) % 100);
}

std::string TimeText(const DateParts& p) {
    return CFormat("%02d:%02d:%02d", p.hour, p.minute, p.second);
}

std::string NowText(const DateParts& p) {
    int wd = (p.weekday % 7 + 7) % 7;
    int mon = (p.month >= 1 && p.month <= 12) ? p.month - 1 : 0;
    return CFormat("%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kShortDays[wd], kShortMonths[mon], p.day,
                   p.hour, p.minute, p.second, p.year);
}

DateParts LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    DateParts p;
    p.year = tm.tm_year + 1900;
    p.month = tm.tm_mon + 1;
    p.day = tm.tm_mday;
    p.hour = tm.tm_hour;
    p.minute = tm.tm_min;
    p.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    p.weekday = tm.tm_wday;
    p.yearDay = tm.tm_yday + 1;
    return p;
}

}  // namespace tessel::runtime
