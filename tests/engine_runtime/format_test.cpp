// Format: named formats, sections, number patterns and date patterns
// (run under LC_ALL=C, so names are the C locale's English ones).
#include "engine/runtime/format.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tessel::runtime;

namespace {
std::string F(const Value& v, const char* format) {
    Report r;
    std::string out = Format(v, format, r);
    EXPECT_EQ(r.status, Status::kOk) << format;
    return out;
}
std::string F(double d, const char* format) {
    return F(Value::Double(d), format);
}
}  // namespace

TEST(Format, PlainFormsAndTypes) {
    EXPECT_EQ(F(Value::Empty(), "0.00"), "Empty");
    EXPECT_EQ(F(Value::Null(), ""), "Null");
    EXPECT_EQ(F(Value::Integer(5), ""), "5");
    EXPECT_EQ(F(Value::Single(0.1f), ""), "0.100000");
    EXPECT_EQ(F(Value::Double(0.1), ""), "0.1");
    EXPECT_EQ(F(Value::String("hello"), ""), "hello");
    EXPECT_EQ(F(Value::String("hello"), "0.00"), "hello");
    EXPECT_EQ(F(Value::String("3.14159"), "0.00"), "3.14");
    Report bad;
    EXPECT_EQ(Format(Value::OfType(kTypeObject), "0", bad), "");
    EXPECT_EQ(ReportMessage(bad), "Format( Unknown type: 9 )\n");
}

TEST(Format, NamedFormats) {
    EXPECT_EQ(F(0.5, "General Number"), "0.5");
    EXPECT_EQ(F(Value::Integer(12), "general number"), "12");
    EXPECT_EQ(F(1234.5, "Currency"), "$1234.50");
    EXPECT_EQ(F(-1234.5, "Currency"), "-$1234.50");
    EXPECT_EQ(F(3.14159, "Fixed"), "3.14");
    EXPECT_EQ(F(0.0, "FIXED"), "0.00");
    EXPECT_EQ(F(1234567.891, "Standard"), "1,234,567.89");
    EXPECT_EQ(F(12.5, "Standard"), "12.50");
    EXPECT_EQ(F(0.1234, "Percent"), "12.34%");
    EXPECT_EQ(F(0.0, "Yes/No"), "No");
    EXPECT_EQ(F(Value::Integer(-1), "Yes/No"), "Yes");
    EXPECT_EQ(F(2.0, "true/false"), "True");
    EXPECT_EQ(F(0.0, "True/False"), "False");
    EXPECT_EQ(F(1.0, "On/Off"), "On");
    EXPECT_EQ(F(0.0, "On/Off"), "Off");

    Value when = Value::String("12/25/2026 22:05:09");
    EXPECT_EQ(F(when, "Short Date"), "12/25/26");
    EXPECT_EQ(F(when, "Medium Date"), "12/25/26");
    EXPECT_EQ(F(when, "Long Date"), "Friday, December 25, 2026");
    EXPECT_EQ(F(when, "Short Time"), "22:05");
    EXPECT_EQ(F(when, "Medium Time"), "10:05 PM");
    EXPECT_EQ(F(when, "Long Time"), "10:05:09 PM");
    EXPECT_EQ(F(when, "General Date"), "12/25/26 10:05:09 PM");
    EXPECT_EQ(F(Value::Date(46381.0), ""), "12/25/26");
    EXPECT_EQ(F(Value::Date(0.25), ""), "06:00:00 AM");
    EXPECT_EQ(F(Value::Date(46381.5), "Fixed"), "46381.50");
    EXPECT_EQ(F(Value::Date(46381.5), "Yes/No"), "Yes");
    // A number through a named date format is a serial date.
    EXPECT_EQ(F(46381.0, "Short Date"), "12/25/26");
}

TEST(Format, Sections) {
    EXPECT_EQ(F(-5, "0.0;(0.0)"), "(5.0)");
    EXPECT_EQ(F(5, "0.0;(0.0)"), "5.0");
    EXPECT_EQ(F(0, "0;-0;\\Z\\e\\r\\o"), "Zero");
    EXPECT_EQ(F(0, "0;-0;\"nothing\""), "nothing");
    EXPECT_EQ(F(0, "0.0;-0;"), "0.0");  // an empty zero section uses the first
    EXPECT_EQ(F(-5, "0;;x"), "-5");     // an empty negative section too
    EXPECT_EQ(F(-5, "0"), "-5");
    EXPECT_EQ(F(-0.001, "0.00"), "0.00");  // no sign on a number shown as zero
    EXPECT_EQ(F(0, "0;a\\;b;c"), "c");     // an escaped ';' does not split
    EXPECT_EQ(F(-2, "0;a\\;b;c"), "a;b");
}

