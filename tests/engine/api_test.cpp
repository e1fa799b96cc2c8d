// api_test.cpp: the tes* interface: every result code it documents, the
// context lifecycle, handles, sources, callbacks and globals.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "engine_test_util.h"

namespace tessel {
bool SharedBufferAllocated();
}

namespace {

std::string TempPath(const char* name) {
    return std::string("/tmp/tessel_api_") + std::to_string(getpid()) + "_" + name;
}

TEST(EngineApi, VersionAndResultTexts) {
    EXPECT_STREQ(tesVersion(nullptr, nullptr), "Larchmere Tessel Version 2.567");
    int32_t major = 0, minor = 0;
    tesVersion(&major, &minor);
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 567);
    EXPECT_STREQ(tesResultText(TES_OK), "Tessel: Success");
    EXPECT_STREQ(tesResultText(TES_E_NOTIMPL), "Tessel: Not implemented");
    EXPECT_STREQ(tesResultText(TES_E_CONTEXT), "Tessel: Context argument is invalid");
    EXPECT_STREQ(tesResultText(TES_E_BADCODEFILE),
                 "Tessel: Compiled code file is out of date or corrupted");
    EXPECT_STREQ(tesResultText(5), "Tessel: Relatively catastrophic failure");
    EXPECT_STREQ(tesResultText((TesResult)0x8000001B), "Tessel: Relatively catastrophic failure");
    for (uint32_t c = 0x80000001u; c <= 0x8000001Au; ++c)
        EXPECT_STRNE(tesResultText((TesResult)c), "Tessel: Relatively catastrophic failure");
    EXPECT_EQ(tesProcByOrdinal(1), (void*)&tesCreateContext);
    EXPECT_EQ(tesProcByOrdinal(370), (void*)&tesAddFunctionQualifier);
    EXPECT_EQ(tesProcByOrdinal(999), nullptr);
}

TEST(EngineApi, SharedBufferLivesWithTheContexts) {
    ASSERT_FALSE(tessel::SharedBufferAllocated());
    TesContext a, b;
    ASSERT_EQ(tesCreateContext("a", 0, 0, &a), TES_OK);
    EXPECT_TRUE(tessel::SharedBufferAllocated());
    ASSERT_EQ(tesCreateContext("b", 0, 0, &b), TES_OK);
    EXPECT_EQ(tesFreeContext(a), TES_OK);
    EXPECT_TRUE(tessel::SharedBufferAllocated());
    EXPECT_EQ(tesFreeContext(b), TES_OK);
    EXPECT_FALSE(tessel::SharedBufferAllocated());
    ASSERT_EQ(tesCreateContext("c", 0, 0, &a), TES_OK);
    EXPECT_TRUE(tessel::SharedBufferAllocated());
    EXPECT_EQ(tesFreeContext(a), TES_OK);
    // A null out pointer is refused and leaves nothing behind.
    EXPECT_EQ(tesCreateContext("d", 0, 0, nullptr), TES_E_INVALIDARG);
    EXPECT_FALSE(tessel::SharedBufferAllocated());
}

TEST(EngineApi, StaleAndForgedHandles) {
    TesContext h;
    ASSERT_EQ(tesCreateContext("x", 0, 0, &h), TES_OK);
    tesRegisterCallbackParam(h, 1234, nullptr);
    EXPECT_EQ(tesGetUserParam(h), 1234);
    ASSERT_EQ(tesFreeContext(h), TES_OK);
    int32_t v;
    char buf[8];
    for (TesContext bad : {h, (TesContext)0, (TesContext)0xDEADBEEF, h + 1, h ^ 0x10000u}) {
        EXPECT_EQ(tesAppendText(bad, "x = 1"), TES_E_CONTEXT);
        EXPECT_EQ(tesAddFile(bad, "/dev/null"), TES_E_CONTEXT);
        EXPECT_EQ(tesCompile(bad), TES_E_CONTEXT);
        EXPECT_EQ(tesExecute(bad), TES_E_CONTEXT);
        EXPECT_EQ(tesRegisterCallback(bad, nullptr), TES_E_CONTEXT);
        EXPECT_EQ(tesRegisterOutputCallback(bad, nullptr), TES_E_CONTEXT);
        EXPECT_EQ(tesGetGlobalLongVar(bad, "x", &v), TES_E_CONTEXT);
        EXPECT_EQ(tesGetGlobalStringVar(bad, "x", buf, 8), TES_E_CONTEXT);
        EXPECT_EQ(tesSetGlobalLongVar(bad, "x", 1), TES_E_CONTEXT);
        EXPECT_EQ(tesDebugStep(bad, nullptr, nullptr), TES_E_CONTEXT);
        EXPECT_EQ(tesFreeBuffers(bad), TES_E_CONTEXT);
        EXPECT_EQ(tesFreeContext(bad), TES_E_CONTEXT);
        EXPECT_EQ(tesGetUserParam(bad), 0);
    }
    // A new context in the same slot does not answer to the old handle.
    TesContext again;
    ASSERT_EQ(tesCreateContext("y", 0, 0, &again), TES_OK);
    EXPECT_NE(again, h);
    EXPECT_EQ(tesCompile(h), TES_E_CONTEXT);
    EXPECT_EQ(tesFreeContext(again), TES_OK);
}

