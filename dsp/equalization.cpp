// Equalization: designs, the fused section run, the five operations, their
// recorder lines and presets.
//
// Departures from the plain rules, each for a sound result:
// - The Vari-Time Filter's undo code is 53, the "Time Variant Filter" step of
//   the Undo History (59 lies past the name table and would show
//   "Unspecified"); its frequencies are at least 5 Hz (an end of 0 would make
//   the glide ratio 0) and an empty area does nothing (no block count of 0).
// - A progress interval of 0 (short areas) means no steps.
// - A design whose arithmetic breaks down (a peak width past the Nyquist
//   limit makes the bandwidth transform leave its domain) leaves the signal
//   unchanged instead of filling it with NaN.
#include "dsp/equalization.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "dsp/operation.h"
#include "wave/undo.h"

namespace ob {

namespace {

double ClampDb(double db) {
    return std::clamp(db, -20.0, 20.0);
}
int32_t AtLeast5(int32_t hz) {
    return hz < 5 ? 5 : hz;
}
bool ValidOrder(int32_t order) {
    return order == 1 || order == 2 || order == 5;
}

bool Finite(const FilterSection& s) {
    return std::isfinite(s.b0) && std::isfinite(s.b1) && std::isfinite(s.b2) &&
           std::isfinite(s.a1) && std::isfinite(s.a2);
}

// g of the shelving and peaking designs.
double SmallGain(double G, double dB) {
    if (dB > -6 && dB < 6) return std::sqrt(G);
    return G > 1 ? G / M_SQRT2 : M_SQRT2 * G;
}

FilterSection Identity() {
    FilterSection s;
    s.secondOrder = true;
    return s;
}

// One filtered pass of the fused sections with the state in locals, from src
// into dst (the same place for a run in place).
template <int N>
void RunFused(const FilterSection* s, SectionState* st, const float* src, float* dst, uint32_t n) {
    double b0[N], b1[N], b2[N], a1[N], a2[N], x1[N], x2[N], y1[N], y2[N];
    for (int k = 0; k < N; ++k) {
        b0[k] = s[k].b0;
        b1[k] = s[k].b1;
        b2[k] = s[k].b2;
        a1[k] = s[k].a1;
        a2[k] = s[k].a2;
        x1[k] = st[k].x1;
        x2[k] = st[k].x2;
        y1[k] = st[k].y1;
        y2[k] = st[k].y2;
    }
    for (uint32_t i = 0; i < n; ++i) {
        double in = src[i];
        for (int k = 0; k < N; ++k) {
            double y;
            if constexpr (N == 1) {
                // One section: the feedback y1 -> y is the longest chain;
                // it gets one multiply and one subtraction.
                double p = b0[k] * in + b1[k] * x1[k] + b2[k] * x2[k] - a2[k] * y2[k];
                y = p - a1[k] * y1[k];
            } else {
                // A cascade: the chain through the sections is the longest;
                // the state terms come first, so a sample passes each section
                // with one multiply and one add.
                double p = b1[k] * x1[k] + b2[k] * x2[k] - a2[k] * y2[k] - a1[k] * y1[k];
                y = p + b0[k] * in;
            }
            x2[k] = x1[k];
            x1[k] = in;
            y2[k] = y1[k];
            y1[k] = y;
            in = y;
        }
        dst[i] = float(in);
    }
    for (int k = 0; k < N; ++k) st[k] = {x1[k], x2[k], y1[k], y2[k]};
}

// Runs the sections over one channel's area in abort blocks, reading src and
// writing dst (the same place in place); the progress bar moves 20 times over
// all `passes` of the channel (the fused sections make every pass at once, so
// the counter moves by `passes` per sample). After an abort the rest of dst
// is the original (copied from src).
bool FilterArea(const EqSections& sections, float* dst, const float* src, uint32_t length,
                uint32_t start, int passes) {
    SectionState states[kMaxEqSections];
    // Each section is primed from the unfiltered samples before the area.
    for (int k = 0; k < sections.count; ++k) states[k] = PrimeSection(sections.s[k], src, start);
    ProgressCounter progress{uint64_t(length / 20) * uint64_t(passes)};
    for (uint32_t done = 0; done < length;) {
        uint32_t n = std::min(kAbortBlock, length - done);
        RunEqSectionsFrom(sections, states, src + done, dst + done, n);
        done += n;
        progress.Advance(uint64_t(n) * uint64_t(passes));
        if (AbortRequested()) {
            CopyArea(dst + done, src + done, length - done);
            return false;
        }
    }
    return true;
}

// The common body of the four fixed-section functions. Out of place where
// the backup can take the original buffers (the whole wave): the filter reads
// them and writes the new ones, so no copy of the sound is made first.
int RunSections(WaveRecord& record, uint32_t undo, const EqSections& sections, int passes) {
    if (!WaveHasData(&record) || sections.count == 0) return kEditNothing;
    if (AffectRange(record).length == 0) return kEditNothing;
    AreaEdit edit;
    if (!BeginAreaEdit(record, undo, kBackupRange, edit, true)) return kEditNothing;
    const uint32_t start = edit.area.start;
    return WalkAreaEditFrom(edit, [&](float* dst, const float* src, uint32_t length, bool) {
        return FilterArea(sections, dst, src, length, start, passes);
    });
}

void AppendLine(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendLine(std::string& out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
}

}  // namespace

// ---- Clamps ----

bool ClampBassTreble(BassTrebleParams& p) {
    if (!std::isfinite(p.bassDb) || !std::isfinite(p.trebleDb)) return false;
    p.use &= kUseBass | kUseTreble;
    p.bassDb = ClampDb(p.bassDb);
    p.trebleDb = ClampDb(p.trebleDb);
    p.bassHz = AtLeast5(p.bassHz);
    p.trebleHz = AtLeast5(p.trebleHz);
    return true;
}

bool ClampFilters(FiltersParams& p) {
    p.use &= kUseHighPass | kUseLowPass;
    if ((p.use & kUseHighPass) && !ValidOrder(p.highOrder)) return false;
    if ((p.use & kUseLowPass) && !ValidOrder(p.lowOrder)) return false;
    p.highHz = AtLeast5(p.highHz);
    p.lowHz = AtLeast5(p.lowHz);
    return true;
}

bool ClampGraFreq(GraFreqParams& p) {
    for (int i = 0; i < kGraFreqBands; ++i) {
        if (!std::isfinite(p.db[i])) return false;
        p.db[i] = ClampDb(p.db[i]);
        p.hz[i] = AtLeast5(p.hz[i]);
    }
    return true;
}

bool ClampParametric(ParametricParams& p) {
    p.use &= kUseBandA | kUseBandB;
    for (ParametricBand* b : {&p.a, &p.b}) {
        if (!std::isfinite(b->db) || !std::isfinite(b->octaves)) return false;
        b->db = ClampDb(b->db);
        b->octaves = std::clamp(b->octaves, 0.1, 3.0);
        b->hz = AtLeast5(b->hz);
    }
    return true;
}

bool ClampVariTime(VariTimeParams& p) {
    p.kind = p.kind == kVariTimeHighPass ? kVariTimeHighPass : kVariTimeLowPass;
    p.startHz = AtLeast5(p.startHz);
    p.endHz = AtLeast5(p.endHz);
    return true;
}

// ---- Designs ----

FilterSection ShelfSection(double f, double dB, bool bass) {
    const double s = bass ? 1.0 : -1.0;
    const double T = std::tan(M_PI * (f - 0.25));
    const double G = std::pow(10.0, dB / 20.0);
    const double g = SmallGain(G, dB);
    const double D = G * G - g * g;
    const double r = std::fabs(D) <= 5.4e-20 ? 1.0 : std::pow((g * g - 1) / D, 0.25);
    const double q = std::sqrt(G) * r;
    const double c = 1.4142136;
    const double P0 = q * q + 1 + c * q, P2 = q * q + 1 - c * q, Pm = -2 * s * (1 - q * q);
    const double Q0 = r * r + 1 + c * r, Q2 = r * r + 1 - c * r, Qm = -2 * s * (1 - r * r);
    const double T2 = T * T;
    const double a0 = T2 * Q2 + Q0 + T * Qm;
    FilterSection out;
    out.secondOrder = true;
    out.b0 = (T2 * P2 + P0 + T * Pm) / a0;
    out.b1 = (2 * T * (P0 + P2) + (T2 + 1) * Pm) / a0;
    out.b2 = (T2 * P0 + P2 + T * Pm) / a0;
    out.a1 = (2 * T * (Q0 + Q2) + (T2 + 1) * Qm) / a0;
    out.a2 = (T2 * Q0 + Q2 + T * Qm) / a0;
    return Finite(out) ? out : Identity();
}

FilterSection PeakSection(double f, double dB, double w0) {
    const double T = std::tan(M_PI * (f - 0.25));
    const double G = std::pow(10.0, dB / 20.0);
    const double g = SmallGain(G, dB);
    // The bandwidth transform.
    const double tau = std::tan(2 * M_PI * w0);
    const double T2 = T * T, T4 = T2 * T2;
    const double A = 2 * T2 * tau;
    const double Bq = (T4 + 1) * tau;
    const double Cq = 1 - T4;
    const double R = std::sqrt(Bq * Bq + Cq * Cq);
    const double phi = std::atan2(Bq, Cq);
    const double alpha = std::asin(A / R);
    const double w1 = (M_PI - alpha - phi) / 2;
    const double w2 = (alpha - phi) / 2;
    const double w = (w2 > 0 && w1 > w2) ? w2 : w1;
    const double width = w / (2 * M_PI);
    const double c = 1.0 / std::tan(2 * M_PI * width);
    const double D = G * G - g * g;
    const double k = std::fabs(D) <= 5.4e-20 ? c : std::sqrt((g * g - 1) * c * c / D);
    const double a0 = k * (1 - T2) + (T2 + 1);
    FilterSection out;
    out.secondOrder = true;
    out.b0 = ((1 - T2) * k * G + (T2 + 1)) / a0;
    out.b1 = 4 * T / a0;
    out.b2 = ((T2 + 1) - k * G * (1 - T2)) / a0;
    out.a1 = out.b1;
    out.a2 = ((T2 + 1) - k * (1 - T2)) / a0;
    return Finite(out) ? out : Identity();
}

EqSections BassTrebleSections(const BassTrebleParams& p, uint32_t rate) {
    EqSections out;
    if (p.use & kUseBass)
        out.Add(ShelfSection(NormalisedFrequency(p.bassHz, rate), p.bassDb, true));
    if (p.use & kUseTreble)
        out.Add(ShelfSection(NormalisedFrequency(p.trebleHz, rate), p.trebleDb, false));
    return out;
}

namespace {
void AddPass(EqSections& out, int32_t order, int32_t hz, bool lowPass, uint32_t rate) {
    double f = NormalisedFrequency(hz, rate);
    if (order == 1) {
        out.Add(FirstOrderSection(f, lowPass));
    } else if (order == 2) {
        out.Add(SecondOrderSection(f, lowPass, 1.4142136, 1.0));
    } else if (order == 5) {
        FilterSection five[3];
        OrderFiveSections(f, lowPass, five);
        for (const FilterSection& s : five) out.Add(s);
    }
}
}  // namespace

EqSections FiltersSections(const FiltersParams& p, uint32_t rate) {
    EqSections out;
    if (p.use & kUseHighPass) AddPass(out, p.highOrder, p.highHz, false, rate);
    if (p.use & kUseLowPass) AddPass(out, p.lowOrder, p.lowHz, true, rate);
    return out;
}

EqSections GraFreqSections(const GraFreqParams& p, uint32_t rate) {
    struct Band {
        double db;
        int32_t hz;
    } bands[kGraFreqBands];
    int used = 0;
    const int64_t top = int64_t(0.425 * rate);
    for (int i = 0; i < kGraFreqBands; ++i) {
        double db = p.db[i];
        if (p.hz[i] > top || p.hz[i] < 5) db = 0;
        if (db != 0) bands[used++] = {db, p.hz[i]};
    }
    // The deepest cut first.
    std::stable_sort(bands, bands + used, [](const Band& a, const Band& b) { return a.db < b.db; });
    EqSections out;
    const double edge = std::pow(2.0, 0.75);
    for (int i = 0; i < used; ++i) {
        double f = NormalisedFrequency(bands[i].hz, rate);
        out.Add(PeakSection(f, bands[i].db, f * edge - f / edge));
    }
    return out;
}

EqSections ParametricSections(const ParametricParams& p, uint32_t rate) {
    EqSections out;
    for (int i = 0; i < 2; ++i) {
        if (!(p.use & (i == 0 ? kUseBandA : kUseBandB))) continue;
        const ParametricBand& b = i == 0 ? p.a : p.b;
        double f = NormalisedFrequency(b.hz, rate);
        double half = std::pow(2.0, b.octaves / 2);
        out.Add(PeakSection(f, b.db, f * half - f / half));
    }
    return out;
}

void RunEqSectionsFrom(const EqSections& sections, SectionState* states, const float* src,
                       float* dst, uint32_t n) {
    switch (sections.count) {
        case 1:
            return RunFused<1>(sections.s, states, src, dst, n);
        case 2:
            return RunFused<2>(sections.s, states, src, dst, n);
        case 3:
            return RunFused<3>(sections.s, states, src, dst, n);
        case 4:
            return RunFused<4>(sections.s, states, src, dst, n);
        case 5:
            return RunFused<5>(sections.s, states, src, dst, n);
        case 6:
            return RunFused<6>(sections.s, states, src, dst, n);
        default:
            return;
    }
}

void RunEqSections(const EqSections& sections, SectionState* states, float* x, uint32_t n) {
    RunEqSectionsFrom(sections, states, x, x, n);
}

// ---- Operations ----

int BassTreble(WaveRecord& record, const BassTrebleParams& p) {
    EqSections s = BassTrebleSections(p, record.sampleRate);
    return RunSections(record, kOpEqBassTreble, s, s.count);
}

int HighLowPass(WaveRecord& record, const FiltersParams& p) {
    EqSections s = FiltersSections(p, record.sampleRate);
    return RunSections(record, kOpEqFilters, s, s.count);
}

int GraFreq(WaveRecord& record, const GraFreqParams& p) {
    EqSections s = GraFreqSections(p, record.sampleRate);
    return RunSections(record, kOpEqGraFreq, s, s.count);
}

int Parametric(WaveRecord& record, const ParametricParams& p) {
    EqSections s = ParametricSections(p, record.sampleRate);
    return RunSections(record, kOpEqParametric, s, s.count);
}

bool VariTimeSamples(float* x, uint32_t n, const float* before, uint32_t available, uint32_t rate,
                     const VariTimeParams& p) {
    if (n == 0) return true;
    const bool lowPass = p.kind != kVariTimeHighPass;
    const uint32_t blocks = (n + 999) / 1000;
    const double startHz = std::max(p.startHz, 5), endHz = std::max(p.endHz, 5);
    const double ratio = std::pow(endHz / startHz, 1.0 / blocks);
    double accumulator = startHz;
    double current = startHz;
    EqSections one;
    one.count = 1;
    one.s[0] = SecondOrderSection(NormalisedFrequency(current, rate), lowPass, 1.4142136, 1.0);
    SectionState state = PrimeSection(one.s[0], before, available);
    ProgressCounter progress{n / 20};
    uint32_t sincePoll = 0;
    for (uint32_t done = 0; done < n;) {
        uint32_t len = std::min<uint32_t>(1000, n - done);
        one.s[0] = SecondOrderSection(NormalisedFrequency(current, rate), lowPass, 1.4142136, 1.0);
        RunEqSections(one, &state, x + done, len);
        done += len;
        accumulator *= ratio;
        current = std::trunc(accumulator);
        progress.Advance(len);
        sincePoll += len;
        if (sincePoll >= kAbortBlock) {
            sincePoll = 0;
            if (AbortRequested()) return false;
        }
    }
    return !AbortRequested();
}

int VariTime(WaveRecord& record, const VariTimeParams& params) {
    if (!WaveHasData(&record) || AffectRange(record).length == 0) return kEditNothing;
    VariTimeParams p = params;
    ClampVariTime(p);
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpTimeVariantFilter, kBackupRange, edit)) return kEditNothing;
    const uint32_t start = edit.area.start;
    const uint32_t rate = record.sampleRate;
    return WalkAreaEdit(edit, [&](float* x, uint32_t length, bool) {
        return VariTimeSamples(x, length, x, start, rate, p);
    });
}

