// builtins.h: the runtime functions every program may call without
// declaring them, predeclared at the start of each parse, and the table of
// their export names that `Lib "tessel32.dll"` declarations resolve against.
#pragma once
#include <string>

#include "engine/context.h"

namespace tessel {

using BuiltinFn = bool (*)(ScriptContext& ctx, Cell* args, int nargs, Cell* out, std::string& err);

struct Builtin {
    const char* name;        // Basic name
    const char* exportName;  // export name (the alias)
    uint16_t ret;            // parser type code of the result, 0 for a statement
    const char* params;      // D Double, I Integer, L Long, S String, N count, V any value
    BuiltinFn fn;
};

const Builtin* BuiltinTable(int& count);
int FindBuiltinByExport(const std::string& name);  // case-sensitive export name
// Declares all runtime functions in the context's name table and storage.
void PredeclareBuiltins(ScriptContext& ctx);
// Converts the arguments by the declared parameter letters and calls.
bool CallBuiltin(ScriptContext& ctx, int index, Cell* args, int nargs, Cell* out, std::string& err);
bool IsEngineLibrary(const std::string& library);

// External calls (external.cpp): App functions through the host's resolver,
// Lib functions through dlopen, called with libffi.
bool CallExternal(ScriptContext& ctx, FuncRec* fn, Cell* args, int nargs, Cell* out,
                  std::string& err);
// names: the written parameter names of named arguments (-1 for positional ones), or null.
bool CallUndefined(ScriptContext& ctx, FuncRec* fn, Cell* args, int nargs,
                   const std::vector<int32_t>* names, Cell* out, std::string& err);

}  // namespace tessel
