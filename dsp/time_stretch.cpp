// Time stretch and pitch shift.
#include "dsp/time_stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/user_interface.h"
#include "dsp/frame.h"
#include "dsp/insert.h"
#include "dsp/operation.h"
#include "dsp/transpose.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {

constexpr const char* kTextParameter = "Parameter Can't Be 0 or 100%";
constexpr const char* kTextTooSmall = "Edit Size Too Small For Effect";
constexpr const char* kTextNoMemoryForWave =
    "No memory for wave! To free memory,\nclose other programs and then\nselect Yes to try "
    "again.\nSelect No to forget the wave.";
constexpr uint64_t kNone = ~uint64_t(0);

// One search from a window start.
struct Attempt {
    uint64_t splice = 0;
    uint64_t match = kNone;
    double error = 1.0;
    bool accepted = false;
};

// Mean absolute difference of W samples at a and b, or a value >= limit when
// the partial sum reaches limit x W early.
double MatchSum(const float* a, const float* b, uint32_t w, double limitSum) {
    double sum = 0.0;
    uint32_t j = 0;
    while (j < w) {
        uint32_t end = std::min(w, j + 16);
        float part = 0.0f;
        for (; j < end; ++j) part += std::fabs(a[j] - b[j]);
        sum += part;
        if (sum >= limitSum) return sum;
    }
    return sum;
}

Attempt Search(const float* x, uint64_t start, bool wide, const StretchSizes& s) {
    const uint32_t w = s.window;
    float hi = x[start], lo = x[start];
    uint32_t hiAt = 0, loAt = 0;
    for (uint32_t j = 1; j < w; ++j) {
        float v = x[start + j];
        if (v > hi) hi = v, hiAt = j;
        if (v < lo) lo = v, loAt = j;
    }
    double peak;
    uint32_t offset;
    if (std::fabs(lo) <= hi) {
        peak = hi;
        offset = hiAt;
    } else {
        peak = lo;
        offset = loAt;
    }
    double bandLo = -1.0, bandHi = 1.0;
    Attempt at;
    at.splice = start;
    if (!wide) {
        bandLo = std::max(-1.0, peak - 0.25 * std::fabs(peak));
        bandHi = std::min(1.0, peak + 0.25 * std::fabs(peak));
        at.splice = start + offset;
    }
    const uint64_t P = at.splice;
    const uint64_t first = P >= 3ull * w ? P - 3ull * w : 0;
    const float* target = x + P;
    double bestSum = double(w);  // an error of 1.0
    // From the latest candidate down: on equal errors the later one stays,
    // and a perfect match ends the search.
    for (uint64_t k = P - s.step; k-- > first;) {
        double v = x[k];
        if (v < bandLo || v > bandHi) continue;
        double sum = MatchSum(target, x + k, w, bestSum);
        if (sum < bestSum) {
            bestSum = sum;
            at.match = k;
            if (sum == 0.0) break;
        }
    }
    at.error = bestSum / double(w);
    at.accepted = at.match != kNone && (std::fabs(peak) / 2.0 > at.error || at.error < 1.0 / 330.0);
    return at;
}

SpliceResult Result(const Attempt& a) {
    SpliceResult r;
    if (a.match == kNone) return r;  // no candidate: no splice
    r.splice = a.splice;
    r.match = a.match;
    r.error = a.error == 0.0 ? -1.0 : a.error;
    return r;
}

}  // namespace

StretchSizes StretchSizesAt(uint32_t rate, bool extendedBass) {
    StretchSizes s;
    s.window = uint32_t(uint64_t(rate) * 8 / 1000) * (extendedBass ? 2 : 1);
    s.step = rate / 1000 * (extendedBass ? 2 : 1);
    s.window = std::max<uint32_t>(s.window, 10);
    s.step = std::max<uint32_t>(s.step, 2);
    return s;
}

SpliceResult FindSplice(const float* x, uint64_t n, uint64_t p, const StretchSizes& s) {
    const uint64_t w = s.window;
    if (p + 2 * w > n) return {};
    Attempt first = Search(x, p, false, s);
    if (first.accepted) return Result(first);
    uint64_t second = first.splice + w;
    if (second + 2 * w > n) return {};
    Attempt last = Search(x, second, false, s);
    if (last.accepted) return Result(last);
    if (first.match == kNone && last.match == kNone) {
        uint64_t third = last.splice + w;
        if (third + 2 * w > n) return {};
        last = Search(x, third, true, s);
        if (last.accepted) return Result(last);
    }
    return Result(first.error < last.error ? first : last);
}

uint64_t StretchCapacity(uint64_t n, double ratio) {
    if (ratio <= 100.0) return n;
    return std::max<uint64_t>(uint64_t(ratio * 1.2 / 100.0 * double(n)), n);
}

