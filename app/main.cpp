// orbick: the editor program. With no --convert or --batch it starts the
// windowed editor: `orbick [--config-dir DIR] [SOUNDFILE]`; the command-line
// modes work without a display: `orbick --convert IN OUT [--format FORMAT]`,
// `orbick --batch [--config-dir DIR] MACRO.bas [ARG...]`, `--help` and
// `--version`.
//
// This program links no Qt: loading the Qt libraries costs about 35 ms of
// every start, which a batch run over thousands of files would pay each
// time. The window is a program of its own, orbick-window (installed beside
// this one as ../libexec/orbick/orbick-window), which this one replaces
// itself with (execv, same arguments and environment) once the arguments
// and the display are checked.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/batch.h"
#include "app/convert_command.h"
#include "script/host_state.h"

namespace {

void PrintUsage(std::FILE* to) {
    std::fputs("usage: orbick [--config-dir DIR] [SOUNDFILE]\n", to);
    std::fputs(ob::kConvertUsage, to);
    std::fputs(ob::kBatchUsage, to);
    std::fputs("usage: orbick --help | --version\n", to);
}

// The window's arguments: [--config-dir DIR] [SOUNDFILE]. Checked before Qt
// starts, so a mistyped option is a usage error even where no display exists.
bool WindowArgumentsValid(int argc, char** argv) {
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--config-dir") == 0 && i + 1 < argc) {
            ++i;
        } else if (std::strncmp(argv[i], "--", 2) == 0 || haveFile) {
            return false;
        } else {
            haveFile = true;
        }
    }
    return true;
}

// Qt aborts when it finds no display to open; say why instead.
bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

bool Is(const char* arg, const char* longName, const char* shortName) {
    return std::strcmp(arg, longName) == 0 || std::strcmp(arg, shortName) == 0;
}

// The window program: ../libexec/orbick/orbick-window from this program's
// own folder (found through /proc/self/exe, so a symbolic link to orbick or
// a relative start works too).
std::string WindowProgramPath() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    self[n] = '\0';
    std::string path(self);
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    path.resize(slash);
    return path + "/../libexec/orbick/orbick-window";
}

int StartWindow(char** argv) {
    std::string path = WindowProgramPath();
    if (!path.empty()) execv(path.c_str(), argv);
    std::fprintf(stderr, "orbick: cannot start the editor window %s: %s\n",
                 path.empty() ? "(orbick-window)" : path.c_str(), std::strerror(errno));
    return 2;
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
    if (!WindowArgumentsValid(argc, argv)) {
        PrintUsage(stderr);
        return 2;
    }
    if (!DisplayAvailable()) {
        std::fputs(
            "orbick: no display for the editor window (DISPLAY and WAYLAND_DISPLAY are "
            "unset); use --batch or --convert, or set QT_QPA_PLATFORM=offscreen\n",
            stderr);
        PrintUsage(stderr);
        return 2;
    }
    return StartWindow(argv);
}
