// RunMacroFile, the host's message callback and the engine result texts.
#include "script/run_macro.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

}  // namespace

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
        TesResult r = tesRegisterCallback(context, ScriptMessageCallback);
        if (r != TES_OK)
            return SetUpFailure(owner, "Error building macro internals: callbacks 1"), r;
        r = tesRegisterGetProcAddrCallback(context, ResolveScriptFunction);
        if (r != TES_OK)
            return SetUpFailure(owner, "Error building macro internals: callbacks 2"), r;
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
                std::string text =
                    "Error building macro internals: constants " + std::to_string(block);
                return SetUpFailure(owner, text.c_str()), r;
            }
        }
        for (int block = 1; block <= kDeclarationBlockCount; ++block) {
            r = tesAppendText(context, DeclarationBlock(block));
            if (r != TES_OK) {
                std::string text =
                    "Error building macro internals: functions " + std::to_string(block);
                return SetUpFailure(owner, text.c_str()), r;
            }
        }
        r = tesAddFile(context, path.c_str());
        if (r != TES_OK) return SetUpFailure(owner, "Error loading macro file"), r;
        r = tesCompile(context);
        if (r != TES_OK) return r;
        return tesExecute(context);
    };
    result = step();
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
