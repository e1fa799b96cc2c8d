// Conversion built-ins, the value conversions and the status texts.
#include "engine/runtime/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/runtime/value.h"

using namespace tessel::runtime;

TEST(Convert, RoundingHalfAwayFromZero) {
    Report r;
    EXPECT_EQ(CInt(2.5, r), 3);
    EXPECT_EQ(CInt(-2.5, r), -3);
    EXPECT_EQ(CInt(1.5, r), 2);
    EXPECT_EQ(CInt(2.4999, r), 2);
    // Adding 0.5 and truncating would give 1 here.
    EXPECT_EQ(CInt(0.49999999999999994, r), 0);
    EXPECT_EQ(CInt(32767.4, r), 32767);
    EXPECT_EQ(CInt(-32768.4, r), -32768);
    EXPECT_EQ(CLng(-2.5, r), -3);
    EXPECT_EQ(CLng(2147483647.4, r), 2147483647);
    EXPECT_EQ(CLng(-2147483648.4, r), -2147483647 - 1);
    EXPECT_EQ(r.status, Status::kOk);

    Report over;
    EXPECT_EQ(CInt(32767.5, over), 0);
    EXPECT_EQ(over.status, Status::kOverflow);
    EXPECT_EQ(ReportMessage(over), "Overflow\n");
    for (double bad : {2147483647.5, -2147483648.5, std::nan(""), 1e300}) {
        Report o;
        CLng(bad, o);
        EXPECT_EQ(o.status, Status::kOverflow) << bad;
    }
}

TEST(Convert, IntFixAndSingle) {
    Report r;
    EXPECT_EQ(Int(-2.5, r), -3);
    EXPECT_EQ(Int(-2.0, r), -2);
    EXPECT_EQ(Int(2.9, r), 2);
    EXPECT_EQ(Fix(-2.5, r), -2);
    EXPECT_EQ(Fix(2.9, r), 2);
    EXPECT_EQ(CDbl(0.1), 0.1);
    EXPECT_EQ(CSng(0.1, r), 0.1f);
    EXPECT_EQ(r.status, Status::kOk);
    Report o1, o2;
    Int(3e9, o1);
    EXPECT_EQ(o1.status, Status::kOverflow);
    CSng(1e39, o2);
    EXPECT_EQ(o2.status, Status::kOverflow);
}

TEST(Convert, TextForms) {
    EXPECT_EQ(CStr(0.1), "0.1");
    EXPECT_EQ(CStr(1234567.0), "1.23457e+06");
    EXPECT_EQ(CStr(1e-5), "1e-05");
    EXPECT_EQ(Str(0.1), "0.1");
    EXPECT_EQ(Str(1.0 / 3.0), "0.33333333333333");
    EXPECT_EQ(Str(-2.5), "-2.5");
    EXPECT_EQ(Str(1e15), "1e+15");

    EXPECT_EQ(Val("  12.5abc"), 12.5);
    EXPECT_EQ(Val("abc"), 0.0);
    EXPECT_EQ(Val("-3e2x"), -300.0);
    EXPECT_EQ(Val("1e"), 1.0);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("+7"), 7.0);
    // Only decimal text is read.
    EXPECT_EQ(Val("0x10"), 0.0);
    EXPECT_EQ(Val("inf"), 0.0);
    EXPECT_EQ(Val(""), 0.0);
}

TEST(Convert, HexAndOct) {
    Report r;
    EXPECT_EQ(Hex(-1, r), "ffffffff");
    EXPECT_EQ(Hex(-2, r), "fffffffe");
    EXPECT_EQ(Hex(255, r), "ff");
    EXPECT_EQ(Hex(0, r), "0");
    EXPECT_EQ(Hex(2.5, r), "3");
    EXPECT_EQ(Hex(-2.5, r), "fffffffd");
    EXPECT_EQ(Hex(2147483647.0, r), "7fffffff");
    EXPECT_EQ(Oct(8, r), "10");
    EXPECT_EQ(Oct(-1, r), "177777");
    EXPECT_EQ(Oct(65536 + 8, r), "10");
    EXPECT_EQ(r.status, Status::kOk);
    Report o;
    EXPECT_EQ(Hex(4294967296.0, o), "");
    EXPECT_EQ(o.status, Status::kOverflow);
}

