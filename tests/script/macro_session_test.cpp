// The debugger's session: syntax errors with line and column, breakpoints
// with the globals' values, single steps, the pause request and Stop, and
// editors the debugged macro changes through the script API.
#include "script/macro_session.h"

#include <gtest/gtest.h>

#include "engine/tessel.h"
#include "script_support.h"

using namespace ob;
using namespace ob::test;

namespace {

class MacroSessionTest : public ScriptTest {
  protected:
    std::vector<MacroMessage> messages;
    MacroSession session{nullptr, [this](const MacroMessage& m) { messages.push_back(m); }};

    std::string Value(const std::string& name) const {
        for (const auto& [n, v] : session.Globals())
            if (n == name) return v;
        return "<none>";
    }
    std::vector<std::string> Printed() const {
        std::vector<std::string> lines;
        for (const MacroMessage& m : messages)
            if (m.kind == 0) lines.push_back(m.text);
        return lines;
    }
};

const char* const kCounting =
    "Dim total As Long\n"        // 1
    "Dim label As String\n"      // 2
    "Sub Main ()\n"              // 3
    "  For i = 1 To 4\n"         // 4
    "    total = total + i\n"    // 5
    "    label = \"at \" & i\n"  // 6
    "  Next i\n"                 // 7
    "  Print total\n"            // 8
    "End Sub\n";                 // 9

}  // namespace

TEST_F(MacroSessionTest, SyntaxErrorReportsItsLineAndColumn) {
    BoxRecorder ui;
    const std::string text = "Sub Main ()\n  x = 1\n  y = = 2\nEnd Sub\n";
    EXPECT_EQ(session.Go(text, "t.bas"), TES_E_SYNTAX);
    EXPECT_EQ(session.GetState(), MacroSession::State::Failed);
    ASSERT_FALSE(messages.empty());
    const MacroMessage& m = messages[0];
    EXPECT_EQ(m.kind, 1);
    EXPECT_EQ(m.source, MacroSourceNumber());
    EXPECT_EQ(m.line, 3);
    EXPECT_EQ(m.column, 6);
    EXPECT_EQ(MacroMessageText(m, "t.bas"), "t.bas:3:7: Syntax error at: =");
    EXPECT_TRUE(ui.boxes.empty());  // the session's sink got it, no message box
}

TEST_F(MacroSessionTest, BreakpointPausesWithTheGlobalsOfThatMoment) {
    session.SetBreakpoint(5, true);
    ASSERT_EQ(session.Go(kCounting, ""), TES_OK);
    ASSERT_EQ(session.GetState(), MacroSession::State::Paused);
    EXPECT_EQ(session.PausedLine(), 5);
    EXPECT_EQ(Value("total"), "0");
    EXPECT_EQ(Value("label"), "\"\"");
    // Each Go stops at the breakpoint again, one turn later.
    ASSERT_EQ(session.Go(kCounting, ""), TES_OK);
    EXPECT_EQ(session.PausedLine(), 5);
    EXPECT_EQ(Value("total"), "1");
    EXPECT_EQ(Value("label"), "\"at 1\"");
    ASSERT_EQ(session.Go(kCounting, ""), TES_OK);
    EXPECT_EQ(Value("total"), "3");
    // Without the breakpoint the run finishes and prints the sum.
    session.SetBreakpoint(5, false);
    ASSERT_EQ(session.Go(kCounting, ""), TES_OK);
    EXPECT_EQ(session.GetState(), MacroSession::State::Finished);
    EXPECT_TRUE(session.Globals().empty());
    ASSERT_EQ(Printed().size(), 1u);
    EXPECT_EQ(Printed()[0], " 10");
}

