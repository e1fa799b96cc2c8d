// builtins_ui.cpp: the built-ins that reach the user or the system (MsgBox,
// InputBox, Beep, AppActivate through the host's UI callbacks, with a
// terminal fallback; Shell through posix_spawn) and the DDE, object and
// dialog built-ins that are declared but not available yet.
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "engine/builtins_args.h"
#include "engine/builtins_runtime.h"

extern char** environ;

namespace tessel {

using namespace bargs;

namespace {

std::mutex g_uiLock;
std::unordered_map<TesContext, TesUiCallbacks> g_ui;  // keyed by handle

bool UiOf(const ScriptContext& ctx, TesUiCallbacks& ui) {
    std::lock_guard<std::mutex> g(g_uiLock);
    auto it = g_ui.find(ctx.handle);
    if (it == g_ui.end()) return false;
    ui = it->second;
    return true;
}

// Buttons of the message-box types 0..5 (low four bits of the type) and the
// codes they return: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
struct ButtonSet {
    const char* names[3];
    int codes[3];
    int count;
};
const ButtonSet kButtons[6] = {
    {{"OK"}, {1}, 1},
    {{"OK", "Cancel"}, {1, 2}, 2},
    {{"Abort", "Retry", "Ignore"}, {3, 4, 5}, 3},
    {{"Yes", "No", "Cancel"}, {6, 7, 2}, 3},
    {{"Yes", "No"}, {6, 7}, 2},
    {{"Retry", "Cancel"}, {4, 2}, 2},
};

// Whether the terminal fallback may ask: standard input is a terminal and the
// program is not an untrusted one of the sandbox mode.
bool CanAsk(const ScriptContext& ctx) {
    return !ctx.sandbox && isatty(0);
}

// A line from the terminal; false when standard input ends.
bool ReadTerminalLine(std::string& line) {
    return static_cast<bool>(std::getline(std::cin, line));
}

// Terminal message box: the text goes to the program output; on a terminal
// the user types a button name (or its first letter, or nothing for the
// default), otherwise the default button is taken.
int TerminalMessageBox(ScriptContext& ctx, const std::string& text, int type,
                       const std::string& title) {
    const ButtonSet& b = kButtons[(type & 15) <= 5 ? (type & 15) : 0];
    int def = (type >> 8) & 3;
    if (def >= b.count) def = 0;
    EmitOutputLine(ctx, title.empty() ? text : title + ": " + text);
    if (!CanAsk(ctx)) return b.codes[def];
    std::string prompt = "[";
    for (int i = 0; i < b.count; ++i) prompt += std::string(i ? "/" : "") + b.names[i];
    prompt += "] ";
    for (;;) {
        std::fputs(prompt.c_str(), stdout);
        std::fflush(stdout);
        std::string line;
        if (!ReadTerminalLine(line)) return b.codes[def];
        if (line.empty()) return b.codes[def];
        for (int i = 0; i < b.count; ++i) {
            std::string name = b.names[i];
            if (strcasecmp(line.c_str(), name.c_str()) == 0 ||
                (line.size() == 1 && std::toupper((unsigned char)line[0]) == name[0]))
                return b.codes[i];
        }
    }
}

// Children started by Shell are reaped once they end, so none stays a zombie.
std::mutex g_childLock;
std::vector<pid_t> g_children;
void ReapChildren() {
    std::lock_guard<std::mutex> g(g_childLock);
    for (size_t i = 0; i < g_children.size();) {
        if (waitpid(g_children[i], nullptr, WNOHANG) != 0) {
            g_children[i] = g_children.back();
            g_children.pop_back();
        } else {
            ++i;
        }
    }
}

bool NotAvailable(ScriptContext& ctx, const char* name) {
    ReportWarning(ctx, std::string(name) + " is not available in this version\n");
    return true;
}

}  // namespace

TES_BUILTIN(rtMsgBox) {
    TES_UNUSED_ARGS;
    const std::string& text = S(a);
    int type = I(a + 1);
    const std::string& title = S(a + 2);
    TesUiCallbacks ui;
    int code;
    if (UiOf(ctx, ui) && ui.messageBox)
        code = ui.messageBox(ctx.handle, text.c_str(), type, title.c_str(), ui.user);
    else
        code = TerminalMessageBox(ctx, text, type, title);
    SetInteger(out, (int16_t)code);
    return true;
}

// InputBox(prompt, title, default, ...): the edited text on OK, "" on Cancel.
TES_BUILTIN(rtInputBox) {
    TES_UNUSED_ARGS;
    const std::string& prompt = S(a);
    const std::string& title = S(a + 1);
    const std::string& def = S(a + 2);
    TesUiCallbacks ui;
    std::string result;
    if (UiOf(ctx, ui) && ui.inputBox) {
        std::vector<char> buf(32768, '\0');
        if (ui.inputBox(ctx.handle, prompt.c_str(), title.c_str(), def.c_str(), buf.data(),
                        (int32_t)buf.size(), ui.user) != 0) {
            buf.back() = '\0';
            result = buf.data();
        }
    } else {
        EmitOutputLine(ctx, title.empty() ? prompt : title + ": " + prompt);
        result = def;
        if (CanAsk(ctx)) {
            std::string line;
            std::fputs(def.empty() ? "> " : ("[" + def + "] ").c_str(), stdout);
            std::fflush(stdout);
            if (ReadTerminalLine(line) && !line.empty()) result = line;
        }
        if (result.size() > 32767) result.resize(32767);
    }
    SetString(out, std::move(result));
    return true;
}

TES_BUILTIN(rtBeep) {
    TES_UNUSED_ARGS;
    TesUiCallbacks ui;
    if (UiOf(ctx, ui) && ui.beep)
        ui.beep(ctx.handle, ui.user);
    else if (isatty(2))
        std::fputc('\a', stderr);
    return true;
}

// Shell(command, style): runs the command line through /bin/sh without
// waiting and returns the process id (0 when it could not be started). The
// show style has no meaning here.
TES_BUILTIN(rtShell) {
    TES_UNUSED_ARGS;
    if (Refused(ctx, "Shell", err)) return false;
    ReapChildren();
    std::fflush(stdout);
    std::string command = S(a);
    char sh[] = "/bin/sh", dash[] = "-c";
    char* argv[] = {sh, dash, command.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) pid = 0;
    if (pid > 0) {
        std::lock_guard<std::mutex> g(g_childLock);
        g_children.push_back(pid);
    }
    SetLong(out, (int32_t)pid);
    return true;
}

TES_BUILTIN(rtAppActivate) {
    TES_UNUSED_ARGS;
    TesUiCallbacks ui;
    if (UiOf(ctx, ui) && ui.appActivate && ui.appActivate(ctx.handle, S(a).c_str(), ui.user) != 0)
        return true;
    err = "AppActivate::FindWindow unable to find: " + S(a) + "\n";
    return false;
}

#define LATER(fn, name, setter)         \
    TES_BUILTIN(fn) {                   \
        TES_UNUSED_ARGS;                \
        setter;                         \
        return NotAvailable(ctx, name); \
    }
LATER(rtSendKeys, "SendKeys", (void)0)
LATER(rtDDEInitiate, "DDEInitiate", SetLong(out, 0))
LATER(rtDDEExecute, "DDEExecute", (void)0)
LATER(rtDDETerminate, "DDETerminate", (void)0)
LATER(rtCreateObject, "CreateObject", SetLong(out, 0))
LATER(rtGetObject, "GetObject", SetLong(out, 0))
LATER(rtDlgControlID, "DlgControlID", SetInteger(out, 0))
LATER(rtDlgText, "DlgText", SetInteger(out, 0))
LATER(rtDlgEnable, "DlgEnable", SetInteger(out, 0))
LATER(rtDlgVisible, "DlgVisible", SetInteger(out, 0))
// Exports of the dialog and object support, reachable only through Lib.
LATER(rtDialogProc, "DialogProc", SetLong(out, 0))
LATER(rtDynDialogProc, "DynDialogProc", SetLong(out, 0))
LATER(rtEnterProc, "EnterProc", SetLong(out, 0))
LATER(rtInitDlgProc, "InitDlgProc", SetLong(out, 0))
LATER(rtDlgHWND, "DlgHWND", SetLong(out, 0))
LATER(rtDlgControlHWND, "DlgControlHWND", SetLong(out, 0))
LATER(rtFileOpen, "FileOpen", SetLong(out, 0))
LATER(rtReleaseObject, "ReleaseObject", SetLong(out, 0))
LATER(rtJrnlPlayBackHook, "JrnlPlayBackHook", SetLong(out, 0))
#undef LATER

}  // namespace tessel

using namespace tessel;

TES_API TesResult tesRegisterUiCallbacks(TesContext context, const TesUiCallbacks* callbacks) {
    if (context == 0) return TES_E_HANDLE;
    std::lock_guard<std::mutex> g(g_uiLock);
    if (callbacks)
        g_ui[context] = *callbacks;
    else
        g_ui.erase(context);
    return TES_OK;
}
