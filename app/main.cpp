// orbick: the editor program. With no --convert or --batch it starts the
// windowed editor: `orbick [--config-dir DIR] [SOUNDFILE]`; the command-line
// modes work without a display: `orbick --convert IN OUT --format CODE` and
// `orbick --batch MACRO.bas [--config-dir DIR]`.
#include <cstdio>
#include <cstring>

#include "app/batch.h"
#include "app/convert_command.h"
#include "app/shell_startup.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--convert") == 0)
        return ob::RunConvertCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "--batch") == 0)
        return ob::RunBatchCommand(argc - 2, argv + 2);
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs("usage: orbick [--config-dir DIR] [SOUNDFILE]\n", stdout);
        std::fputs(ob::kConvertUsage, stdout);
        std::fputs(ob::kBatchUsage, stdout);
        return 0;
    }
    return ob::RunWindowedShell(argc, argv);
}
