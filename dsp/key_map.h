// The key map and fine tune of a wave, and its name: settings, not edits.
#pragma once

#include <string>

#include "wave/wave_record.h"

namespace ob {

struct KeyMapParams {
    int low = 0, root = 60, high = 127;  // each limited to 0..127
    int fineTune = 0;                    // cents, limited to -50..+50
    bool keepFineTune = false;           // leave the record's fine tune alone (script)
};
int SetKeyMap(WaveRecord& record, const KeyMapParams& params);
// "obKeyMap %d, %d, %d, %d\n" with low, root, high (the fine tune is not recorded).
std::string KeyMapMacroLine(int editor, const KeyMapParams& params);

// Stores at most 73 characters as the wave's name; the title follows.
int SetWaveName(WaveRecord& record, const std::string& name);

}  // namespace ob