// ---- Recorder lines ----

std::string BassTrebleMacroLine(int editor, const BassTrebleParams& p) {
    std::string out;
    if (p.use & kUseBass) AppendLine(out, "obEQBass %d, %d, %.1f\n", editor, p.bassHz, p.bassDb);
    if (p.use & kUseTreble)
        AppendLine(out, "obEQTreble %d, %d, %.1f\n", editor, p.trebleHz, p.trebleDb);
    return out;
}

std::string FiltersMacroLine(int editor, const FiltersParams& p) {
    std::string out;
    if (p.use & kUseLowPass)
        AppendLine(out, "obEQLowPass %d, %d, %d\n", editor, p.lowHz, p.lowOrder);
    if (p.use & kUseHighPass)
        AppendLine(out, "obEQHighPass %d, %d, %d\n", editor, p.highHz, p.highOrder);
    return out;
}

std::string GraFreqMacroLine(int editor, const GraFreqParams& p) {
    std::string out;
    AppendLine(out, "obEQGraFreq %d, %d, %.1f, %d, %.1f, %d, %.1f, %d, %.1f, %d, %.1f\n", editor,
               p.hz[0], p.db[0], p.hz[1], p.db[1], p.hz[2], p.db[2], p.hz[3], p.db[3], p.hz[4],
               p.db[4]);
    return out;
}