TEST(Convert, ValueConversions) {
    Report r;
    EXPECT_EQ(ToInteger(Value::Empty(), r), 0);
    EXPECT_EQ(ToInteger(Value::Double(2.5), r), 3);
    EXPECT_EQ(ToInteger(Value::Double(-2.5), r), -3);
    EXPECT_EQ(ToInteger(Value::String("12.7"), r), 12);
    EXPECT_EQ(ToInteger(Value::String("abc"), r), 0);
    EXPECT_EQ(ToLong(Value::Integer(-5), r), -5);
    EXPECT_EQ(ToLong(Value::String(" -123xyz"), r), -123);
    EXPECT_EQ(ToDouble(Value::String("2.5e1"), r), 25.0);
    EXPECT_EQ(ToSingle(Value::Double(0.5), r), 0.5f);
    EXPECT_EQ(r.status, Status::kOk);

    Report over;
    ToInteger(Value::Long(40000), over);
    EXPECT_EQ(over.status, Status::kOverflow);
    Report overText;
    ToLong(Value::String("99999999999"), overText);
    EXPECT_EQ(overText.status, Status::kOverflow);

    EXPECT_EQ(ToText(Value::Integer(5), r), "5");
    EXPECT_EQ(ToText(Value::Long(-70000), r), "-70000");
    EXPECT_EQ(ToText(Value::Single(0.1f), r), "0.100000");
    EXPECT_EQ(ToText(Value::Double(0.1), r), "0.1");
    EXPECT_EQ(ToText(Value::Empty(), r), "");
    EXPECT_EQ(r.status, Status::kOk);

    Report a, b, c, d, e;
    ToInteger(Value::OfType(kTypeObject), a);
    ToLong(Value::OfType(kTypeObject), b);
    ToSingle(Value::OfType(kTypeObject), c);
    ToDouble(Value::OfType(kTypeObject), d);
    ToText(Value::OfType(kTypeObject), e);
    EXPECT_EQ(ReportMessage(a), "Unknown type: 9 in GetShort()\n");
    EXPECT_EQ(ReportMessage(b), "Unknown type: 9 in GetLong()\n");
    EXPECT_EQ(ReportMessage(c), "Type Mismatch - Unknown type in GetFloat()\n");
    EXPECT_EQ(ReportMessage(d), "Unknown type in GetDouble()\n");
    EXPECT_EQ(ReportMessage(e), "Unknown type: 9 in GetString()\n");
}

TEST(Convert, PrintItems) {
    std::string out;
    ASSERT_TRUE(PrintItemText(Value::Integer(5), out));
    EXPECT_EQ(out, " 5");
    ASSERT_TRUE(PrintItemText(Value::String("a"), out));
    EXPECT_EQ(out, " a");
    ASSERT_TRUE(PrintItemText(Value::Long(-70000), out));
    EXPECT_EQ(out, " -70000");
    ASSERT_TRUE(PrintItemText(Value::Single(0.1f), out));
    EXPECT_EQ(out, " 0.100000");
    ASSERT_TRUE(PrintItemText(Value::Double(0.1), out));
    EXPECT_EQ(out, " 0.1");
    ASSERT_TRUE(PrintItemText(Value::Double(1234567.0), out));
    EXPECT_EQ(out, " 1.23457e+06");
    ASSERT_TRUE(PrintItemText(Value::Empty(), out));
    EXPECT_EQ(out, " ");
    EXPECT_FALSE(PrintItemText(Value::OfType(kTypeObject), out));
    EXPECT_EQ(out, "");
}

TEST(Status, EveryCodeHasItsText) {
    EXPECT_STREQ(StatusText(Status::kOk), "");
    for (int i = 1; i < kStatusCount; ++i) {
        const char* text = StatusText(static_cast<Status>(i));
        ASSERT_NE(text[0], '\0') << i;
        EXPECT_EQ(text[std::char_traits<char>::length(text) - 1], '\n') << i;
    }
    EXPECT_TRUE(StatusIsWarning(Status::kCouldNotConvertTime));
    EXPECT_TRUE(StatusIsWarning(Status::kAbsUnknownType));
    EXPECT_TRUE(StatusIsWarning(Status::kIsNumericUnknownType));
    EXPECT_FALSE(StatusIsWarning(Status::kOverflow));
    EXPECT_FALSE(StatusIsWarning(Status::kInvalidProcedureCall));
    // The first failure is kept.
    Report r;
    Fail(r, Status::kOverflow);
    Fail(r, Status::kIllegalChr, 5);
    EXPECT_EQ(r.status, Status::kOverflow);
    EXPECT_STREQ(StatusText(static_cast<Status>(999)), "");
}
