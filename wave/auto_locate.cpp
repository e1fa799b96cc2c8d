#include "wave/auto_locate.h"

#include <algorithm>

namespace ob {

AutoLocateSettings gAutoLocate;

namespace {

// The channels the tests look at (bit 1 left, 2 right), only existing ones.
uint32_t LocateChannels(const WaveRecord& record) {
    const uint32_t present = record.rightSamples ? 3u : 1u;
    uint32_t bits = record.mouseChannels ? record.mouseChannels : gEditing.editChannel;
    bits &= present;
    return bits ? bits : 1u;
}

bool SamplePasses(const float* samples, uint64_t frame, const AutoLocateSettings& s) {
    const float value = samples[frame];
    float neighbour;
    bool rising, falling;
    if (frame == 0) {
        // The first frame is judged against the next one, the other way round.
        neighbour = samples[1];
        rising = value < neighbour;
        falling = value > neighbour;
    } else {
        neighbour = samples[frame - 1];
        rising = value > neighbour;
        falling = value < neighbour;
    }
    if ((s.flags & kLocateLevelRange) && !(s.minLevel <= value && value <= s.maxLevel))
        return false;
    return ((s.flags & kLocatePositive) && rising) || ((s.flags & kLocateNegative) && falling) ||
           ((s.flags & kLocateZero) && value == neighbour);
}

bool CrossesZero(const float* s, uint64_t f) {
    const float a = s[f - 1], b = s[f];
    return (a < 0 && b >= 0) || (a > 0 && b <= 0);
}

bool CrossingAt(const WaveRecord& record, uint32_t channels, uint64_t f) {
    if ((channels & 1) && !CrossesZero(record.leftSamples, f)) return false;
    if ((channels & 2) && !CrossesZero(record.rightSamples, f)) return false;
    return true;
}

}  // namespace

int64_t NearestZeroCrossing(const WaveRecord& record, uint32_t frame) {
    if (!record.leftSamples || record.frameCount < 2) return -1;
    const uint32_t channels = LocateChannels(record);
    const uint64_t last = record.frameCount - 1;
    const uint64_t at = std::clamp<uint64_t>(frame, 1, last);
    for (uint64_t d = 0; d <= last; ++d) {
        if (at >= d + 1 && CrossingAt(record, channels, at - d)) return int64_t(at - d);
        if (at + d <= last && CrossingAt(record, channels, at + d)) return int64_t(at + d);
        if (at < d + 1 && at + d > last) break;
    }
    return -1;
}

int64_t AutoLocate(const WaveRecord& record, int64_t position, const AutoLocateSettings& s) {
    if (!record.leftSamples || record.frameCount < 2 || s.multiplier == 0) return -1;
    const uint64_t last = record.frameCount - 1;
    // A position past the last frame finds nothing (there is no sample there).
    if (position < 0 || uint64_t(position) > last) return -1;
    uint64_t start = std::max<uint64_t>(uint64_t(position), s.offset);
    if (s.multiplier >= 2) start = (start + s.multiplier - 1) / s.multiplier * s.multiplier;
    if (start > last) return -1;
    const uint32_t slopes = kLocatePositive | kLocateNegative | kLocateZero;
    if (!(s.flags & kLocateLevelRange) && (s.flags & slopes) == slopes) return int64_t(start);
    const uint32_t channels = LocateChannels(record);
    const float* left = (channels & 1) ? record.leftSamples : nullptr;
    const float* right = (channels & 2) ? record.rightSamples : nullptr;
    for (uint64_t frame = start; frame <= last; frame += s.multiplier) {
        if (left && !SamplePasses(left, frame, s)) continue;
        if (right && !SamplePasses(right, frame, s)) continue;
        return int64_t(frame);
    }
    return -1;
}

uint32_t SnapPosition(const WaveRecord& record, uint32_t frame, uint32_t kindFlag,
                      const AutoLocateSettings& s) {
    if (!(s.flags & kindFlag)) return frame;
    const int64_t found = AutoLocate(record, frame, s);
    return found < 0 ? 0u : uint32_t(found);
}

}  // namespace ob
