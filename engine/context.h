// context.h: the script context that owns everything of one compile and run:
// sources, name table, instructions, storage, files and callbacks.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/codegen.h"
#include "engine/symbols.h"
#include "engine/tessel.h"
#include "engine/values.h"

namespace tessel {

constexpr int kMaxSources = 59;
constexpr int kMaxTokens = 30000;
constexpr int kParserStackLimit = 180;
constexpr int kMaxFiles = 19;
// The largest source text and compiled-code file read (64 MiB): a program
// is limited to kMaxTokens anyway, and reading stops there (a device such as
// /dev/zero never ends).
constexpr size_t kMaxFileBytes = (size_t)64 << 20;

// One recorded token of the stream: raw kind, last character, name index.
struct StreamToken {
    uint16_t kind;
    uint8_t last;
    int32_t value;
};

struct Source {
    std::string path;  // empty for appended text
    std::string text;  // framed text: LF, text, LF, character 26
    bool isFile = false;
};

struct OpenFile {
    FILE* fp = nullptr;
    int mode = 0;  // 1 input, 2 output, 8 append
};

class Interpreter;

// Lifecycle of a context: sources are added while created; running needs compiled.
enum ContextState : int { kContextCreated = 0, kContextCompiled = 2 };

// Error status collected while compiling or running.
enum ErrorStatus : int { kStatusClean = 0, kStatusWarning = -1, kStatusError = -2 };

// Where a syntax error stands: at a token, at the end of a line or of the file.
enum SyntaxWhere : int { kSyntaxAtToken = 0, kSyntaxAtEndOfLine = 1, kSyntaxAtEndOfFile = 2 };

struct ScriptContext {
    TesContext handle = 0;
    std::string userName;
    intptr_t userParam = 0;
    intptr_t instance = 0, window = 0;
    ContextState state = kContextCreated;
    bool compileUsed = false;  // a compile or load has consumed the sources
    bool freed = false;        // after tesFreeBuffers

    TesMessageCallback messageCb = nullptr;
    TesOutputCallback outputCb = nullptr;
    TesGetProcAddrCallback procCb = nullptr;
    TesUndefFuncCallback undefFuncCb = nullptr;
    TesUndefVarCallback undefVarCb = nullptr;
    TesUserTypeRoutine userTypeRoutine = nullptr;
    TesUserTypeAlloc userTypeAlloc = nullptr;
    intptr_t userTypeDatum = 0;

    std::vector<Source> sources;
    std::vector<std::string> qualifiers;
    int currentSource = 1;
    int line = 0;
    ErrorStatus errorStatus = kStatusClean;
    std::string messageText;
    TesMessageInfo info{};
    std::string outputLine;  // Print output collected up to the newline

    NameTable names;
    std::vector<StreamToken> stream;
    std::vector<std::string> replayNames;  // name texts of a loaded compiled-code file
    int streamOverflow = 0;

    // Program: instructions, storage (global cells), function records.
    std::vector<Instr> code;
    // Calls with named arguments (a call's pad word is its index + 1): per
    // written argument the parameter name (-1 when positional) and the
    // number of value-stack cells it takes.
    struct NamedCall {
        std::vector<int32_t> names, spans;
    };
    std::vector<NamedCall> namedCalls;
    std::vector<Cell> storage;
    std::vector<std::unique_ptr<FuncRec>> funcs;
    int predeclaredNames = 0;
    int optionBase = 0;
    bool optionExplicit = false;

    std::unique_ptr<Interpreter> interp;
    OpenFile files[kMaxFiles + 1];
    int64_t maxSteps = 0;
    bool sandbox = false;
    std::vector<std::string> commandArgs;  // what Command and CommandArg return

    // Host objects registered before compiling (declared at its start), each
    // holding one reference; records of member calls by name and flags.
    std::vector<std::pair<std::string, TesDispatch*>> hostObjects;
    std::unordered_map<std::string, int> memberRecords;

    // Returned string of tesCallFunc results.
    std::string resultText;

    ScriptContext();
    ~ScriptContext();
    void FreeBuffers();
    int NewCell(uint16_t decl, int32_t name);
};

// Reporting (api.cpp).
int ReportError(ScriptContext& ctx, const std::string& msg);
int ReportWarning(ScriptContext& ctx, const std::string& msg);
void ReportSyntax(ScriptContext& ctx, const std::string& tokenText, int source, int line,
                  int column, int length, const std::string& lineBefore,
                  const std::string& lineAfter, SyntaxWhere where);
void EmitOutputLine(ScriptContext& ctx, const std::string& text);
ScriptContext* CurrentContext();

// Compiling (parser.cpp): runs over the sources, or replays the stream.
int32_t CompileProgram(ScriptContext& ctx, bool replay);

// Objects (objects.cpp).
void DeclareHostObjects(ScriptContext& ctx);
void ReleaseHostObjects(ScriptContext& ctx);
// The cell of a member-call record (kind 4), made once per name and flags.
int MemberRecord(ScriptContext& ctx, const std::string& member, int flags, bool chained);
// Calls a member of the object in obj with nargs argument cells; names holds
// the written parameter names of named arguments (-1 for positional ones).
bool CallMember(ScriptContext& ctx, FuncRec* fn, Cell* obj, Cell* args, int nargs,
                const std::vector<int32_t>* names, Cell* out, std::string& err);
// Variant conversions: a cell as an argument variant (strings point into
// texts, objects are lent), and a variant from a host into a cell (adopt: the
// cell takes over an object reference instead of adding one).
bool SetVariantFromVar(const Cell* c, TesVariant& v, std::string& text, std::string& err);
bool VariantToCell(ScriptContext& ctx, const TesVariant& v, Cell& c, bool adopt);
// The named arguments of a call as automation lists them: vars holds the
// arguments last first, so the named ones (written last) come first; names
// holds the written parameter names (-1 for positional arguments).
struct NamedArgs {
    std::vector<int32_t> ids;
    std::vector<const char*> texts;
};
TesArgList MakeArgList(const ScriptContext& ctx, TesVariant* vars, int nargs,
                       const std::vector<int32_t>* names, NamedArgs& named);

// Compiled-code files (codefile.cpp).
int32_t SaveCode(ScriptContext& ctx, const char* path);
int32_t LoadCode(ScriptContext& ctx, const char* path, std::vector<StreamToken>& tokens,
                 std::vector<std::string>& names);

}  // namespace tessel
