// runtime_library_test.cpp: the runtime built-ins that reach the host or the
// system: the UI callback table and its terminal fallback, Shell, the
// sandbox refusals, number literals under a decimal-comma locale, the
// per-context Rnd generator and the export-name table of Lib "tessel32.dll".
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "engine/builtins.h"
#include "engine_test_util.h"

namespace {

std::string TempDir() {
    std::string d = "/tmp/tessel_rt_" + std::to_string(getpid());
    mkdir(d.c_str(), 0700);
    return d;
}

struct UiLog {
    std::string text, title, prompt, deflt, activated;
    int type = -1, beeps = 0;
};

int32_t TestMessageBox(TesContext, const char* text, int32_t type, const char* title, void* user) {
    auto* log = static_cast<UiLog*>(user);
    log->text = text;
    log->type = type;
    log->title = title;
    return 7;
}
int32_t TestInputBox(TesContext, const char* prompt, const char*, const char* deflt, char* buffer,
                     int32_t size, void* user) {
    auto* log = static_cast<UiLog*>(user);
    log->prompt = prompt;
    log->deflt = deflt;
    std::snprintf(buffer, (size_t)size, "%s", "typed");
    return prompt[0] != 'C';  // a prompt starting with C is cancelled
}
void TestBeep(TesContext, void* user) {
    static_cast<UiLog*>(user)->beeps++;
}
int32_t TestActivate(TesContext, const char* title, void* user) {
    static_cast<UiLog*>(user)->activated = title;
    return std::string(title) == "Editor";
}

TEST(RuntimeLibrary, UiCallbacksReachTheHost) {
    Engine e;
    UiLog log;
    TesUiCallbacks ui{TestMessageBox, TestInputBox, TestBeep, TestActivate, &log};
    ASSERT_EQ(tesRegisterUiCallbacks(e.ctx, &ui), TES_OK);
    EXPECT_EQ(tesRegisterUiCallbacks(0, &ui), TES_E_HANDLE);
    TesResult r = e.Run(
        "Sub Main\n"
        "  Print MsgBox(\"Save?\", 4, \"Title\")\n"
        "  Print InputBox(\"Name?\", \"T\", \"def\"); \"[\" & InputBox(\"Cancel me\") & \"]\"\n"
        "  Beep\n  Beep\n"
        "  AppActivate \"Editor\"\n"
        "  Print \"ok\"\n"
        "  AppActivate \"Nothing\"\n"
        "  Print \"not reached\"\n"
        "End Sub\n");
    EXPECT_NE(r, TES_OK);  // stopped
    EXPECT_EQ(e.Output(), " 7\n typed []\n ok\n");
    EXPECT_EQ(log.text, "Save?");
    EXPECT_EQ(log.type, 4);
    EXPECT_EQ(log.title, "Title");
    EXPECT_EQ(log.prompt, "Cancel me");
    EXPECT_EQ(log.deflt, "");
    EXPECT_EQ(log.beeps, 2);
    EXPECT_EQ(log.activated, "Nothing");
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].text, "AppActivate::FindWindow unable to find: Nothing\n");
    EXPECT_EQ(tesRegisterUiCallbacks(e.ctx, nullptr), TES_OK);
}

// Without callbacks and with standard input not a terminal, the message box
// prints its text and takes the default button; the input box its default.
TEST(RuntimeLibrary, TerminalFallbackTakesDefaults) {
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    Engine e;
    TesResult r = e.Run(
        "Sub Main\n"
        "  Print MsgBox(\"Hi\")\n"
        "  Print MsgBox(\"Hello\", 1 + 256, \"T\")\n"
        "  Print MsgBox(\"Sure?\", 3 + 512, \"\")\n"
        "  Print MsgBox(\"Retry?\", 5)\n"
        "  Print InputBox(\"Prompt\", \"\", \"dflt\")\n"
        "  AppActivate \"Anything\"\n"
        "End Sub\n");
    EXPECT_NE(r, TES_OK);  // stopped
    EXPECT_EQ(e.Output(), "Hi\n 1\nT: Hello\n 2\nSure?\n 2\nRetry?\n 4\nPrompt\n dflt\n");
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].text, "AppActivate::FindWindow unable to find: Anything\n");
}

