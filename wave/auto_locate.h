// Auto Locate: moves a position to the next frame on a grid whose sample
// meets a level window and slope conditions (for example rising zero
// crossings), so markers and loop points land on suitable sample values.
#pragma once

#include <cstdint>

#include "wave/wave_record.h"

namespace ob {

enum AutoLocateFlags : uint32_t {
    kLocateMarkers = 1,     // snap markers ("Use Auto Locate" in Set Marker)
    kLocateLoops = 2,       // snap loop points ("Use Auto Locate" in Set Loop)
    kLocateLevelRange = 4,  // the sample must lie within [minLevel, maxLevel]
    kLocatePositive = 8,    // a rising sample is accepted
    kLocateNegative = 16,   // a falling sample is accepted
    kLocateZero = 32,       // a sample equal to its neighbour is accepted
};

struct AutoLocateSettings {
    uint32_t multiplier = 1;  // candidates are multiples of it; 0 finds nothing
    uint32_t offset = 0;      // lowest position considered
    double maxLevel = 0;      // fraction of full scale
    double minLevel = 0;
    uint32_t flags = kLocatePositive | kLocateNegative | kLocateZero;
};
extern AutoLocateSettings gAutoLocate;

// The first candidate at or after `position` that passes the tests, or -1:
// no wave, fewer than 2 frames, a position past the last frame, multiplier 0
// or nothing found. Channels: those of the mouse area when one exists, else
// the edit channel's, else the left one; with two, both must pass.
int64_t AutoLocate(const WaveRecord& record, int64_t position,
                   const AutoLocateSettings& settings = gAutoLocate);

// Where an item placed at `frame` lands when its kind's snap flag
// (kLocateMarkers or kLocateLoops) is on: AutoLocate of it, 0 when nothing
// is found; `frame` unchanged when the flag is off.
uint32_t SnapPosition(const WaveRecord& record, uint32_t frame, uint32_t kindFlag,
                      const AutoLocateSettings& settings = gAutoLocate);

// The zero crossing nearest to `frame`: the frame f >= 1 where the samples
// f - 1 and f lie on different sides of zero (or f is exactly zero after a
// non-zero sample), on every channel Auto Locate looks at; the earlier one on
// a tie. -1 when the wave has none.
int64_t NearestZeroCrossing(const WaveRecord& record, uint32_t frame);

}  // namespace ob
