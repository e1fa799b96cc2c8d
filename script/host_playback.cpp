// Script functions of playback: obPlay, obPlayLoop, obPlayAffect,
// obStopPlay and obLoadPlayPrefs.
#include "audio/play_prefs.h"
#include "audio/player.h"
#include "script/host_state.h"
#include "script/play_commands.h"
#include "script/script_api.h"

using namespace ob;

namespace {

int32_t Play(int32_t waveid, int kind) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    return PlayCommand(*record, kind, false) == kPlayOk ? 1 : 0;
}

}  // namespace

extern "C" {

int32_t obPlay(int32_t waveid) {
    return Play(waveid, kPlayWhole);
}
int32_t obPlayLoop(int32_t waveid) {
    return Play(waveid, kPlayWholeLoop);
}
int32_t obPlayAffect(int32_t waveid) {
    return Play(waveid, kPlayAffectArea);
}
int32_t obStopPlay() {
    StopCommand(false);
    return 1;
}
int32_t obLoadPlayPrefs(const char* path) {
    return path && ReadPlayPrefsFile(path, gPlayPrefs) == 0 ? 1 : 0;
}

}  // extern "C"
