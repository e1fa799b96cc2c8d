// engine_codefile_edits.cpp: edits the tokens of real compiled programs and
// seals the result with a fresh checksum, as a forger would, so every input
// passes the record and checksum checks and reaches the token checks, the
// replay and (when it loads) the run in the sandbox with a step limit.
//
// Input: byte 0 picks a program; then groups of 7 bytes, each one edit:
// token index (2 bytes, little-endian, modulo the token count), field (1
// byte: 0 kind, 1 last character, 2 value, 3 a byte of the name texts),
// new value (4 bytes, little-endian).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/tessel.h"

namespace {

void Quiet(const TesMessageInfo*) {}

const char* const kPrograms[] = {
    // Calls on the fast and the general path: ByRef, ByVal, Integer
    // literals for Long parameters, recursion, a result used in arithmetic.
    "Sub Main\n"
    "  Dim i As Long, s As Long\n"
    "  For i = 1 To 20\n"
    "    s = Add2(s, i) + Fib(5)\n"
    "    Bump s\n"
    "  Next i\n"
    "  Print s; Twice(3)\n"
    "End Sub\n"
    "Function Add2(a As Long, ByVal b As Long) As Long\n"
    "  Add2 = a + b\n"
    "End Function\n"
    "Function Fib(n As Long) As Long\n"
    "  If n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)\n"
    "End Function\n"
    "Sub Bump(x As Long)\n"
    "  x = x + 1\n"
    "End Sub\n"
    "Function Twice(v)\n"
    "  Twice = v * 2\n"
    "End Function\n",
    // Arrays, GoSub, Select Case, strings, a user type, labels.
    "Type Pt\n"
    "  x As Long\n"
    "  y As Long\n"
    "End Type\n"
    "Const K = 4\n"
    "Sub Main\n"
    "  Dim a(10) As Long, p As Pt, t As String, j As Long\n"
    "  For j = 0 To 10\n"
    "    a(j) = a(j) + j * K\n"
    "  Next j\n"
    "  p.x = a(3): p.y = a(4)\n"
    "  Select Case p.x\n"
    "    Case 12\n"
    "      t = \"twelve\"\n"
    "    Case Else\n"
    "      t = Mid(\"other\", 2, 3)\n"
    "  End Select\n"
    "  GoSub Show\n"
    "  If p.y > 0 Then GoTo Done\n"
    "  Print \"skipped\"\n"
    "Done:\n"
    "  Exit Sub\n"
    "Show:\n"
    "  Print t; p.x + p.y; UBound(a)\n"
    "  Return\n"
    "End Sub\n",
};
constexpr int kProgramCount = sizeof kPrograms / sizeof kPrograms[0];

std::string TempPath(const char* what) {
    return "/tmp/tessel_fuzz_edits_" + std::to_string(getpid()) + "_" + what;
}

std::string ReadAll(const std::string& path) {
    std::string data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return data;
    char buf[4096];
    size_t k;
    while ((k = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, k);
    std::fclose(f);
    return data;
}

void WriteAll(const std::string& path, const std::string& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

// The compiled form of each program, made once.
const std::vector<std::string>& Compiled() {
    static std::vector<std::string> files = [] {
        std::vector<std::string> out;
        std::string path = TempPath("seed.bin");
        for (const char* text : kPrograms) {
            TesContext ctx;
            std::string data;
            if (tesCreateContext("seed", 0, 0, &ctx) == TES_OK) {
                tesRegisterOutputCallback(ctx, Quiet);
                if (tesAppendText(ctx, text) == TES_OK && tesCompile(ctx) == TES_OK &&
                    tesSaveCompiledCode(ctx, path.c_str()) == TES_OK)
                    data = ReadAll(path);
                tesFreeContext(ctx);
            }
            unlink(path.c_str());
            out.push_back(data);
        }
        return out;
    }();
    return files;
}

uint32_t Get32(const std::string& d, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= (uint32_t)(uint8_t)d[at + i] << (8 * i);
    return v;
}

void Put32(std::string& d, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = (char)((v >> (8 * i)) & 0xFF);
}

// FNV-1a over the file with the checksum word (offset 16) as zero.
void Seal(std::string& d) {
    Put32(d, 16, 0);
    uint32_t h = 2166136261u;
    for (unsigned char c : d) h = (h ^ c) * 16777619u;
    Put32(d, 16, h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::string file = Compiled()[data[0] % kProgramCount];
    if (file.size() < 40) std::abort();  // the programs above always compile
    // The four records: kinds, last characters, values, names.
    uint32_t count = Get32(file, 12);
    size_t kinds = 8 + 20;
    size_t charsRec = 8 + Get32(file, 0);
    size_t chars = charsRec + 8 + 12;
    size_t valuesRec = charsRec + 8 + Get32(file, charsRec);
    size_t values = valuesRec + 8 + 12;
    size_t namesRec = valuesRec + 8 + Get32(file, valuesRec);
    size_t texts = namesRec + 8 + 16;
    if (count == 0 || texts >= file.size()) return 0;
    for (size_t at = 1; at + 7 <= size; at += 7) {
        uint32_t token = (data[at] | (data[at + 1] << 8)) % count;
        uint32_t v = (uint32_t)data[at + 3] | (uint32_t)data[at + 4] << 8 |
                     (uint32_t)data[at + 5] << 16 | (uint32_t)data[at + 6] << 24;
        switch (data[at + 2] % 4) {
            case 0:
                file[kinds + 2 * token] = (char)(v & 0xFF);
                file[kinds + 2 * token + 1] = (char)((v >> 8) & 0xFF);
                break;
            case 1:
                file[chars + token] = (char)(v & 0xFF);
                break;
            case 2:
                Put32(file, values + 4 * token, v);
                break;
            default:
                file[texts + (v >> 8) % (file.size() - texts)] = (char)(v & 0xFF);
                break;
        }
    }
    Seal(file);
    static std::string path = TempPath("edited.bin");
    WriteAll(path, file);
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
