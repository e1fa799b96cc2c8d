// syntax_test.cpp: syntax errors in many shapes report source, line, column,
// token length and token text; the compile limits report their messages.
#include <string>

#include "engine_test_util.h"

namespace {

struct Shape {
    const char* program;
    int line, column, length;
    const char* text;
};

TEST(EngineSyntax, ErrorsCarryPositionAndToken) {
    const Shape shapes[] = {
        {"x = 1 @ 2\n", 1, 6, 1, "@"},
        {"Sub Main\n  y = 2 \\ 3\nEnd Sub\n", 2, 8, 1, "\\"},
        {"x = (1 +\n", 1, 8, 1, "\n"},
        {"x = (1 +\r\ny = 2\r\n", 1, 8, 2, "\r\n"},
        {"If x Then\n  Print 1\n", 3, 0, 0, ""},
        {"x = = 3\n", 1, 4, 1, "="},
        {"Print )\n", 1, 6, 1, ")"},
        {"For = 1 To 3\n", 1, 4, 1, "="},
        {"Sub Main\nDim 5\nEnd Sub\n", 2, 4, 1, "5"},
        {"x = \"open string\n", 1, 4, 1, "\""},
        {"Call 12\n", 1, 5, 2, "12"},
        {"   Next\n", 1, 3, 4, "Next"},
        {"Sub A\nEnd Function\n", 2, 4, 8, "Function"},
        {"x = 1 ' comment\ny = 2 ) \n", 2, 6, 1, ")"},
        {"a = b + _\n  c )\n", 2, 4, 1, ")"},
        {"x = 1: y = 2 :: z == 3\n", 1, 19, 1, "="},
        {"Select Case x\nPrint 1\nEnd Select\n", 2, 0, 5, "Print"},
        {"s = \"abc\" \"def\" +\n", 1, 10, 5, "\"def\""},
    };
    for (const Shape& s : shapes) {
        Engine e;
        EXPECT_EQ(e.Compile(s.program), TES_E_SYNTAX) << s.program;
        auto errors = e.Errors();
        ASSERT_EQ(errors.size(), 1u) << s.program;
        EXPECT_EQ(errors[0].code, TES_E_SYNTAX) << s.program;
        EXPECT_EQ(errors[0].source, 1) << s.program;
        EXPECT_EQ(errors[0].line, s.line) << s.program;
        EXPECT_EQ(errors[0].column, s.column) << s.program;
        EXPECT_EQ(errors[0].length, s.length) << s.program;
        EXPECT_EQ(errors[0].text, s.text) << s.program;
    }
}

TEST(EngineSyntax, ErrorInLaterSourceCountsItsOwnLines) {
    Engine e;
    ASSERT_EQ(tesAppendText(e.ctx, "Const A = 1\nConst B = 2\nConst C = 3\nConst D = 4\n"), TES_OK);
    ASSERT_EQ(tesAppendText(e.ctx, "Sub Main\nx = 1\ny = 2 +\nEnd Sub\n"), TES_OK);
    EXPECT_EQ(tesCompile(e.ctx), TES_E_SYNTAX);
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].source, 2);
    EXPECT_EQ(e.Errors()[0].line, 3);
}

TEST(EngineSyntax, MessagesWithoutOutputCallback) {
    static std::vector<std::string> seen;
    seen.clear();
    TesContext h;
    ASSERT_EQ(tesCreateContext("s", 0, 0, &h), TES_OK);
    tesRegisterCallback(h, [](TesContext, int32_t, int32_t, const char* text) -> int32_t {
        seen.push_back(text);
        return 0;
    });
    ASSERT_EQ(tesAppendText(h, "x = 1\ny = 2 @ 3\n"), TES_OK);
    EXPECT_EQ(tesCompile(h), TES_E_SYNTAX);
    EXPECT_EQ(seen, (std::vector<std::string>{"Syntax error at: @", "2 y = 2 __@ 3"}));
    tesFreeContext(h);
    seen.clear();
    ASSERT_EQ(tesCreateContext("s", 0, 0, &h), TES_OK);
    tesRegisterCallback(h, [](TesContext, int32_t, int32_t, const char* text) -> int32_t {
        seen.push_back(text);
        return 0;
    });
    ASSERT_EQ(tesAppendText(h, "If x Then\n"), TES_OK);
    EXPECT_EQ(tesCompile(h), TES_E_SYNTAX);
    EXPECT_EQ(seen, (std::vector<std::string>{"Syntax error at: end of file"}));
    tesFreeContext(h);
}

