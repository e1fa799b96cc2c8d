// Combine (mix) another editor's sound into this one at an offset.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

struct CombineParams {
    int sourceEditor = 0;
    int64_t offset = 0;  // frames into the base sound where the other one starts (below 0: 0)
    int order = 1;       // 1: base = this sound, other = the source; 0: exchanged
    double mix = 50.0;   // percent of the base; the other gets the rest
};
// result[i] = base[i] * w before the offset, other * (1 - w) + base * w in the
// overlap, the longer one's rest scaled by its weight after it; w = mix / 100
// (1 - that for order 0), limited to 0.001..0.999. An offset at or past the
// base's end appends. The result is always built in new blocks of this
// editor (the source is only read, and may be this editor).
int Combine(WaveRecord& record, const CombineParams& params);
// "obCombine %d, %d, %d, %d\n" (editor, source, offset, mix).
std::string CombineMacroLine(int editor, const CombineParams& params);

}  // namespace ob
