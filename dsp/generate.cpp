// The waveform generator.
#include "dsp/generate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/progress.h"
#include "dsp/operation.h"
#include "wave/change_notice.h"
#include "wave/memory.h"
#include "wave/record_report.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr uint32_t kPhaseMask = (1u << 21) - 1;
constexpr int kCycle = 2048;
constexpr int64_t kMaxDuration = int64_t(1) << 42;  // ms; beyond it no rate fits 32-bit frames

int32_t LimitBelowHalfRate(int32_t f, int32_t rate) {
    int64_t half = int64_t(rate) * 1000 / 2;
    if (half > f) return std::max(f, int32_t(1));
    return int32_t(half - 1);
}

// sin(j x 2 pi / 2048) for j = 0 .. 2047, in double.
const double* SineCycle() {
    static const struct Cycle {
        double v[kCycle];
        Cycle() {
            for (int j = 0; j < kCycle; ++j) v[j] = std::sin(j * 2.0 * M_PI / kCycle);
        }
    } cycle;
    return cycle.v;
}

// Adds one tone read from `table` with its own phase accumulator, scaled by
// `divisor` (1 for the first tone of a single note), into or over `out`.
template <bool kAdd>
void ReadTable(const float* table, uint32_t inc, float divisor, float* out, uint64_t count,
               uint32_t& phase) {
    uint32_t p = phase;
    for (uint64_t n = 0; n < count; ++n) {
        // The accumulator runs over 32 bits: 2^21 divides 2^32, so masking
        // here gives the 21-bit phase and the loop carries a single add.
        uint32_t i = (p & kPhaseMask) >> 10;
        float fraction = float(p & 1023) * (1.0f / 1024.0f);
        float v = table[i] + (table[i + 1] - table[i]) * fraction;
        if (divisor != 1.0f) v = v / divisor;
        if constexpr (kAdd)
            out[n] += v;
        else
            out[n] = v;
        p += inc;
    }
    phase = p & kPhaseMask;
}

// The single-note sine path without the divisor test (the speed case).
void ReadTablePlain(const float* table, uint32_t inc, float* out, uint64_t count, uint32_t& phase) {
    uint32_t p = phase;
    for (uint64_t n = 0; n < count; ++n) {
        // The accumulator runs over 32 bits: 2^21 divides 2^32, so masking
        // here gives the 21-bit phase and the loop carries a single add.
        uint32_t i = (p & kPhaseMask) >> 10;
        float fraction = float(p & 1023) * (1.0f / 1024.0f);
        out[n] = table[i] + (table[i + 1] - table[i]) * fraction;
        p += inc;
    }
    phase = p & kPhaseMask;
}

}  // namespace

void ClampGenerateSettings(GenerateSettings& s) {
    if (s.shape < 0 || s.shape > kGenSilence) s.shape = kGenSilence;
    s.rate = std::clamp(s.rate, kGenMinRate, kGenMaxRate);
    s.duty = std::clamp(s.duty, int32_t(1), int32_t(99));
    if (s.duration < 1) s.duration = 1;
    s.frequency = LimitBelowHalfRate(s.frequency, s.rate);
    for (int32_t& f : s.chord) f = LimitBelowHalfRate(f, s.rate);
}

bool GenerateFrequencyTooHigh(const GenerateSettings& s) {
    return int64_t(500) * s.rate <= s.frequency;
}

uint64_t GenerateFrameCount(const GenerateSettings& s) {
    if (s.duration > kMaxDuration) return UINT64_MAX;
    uint64_t frames = uint64_t(std::max<int64_t>(s.duration, 0)) * uint64_t(s.rate) / 1000;
    return std::max<uint64_t>(frames, 1);
}

uint32_t GeneratePhaseIncrement(int32_t frequencyMilliHz, int32_t rate) {
    if (rate <= 0) return 1;
    uint64_t inc = uint64_t(2097152) * uint64_t(std::max(frequencyMilliHz, int32_t(0))) /
                   (uint64_t(1000) * uint64_t(rate));
    inc &= kPhaseMask;
    return inc ? uint32_t(inc) : 1u;
}