TEST(EngineApi, SourcesFramingAndLimits) {
    {
        Engine e;
        // 59 sources form one program; a 60th is refused.
        for (int i = 0; i < 58; ++i)
            ASSERT_EQ(
                tesAppendText(e.ctx,
                              ("Const C" + std::to_string(i) + " = " + std::to_string(i)).c_str()),
                TES_OK);
        ASSERT_EQ(tesAppendText(e.ctx, "Sub Main\nPrint C0 + C57\nEnd Sub"), TES_OK);
        EXPECT_EQ(tesAppendText(e.ctx, "x = 1"), TES_E_BUFFERFULL);
        EXPECT_EQ(tesAddFile(e.ctx, "/dev/null"), TES_E_BUFFERFULL);
        ASSERT_EQ(tesCompile(e.ctx), TES_OK);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), " 57\n");
    }
    {
        Engine e;
        // No final newline; a trailing character 26; a byte-order mark.
        EXPECT_EQ(tesAppendText(e.ctx, "\xEF\xBB\xBFSub Main\nPrint 1\x1a"), TES_OK);
        EXPECT_EQ(tesAppendText(e.ctx, "End Sub"), TES_OK);
        ASSERT_EQ(tesCompile(e.ctx), TES_OK);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), " 1\n");
    }
    {
        Engine e;
        EXPECT_EQ(tesAddFile(e.ctx, "/nonexistent/file.bas"), TES_E_FILENOTFOUND);
        EXPECT_EQ(tesAppendText(e.ctx, nullptr), TES_E_INVALIDARG);
        EXPECT_EQ(tesAddFile(e.ctx, nullptr), TES_E_INVALIDARG);
        // The refused file added no source: the program is just this text.
        ASSERT_EQ(e.Run("Sub Main\nPrint 2\nEnd Sub\n"), TES_OK);
        EXPECT_EQ(e.Output(), " 2\n");
    }
    {
        // A file source with a line longer than any read window.
        std::string path = TempPath("long.bas");
        std::ofstream(path) << "Sub Main\nx = \"" << std::string(60000, 'a') << "\" ' "
                            << std::string(200000, 'c') << "\nPrint Len(x)\nEnd Sub\n";
        Engine e;
        ASSERT_EQ(tesAddFile(e.ctx, path.c_str()), TES_OK);
        ASSERT_EQ(tesCompile(e.ctx), TES_OK);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), " 60000\n");
        unlink(path.c_str());
    }
    {
        // A source that never ends is read up to the size limit and refused
        // with a message naming it.
        Engine e;
        ASSERT_EQ(tesAddFile(e.ctx, "/dev/zero"), TES_OK);
        EXPECT_EQ(tesCompile(e.ctx), TES_E_BUFFERFULL);
        ASSERT_EQ(e.Errors().size(), 1u);
        EXPECT_EQ(e.Errors()[0].text, "Source file /dev/zero is larger than 64 MB\n");
    }
}

TEST(EngineApi, StatesCompileOnceAndFreeBuffers) {
    Engine e;
    EXPECT_EQ(tesExecute(e.ctx), TES_E_STATE);
    EXPECT_EQ(tesAddFunctionQualifier(e.ctx, nullptr), TES_E_INVALIDARG);
    EXPECT_EQ(tesAddFunctionQualifier(e.ctx, "Host"), TES_OK);
    ASSERT_EQ(e.Compile("Host Sub Main\nPrint 3\nEnd Sub\n"), TES_OK);
    EXPECT_EQ(tesCompile(e.ctx), TES_E_STATE);
    EXPECT_EQ(tesAppendText(e.ctx, "x = 1"), TES_E_STATE);
    EXPECT_EQ(tesAddFunctionQualifier(e.ctx, "Other"), TES_E_STATE);
    EXPECT_EQ(tesExecute(e.ctx), TES_OK);
    EXPECT_EQ(tesExecute(e.ctx), TES_OK);
    EXPECT_EQ(e.Output(), " 3\n 3\n");
    EXPECT_EQ(tesFreeBuffers(e.ctx), TES_OK);
    EXPECT_EQ(tesExecute(e.ctx), TES_E_STATE);
    EXPECT_EQ(tesAppendText(e.ctx, "x = 1"), TES_E_STATE);
    int32_t v;
    EXPECT_EQ(tesGetGlobalLongVar(e.ctx, "x", &v), TES_E_STATE);
}

