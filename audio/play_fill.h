// The player's arithmetic, free of any device: the play rate, the range and
// loop set-up of a fill, the fill loop (interpolation, loops forward and
// forward-backward, iterations, conversion to 16 or 24 bits, attenuation) and
// the play position readout.
//
// Positions are signed 64-bit fixed point with 13 fraction bits (1/8192 of a
// frame), so the stated integer step and fractional step add as one number.
// Backward travel never goes below the range's start, and every read lies
// within the source's frames.
#pragma once

#include <cstdint>

namespace ob {

constexpr int kFractionBits = 13;
constexpr int64_t kFractionOne = 1 << kFractionBits;  // 8192

// rate = sampleRate * 2^((fineTune / 100 + transpose) / 12), truncated, then
// snapped when it lies one off a standard rate.
uint32_t PlayRate(uint32_t sampleRate, int fineTune, int transpose);
// The device rate to use when the device cannot take `playRate` exactly.
uint32_t FallbackDeviceRate(uint32_t playRate, bool lock44k);

enum LoopKind : int {
    kLoopNone = 0,
    kLoopSustain = 1,
    kLoopRelease = 2,
    kLoopAffectRange = 3,
    kLoopWholeRange = 4,
};

// Where the samples come from: frames [base, base + frames) of one or two
// channels (base is non-zero only for the streamed blocks of PlayBlocks).
struct FillSource {
    const float* left = nullptr;
    const float* right = nullptr;  // null: the left channel stands in
    int64_t base = 0;
    int64_t frames = 0;  // frames the source holds from base on
};

struct FillState {
    // Set up before the first fill.
    int64_t rangeStart = 0;
    int64_t rangeCount = 0;  // the range is rangeStart .. rangeStart + rangeCount - 1
    int loopKind = kLoopNone;
    bool pingPong = false;  // forward-backward loop
    int64_t loopStart = 0;  // kinds 1 and 2: the loop, end inclusive
    int64_t loopEnd = 0;
    uint32_t iterationsLeft = 1;
    int64_t step = kFractionOne;  // integer step * 8192 + fractional step
    uint32_t channels = 1;        // output channels
    bool firstFromRight = false;  // a one-channel output of the right channel
    uint32_t bits = 16;           // 16, or 24 in 32-bit containers
    int attenuationShift = 0;     // 0..3: -6 dB per bit
    // Running state.
    int64_t position = 0;  // fixed point
    bool backward = false;
    bool exhausted = false;
    int64_t framesWritten = 0;
};

// Fills `frames` output frames into `out` (interleaved; silence once the
// source is exhausted). Returns the frames taken from the source.
uint32_t FillBuffer(FillState& state, const FillSource& source, void* out, uint32_t frames);

// The first and last frame of the range or loop a fill plays (end inclusive).
struct FillBounds {
    int64_t s = 0;
    int64_t e = 0;
};
FillBounds BoundsOf(const FillState& state, int64_t sourceEnd);
// Drops looping when the loop is shorter than 2 * integer step + 2 frames
// (loop kind 0, forward, one iteration); returns the bounds that then hold.
FillBounds DropShortLoop(FillState& state, int64_t sourceEnd);

// Converts one sample: 16-bit value, or the 24-bit value shifted into its container.
int32_t ToOutput16(float x);
int32_t ToOutput24(float x);

// The frame to draw for `deviceFrames` frames played by the device.
int64_t PositionReadout(const FillState& setup, const FillBounds& bounds, int64_t deviceFrames,
                        int64_t framesWritten);

}  // namespace ob