int GenerateHarmonicLimit(int32_t frequencyMilliHz, int32_t rate) {
    int64_t f = std::max(frequencyMilliHz, int32_t(1));
    int64_t h = int64_t(rate) * 1000 / (2 * f);
    return int(std::min<int64_t>(h, kGenMaxHarmonic));
}

bool BuildGenerateTable(int32_t shape, int32_t frequencyMilliHz, int32_t rate, int32_t duty,
                        float table[kGenTableSize]) {
    const double* s = SineCycle();
    switch (shape) {
        case kGenSine:
            for (int i = 0; i < kGenTableSize; ++i) table[i] = float(0.97 * s[i & (kCycle - 1)]);
            return true;
        case kGenSquare:
        case kGenTriangle: {
            int h = GenerateHarmonicLimit(frequencyMilliHz, rate);
            bool square = shape == kGenSquare;
            for (int i = 0; i < kGenTableSize; ++i) {
                double sum = 0.0;
                for (int k = 1; k <= h; k += 2) {
                    // i k 2 pi / 2048 reduced to one cycle; the cosine a quarter on.
                    int j = (i * k + (square ? 0 : kCycle / 4)) & (kCycle - 1);
                    sum += (square ? 0.9 / k : 0.76 / (double(k) * k)) * s[j];
                }
                table[i] = float(sum);
            }
            return true;
        }
        case kGenSawtooth:
            for (int i = 0; i < kCycle; ++i) table[i] = float(-0.9 + i * 0.0008793356);
            table[kCycle] = -0.9f;
            return true;
        case kGenPulse: {
            int32_t d = std::clamp(duty, int32_t(1), int32_t(99));
            double low, high;
            if (d < 50) {
                low = -0.9 * d / (100 - d);
                high = 0.9;
            } else {
                high = 0.9 * (100 - d) / d;
                low = -0.9;
            }
            int highEnd = d * kGenTableSize / 100;  // first low index after the high run
            for (int i = 0; i < kGenTableSize; ++i)
                table[i] = float(i >= 1 && i < highEnd ? high : low);
            return true;
        }
        default:
            return false;
    }
}

int GenerateChordCount(const GenerateSettings& s) {
    int c = 0;
    for (int32_t f : s.chord) c += f > 1;
    return c;
}

void GenerateSamples(const GenerateSettings& s, float* out, uint64_t frames, uint32_t seed) {
    // Progress steps every frames / 20 samples; one pass per step keeps the
    // loops free of tests.
    uint64_t step = frames >= 20 ? frames / 20 : frames;
    if (s.shape == kGenSilence) {
        std::fill(out, out + frames, 0.0f);
        return;
    }
    if (s.shape == kGenWhiteNoise) {
        uint32_t state = seed;
        for (uint64_t done = 0; done < frames;) {
            uint64_t n = std::min(step, frames - done);
            for (uint64_t k = 0; k < n; ++k) {
                state = state * 1103515245u + 12345u;
                out[done + k] = float((state >> 16) & 0x7FFF) / 16384.0f - 1.0f;
            }
            done += n;
            SetProgress(done, frames);
        }
        return;
    }
    float table[kGenTableSize];
    BuildGenerateTable(s.shape, s.frequency, s.rate, s.duty, table);
    const int c = GenerateChordCount(s);
    const float divisor = float(1 + c);
    uint32_t inc = GeneratePhaseIncrement(s.frequency, s.rate);
    uint32_t phase = 0;
    for (uint64_t done = 0; done < frames;) {
        uint64_t n = std::min(step, frames - done);
        if (c == 0)
            ReadTablePlain(table, inc, out + done, n, phase);
        else
            ReadTable<false>(table, inc, divisor, out + done, n, phase);
        done += n;
        if (c == 0) SetProgress(done, frames);
    }
    if (c == 0) return;
    uint64_t total = frames * uint64_t(1 + c), position = frames;
    for (int32_t f : s.chord) {
        if (f <= 1) continue;
        BuildGenerateTable(s.shape, f, s.rate, s.duty, table);
        inc = GeneratePhaseIncrement(f, s.rate);
        phase = 0;
        for (uint64_t done = 0; done < frames;) {
            uint64_t n = std::min(step, frames - done);
            ReadTable<true>(table, inc, divisor, out + done, n, phase);
            done += n;
            position += n;
            SetProgress(position, total);
        }
    }
}

