// builtins_runtime.h: the runtime library's declaration table (every
// predeclared built-in and the exports reachable through Lib
// "tessel32.dll") and the entry points of its file, system and
// user-interaction families.
#pragma once
#include <cstdint>

#include "engine/builtins.h"

namespace tessel {

// The whole table, in the order of the indices stored in function records.
const Builtin* RuntimeBuiltins(int& count);
// Parser type code of a parameter letter: 1000 any value (V), 1001 count (N).
uint16_t RuntimeParamCode(char letter, uint16_t code);
// The lowest file number 1..19 not open in the context (20 when all are).
int16_t LowestFreeFile(const ScriptContext& ctx);

// File and folder built-ins (builtins_files.cpp).
#define TES_DECLARE(name) bool name(ScriptContext&, Cell*, int, Cell*, std::string&)
TES_DECLARE(rtEOF);
TES_DECLARE(rtLOF);
TES_DECLARE(rtSeekFunc);
TES_DECLARE(rtSeekStmt);
TES_DECLARE(rtLineInput);
TES_DECLARE(rtInputField);
TES_DECLARE(rtInput);
TES_DECLARE(rtFileLen);
TES_DECLARE(rtFileCopy);
TES_DECLARE(rtName);
TES_DECLARE(rtKill);
TES_DECLARE(rtMkDir);
TES_DECLARE(rtRmDir);
TES_DECLARE(rtChDir);
TES_DECLARE(rtChDrive);
TES_DECLARE(rtCurDir);
// Interaction, processes and the built-ins of later issues (builtins_ui.cpp).
TES_DECLARE(rtMsgBox);
TES_DECLARE(rtInputBox);
TES_DECLARE(rtBeep);
TES_DECLARE(rtShell);
TES_DECLARE(rtAppActivate);
TES_DECLARE(rtSendKeys);
TES_DECLARE(rtDDEInitiate);
TES_DECLARE(rtDDEExecute);
TES_DECLARE(rtDDETerminate);
TES_DECLARE(rtCreateObject);
TES_DECLARE(rtGetObject);
TES_DECLARE(rtDlgControlID);
TES_DECLARE(rtDlgText);
TES_DECLARE(rtDlgEnable);
TES_DECLARE(rtDlgVisible);
TES_DECLARE(rtDialogProc);
TES_DECLARE(rtDynDialogProc);
TES_DECLARE(rtEnterProc);
TES_DECLARE(rtInitDlgProc);
TES_DECLARE(rtDlgHWND);
TES_DECLARE(rtDlgControlHWND);
TES_DECLARE(rtFileOpen);
TES_DECLARE(rtReleaseObject);
TES_DECLARE(rtJrnlPlayBackHook);
#undef TES_DECLARE

}  // namespace tessel
