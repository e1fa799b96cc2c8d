// Compressor and Noise Gate.
//
// Departures from the plain loops, each for a sound result:
// - The detection window is limited to the area; the pass limits run in
//   signed 64-bit, so a short area never wraps; an empty area does nothing.
// - From the main pass on, the compressor's running sum is the sum of the ring
//   entries it later subtracts (summing every sample of the first window would
//   leave two thirds of it in the sum for good, compressing later passages far
//   below the threshold after a loud start).
// - The running sum is clamped at 0 before the square root: after loud
//   material, rounding can leave it slightly negative over digital silence.
// - The Noise Gate applies its final gain to the last W + 2 samples of the
//   area too (otherwise a closed gate ends with up to 50 ms of ungated noise).
#include "dsp/dynamics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "base/messages.h"
#include "dsp/operation.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {

// The largest ring: a window of 65535 samples in steps of three.
constexpr uint32_t kMaxRing = 65535 / 3 + 1;
// Abort polled every this many steps (about 4096 samples).
constexpr uint32_t kPollSteps = 1365;

struct Setup {
    double attack, release, threshold;  // A and R in steps, T as a level
    uint32_t window, ring;              // W samples, n entries
};

Setup MakeSetup(uint32_t rate, double thresholdDb, double attackMs, double releaseS,
                int32_t detectionMs, uint32_t length) {
    Setup s;
    s.attack = rate * attackMs * 0.001;
    if (!(s.attack > 0)) s.attack = 1;
    s.release = rate * releaseS;
    if (!(s.release > 0)) s.release = 1;
    s.threshold = std::pow(10.0, thresholdDb / 20.0);
    uint64_t det = detectionMs <= 0 ? 1 : uint64_t(detectionMs);
    uint32_t w = uint32_t((uint64_t(rate) * det / 1000 + 1) % 65536);
    w = std::max<uint32_t>(w, 20);
    s.window = std::min(w, length);
    s.ring = s.window / 3 + 1;
    return s;
}

// Fills the ring with x[k]^2 for k = 0, 3, 6, ... below W (the rest 0);
// returns the sum of the entries.
double FillRing(const float* x, const Setup& s, double* ring) {
    double sum = 0;
    uint32_t filled = 0;
    for (uint32_t k = 0; k < s.window && filled < s.ring; k += 3) {
        double v = double(x[k]) * x[k];
        ring[filled++] = v;
        sum += v;
    }
    while (filled < s.ring) ring[filled++] = 0;
    return sum;
}

void ScaleSamples(float* x, int64_t from, int64_t to, double g) {
    for (int64_t i = from; i < to; ++i) x[i] = float(x[i] * g);
}

bool GateChannel(float* x, uint32_t length, const Setup& s, double* ring) {
    if (length == 0) return true;
    double sum = FillRing(x, s, ring);
    double g = 1;
    uint32_t index = 0, poll = 0;
    const double w = s.window;
    ProgressCounter progress{length / 60};
    const int64_t end = int64_t(length) - int64_t(s.window) - 2;
    int64_t p = 0;
    for (; p < end; p += 3) {
        double v = double(x[p]) * x[p];
        sum -= ring[index];
        sum += v;
        ring[index] = v;
        if (++index == s.ring) index = 0;
        double level = std::sqrt(std::max(sum, 0.0) / w);
        if (level < s.threshold) {
            if (g != 0) {
                g -= 1.0 / s.release;
                if (g < 0) g = 0;
            }
        } else if (g < 1) {
            g += 1.0 / s.attack;
            if (g > 1) g = 1;
        }
        if (g != 1) ScaleSamples(x, p, p + 3, g);
        progress.Advance(1);
        if (++poll >= kPollSteps) {
            poll = 0;
            if (AbortRequested()) return false;
        }
    }
    if (g != 1) ScaleSamples(x, p, length, g);
    return !AbortRequested();
}

struct CompressorGain {
    double g = 1, previous = 0;
    double threshold, ratio, attack, release;
    void Step(double v) {
        double target = 1;
        if (v > threshold)
            target = threshold * std::pow(10.0, (20 * std::log10(v / threshold) / ratio) / 20) / v;
        if (v <= previous) {
            double c = std::pow(target, 1 / release);
            if (c < 1e-5) c = 1e-5;
            g /= c;
            if (ratio >= 1) {
                if (g > 1) g = 1;
            } else if (g < 1) {
                g = 1;
            }
        } else {
            double c = std::pow(target, 1 / attack);
            g *= c;
            if (ratio >= 1) {
                if (g < target) g = target;
            } else if (g > target) {
                g = target;
            }
        }
        if (ratio < 1 && g < 1e-5) g = 1e-5;
        previous = v;
    }
};

