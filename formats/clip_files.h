// Clip files: loading a sound file as a new clip that owns its samples, and
// saving a clip as a sound file in the default save format, both through a
// scratch record outside the editor slots; and the emergency save of a right
// channel that the length-changing edits fall back to.
#pragma once

#include <cstdint>
#include <string>

#include "wave/clips.h"
#include "wave/wave_record.h"

namespace ob {

class SoundIoUi;

// Opens `path` and makes it a new clip for `editor` (lowest free number, the
// loaded wave's name, start 0, its frames and rate, detached): the clip's
// number, or 0 when the file could not be opened (`fileResult` receives the
// open chain's code) or memory ran out.
uint32_t LoadClip(WaveRecord& editor, const std::string& path, bool interactive,
                  SoundIoUi* ui = nullptr, int* fileResult = nullptr);

// Saves the clip's samples (its copies, or the frames of its source) to
// `path` in the default save format with WAV options 0; an empty path asks
// through Save As. 0 when saved, else the save's code (1: no usable clip or
// cancelled). `savedPath` receives the path written.
int SaveClip(const Clip& clip, const std::string& path, SoundIoUi* ui = nullptr,
             std::string* savedPath = nullptr);

// "obLoadClip %d, \"%s\"\n" and "obSaveClipByID %d, %d, \"%s\"\n" (paths
// quoted as script strings by the caller's quoting rule: `quoted` is the
// already quoted path).
std::string LoadClipMacroLine(int editor, const std::string& quotedPath);
std::string SaveClipMacroLine(int editor, uint32_t clip, const std::string& quotedPath);

// Saves a mono wave through Save As ("EMERGENCY Save Right Channel As:") in
// the default save format; true when saved.
bool EmergencySaveRightChannel(WaveRecord& rightChannel, SoundIoUi* ui);

}  // namespace ob
