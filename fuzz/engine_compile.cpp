// engine_compile.cpp: feeds arbitrary program text to the engine: compile,
// and run what compiles in the sandbox with a step limit (no external calls,
// no file output, no Shell/Kill/...), so random programs cannot touch the
// machine. Nothing may crash, hang or leak.
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/tessel.h"

static void Quiet(const TesMessageInfo*) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 20000) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    for (auto& c : text)
        if (c == 0) c = ' ';
    TesContext ctx;
    if (tesCreateContext("fuzz", 0, 0, &ctx) != TES_OK) return 0;
    tesRegisterOutputCallback(ctx, Quiet);
    tesSetRunLimits(ctx, 20000, 1);
    // Split into up to three sources at form feeds, to cover source switching.
    size_t start = 0;
    for (int i = 0; i < 2; ++i) {
        size_t ff = text.find('\f', start);
        if (ff == std::string::npos) break;
        tesAppendText(ctx, text.substr(start, ff - start).c_str());
        start = ff + 1;
    }
    tesAppendText(ctx, text.substr(start).c_str());
    if (tesCompile(ctx) == TES_OK) {
        tesExecute(ctx);
        int32_t src, line;
        tesDebugStep(ctx, &src, &line);
        tesDebugGo(ctx, &src, &line);
    }
    tesFreeContext(ctx);
    return 0;
}