bool CompressChannel(float* x, uint32_t length, const Setup& s, double ratio, double* ring) {
    if (length == 0) return true;
    const uint32_t W = s.window;
    const double w = W;
    double sum = FillRing(x, s, ring);
    double all = 0;
    for (uint32_t k = 0; k < W; ++k) all += double(x[k]) * x[k];
    double first = std::sqrt(all / w);
    if (first == 0) first = 1.2e-7;
    CompressorGain gain;
    gain.threshold = s.threshold;
    gain.ratio = ratio;
    gain.attack = s.attack;
    gain.release = s.release;
    uint32_t poll = 0;
    if (!(first > s.threshold)) {
        gain.previous = first;
    } else {
        // The first window sample by sample, measured over what has passed.
        double startSum = 0, count = 2;
        gain.previous = 0;
        for (uint32_t i = 0; i < W; ++i) {
            startSum += double(x[i]) * x[i];
            gain.Step(std::sqrt(startSum / count));
            if (gain.g != 1) x[i] = float(x[i] * gain.g);
            count += 1;
            if (++poll >= 3 * kPollSteps) {
                poll = 0;
                if (AbortRequested()) return false;
            }
        }
    }
    ProgressCounter progress{length / 60};
    poll = 0;
    const int64_t end = int64_t(length) - 2;
    uint32_t index = 0;
    int64_t p = W;
    for (; p < end; p += 3) {
        double v = double(x[p]) * x[p];
        sum -= ring[index];
        sum += v;
        ring[index] = v;
        if (++index == s.ring) index = 0;
        gain.Step(std::sqrt(std::max(sum, 0.0) / w));
        if (gain.g != 1) ScaleSamples(x, p, p + 3, gain.g);
        progress.Advance(1);
        if (++poll >= kPollSteps) {
            poll = 0;
            if (AbortRequested()) return false;
        }
    }
    if (gain.g != 1) ScaleSamples(x, p, length, gain.g);
    return !AbortRequested();
}

std::unique_ptr<double[]> NewRing() {
    return std::unique_ptr<double[]>(new (std::nothrow) double[kMaxRing]);
}

double Limit(double v, double low, double high) {
    return v < low ? low : (v > high ? high : v);
}

}  // namespace

bool ClampCompressor(CompressorParams& p) {
    if (!std::isfinite(p.threshold) || !std::isfinite(p.ratio) || !std::isfinite(p.attackMs) ||
        !std::isfinite(p.releaseS))
        return false;
    p.threshold = Limit(p.threshold, -60, 0);
    p.ratio = Limit(p.ratio, 0.2, 10);
    p.attackMs = Limit(p.attackMs, 0.01, 20);
    p.releaseS = Limit(p.releaseS, 0.01, 2);
    p.detectionMs = p.detectionMs < 1 ? 1 : (p.detectionMs > 50 ? 50 : p.detectionMs);
    return true;
}

bool ClampNoiseGate(NoiseGateParams& p) {
    if (!std::isfinite(p.threshold) || !std::isfinite(p.attackMs) || !std::isfinite(p.releaseS))
        return false;
    p.threshold = Limit(p.threshold, -90, -10);
    p.attackMs = Limit(p.attackMs, 0.01, 20);
    p.releaseS = Limit(p.releaseS, 0.01, 2);
    p.detectionMs = p.detectionMs < 1 ? 1 : (p.detectionMs > 50 ? 50 : p.detectionMs);
    return true;
}

bool CompressSamples(float* x, uint32_t length, uint32_t rate, const CompressorParams& p) {
    if (p.threshold >= 0) return true;
    auto ring = NewRing();
    if (!ring) return false;
    Setup s = MakeSetup(rate, p.threshold, p.attackMs, p.releaseS, p.detectionMs, length);
    return CompressChannel(x, length, s, p.ratio, ring.get());
}

bool NoiseGateSamples(float* x, uint32_t length, uint32_t rate, const NoiseGateParams& p) {
    auto ring = NewRing();
    if (!ring) return false;
    Setup s = MakeSetup(rate, p.threshold, p.attackMs, p.releaseS, p.detectionMs, length);
    return GateChannel(x, length, s, ring.get());
}

// The run shared by the compressor and the gate: refusals, the backup of
// the affect area, and `channel` over each edit channel with its own setup.
template <class Params, class Channel>
int RunDynamics(WaveRecord& record, const Params& p, decltype(kOpCompressor) op, Channel channel) {
    if (p.threshold >= 0 || !WaveHasData(&record)) return kEditNothing;
    if (AffectRange(record).length == 0) return kEditNothing;
    auto ring = NewRing();
    if (!ring) return ReportMessage(record, kTextNoMemory), kEditNoMemory;
    AreaEdit edit;
    if (!BeginAreaEdit(record, op, kBackupRange, edit)) return kEditNothing;
    const uint32_t rate = record.sampleRate;
    return WalkAreaEdit(edit, [&](float* x, uint32_t length, bool) {
        Setup s = MakeSetup(rate, p.threshold, p.attackMs, p.releaseS, p.detectionMs, length);
        return channel(x, length, s, ring.get());
    });
}

