// tessel_main.cpp: the command-line runner. `tessel FILE.bas` compiles and
// runs a program (output to stdout, errors to stderr as FILE:LINE:COL:
// message; exit 0, 1 on a compile error, 2 on a runtime error);
// `tessel --compile FILE.bas -o FILE.bin` writes compiled code and
// `tessel FILE.bin` runs it; `--help` and `--version` print the usage and
// the engine's version text.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/tessel.h"

namespace {

std::vector<std::string> g_sourceNames;
bool g_sawError = false;

void Output(const TesMessageInfo* info) {
    if (info->kind == 0) {
        std::fputs(info->text, stdout);
        std::fputc('\n', stdout);
        return;
    }
    g_sawError = true;
    std::string file = info->source >= 1 && info->source <= (int)g_sourceNames.size()
                           ? g_sourceNames[info->source - 1]
                           : "<source " + std::to_string(info->source) + ">";
    std::string text = info->text ? info->text : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (info->code == TES_E_SYNTAX) {
        if (info->length == 0 && text.empty())
            text = "Syntax error at: end of file";
        else if (text == "\n" || text == "\r\n" || text.empty())
            text = "Syntax error at: end of line";
        else
            text = "Syntax error at: " + text;
    }
    std::fprintf(stderr, "%s:%d:%d: %s\n", file.c_str(), info->line, info->column + 1,
                 text.c_str());
}

const char kUsage[] =
    "usage: tessel FILE.bas             compile and run a program\n"
    "       tessel FILE.bin             run compiled code\n"
    "       tessel --compile FILE.bas -o FILE.bin\n"
    "                                   write compiled code (the old file is kept\n"
    "                                   when the write fails)\n"
    "       tessel --help | --version\n"
    "Program output goes to standard output, messages to standard error as\n"
    "FILE:LINE:COLUMN: message. Exit status: 0, 1 after a compile error, 2 after\n"
    "a runtime error.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 1;
}

// The message for a failed save of compiled code.
const char* SaveFailure(TesResult r) {
    if (r == TES_E_ACCESSDENIED) return "Can't Open File: not a regular file, left unchanged";
    if (r == TES_E_FILENOTFOUND) return "Can't Open File";
    return "Error writing file; the old file is unchanged";
}

bool IsCompiledCode(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char b[8];
    size_t n = std::fread(b, 1, 8, f);
    std::fclose(f);
    return n == 8 && (b[4] | b[5] << 8 | b[6] << 16 | b[7] << 24) == 1707;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", tesVersion(nullptr, nullptr));
        return 0;
    }
    // A file-size limit makes writes fail (the save keeps the old file)
    // instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
    const char* input = nullptr;
    const char* output = nullptr;
    bool compileOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--compile") == 0)
            compileOnly = true;
        else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            output = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
            return Usage();  // an unknown option, not a file name
        else if (!input)
            input = argv[i];
        else
            return Usage();
    }
    if (!input || (compileOnly && !output)) return Usage();
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);

    TesContext ctx;
    if (tesCreateContext("tessel", 0, 0, &ctx) != TES_OK) return 1;
    tesRegisterOutputCallback(ctx, Output);
    g_sourceNames.push_back(input);
    TesResult r;
    if (!compileOnly && IsCompiledCode(input)) {
        r = tesLoadCompiledCode(ctx, input);
    } else {
        r = tesAddFile(ctx, input);
        if (r != TES_OK) {
            std::fprintf(stderr, "%s: %s\n", input, tesResultText(r));
            tesFreeContext(ctx);
            return 1;
        }
        r = tesCompile(ctx);
    }
    if (r != TES_OK) {
        if (!g_sawError) std::fprintf(stderr, "%s: %s\n", input, tesResultText(r));
        tesFreeContext(ctx);
        return 1;
    }
    if (compileOnly) {
        r = tesSaveCompiledCode(ctx, output);
        if (r != TES_OK) std::fprintf(stderr, "%s: %s\n", output, SaveFailure(r));
        tesFreeContext(ctx);
        return r == TES_OK ? 0 : 1;
    }
    r = tesExecute(ctx);
    std::fflush(stdout);
    if (r != TES_OK && !g_sawError) std::fprintf(stderr, "%s: %s\n", input, tesResultText(r));
    tesFreeContext(ctx);
    return r == TES_OK ? 0 : 2;
}