TEST(EngineSyntax, AcceptedShapes) {
    const char* programs[] = {
        "x = 1 ' note\ny = 2\n",
        "x = 1 ' note\r\ny = 2\r\n",
        "REM anything @ \\ goes\n",
        "Loop1:\nx = 1\n100 x = 2\nGoTo Loop1\n",
        "a = b + _\nc\n",
        "a = b + _\r\n  _\r\n  c\r\n",
        "If x Then y = 1 Else y = 2\n",
        "If x Then\nElseIf y Then\nElse\nEnd If\n",
        "Declare Function obGain App (ByVal waveid&, ByVal db#) As Long\n",
        "Declare Sub Foo Lib \"libfoo.so\" Alias \"foo_impl\" (ByRef ary() As Integer)\n",
        "Const\tOB_X\t=\t&H10\n",
        "Private Function F$(a, b As String)\nF$ = a & b\nEnd Function\n",
        "Type T\n  A As Integer\n  B As String * 5\nEnd Type\nDim v As T\nv.A = 1\n",
        "Do Until x > 3: x = x + 1: Loop\n",
        "Select Case x: Case 1: y = 1: Case Is >= 2, 5 To 7: y = 2: Case Else: y = 3: End Select\n",
        "Open \"f\" For Input As #1\nLine Input #1, s\nInput #1, a, b\nSeek #1, 3\nClose #1\n",
        "Name \"a\" As \"b\"\n",
        "Set o = Nothing\n",
        "End\n",
    };
    for (const char* p : programs) {
        Engine e;
        EXPECT_EQ(e.Compile(p), TES_OK) << p;
        EXPECT_TRUE(e.Errors().empty()) << p << e.Errors()[0].text;
    }
}

TEST(EngineSyntax, Limits) {
    {
        // Nesting deeper than the parser's state stack.
        Engine e;
        std::string deep = "x = " + std::string(200, '(') + "1" + std::string(200, ')') + "\n";
        EXPECT_EQ(e.Compile(deep), TES_E_STACKOVERFLOW);
        ASSERT_EQ(e.Errors().size(), 1u);
        EXPECT_EQ(e.Errors()[0].text, "Parser stack overflow\n");
    }
    {
        Engine e;
        std::string many;
        for (int i = 0; i < 4100; ++i) many += "v" + std::to_string(i) + " = 1\n";
        EXPECT_EQ(e.Compile(many), TES_E_SYNTAX);
        ASSERT_FALSE(e.Errors().empty());
        EXPECT_EQ(e.Errors()[0].text, "Number of names exceeds 4062\n");
    }
    {
        Engine e;
        std::string many = "Sub Main\n";
        for (int i = 0; i < 8000; ++i) many += "x = x + 1\n";
        many += "End Sub\n";
        EXPECT_EQ(e.Compile(many), TES_E_SYNTAX);
        ASSERT_FALSE(e.Errors().empty());
        EXPECT_EQ(e.Errors()[0].text, "Program exceeds 30000 tokens\n");
    }
    {
        Engine e;
        EXPECT_EQ(e.Compile("x = 40000%\ny = &HFFFFFFFFF\n"), TES_E_SYNTAX);
        ASSERT_EQ(e.Errors().size(), 2u);
        EXPECT_EQ(e.Errors()[0].text, "Constant too large for integer type\n");
        EXPECT_EQ(e.Errors()[1].line, 2);
    }
    {
        // Twenty nested stepped loops compile; the twenty-first reports the limit.
        std::string twenty, more;
        for (int i = 0; i < 20; ++i) twenty += "For i" + std::to_string(i) + " = 1 To 2 Step 1\n";
        for (int i = 0; i < 20; ++i) twenty += "Next\n";
        Engine a;
        EXPECT_EQ(a.Compile(twenty), TES_OK);
        for (int i = 0; i < 21; ++i) more += "For i" + std::to_string(i) + " = 1 To 2 Step 1\n";
        for (int i = 0; i < 21; ++i) more += "Next\n";
        Engine b;
        EXPECT_EQ(b.Compile(more), TES_E_SYNTAX);
        ASSERT_EQ(b.Errors().size(), 1u);
        EXPECT_EQ(b.Errors()[0].text, "Max number of For ... Step reached\n");
    }
}

}  // namespace
