// Serial dates, the date parser and the date built-ins. Serial day numbers
// were taken from Python's datetime (days since 1899-12-30).
#include "engine/runtime/dates.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tessel::runtime;

namespace {
double Parsed(const char* text) {
    double serial = -1e9;
    EXPECT_TRUE(ParseDate(text, serial)) << text;
    return serial;
}
}  // namespace

TEST(Dates, SerialDays) {
    EXPECT_EQ(DaySerial(1899, 12, 30), 0);
    EXPECT_EQ(DaySerial(2026, 12, 25), 46381);
    EXPECT_EQ(DaySerial(1979, 6, 1), 29007);
    EXPECT_EQ(DaySerial(1995, 1, 1), 34700);
    EXPECT_EQ(DaySerial(100, 1, 1), -657434);
    EXPECT_EQ(DaySerial(9999, 12, 31), 2958465);
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2026, 13), 0);

    DateParts p;
    ASSERT_TRUE(PartsFromSerial(46381.75, p));
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 25);
    EXPECT_EQ(p.hour, 18);
    EXPECT_EQ(p.weekday, 5);  // Friday
    EXPECT_EQ(p.yearDay, 359);

    // Before the base day the fraction is still the time of day.
    ASSERT_TRUE(PartsFromSerial(-1.25, p));
    EXPECT_EQ(p.year, 1899);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
    double serial = 0;
    ASSERT_TRUE(SerialFromParts(1899, 12, 29, 6, 0, 0, serial));
    EXPECT_EQ(serial, -1.25);

    // Rounded to the second, carrying into the next day.
    ASSERT_TRUE(PartsFromSerial(46381.0 + 86399.7 / 86400.0, p));
    EXPECT_EQ(p.day, 26);
    EXPECT_EQ(p.hour, 0);
    EXPECT_EQ(p.second, 0);

    EXPECT_FALSE(PartsFromSerial(std::nan(""), p));
    EXPECT_FALSE(PartsFromSerial(2958466.0, p));
    EXPECT_FALSE(PartsFromSerial(2958465.0 + 86399.9 / 86400.0, p));  // rounds past 9999
    EXPECT_FALSE(PartsFromSerial(-657435.0, p));
    EXPECT_FALSE(SerialFromParts(2026, 2, 29, 0, 0, 0, serial));
    EXPECT_FALSE(SerialFromParts(99, 1, 1, 0, 0, 0, serial));
    EXPECT_FALSE(SerialFromParts(2026, 1, 1, 24, 0, 0, serial));
}

TEST(Dates, Parser) {
    const double christmas = 46381.0;
    EXPECT_EQ(Parsed("12/25/2026"), christmas);
    EXPECT_EQ(Parsed("12-25-2026"), christmas);
    EXPECT_EQ(Parsed("12.25.2026"), christmas);
    EXPECT_EQ(Parsed("12/25/26"), christmas);
    EXPECT_EQ(Parsed("25/12/2026"), christmas);  // a month above 12 swaps
    EXPECT_EQ(Parsed("2026-12-25"), christmas);
    EXPECT_EQ(Parsed("2026/12/25"), christmas);
    EXPECT_EQ(Parsed("Dec 25, 2026"), christmas);
    EXPECT_EQ(Parsed("December 25 2026"), christmas);
    EXPECT_EQ(Parsed("25 december 2026"), christmas);
    EXPECT_EQ(Parsed("25-DEC-2026"), christmas);
    EXPECT_EQ(Parsed("Friday, December 25, 2026"), christmas);
    EXPECT_EQ(Parsed("2026 Dec 25"), christmas);
    EXPECT_EQ(Parsed("Sept 1 2026"), DaySerial(2026, 9, 1));
    EXPECT_EQ(Parsed("Dec 2026"), DaySerial(2026, 12, 1));
    EXPECT_EQ(Parsed("1/1/29"), DaySerial(2029, 1, 1));
    EXPECT_EQ(Parsed("1/1/30"), DaySerial(1930, 1, 1));
    EXPECT_EQ(Parsed("  12/25/2026  "), christmas);
    EXPECT_EQ(Parsed("2026-12-25T18:00:00"), christmas + 0.75);

    EXPECT_EQ(Parsed("10:30:00"), 10.5 / 24);
    EXPECT_EQ(Parsed("10:30"), 10.5 / 24);
    EXPECT_EQ(Parsed("6:00:00.75"), 0.25);
    EXPECT_EQ(Parsed("10 PM"), 22.0 / 24);
    EXPECT_EQ(Parsed("12:00 am"), 0.0);
    EXPECT_EQ(Parsed("12:00 PM"), 0.5);
    EXPECT_EQ(Parsed("12/25/2026 18:00"), christmas + 0.75);
    EXPECT_EQ(Parsed("6:00 PM 12/25/26"), christmas + 0.75);
    EXPECT_EQ(Parsed("12/29/1899 06:00"), -1.25);
    // The texts of Date and Now read back.
    EXPECT_EQ(Parsed("12-06-26"), 46362.0);
    EXPECT_EQ(Parsed("Sun Dec  6 18:00:00 2026\n"), 46362.75);

    double serial = 0;
    for (const char* bad : {"",
                            "12",
                            "12.5",
                            "-5",
                            "1e5",
                            "abc",
                            "12/25",
                            "Dec 25",
                            "Dec",
                            "13/45/2026",
                            "2/30/2026",
                            "0/1/2026",
                            "25:00",
                            "10:61",
                            "10:30:61",
                            "13:00 PM",
                            "0 AM",
                            "10:30 PM PM",
                            "1/2/3/4",
                            "Dec Jan 2026",
                            "12/25/2026 x",
                            "t",
                            "12/25/2026 t",
                            "10:30 t 5",
                            "10::30",
                            "12/25/2026 10:30 11:00",
                            "1/1/10000",
                            "1/1/99999999999",
                            "12#25#2026",
                            "am 10"})
        EXPECT_FALSE(ParseDate(bad, serial)) << bad;
}

