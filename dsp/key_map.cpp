// Key map, fine tune and name.
#include "dsp/key_map.h"

#include <algorithm>
#include <cstdio>

#include "dsp/operation.h"
#include "wave/change_notice.h"

namespace ob {

int SetKeyMap(WaveRecord& record, const KeyMapParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    record.keyLow = uint8_t(std::clamp(params.low, 0, 127));
    record.keyRoot = uint8_t(std::clamp(params.root, 0, 127));
    record.keyHigh = uint8_t(std::clamp(params.high, 0, 127));
    if (!params.keepFineTune) record.fineTune = int8_t(std::clamp(params.fineTune, -50, 50));
    NotifyChange(&record, kChangeLoopsMarkers);
    return kEditDone;
}

std::string KeyMapMacroLine(int editor, const KeyMapParams& params) {
    char line[96];
    std::snprintf(line, sizeof line, "obKeyMap %d, %d, %d, %d\n", editor,
                  std::clamp(params.low, 0, 127), std::clamp(params.root, 0, 127),
                  std::clamp(params.high, 0, 127));
    return line;
}

int SetWaveName(WaveRecord& record, const std::string& name) {
    record.name = name.substr(0, kMaxNameLength);
    NotifyChange(&record, kChangeName);
    return kEditDone;
}

}  // namespace ob
