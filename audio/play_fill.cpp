// The player's arithmetic: play rate, fill bounds, the fill loop, conversion,
// attenuation and the position readout.
#include "audio/play_fill.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ob {

uint32_t PlayRate(uint32_t sampleRate, int fineTune, int transpose) {
    double semitones = double(fineTune) / 100.0 + double(transpose);
    double rate = double(sampleRate) * std::pow(2.0, semitones / 12.0);
    if (!(rate < 4294967295.0)) return 0xFFFFFFFFu;
    uint32_t r = uint32_t(rate);
    static const uint32_t kStandard[] = {11014, 11025, 22028, 22050, 44056,
                                         44100, 12000, 24000, 48000};
    for (uint32_t standard : kStandard)
        if (r + 1 == standard || r == standard + 1) return standard;
    return r;
}

uint32_t FallbackDeviceRate(uint32_t playRate, bool lock44k) {
    if (lock44k || playRate >= 33076) return 44100;
    if (playRate < 16538) return 11025;
    return 22050;
}

int32_t ToOutput16(float x) {
    float v = x * 32767.0f;
    if (v >= 32767.0f) return 32767;
    if (v <= -32768.0f) return -32768;
    if (v != v) return 0;  // NaN plays as silence
    return int32_t(v);
}

int32_t ToOutput24(float x) {
    float v = x * 8388352.0f;
    int32_t i;
    if (v >= 8388352.0f)
        i = 8388352;
    else if (v <= -8388608.0f)
        i = -8388608;
    else if (v != v)
        i = 0;
    else
        i = int32_t(v);
    return int32_t(uint32_t(i) << 8);
}

FillBounds BoundsOf(const FillState& st, int64_t sourceEnd) {
    FillBounds b;
    b.s = st.rangeStart;
    // The range's last frame: exactly the range, never one past it.
    b.e = st.rangeCount > 0 ? st.rangeStart + st.rangeCount - 1 : st.rangeStart;
    if (st.loopKind == kLoopSustain || st.loopKind == kLoopRelease) {
        b.s = st.loopStart;
        b.e = st.loopEnd;
    }
    if (b.s > b.e) std::swap(b.s, b.e);
    if (b.e > sourceEnd - 1) b.e = sourceEnd - 1;
    if (b.s < 0) b.s = 0;
    if (b.s > b.e) b.s = b.e;
    if (st.loopKind != kLoopNone && st.pingPong && (st.step & (kFractionOne - 1)) && b.s == 0 &&
        b.e > 1)
        b.s = 1;
    return b;
}

namespace {

inline float Read(const float* channel, int64_t base, int64_t index) {
    return channel[index - base];
}

}  // namespace

FillBounds DropShortLoop(FillState& st, int64_t sourceEnd) {
    FillBounds b = BoundsOf(st, sourceEnd);
    int64_t intStep = st.step >> kFractionBits;
    if (st.loopKind != kLoopNone && b.e - b.s < 2 * intStep + 2) {
        st.loopKind = kLoopNone;
        st.pingPong = false;
        st.iterationsLeft = 1;
        b = BoundsOf(st, sourceEnd);
    }
    return b;
}

