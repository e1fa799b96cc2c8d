// The editor's playback commands as the shell and the script functions run
// them: Play, Play Loop, Play Affect and Stop (with the toggle rule and the
// macro recorder lines), and loading or saving play preference files.
#pragma once

#include <string>

#include "wave/wave_record.h"

namespace ob {

enum PlayCommandKind : int { kPlayWhole = 0, kPlayWholeLoop = 1, kPlayAffectArea = 2 };

// While a playback runs, stops it (and records "obStopPlay\n"). Otherwise
// sets up and starts the playback of `record` and records "obPlay %d\n",
// "obPlayLoop %d\n" or "obPlayAffect %d\n". A failure is reported with the
// message of the result table and the player is stopped. `recordLine` false
// (script callers) writes no recorder line. Returns the play result
// (kPlayOk also when the command only stopped), or -1 for no sound.
int PlayCommand(WaveRecord& record, int kind, bool recordLine = true);
void StopCommand(bool recordLine = true);

// Load Pref / Save Pref of the Playback Preferences dialog: on failure
// "Error Reading Play Preference File" / "Error Writing Play Preference File"
// (caption "Sample Orbick 24/96"); a load records obLoadPlayPrefs "path".
bool LoadPlayPrefsCommand(const std::string& path, bool recordLine = true);
bool SavePlayPrefsCommand(const std::string& path);

// Reads "orbick.play" of the settings folder when present (start-up).
void LoadStartupPlayPrefs(const std::string& settingsFolder);

}  // namespace ob
