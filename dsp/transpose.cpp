// Sample-rate transpose.
#include "dsp/transpose.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/filter_sections.h"
#include "dsp/frame.h"
#include "dsp/insert.h"
#include "dsp/operation.h"
#include "dsp/preset_file.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {

constexpr const char* kTextRateRefused = "Sample rate cannot be zero,\nnegative or unchanged";
constexpr const char* kTextRateRange = "Sample rate must be 100 to 200000 Hz";
constexpr const char* kTextNoFrames = "Transposed area would hold no samples";
constexpr const char* kTextCentsRange = "Pitch shift must be -9600 to 9600 cents";
constexpr int32_t kMaxCents = 9600;

TransposeSettings BuiltIn(int32_t value, int32_t method, int32_t units, uint32_t options,
                          const char* name) {
    TransposeSettings s;
    s.value = value;
    s.method = method;
    s.units = units;
    s.options = options;
    std::memset(s.name, 0, sizeof s.name);
    std::snprintf(s.name, sizeof s.name, "%s", name);
    return s;
}

const TransposeSettings kBuiltIns[kTransposeBuiltInCount] = {
    BuiltIn(44100, 1, 0, 1, "Bring up to CD"),
    BuiltIn(48000, 1, 0, 1, "Bring up to DAT"),
    BuiltIn(22050, 0, 0, 3, "Bring down to multimedia"),
    BuiltIn(11025, 0, 0, 3, "Bring down to voice-grade"),
    BuiltIn(31250, 0, 1, 1, "Bring up to MIDI SDS 31250 nSec (32 kHz)"),
    BuiltIn(50, 3, 0, 1, "Quick pitch one half step sharp"),
    BuiltIn(-25, 3, 0, 1, "Quick pitch one quarter step flat"),
    BuiltIn(10, 3, 0, 1, "Quick pitch ten cents sharp"),
};

void Put32(uint8_t* at, uint32_t v) {
    std::memcpy(at, &v, 4);
}
uint32_t Get32(const uint8_t* at) {
    uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
}

bool RateInRange(int64_t rate) {
    return rate >= kTransposeMinRate && rate <= kTransposeMaxRate;
}

// The windowed sinc table.
struct Kernel {
    double h[kKernelPoints];
    Kernel() {
        for (int n = 0; n < kKernelPoints; ++n) {
            if (n % 32 == 0) {
                h[n] = n == 0 ? 1.0 : 0.0;
                continue;
            }
            double t = M_PI * n / 32.0;
            h[n] = std::sin(t) / t * (0.54 + 0.46 * std::cos(M_PI * n / 192.0));
        }
    }
};

// One kernel sum at sample i and phase ph (0..32), terms outside x[0..n) left
// out: the sample, the six following, the five preceding.
inline double KernelSum(const float* x, int64_t n, int64_t i, uint32_t ph, const double* h) {
    if (i >= 5 && i + 6 < n) {
        const float* c = x + i;
        double s = c[0] * h[ph];
        s += c[1] * h[32 - ph];
        s += c[2] * h[64 - ph];
        s += c[3] * h[96 - ph];
        s += c[4] * h[128 - ph];
        s += c[5] * h[160 - ph];
        s += c[6] * h[192 - ph];
        s += c[-1] * h[32 + ph];
        s += c[-2] * h[64 + ph];
        s += c[-3] * h[96 + ph];
        s += c[-4] * h[128 + ph];
        s += c[-5] * h[160 + ph];
        return s;
    }
    double s = 0.0;
    if (i >= 0 && i < n) s = x[i] * h[ph];
    for (int k = 1; k <= 6; ++k)
        if (i + k >= 0 && i + k < n) s += x[i + k] * h[32 * k - ph];
    for (int k = 1; k <= 5; ++k)
        if (i - k >= 0 && i - k < n) s += x[i - k] * h[32 * k + ph];
    return s;
}