int Generate(WaveRecord& record, GenerateSettings settings) {
    if (WaveHasData(&record)) return kEditRefused;
    ClampGenerateSettings(settings);
    uint64_t frames = GenerateFrameCount(settings);
    float* samples = nullptr;
    if (frames <= 0xFFFFFFFFull)
        samples = static_cast<float*>(Allocate(size_t(frames) * sizeof(float), kAllocLarge));
    if (!samples) {
        ReportMessage(record, kTextNoMemory);
        return kEditNoMemory;
    }
    GenerateSamples(settings, samples, frames, uint32_t(std::time(nullptr)));
    ResetProgress();
    record.leftSamples = samples;
    record.rightSamples = nullptr;
    record.frameCount = uint32_t(frames);
    record.viewStart = 0;
    record.viewSpan = uint32_t(frames);
    SetSampleRate(record, uint32_t(settings.rate));
    UpdateOverview(record, 0, 0, kEditLeft);
    record.stateFlags |= kStateChanged;
    NotifyChange(&record, kChangeAll);
    return kEditDone;
}

const char* GenerateShapeConstant(int32_t shape) {
    static const char* const kNames[kGenShapeCount] = {
        "OB_GEN_SINE",  "OB_GEN_SQUARE",     "OB_GEN_TRIANGLE", "OB_GEN_SAWTOOTH",
        "OB_GEN_PULSE", "OB_GEN_WHITENOISE", "OB_GEN_SILENCE"};
    return kNames[shape >= 0 && shape < kGenShapeCount ? shape : kGenSilence];
}

std::string GenerateMacroLine(int editor, const GenerateSettings& s) {
    char line[320];
    int n = std::snprintf(line, sizeof line, "%s %d, %s, %d, %.4f, %.3f, %d",
                          GenerateChordCount(s) ? "obGenerate4" : "obGenerate", editor,
                          GenerateShapeConstant(s.shape), s.rate, s.frequency / 1000.0,
                          double(s.duration) / 1000.0, s.duty);
    if (GenerateChordCount(s))
        for (int32_t f : s.chord)
            n += std::snprintf(line + n, sizeof line - size_t(n), ", %.4f",
                               f > 1 ? f / 1000.0 : 0.0);
    std::snprintf(line + n, sizeof line - size_t(n), "\n");
    return line;
}

namespace {

// value x 1000, non-finite as 0, limited to lo..hi, truncated toward zero.
int64_t Thousandths(double value, double lo, double hi) {
    if (!std::isfinite(value)) return 0;
    return int64_t(std::clamp(value * 1000.0, lo, hi));
}

}  // namespace

GenerateSettings GenerateFromScript(int32_t shape, int32_t rate, double frequency, double duration,
                                    int32_t duty, const double* chord, int chordCount) {
    GenerateSettings s;
    s.shape = shape < 0 ? int32_t(kGenSilence) : shape;
    s.rate = rate;
    s.duty = duty;
    s.frequency = int32_t(Thousandths(frequency, 0.0, 2147483647.0));
    s.duration = std::isfinite(duration) && duration < 0
                     ? 1
                     : Thousandths(duration, 0.0, double(kMaxDuration) * 2);
    for (int k = 0; k < kGenChordTones; ++k)
        s.chord[k] = k < chordCount ? int32_t(Thousandths(chord[k], 0.0, 2147483647.0)) : 0;
    ClampGenerateSettings(s);
    return s;
}

}  // namespace ob
