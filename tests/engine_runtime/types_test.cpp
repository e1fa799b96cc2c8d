// Type tests, Len, Abs and Rnd.
#include "engine/runtime/types.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/runtime/math.h"
#include "engine/runtime/random.h"

using namespace tessel::runtime;

TEST(Types, LenAndTypeTests) {
    Report r;
    EXPECT_EQ(Len(Value::Integer(7), r), 2);
    EXPECT_EQ(Len(Value::Long(7), r), 4);
    EXPECT_EQ(Len(Value::Single(7), r), 4);
    EXPECT_EQ(Len(Value::Double(7), r), 8);
    EXPECT_EQ(Len(Value::String("hello"), r), 5);
    EXPECT_EQ(Len(Value::Empty(), r), 0);
    EXPECT_EQ(Len(Value::Null(), r), 0);
    EXPECT_EQ(r.status, Status::kOk);
    Report bad;
    EXPECT_EQ(Len(Value::OfType(kTypeObject), bad), 0);
    EXPECT_EQ(ReportMessage(bad), "Len( Unknown type: 9 )\n");
    EXPECT_FALSE(StatusIsWarning(bad.status));

    EXPECT_EQ(VarType(Value::String("x")), 8);
    EXPECT_EQ(VarType(Value::Long(1)), 3);
    EXPECT_EQ(IsEmpty(Value::Empty()), -1);
    EXPECT_EQ(IsEmpty(Value::Integer(0)), 0);
    EXPECT_EQ(IsNull(Value::Null()), -1);
    EXPECT_EQ(IsNull(Value::Empty()), 0);
    EXPECT_EQ(IsObject(Value::OfType(kTypeObject)), -1);
    EXPECT_EQ(IsObject(Value::String("x")), 0);
    Value array = Value::Integer(0);
    array.isArray = true;
    EXPECT_EQ(IsArray(array), -1);
    EXPECT_EQ(IsArray(Value::Integer(0)), 0);
}

TEST(Types, IsNumeric) {
    Report r;
    EXPECT_EQ(IsNumeric(Value::Empty(), r), -1);
    EXPECT_EQ(IsNumeric(Value::Double(1), r), -1);
    EXPECT_EQ(IsNumeric(Value::Null(), r), 0);
    for (const char* yes : {"12.5", " -3e2 ", "+.5", "7", "1.", "2E+10"})
        EXPECT_EQ(IsNumeric(Value::String(yes), r), -1) << yes;
    for (const char* no : {"12a", "", " ", ".", "-", "1e", "1 2", "0x10", "inf", "1,5"})
        EXPECT_EQ(IsNumeric(Value::String(no), r), 0) << no;
    EXPECT_EQ(r.status, Status::kOk);
    Report bad;
    EXPECT_EQ(IsNumeric(Value::OfType(kTypeObject), bad), 0);
    EXPECT_EQ(ReportMessage(bad), "IsNumeric( Unknown type: 9 )\n");
    EXPECT_TRUE(StatusIsWarning(bad.status));
}

TEST(Math, AbsAndFunctions) {
    Report r;
    EXPECT_EQ(Abs(Value::Integer(-5), r), 5.0);
    EXPECT_EQ(Abs(Value::Long(-70000), r), 70000.0);
    EXPECT_EQ(Abs(Value::Single(-0.5f), r), 0.5);
    EXPECT_EQ(Abs(Value::String("-2.5x"), r), 2.5);
    EXPECT_EQ(Abs(Value::String("abc"), r), 0.0);
    EXPECT_EQ(Abs(Value::Empty(), r), 0.0);
    EXPECT_EQ(r.status, Status::kOk);
    Report bad;
    EXPECT_EQ(Abs(Value::OfType(kTypeObject), bad), 0.0);
    EXPECT_EQ(ReportMessage(bad), "Abs( UnknownType: 9 )\n");
    EXPECT_TRUE(StatusIsWarning(bad.status));

    EXPECT_DOUBLE_EQ(Atn(1.0) * 4.0, 3.141592653589793);
    EXPECT_DOUBLE_EQ(Cos(0.0), 1.0);
    EXPECT_DOUBLE_EQ(Sin(3.141592653589793 / 2), 1.0);
    EXPECT_DOUBLE_EQ(Tan(3.141592653589793 / 4), 1.0);
    EXPECT_DOUBLE_EQ(Exp(1.0), 2.718281828459045);
    EXPECT_DOUBLE_EQ(Log(2.718281828459045), 1.0);
    EXPECT_DOUBLE_EQ(Sqr(2.0), 1.4142135623730951);
}

TEST(Random, RangeAndRepeatability) {
    RandomState a, b;
    std::set<int> faces;
    std::set<int32_t> values;
    double low = 1.0, high = 0.0;
    for (int i = 0; i < 200000; ++i) {
        double x = Rnd(a);
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        low = std::min(low, x);
        high = std::max(high, x);
        int face = static_cast<int>(x * 6) + 1;
        ASSERT_GE(face, 1);
        ASSERT_LE(face, 6);
        faces.insert(face);
        values.insert(static_cast<int32_t>(x * 32768.0));
        // A second state from the same seed gives the same sequence.
        ASSERT_EQ(x, Rnd(b));
    }
    EXPECT_EQ(faces.size(), 6u);
    // The 15-bit values are spread over the whole range.
    EXPECT_GT(values.size(), 32000u);
    EXPECT_LT(low, 0.001);
    EXPECT_GT(high, 0.999);

    RandomState c;
    SeedRandom(c, 12345);
    double first = Rnd(c);
    SeedRandom(c, 12345);
    EXPECT_EQ(Rnd(c), first);
}
