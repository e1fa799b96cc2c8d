// typed_instructions_test.cpp: the typed and fused loop instructions (ADDK,
// NEXTL, AUPDK) and the fused text calls (MIDREL, INSTR3) give the results,
// errors, lines and stepping of the general instructions they stand for.
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

// What a run leaves: its result, output and errors with their lines.
struct Outcome {
    TesResult result;
    std::string output;
    std::string errors;  // "line: text" each
};

Outcome RunProgram(const std::string& program, int64_t maxSteps = 0) {
    Engine e;
    if (maxSteps) tesSetRunLimits(e.ctx, maxSteps, 0);
    Outcome o{e.Run(program), e.Output(), ""};
    for (const Message& m : e.Errors()) o.errors += std::to_string(m.line) + ": " + m.text;
    return o;
}

// The text calls in their fused forms and written so that none is fused
// (a computed argument is a moved temporary): the same answers.
const char* const kFusedTextLines =
    "If Mid(s, a, b) = t Then Print \"eq\"; Else Print \"ne\";\n"
    "If Mid(s, a, b) < t Then Print \"lt\"; Else Print \"ge\";\n"
    "If Mid(s, a, b) <> t Then Print \"ne\"; Else Print \"eq\";\n"
    "Print InStr(a, s, t)\n";
const char* const kGeneralTextLines =
    "If Mid(s & \"\", a + 0, b + 0) = t Then Print \"eq\"; Else Print \"ne\";\n"
    "If Mid(s & \"\", a + 0, b + 0) < t Then Print \"lt\"; Else Print \"ge\";\n"
    "If Mid(s & \"\", a + 0, b + 0) <> t Then Print \"ne\"; Else Print \"eq\";\n"
    "Print InStr(a + 0, s & \"\", t & \"\")\n";

// Printed lines: each answer after a blank, then "end".
std::string Lines(const std::string& answers) {
    std::string out = " ";
    for (char c : answers) out += c == ' ' ? std::string("\n ") : std::string(1, c);
    return out + "\n end\n";
}

std::string TextProgram(const std::string& setup, const char* lines) {
    return "Sub Main\n" + setup + "\n" + lines + "Print \"end\"\nEnd Sub\n";
}

TEST(TypedInstructions, TextCallsSelectedForTheirForms) {
    const std::string setup = "Dim s As String, t As String, a As Long, b As Long";
    std::string fused = Listing(TextProgram(setup, kFusedTextLines));
    EXPECT_NE(fused.find("MIDREL.PUSHREF"), std::string::npos) << fused;
    EXPECT_NE(fused.find("INSTR3.PUSH"), std::string::npos) << fused;
    std::string general = Listing(TextProgram(setup, kGeneralTextLines));
    EXPECT_EQ(general.find("MIDREL"), std::string::npos) << general;
    EXPECT_EQ(general.find("INSTR3"), std::string::npos) << general;
    // A Mid not compared, the two-argument InStr and a Function of the
    // program's own named InStr stay general.
    std::string other =
        Listing("Sub Main\nDim s As String\ny = Mid(s, 1, 2)\nPrint InStr(s, \"x\")\nEnd Sub\n");
    EXPECT_EQ(other.find("MIDREL"), std::string::npos) << other;
    EXPECT_EQ(other.find("INSTR3"), std::string::npos) << other;
    std::string own = Listing(
        "Sub Main\nDim s As String\nPrint Find(1, s, \"x\")\nEnd Sub\n"
        "Function Find(a As Long, s As String, t As String) As Long\nFind = 7\nEnd Function\n");
    EXPECT_EQ(own.find("INSTR3"), std::string::npos) << own;
}

