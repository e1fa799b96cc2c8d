// Opening and saving sounds: the open chain (readers tried in a fixed order,
// headed by the one the file's first bytes name, with RAW import as the
// fallback), the save dispatch by format code, Save As, and the extension rule.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

class SoundIoUi;

// Opens the file named by the record's filePath into the record. Interactive
// opens (started by the user) ask before deleting a wave the record holds,
// offer RAW import through the RAW dialog and report text-import rate
// changes; other opens take the default save format as the RAW code. `ui`
// null means the non-interactive default. Returns 0 when loaded; 1 when the
// user declined; otherwise the file result code of the failure (then the
// record holds no wave and its filePath is cleared).
int OpenSound(WaveRecord& record, bool interactive, SoundIoUi* ui = nullptr);

// Saves the record to its filePath in format `code` with the WAV options
// (Save As when filePath is empty). 0 = saved (the changed flag is cleared
// and the peak cache written beside the file, except for RealAudio); 1 when
// there is no wave, the code names no writable format or the user cancelled;
// otherwise the writer's file result code. A failed save never touches the
// previous file.
int SaveSound(WaveRecord& record, int code, uint32_t wavOptions, SoundIoUi* ui = nullptr);

// Asks for a path and format (through `ui`), stores the path in filePath and
// saves. Without a dialog (the default ui) it cancels with 1.
int SaveSoundAs(WaveRecord& record, int code, uint32_t wavOptions, SoundIoUi* ui = nullptr);

// The caption of the Save As dialog:
// "Save As (Default <default save format>, originally <source format>):".
std::string SaveAsCaption(const WaveRecord& record);
// `path` with its extension replaced by that of format `code` (added when the
// name has none); unchanged for codes without an extension.
std::string PathWithFormatExtension(const std::string& path, int code);
// Sets the default save format; codes naming no format (1, 4, above 20 and
// negative ones) select 6 (WAV 16 bit). Returns the previous default.
int SetDefaultSaveFormat(int code);

}  // namespace ob