TEST(EngineApi, ContextFromUserName) {
    TesContext a, b, found = 99;
    ASSERT_EQ(tesCreateContext("OrbickTessel", 0, 0, &a), TES_OK);
    ASSERT_EQ(tesCreateContext(nullptr, 0, 0, &b), TES_OK);
    EXPECT_EQ(tesContextFromUserName("ORBICKTESSEL", &found), TES_OK);
    EXPECT_EQ(found, a);
    EXPECT_EQ(tesContextFromUserName("", &found), TES_OK);
    EXPECT_EQ(found, b);
    EXPECT_EQ(tesContextFromUserName("nobody", &found), TES_E_NOTFOUND);
    EXPECT_EQ(found, 0u);
    EXPECT_EQ(tesContextFromUserName(nullptr, &found), TES_E_INVALIDARG);
    EXPECT_EQ(tesContextFromUserName("x", nullptr), TES_E_INVALIDARG);
    // The stored name is bounded to 32 characters.
    TesContext c;
    std::string longName(100, 'n');
    ASSERT_EQ(tesCreateContext(longName.c_str(), 0, 0, &c), TES_OK);
    EXPECT_EQ(tesContextFromUserName(longName.substr(0, 32).c_str(), &found), TES_OK);
    EXPECT_EQ(found, c);
    tesFreeContext(a);
    tesFreeContext(b);
    tesFreeContext(c);
}

