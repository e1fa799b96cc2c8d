// Scrub mode: while the user drags in an editor, the sound under the pointer
// plays at the speed and in the direction of the drag. The playback thread
// chases the pointer: each buffer moves the play position at one speed from
// where it is to where the pointer was last reported, so a fast drag plays
// fast (and high), a drag to the left plays backward, and a pointer at rest
// falls silent (fading out over one buffer, and in again when it moves). The samples are held by
// shared ownership while the scrub plays.
#pragma once

#include <cstdint>

#include "wave/wave_record.h"

namespace ob {

// The fastest playback a drag gives, as a multiple of the normal speed.
constexpr double kScrubMaxSpeed = 8.0;

// Starts scrubbing `record` with the pointer at `frame` (a play result;
// kPlayBadRange for a record without sound). The player uses its small
// buffers, so the sound follows the pointer closely.
int StartScrub(WaveRecord& record, int64_t frame);
// The pointer moved to `frame` (main thread).
void ScrubTo(int64_t frame);
// The drag ended: the playback stops.
void StopScrub();
bool Scrubbing();

// The scrub's arithmetic, one buffer at a time (the playback thread's fill;
// public for tests): moves `position` towards `target` over `frames`
// output frames, reading `left` (and `right`) with linear interpolation.
struct ScrubFollower {
    const float* left = nullptr;
    const float* right = nullptr;
    int64_t frameCount = 0;
    double position = 0;  // source frame
    double speed = 0;     // source frames per output frame in the last buffer
    uint32_t Fill(int64_t target, float* outLeft, float* outRight, uint32_t frames);
};

}  // namespace ob
