// quick_forms_test.cpp: the run loop's quick instructions (typed forms of
// calls, returns, comparisons, arithmetic, Mod and the array update) give
// the values, errors and lines that the general instructions give. Each
// program's output is checked against values worked out by hand, and the
// same program run under a step limit (which sends every instruction through
// the general handlers) must give the same outcome.
#include <string>

#include "engine_test_util.h"

namespace {

struct Outcome {
    TesResult result;
    std::string output;
    std::string errors;  // "line: text" each
};

Outcome Run(const std::string& program, bool general) {
    Engine e;
    if (general) tesSetRunLimits(e.ctx, 1000000000, 0);
    Outcome o{e.Run(program), e.Output(), ""};
    for (const Message& m : e.Errors()) o.errors += std::to_string(m.line) + ": " + m.text;
    return o;
}

// Runs both ways; the outcomes must agree and match the expected one.
void Expect(const std::string& program, TesResult result, const std::string& output,
            const std::string& errors) {
    Outcome quick = Run(program, false);
    EXPECT_EQ(quick.result, result) << program;
    EXPECT_EQ(quick.output, output) << program;
    EXPECT_EQ(quick.errors, errors) << program;
    Outcome general = Run(program, true);
    EXPECT_EQ(general.result, quick.result) << program;
    EXPECT_EQ(general.output, quick.output) << program;
    EXPECT_EQ(general.errors, quick.errors) << program;
}

const char* const kProcedures =
    "Function Fib(n As Long) As Long\n"
    "  If n < 2 Then\n"
    "    Fib = n\n"
    "  Else\n"
    "    Fib = Fib(n - 1) + Fib(n - 2)\n"
    "  End If\n"
    "End Function\n"
    "Sub Inc(x As Long)\n"
    "  x = x + 1\n"
    "End Sub\n"
    "Sub IncI(x As Integer)\n"
    "  x = x + 7\n"
    "End Sub\n"
    "Function Twice(v)\n"
    "  Twice = v + v\n"
    "End Function\n"
    "Function Add3(ByVal a As Long, b As Long) As Long\n"
    "  a = a + 100\n"
    "  Add3 = a + b\n"
    "End Function\n"
    "Function Fresh() As Long\n"
    "  Dim c As Long\n"
    "  c = c + 1\n"
    "  Fresh = c\n"
    "End Function\n"
    "Function Blank() As String\n"
    "  Dim t As String * 3\n"
    "  Blank = \"[\" & t & \"]\"\n"
    "  t = \"xyz\"\n"
    "End Function\n"
    "Function Kind() As Integer\n"
    "  Dim v\n"
    "  Kind = VarType(v)\n"
    "  v = 5\n"
    "End Function\n"
    "Function Sum(k As Long) As Long\n"
    "  If k = 0 Then\n"
    "    Sum = 0\n"
    "  Else\n"
    "    Sum = k + Sum(k - 1)\n"
    "  End If\n"
    "End Function\n";

TEST(QuickForms, CallsBindAndReturnAsTheGeneralPath) {
    // Recursion, ByRef parameters written back (Long and Integer), Variant
    // parameters of three types, a ByVal parameter changed in the callee,
    // locals that start fresh in every call (a Long, a fixed-length String,
    // a Variant), recursion through an argument expression.
    Expect(std::string("Sub Main\n"
                       "  Dim n As Long, i As Integer\n"
                       "  Print Fib(15); Fib(1); Fib(0)\n"
                       "  n = 5: Inc n: Inc n: Print n\n"
                       "  i = 3: IncI i: Print i\n"
                       "  Print Twice(4); Twice(2.5); Twice(\"ab\")\n"
                       "  Print Add3(n, 1); n\n"
                       "  Print Fresh(); Fresh()\n"
                       "  Print Blank(); Blank()\n"
                       "  Print Kind(); Kind()\n"
                       "  Print Sum(100)\n"
                       "End Sub\n") +
               kProcedures,
           TES_OK, " 610 1 0\n 7\n 10\n 8 5 abab\n 108 7\n 1 1\n [   ] [   ]\n 0 0\n 5050\n", "");
}

TEST(QuickForms, ErrorsKeepTheirTextAndLine) {
    // The depth limit through the quick call.
    Expect(
        "Sub Main\n  Print Deep(1)\nEnd Sub\n"
        "Function Deep(n As Long) As Long\n  Deep = Deep(n + 1)\nEnd Function\n",
        -1, "", "5: Nested calls cannot exceed: 10000\n");
    // A Long result that does not fit the Integer it is returned into.
    Expect(
        "Sub Main\n  Dim i As Integer\n  i = Big(1)\n  Print i\nEnd Sub\n"
        "Function Big(n As Long) As Long\n  Big = 40000 * n\nEnd Function\n",
        -1, "", "8: Overflow\n");
    // An argument computed and pushed in one step that leaves the Long range.
    Expect(
        "Sub Main\n  Print G(-2147483647 - 1)\nEnd Sub\n"
        "Function G(n As Long) As Long\n  G = H(n - 1)\nEnd Function\n"
        "Function H(n As Long) As Long\n  H = n\nEnd Function\n",
        -1, "", "5: Overflow\n");
    // A sum of two Long variables and a Long loop limit at the top of the range.
    Expect(
        "Sub Main\n  Dim a As Long, b As Long\n  a = 2147483647: b = 1\n"
        "  c = a + b\n  Print \"after\"\nEnd Sub\n",
        -1, "", "4: Overflow\n");
    Expect(
        "Sub Main\n  Dim a As Long, b As Long\n  a = -2147483647: b = 2\n"
        "  c = a - b\n  Print \"after\"\nEnd Sub\n",
        -1, "", "4: Overflow\n");
    // A Long Mod into an Integer that cannot hold the remainder.
    Expect(
        "Sub Main\n  Dim r As Integer, m As Long\n  m = 49999\n  r = m Mod 50000\n"
        "  Print \"after\"\nEnd Sub\n",
        -1, "", "4: Overflow\n");
    // Mod by a constant 0 keeps its message.
    Expect("Sub Main\n  Dim m As Long\n  m = 5\n  m = m Mod 0\nEnd Sub\n", -1, "",
           "4: Division by zero\n");
    // The array update out of range and at the edge of the Long range.
    Expect(
        "Sub Main\n  Dim a(-5 To 5) As Long, k As Long\n  k = 6\n  a(k) = a(k) + 1\n"
        "End Sub\n",
        -1, "", "4: Subscript out of range\n");
    Expect(
        "Sub Main\n  Dim a(3) As Long, k As Long\n  k = 3: a(k) = -2147483647\n"
        "  a(k) = a(k) - 2\nEnd Sub\n",
        -1, "", "4: Overflow\n");
}

TEST(QuickForms, ModComparisonsAndArrayUpdatesOfOtherTypes) {
    // Mod truncates toward zero; an Integer Mod stays an Integer; a Long Mod
    // fits an Integer target; a lower bound below zero; an Integer compared
    // with a constant; a Variant holding a Double compared and updated.
    Expect(
        "Sub Main\n"
        "  Dim r As Integer, m As Long, j As Integer, a(-5 To 5) As Long, k As Long, v\n"
        "  m = -13: Print m Mod 7; 13 Mod -7\n"
        "  j = -7: Print j Mod 4; VarType(j Mod 4)\n"
        "  m = 100000: r = m Mod 40000: Print r\n"
        "  k = -5: a(k) = a(k) + 3: a(k) = a(k) - 1: Print a(-5); a(5)\n"
        "  j = 1: If j < 2 Then Print \"lt\"\n"
        "  v = 1.5: If v < 2 Then Print \"vlt\"\n"
        "  v = v + 1: Print v; VarType(v)\n"
        "  For k = 1 To 3: m = k Mod 2: Print m;: Next k\n"
        "  Print\n"
        "End Sub\n",
        TES_OK, " -6 6\n -3 2\n 20000\n 2 0\n lt\n vlt\n 2.5 5\n 1\n 0\n 1\n\n", "");
}

}  // namespace