bool StretchChannels(const float* const* sources, int channels, bool linked, uint64_t n,
                     double ratio, const StretchSizes& sizes, float* const* outputs,
                     uint64_t capacity, uint64_t* lengths) {
    const uint32_t w = sizes.window;
    const bool shrinking = ratio <= 100.0;
    const double d = std::fabs(100.0 - ratio);
    const double factor = (d * d * 0.005 + d) / 100.0;
    std::vector<double> ramp(w);
    for (uint32_t i = 0; i < w; ++i) ramp[i] = double(i) / double(w);

    // Linked: one pass over all channels; else one pass per channel.
    const int passes = linked ? 1 : channels;
    for (int pass = 0; pass < passes; ++pass) {
        const int c0 = linked ? 0 : pass, c1 = linked ? channels : pass + 1;
        SetProgressPercent(10);
        uint64_t p = 3ull * w + 10;
        const double startRemaining = double(n) * factor + 1.0;
        int64_t remaining = int64_t(startRemaining);
        double average = double(w) / 3.0;
        // The first splice comes one interval after the start.
        p += std::max<uint64_t>(uint64_t(double(n - std::min(n, p)) * average / startRemaining),
                                4ull * w);
        uint64_t copied = 0, written = 0;
        int marks = 0;
        while (remaining > 0) {
            SpliceResult best{};
            for (int c = c0; c < c1; ++c) {
                SpliceResult r = FindSplice(sources[c], n, p, sizes);
                // The later channel wins when its error is smaller; no splice
                // (error 0) never wins over a splice.
                bool better =
                    c == c0 || (r.error != 0.0 && (best.error == 0.0 || r.error < best.error));
                if (better) best = r;
            }
            if (best.error == 0.0) break;
            const uint64_t P = best.splice, M = best.match;
            if (shrinking) {
                for (int c = c0; c < c1; ++c) {
                    const float* x = sources[c];
                    float* out = outputs[c] + written;
                    std::memcpy(out, x + copied, size_t(M - copied) * sizeof(float));
                    out += M - copied;
                    for (uint32_t i = 0; i < w; ++i)
                        out[i] = float(x[P + i] * ramp[i] + x[M + i] * ramp[w - 1 - i]);
                }
                written += (M - copied) + w;
            } else {
                // The splice and the rest of the area must still fit.
                uint64_t after = written + (P - copied) + w + (P - M) + (n - (P + w));
                if (after > capacity) break;
                for (int c = c0; c < c1; ++c) {
                    const float* x = sources[c];
                    float* out = outputs[c] + written;
                    std::memcpy(out, x + copied, size_t(P - copied) * sizeof(float));
                    out += P - copied;
                    for (uint32_t i = 0; i < w; ++i)
                        out[i] = float(x[M + i] * ramp[i] + x[P + i] * ramp[w - 1 - i]);
                    out += w;
                    std::memcpy(out, x + M + w, size_t(P - M) * sizeof(float));
                }
                written += (P - copied) + w + (P - M);
            }
            copied = P + w;
            if (AbortRequested()) return false;
            remaining = int64_t(double(n - P) * factor);
            while (marks < 3 && double(remaining) < startRemaining * (3 - marks) / 4.0)
                SetProgressPercent(30 + 20 * marks++);
            if (remaining > 0) {
                average = (double(P - M) + average) / 2.0;
                double interval = average * double(n - P) / double(remaining);
                p = P + std::max<uint64_t>(uint64_t(interval), 4ull * w);
            }
        }
        for (int c = c0; c < c1; ++c) {
            std::memcpy(outputs[c] + written, sources[c] + copied,
                        size_t(n - copied) * sizeof(float));
            lengths[c] = written + (n - copied);
        }
        SetProgressPercent(75);
    }
    return true;
}

