// Text built-ins: positions, counts, case, trimming.
#include "engine/runtime/text.h"

#include <gtest/gtest.h>

using namespace tessel::runtime;

TEST(Text, DocumentedCases) {
    Report r;
    EXPECT_EQ(Mid("abcdef", 2, 3, r), "bcd");
    EXPECT_EQ(Right("abcdef", 2, r), "ef");
    EXPECT_EQ(Left("ab", 5, r), "ab");
    EXPECT_EQ(InStr(1, "abcabc", "ca", r), 3);
    EXPECT_EQ(InStr(4, "abcabc", "a", r), 4);
    EXPECT_EQ(StrComp("abc", "ABC"), 0);
    EXPECT_EQ(r.status, Status::kOk);

    Report chr;
    EXPECT_EQ(Chr(300, chr), "");
    EXPECT_EQ(ReportMessage(chr), "Illegal Function Call! Chr(300)\n");
    Report neg;
    Chr(-1, neg);
    EXPECT_EQ(ReportMessage(neg), "Illegal Function Call! Chr(-1)\n");

    Report space;
    EXPECT_EQ(Space(70000, space), "");
    EXPECT_EQ(ReportMessage(space), "Invalid procedure call\n");
}

TEST(Text, PositionsAreClamped) {
    Report r;
    EXPECT_EQ(Mid("abc", 0, 2, r), "ab");
    EXPECT_EQ(Mid("abc", 3, 1, r), "c");
    EXPECT_EQ(Mid("abc", 4, 1, r), "");
    EXPECT_EQ(Mid("abc", 60000, 60000, r), "");
    EXPECT_EQ(Mid("abc", 2, 65000, r), "bc");
    EXPECT_EQ(Mid("", 1, 1, r), "");
    EXPECT_EQ(Right("ab", 5, r), "ab");
    EXPECT_EQ(Right("ab", 0, r), "");
    EXPECT_EQ(Left("abc", 0, r), "");
    EXPECT_EQ(InStr(0, "abc", "c", r), 3);
    EXPECT_EQ(InStr(3, "abc", "c", r), 3);
    EXPECT_EQ(InStr(4, "abc", "c", r), 0);
    EXPECT_EQ(InStr(1, "abc", "", r), 1);
    EXPECT_EQ(InStr(2, "abc", "", r), 2);
    EXPECT_EQ(InStr(1, "", "", r), 0);
    EXPECT_EQ(InStr(1, "abc", "abcd", r), 0);
    EXPECT_EQ(InStr(1, "aXbx", "x", r), 4);  // InStr is case-sensitive
    EXPECT_EQ(r.status, Status::kOk);

    for (int32_t bad : {-1, 65001, 70000}) {
        Report a, b, c, d, e;
        Left("abc", bad, a);
        Right("abc", bad, b);
        Mid("abc", 1, bad, c);
        InStr(bad, "abc", "a", d);
        String(bad, "x", e);
        for (Report* x : {&a, &b, &c, &d, &e})
            EXPECT_EQ(x->status, Status::kInvalidProcedureCall) << bad;
    }
}

TEST(Text, BytesAndCase) {
    // Asc is unsigned, and Chr(Asc(x)) gives every byte back.
    EXPECT_EQ(Asc(""), 0);
    EXPECT_EQ(Asc("A"), 65);
    EXPECT_EQ(Asc("\xe9t\xe9"), 233);
    for (int code = 0; code < 256; ++code) {
        Report r;
        std::string c = Chr(code, r);
        ASSERT_EQ(c.size(), 1u);
        EXPECT_EQ(Asc(c), code);
    }

    EXPECT_EQ(StrComp("a", "B"), -1);
    EXPECT_EQ(StrComp("B", "a"), 1);
    EXPECT_EQ(StrComp("abc", "ab"), 1);
    EXPECT_EQ(StrComp("", ""), 0);
    EXPECT_EQ(StrComp("\xe9", "z"), 1);  // bytes compare unsigned

    EXPECT_EQ(UCase("abC1\xe9z"), "ABC1\xe9Z");
    EXPECT_EQ(LCase("ABc1\xc9Z"), "abc1\xc9z");
    std::string longText(100000, 'q');
    std::string upper = UCase(longText);
    ASSERT_EQ(upper.size(), 100000u);
    EXPECT_EQ(upper.find_first_not_of('Q'), std::string::npos);

    EXPECT_EQ(LTrim("  a b  "), "a b  ");
    EXPECT_EQ(RTrim("  a b  "), "  a b");
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\tx\t "), "\tx\t");
    EXPECT_EQ(Trim("   "), "");

    Report r;
    EXPECT_EQ(Space(3, r), "   ");
    EXPECT_EQ(Space(0, r), "");
    EXPECT_EQ(String(3, "xyz", r), "xxx");
    EXPECT_EQ(String(3, "", r), "");
    EXPECT_EQ(String(65000, "ab", r).size(), 65000u);
    EXPECT_EQ(r.status, Status::kOk);
}
