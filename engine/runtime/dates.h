// Dates and times: serial dates (days since 1899-12-30, the time of day as
// the fraction), their calendar fields, the automation date parser, and the
// Year/Month/Day/Hour/Minute/Second/WeekDay/JulianDay/IsDate built-ins and
// the Date/Time/Now texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/runtime/status.h"
#include "engine/runtime/value.h"

namespace tessel::runtime {

// Calendar fields of a serial date.
struct DateParts {
    int year = 1899;
    int month = 12;  // 1..12
    int day = 30;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 6;    // 0 Sunday .. 6 Saturday
    int yearDay = 364;  // 1 for 1 January
};

// The serial range the parser and the field functions accept: 1 January 100
// to 31 December 9999.
constexpr double kMinDateSerial = -657434.0;
constexpr double kMaxDateSerial = 2958466.0;  // exclusive

// The serial day number of a calendar date (proleptic Gregorian, no checks).
int64_t DaySerial(int year, int month, int day);

// Days in a month of a year (0 for a month outside 1..12).
int DaysInMonth(int year, int month);

// Fields of a serial date, rounded to the nearest second. A negative serial
// counts its days back from 1899-12-30 with the fraction still the time of
// day (-1.25 is 1899-12-29 06:00). False for NaN and outside the range.
bool PartsFromSerial(double serial, DateParts& parts);

// The serial date of checked fields (false when a field is out of range).
bool SerialFromParts(int year, int month, int day, int hour, int minute, int second,
                     double& serial);

// The automation date parser: dates as month/day/year (also with '-' or '.';
// a first field above 12 with a second of 12 or less is day/month/year; a
// first field of three or more digits, or above 31, makes it
// year-month-day), month names or their prefixes of three or more letters in
// either order with the day (a month name with a year alone is its first
// day), optional weekday names, and times h:mm[:ss[.fraction]] or "h AM",
// with AM/PM, before or after the date or after a 'T'. Two-digit years 0..29
// are 2000..2029, 30..99 are 1930..1999. A time alone gives a serial below
// 1.0. Texts without a year, a plain number and unknown words are rejected.
bool ParseDate(std::string_view text, double& serial);

// The serial of a Date value, a number (taken as a serial) or a String the
// parser accepts; false for anything else.
bool SerialOfValue(const Value& value, double& serial);

// Year, Month, Day, Hour, Minute, Second of a Date value, a number or a date
// String. A value that does not convert reports "could not convert time"
// (warning) and gives 0.
int16_t Year(const Value& value, Report& report);
int16_t Month(const Value& value, Report& report);
int16_t Day(const Value& value, Report& report);
int16_t Hour(const Value& value, Report& report);
int16_t Minute(const Value& value, Report& report);
int16_t Second(const Value& value, Report& report);
// Export WeekDay: 0 Sunday .. 6 Saturday.
int16_t WeekDay(const Value& value, Report& report);
// Export JulianDay: the day of the year, 1 for 1 January.
int16_t JulianDay(const Value& value, Report& report);

// IsDate: -1 for a Date value or a String the parser accepts, else 0.
int16_t IsDate(const Value& value);

// Date: "MM-DD-YY". Time: "HH:MM:SS". Now: the fixed-width form
// "Sun Dec  6 17:13:41 2026\n" (English names, ending in a newline).
std::string DateText(const DateParts& parts);
std::string TimeText(const DateParts& parts);
std::string NowText(const DateParts& parts);

// The local date and time from the system clock.
DateParts LocalNow();

}  // namespace tessel::runtime
