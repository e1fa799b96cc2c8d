// RunMacroFile, the host's message callback and the engine result texts.
#include "script/run_macro.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "base/messages.h"
#include "base/user_interface.h"
#include "engine/tessel.h"
#include "script/macro_keys.h"
#include "script/script_table.h"

namespace ob {

namespace {

ScriptOutput gScriptOutput = ScriptOutput::Boxes;
constexpr const char* kSetUpCaption = "Tessel Macro Error";

void SetUpFailure(void* owner, const char* text) {
    ReportMessage(owner, kSetUpCaption, text);
}

// The engine's MsgBox, InputBox and Beep go to the user-interface seam when
// it has dialogs of its own.
int32_t UiMessageBox(TesContext, const char* text, int32_t type, const char* title, void*) {
    return UI().ScriptMessageBox(text ? text : "", type, title ? title : "");
}
int32_t UiInputBox(TesContext, const char* prompt, const char* title, const char* defaultText,
                   char* buffer, int32_t size, void*) {
    if (!buffer || size <= 0) return 0;
    std::string text;
    if (!UI().InputBox(prompt ? prompt : "", title ? title : "", defaultText ? defaultText : "",
                       text))
        return 0;
    size_t n = std::min(text.size(), size_t(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return 1;
}
void UiBeep(TesContext, void*) {
    UI().Beep();
}

constexpr const char* kScriptCaption = "Sample Orbick: Tessel Script";

struct ContextSink {
    MacroSink sink = nullptr;
    void* user = nullptr;
    std::string path;
};
std::map<uint32_t, ContextSink>& Sinks() {
    static std::map<uint32_t, ContextSink> sinks;
    return sinks;
}

// The engine's output callback: messages with their source, line and column.
void RouteOutput(const TesMessageInfo* info) {
    if (!info) return;
    MacroMessage message;
    message.kind = info->kind;
    message.code = info->code;
    message.text = info->text ? info->text : "";
    while (!message.text.empty() && message.text.back() == '\n') message.text.pop_back();
    message.source = info->source;
    message.line = info->line;
    if (info->code == TES_E_SYNTAX && info->kind == 1) {
        // The engine hands over the offending token: end of line and end of
        // file have no text of their own.
        const std::string& token = message.text;
        if (info->length == 0 && token.empty())
            message.text = "Syntax error at: end of file";
        else if (token.empty() || static_cast<unsigned char>(token[0]) < 32)
            message.text = "Syntax error at: end of line";
        else
            message.text = "Syntax error at: " + token;
        message.column = info->column;
    }
    auto found = Sinks().find(info->context);
    if (found == Sinks().end()) return;
    if (found->second.sink) {
        found->second.sink(message, found->second.user);
        return;
    }
    if (message.kind == 0) {
        ScriptMessageCallback(info->context, 0, 0, message.text.c_str());
        return;
    }
    std::string text = MacroMessageText(message, found->second.path);
    UI().MessageBox(nullptr, kScriptCaption, text.c_str());
}

}  // namespace

int MacroSourceNumber() {
    return kConstantBlockCount + kDeclarationBlockCount + 1;
}

std::string MacroMessageText(const MacroMessage& message, const std::string& path) {
    std::string where =
        message.source == MacroSourceNumber() ? (path.empty() ? "macro" : path) : "declarations";
    if (message.line > 0) {
        where += ":" + std::to_string(message.line);
        if (message.column >= 0) where += ":" + std::to_string(message.column + 1);
    }
    return where + ": " + message.text;
}

void ForgetMacroContext(uint32_t context) {
    Sinks().erase(context);
}

int32_t PrepareMacroContext(uint32_t context, void* owner, const std::vector<std::string>& args,
                            const std::string& path, MacroSink sink, void* user) {
    Sinks()[context] = ContextSink{sink, user, path};
    TesResult r = tesRegisterCallback(context, ScriptMessageCallback);
    if (r == TES_OK) r = tesRegisterOutputCallback(context, RouteOutput);
    if (r != TES_OK) return SetUpFailure(owner, "Error building macro internals: callbacks 1"), r;
    r = tesRegisterGetProcAddrCallback(context, ResolveScriptFunction);
    if (r != TES_OK) return SetUpFailure(owner, "Error building macro internals: callbacks 2"), r;
    std::vector<const char*> texts;
    for (const std::string& arg : args) texts.push_back(arg.c_str());
    r = tesSetCommandArgs(context, int32_t(texts.size()), texts.data());
    if (r != TES_OK) return SetUpFailure(owner, "Error building macro internals: arguments"), r;
    if (UI().HasScriptDialogs()) {
        TesUiCallbacks callbacks{};
        callbacks.messageBox = UiMessageBox;
        callbacks.inputBox = UiInputBox;
        callbacks.beep = UiBeep;
        r = tesRegisterUiCallbacks(context, &callbacks);
        if (r != TES_OK)
            return SetUpFailure(owner, "Error building macro internals: callbacks 3"), r;
    }
    for (int block = 1; block <= kConstantBlockCount; ++block) {
        r = tesAppendText(context, ConstantBlock(block));
        if (r != TES_OK) {
            std::string text = "Error building macro internals: constants " + std::to_string(block);
            return SetUpFailure(owner, text.c_str()), r;
        }
    }
    for (int block = 1; block <= kDeclarationBlockCount; ++block) {
        r = tesAppendText(context, DeclarationBlock(block));
        if (r != TES_OK) {
            std::string text = "Error building macro internals: functions " + std::to_string(block);
            return SetUpFailure(owner, text.c_str()), r;
        }
    }
    return TES_OK;
}

void SetScriptOutput(ScriptOutput output) {
    gScriptOutput = output;
}

// The engine keeps the one table of its result texts.
const char* EngineResultText(int32_t code) {
    return tesResultText(code);
}

int32_t RunMacroFile(void* owner, const std::string& path, const std::vector<std::string>& args) {
    TesContext context = 0;
    TesResult result =
        tesCreateContext("OrbickTessel", 0, reinterpret_cast<intptr_t>(owner), &context);
    if (result != TES_OK) {
        SetUpFailure(owner, "Unable to obtain macro resources");
        // The engine may keep a context it could not finish; it is freed too.
        if (context) tesFreeContext(context);
        return result;
    }
    auto step = [&]() -> TesResult {
        TesResult r = PrepareMacroContext(context, owner, args, path);
        if (r != TES_OK) return r;
        r = tesAddFile(context, path.c_str());
        if (r != TES_OK) return SetUpFailure(owner, "Error loading macro file"), r;
        r = tesCompile(context);
        if (r != TES_OK) return r;
        return tesExecute(context);
    };
    result = step();
    ForgetMacroContext(context);
    TesResult freed = tesFreeContext(context);
    if (freed != TES_OK) {
        SetUpFailure(owner, "Error freeing macro resources");
        if (result == TES_OK) result = freed;
    }
    return result;
}

int32_t RunMacroKey(void* owner, int slot) {
    if (slot < 0 || slot >= kMacroKeyCount || gMacroKeys[slot].empty()) return 0;
    return RunMacroFile(owner, gMacroKeys[slot]);
}

int32_t RunStartupMacro(void* owner, const std::string& settingsFolder) {
    if (settingsFolder.empty()) return 0;
    std::string path = settingsFolder + "/orbick.macroinit";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    std::fclose(file);
    return RunMacroFile(owner, path);
}

}  // namespace ob

extern "C" int32_t ScriptMessageCallback(uint32_t, int32_t flag1, int32_t flag2, const char* text) {
    const char* message = text ? text : "";
    if (ob::gScriptOutput == ob::ScriptOutput::Console && flag1 == 0 && flag2 == 0) {
        std::fputs(message, stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        return 0;
    }
    ob::UI().MessageBox(nullptr, "Sample Orbick: Tessel Script", message);
    return 0;
}
