// Loop crossfade: smooths the seam of the sustain or release loop so that it
// plays without a click. The frames before the loop start are blended toward
// those before the loop end (Start), the frames before the loop end toward
// those before the loop start (End), or both at half strength (Both), each
// followed by a fade back to the unchanged sound after the seam; linear or
// logarithmic weights.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

enum CrossfadeArea : int32_t {
    kCrossfadeStart = 0,
    kCrossfadeEnd = 1,
    kCrossfadeBoth = 2,
};

struct CrossfadeLoopParams {
    int32_t amount = 50;             // fade length in frames; below 2: as long as the loop allows
    int32_t area = kCrossfadeStart;  // CrossfadeArea
    bool tailor = false;             // fit the fade back to the frames after the seam
    bool sustain = true;             // the sustain loop, else the release loop
    bool logarithmic = false;        // weights grow by a factor instead of a step
};

// The refusal of a missing or unsuitable loop.
inline constexpr const char* kTextCantCrossfade = "Can't crossfade this loop";

// Crossfades on the channels of the edit channel setting (left when its left
// bit is set, right when its right bit is set and the sound is stereo). The
// undo backup holds the whole wave on all channels, since the changed frames
// lie around the loop, not in the affect area; no edge smoothing is applied;
// the overview is rebuilt where samples changed. Results: kEditDone,
// kEditNothing (no sound or no channel), kEditRefused ("Can't crossfade this
// loop" reported), kEditNoMemory (reported, nothing changed), kEditAborted.
int CrossfadeLoop(WaveRecord& record, const CrossfadeLoopParams& params);

// The frames a crossfade would change: [first, end); both 0 when it would be
// refused.
struct CrossfadeSpan {
    uint32_t first = 0;
    uint32_t end = 0;
};
CrossfadeSpan CrossfadeLoopSpan(const WaveRecord& record, const CrossfadeLoopParams& params);

}  // namespace ob