std::string ParametricMacroLine(int editor, const ParametricParams& p) {
    std::string out;
    if (p.use & kUseBandA)
        AppendLine(out, "obEQParametric %d, %d, %.1f, %.2f\n", editor, p.a.hz, p.a.db, p.a.octaves);
    if (p.use & kUseBandB)
        AppendLine(out, "obEQParametric %d, %d, %.1f, %.2f\n", editor, p.b.hz, p.b.db, p.b.octaves);
    return out;
}

std::string VariTimeMacroLine(int editor, const VariTimeParams& p) {
    std::string out;
    AppendLine(out, "obEQVT %d, %d, %d, %d\n", editor, p.kind, p.startHz, p.endHz);
    return out;
}

// ---- Presets ----

namespace {

constexpr FieldRange kGain = {-200, 200};
constexpr FieldRange kHz = {0, 32767};
constexpr FieldRange kAny = {INT32_MIN, INT32_MAX};

const FieldRange kBassTrebleRanges[] = {{0, 3}, kGain, kHz, kGain, kHz};
const FieldRange kFiltersRanges[] = {{0, 3}, {1, 5}, kHz, {1, 5}, kHz};
const FieldRange kGraFreqRanges[] = {kGain, kHz, kGain, kHz, kGain, kHz, kGain, kHz, kGain, kHz};
const FieldRange kParametricRanges[] = {{0, 3}, kGain, kHz, {10, 300}, kGain, kHz, {10, 300}};
const FieldRange kVariTimeRanges[] = {{1, 2}, kAny, kHz, kHz, kAny};

const BuiltInPreset kBassTrebleBuiltIns[] = {
    {"Add cymbal sizzle", {2, 0, 100, 40, 8000}},
    {"Add punch and shimmer", {3, 60, 80, 30, 10000}},
    {"Boom that bass", {1, 150, 200, 0, 10000}},
    {"Less shimmer and thump", {3, -30, 60, -30, 10000}},
    {"More bass", {1, 60, 150, 0, 10000}},
    {"Reduce rumble", {1, -50, 100, 0, 10000}},
    {"Soften the high end", {2, 0, 100, -30, 7000}},
};
// An unused side holds order 2 at 100 Hz (high pass) or 5000 Hz (low pass).
const BuiltInPreset kFiltersBuiltIns[] = {
    {"High end roll-off", {2, 2, 100, 2, 5000}},
    {"Hiss softener", {2, 2, 100, 1, 10000}},
    {"Remove sub-sonics", {1, 5, 20, 2, 5000}},
    {"Reduce thump", {1, 2, 80, 2, 5000}},
    {"Soften the entire bass end", {1, 1, 200, 2, 5000}},
    {"Soften the entire treble end", {2, 2, 100, 1, 3000}},
    {"Telephone-ize", {3, 5, 160, 2, 3000}},
    {"Voice-band limit", {3, 2, 100, 2, 3000}},
};
const BuiltInPreset kGraFreqBuiltIns[] = {
    {"Boom and sizzle", {60, 50, 30, 150, 0, 1000, 0, 4000, 40, 15000}},
    {"Bright with bottom, but not tubby", {50, 40, -30, 160, 0, 1000, 10, 3000, 20, 13000}},
    {"De-honk", {20, 60, 0, 160, -50, 1000, 10, 4000, 20, 14000}},
    {"Punchy with bite", {40, 50, -10, 200, 0, 1000, 30, 4000, 10, 12000}},
    {"Spread One", {0, 50, 0, 200, 0, 1000, 0, 4000, 0, 12000}},
    {"Spread Two", {0, 70, 0, 300, 0, 1500, 0, 5000, 0, 15000}},
};
// Band B, when not used, holds 0 dB at 1000 Hz, 1.00 octave.
const BuiltInPreset kParametricBuiltIns[] = {
    {"60 Hz hum notch", {1, -200, 60, 10, 0, 1000, 100}},
    {"60 and 120 Hz hum notches", {3, -200, 60, 10, -200, 120, 10}},
    {"50 Hz hum notch", {1, -200, 50, 10, 0, 1000, 100}},
    {"50 and 100 Hz hum notches", {3, -200, 50, 10, -200, 100, 10}},
    {"Add attack", {1, 40, 4000, 100, 0, 1000, 100}},
    {"Add thump", {1, 50, 60, 50, 0, 1000, 100}},
    {"Make it rotund", {1, 50, 110, 220, 0, 1000, 100}},
    {"Reduce chesty-ness", {1, -60, 130, 200, 0, 1000, 100}},
    {"Reduce honk", {1, -40, 1000, 100, 0, 1000, 100}},
    {"Reduce low attack", {1, -40, 3000, 100, 0, 1000, 100}},
};
const BuiltInPreset kVariTimeBuiltIns[] = {
    {"Mild Open Treble", {2, 2, 1000, 5000, 0}}, {"Mild Chop Treble", {2, 2, 5000, 1000, 0}},
    {"Open Treble", {2, 2, 200, 10000, 0}},      {"Chop Treble", {2, 2, 10000, 200, 0}},
    {"Mild Open Bass", {1, 2, 200, 10, 0}},      {"Mild Chop Bass", {1, 2, 10, 200, 0}},
    {"Open Bass", {1, 2, 1000, 40, 0}},          {"Chop Bass", {1, 2, 40, 1000, 0}},
};

int32_t Tenths(double db) {
    return PresetField(db * 10, kGain);
}
int32_t Hz(int32_t hz) {
    return std::clamp(hz, kHz.low, kHz.high);
}

}  // namespace

