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
#include <cstring>
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

// dst[k] = src[k] * g for n samples (a copy when g is 1).
void Apply(const float* src, float* dst, int64_t n, double g) {
    if (g == 1) {
        if (dst != src && n > 0) std::memmove(dst, src, size_t(n) * sizeof(float));
        return;
    }
    for (int64_t k = 0; k < n; ++k) dst[k] = float(src[k] * g);
}

double Limit(double v, double low, double high) {
    return v < low ? low : (v > high ? high : v);
}

}  // namespace

bool DynamicsStream::Allocate() {
    if (!ring_) ring_.reset(new (std::nothrow) double[kMaxRing]);
    return ring_ != nullptr;
}

void DynamicsStream::Start(uint32_t rate, double thresholdDb, double attackMs, double releaseS,
                           int32_t detectionMs, uint32_t length) {
    attack_ = rate * attackMs * 0.001;
    if (!(attack_ > 0)) attack_ = 1;
    release_ = rate * releaseS;
    if (!(release_ > 0)) release_ = 1;
    invAttack_ = 1 / attack_;
    invRelease_ = 1 / release_;
    threshold_ = std::pow(10.0, thresholdDb / 20.0);
    uint64_t det = detectionMs <= 0 ? 1 : uint64_t(detectionMs);
    uint32_t w = uint32_t((uint64_t(rate) * det / 1000 + 1) % 65536);
    w = std::max<uint32_t>(w, 20);
    window_ = std::min(w, length);
    ringSize_ = window_ / 3 + 1;
    invWindow_ = window_ ? 1.0 / window_ : 1;
    invThreshold_ = 1 / threshold_;
    index_ = 0;
    g_ = 1;
    previous_ = 0;
    startSum_ = 0;
    count_ = 2;
    next_ = 0;
    startEnd_ = 0;
}

// Fills the ring with x[k]^2 for k = 0, 3, 6, ... below W (the rest 0) and
// starts the running sum as the sum of its entries.
void DynamicsStream::StartNoiseGate(const NoiseGateParams& p, uint32_t rate, const float* x,
                                    uint32_t length) {
    compressor_ = false;
    Start(rate, p.threshold, p.attackMs, p.releaseS, p.detectionMs, length);
    double* ring = ring_.get();
    sum_ = 0;
    uint32_t filled = 0;
    for (uint32_t k = 0; k < window_ && filled < ringSize_; k += 3) {
        double v = double(x[k]) * x[k];
        ring[filled++] = v;
        sum_ += v;
    }
    while (filled < ringSize_) ring[filled++] = 0;
    stepEnd_ = int64_t(length) - int64_t(window_) - 2;
}

void DynamicsStream::StartCompressor(const CompressorParams& p, uint32_t rate, const float* x,
                                     uint32_t length) {
    NoiseGateParams common{p.threshold, p.attackMs, p.releaseS, p.detectionMs};
    StartNoiseGate(common, rate, x, length);
    compressor_ = true;
    ratio_ = p.ratio;
    exponent_ = 1 / p.ratio - 1;
    // Whether the start pass runs: the level of every sample of the first window.
    double all = 0;
    for (uint32_t k = 0; k < window_; ++k) all += double(x[k]) * x[k];
    double first = window_ ? std::sqrt(all / window_) : 0;
    if (first == 0) first = 1.2e-7;
    if (first > threshold_) {
        // The first window sample by sample, measured over what has passed.
        startEnd_ = window_;
        previous_ = 0;
    } else {
        previous_ = first;
    }
    next_ = startEnd_ ? 0 : window_;
    stepEnd_ = int64_t(length) - 2;
}

