// codegen.cpp: opcode names, the code listing used by tests, and the
// compile driver that runs the parser over the sources or a stored stream.
#include "engine/codegen.h"

#include <cstdio>

#include "engine/context.h"
#include "engine/parser.h"

namespace tessel {

const char* OpName(int op) {
    static const char* const names[OP_COUNT] = {
        "?",       "DIALOG",  "MOVE",     "ASTORE", "JFALSE", "JUMP",  "CASENE",  "GOSUB",
        "BRANCH",  "RETURN",  "LEAVE",    "END",    "CALL",   "OPEN",  "CLOSE",   "PRINT",
        "FORTEST", "NEXT",    "NEXTSTEP", "DOTEST", "LOOP",   "PUSH",  "PUSHREF", "POP",
        "CLEAR",   "RELEASE", "ADD",      "POW",    "MOD",    "AREAD", "CONCAT",  "SUB",
        "MUL",     "DIV",     "AND",      "OR",     "EQ",     "NE",    "LT",      "GT",
        "LE",      "GE",      "NEG",      "NOT",    "JTRUE",  "AREF",  "AREAD1",  "ASTORE1",
        "JNOTREL", "SETREF",  "PUSHOP"};
    return op > 0 && op < OP_COUNT ? names[op] : "?";
}

std::string ListCode(const ScriptContext& ctx) {
    std::string out;
    char buf[128];
    for (size_t i = 0; i < ctx.code.size(); ++i) {
        const Instr& in = ctx.code[i];
        if (in.op == OP_JNOTREL || in.op == OP_PUSHOP)
            std::snprintf(buf, sizeof buf, "%zu %s.%s %d %d %d ; line %d\n", i, OpName(in.op),
                          OpName(in.pad), in.a, in.b, in.c, in.line);
        else
            std::snprintf(buf, sizeof buf, "%zu %s %d %d %d ; line %d\n", i, OpName(in.op), in.a,
                          in.b, in.c, in.line);
        out += buf;
    }
    return out;
}

int32_t CompileProgram(ScriptContext& ctx, bool replay) {
    std::vector<StreamToken> tokens;
    std::vector<std::string> names;
    if (replay) {
        tokens.swap(ctx.stream);
        names.swap(ctx.replayNames);
    }
    Compiler c(ctx, replay, &tokens, &names);
    int32_t r = c.Run();
    if (replay) ctx.stream.swap(tokens);
    return r;
}

}  // namespace tessel