uint32_t FillBuffer(FillState& st, const FillSource& src, void* out, uint32_t frames) {
    int64_t sourceEnd = src.base + src.frames;
    FillBounds b = DropShortLoop(st, sourceEnd);
    int64_t intStep = st.step >> kFractionBits;
    const int64_t S = b.s << kFractionBits;
    const int64_t E = b.e << kFractionBits;
    const bool resampling = (st.step & (kFractionOne - 1)) != 0;
    const bool looping = st.loopKind != kLoopNone;
    // Loop entry: a position outside the loop is brought into it.
    if (looping && !st.exhausted) {
        if (!st.backward && st.position > E + (kFractionOne - 1)) {
            if (st.pingPong) {
                st.backward = true;
                st.position = std::max(S, E - (intStep << kFractionBits));
            } else {
                st.position = S;
            }
        } else if (st.backward && st.position < S) {
            st.backward = false;
            st.position = S;
        }
    }
    const float* first = st.firstFromRight && src.right ? src.right : src.left;
    const float* second = src.right ? src.right : src.left;
    int16_t* out16 = static_cast<int16_t*>(out);
    int32_t* out32 = static_cast<int32_t*>(out);
    const uint32_t channels = st.channels;
    const int shift = st.attenuationShift;
    uint32_t taken = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        int64_t index = st.position >> kFractionBits;
        float x0 = 0.0f, x1 = 0.0f;
        // Past the end (or, travelling backward, before the start): silence.
        if (!st.exhausted && (index > b.e || index < src.base || (st.backward && index < b.s)))
            st.exhausted = true;
        if (!st.exhausted) {
            x0 = Read(first, src.base, index);
            if (channels == 2) x1 = Read(second, src.base, index);
            if (resampling) {
                int64_t next = index + 1 > b.e ? b.s : index + 1;
                float f = float(st.position & (kFractionOne - 1)) / float(kFractionOne);
                x0 += (Read(first, src.base, next) - x0) * f;
                if (channels == 2) x1 += (Read(second, src.base, next) - x1) * f;
            }
            ++taken;
            // Advance, then apply the end of range or loop.
            if (!st.backward) {
                st.position += st.step;
                if ((st.position >> kFractionBits) > b.e) {
                    if (!looping || st.iterationsLeft <= 1) {
                        st.exhausted = true;
                    } else if (st.pingPong) {
                        --st.iterationsLeft;
                        st.backward = true;
                        st.position = std::max(S, 2 * E - st.position);
                    } else {
                        --st.iterationsLeft;
                        st.position -= (b.e + 1 - b.s) << kFractionBits;
                        if (st.position < S) st.position = S;
                    }
                }
            } else {
                st.position -= st.step;
                if (st.position < S) {
                    if (!looping || !st.pingPong || st.iterationsLeft < 2) {
                        st.exhausted = true;
                    } else {
                        --st.iterationsLeft;
                        st.backward = false;
                        st.position = std::min(E, 2 * S - st.position);
                    }
                }
            }
        }
        int32_t v0, v1;
        if (st.bits == 16) {
            v0 = ToOutput16(x0) >> shift;
            v1 = ToOutput16(x1) >> shift;
            out16[i * channels] = int16_t(v0);
            if (channels == 2) out16[i * channels + 1] = int16_t(v1);
        } else {
            v0 = ToOutput24(x0) >> shift;
            v1 = ToOutput24(x1) >> shift;
            out32[i * channels] = v0;
            if (channels == 2) out32[i * channels + 1] = v1;
        }
    }
    st.framesWritten += frames;
    return taken;
}

int64_t PositionReadout(const FillState& setup, const FillBounds& b, int64_t deviceFrames,
                        int64_t framesWritten) {
    deviceFrames = std::min(deviceFrames, framesWritten);
    if (deviceFrames < 0) deviceFrames = 0;
    int64_t played = int64_t((__int128(deviceFrames) * setup.step) >> kFractionBits);
    if (setup.backward && setup.loopKind == kLoopNone)
        return std::max<int64_t>(setup.position / kFractionOne - played, b.s);
    int64_t start = setup.position >> kFractionBits;
    int64_t at = start + played;
    if (setup.loopKind == kLoopNone || at <= b.e) return std::min(at, b.e);
    int64_t length = std::max<int64_t>(b.e - b.s, 1);
    int64_t surplus = at - b.e;
    int64_t pass = surplus / length;
    int64_t remainder = surplus % length;
    uint64_t passes = setup.iterationsLeft > 1 ? setup.iterationsLeft - 1 : 0;
    if (uint64_t(pass) >= passes) return setup.pingPong && (passes & 1) ? b.s : b.e;
    if (!setup.pingPong) return b.s + remainder;
    // Forward-backward: the first pass after the end runs backward.
    return (pass & 1) == 0 ? b.e - remainder : b.s + remainder;
}

}  // namespace ob
