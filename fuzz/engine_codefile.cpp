// engine_codefile.cpp: feeds arbitrary bytes to the compiled-code loader;
// whatever loads is run in the sandbox with a step limit.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/tessel.h"

static void Quiet(const TesMessageInfo*) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string path = "/tmp/tessel_fuzz_code_" + std::to_string(getpid()) + ".bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    TesContext ctx;
    if (tesCreateContext("fuzz", 0, 0, &ctx) == TES_OK) {
        tesRegisterOutputCallback(ctx, Quiet);
        tesSetRunLimits(ctx, 20000, 1);
        if (tesLoadCompiledCode(ctx, path.c_str()) == TES_OK) tesExecute(ctx);
        tesFreeContext(ctx);
    }
    unlink(path.c_str());
    return 0;
}
