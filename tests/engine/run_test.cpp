// run_test.cpp: what the compiler emits (through the code listing) and the
// interpreter's value rules that the program corpus does not pin.
#include <regex>
#include <string>

#include "engine/codegen.h"
#include "engine/context.h"
#include "engine_test_util.h"

namespace {

TEST(EngineCode, ListingShowsEmittedInstructions) {
    Engine e;
    ASSERT_EQ(e.Compile("Sub Main\nx = 1 + 2\nIf x Then y = 3\nEnd Sub\n"), TES_OK);
    std::string listing = tessel::ListCode(*tessel::CurrentContext());
    // The sum is stored straight into x (slot 1 after the result slot: operand -3).
    EXPECT_TRUE(std::regex_search(listing, std::regex("(^|\n)0 ADD [0-9]+ [0-9]+ -3 ;")))
        << listing;
    EXPECT_NE(listing.find("1 JFALSE -3"), std::string::npos) << listing;
    EXPECT_NE(listing.find("LEAVE"), std::string::npos) << listing;
    // Declarations and constants emit nothing: the first procedure starts at 0.
    Engine d;
    ASSERT_EQ(
        d.Compile(
            "Const A = 1\nDim g As Long\nDeclare Function f App () As Long\nSub Main\nEnd Sub\n"),
        TES_OK);
    EXPECT_EQ(tessel::ListCode(*tessel::CurrentContext()), "0 LEAVE -1 -1 -1 ; line 5\n");
}

TEST(EngineCode, StringAppendIsInPlace) {
    Engine e;
    ASSERT_EQ(e.Compile("Sub Main\ns = s & \"x\"\nEnd Sub\n"), TES_OK);
    std::string listing = tessel::ListCode(*tessel::CurrentContext());
    EXPECT_TRUE(std::regex_search(listing, std::regex("(^|\n)0 CONCAT -3 [0-9]+ -3 ;"))) << listing;
}

TEST(EngineRun, ValueRules) {
    struct Case {
        const char* program;
        const char* output;
    };
    const Case cases[] = {
        {"Print 2.5 + 1", " 3.5\n"},
        {"Dim i As Integer: i = 2.5: Print i: i = 3.5: Print i", " 3\n 4\n"},
        {"Dim l As Long: l = -2.5: Print l", " -3\n"},
        {"Print 1 & 2.5 & \"x\"", " 12.5x\n"},
        {"Print CSng(1) / 3", " 0.333333\n"},
        {"Print 10 Mod 4; 10.6 Mod 4", " 2 3\n"},
        {"Print 6 And 3; 6 Or 3; Not 0", " 2 7 -1\n"},
        {"Print 32767 + 1&", " 32768\n"},
        {"Print 100000 * 3", " 300000\n"},
        {"Print -(-32767)", " 32767\n"},
        {"Print \"10\" < \"9\"; 10 < 9", " -1 0\n"},
        {"Print 1.5E+3; 2.5#; 3!", " 1500 2.5 3.000000\n"},
        {"x = 1: x = x & \"\": Print VarType(x)", " 8\n"},
    };
    for (const Case& c : cases) {
        Engine e;
        std::string program = std::string("Sub Main\n") + c.program + "\nEnd Sub\n";
        EXPECT_EQ(e.Run(program), TES_OK) << c.program;
        EXPECT_EQ(e.Output(), c.output) << c.program;
    }
}

TEST(EngineRun, RuntimeErrorsStopWithTheirMessage) {
    struct Case {
        const char* program;
        const char* message;
    };
    const Case cases[] = {
        {"Print 32767 + 1", "Overflow\n"},
        {"Print 2147483647 + 1&", "Overflow\n"},
        {"Dim i As Integer: i = 1e10", "Overflow\n"},
        {"Dim i As Integer: i = -32767 - 1: Print -i", "Overflow\n"},
        {"Print CLng(3e9)", "Overflow\n"},
        {"x = 0: Print 1 Mod x", "Division by zero\n"},
        {"Print Space(70000)", "Invalid procedure call\n"},
        {"Print \"a\" * 2", "Incompatible data types\n"},
        {"Dim a(2, 2): a(1) = 3", "Wrong number of dimensions\n"},
    };
    for (const Case& c : cases) {
        Engine e;
        std::string program =
            std::string("Sub Main\n") + c.program + "\nPrint \"after\"\nEnd Sub\n";
        EXPECT_EQ(e.Run(program), -1) << c.program;
        ASSERT_EQ(e.Errors().size(), 1u) << c.program;
        EXPECT_EQ(e.Errors()[0].text, c.message) << c.program;
        EXPECT_EQ(e.Errors()[0].code, TES_E_FAIL);
        EXPECT_EQ(e.Errors()[0].line, 2);
        EXPECT_EQ(e.Output(), "") << c.program;
    }
}

TEST(EngineRun, GlobalsKeepValuesBetweenRuns) {
    Engine e;
    ASSERT_EQ(e.Compile("Global n As Long\nSub Main\nn = n + 1\nPrint n\nEnd Sub\n"), TES_OK);
    EXPECT_EQ(tesExecute(e.ctx), TES_OK);
    EXPECT_EQ(tesExecute(e.ctx), TES_OK);
    EXPECT_EQ(e.Output(), " 1\n 2\n");
}

TEST(EngineRun, StaticLocalsAndLocalShadowing) {
    Engine e;
    ASSERT_EQ(e.Run("Global x As Integer\nSub Main\nx = 7\nCount\nCount\nShadow\nPrint x\nEnd Sub\n"
                    "Sub Count\nStatic c As Integer\nc = c + 1\nPrint c\nEnd Sub\n"
                    "Sub Shadow\nDim x As String\nx = \"local\"\nPrint x\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(e.Output(), " 1\n 2\n local\n 7\n");
}

TEST(EngineRun, UserTypeArgumentsAndNamedArguments) {
    // A user-type argument is pushed as its own cell plus one reference per
    // member; named arguments are moved into their parameters' places.
    Engine e;
    ASSERT_EQ(
        e.Run("Type P\n a As Integer\n b As String\nEnd Type\n"
              "Sub Main\nDim r(2) As P\nSet2 v := 3, t := r(1)\nPrint r(1).a; r(1).b\nEnd Sub\n"
              "Sub Set2(t As P, v As Integer)\nt.a = v: t.b = \"b\" & v\nEnd Sub\n"),
        TES_OK);
    EXPECT_EQ(e.Output(), " 3 b3\n");
    std::string listing = tessel::ListCode(*tessel::CurrentContext());
    EXPECT_NE(listing.find(" CALL "), std::string::npos) << listing;
    EXPECT_TRUE(std::regex_search(listing, std::regex("CALL [0-9]+ -1 4 ;")))
        << listing;  // 1 + 2 members + v
    // The host cannot pass a user-type value.
    TesVariant args[2] = {};
    args[0].vt = TES_VT_INTEGER;
    args[1].vt = TES_VT_INTEGER;
    TesArgList list{args, nullptr, 2, 0, nullptr};
    TesVariant result{};
    EXPECT_EQ(tesCallFunc(e.ctx, "Set2", &list, &result), TES_E_INVALIDARG);
    TesVariant four[4] = {};
    for (auto& a : four) a.vt = TES_VT_INTEGER;
    TesArgList list4{four, nullptr, 4, 0, nullptr};
    EXPECT_EQ(tesCallFunc(e.ctx, "Set2", &list4, &result), TES_E_INVALIDARG);
}

TEST(EngineRun, UserTypeArrayParameters) {
    // A whole user-type array goes as its own cell plus a reference to each
    // member array; the host cannot call a procedure taking one.
    Engine e;
    ASSERT_EQ(
        e.Run("Type P\n a As Integer\n b As String\nEnd Type\n"
              "Sub Main\nDim r(1 To 2) As P\nSetAll r\nPrint r(2).a; r(1).b; UBound(r)\nEnd Sub\n"
              "Sub SetAll(t() As P)\nDim i As Integer\nFor i = LBound(t) To UBound(t)\n"
              "t(i).a = i * 3: t(i).b = \"b\" & i\nNext i\nEnd Sub\n"),
        TES_OK);
    EXPECT_EQ(e.Output(), " 6 b1 2\n");
    std::string listing = tessel::ListCode(*tessel::CurrentContext());
    EXPECT_TRUE(std::regex_search(listing, std::regex("CALL [0-9]+ -1 3 ;")))
        << listing;  // own cell + 2 members
    TesVariant args[3] = {};
    for (auto& a : args) a.vt = TES_VT_INTEGER;
    TesVariant result{};
    TesArgList one{args, nullptr, 1, 0, nullptr};
    EXPECT_EQ(tesCallFunc(e.ctx, "SetAll", &one, &result), TES_E_INVALIDARG);
    TesArgList three{args, nullptr, 3, 0, nullptr};
    EXPECT_EQ(tesCallFunc(e.ctx, "SetAll", &three, &result), TES_E_INVALIDARG);
}

TEST(EngineCode, SumPushedInOneStep) {
    // An addition or subtraction that only feeds an argument computes and
    // pushes in one instruction; results that are not Long take the general
    // rules, and the Long range still holds.
    Engine e;
    const char* show = "Function Show(v)\nShow = v\nEnd Function\n";
    ASSERT_EQ(e.Run(std::string(
                        "Sub Main\nDim s As String, i As Integer, k As Long\n"
                        "s = \"ab\": i = 3: k = 40000\n"
                        "Print Show(s + \"c\"); Show(i + 1); Show(k - 1); Show(k + k)\nEnd Sub\n") +
                    show),
              TES_OK);
    EXPECT_EQ(e.Output(), " abc 4 39999 80000\n");
    std::string listing = tessel::ListCode(*tessel::CurrentContext());
    EXPECT_NE(listing.find("PUSHOP.SUB"), std::string::npos) << listing;
    EXPECT_NE(listing.find("PUSHOP.ADD"), std::string::npos) << listing;
    Engine o;
    EXPECT_EQ(
        o.Run(std::string("Sub Main\nDim k As Long\nk = 2000000000\nPrint Show(k + k)\nEnd Sub\n") +
              show),
        -1);
    ASSERT_EQ(o.Errors().size(), 1u);
    EXPECT_EQ(o.Errors()[0].text, "Overflow\n");
    EXPECT_EQ(o.Errors()[0].line, 4);
}

TEST(EngineCode, DefinitionStackMessagesCarryTheirLines) {
    Engine e;
    std::string text;
    for (int i = 0; i < 65; ++i) text += "Type T" + std::to_string(i) + "\n";
    text += "v As Integer\n";
    for (int i = 0; i < 65; ++i) text += "End Type\n";
    text += "End Type\nSub Main\nEnd Sub\n";
    EXPECT_EQ(e.Compile(text), TES_E_SYNTAX);
    auto errors = e.Errors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].text, "Stack overflow\n");
    EXPECT_EQ(errors[0].line, 65);
    EXPECT_EQ(errors[1].text, "Stack underflow\n");
    EXPECT_EQ(errors[1].line, 132);
}

}  // namespace