// The kernel sums at phases ph and ph + 1 (ph < 31) of one interior sample
// (5 <= i, i + 6 < n) in one pass over the twelve samples: each sum adds its
// terms in the order KernelSum does, so both equal KernelSum bit for bit.
inline void KernelPair(const float* c, uint32_t ph, const double* h, double& first,
                       double& second) {
    const double x0 = c[0], x1 = c[1], x2 = c[2], x3 = c[3], x4 = c[4], x5 = c[5], x6 = c[6];
    const double p1 = c[-1], p2 = c[-2], p3 = c[-3], p4 = c[-4], p5 = c[-5];
    const double* a = h + ph;       // h[32k + ph]
    const double* b = h + 32 - ph;  // h[32k - ph], k >= 1
    double s = x0 * a[0], t = x0 * a[1];
    s += x1 * b[0], t += x1 * b[-1];
    s += x2 * b[32], t += x2 * b[31];
    s += x3 * b[64], t += x3 * b[63];
    s += x4 * b[96], t += x4 * b[95];
    s += x5 * b[128], t += x5 * b[127];
    s += x6 * b[160], t += x6 * b[159];
    s += p1 * a[32], t += p1 * a[33];
    s += p2 * a[64], t += p2 * a[65];
    s += p3 * a[96], t += p3 * a[97];
    s += p4 * a[128], t += p4 * a[129];
    s += p5 * a[160], t += p5 * a[161];
    first = s;
    second = t;
}

}  // namespace

const TransposeSettings& TransposeBuiltIn(int index) {
    return kBuiltIns[index >= 0 && index < kTransposeBuiltInCount ? index : 0];
}

void TransposeToRecord(const TransposeSettings& s, uint8_t record[kTransposeRecordSize]) {
    std::memset(record, 0, kTransposeRecordSize);
    Put32(record + 0, uint32_t(s.value));
    Put32(record + 4, uint32_t(s.method));
    Put32(record + 8, uint32_t(s.units));
    Put32(record + 12, s.options);
    StoreFieldText(record + 16, kPresetNameBytes, FieldText(s.name, sizeof s.name));
}

const uint8_t* TransposeBuiltInRecords() {
    static const struct Records {
        uint8_t bytes[kTransposeBuiltInCount][kTransposeRecordSize];
        Records() {
            for (int i = 0; i < kTransposeBuiltInCount; ++i)
                TransposeToRecord(kBuiltIns[i], bytes[i]);
        }
    } records;
    return &records.bytes[0][0];
}

void SwapTransposeRecord(void* record) {
    SwapWords32(record, 0, 4);
}

bool TransposeFromRecord(const uint8_t* record, bool swapped, TransposeSettings& settings) {
    uint8_t copy[kTransposeRecordSize];
    std::memcpy(copy, record, sizeof copy);
    if (swapped) SwapTransposeRecord(copy);
    TransposeSettings s;
    s.value = int32_t(Get32(copy + 0));
    s.method = int32_t(Get32(copy + 4));
    s.units = int32_t(Get32(copy + 8));
    s.options = Get32(copy + 12);
    if (s.method < kTransposeLinear || s.method > kTransposeQuickPitch) return false;
    if (s.units != kTransposeHertz && s.units != kTransposePeriod) return false;
    if (s.options & ~uint32_t(kTransposeAdjust | kTransposePreFilter)) return false;
    if (s.method == kTransposeQuickPitch) {
        if (s.value < -kMaxCents || s.value > kMaxCents) return false;
    } else {
        int64_t rate = s.units == kTransposePeriod && s.value > 0
                           ? int64_t(TransposePeriod(uint32_t(s.value)))
                           : int64_t(s.value);
        if (!RateInRange(rate)) return false;
    }
    std::string name = FieldText(copy + 16, kPresetNameBytes);
    std::memset(s.name, 0, sizeof s.name);
    std::memcpy(s.name, name.data(), std::min(name.size(), sizeof s.name - 1));
    s.quiet = settings.quiet;
    settings = s;
    return true;
}