TEST(EngineApi, GlobalsGetSetAndBind) {
    Engine e;
    ASSERT_EQ(e.Compile("Global gi As Integer, gl As Long, gd As Double, gs As String, gv\n"
                        "Global gf As String * 4\nDim arr(3) As Long\n"
                        "Sub Main\n gi = gi + 1\n gl = gl * 2\n gs = gs & \"!\"\n arr(2) = arr(2) "
                        "+ 5\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(tesSetGlobalIntegerVar(e.ctx, "gi", 41), TES_OK);
    EXPECT_EQ(tesSetGlobalLongVar(e.ctx, "gl", 100000), TES_OK);
    EXPECT_EQ(tesSetGlobalDoubleVar(e.ctx, "gd", 2.5), TES_OK);
    EXPECT_EQ(tesSetGlobalStringVar(e.ctx, "GS", "hi"), TES_OK);
    EXPECT_EQ(tesSetGlobalIntegerVar(e.ctx, "missing", 1), TES_E_NOGLOBAL);
    EXPECT_EQ(tesSetGlobalStringVar(e.ctx, "gs", nullptr), TES_E_INVALIDARG);
    EXPECT_EQ(tesSetGlobalIntegerVar(e.ctx, "gi", 70000), TES_E_FAIL);  // does not fit an Integer
    ASSERT_EQ(tesExecute(e.ctx), TES_OK);
    int32_t v = -1;
    double d = 0;
    EXPECT_EQ(tesGetGlobalIntegerVar(e.ctx, "gi", &v), TES_OK);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(tesGetGlobalLongVar(e.ctx, "gl", &v), TES_OK);
    EXPECT_EQ(v, 200000);
    EXPECT_EQ(tesGetGlobalDoubleVar(e.ctx, "gd", &d), TES_OK);
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(tesGetGlobalLongVar(e.ctx, "missing", &v), TES_OK);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(tesGetGlobalLongVar(e.ctx, "gl", nullptr), TES_E_INVALIDARG);
    char buf[8];
    std::memset(buf, 'z', sizeof buf);
    EXPECT_EQ(tesGetGlobalStringVar(e.ctx, "gs", buf, 0), TES_E_INVALIDARG);
    EXPECT_EQ(buf[0], 'z');
    EXPECT_EQ(tesGetGlobalStringVar(e.ctx, "gs", buf, 8), TES_OK);
    EXPECT_STREQ(buf, "hi!");
    EXPECT_EQ(tesGetGlobalStringVar(e.ctx, "gl", buf, 4), TES_OK);  // at most length - 1 characters
    EXPECT_STREQ(buf, "200");
    EXPECT_EQ(tesGetGlobalStringVar(e.ctx, "missing", buf, 8), TES_E_INVALIDARG);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(tesGetVarValueString(e.ctx, "gd", buf, 8), TES_OK);
    EXPECT_STREQ(buf, "2.5");
    // By-reference binding needs the exact declared type.
    EXPECT_EQ(tesSetGlobalLongRef(e.ctx, "gi", &v), TES_E_TYPEMISMATCH);
    EXPECT_EQ(tesSetGlobalDoubleRef(e.ctx, "gl", &d), TES_E_TYPEMISMATCH);
    EXPECT_EQ(tesSetGlobalLongRef(e.ctx, "nothere", &v), TES_E_NOGLOBAL);
    int16_t hostInt = 7;
    int32_t hostLong = 3;
    ASSERT_EQ(tesSetGlobalIntegerRef(e.ctx, "gi", &hostInt), TES_OK);
    ASSERT_EQ(tesSetGlobalLongRef(e.ctx, "gl", &hostLong), TES_OK);
    ASSERT_EQ(tesExecute(e.ctx), TES_OK);
    EXPECT_EQ(hostInt, 8);
    EXPECT_EQ(hostLong, 6);
    EXPECT_EQ(tesSetGlobalFixedStringRef(e.ctx, "gf", "abcdefgh"), TES_OK);
    EXPECT_EQ(tesGetGlobalStringVar(e.ctx, "gf", buf, 8), TES_OK);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(tesSetGlobalFixedStringRef(e.ctx, "gl", "x"), TES_E_TYPEMISMATCH);
    // Array elements.
    int32_t index[1] = {2};
    TesVariant val{};
    val.vt = TES_VT_LONG;
    val.u.lVal = 10;
    EXPECT_EQ(tesSetGlobalArrayElement(e.ctx, "arr", index, &val), TES_OK);
    ASSERT_EQ(tesExecute(e.ctx), TES_OK);
    TesVariant got{};
    EXPECT_EQ(tesGetGlobalArrayElement(e.ctx, "arr", index, &got), TES_OK);
    EXPECT_EQ(got.vt, TES_VT_LONG);
    EXPECT_EQ(got.u.lVal, 15);
    EXPECT_EQ(tesGetGlobalArrayElement(e.ctx, "gl", index, &got), TES_E_TYPEMISMATCH);
    EXPECT_EQ(tesSetGlobalArrayElement(e.ctx, "nothere", index, &val), TES_E_NOGLOBAL);
    index[0] = 9;
    EXPECT_EQ(tesGetGlobalArrayElement(e.ctx, "arr", index, &got), TES_E_INVALIDARG);
    EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "arr", nullptr), TES_E_TYPEMISMATCH);
}

TEST(EngineApi, CallFunc) {
    Engine e;
    ASSERT_EQ(
        e.Compile("Sub Main\nEnd Sub\nFunction Twice(x As Long, s As String) As String\n"
                  "Twice = s & (x * 2)\nEnd Function\nSub Bump(n As Long)\nn = n + 1\nEnd Sub\n"),
        TES_OK);
    TesVariant args[2] = {};
    args[0].vt = TES_VT_STRING;  // last argument first
    char text[] = "v=";
    args[0].u.strVal = text;
    args[1].vt = TES_VT_INTEGER;
    args[1].u.iVal = 21;
    TesArgList list{args, nullptr, 2, 0, nullptr};
    TesVariant result{};
    ASSERT_EQ(tesCallFunc(e.ctx, "Twice", &list, &result), TES_OK);
    ASSERT_EQ(result.vt, TES_VT_STRING);
    EXPECT_STREQ(result.u.strVal, "v=42");
    list.count = 1;
    EXPECT_EQ(tesCallFunc(e.ctx, "Twice", &list, &result), TES_E_INVALIDARG);
    EXPECT_EQ(tesCallFunc(e.ctx, "Nothing", &list, &result), TES_E_NOTFOUND);
    EXPECT_EQ(tesCallFunc(e.ctx, "Len", &list, &result), TES_E_NOTFOUND);  // not a program function
    // A by-reference argument binds to the host's storage.
    int32_t counter = 5;
    TesVariant ref{};
    ref.vt = TES_VT_LONG | TES_VT_BYREF;
    ref.u.byref = &counter;
    TesArgList one{&ref, nullptr, 1, 0, nullptr};
    ASSERT_EQ(tesCallFunc(e.ctx, "Bump", &one, &result), TES_OK);
    EXPECT_EQ(counter, 6);
}

