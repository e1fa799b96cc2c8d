// Edge smoothing around every edit: the first and last N samples of the area
// are copied before processing and crossfaded with the processed ones after,
// so the area fades from the unprocessed sound into the processed one at its
// start and back at its end. N = rate x smoothing time / 1000, at most half
// the area.
#pragma once

#include <cstdint>

#include "wave/wave_record.h"

namespace ob {

struct SmoothingEdges {
    uint32_t n = 0;      // samples per edge; 0 = nothing captured
    uint32_t start = 0;  // the area
    uint32_t length = 0;
    uint32_t channels = 0;  // bit 0 left, bit 1 right
    uint32_t options = 0;   // kSmoothStart | kSmoothEnd
    float* head[2] = {};    // copies of the first N samples per channel
    float* tail[2] = {};    // copies of the last N samples per channel
};

// N for a rate, a smoothing time and an area length.
uint32_t SmoothingLength(uint32_t rate, uint32_t milliseconds, uint32_t areaLength);

// Captures the edges of `area` on AffectChannels with the current Smoothing
// setting. Nothing is captured when no option is set, N is 0, the area does
// not lie within the sound, or the copies cannot be obtained.
void CaptureSmoothing(const WaveRecord& record, FrameRange area, SmoothingEdges& edges);
// The same with explicit options and time (tests, and callers with their own).
void CaptureSmoothing(const WaveRecord& record, FrameRange area, uint32_t options,
                      uint32_t milliseconds, SmoothingEdges& edges);
// Crossfades the captured edges into the processed samples, then frees them.
void ApplySmoothing(WaveRecord& record, SmoothingEdges& edges);
// Frees the copies without applying them (abort path).
void FreeSmoothing(SmoothingEdges& edges);

}  // namespace ob
