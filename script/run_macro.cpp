// RunMacroFile, the host's message callback and the engine result texts.
#include "script/run_macro.h"

#include <cstdio>

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

const char* const kEngineTexts[] = {
    "Tessel: Not implemented",
    "Tessel: Ran out of memory",
    "Tessel: One or more arguments are invalid",
    "Tessel: No such interface supported",
    "Tessel: Invalid pointer",
    "Tessel: Invalid handle",
    "Tessel: Operation aborted",
    "Tessel: General error",
    "Tessel: General access denied error",
    "Tessel: Context argument is invalid",
    "Tessel: File not found",
    "Tessel: Internal buffer is full",
    "Tessel: Item to be returned was not found",
    "Tessel: Read error on file",
    "Tessel: Internal stack overflow",
    "Tessel: Global variable not declared",
    "Tessel: Syntax error",
    "Tessel: Runtime error",
    "Tessel: Types do not match",
    "Tessel: This API call requires another state",
    "Tessel: Error occured during parsing",
    "Tessel: Too many open files",
    "Tessel: Unhandled exception",
    "Tessel: Unhandled exception during code generation",
    "Tessel: Unhandled exception during code generation",
    "Tessel: Compiled code file is out of date or corrupted",
};

}  // namespace

void SetScriptOutput(ScriptOutput output) {
    gScriptOutput = output;
}

const char* EngineResultText(int32_t code) {
    if (code == 0) return "Tessel: Success";
    uint32_t index = uint32_t(code) - 0x80000001u;
    if (code < 0 && index < sizeof kEngineTexts / sizeof kEngineTexts[0])
        return kEngineTexts[index];
    return "Tessel: Relatively catastrophic failure";
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