const EffectPresetFormat kBassTreblePreset = {kPresetKindBassTreble, 5, kBassTrebleRanges,
                                              kBassTrebleBuiltIns, 7};
const EffectPresetFormat kFiltersPreset = {kPresetKindFilters, 5, kFiltersRanges, kFiltersBuiltIns,
                                           8};
const EffectPresetFormat kGraFreqPreset = {kPresetKindGraFreq, 10, kGraFreqRanges, kGraFreqBuiltIns,
                                           6};
const EffectPresetFormat kParametricPreset = {kPresetKindParametric, 7, kParametricRanges,
                                              kParametricBuiltIns, 10};
const EffectPresetFormat kVariTimePreset = {kPresetKindVariTime, 5, kVariTimeRanges,
                                            kVariTimeBuiltIns, 8};

void BassTrebleToFields(const BassTrebleParams& p, int32_t* f) {
    f[0] = p.use & 3;
    f[1] = Tenths(p.bassDb);
    f[2] = Hz(p.bassHz);
    f[3] = Tenths(p.trebleDb);
    f[4] = Hz(p.trebleHz);
}
BassTrebleParams BassTrebleFromFields(const int32_t* f) {
    BassTrebleParams p;
    p.use = f[0];
    p.bassDb = f[1] / 10.0;
    p.bassHz = f[2];
    p.trebleDb = f[3] / 10.0;
    p.trebleHz = f[4];
    ClampBassTreble(p);
    return p;
}