int64_t TransposeTargetRate(uint32_t currentRate, const TransposeSettings& s) {
    if (s.method == kTransposeQuickPitch) {
        double rate = double(currentRate) / std::pow(2.0, double(s.value) / 1200.0) + 0.5;
        return rate >= 4e9 ? int64_t(4e9) : int64_t(rate);
    }
    if (s.units == kTransposePeriod && s.value != 0)
        return s.value > 0 ? int64_t(TransposePeriod(uint32_t(s.value))) : 0;
    return s.value;
}

uint32_t TransposePeriod(uint32_t rate) {
    return rate ? 1000000000u / rate : 22050u;
}

uint64_t TransposedLength(uint64_t length, uint32_t r, uint32_t q) {
    if (r == 0) return 0;
    double n = double(q) / double(r) * double(length);
    if (!(n >= 0.0)) return 0;
    return n >= 1.8e19 ? ~uint64_t(0) : uint64_t(n);
}

uint32_t MapPosition(uint32_t x, uint32_t s, uint32_t length, uint32_t r, uint32_t q) {
    if (x <= s || r == 0) return x;
    uint64_t end = uint64_t(s) + length;
    if (x >= end) {
        int64_t moved = int64_t(x) + int64_t(TransposedLength(length, r, q)) - int64_t(length);
        return uint32_t(std::clamp<int64_t>(moved, 0, 0xFFFFFFFFll));
    }
    double f = double(q) / double(r);
    double inside = double(x - s) * f + 0.5;
    return uint32_t(std::min<double>(double(s) + std::floor(inside), 4294967295.0));
}

const double* TransposeKernel() {
    static const Kernel kernel;
    return kernel.h;
}

namespace {

// Where output frame j of a resampling from period P to period p sits in the
// input: j x p = i x P + a (0 <= a < P), stepped one output frame at a time.
struct OutputPosition {
    OutputPosition(uint64_t first, uint32_t P, uint32_t p)
        : i(first * p / P), a(uint32_t(first * p % P)), P_(P), whole_(p / P), part_(p % P) {}
    void Next() {
        a += part_;
        i += whole_;
        if (a >= P_) {
            a -= P_;
            ++i;
        }
    }
    uint64_t i;
    uint32_t a;

  private:
    uint32_t P_, whole_, part_;
};

}  // namespace

void ResampleLinear(const float* x, uint32_t n, float* y, uint32_t m, uint32_t P, uint32_t p,
                    uint64_t first) {
    if (m == 0 || n == 0 || P == 0) return;
    const double period = double(P);
    const float last = x[n - 1];
    OutputPosition at(first, P, p);
    for (uint32_t j = 0; j < m; ++j, at.Next()) {
        const uint64_t i = at.i;
        const uint32_t a = at.a;
        if (i + 1 < n) {
            double x0 = x[i];
            y[j] = float(x0 + (double(x[i + 1]) - x0) * double(a) / period);
        } else {
            y[j] = last;
        }
    }
    if (first == 0) y[0] = x[0];
}

void ResampleSinc(const float* x, uint32_t n, float* y, uint32_t m, uint32_t P, uint32_t p,
                  uint64_t first) {
    if (m == 0 || n == 0 || P < 32) return;
    const double* h = TransposeKernel();
    const uint32_t q = P >> 5;
    const double dq = double(q);
    OutputPosition pos(first, P, p);
    for (uint32_t j = 0; j < m; ++j, pos.Next()) {
        const uint32_t a = pos.a;
        uint32_t ph = a / q, r = a % q;
        int64_t at = int64_t(std::min<uint64_t>(pos.i, uint64_t(n) + 8));
        double c, d;
        if (ph < 31 && at >= 5 && at + 6 < int64_t(n)) {
            KernelPair(x + at, ph, h, c, d);
        } else {
            c = KernelSum(x, n, at, ph, h);
            d = ph >= 31 ? KernelSum(x, n, at + 1, 0, h) : KernelSum(x, n, at, ph + 1, h);
        }
        y[j] = float(c + (d - c) * double(r) / dq);
    }
}

