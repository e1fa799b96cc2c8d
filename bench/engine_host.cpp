// engine_host.cpp: engine timings that need a host: 1 M calls of a host App
// function, and create-compile-free of a context fed the way a function-key
// macro is run: the script host's real constant and declaration blocks, then
// a small recorded macro (Sub Main with a few host calls).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/tessel.h"
#include "script/script_table.h"

namespace {

extern "C" int32_t HostAdd(int32_t a, int32_t b) {
    return a + b;
}

void* Resolve(TesContext, const char* name) {
    return std::string(name) == "obAdd" ? (void*)&HostAdd : nullptr;
}

void Quiet(const TesMessageInfo* info) {
    if (info->kind) std::fprintf(stderr, "engine: %s", info->text);
}

double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// What the recorder writes for a short editing session.
const char* const kRecordedMacro =
    "REM Sample Orbick\n"
    "REM Generated with the Sample Orbick Auto-Script recorder\n"
    "\n"
    "Sub Main ()\n"
    "obSetMode 1, OB_MODE_NORMAL\n"
    "obSetMarker 1, 0, 1000\n"
    "obNormalize 1, -1\n"
    "obGain 1, 3.5\n"
    "obReverse 1\n"
    "obPlay 1\n"
    "End Sub\n";

// Creates a context, appends the host's blocks and the macro, compiles and
// frees it, as the script host does before running a macro. Returns the
// first failing result.
TesResult CreateCompileFree() {
    TesContext ctx = 0;
    TesResult r = tesCreateContext("OrbickTessel", 0, 0, &ctx);
    if (r != TES_OK) return r;
    tesRegisterOutputCallback(ctx, Quiet);
    tesRegisterGetProcAddrCallback(ctx, Resolve);
    for (int block = 1; block <= ob::kConstantBlockCount && r == TES_OK; ++block)
        r = tesAppendText(ctx, ob::ConstantBlock(block));
    for (int block = 1; block <= ob::kDeclarationBlockCount && r == TES_OK; ++block)
        r = tesAppendText(ctx, ob::DeclarationBlock(block));
    if (r == TES_OK) r = tesAppendText(ctx, kRecordedMacro);
    if (r == TES_OK) r = tesCompile(ctx);
    TesResult freed = tesFreeContext(ctx);
    return r != TES_OK ? r : freed;
}

}  // namespace

int main() {
    const char* program =
        "Declare Function obAdd App (ByVal a&, ByVal b&) As Long\n"
        "Sub Main\nDim i As Long, s As Long\nFor i = 1 To 1000000\ns = obAdd(s, 1)\nNext i\nPrint "
        "s\nEnd Sub\n";
    TesContext ctx;
    tesCreateContext("bench", 0, 0, &ctx);
    tesRegisterOutputCallback(ctx, Quiet);
    tesRegisterGetProcAddrCallback(ctx, Resolve);
    tesAppendText(ctx, program);
    if (tesCompile(ctx) != TES_OK) return 1;
    auto t0 = std::chrono::steady_clock::now();
    TesResult r = tesExecute(ctx);
    std::printf("host App calls 1M: %.3f s (result %d)\n", Seconds(t0), (int)r);
    tesFreeContext(ctx);

    size_t textBytes = std::strlen(kRecordedMacro);
    for (int block = 1; block <= ob::kConstantBlockCount; ++block)
        textBytes += std::strlen(ob::ConstantBlock(block));
    for (int block = 1; block <= ob::kDeclarationBlockCount; ++block)
        textBytes += std::strlen(ob::DeclarationBlock(block));
    TesResult first = CreateCompileFree();  // also builds the host's blocks once
    if (first != TES_OK) {
        std::fprintf(stderr, "create-compile-free failed: 0x%08X\n", (unsigned)first);
        return 1;
    }
    const int rounds = 200;
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {  // best of three batches (the machine may be shared)
        t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < rounds; ++i)
            if (CreateCompileFree() != TES_OK) return 1;
        best = std::min(best, Seconds(t0) * 1000 / rounds);
    }
    std::printf(
        "create-compile-free with the host's texts (%zu bytes) and a recorded macro: %.3f ms\n",
        textBytes, best);
    return r == TES_OK ? 0 : 1;
}