// One gain step at next_ (the level read from the dry area); advances next_.
template <bool Compressor>
inline __attribute__((always_inline)) void DynamicsStream::Step(const float* area) {
    const double x = area[next_];
    double level;
    if (next_ < startEnd_) {
        startSum_ += x * x;
        level = std::sqrt(startSum_ / count_);
        count_ += 1;
        next_ += 1;
    } else {
        double v = x * x;
        double* ring = ring_.get();
        sum_ -= ring[index_];
        sum_ += v;
        ring[index_] = v;
        if (++index_ == ringSize_) index_ = 0;
        level = std::sqrt(std::max(sum_, 0.0) * invWindow_);
        next_ += 3;
    }
    if (!Compressor) {
        if (level < threshold_) {
            if (g_ != 0) {
                g_ -= invRelease_;
                if (g_ < 0) g_ = 0;
            }
        } else if (g_ < 1) {
            g_ += invAttack_;
            if (g_ > 1) g_ = 1;
        }
        return;
    }
    // Target gain T (v / T)^(1 / r) / v above the threshold, reached by the
    // factors target^(1 / R) falling and target^(1 / A) rising, each as one
    // exponential of the log level (the target itself only when rising).
    const bool above = level > threshold_;
    const double log = above ? std::log(level * invThreshold_) * exponent_ : 0;
    if (level <= previous_) {
        double c = above ? std::exp(log * invRelease_) : 1;
        if (c < 1e-5) c = 1e-5;
        g_ /= c;
        if (ratio_ >= 1) {
            if (g_ > 1) g_ = 1;
        } else if (g_ < 1) {
            g_ = 1;
        }
    } else {
        const double target = above ? std::exp(log) : 1;
        g_ *= above ? std::exp(log * invAttack_) : 1;
        if (ratio_ >= 1) {
            if (g_ < target) g_ = target;
        } else if (g_ > target) {
            g_ = target;
        }
    }
    if (ratio_ < 1 && g_ < 1e-5) g_ = 1e-5;
    previous_ = level;
}

void DynamicsStream::Run(const float* area, uint32_t begin, uint32_t end, float* out) {
    if (compressor_)
        RunAs<true>(area, begin, end, out);
    else
        RunAs<false>(area, begin, end, out);
}

template <bool Compressor>
void DynamicsStream::RunAs(const float* area, uint32_t begin, uint32_t end, float* out) {
    int64_t i = begin;
    while (i < int64_t(end)) {
        const bool stepping = next_ < startEnd_ || next_ < stepEnd_;
        if (stepping && next_ <= i) {
            Step<Compressor>(area);
            continue;
        }
        // Up to the next step the samples take the gain of the last one.
        int64_t stop = stepping ? std::min<int64_t>(end, next_) : int64_t(end);
        Apply(area + i, out + (i - begin), stop - i, g_);
        i = stop;
    }
}

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

// The run shared by the compressor and the gate: refusals, the backup of
// the affect area, and the stream over each edit channel in place, with
// progress every length / 20 samples and the abort polled per block.
template <class Params, class Start>
int RunDynamics(WaveRecord& record, const Params& p, decltype(kOpCompressor) op, Start start) {
    if (p.threshold >= 0 || !WaveHasData(&record)) return kEditNothing;
    if (AffectRange(record).length == 0) return kEditNothing;
    DynamicsStream stream;
    if (!stream.Allocate()) return ReportMessage(record, kTextNoMemory), kEditNoMemory;
    AreaEdit edit;
    if (!BeginAreaEdit(record, op, kBackupRange, edit)) return kEditNothing;
    const uint32_t rate = record.sampleRate;
    return WalkAreaEdit(edit, [&](float* x, uint32_t length, bool) {
        start(stream, rate, x, length);
        ProgressCounter progress{length / 60 * 3};
        for (uint32_t done = 0; done < length;) {
            uint32_t n = std::min(kAbortBlock, length - done);
            stream.Run(x, done, done + n, x + done);
            done += n;
            progress.Advance(n);
            if (AbortRequested()) return false;
        }
        return true;
    });
}

int Compress(WaveRecord& record, const CompressorParams& params) {
    CompressorParams p = params;
    if (!ClampCompressor(p)) return kEditRefused;
    return RunDynamics(record, p, kOpCompressor,
                       [&](DynamicsStream& s, uint32_t rate, const float* x, uint32_t n) {
                           s.StartCompressor(p, rate, x, n);
                       });
}

int NoiseGate(WaveRecord& record, const NoiseGateParams& params) {
    NoiseGateParams p = params;
    if (!ClampNoiseGate(p)) return kEditRefused;
    return RunDynamics(record, p, kOpNoiseGate,
                       [&](DynamicsStream& s, uint32_t rate, const float* x, uint32_t n) {
                           s.StartNoiseGate(p, rate, x, n);
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
