// The binding between the script language and the host: the table of script
// functions (name, declared arguments, result type, host address, declaration
// block), the constant and declaration texts fed to the engine ahead of every
// macro, and the name resolver the engine asks for each declared function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ob {

struct ScriptFunction {
    const char* name;       // as declared
    const char* arguments;  // the argument list between the parentheses
    const char* result;     // "Long", "Integer", "Single" or "String"
    void* address;          // the host function (shared by aliases)
    int block;              // declaration block 1..7
};

// Every script function in declaration order.
extern const ScriptFunction kScriptFunctions[];
extern const size_t kScriptFunctionCount;

constexpr int kConstantBlockCount = 2;
constexpr int kDeclarationBlockCount = 7;  // the six of the table, then obRedoWave and obEQVT

// "Const NAME\t= value\n" lines; block 1 or 2 (null for others).
const char* ConstantBlock(int block);
// "Declare Function NAME App (ARGS) As TYPE\n" lines; block 1..7 (null for others).
const char* DeclarationBlock(int block);
// Looks a name up without regard to case; null when it names no script function.
void* FindScriptFunction(const char* name);
// The value of a script constant by name (exact case); false when unknown.
bool FindScriptConstant(const char* name, int32_t& value);
// The name of a constant of a group with the given prefix ("OB_AFFECT_") and
// value, or "" when none has it (the first one in the table wins).
std::string ScriptConstantName(const char* prefix, int32_t value);

}  // namespace ob

// The get-proc-address callback handed to the engine.
extern "C" void* ResolveScriptFunction(uint32_t context, const char* name);