int TransposeRate(WaveRecord& record, int64_t newRate, int method, uint32_t options) {
    if (!WaveHasData(&record)) return kEditNothing;
    const uint32_t R = record.sampleRate;
    if (newRate == 0 || newRate == int64_t(R)) return kEditNothing;
    if (method < kTransposeLinear || method > kTransposeQuickPitch || R == 0) return kEditRefused;
    if (method != kTransposeQuickPitch && !RateInRange(newRate)) return kEditRefused;
    if (newRate < 1 || newRate > 1000000000) return kEditRefused;
    const uint32_t Q = uint32_t(newRate);

    if (method == kTransposeRateOnly) {
        SetSampleRate(record, Q);
        record.stateFlags |= kStateChanged;
        NotifyChange(&record, kChangeLength | kChangeUndo);
        return kEditDone;
    }

    uint32_t s = 0, L = record.frameCount;
    if (method == kTransposeQuickPitch) {
        FrameRange area = AffectRange(record);
        s = area.start;
        L = area.length;
        if (L == 0 || uint64_t(s) + L > record.frameCount) {
            ReportNoAffectArea(record);
            return kEditRefused;
        }
    }
    const uint64_t N = TransposedLength(L, R, Q);
    if (N == 0) {
        ReportMessage(record, kTextNoFrames);
        return kEditRefused;
    }
    const uint64_t T = uint64_t(record.frameCount) - L + N;
    const uint32_t tail = record.frameCount - s - L;
    const bool preFilter = (options & kTransposePreFilter) && Q < R;

    float* left = NewChannelBlock(T, false);
    float* right = left && record.rightSamples ? NewChannelBlock(T, false) : nullptr;
    float* scratch = left && preFilter ? NewChannelBlock(L, false) : nullptr;
    if (!left || (record.rightSamples && !right) || (preFilter && !scratch)) {
        ReleaseChannelBlock(left, T);
        ReleaseChannelBlock(right, T);
        ReleaseChannelBlock(scratch, L);
        ReportMessage(record, kTextNoMemory);
        return kEditNoMemory;
    }

    EditToken token = BeginEdit(&record, kOpSampleRateTranspose, kBackupWholeAllChannels);
    const uint32_t P = TransposePeriod(R), p = TransposePeriod(Q);
    FilterSection sections[3];
    if (preFilter) OrderFiveSections(NormalisedFrequency(Q / 2.0, R), true, sections);
    bool aborted = false;
    for (int c = 0; c < 2 && !aborted; ++c) {
        const float* from = c == 0 ? record.leftSamples : record.rightSamples;
        float* to = c == 0 ? left : right;
        if (!from) continue;
        if (record.rightSamples) ShowEditStatus(c == 0 ? kStatusLeft : kStatusRight);
        ResetProgress();
        ProgressCounter progress{N / 20 + (preFilter ? uint64_t(L) * 3 / 20 : 0)};
        const float* area = from + s;
        if (preFilter) {
            // On a copy: the wave itself is never filtered in place.
            std::memcpy(scratch, area, size_t(L) * sizeof(float));
            for (const FilterSection& section : sections) {
                SectionState state = PrimeSection(section, area, s);
                aborted = !ForEachBlock(scratch, L, progress, [&](float* x, uint32_t n) {
                    RunSectionBlock(section, state, x, n);
                });
                if (aborted) break;
            }
            area = scratch;
        }
        if (aborted) break;
        std::memcpy(to, from, size_t(s) * sizeof(float));
        std::memcpy(to + s + N, from + s + L, size_t(tail) * sizeof(float));
        // Output in blocks, polling the abort flag between them.
        float* out = to + s;
        for (uint64_t done = 0; done < N && !aborted;) {
            uint32_t count = uint32_t(std::min<uint64_t>(uint64_t(kAbortBlock) * 16, N - done));
            if (method == kTransposeResample)
                ResampleSinc(area, L, out + done, count, P, p, done);
            else
                ResampleLinear(area, L, out + done, count, P, p, done);
            done += count;
            progress.Advance(count);
            aborted = AbortRequested();
        }
    }
    ReleaseChannelBlock(scratch, L);
    if (aborted) {
        ReleaseChannelBlock(left, T);
        ReleaseChannelBlock(right, T);
        EndEdit(token);
        return kEditAborted;
    }

    const uint32_t viewEnd =
        uint32_t(std::min<uint64_t>(uint64_t(record.viewStart) + record.viewSpan, 0xFFFFFFFFull));
    ReplaceChannels(record, left, right, uint32_t(T));
    uint32_t first = MapPosition(record.viewStart, s, L, R, Q);
    uint32_t end = MapPosition(viewEnd, s, L, R, Q);
    record.viewStart = first;
    record.viewSpan = end > first ? end - first : 0;
    if (options & kTransposeAdjust) {
        for (MarkerNode* m = record.markers; m; m = m->next)
            m->position = MapPosition(m->position, s, L, R, Q);
        for (LoopNode* l = record.loops; l; l = l->next) {
            l->start = MapPosition(l->start, s, L, R, Q);
            l->end = MapPosition(l->end, s, L, R, Q);
        }
    }
    if (method != kTransposeQuickPitch) SetSampleRate(record, Q);
    if (gProcessing.autoZoomOut) {
        record.viewStart = 0;
        record.viewSpan = record.frameCount;
    } else {
        if (record.viewSpan > record.frameCount) {
            record.viewSpan = record.frameCount;
            record.viewStart = 0;
        }
        if (uint64_t(record.viewStart) + record.viewSpan > record.frameCount)
            record.viewStart = record.frameCount - record.viewSpan;
    }
    UpdateOverview(record, 0, 0, 3);
    NotifyChange(&record, kChangeLength | kChangeView | kChangeLoopsMarkers);
    EndEdit(token);
    return kEditDone;
}