TEST(EngineApi, MessageCallbackPrefixesErrorLines) {
    static std::vector<std::string> seen;
    static std::vector<int> flags;
    seen.clear();
    flags.clear();
    TesContext h;
    ASSERT_EQ(tesCreateContext("m", 0, 0, &h), TES_OK);
    tesRegisterCallback(h, [](TesContext, int32_t f1, int32_t f2, const char* text) -> int32_t {
        seen.push_back(text);
        flags.push_back(f1 * 10 + f2);
        return 0;
    });
    ASSERT_EQ(tesAppendText(h, "Sub Main\nPrint \"out\"\nx = 1 / 0\nEnd Sub\n"), TES_OK);
    ASSERT_EQ(tesCompile(h), TES_OK);
    EXPECT_EQ(tesExecute(h), -1);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], " out");
    EXPECT_EQ(flags[0], 0);
    EXPECT_EQ(seen[1], "Error on line: 3 - Division by zero");
    EXPECT_EQ(flags[1], 11);
    tesFreeContext(h);
}

std::vector<std::string> g_resolved;
int32_t g_gotI, g_gotL;
float g_gotF;
double g_gotD;
std::string g_gotS;

extern "C" int32_t HostTakeAll(int16_t a, int32_t b, float c, double d, const char* s) {
    g_gotI = a;
    g_gotL = b;
    g_gotF = c;
    g_gotD = d;
    g_gotS = s;
    return 77;
}
extern "C" int32_t HostWrite(int16_t* a, int32_t* b) {
    *a = (int16_t)(*a + 1);
    *b = *b * 10;
    return 0;
}
extern "C" const char* HostName(int32_t n) {
    static char buf[32];
    std::snprintf(buf, sizeof buf, "editor %d", n);
    return buf;  // static: the engine must copy, never free
}
extern "C" double HostHalf(double x) {
    return x / 2;
}

void* Resolve(TesContext, const char* name) {
    g_resolved.push_back(name);
    if (!strcasecmp(name, "obTakeAll")) return (void*)&HostTakeAll;
    if (!strcasecmp(name, "obWrite")) return (void*)&HostWrite;
    if (!strcasecmp(name, "obName")) return (void*)&HostName;
    if (!strcasecmp(name, "obHalf")) return (void*)&HostHalf;
    return nullptr;
}

TEST(EngineApi, AppFunctionsThroughTheResolver) {
    g_resolved.clear();
    Engine e;
    tesRegisterGetProcAddrCallback(e.ctx, Resolve);
    ASSERT_EQ(e.Run("Declare Function obTakeAll App (ByVal a%, ByVal b&, ByVal c!, ByVal d#, ByVal "
                    "s$) As Long\n"
                    "Declare Function obWrite App (a%, b&) As Long\n"
                    "Declare Function obName App (ByVal n&) As String\n"
                    "Declare Function obHalf App (ByVal x#) As Double\n"
                    "Declare Function obMissing App () As Long\n"
                    "Sub Main\n"
                    "Dim i As Integer, l As Long\n"
                    "i = 5: l = 6\n"
                    "For k = 1 To 3\n"
                    "r = obTakeAll(-3, 100000, 1.5, -2.25, \"text\")\n"
                    "Next k\n"
                    "Print r\n"
                    "r = obWrite(i, l)\n"
                    "Print i; l\n"
                    "Print obName(3); obName(4)\n"
                    "Print obHalf(5)\n"
                    "End Sub\n"),
              TES_OK);
    EXPECT_EQ(g_gotI, -3);
    EXPECT_EQ(g_gotL, 100000);
    EXPECT_EQ(g_gotF, 1.5f);
    EXPECT_EQ(g_gotD, -2.25);
    EXPECT_EQ(g_gotS, "text");
    EXPECT_EQ(e.Output(), " 77\n 6 60\n editor 3 editor 4\n 2.5\n");
    // Each function was asked for once, however often it was called.
    EXPECT_EQ(g_resolved, (std::vector<std::string>{"obTakeAll", "obWrite", "obName", "obHalf"}));
}