// Starts of 0, past the end and at the end, lengths past the end and 0,
// empty texts and needles, case, a NUL inside, Variants holding numbers,
// Double counts, ByRef and ByVal parameters: fused and general agree, and
// the answers are the ones the general instructions always gave.
TEST(TypedInstructions, TextCallEdgesMatchTheGeneralForms) {
    struct Case {
        const char* setup;
        const char* answers;  // of the four lines, as the general instructions gave them
    };
    const Case cases[] = {
        {"s = \"hello world\": a = 1: b = 5: t = \"hello\"", "eq ge eq 1"},
        {"s = \"hello world\": a = 7: b = 5: t = \"world\"", "eq ge eq 7"},
        {"s = \"hello\": a = 0: b = 2: t = \"he\"", "eq ge eq 1"},
        {"s = \"hello\": a = 0: b = 2: t = \"l\"", "ne lt ne 3"},
        {"s = \"hello\": a = 9: b = 2: t = \"\"", "eq ge eq 0"},
        {"s = \"hello\": a = 6: b = 2: t = \"\"", "eq ge eq 0"},
        {"s = \"hello\": a = 5: b = 2: t = \"o\"", "eq ge eq 5"},
        {"s = \"hello\": a = 4: b = 100: t = \"lo\"", "eq ge eq 4"},
        {"s = \"hello\": a = 2: b = 0: t = \"\"", "eq ge eq 2"},
        {"s = \"hello\": a = 2: b = 0: t = \"e\"", "ne lt ne 2"},
        {"s = \"\": a = 1: b = 3: t = \"\"", "eq ge eq 0"},
        {"s = \"\": a = 0: b = 0: t = \"x\"", "ne lt ne 0"},
        {"s = \"Hello\": a = 1: b = 5: t = \"HELLO\"", "eq ge eq 0"},
        {"s = \"abc\": a = 1: b = 3: t = \"abd\"", "ne lt ne 0"},
        {"s = \"abd\": a = 1: b = 3: t = \"ABC\"", "ne ge ne 0"},
        {"s = \"ab\" & Chr(0) & \"cd\": a = 1: b = 4: t = \"ab\"", "eq ge eq 1"},
        {"s = \"ab\" & Chr(0) & \"cd\": a = 2: b = 4: t = Chr(0)", "ne ge ne 3"},
        {"s = \"xyz\": a = 4: b = 32767: t = \"\"", "eq ge eq 0"},
    };
    for (const Case& c : cases) {
        for (const char* decl :
             {"Dim s As String, t As String, a As Long, b As Long",
              "Dim s As String, t As String, a As Integer, b As Integer", "Dim s, t, a, b"}) {
            const std::string setup = std::string(decl) + "\n" + c.setup;
            Outcome fused = RunProgram(TextProgram(setup, kFusedTextLines));
            Outcome general = RunProgram(TextProgram(setup, kGeneralTextLines));
            EXPECT_EQ(fused.result, TES_OK) << setup;
            EXPECT_EQ(fused.output, Lines(c.answers)) << setup;
            EXPECT_EQ(fused.output, general.output) << setup;
            EXPECT_EQ(fused.errors, "") << setup;
        }
    }
    // Values the fused forms leave to the general path: a number as the
    // text, Double counts (rounded), fixed-length strings, parameters.
    const char* others[] = {
        "Dim s, t, a, b\ns = 12345: a = 2: b = 2: t = \"23\"",
        "Dim s, t, a, b\ns = \"abcdef\": a = 2.6: b = 1.5: t = \"c\"",
        "Dim s As String * 6, t As String, a As Long, b As Long\ns = \"ab\": a = 1: b = 6: t = "
        "\"ab    \"",
        "Dim t As String, a As Long, b As Long\ns = Chr(1): a = 1: b = 1: t = Chr(1)",
        "Dim s As String, t As String, a As Long, b As Long\ns = \"xyz\": a = 65000: b = 65000",
        "Dim s As String, t, a As Long, b As Long\ns = \"abc\": a = 1: b = 1: t = 5",
    };
    for (const char* setup : others) {
        Outcome fused = RunProgram(TextProgram(setup, kFusedTextLines));
        Outcome general = RunProgram(TextProgram(setup, kGeneralTextLines));
        EXPECT_EQ(fused.result, general.result) << setup;
        EXPECT_EQ(fused.output, general.output) << setup;
        EXPECT_EQ(fused.errors, general.errors) << setup;
        EXPECT_NE(fused.output.find("end"), std::string::npos) << setup << fused.errors;
    }
    // A text as a count is read as a number, as before.
    Outcome text = RunProgram(
        TextProgram("Dim s As String, t As String, a, b As Long\ns = \"abc\": a = \"x\": b = 1",
                    kFusedTextLines));
    EXPECT_EQ(text.output, Lines("ne ge ne 1")) << text.errors;
    Outcome params = RunProgram(
        "Sub Main\nDim s As String, n As Long\ns = \"the quick fox\"\n"
        "n = ByR(s) + ByV(s) + ByR(\"quick\") + ByV(\"a quick\")\nPrint n; s\nEnd Sub\n"
        "Function ByR(p As String) As Long\nIf Mid(p, 5, 5) = \"quick\" Then ByR = InStr(1, p, "
        "\"fox\")\nEnd Function\n"
        "Function ByV(ByVal p As String) As Long\nIf Mid(p, 3, 5) = \"quick\" Then ByV = 100\n"
        "p = \"changed\"\nEnd Function\n");
    EXPECT_EQ(params.output, " 111 the quick fox\n") << params.errors;
}