const char* TransposeRefusal(uint32_t currentRate, const TransposeSettings& settings) {
    if (settings.method == kTransposeQuickPitch &&
        (settings.value < -kMaxCents || settings.value > kMaxCents))
        return kTextCentsRange;
    int64_t q = TransposeTargetRate(currentRate, settings);
    if (q <= 0 || q == int64_t(currentRate)) return kTextRateRefused;
    bool inRange = settings.method == kTransposeQuickPitch ? q <= 1000000000 : RateInRange(q);
    return inRange ? nullptr : kTextRateRange;
}

int SampleRateTranspose(WaveRecord& record, const TransposeSettings& settings) {
    if (!WaveHasData(&record)) return kEditNothing;
    if (const char* refusal = TransposeRefusal(record.sampleRate, settings)) {
        if (!settings.quiet) ReportMessage(record, refusal);
        return kEditRefused;
    }
    int64_t q = TransposeTargetRate(record.sampleRate, settings);
    return TransposeRate(record, q, settings.method, settings.options);
}

std::string TransposeMacroLine(int editor, const TransposeSettings& settings) {
    static const char* const kNames[3] = {"OB_SRT_LINEAR", "OB_SRT_RESAMPLE", "OB_SRT_RATE"};
    if (settings.method < kTransposeLinear || settings.method > kTransposeRateOnly) return "";
    long long rate = TransposeTargetRate(0, settings);
    char line[128];
    std::snprintf(line, sizeof line, "obSampleRateTranspose %d, %lld, %s, %d, %d\n", editor, rate,
                  kNames[settings.method], (settings.options & kTransposePreFilter) ? 1 : 0,
                  (settings.options & kTransposeAdjust) ? 1 : 0);
    return line;
}

}  // namespace ob