int Compress(WaveRecord& record, const CompressorParams& params) {
    CompressorParams p = params;
    if (!ClampCompressor(p)) return kEditRefused;
    return RunDynamics(record, p, kOpCompressor,
                       [&](float* x, uint32_t n, const Setup& s, auto* ring) {
                           return CompressChannel(x, n, s, p.ratio, ring);
                       });
}

int NoiseGate(WaveRecord& record, const NoiseGateParams& params) {
    NoiseGateParams p = params;
    if (!ClampNoiseGate(p)) return kEditRefused;
    return RunDynamics(record, p, kOpNoiseGate,
                       [](float* x, uint32_t n, const Setup& s, auto* ring) {
                           return GateChannel(x, n, s, ring);
                       });
}

std::string CompressorMacroLine(int editor, const CompressorParams& p) {
    char line[160];
    std::snprintf(line, sizeof line, "obCompress %d, %.1f, %.2f, %.2f, %.2f, %d\n", editor,
                  p.threshold, p.ratio, p.attackMs, p.releaseS, int(p.detectionMs));
    return line;
}

std::string NoiseGateMacroLine(int editor, const NoiseGateParams& p) {
    char line[160];
    std::snprintf(line, sizeof line, "obNoiseGate %d, %.1f, %.2f, %.2f, %d\n", editor, p.threshold,
                  p.attackMs, p.releaseS, int(p.detectionMs));
    return line;
}

// ---- Presets ----

namespace {

const FieldRange kCompressorRanges[] = {{-60, 0}, {200, 10000}, {10, 20000}, {10, 2000}, {1, 50}};
const BuiltInPreset kCompressorBuiltIns[] = {
    {"Emphasize pop", {-20, 3000, 5000, 200, 50}},
    {"Expand peaks", {-20, 500, 1000, 200, 40}},
    {"General purpose compressor", {-15, 5000, 50, 500, 40}},
    {"Peak limiting", {-20, 10000, 100, 100, 30}},
    {"Put it in a vise", {-25, 5000, 50, 2000, 40}},
    {"Slow attack, tight release", {-15, 5000, 20000, 10, 40}},
    {"Soften peaks", {-15, 2000, 1000, 1000, 40}},
};
const FieldRange kNoiseGateRanges[] = {{-90, -10}, {10, 20000}, {10, 2000}, {1, 50}};
const BuiltInPreset kNoiseGateBuiltIns[] = {
    {"Chop it", {-15, 40, 10, 30}},
    {"Fast attack, slow release", {-40, 10, 1000, 40}},
    {"General purpose noisegate", {-40, 50, 100, 40}},
    {"Slam the door", {-20, 80, 30, 30}},
    {"Slow attack, tight release", {-40, 20000, 10, 40}},
    {"Subtle", {-65, 100, 1000, 40}},
};

}  // namespace

const EffectPresetFormat kCompressorPreset = {kPresetKindCompressor, 5, kCompressorRanges,
                                              kCompressorBuiltIns, 7};
const EffectPresetFormat kNoiseGatePreset = {kPresetKindNoiseGate, 4, kNoiseGateRanges,
                                             kNoiseGateBuiltIns, 6};

void CompressorToFields(const CompressorParams& p, int32_t* f) {
    f[0] = PresetField(p.threshold, kCompressorRanges[0]);
    f[1] = PresetField(p.ratio * 1000, kCompressorRanges[1]);
    f[2] = PresetField(p.attackMs * 1000, kCompressorRanges[2]);
    f[3] = PresetField(p.releaseS * 1000, kCompressorRanges[3]);
    f[4] = PresetField(p.detectionMs, kCompressorRanges[4]);
}

CompressorParams CompressorFromFields(const int32_t* f) {
    return {double(f[0]), f[1] / 1000.0, f[2] / 1000.0, f[3] / 1000.0, f[4]};
}

void NoiseGateToFields(const NoiseGateParams& p, int32_t* f) {
    f[0] = PresetField(p.threshold, kNoiseGateRanges[0]);
    f[1] = PresetField(p.attackMs * 1000, kNoiseGateRanges[1]);
    f[2] = PresetField(p.releaseS * 1000, kNoiseGateRanges[2]);
    f[3] = PresetField(p.detectionMs, kNoiseGateRanges[3]);
}

NoiseGateParams NoiseGateFromFields(const int32_t* f) {
    return {double(f[0]), f[1] / 1000.0, f[2] / 1000.0, f[3]};
}

}  // namespace ob