TEST(RuntimeLibrary, ShellStartsACommand) {
    std::string dir = TempDir();
    std::string made = dir + "/shell_made.txt";
    std::remove(made.c_str());
    Engine e;
    ASSERT_EQ(e.Run("Sub Main\n  Print Shell(\"echo started > '" + made + "'\", 0) > 0\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(e.Output(), " -1\n");
    std::string text;
    for (int i = 0; i < 500 && text.empty(); ++i) {  // Shell does not wait: poll for the file
        std::ifstream in(made);
        std::getline(in, text);
        if (text.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(text, "started");
    std::filesystem::remove_all(dir);
}

TEST(RuntimeLibrary, SandboxRefusesSystemChanges) {
    std::string dir = TempDir();
    std::string victim = dir + "/victim.txt";
    const char* statements[] = {
        "Shell \"true\", 1",
        "Kill \"V\"",
        "FileCopy \"V\", \"V2\"",
        "MkDir \"V.d\"",
        "RmDir \"V\"",
        "Name \"V\" As \"V3\"",
        "ChDir \"/\"",
        "Open \"V\" For Output As #1",
        "Open \"V\" For Append As #1",
    };
    for (const char* st : statements) {
        SCOPED_TRACE(st);
        { std::ofstream(victim) << "keep"; }
        std::string line = st;
        for (size_t p; (p = line.find("\"V")) != std::string::npos;) line.replace(p + 1, 1, victim);
        Engine e;
        ASSERT_EQ(tesSetRunLimits(e.ctx, 0, 1), TES_OK);
        EXPECT_NE(e.Run("Sub Main\n  " + line + "\n  Print \"went on\"\nEnd Sub\n"), TES_OK);
        EXPECT_EQ(e.Output(), "");
        std::ifstream in(victim);
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, "keep");
        struct stat st2;
        EXPECT_NE(stat((victim + ".d").c_str(), &st2), 0);
        EXPECT_NE(stat((victim + "2").c_str(), &st2), 0);
    }
    // Reading stays allowed.
    Engine e;
    ASSERT_EQ(tesSetRunLimits(e.ctx, 0, 1), TES_OK);
    EXPECT_EQ(e.Run("Sub Main\n  Dim s As String\n  Open \"" + victim +
                    "\" For Input As #1\n  Line Input #1, s\n"
                    "  Print s; FileLen(\"" +
                    victim + "\")\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(e.Output(), " keep 4\n");
    std::filesystem::remove_all(dir);
}

// A decimal-comma locale (built with localedef into a temporary folder) does
// not change how literals, Val, CStr and Format read or write numbers.
TEST(RuntimeLibrary, NumbersIgnoreTheLocale) {
    std::string dir = TempDir();
    std::string cmd = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && access((dir + "/de_DE.UTF-8").c_str(), F_OK) != 0)
        GTEST_SKIP() << "localedef cannot build de_DE";
    setenv("LOCPATH", dir.c_str(), 1);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE locale not loadable";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    Engine e;
    TesResult r = e.Run(
        "Sub Main\n"
        "  Dim x As Double\n"
        "  x = 1.5\n"
        "  Print x * 2; 0.25!; Val(\"2.25\"); CStr(0.5); Str(1.75); Format(1234.5, \"#,##0.00\")\n"
        "  Print CDbl(\"2.25\"); CInt(\"2.5\"); CSng(\"0.5\")\n"
        "End Sub\n");
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(r, TES_OK);
    EXPECT_EQ(e.Output(), " 3 0.250000 2.25 0.5 1.75 1,234.50\n 2.25 3 0.500000\n");
}

// Each context has its own generator, starting from the same seed.
TEST(RuntimeLibrary, RndPerContext) {
    const std::string prog = "Sub Main\n  Print Rnd(0); Rnd(0)\nEnd Sub\n";
    Engine a;
    ASSERT_EQ(a.Run(prog), TES_OK);
    Engine b;
    ASSERT_EQ(b.Run(prog), TES_OK);
    // seed = seed * 1103515245 + 12345 (mod 2^32), value = bits 16..30 / 32768
    EXPECT_EQ(a.Output(), " 0.513855 0.17572\n");
    EXPECT_EQ(b.Output(), a.Output());
}

// The host's arguments: Command as one text (quoted where an argument is
// empty or holds blanks or quotes), CommandArg one by one, CommandArgCount.
TEST(RuntimeLibrary, CommandArgumentsFromTheHost) {
    {
        Engine e;
        const char* args[] = {"in.wav", "two words", "", "say \"hi\"", "-6"};
        ASSERT_EQ(tesSetCommandArgs(e.ctx, 5, args), TES_OK);
        ASSERT_EQ(e.Run("Sub Main\n"
                        "Print \"[\" & Command$ & \"]\"\n"
                        "Print CommandArgCount()\n"
                        "For i = -1 To 6: Print \"<\" & CommandArg$(i) & \">\": Next i\n"
                        "Print Len(Command)\n"
                        "End Sub\n"),
                  TES_OK);
        std::string text = "in.wav \"two words\" \"\" \"say \"\"hi\"\"\" -6";
        // Print puts a blank before every item.
        EXPECT_EQ(e.Output(), " [" + text +
                                  "]\n 5\n <>\n <>\n <in.wav>\n <two words>\n <>\n"
                                  " <say \"hi\">\n <-6>\n <>\n " +
                                  std::to_string(text.size()) + "\n");
    }
    {
        Engine e;  // none given: empty text, no arguments
        ASSERT_EQ(e.Run("Sub Main\nPrint \"[\" & Command$ & \"]\"; CommandArgCount()\nEnd Sub\n"),
                  TES_OK);
        EXPECT_EQ(e.Output(), " [] 0\n");
        EXPECT_EQ(tesSetCommandArgs(e.ctx, -1, nullptr), TES_E_INVALIDARG);
        EXPECT_EQ(tesSetCommandArgs(e.ctx, 2, nullptr), TES_E_INVALIDARG);
        EXPECT_EQ(tesSetCommandArgs(e.ctx, 0, nullptr), TES_OK);
    }
}

// Every export name of the runtime library resolves for Lib "tessel32.dll".
TEST(RuntimeLibrary, ExportNames) {
    const char* exports[] = {
        "eBeep",        "CurDir",        "Date",
        "Now",          "Time",          "Chr",
        "LineInput",    "eEOF",          "LOF",
        "SeekFunc",     "eInput",        "SeekStmt",
        "Space",        "String",        "InStr",
        "DDETerminate", "DDEExecute",    "AppActivate",
        "ChDir",        "ChDrive",       "Kill",
        "MkDir",        "RmDir",         "Asc",
        "DlgControlID", "CreateObject",  "FileLength",
        "Val",          "UCase",         "LCase",
        "LTrim",        "RTrim",         "Trim",
        "DDEInitiate",  "tesGetObject",  "FileCopy",
        "eName",        "StrComp",       "InputBox",
        "SendKeys",     "Shell",         "MsgBox",
        "Left",         "Right",         "Mid",
        "eAbs",         "Day",           "Hour",
        "Minute",       "Month",         "Second",
        "Year",         "IsArray",       "IsDate",
        "IsEmpty",      "IsNull",        "IsNumeric",
        "IsObject",     "VarType",       "Len",
        "Erase",        "LBound",        "UBound",
        "DlgText",      "Format",        "DlgEnable",
        "DlgVisible",   "Atn",           "CDbl",
        "eCos",         "eExp",          "eLog",
        "Rnd",          "eSin",          "Sqr",
        "eTan",         "CSng",          "CInt",
        "CLng",         "Fix",           "Int",
        "CStr",         "Hex",           "Oct",
        "Str",          "WeekDay",       "JulianDay",
        "DialogProc",   "DynDialogProc", "EnterProc",
        "InitDlgProc",  "DlgHWND",       "DlgControlHWND",
        "FileOpen",     "ReleaseObject", "JrnlPlayBackHook",
        "Command",      "CommandArg",    "CommandArgCount",
    };
    for (const char* name : exports) EXPECT_GE(tessel::FindBuiltinByExport(name), 0) << name;
    EXPECT_LT(tessel::FindBuiltinByExport("Cos"), 0);  // the Basic name is not an export
    Engine e;
    ASSERT_EQ(e.Run("Declare Function Cosine Lib \"tessel32.dll\" Alias \"eCos\" (ByVal x As "
                    "Double) As Double\n"
                    "Declare Function FL Lib \"tessel32.dll\" Alias \"FileLength\" (ByVal s As "
                    "String) As Long\n"
                    "Sub Main\n  Print Cosine(0); FL(\"/nonexistent/x\")\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(e.Output(), " 1 -1\n");
    Engine later;
    EXPECT_NE(later.Run("Declare Function DP Lib \"tessel32.dll\" Alias \"DialogProc\" (ByVal a As "
                        "Long) As Long\n"
                        "Sub Main\n  Print DP(1)\nEnd Sub\n"),
              TES_OK);  // a warning: the program ran to its end
    EXPECT_EQ(later.Output(), " 0\n");
    ASSERT_EQ(later.Errors().size(), 1u);
    EXPECT_EQ(later.Errors()[0].text, "DialogProc is not available in this version\n");
}

}  // namespace