// Counts outside 0..65000 report "Invalid procedure call" on the call's line,
// also a text that is not a number; nothing after it runs.
TEST(TypedInstructions, TextCallErrorsKeepTheirTextAndLine) {
    const char* setups[] = {
        "Dim s As String, t As String, a As Long, b As Long\ns = \"abc\": a = -1: b = 1",
        "Dim s As String, t As String, a As Long, b As Long\ns = \"abc\": a = 1: b = 65001",
        "Dim s As String, t As String, a As Integer, b As Integer\ns = \"abc\": a = 1: b = -2",
        "Dim s As String, t As String, a As Long, b As Long\ns = \"abc\": a = 65001: b = 1",
    };
    for (const char* setup : setups) {
        Outcome fused = RunProgram(TextProgram(setup, kFusedTextLines));
        Outcome general = RunProgram(TextProgram(setup, kGeneralTextLines));
        EXPECT_EQ(fused.result, general.result) << setup;
        EXPECT_EQ(fused.output, general.output) << setup;
        EXPECT_EQ(fused.errors, general.errors) << setup;
        EXPECT_EQ(fused.output.find("end"), std::string::npos) << setup;
    }
    // A start out of range on InStr alone, on line 4.
    Outcome instr = RunProgram(
        "Sub Main\nDim s As String, a As Long\ns = \"abc\": a = 70000\nPrint InStr(a, s, \"b\")\n"
        "End Sub\n");
    EXPECT_EQ(instr.errors, "4: Invalid procedure call\n");
    Outcome mid = RunProgram(
        "Sub Main\nDim s As String, a As Long\ns = \"abc\": a = -3\n\nIf Mid(s, a, 1) = \"a\" Then "
        "Print 1\nEnd Sub\n");
    EXPECT_EQ(mid.errors, "5: Invalid procedure call\n");
}

// Steps the program below took before its text calls were fused, and where
// the step limit stopped it with one to eleven steps fewer.
constexpr int64_t kStepsOfLimited = 98;
const char* const kStopsOfLimited[] = {
    "10: Step limit reached\n", "4: Step limit reached\n", "9: Step limit reached\n",
    "8: Step limit reached\n",  "8: Step limit reached\n", "8: Step limit reached\n",
    "8: Step limit reached\n",  "8: Step limit reached\n", "8: Step limit reached\n",
    "7: Step limit reached\n",  "7: Step limit reached\n"};

// Stepping and the step limit run the general instructions: the same lines
// and the same step counts as the forms that are never fused.
TEST(TypedInstructions, TextCallsStepLikeTheGeneralForms) {
    auto stepLines = [](const char* lines) {
        Engine e;
        std::string program =
            std::string(
                "Sub Main\nDim s As String, t As String, a As Long, b As Long, n As Long\n"
                "s = \"hello\": a = 2: b = 3: t = \"ell\"\nFor n = 1 To 2\n") +
            lines + "Next n\nEnd Sub\n";
        EXPECT_EQ(e.Compile(program), TES_OK);
        int32_t src = 0, line = 0;
        std::string out;
        for (int i = 0; i < 40; ++i) {
            EXPECT_EQ(tesDebugStep(e.ctx, &src, &line), TES_OK);
            out += std::to_string(line) + " ";
            if (line == -1) break;
        }
        return out + "|" + e.Output();
    };
    const std::string fused = stepLines(kFusedTextLines);
    EXPECT_EQ(fused, stepLines(kGeneralTextLines));
    const std::string turn = Lines("eq ge eq 2").substr(0, 15);  // without "end"
    EXPECT_EQ(fused, "4 5 6 7 8 9 4 5 6 7 8 9 4 10 -1 |" + turn + turn);
    // Under a step limit the fused program takes exactly the steps the
    // general instructions took before they were fused (counted then).
    const std::string limited =
        "Sub Main\nDim s As String, t As String, a As Long, b As Long, n As Long\n"
        "s = \"hello\": a = 2: b = 3: t = \"ell\"\nFor n = 1 To 3\n" +
        std::string(kFusedTextLines) + "Next n\nEnd Sub\n";
    Outcome enough = RunProgram(limited, kStepsOfLimited);
    EXPECT_EQ(enough.errors, "");
    EXPECT_EQ(enough.output, turn + turn + turn);
    for (int64_t limit = kStepsOfLimited - 1; limit > kStepsOfLimited - 12; --limit) {
        Outcome cut = RunProgram(limited, limit);
        EXPECT_EQ(cut.errors, kStopsOfLimited[kStepsOfLimited - 1 - limit]) << limit;
    }
}

}  // namespace