namespace {

// What the two operations share: checks, work area, engine, new arrays.
struct StretchRun {
    WaveRecord& record;
    double ratio;
    bool extendedBass;
    bool stereoLock;
    bool pitch;
};

// New sample arrays of `frames`, asking to try again when memory runs out.
bool NewArrays(WaveRecord& record, uint64_t frames, float*& left, float*& right) {
    for (;;) {
        left = NewChannelBlock(frames, false);
        right = left && record.rightSamples ? NewChannelBlock(frames, false) : nullptr;
        if (left && (right || !record.rightSamples)) return true;
        ReleaseChannelBlock(left, frames);
        left = right = nullptr;
        if (UI().Ask(record.window, TitleOf(record), kTextNoMemoryForWave, kButtonsYesNo,
                     kAnswerNo) != kAnswerYes)
            return false;
    }
}

int RunStretch(const StretchRun& run) {
    WaveRecord& record = run.record;
    const StretchSizes sizes = StretchSizesAt(record.sampleRate, run.extendedBass);
    FrameRange area = AffectRange(record);
    if (uint64_t(area.start) + area.length > record.frameCount ||
        area.length < 8ull * sizes.window) {
        ReportMessage(record, kTextTooSmall);
        return kEditRefused;
    }
    const int channels = record.rightSamples ? 2 : 1;
    const uint64_t n = area.length;
    const uint64_t capacity = StretchCapacity(n, run.ratio);
    float* outputs[2] = {};
    for (int c = 0; c < channels; ++c) outputs[c] = NewChannelBlock(capacity, false);
    auto releaseOutputs = [&] {
        for (float* o : outputs) ReleaseChannelBlock(o, capacity);
    };
    if (!outputs[0] || (channels == 2 && !outputs[1])) {
        releaseOutputs();
        ReportMessage(record, kTextNoMemory);
        return kEditNoMemory;
    }

    EditToken token =
        BeginEdit(&record, run.pitch ? kOpPitchShift : kOpTimeStretch, kBackupWholeAllChannels);
    SetProgressPercent(5);
    const float* sources[2] = {record.leftSamples + area.start,
                               record.rightSamples ? record.rightSamples + area.start : nullptr};
    uint64_t lengths[2] = {0, 0};
    const bool linked = run.stereoLock && channels == 2;
    if (!StretchChannels(sources, channels, linked, n, run.ratio, sizes, outputs, capacity,
                         lengths)) {
        releaseOutputs();
        EndEdit(token);
        return kEditAborted;
    }
    const uint64_t common = channels == 2 ? std::min(lengths[0], lengths[1]) : lengths[0];
    uint64_t newLength = common;
    if (run.pitch) newLength = uint64_t(double(common) / (run.ratio / 100.0));
    const uint64_t tail = record.frameCount - (uint64_t(area.start) + n);
    const uint64_t total = area.start + newLength + tail;
    float* left = nullptr;
    float* right = nullptr;
    if (newLength == 0 || !NewArrays(record, total, left, right)) {
        releaseOutputs();
        EndEdit(token);
        return kEditNoMemory;
    }
    SetProgressPercent(80);
    float* arrays[2] = {left, right};
    for (int c = 0; c < channels; ++c) {
        const float* from = c == 0 ? record.leftSamples : record.rightSamples;
        std::memcpy(arrays[c], from, size_t(area.start) * sizeof(float));
    }
    SetProgressPercent(85);
    for (int c = 0; c < channels; ++c) {
        const float* from = c == 0 ? record.leftSamples : record.rightSamples;
        std::memcpy(arrays[c] + area.start + newLength, from + area.start + n,
                    size_t(tail) * sizeof(float));
    }
    SetProgressPercent(90);
    if (run.pitch) {
        const uint32_t rate = record.sampleRate;
        const uint32_t target = uint32_t(double(rate) / (run.ratio / 100.0));
        for (int c = 0; c < channels; ++c) {
            ResampleLinear(outputs[c], uint32_t(common), arrays[c] + area.start,
                           uint32_t(newLength), TransposePeriod(rate), TransposePeriod(target));
            SetProgressPercent(95);
        }
    } else {
        for (int c = 0; c < channels; ++c) {
            float* at = arrays[c] + area.start;
            std::memcpy(at, outputs[c], size_t(common) * sizeof(float));
            // A longer channel's extra samples fade into its following ones.
            uint64_t extra = lengths[c] - common;
            uint64_t k = std::min<uint64_t>({extra, tail, 32767});
            float* following = at + common;
            const float* more = outputs[c] + common;
            for (uint64_t i = 0; i < k; ++i)
                following[i] =
                    float((double(k - i) * more[i] + double(i) * following[i]) / double(k));
        }
        SetProgressPercent(95);
    }
    releaseOutputs();
    ReplaceChannels(record, left, right, uint32_t(total));
    AfterLengthChange(record);
    EndEdit(token);
    return kEditDone;
}

}  // namespace

const char* TimeStretchRefusal(double percent) {
    return percent >= 75.0 && percent <= 125.0 && percent != 100.0 ? nullptr : kTextParameter;
}

const char* PitchShiftRefusal(double cents) {
    return cents >= -400.0 && cents <= 400.0 && cents != 0.0 ? nullptr : kTextParameter;
}

int TimeStretch(WaveRecord& record, const TimeStretchParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    const double ratio = params.percent;
    if (const char* refusal = TimeStretchRefusal(ratio)) {
        if (!params.quiet) ReportMessage(record, refusal);
        return kEditRefused;
    }
    return RunStretch({record, ratio, params.extendedBass, params.stereoLock, false});
}

int PitchShift(WaveRecord& record, const PitchShiftParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    const double cents = params.cents;
    if (const char* refusal = PitchShiftRefusal(cents)) {
        if (!params.quiet) ReportMessage(record, refusal);
        return kEditRefused;
    }
    double ratio = 100.0 * std::pow(2.0, cents / 1200.0);
    return RunStretch({record, ratio, params.extendedBass, params.stereoLock, true});
}

std::string TimeStretchMacroLine(int editor, const TimeStretchParams& params) {
    char line[96];
    std::snprintf(line, sizeof line, "obTimeStretch %d, %.1f, %d, %d\n", editor, params.percent,
                  params.extendedBass ? 1 : 0, params.stereoLock ? 1 : 0);
    return line;
}

std::string PitchShiftMacroLine(int editor, const PitchShiftParams& params) {
    char line[96];
    std::snprintf(line, sizeof line, "obPitchShift %d, %.1f, %d, %d\n", editor, params.cents,
                  params.extendedBass ? 1 : 0, params.stereoLock ? 1 : 0);
    return line;
}

}  // namespace ob
