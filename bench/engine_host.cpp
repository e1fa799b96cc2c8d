// engine_host.cpp: engine timings that need a host: 1 M calls of a host App
// function, and create-compile-free of a context fed with constant and
// declaration texts of the editor's size (generated here: 300 Const lines and
// 123 App declarations, the shape the script host feeds).
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/tessel.h"

namespace {

extern "C" int32_t HostAdd(int32_t a, int32_t b) { return a + b; }

void* Resolve(TesContext, const char* name) {
    return std::string(name) == "obAdd" ? (void*)&HostAdd : nullptr;
}

void Quiet(const TesMessageInfo* info) {
    if (info->kind) std::fprintf(stderr, "engine: %s", info->text);
}

double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main() {
    const char* program =
        "Declare Function obAdd App (ByVal a&, ByVal b&) As Long\n"
        "Sub Main\nDim i As Long, s As Long\nFor i = 1 To 1000000\ns = obAdd(s, 1)\nNext i\nPrint s\nEnd Sub\n";
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

    std::string constants, declarations;
    for (int i = 0; i < 300; ++i) constants += "Const OB_CONSTANT_" + std::to_string(i) + "\t=\t" + std::to_string(i) + "\n";
    for (int i = 0; i < 123; ++i)
        declarations += "Declare Function obFunction" + std::to_string(i) +
                        " App (ByVal waveid&, ByVal value#, ByVal name$) As Long\n";
    const int rounds = 200;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        tesCreateContext("OrbickTessel", 0, 0, &ctx);
        tesAppendText(ctx, constants.c_str());
        tesAppendText(ctx, declarations.c_str());
        tesAppendText(ctx, "Sub Main\nEnd Sub\n");
        if (tesCompile(ctx) != TES_OK) return 1;
        tesFreeContext(ctx);
    }
    std::printf("create-compile-free with host texts: %.3f ms\n", Seconds(t0) * 1000 / rounds);
    return r == TES_OK ? 0 : 1;
}
