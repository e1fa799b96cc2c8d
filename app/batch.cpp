// The batch runner: reads the settings store and the start-up files of the
// settings folder like the editor, but runs no start-up macro, creates no
// empty editor and writes no settings back; then runs one macro with the
// whole script API. Program output goes to standard output, message boxes
// and errors to standard error as "caption: text". The first Ctrl-C aborts
// the running operation, a second one ends the macro.
#include "app/batch.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/player.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "script/recorder.h"
#include "script/run_macro.h"
#include "script/settings_store.h"
#include "wave/clips.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

const char* const kBatchUsage =
    "usage: orbick --batch [--config-dir DIR] MACRO.bas [ARG...]\n"
    "  runs the macro without windows; the ARGs after MACRO.bas reach it as\n"
    "  Command$ (all of them, quoted where needed), CommandArg$(i) and CommandArgCount\n";

int RunBatchCommand(int argc, char** argv) {
    if (argc == 1 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0)) {
        std::fputs(kBatchUsage, stdout);
        return 0;
    }
    std::string macro;
    std::string configDir;
    std::vector<std::string> args;
    // Options come before MACRO.bas; everything after it belongs to the macro
    // (also words starting with "-"), except a --config-dir right after it,
    // which older command lines put there.
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--config-dir") == 0 && i + 1 < argc && args.empty() &&
            configDir.empty()) {
            configDir = argv[++i];
        } else if (macro.empty() && argv[i][0] != '-' && argv[i][0] != 0) {
            macro = argv[i];
        } else if (!macro.empty()) {
            args.push_back(argv[i]);
        } else {
            std::fputs(kBatchUsage, stderr);
            return 2;
        }
    }
    if (macro.empty()) {
        std::fputs(kBatchUsage, stderr);
        return 2;
    }

    SetUserInterface(nullptr);
    SetScriptOutput(ScriptOutput::Console);
    InstallPlayerHooks();
    ReadStartupSettings(SettingsFolder(configDir));
    InstallAbortOnInterrupt();

    int32_t result = RunMacroFile(nullptr, macro, args);

    // A playback the macro started plays to its end (Ctrl-C cuts it short).
    WaitForPlaybackEnd();
    StopPlay();
    StopRecorder();
    CloseMessageFile();
    CloseAllEditors();
    EraseAllClips();
    std::fflush(stdout);
    if (result != 0) {
        std::fprintf(stderr, "%s\n", EngineResultText(result));
        return 1;
    }
    return 0;
}

}  // namespace ob