TEST_F(MacroSessionTest, StepRunsOneLine) {
    ASSERT_EQ(session.Step(kCounting, ""), TES_OK);  // paused before the first line
    ASSERT_EQ(session.GetState(), MacroSession::State::Paused);
    EXPECT_EQ(session.PausedLine(), 4);
    ASSERT_EQ(session.Step(kCounting, ""), TES_OK);
    EXPECT_EQ(session.PausedLine(), 5);
    EXPECT_EQ(Value("total"), "0");
    ASSERT_EQ(session.Step(kCounting, ""), TES_OK);  // line 5 ran, nothing more
    EXPECT_EQ(session.PausedLine(), 6);
    EXPECT_EQ(Value("total"), "1");
    EXPECT_EQ(Value("label"), "\"\"");
    ASSERT_EQ(session.StepOver(kCounting, ""), TES_OK);
    EXPECT_EQ(session.PausedLine(), 7);
    EXPECT_EQ(Value("label"), "\"at 1\"");
    // Stop ends the paused run; the next Step starts afresh.
    session.Stop();
    EXPECT_NE(session.GetState(), MacroSession::State::Paused);
    ASSERT_EQ(session.Step(kCounting, ""), TES_OK);
    EXPECT_EQ(session.PausedLine(), 4);
    EXPECT_EQ(Value("total"), "0");
}

TEST_F(MacroSessionTest, StepOverRunsACallAsOneStepAndStepEntersIt) {
    const std::string text =
        "Dim n As Long\nSub Main ()\n  Bump\n  Bump\nEnd Sub\nSub Bump ()\n  n = n + 1\nEnd Sub\n";
    ASSERT_EQ(session.Step(text, ""), TES_OK);
    EXPECT_EQ(session.PausedLine(), 3);
    ASSERT_EQ(session.StepOver(text, ""), TES_OK);
    EXPECT_EQ(session.PausedLine(), 4);
    EXPECT_EQ(Value("n"), "1");
    ASSERT_EQ(session.Step(text, ""), TES_OK);
    EXPECT_EQ(session.PausedLine(), 7);
    EXPECT_EQ(Value("n"), "1");
}

TEST_F(MacroSessionTest, PauseRequestStopsAnEndlessLoop) {
    const std::string text = "Dim n As Long\nSub Main ()\n  Do\n    n = n + 1\n  Loop\nEnd Sub\n";
    int polls = 0;
    session.SetEvents([&] {
        if (++polls == 3) session.Stop();  // as the Stop button does while running
    });
    ASSERT_EQ(session.Go(text, ""), TES_OK);
    EXPECT_EQ(polls, 3);
    EXPECT_EQ(session.GetState(), MacroSession::State::Idle);
    EXPECT_FALSE(session.Running());
}

TEST_F(MacroSessionTest, DebuggedMacroUsesTheScriptApi) {
    MakeEditor(2, {0.5f, 0.5f, 0.5f});
    const std::string text =
        "Dim size As Long\nSub Main ()\n  size = obInquire(2, OB_INQUIRE_SIZE, 0)\n"
        "  obInvert 2\nEnd Sub\n";
    session.SetBreakpoint(4, true);
    ASSERT_EQ(session.Go(text, ""), TES_OK);
    EXPECT_EQ(Value("size"), "3");
    EXPECT_FLOAT_EQ(gEditorSlots[2]->leftSamples[0], 0.5f);
    ASSERT_EQ(session.Go(text, ""), TES_OK);
    EXPECT_EQ(session.GetState(), MacroSession::State::Finished);
    EXPECT_FLOAT_EQ(gEditorSlots[2]->leftSamples[0], -0.5f);
}

TEST_F(MacroSessionTest, RunTimeErrorEndsTheRunWithItsLine) {
    const std::string text = "Sub Main ()\n  Dim i As Integer\n  i = 32767\n  i = i + 1\nEnd Sub\n";
    EXPECT_NE(session.Go(text, "o.bas"), TES_OK);
    EXPECT_EQ(session.GetState(), MacroSession::State::Failed);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(MacroMessageText(messages[0], "o.bas"), "o.bas:4: Overflow");
}