void FiltersToFields(const FiltersParams& p, int32_t* f) {
    f[0] = p.use & 3;
    f[1] = ValidOrder(p.highOrder) ? p.highOrder : 2;
    f[2] = Hz(p.highHz);
    f[3] = ValidOrder(p.lowOrder) ? p.lowOrder : 2;
    f[4] = Hz(p.lowHz);
}
FiltersParams FiltersFromFields(const int32_t* f) {
    FiltersParams p;
    p.use = f[0];
    p.highOrder = f[1];
    p.highHz = AtLeast5(f[2]);
    p.lowOrder = f[3];
    p.lowHz = AtLeast5(f[4]);
    return p;
}

void GraFreqToFields(const GraFreqParams& p, int32_t* f) {
    for (int i = 0; i < kGraFreqBands; ++i) {
        f[2 * i] = Tenths(p.db[i]);
        f[2 * i + 1] = Hz(p.hz[i]);
    }
}
GraFreqParams GraFreqFromFields(const int32_t* f) {
    GraFreqParams p;
    for (int i = 0; i < kGraFreqBands; ++i) {
        p.db[i] = f[2 * i] / 10.0;
        p.hz[i] = f[2 * i + 1];
    }
    ClampGraFreq(p);
    return p;
}

void ParametricToFields(const ParametricParams& p, int32_t* f) {
    f[0] = p.use & 3;
    const ParametricBand* bands[2] = {&p.a, &p.b};
    for (int i = 0; i < 2; ++i) {
        f[1 + 3 * i] = Tenths(bands[i]->db);
        f[2 + 3 * i] = Hz(bands[i]->hz);
        f[3 + 3 * i] = PresetField(bands[i]->octaves * 100, kParametricRanges[3]);
    }
}
ParametricParams ParametricFromFields(const int32_t* f) {
    ParametricParams p;
    p.use = f[0];
    ParametricBand* bands[2] = {&p.a, &p.b};
    for (int i = 0; i < 2; ++i) {
        bands[i]->db = f[1 + 3 * i] / 10.0;
        bands[i]->hz = f[2 + 3 * i];
        bands[i]->octaves = f[3 + 3 * i] / 100.0;
    }
    ClampParametric(p);
    return p;
}

