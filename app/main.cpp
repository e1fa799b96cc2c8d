// orbick: the editor program. Until the windowed shell exists it works from
// the command line only: `orbick --convert IN OUT [--format FORMAT]`,
// `orbick --batch [--config-dir DIR] MACRO.bas [ARG...]`, `--help` and
// `--version`.
#include <cstdio>
#include <cstring>

#include "app/batch.h"
#include "app/convert_command.h"
#include "script/host_state.h"

namespace {

void PrintUsage(std::FILE* to) {
    std::fputs(ob::kConvertUsage, to);
    std::fputs(ob::kBatchUsage, to);
    std::fputs("usage: orbick --help | --version\n", to);
}

bool Is(const char* arg, const char* longName, const char* shortName) {
    return std::strcmp(arg, longName) == 0 || std::strcmp(arg, shortName) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--convert") == 0)
        return ob::RunConvertCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "--batch") == 0)
        return ob::RunBatchCommand(argc - 2, argv + 2);
    if (argc == 2 && Is(argv[1], "--help", "-h")) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc == 2 && Is(argv[1], "--version", "-V")) {
        std::printf("%s\n", ob::VersionText());
        return 0;
    }
    PrintUsage(stderr);
    return 2;
}
