// engine_codefile.cpp: feeds arbitrary bytes to the compiled-code loader;
// whatever loads is run in the sandbox with a step limit.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/tessel.h"

static void Quiet(const TesMessageInfo*) {}

// Half of the inputs get a valid checksum (FNV-1a over the file with the
// word at offset 16 as zero, stored there), so the loader's later checks and
// the replay are reached too, not only the checksum test.
static std::string WithChecksum(const uint8_t* data, size_t size) {
    std::string s(reinterpret_cast<const char*>(data), size);
    if (s.size() < 20) return s;
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < s.size(); ++i) {
        uint8_t b = (i >= 16 && i < 20) ? 0 : (uint8_t)s[i];
        h = (h ^ b) * 16777619u;
    }
    for (int i = 0; i < 4; ++i) s[16 + i] = (char)((h >> (8 * i)) & 0xFF);
    return s;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes = size > 0 && (data[size - 1] & 1)
                            ? WithChecksum(data, size)
                            : std::string(reinterpret_cast<const char*>(data), size);
    static std::string path = "/tmp/tessel_fuzz_code_" + std::to_string(getpid()) + ".bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
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