TEST(Dates, FieldBuiltins) {
    Report r;
    // The hour of a time without a date.
    EXPECT_EQ(Hour(Value::String("10:30:00"), r), 10);
    EXPECT_EQ(Minute(Value::String("10:30:00"), r), 30);
    EXPECT_EQ(Second(Value::String("10:30:01"), r), 1);
    Value christmas = Value::String("12/25/2026 22:05:09");
    EXPECT_EQ(Year(christmas, r), 2026);
    EXPECT_EQ(Month(christmas, r), 12);
    EXPECT_EQ(Day(christmas, r), 25);
    EXPECT_EQ(Hour(christmas, r), 22);
    EXPECT_EQ(Minute(christmas, r), 5);
    EXPECT_EQ(Second(christmas, r), 9);
    EXPECT_EQ(WeekDay(christmas, r), 5);
    EXPECT_EQ(JulianDay(christmas, r), 359);
    EXPECT_EQ(JulianDay(Value::String("1/1/2026"), r), 1);
    EXPECT_EQ(WeekDay(Value::String("12/6/2026"), r), 0);
    // Dates before 1980 and Date values and numbers as serials.
    EXPECT_EQ(Year(Value::String("1979-06-01"), r), 1979);
    EXPECT_EQ(Month(Value::Date(29007.0), r), 6);
    EXPECT_EQ(Day(Value::Double(46381.5), r), 25);
    EXPECT_EQ(r.status, Status::kOk);

    for (const Value& bad : {Value::String("hello"), Value::Empty(), Value::Null(),
                             Value::Double(1e7), Value::OfType(kTypeObject)}) {
        Report w;
        EXPECT_EQ(Day(bad, w), 0);
        EXPECT_EQ(ReportMessage(w), "could not convert time\n");
        EXPECT_TRUE(StatusIsWarning(w.status));
    }

    EXPECT_EQ(IsDate(Value::Date(1.0)), -1);
    EXPECT_EQ(IsDate(Value::String("12/25/2026")), -1);
    EXPECT_EQ(IsDate(Value::String("10:30")), -1);
    EXPECT_EQ(IsDate(Value::String("hello")), 0);
    EXPECT_EQ(IsDate(Value::Double(5)), 0);
}

TEST(Dates, Texts) {
    DateParts p;
    ASSERT_TRUE(PartsFromSerial(46362.0 + (17 * 3600 + 13 * 60 + 41) / 86400.0, p));
    EXPECT_EQ(DateText(p), "12-06-26");
    EXPECT_EQ(TimeText(p), "17:13:41");
    EXPECT_EQ(NowText(p), "Sun Dec  6 17:13:41 2026\n");
    ASSERT_TRUE(PartsFromSerial(DaySerial(2005, 3, 14) + 0.5, p));
    EXPECT_EQ(DateText(p), "03-14-05");
    EXPECT_EQ(TimeText(p), "12:00:00");
    EXPECT_EQ(NowText(p), "Mon Mar 14 12:00:00 2005\n");

    // The clock reading is a valid date whose texts parse back.
    DateParts now = LocalNow();
    EXPECT_GE(now.year, 2000);
    double serial = 0;
    EXPECT_TRUE(ParseDate(NowText(now), serial));
    EXPECT_TRUE(ParseDate(DateText(now), serial));
    EXPECT_TRUE(ParseDate(TimeText(now), serial));
}
