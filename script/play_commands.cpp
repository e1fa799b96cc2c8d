// The playback commands and the play preference file commands.
#include "script/play_commands.h"

#include "audio/play_prefs.h"
#include "audio/player.h"
#include "base/messages.h"
#include "dsp/preset_file.h"
#include "script/recorder.h"
#include "wave/record_report.h"

namespace ob {

namespace {

const char* const kPlayLines[3] = {"obPlay", "obPlayLoop", "obPlayAffect"};

}  // namespace

int PlayCommand(WaveRecord& record, int kind, bool recordLine) {
    if (PlaybackRunning()) {
        StopCommand(recordLine);
        return kPlayOk;
    }
    StopPlay();  // a playback that ended by itself
    if (SetUpPlay(record, kind != kPlayAffectArea, kind == kPlayWholeLoop) == kSetUpNoSound)
        return -1;
    int result = StartPlay();
    if (result != kPlayOk) {
        StopPlay();
        ReportMessage(record, PlayResultText(result));
        return result;
    }
    if (recordLine && kind >= 0 && kind < 3)
        RecordLine([&] { return EditorLine(kPlayLines[kind], EditorNumberOf(&record)); });
    return kPlayOk;
}

void StopCommand(bool recordLine) {
    StopPlay();
    if (recordLine) WriteRecorderLine("obStopPlay\n");
}

bool LoadPlayPrefsCommand(const std::string& path, bool recordLine) {
    if (ReadPlayPrefsFile(path, gPlayPrefs) != 0) {
        ReportMessage(nullptr, kPresetErrorCaption, "Error Reading Play Preference File");
        return false;
    }
    if (recordLine) RecordLine([&] { return PathLine("obLoadPlayPrefs", path); });
    return true;
}

bool SavePlayPrefsCommand(const std::string& path) {
    if (WritePlayPrefsFile(path, gPlayPrefs) != 0) {
        ReportMessage(nullptr, kPresetErrorCaption, "Error Writing Play Preference File");
        return false;
    }
    return true;
}

void LoadStartupPlayPrefs(const std::string& settingsFolder) {
    if (!settingsFolder.empty()) ReadPlayPrefsFile(settingsFolder + "/orbick.play", gPlayPrefs);
}

}  // namespace ob