void VariTimeToFields(const VariTimeParams& p, int32_t* f) {
    f[0] = p.kind == kVariTimeHighPass ? 1 : 2;
    f[1] = 2;
    f[2] = Hz(p.startHz);
    f[3] = Hz(p.endHz);
    f[4] = 0;
}
VariTimeParams VariTimeFromFields(const int32_t* f) {
    VariTimeParams p;
    p.kind = f[0];
    p.startHz = f[2];
    p.endHz = f[3];
    ClampVariTime(p);
    return p;
}

int ReadFiltersPreset(const std::string& path, FiltersParams* p, std::string* name) {
    int32_t f[kEffectPresetMaxFields];
    std::string text;
    int result = ReadEffectPreset(path, kFiltersPreset, f, &text);
    if (result != 0) return result;
    if (!ValidOrder(f[1]) || !ValidOrder(f[3])) return 13;  // Corrupt File
    *p = FiltersFromFields(f);
    if (name) *name = text;
    return 0;
}

// ---- Preview ----

bool EqPreviewAvailable(const EqPreviewSettings& s) {
    if (s.function != kEqPreviewFilters) return true;
    const FiltersParams& f = s.filters;
    return !((f.use & kUseHighPass) && f.highOrder == 5) &&
           !((f.use & kUseLowPass) && f.lowOrder == 5);
}

EqSections EqPreviewSections(const EqPreviewSettings& settings, uint32_t rate) {
    EqPreviewSettings s = settings;
    switch (s.function) {
        case kEqPreviewBassTreble:
            if (ClampBassTreble(s.bassTreble)) return BassTrebleSections(s.bassTreble, rate);
            break;
        case kEqPreviewFilters:
            if (EqPreviewAvailable(s) && ClampFilters(s.filters))
                return FiltersSections(s.filters, rate);
            break;
        case kEqPreviewGraFreq:
            if (ClampGraFreq(s.graFreq)) return GraFreqSections(s.graFreq, rate);
            break;
        case kEqPreviewParametric:
            if (ClampParametric(s.parametric)) return ParametricSections(s.parametric, rate);
            break;
        default:
            break;
    }
    return EqSections{};
}

}  // namespace ob
