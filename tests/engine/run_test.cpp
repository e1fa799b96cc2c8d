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
    EXPECT_TRUE(std::regex_search(listing, std::regex("(^|\n)0 ADD [0-9]+ [0-9]+ -3 ;"))) << listing;
    EXPECT_NE(listing.find("1 JFALSE -3"), std::string::npos) << listing;
    EXPECT_NE(listing.find("LEAVE"), std::string::npos) << listing;
    // Declarations and constants emit nothing: the first procedure starts at 0.
    Engine d;
    ASSERT_EQ(d.Compile("Const A = 1\nDim g As Long\nDeclare Function f App () As Long\nSub Main\nEnd Sub\n"), TES_OK);
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
        std::string program = std::string("Sub Main\n") + c.program + "\nPrint \"after\"\nEnd Sub\n";
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

}  // namespace