TEST(EngineApi, AppFunctionWithoutAddressFails) {
    Engine e;
    tesRegisterGetProcAddrCallback(e.ctx, Resolve);
    EXPECT_EQ(
        e.Run("Declare Function obMissing App () As Long\nSub Main\nx = obMissing()\nEnd Sub\n"),
        -1);
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].text, "No function address for: obMissing\n");
    EXPECT_EQ(e.Errors()[0].line, 3);
}

TEST(EngineApi, UndefinedFunctionAndVariableCallbacks) {
    Engine e;
    tesRegisterUndefFuncCallback(
        e.ctx, [](TesContext, const char* name, TesArgList* args, TesVariant* result) -> int32_t {
            if (strcmp(name, "HostSum") != 0) return 1;
            int32_t sum = 0;
            for (uint32_t i = 0; i < args->count; ++i)
                sum = sum * 10 + args->args[i].u.iVal;  // last first
            result->vt = TES_VT_LONG;
            result->u.lVal = sum;
            return 0;
        });
    tesRegisterUndefVarCallback(e.ctx,
                                [](TesContext, const char* name, TesVariant* value) -> int32_t {
                                    if (strcasecmp(name, "HostValue") != 0) return 1;
                                    value->vt = TES_VT_LONG;
                                    value->u.lVal = 1234;
                                    return 0;
                                });
    ASSERT_EQ(e.Run("Sub Main\nPrint HostSum(1, 2, 3)\nPrint HostValue\nOther 5\nPrint "
                    "\"after\"\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(e.Output(), " 321\n 1234\n after\n");
}

TEST(EngineApi, UserTypeSubsystemAllocatesHostTypes) {
    Engine e;
    tesRegisterUserTypeSubsystem(
        e.ctx, nullptr,
        [](TesContext, const char* type, const char* var, TesVariant* value) -> int32_t {
            if (strcmp(type, "HostWave") != 0) return 1;
            value->vt = TES_VT_LONG;
            value->u.lVal = (int32_t)strlen(var);
            return 0;
        },
        99);
    ASSERT_EQ(
        e.Run("Sub Main\nDim w As HostWave\nDim longer As HostWave\nPrint w; longer\nEnd Sub\n"),
        TES_OK);
    EXPECT_EQ(e.Output(), " 1 6\n");
    Engine f;
    tesRegisterUserTypeSubsystem(
        f.ctx, nullptr,
        [](TesContext, const char*, const char*, TesVariant*) -> int32_t { return 1; }, 0);
    EXPECT_EQ(f.Compile("Dim w As Unknown\n"), TES_E_SYNTAX);
    ASSERT_EQ(f.Errors().size(), 1u);
    EXPECT_EQ(f.Errors()[0].text, "Unknown type: Unknown in AllocVar\n");
}

TEST(EngineApi, CompiledCodeRoundTripAndCorruption) {
    std::string path = TempPath("code.bin");
    {
        Engine e;
        EXPECT_EQ(tesSaveCompiledCode(e.ctx, path.c_str()), TES_E_STATE);
        ASSERT_EQ(e.Compile("Const K = 4\nSub Main\nFor i = 1 To K\nPrint Sq(i);\nNext\nEnd Sub\n"
                            "Function Sq(x)\nSq = x * x\nEnd Function\n"),
                  TES_OK);
        ASSERT_EQ(tesSaveCompiledCode(e.ctx, path.c_str()), TES_OK);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), " 1\n 4\n 9\n 16\n");
    }
    {
        Engine e;
        ASSERT_EQ(tesLoadCompiledCode(e.ctx, path.c_str()), TES_OK);
        EXPECT_EQ(tesLoadCompiledCode(e.ctx, path.c_str()), TES_E_STATE);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), " 1\n 4\n 9\n 16\n");
    }
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(data.size(), 40u);
    for (size_t cut : {size_t(0), size_t(3), size_t(20), data.size() / 2, data.size() - 1}) {
        std::ofstream(path, std::ios::binary) << data.substr(0, cut);
        Engine e;
        EXPECT_EQ(tesLoadCompiledCode(e.ctx, path.c_str()), TES_E_BADCODEFILE) << cut;
    }
    for (size_t at = 0; at < data.size(); at += 7) {
        std::string bad = data;
        bad[at] = (char)(bad[at] ^ 0x5A);
        std::ofstream(path, std::ios::binary) << bad;
        Engine e;
        EXPECT_EQ(tesLoadCompiledCode(e.ctx, path.c_str()), TES_E_BADCODEFILE) << at;
    }
    {
        Engine e;
        EXPECT_EQ(tesLoadCompiledCode(e.ctx, "/nonexistent/code.bin"), TES_E_FILENOTFOUND);
    }
    unlink(path.c_str());
}

