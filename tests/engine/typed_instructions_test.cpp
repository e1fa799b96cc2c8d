// typed_instructions_test.cpp: the typed and fused loop instructions (ADDK,
// NEXTL, AUPDK) give the results, errors, lines and stepping of the general
// instructions they stand for.
#include <string>

#include "engine/codegen.h"
#include "engine/context.h"
#include "engine_test_util.h"

namespace {

std::string Listing(const std::string& program) {
    Engine e;
    EXPECT_EQ(e.Compile(program), TES_OK) << program;
    return tessel::ListCode(*tessel::CurrentContext());
}

TEST(TypedInstructions, SelectedForTheLoopForms) {
    std::string loop = Listing(
        "Sub Main\nDim i As Long, s As Long\nFor i = 1 To 10\ns = s + 1\nNext i\nEnd Sub\n");
    EXPECT_NE(loop.find("ADDK.ADD -4 "), std::string::npos) << loop;
    EXPECT_NE(loop.find("NEXTL -3 -5 2"), std::string::npos) << loop;
    EXPECT_EQ(loop.find(" ADD "), std::string::npos) << loop;
    std::string reversed = Listing("Sub Main\nDim s As Long\ns = 1 + s\ns = s - 2\nEnd Sub\n");
    EXPECT_NE(reversed.find("ADDK.RADD"), std::string::npos) << reversed;
    EXPECT_NE(reversed.find("ADDK.SUB"), std::string::npos) << reversed;
    // Only a constant on the variable itself: x = y + 1 and x = 1 - x stay general.
    std::string general = Listing("Sub Main\nx = y + 1\nx = 1 - x\nx = x + y\nEnd Sub\n");
    EXPECT_EQ(general.find("ADDK"), std::string::npos) << general;
    std::string array = Listing(
        "Sub Main\nDim a(10) As Long, k As Long\na(k) = a(k) + 1\na(k) = a(k) * 2\nEnd Sub\n");
    EXPECT_NE(array.find("AUPDK"), std::string::npos) << array;
    EXPECT_EQ(array.find("AUPDK"), array.rfind("AUPDK")) << array;  // not the multiplication
}

// Each program prints what the general instructions give for the same values
// (y is computed by a form that is never fused).
TEST(TypedInstructions, ResultsMatchTheGeneralForms) {
    struct Case {
        const char* program;
        const char* output;
    };
    const Case cases[] = {
        {"Dim s As Long: s = 2147483646: s = s + 1: Print s", " 2147483647\n"},
        {"Dim s As Long: s = -2147483647: s = s - 1: Print s", " -2147483648\n"},
        {"Dim i As Integer: i = 32766: i = i + 1: i = -32767: i = i - 1: Print i", " -32768\n"},
        {"Dim i As Integer: i = -30000: i = i + 40000: Print i", " 10000\n"},
        {"Dim s As Long: s = 5: s = 70000 + s: Print s", " 70005\n"},
        {"Dim v: v = 5: y = v + 1: v = v + 1: Print v = y; VarType(v)", " -1 2\n"},
        {"Dim v: v = 32767&: v = v + 1: Print v; VarType(v)", " 32768 3\n"},
        {"Dim d As Double: d = 1.5: d = d + 1: Print d", " 2.5\n"},
        {"Dim f As Single: f = 0.5: f = f - 1: Print f", " -0.500000\n"},
    };
    for (const Case& c : cases) {
        Engine e;
        std::string program = std::string("Sub Main\n") + c.program + "\nEnd Sub\n";
        EXPECT_EQ(e.Run(program), TES_OK) << c.program;
        EXPECT_EQ(e.Output(), c.output) << c.program;
    }
}

TEST(TypedInstructions, OverflowAtTheBoundaryOnItsLine) {
    const char* cases[] = {
        "Dim s As Long: s = 2147483647\ns = s + 1",
        "Dim s As Long: s = -2147483647: s = s - 1\ns = s - 1",
        "Dim i As Integer: i = 32767\ni = i + 1",
        "Dim i As Integer: i = -32768\ni = i - 1",
        "Dim i As Integer: i = 1\ni = i + 40000",
        "Dim i As Long: i = 2147483646\nFor i = i To 2147483647: Next",
        "Dim a(3) As Long, k As Long: k = 2: a(k) = 2147483647\na(k) = a(k) + 1",
        "Dim a(3) As Long, k As Long: k = 2: a(k) = -2147483647: a(k) = a(k) - 1\na(k) = a(k) - 1",
    };
    for (const char* c : cases) {
        Engine e;
        std::string program = std::string("Sub Main\n") + c + "\nPrint \"after\"\nEnd Sub\n";
        EXPECT_EQ(e.Run(program), -1) << c;
        ASSERT_EQ(e.Errors().size(), 1u) << c;
        EXPECT_EQ(e.Errors()[0].text, "Overflow\n") << c;
        EXPECT_EQ(e.Errors()[0].line, 3) << c;
        EXPECT_EQ(e.Output(), "") << c;
    }
}

TEST(TypedInstructions, ByRefParametersAndArraysOfOtherTypes) {
    Engine e;
    ASSERT_EQ(e.Run("Sub Main\nDim n As Long, m As Integer\nInc n\nInc n\nIncI m\nPrint n; m\n"
                    "Dim b(3) As Integer, v(3), d(3) As Double, k As Integer\nk = 1\n"
                    "b(k) = b(k) + 1: v(k) = v(k) + 1: d(k) = d(k) - 0.5\n"
                    "Print b(1); v(1); d(1)\nEnd Sub\n"
                    "Sub Inc(x As Long)\nx = x + 1\nEnd Sub\nSub IncI(x As Integer)\nx = x + 7\n"
                    "End Sub\n"),
              TES_OK);
    EXPECT_EQ(e.Output(), " 2 7\n 1 1 -0.5\n");
    // A subscript out of range and a String variable do what the general forms do.
    const char* pairs[][2] = {
        {"Dim a(3) As Long, k As Long: k = 9\ny = a(k) + 1: a(k) = y: Print a(k)",
         "Dim a(3) As Long, k As Long: k = 9\na(k) = a(k) + 1: Print a(k)"},
        {"Dim t As String: t = \"4\"\ny = t + 1: t = y: Print t",
         "Dim t As String: t = \"4\"\nt = t + 1: Print t"},
        {"Dim t As String: t = \"4\"\ny = 1 + t: t = y: Print t",
         "Dim t As String: t = \"4\"\nt = 1 + t: Print t"},
    };
    for (const auto& p : pairs) {
        // One context at a time: the fixture collects messages of the newest.
        TesResult rg;
        std::string out;
        std::vector<Message> errors;
        {
            Engine g;
            rg = g.Run(std::string("Sub Main\n") + p[0] + "\nEnd Sub\n");
            out = g.Output();
            errors = g.Errors();
        }
        Engine f;
        EXPECT_EQ(f.Run(std::string("Sub Main\n") + p[1] + "\nEnd Sub\n"), rg) << p[1];
        EXPECT_EQ(f.Output(), out) << p[1];
        ASSERT_EQ(f.Errors().size(), errors.size()) << p[1];
        for (size_t i = 0; i < errors.size(); ++i) {
            EXPECT_EQ(f.Errors()[i].text, errors[i].text) << p[1];
            EXPECT_EQ(f.Errors()[i].line, errors[i].line) << p[1];
        }
    }
}

TEST(TypedInstructions, LoopsWithChangedCounterExitAndIntegerLimit) {
    Engine e;
    ASSERT_EQ(
        e.Run("Sub Main\nDim i As Long, a(1000) As Long, k As Long\n"
              "For i = 1 To 10\ni = i + 2\nPrint i\nNext i\nPrint i\n"
              "For i = 1 To 100\nIf i = 4 Then Exit For\nNext\nPrint i\n"
              "For i = 5 To 1\nPrint \"never\"\nNext\nPrint i\n"
              "For i = 1 To 3000\nk = i Mod 7\na(k) = a(k) + 1\nNext\nPrint a(0); a(1); a(6)\n"
              "End Sub\n"),
        TES_OK);
    EXPECT_EQ(e.Output(), " 3\n 6\n 9\n 12\n 13\n 4\n 5\n 428 429 428\n");
}

TEST(TypedInstructions, SteppingStopsAtEveryLineOfAFusedLoop) {
    Engine e;
    ASSERT_EQ(e.Compile("Sub Main\nDim i As Long, s As Long, a(3) As Long\nFor i = 1 To 2\n"
                        "s = s + 1\na(i) = a(i) + 1\nNext i\nPrint s; a(2)\nEnd Sub\n"),
              TES_OK);
    int32_t src = 0, line = 0;
    std::string lines;
    for (int n = 0; n < 20; ++n) {
        ASSERT_EQ(tesDebugStep(e.ctx, &src, &line), TES_OK);
        lines += std::to_string(line) + " ";
        if (line == -1) break;
    }
    EXPECT_EQ(lines, "4 5 6 3 4 5 6 3 7 8 -1 ");
    EXPECT_EQ(e.Output(), " 2 1\n");
    // Under a step limit every instruction goes through the general handlers.
    Engine limited;
    tesSetRunLimits(limited.ctx, 100000, 0);
    ASSERT_EQ(limited.Run("Sub Main\nDim a(3) As Long, i As Long, s As Integer\n"
                          "For i = 1 To 1000\na(1) = a(1) + 1\ns = s + 2\nNext\n"
                          "Print a(1); s; i\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(limited.Output(), " 1000 2000 1001\n");
}

}  // namespace
