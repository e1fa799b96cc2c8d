// Scrub mode: a follower fill on the player's block entry.
#include "audio/scrub.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

#include "audio/play_prefs.h"
#include "audio/player.h"
#include "wave/memory.h"

namespace ob {

namespace {

std::atomic<int64_t> gScrubTarget{0};
std::atomic<bool> gScrubbing{false};

// The two sample buffers, held by shared ownership (or copied when they are
// not large blocks) until the player drops its fill function.
struct HeldSamples {
    float* left = nullptr;
    float* right = nullptr;
    size_t bytes = 0;
    bool copied = false;
    ~HeldSamples() {
        for (float* block : {left, right})
            if (block) Release(block, bytes, kAllocLarge);
    }
    bool Hold(float*& slot, float* source) {
        if (!source) return true;
        if (ShareBlock(source)) {
            slot = source;
            return true;
        }
        slot = static_cast<float*>(Allocate(bytes, kAllocLarge));
        if (!slot) return false;
        std::copy(source, source + bytes / sizeof(float), slot);
        return true;
    }
};

float Read(const float* samples, int64_t count, double position) {
    if (position <= 0) return samples[0];
    if (position >= double(count - 1)) return samples[count - 1];
    const int64_t i = int64_t(position);
    const double fraction = position - double(i);
    return float(samples[i] + (samples[i + 1] - samples[i]) * fraction);
}

}  // namespace

uint32_t ScrubFollower::Fill(int64_t target, float* outLeft, float* outRight, uint32_t frames) {
    if (frames == 0 || frameCount <= 0 || !left) return frames;
    target = std::clamp<int64_t>(target, 0, frameCount - 1);
    // One speed per buffer, the one that reaches the pointer at its end
    // (limited): the position never jumps, so a change of speed is a change
    // of pitch, never a click. Starting or stopping fades over the buffer.
    const double v =
        std::clamp((double(target) - position) / frames, -kScrubMaxSpeed, kScrubMaxSpeed);
    const bool moving = std::fabs(v) > 1e-3;
    const bool wasMoving = std::fabs(speed) > 1e-3;
    for (uint32_t i = 0; i < frames; ++i) {
        float gain = 1.0f;
        if (moving != wasMoving) {
            const float ramp = float(i + 1) / float(frames);
            gain = moving ? ramp : 1.0f - ramp;
        } else if (!moving) {
            gain = 0.0f;
        }
        outLeft[i] = gain * Read(left, frameCount, position);
        if (outRight) outRight[i] = gain * Read(right ? right : left, frameCount, position);
        position = std::clamp(position + v, 0.0, double(frameCount - 1));
    }
    speed = v;
    return frames;
}

int StartScrub(WaveRecord& record, int64_t frame) {
    StopScrub();
    if (!WaveHasData(&record)) return kPlayBadRange;
    auto held = std::make_shared<HeldSamples>();
    held->bytes = size_t(record.frameCount) * sizeof(float);
    if (!held->Hold(held->left, record.leftSamples) ||
        !held->Hold(held->right, record.rightSamples))
        return kPlayNoMemory;
    const uint32_t channels = record.rightSamples ? 2 : 1;
    auto follower = std::make_shared<ScrubFollower>();
    follower->left = held->left;
    follower->right = held->right;
    follower->frameCount = record.frameCount;
    follower->position = double(std::clamp<int64_t>(frame, 0, record.frameCount - 1));
    gScrubTarget.store(int64_t(follower->position), std::memory_order_relaxed);
    // The small buffers: the sound follows the pointer within a few
    // hundredths of a second.
    const int32_t bufferSize = gPlayPrefs.bufferSize;
    gPlayPrefs.bufferSize = 1;
    int result = PlayBlocks(
        GetSampleRate(record), channels, [held, follower](float* l, float* r, uint32_t frames) {
            return follower->Fill(gScrubTarget.load(std::memory_order_relaxed), l, r, frames);
        });
    gPlayPrefs.bufferSize = bufferSize;
    if (result != kPlayOk) {
        StopPlay();
        return result;
    }
    gScrubbing.store(true);
    return kPlayOk;
}

void ScrubTo(int64_t frame) {
    gScrubTarget.store(frame, std::memory_order_relaxed);
}

void StopScrub() {
    if (!gScrubbing.exchange(false)) return;
    StopPlay();
}

bool Scrubbing() {
    return gScrubbing.load();
}

}  // namespace ob
