// Running a macro file: one engine context per run, the host's message
// callback, the engine result texts, the macro keys and the start-up macro.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ob {

// Creates a context, registers the callbacks, feeds the constant and
// declaration blocks and the file, compiles, executes and frees the context
// (always, also after a failed step). Returns 0 after a successful run, else
// the first failing step's engine code. Set-up failures are reported with the
// caption "Tessel Macro Error". `args` are what the macro's Command,
// CommandArg and CommandArgCount return (orbick --batch MACRO ARG...).
int32_t RunMacroFile(void* owner, const std::string& path,
                     const std::vector<std::string>& args = {});

// The source number of the macro in a context set up by PrepareMacroContext
// (after the constant and declaration blocks).
int MacroSourceNumber();

// Registers the callbacks and the command arguments and appends the constant
// and declaration blocks; the caller adds the macro and compiles. Set-up
// failures are reported (caption "Tessel Macro Error"). The engine's
// messages go to `sink` when given (errors and Print lines with their source,
// line and column), else they are shown as RunMacroFile shows them, naming
// `path` (or "macro" when empty).
struct MacroMessage {
    int kind = 0;  // 1 error, 0 a line of program output
    int32_t code = 0;
    std::string text;  // without the trailing line feed
    int source = 0;
    int line = 0;     // from 1; 0 when unknown
    int column = -1;  // from 0; -1 when unknown (run-time errors)
};
using MacroSink = void (*)(const MacroMessage& message, void* user);
int32_t PrepareMacroContext(uint32_t context, void* owner, const std::vector<std::string>& args,
                            const std::string& path, MacroSink sink = nullptr,
                            void* user = nullptr);
// Forgets the sink of a context (before it is freed).
void ForgetMacroContext(uint32_t context);
// "PATH:LINE:COLUMN: TEXT" (COLUMN from 1, left out when unknown; "PATH:"
// alone when the line is unknown) for an error of the macro; an error in the
// constant or declaration blocks names "declarations".
std::string MacroMessageText(const MacroMessage& message, const std::string& path);

// Where the message callback sends the engine's texts: message boxes
// (through the user-interface seam) for both kinds, or, in batch mode,
// program output to standard output and errors as message boxes.
enum class ScriptOutput { Boxes, Console };
void SetScriptOutput(ScriptOutput output);

// The host text of an engine result code ("Tessel: Syntax error", ...).
const char* EngineResultText(int32_t code);

// Runs the macro of key F2..F12 (slot 0..10); an empty slot does nothing
// and returns 0.
int32_t RunMacroKey(void* owner, int slot);

// Runs "orbick.macroinit" of the settings folder when it can be opened for
// reading; returns 0 when there is none.
int32_t RunStartupMacro(void* owner, const std::string& settingsFolder);

}  // namespace ob

// The message callback handed to the engine.
extern "C" int32_t ScriptMessageCallback(uint32_t context, int32_t flag1, int32_t flag2,
                                         const char* text);