TEST(EngineApi, DebugStepping) {
    Engine e;
    ASSERT_EQ(e.Compile("Sub Main\nx = 1\nCall Inner\nx = 3\nEnd Sub\nSub Inner\ny = 2\nEnd Sub\n"),
              TES_OK);
    int32_t src = 0, line = 0;
    EXPECT_EQ(tesDebugGo(e.ctx, &src, nullptr), TES_E_CONTEXT);
    ASSERT_EQ(tesDebugStep(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(line, 3);
    ASSERT_EQ(tesDebugStep(e.ctx, &src, &line), TES_OK);  // steps over the call
    EXPECT_EQ(line, 4);
    EXPECT_EQ(src, 1);
    ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(line, -1);
    // Stepping into the call stops inside it.
    ASSERT_EQ(tesDebugStepInto(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(line, 3);
    ASSERT_EQ(tesDebugStepInto(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(line, 7);
    ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
}

TEST(EngineApi, DebugDepthLimit) {
    Engine e;
    ASSERT_EQ(e.Compile("Sub Main\nPrint R(1)\nEnd Sub\nFunction R(n)\nIf n < 30 Then R = R(n + 1) "
                        "Else R = n\nEnd Function\n"),
              TES_OK);
    int32_t src, line;
    EXPECT_EQ(tesDebugGo(e.ctx, &src, &line), -1);
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].text, "Nested calls cannot exceed: 20\n");
    EXPECT_EQ(tesExecute(e.ctx), TES_OK);  // a normal run goes deeper
    EXPECT_EQ(e.Output(), " 30\n");
}

TEST(EngineApi, SandboxAndStepLimit) {
    {
        Engine e;
        tesSetRunLimits(e.ctx, 100000, 1);
        EXPECT_EQ(e.Run("Sub Main\nDo\nLoop\nEnd Sub\n"), -1);
        ASSERT_EQ(e.Errors().size(), 1u);
        EXPECT_EQ(e.Errors()[0].text, "Step limit reached\n");
    }
    for (const char* stmt :
         {"Kill \"/tmp/x\"", "x = Shell(\"true\", 0)", "MkDir \"/tmp/d\"", "RmDir \"/tmp/d\"",
          "FileCopy \"/etc/hostname\", \"/tmp/y\"", "Name \"/tmp/a\" As \"/tmp/b\"",
          "Open \"/tmp/z\" For Output As #1", "x = labs(-1)"}) {
        Engine e;
        tesSetRunLimits(e.ctx, 0, 1);
        std::string program =
            "Declare Function labs Lib \"libc.so.6\" (ByVal n&) As Long\nSub Main\n";
        program += stmt;
        program += "\nEnd Sub\n";
        EXPECT_EQ(e.Run(program), -1) << stmt;
    }
}

}  // namespace

TEST(EngineApi, BreakpointsStopWhereTheirLineIsEntered) {
    Engine e;
    ASSERT_EQ(e.Compile("Dim total As Long\nSub Main\nFor i = 1 To 3\ntotal = total + i\nNext i\n"
                        "Call Inner\nEnd Sub\nSub Inner\ntotal = total * 10\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(tesSetBreakpoint(e.ctx, 1, 0, 1), TES_E_INVALIDARG);
    ASSERT_EQ(tesSetBreakpoint(e.ctx, 1, 4, 1), TES_OK);
    ASSERT_EQ(tesSetBreakpoint(e.ctx, 1, 9, 1), TES_OK);  // inside the called Sub
    int32_t src = 0, line = 0, total = -1;
    // Each turn of the loop stops before line 4 runs.
    for (int turn = 0; turn < 3; ++turn) {
        ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
        EXPECT_EQ(src, 1);
        EXPECT_EQ(line, 4);
        ASSERT_EQ(tesGetGlobalLongVar(e.ctx, "total", &total), TES_OK);
        EXPECT_EQ(total, turn == 0 ? 0 : turn == 1 ? 1 : 3);
    }
    // Step over a call still stops at a breakpoint inside it.
    ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(line, 9);
    ASSERT_EQ(tesGetGlobalLongVar(e.ctx, "total", &total), TES_OK);
    EXPECT_EQ(total, 6);
    ASSERT_EQ(tesClearBreakpoints(e.ctx), TES_OK);
    ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(line, -1);
    ASSERT_EQ(tesGetGlobalLongVar(e.ctx, "total", &total), TES_OK);
    EXPECT_EQ(total, 60);
    // A plain run ignores breakpoints.
    ASSERT_EQ(tesSetBreakpoint(e.ctx, 1, 4, 1), TES_OK);
    EXPECT_EQ(tesExecute(e.ctx), TES_OK);
}

TEST(EngineApi, BreakpointOnTheFirstLineStopsBeforeItRuns) {
    Engine e;
    ASSERT_EQ(e.Compile("Dim x As Integer\nSub Main\nx = 5\nx = 6\nEnd Sub\n"), TES_OK);
    ASSERT_EQ(tesSetBreakpoint(e.ctx, 1, 3, 1), TES_OK);
    int32_t src = 0, line = 0, x = -1;
    ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(line, 3);
    ASSERT_EQ(tesGetGlobalIntegerVar(e.ctx, "x", &x), TES_OK);
    EXPECT_EQ(x, 0);
    ASSERT_EQ(tesDebugStep(e.ctx, &src, &line), TES_OK);  // runs line 3 only
    EXPECT_EQ(line, 4);
    ASSERT_EQ(tesGetGlobalIntegerVar(e.ctx, "x", &x), TES_OK);
    EXPECT_EQ(x, 5);
}

namespace {
int32_t gPolls = 0;
int32_t PauseOnThirdPoll(TesContext, void* user) {
    ++gPolls;
    return gPolls == *static_cast<int32_t*>(user) ? 1 : 0;
}
}  // namespace

TEST(EngineApi, DebugPollPausesAnEndlessLoop) {
    Engine e;
    ASSERT_EQ(e.Compile("Dim n As Long\nSub Main\nDo\nn = n + 1\nLoop\nEnd Sub\n"), TES_OK);
    int32_t stopAt = 1000;
    gPolls = 0;
    ASSERT_EQ(tesRegisterDebugPoll(e.ctx, PauseOnThirdPoll, 50, &stopAt), TES_OK);
    int32_t src = 0, line = 0, n = 0;
    ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
    EXPECT_EQ(gPolls, 1000);
    EXPECT_GE(line, 3);
    EXPECT_LE(line, 5);
    ASSERT_EQ(tesGetGlobalLongVar(e.ctx, "n", &n), TES_OK);
    EXPECT_GT(n, 1000);  // several instructions per turn, one poll per 50
    EXPECT_LT(n, 50000);
    // Paused, the run goes on where it stopped.
    stopAt = 2000;
    int32_t before = n;
    ASSERT_EQ(tesDebugGo(e.ctx, &src, &line), TES_OK);
    ASSERT_EQ(tesGetGlobalLongVar(e.ctx, "n", &n), TES_OK);
    EXPECT_GT(n, before);
    ASSERT_EQ(tesRegisterDebugPoll(e.ctx, nullptr, 0, nullptr), TES_OK);
}

TEST(EngineApi, GlobalInfoListsTheProgramsGlobals) {
    Engine e;
    int32_t type = 0;
    char name[64];
    EXPECT_EQ(tesGetGlobalInfo(e.ctx, 0, name, sizeof name, &type), TES_E_STATE);
    ASSERT_EQ(e.Compile("Const Limit = 3\nDim a As Integer\nDim s As String\nDim v(4) As Double\n"
                        "Sub Main\nEnd Sub\n"),
              TES_OK);
    std::vector<std::pair<std::string, int32_t>> globals;
    for (int32_t i = 0; tesGetGlobalInfo(e.ctx, i, name, sizeof name, &type) == TES_OK; ++i)
        globals.push_back({name, type});
    ASSERT_EQ(globals.size(), 3u);
    EXPECT_EQ(globals[0], std::make_pair(std::string("a"), int32_t(TES_VT_INTEGER)));
    EXPECT_EQ(globals[1], std::make_pair(std::string("s"), int32_t(TES_VT_STRING)));
    EXPECT_EQ(globals[2].first, "v");
    EXPECT_EQ(globals[2].second, TES_VT_DOUBLE | TES_VT_ARRAY);
    EXPECT_EQ(tesGetGlobalInfo(e.ctx, 3, name, sizeof name, &type), TES_E_NOTFOUND);
    EXPECT_EQ(tesGetGlobalInfo(e.ctx, 0, name, 2, &type), TES_OK);  // cut to fit
    EXPECT_STREQ(name, "a");
    EXPECT_EQ(tesGetGlobalInfo(e.ctx, 0, nullptr, 8, &type), TES_E_INVALIDARG);
}