TEST(Format, NumberPatterns) {
    EXPECT_EQ(F(5, "000"), "005");
    EXPECT_EQ(F(12345, "00"), "12345");
    EXPECT_EQ(F(1234567, "#,##0"), "1,234,567");
    EXPECT_EQ(F(123, "#,##0"), "123");
    EXPECT_EQ(F(1234, "#,#"), "1,234");
    EXPECT_EQ(F(0.5, "#.##"), ".5");
    EXPECT_EQ(F(0, "#"), "");
    EXPECT_EQ(F(2, "0.##"), "2");
    EXPECT_EQ(F(2.5, "0.0#"), "2.5");
    EXPECT_EQ(F(2.567, "0.0#"), "2.57");
    EXPECT_EQ(F(5.25, ".00"), "5.25");
    EXPECT_EQ(F(0.25, "0%"), "25%");
    EXPECT_EQ(F(0.0126, "0.0%"), "1.3%");
    EXPECT_EQ(F(1234567, "0,"), "1235");
    EXPECT_EQ(F(1234567890, "#,##0,,"), "1,235");
    EXPECT_EQ(F(1234.5, "0.00,"), "1234.50,");  // after the point a comma is text
    EXPECT_EQ(F(-1234.5, "$#,##0.00"), "-$1,234.50");
    EXPECT_EQ(F(5, "\\#0"), "#5");
    EXPECT_EQ(F(5, "\"Total: \"0"), "Total: 5");
    EXPECT_EQ(F(5, "+0 (x)"), "+5 (x)");
    EXPECT_EQ(F(5551234567.0, "(000) 000-0000"), "(555) 123-4567");
    EXPECT_EQ(F(42, "0 Hz"), "42 Hz");
    EXPECT_EQ(F(1e20, "#,##0"), "100,000,000,000,000,000,000");
    EXPECT_EQ(F(std::numeric_limits<double>::infinity(), "0.00"), "inf");
    // Exact halves round away from zero; values near a half round by their
    // binary value (2.675 is 2.67499999...).
    EXPECT_EQ(F(2.5, "0"), "3");
    EXPECT_EQ(F(3.5, "0"), "4");
    EXPECT_EQ(F(-2.5, "0"), "-3");
    EXPECT_EQ(F(0.5, "#"), "1");
    EXPECT_EQ(F(9.5, "0"), "10");
    EXPECT_EQ(F(99.5, "#,##0"), "100");
    EXPECT_EQ(F(0.125, "0.00"), "0.13");
    EXPECT_EQ(F(0.375, "0.00"), "0.38");
    EXPECT_EQ(F(0.0125, "0.0%"), "1.3%");  // 1.25 after the exact product
    EXPECT_EQ(F(9.995, "0.00"), "9.99");   // 9.99499999...
    EXPECT_EQ(F(2.675, "0.00"), "2.67");
    EXPECT_EQ(F(1e22 + 0.0, "0"), "10000000000000000000000");
    EXPECT_EQ(FormatNumber(7, "0.0"), "7.0");
}

TEST(Format, DatePatterns) {
    Value when = Value::String("12/25/2026 22:05:09");
    EXPECT_EQ(F(when, "yyyy-mm-dd hh:nn:ss"), "2026-12-25 22:05:09");
    EXPECT_EQ(F(when, "d/m/yy"), "25/12/26");
    EXPECT_EQ(F(when, "dddd, mmmm d"), "Friday, December 25");
    EXPECT_EQ(F(when, "ddd mmm"), "Fri Dec");
    EXPECT_EQ(F(when, "DDD MMM YYYY"), "Fri Dec 2026");
    EXPECT_EQ(F(when, "y"), "359");
    EXPECT_EQ(F(when, "q"), "4");
    EXPECT_EQ(F(when, "h:nn AM/PM"), "10:05 PM");
    EXPECT_EQ(F(when, "hh:nn am/pm"), "10:05 pm");
    EXPECT_EQ(F(when, "h:n:s"), "22:5:9");
    EXPECT_EQ(F(when, "\\d\\a\\y d"), "day 25");
    EXPECT_EQ(F(when, "\"at\" hh"), "at 22");
    EXPECT_EQ(F(when, "yyyy;ignored"), "2026");
    EXPECT_EQ(F(Value::String("1/2/2026 00:30"), "hh AMPM m/d"), "12 AM 1/2");
    EXPECT_EQ(F(Value::String("1/2/2026 12:30"), "hh AMPM"), "12 PM");
    EXPECT_EQ(F(Value::String("3/4/1850"), "mm/dd/yyyy"), "03/04/1850");
    EXPECT_EQ(F(Value::Date(46381.5), "dd.mm.yyyy hh:nn"), "25.12.2026 12:00");
    // A date with digit placeholders is formatted as its serial number.
    EXPECT_EQ(F(Value::Date(46381.5), "0.0"), "46381.5");
    EXPECT_EQ(FormatDate(1e9, "yyyy"), "");
}
