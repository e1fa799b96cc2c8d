// Calls of declared library functions: the integer-register shapes (called
// without libffi) and the others (through libffi) give the C library's
// results, with By-reference arguments written back and missing trailing
// arguments passed as 0.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/engine/engine_test_util.h"

namespace {

int32_t Long(Engine& e, const char* name) {
    int32_t v = -12345;
    EXPECT_EQ(tesGetGlobalLongVar(e.ctx, name, &v), TES_OK) << name;
    return v;
}

std::string Text(Engine& e, const char* name) {
    char buffer[256] = {};
    EXPECT_EQ(tesGetGlobalStringVar(e.ctx, name, buffer, sizeof buffer), TES_OK) << name;
    return buffer;
}

const char* const kDeclarations =
    "Declare Function labs Lib \"libc.so.6\" (ByVal n&) As Long\n"
    "Declare Function cabs Lib \"libc.so.6\" Alias \"abs\" (ByVal n%) As Integer\n"
    "Declare Function strlen Lib \"libc.so.6\" (ByVal s$) As Long\n"
    "Declare Function strchr Lib \"libc.so.6\" (ByVal s$, ByVal c&) As String\n"
    "Declare Function strncmp Lib \"libc.so.6\" (ByVal a$, ByVal b$, ByVal n&) As Long\n"
    "Declare Sub srand Lib \"libc.so.6\" (ByVal seed&)\n"
    "Declare Function rand Lib \"libc.so.6\" () As Long\n"
    "Declare Function getpid Lib \"libc.so.6\" () As Long\n"
    "Declare Function mmap Lib \"libc.so.6\" (ByVal a&, ByVal n&, ByVal p&, ByVal f&, "
    "ByVal d&, ByVal o&) As Long\n"
    "Declare Function frexp Lib \"libm.so.6\" (ByVal x#, e&) As Double\n"
    "Declare Function ldexp Lib \"libm.so.6\" (ByVal x#, ByVal e&) As Double\n"
    "Dim r1 As Long, r2 As Long, r3 As Integer, r4 As Long, r5 As String, r6 As Long\n"
    "Dim r7 As Long, r8 As Long, r9 As Long, r10 As Long, r11 As Double, r12 As Long\n"
    "Dim r13 As Double, r14 As Long, r15 As Long, r16 As String\n";

}  // namespace

TEST(EngineLibCalls, IntegerShapesAndLibffiShapesGiveTheCLibrarysResults) {
    Engine e;
    std::string program = kDeclarations;
    program +=
        "Sub Main\n"
        "  r1 = labs(-7)\n"
        "  r2 = labs(-2147483647)\n"
        "  r3 = cabs(-300)\n"
        "  r4 = strlen(\"hello\")\n"
        "  r5 = strchr(\"hello\", 108)\n"
        "  r16 = strchr(\"hello\", 122)\n"  // no match: a null pointer gives \"\"
        "  r6 = strncmp(\"abcx\", \"abcy\", 3)\n"
        "  r7 = strncmp(\"abcx\", \"abcy\", 4)\n"
        "  srand 7\n"
        "  r8 = rand()\n"
        "  r9 = rand()\n"
        "  r10 = getpid()\n"
        "  r11 = frexp(8.0, r12)\n"
        "  r13 = ldexp(0.75, 4)\n"
        "  r14 = mmap(0, 4096, 1, &H22, -1, 0)\n"  // six integer arguments
        "  For i = 1 To 1000\n"
        "    r15 = r15 + labs(-i)\n"
        "  Next i\n"
        "End Sub\n";
    ASSERT_EQ(e.Run(program), TES_OK) << (e.Errors().empty() ? "" : e.Errors()[0].text);
    EXPECT_EQ(Long(e, "r1"), 7);
    EXPECT_EQ(Long(e, "r2"), 2147483647);
    int32_t r3 = 0;
    EXPECT_EQ(tesGetGlobalIntegerVar(e.ctx, "r3", &r3), TES_OK);
    EXPECT_EQ(r3, 300);
    EXPECT_EQ(Long(e, "r4"), 5);
    EXPECT_EQ(Text(e, "r5"), "llo");
    EXPECT_EQ(Text(e, "r16"), "");
    EXPECT_EQ(Long(e, "r6"), 0);
    EXPECT_LT(Long(e, "r7"), 0);
    std::srand(7);
    const int first = std::rand();
    const int second = std::rand();
    EXPECT_EQ(Long(e, "r8"), first);
    EXPECT_EQ(Long(e, "r9"), second);
    EXPECT_EQ(Long(e, "r10"), int32_t(getpid()));
    double r11 = 0, r13 = 0;
    EXPECT_EQ(tesGetGlobalDoubleVar(e.ctx, "r11", &r11), TES_OK);
    EXPECT_EQ(r11, 0.5);
    EXPECT_EQ(Long(e, "r12"), 4);  // written back through the reference
    EXPECT_EQ(tesGetGlobalDoubleVar(e.ctx, "r13", &r13), TES_OK);
    EXPECT_EQ(r13, 12.0);
    // A mapping is page-aligned (its low 32 bits too); failure would be -1.
    EXPECT_NE(Long(e, "r14"), -1);
    EXPECT_EQ(Long(e, "r14") & 4095, 0);
    EXPECT_EQ(Long(e, "r15"), 500500);
}

TEST(EngineLibCalls, MissingTrailingArgumentsAreZero) {
    Engine e;
    std::string program = kDeclarations;
    program +=
        "Sub Main\n"
        "  r1 = labs()\n"
        "  r6 = strncmp(\"abc\", \"xyz\")\n"  // n = 0: equal
        "End Sub\n";
    ASSERT_EQ(e.Run(program), TES_OK) << (e.Errors().empty() ? "" : e.Errors()[0].text);
    EXPECT_EQ(Long(e, "r1"), 0);
    EXPECT_EQ(Long(e, "r6"), 0);
}
