// Echo, Flange, Chorus and Reverb.
//
// Departures for a sound result: the sweep offset and its maximum are signed
// 64-bit (a maximum below the step, e.g. Flange 1 ms at 2990 Hz where it is
// limited to 0, would wrap an unsigned offset on the way down) and the read
// position is always reduced into the ring; a Reverb time of 20 or more takes
// the last gain of the table without searching past its end.
#include "dsp/delay.h"

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

std::unique_ptr<float[]> NewFloats(size_t n) {
    return std::unique_ptr<float[]>(new (std::nothrow) float[n ? n : 1]);
}

// |v| limited to `high`; a non-zero value below `low` is raised to it.
bool Limit(double& v, double low, double high) {
    if (!std::isfinite(v)) return false;
    v = std::fabs(v);
    if (v > high) v = high;
    if (v != 0 && v < low) v = low;
    return true;
}

// The checks every delay effect makes before it starts: the delay line
// against the area, then the scratch copy of the area for an edit in place.
bool LineFits(int64_t d, uint32_t length) {
    return d >= 2 && d + 2 < int64_t(length);
}

// The walk of a delay effect over one channel: fn(dst, src, begin, end) over
// blocks of the area in order (state carried by fn), with progress every
// length / 20 samples and the abort polled per block. `src` is the original
// area: the backup's when the edit runs out of place, else a copy in
// `scratch`. After an abort the rest of dst is the original.
template <class Fn>
bool DelayWalk(float* dst, const float* src, uint32_t length, float* scratch, Fn&& fn) {
    if (src == dst) {
        CopyArea(scratch, src, length);
        src = scratch;
    }
    ProgressCounter progress{length / 20};
    for (uint32_t done = 0; done < length;) {
        uint32_t n = std::min(kAbortBlock, length - done);
        fn(dst, src, done, done + n);
        done += n;
        progress.Advance(n);
        if (AbortRequested()) {
            CopyArea(dst + done, src + done, length - done);
            return false;
        }
    }
    return true;
}

// Refusal checks shared by the effects; kEditDone to go on.
int Refuse(WaveRecord& record, const char* text) {
    ReportMessage(record, text);
    return kEditRefused;
}

std::string Format(const char* format, int editor, double a, double b, double c, double d = 0,
                   double e = 0) {
    char line[192];
    std::snprintf(line, sizeof line, format, editor, a, b, c, d, e);
    return line;
}

}  // namespace

bool ClampEcho(EchoParams& p) {
    return Limit(p.delayS, 0, 10) && Limit(p.feedback, 0, 99) && Limit(p.loudness, 0, 100);
}

bool ClampFlange(FlangeParams& p) {
    return Limit(p.delayMs, 0, 60) && Limit(p.feedback, 0, 99) && Limit(p.loudness, 0, 100) &&
           Limit(p.speedS, 0.1, 50) && Limit(p.depth, 0, 99);
}

bool ClampReverb(ReverbParams& p) {
    if (!(Limit(p.decayS, 0.2, 20) && Limit(p.preDelayMs, 0, 200) && Limit(p.damping, 0, 20) &&
          Limit(p.loudness, 0, 100) && Limit(p.diffusion, 0, 20)))
        return false;
    int64_t enc = p.enclosure < 0 ? -int64_t(p.enclosure) : p.enclosure;
    p.enclosure = int32_t(std::min<int64_t>(enc, kReverbSpring));
    return true;
}

// ---- Echo ----

int Echo(WaveRecord& record, const EchoParams& params) {
    EchoParams p = params;
    if (!ClampEcho(p)) return kEditRefused;
    if (!WaveHasData(&record)) return kEditNothing;
    if (p.delayS == 0 || p.loudness == 0) return Refuse(record, kTextParameterZero);
    const uint32_t length = AffectRange(record).length;
    const int64_t d = int64_t(record.sampleRate * p.delayS);
    if (!LineFits(d, length)) return Refuse(record, kTextEditTooSmall);
    auto ring = NewFloats(size_t(d));
    auto scratch = NewFloats(length);
    if (!ring || !scratch) return ReportMessage(record, kTextNoMemory), kEditNoMemory;
    const double fb = p.feedback / 100, ld = p.loudness / 100;
    const uint32_t D = uint32_t(d);
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpEcho, kBackupRange, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [&](float* dst, const float* src, uint32_t n, bool) {
        float* line = ring.get();
        std::fill(line, line + D, 0.0f);
        uint32_t w = 0, r = 1;
        return DelayWalk(dst, src, n, scratch.get(),
                         [&](float* out, const float* in, uint32_t begin, uint32_t end) {
                             for (uint32_t i = begin; i < end;) {
                                 // Up to the next wrap of either position the
                                 // read index is the write index + 1 (mod D).
                                 uint32_t run = std::min({end - i, D - r, D - w});
                                 const float* rd = line + r;
                                 float* wr = line + w;
                                 for (uint32_t k = 0; k < run; ++k) {
                                     double x = in[i + k], e = rd[k];
                                     out[i + k] = float(x + e * ld);
                                     wr[k] = float(x + e * fb);
                                 }
                                 i += run;
                                 w += run;
                                 r += run;
                                 if (r == D) r = 0;
                                 if (w == D) w = 0;
                             }
                         });
    });
}

std::string EchoMacroLine(int editor, const EchoParams& p) {
    return Format("obEcho %d, %f, %.1f, %.1f\n", editor, p.delayS, p.feedback, p.loudness);
}

// ---- Flange and Chorus ----

namespace {

int Modulate(WaveRecord& record, const FlangeParams& params, bool flange) {
    FlangeParams p = params;
    if (!ClampFlange(p)) return kEditRefused;
    if (!WaveHasData(&record)) return kEditNothing;
    if (p.delayMs == 0 || p.loudness == 0 || p.depth == 0 || p.speedS == 0)
        return Refuse(record, kTextParameterZero);
    double speed = p.speedS;
    if (p.delayMs * p.depth / 50000 > speed) speed = p.delayMs * p.depth / 45000;
    const uint32_t length = AffectRange(record).length;
    const uint32_t rate = record.sampleRate;
    const int64_t d = int64_t(rate * p.delayMs * 0.001);
    if (!LineFits(d, length)) return Refuse(record, kTextEditTooSmall);
    double fb = p.feedback / 100, ld = p.loudness / 100;
    if (flange && p.invert) fb = -fb, ld = -ld;
    int64_t step = int64_t(p.delayMs * p.depth * 1.3107 / speed);
    if (step < 1) step = 1;
    int64_t maximum = int64_t(double(rate) * p.delayMs * p.depth * 0.65535 + 0.5);
    if ((maximum + 2) >> 16 >= d) maximum = (d - 2) << 16;
    auto ring = NewFloats(size_t(d));
    auto scratch = NewFloats(length);
    if (!ring || !scratch) return ReportMessage(record, kTextNoMemory), kEditNoMemory;
    const int64_t D = d;
    AreaEdit edit;
    if (!BeginAreaEdit(record, flange ? kOpFlange : kOpChorus, kBackupRange, edit, true))
        return kEditNothing;
    return WalkAreaEditFrom(edit, [&](float* dst, const float* src, uint32_t n, bool) {
        float* line = ring.get();
        std::fill(line, line + D, 0.0f);
        int64_t w = 0, r = 1, offset = maximum / 2;
        bool up = true;
        return DelayWalk(dst, src, n, scratch.get(),
                         [&](float* out, const float* in, uint32_t begin, uint32_t end) {
                             for (uint32_t i = begin; i < end; ++i) {
                                 double a = line[r], b = line[r + 1 == D ? 0 : r + 1];
                                 double e = a + (b - a) * double(offset & 0xFFFF) / 65536.0;
                                 double x = in[i];
                                 out[i] = float(x + e * ld);
                                 line[w] = float(x + e * fb);
                                 if (++w == D) w = 0;
                                 if (up) {
                                     offset += step;
                                     if (offset >= maximum) offset = maximum, up = false;
                                 } else {
                                     offset -= step;
                                     if (step >= offset) offset = step, up = true;
                                 }
                                 r = w + (offset >> 16) + 1;
                                 if (r >= D) r -= D;
                                 if (r >= D || r < 0) r = ((r % D) + D) % D;
                             }
                         });
    });
}

}  // namespace

int Flange(WaveRecord& record, const FlangeParams& params) {
    return Modulate(record, params, true);
}
int Chorus(WaveRecord& record, const FlangeParams& params) {
    return Modulate(record, params, false);
}

std::string FlangeMacroLine(int editor, const FlangeParams& p) {
    char line[192];
    std::snprintf(line, sizeof line, "obFlange %d, %.2f, %.1f, %.1f, %.3f, %.1f, %d\n", editor,
                  p.delayMs, p.feedback, p.loudness, p.speedS, p.depth, p.invert ? 1 : 0);
    return line;
}

std::string ChorusMacroLine(int editor, const FlangeParams& p) {
    return Format("obChorus %d, %.2f, %.1f, %.1f, %.3f, %.1f\n", editor, p.delayMs, p.feedback,
                  p.loudness, p.speedS, p.depth);
}

// ---- Reverb ----

namespace {

constexpr double kReverbTimes[] = {0.2, 0.42, 0.9, 2.15, 3.97, 7.5, 16.2, 20.0};
constexpr double kReverbGains[] = {0.1, 0.495, 0.745, 0.885, 0.94, 0.98, 0.99, 0.992};
struct CombShape {
    double delay, gain, damping;
};
constexpr CombShape kCombs[6] = {{1, 1, 1},
                                 {0.923, 0.987, 0.937},
                                 {0.872, 0.993, 0.906},
                                 {0.782, 0.985, 0.875},
                                 {0.718, 0.981, 0.812},
                                 {0.641, 0.988, 0.75}};

double ReverbGain(double t) {
    if (t >= 20) return 0.992;
    int i = 0;
    while (kReverbTimes[i] < t) ++i;
    if (i == 0) return 0.2;
    return kReverbGains[i - 1] + (kReverbGains[i] - kReverbGains[i - 1]) *
                                     (t - kReverbTimes[i - 1]) /
                                     (kReverbTimes[i] - kReverbTimes[i - 1]);
}

struct Line {
    float* data;
    uint32_t size, w, r;
    float Read() const { return data[r]; }
    void Write(double v) { data[w] = float(v); }
    void Advance() {
        w = r;
        if (++r == size) r = 0;
    }
    void Clear() {
        std::fill(data, data + size, 0.0f);
        w = 0;
        r = 1;
    }
};

}  // namespace

int Reverb(WaveRecord& record, const ReverbParams& params) {
    ReverbParams p = params;
    if (!ClampReverb(p)) return kEditRefused;
    if (!WaveHasData(&record)) return kEditNothing;
    if (p.decayS == 0 || p.loudness == 0) return Refuse(record, kTextParameterZero);
    const uint32_t length = AffectRange(record).length;
    const uint32_t rate = record.sampleRate;
    const int64_t dmax = int64_t((p.preDelayMs + 50) * rate / 1000);
    if (!LineFits(dmax, length)) return Refuse(record, kTextEditTooSmall);
    const int64_t pre = int64_t(p.preDelayMs * rate / 1000);
    const double damp = std::min(std::sqrt(p.damping / 20), 0.97);
    const double base = 0.078 - p.diffusion / 500;
    const double t = 0.038 / base * p.decayS;
    const double g = ReverbGain(t);
    int64_t sizes[8];
    double feedback[6], combDamp[6];
    for (int k = 0; k < 6; ++k) {
        sizes[k] = int64_t(rate * base * kCombs[k].delay);
        double gk = g * kCombs[k].gain;
        combDamp[k] = damp * kCombs[k].damping;
        feedback[k] = (1 - combDamp[k]) * gk;
    }
    sizes[6] = int64_t(rate * 0.006);
    sizes[7] = int64_t(rate * 0.005);
    for (int64_t s : sizes)
        if (s < 10) return Refuse(record, kTextBadParameter);
    const double wet = (p.loudness / 100) / ((g + 1) * 2);
    bool used[6] = {true, true, true, true, true, true};
    if (p.enclosure == kReverbRoom) used[1] = used[3] = used[5] = false;
    if (p.enclosure == kReverbSpring) used[1] = used[2] = used[3] = used[4] = used[5] = false;
    const bool secondAllPass = p.enclosure != kReverbRoom;
    int combList[6], combCount = 0;
    for (int k = 0; k < 6; ++k)
        if (used[k]) combList[combCount++] = k;

    size_t total = 0;
    for (int64_t s : sizes) total += size_t(s);
    auto lines = NewFloats(total);
    auto scratch = NewFloats(length);
    if (!lines || !scratch) return ReportMessage(record, kTextNoMemory), kEditNoMemory;
    Line line[8];
    size_t at = 0;
    for (int k = 0; k < 8; ++k) {
        line[k] = {lines.get() + at, uint32_t(sizes[k]), 0, 1};
        at += size_t(sizes[k]);
    }
    const double a1 = 0.7, a2 = 0.67;
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpReverb, kBackupRange, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [&](float* dst, const float* src, uint32_t n, bool) {
        for (Line& l : line) l.Clear();
        double state[6] = {0, 0, 0, 0, 0, 0};
        const uint32_t P = uint32_t(std::min<int64_t>(pre, n));
        return DelayWalk(dst, src, n, scratch.get(),
                         [&](float* out, const float* in, uint32_t begin, uint32_t end) {
                             for (uint32_t i = begin; i < end; ++i) {
                                 if (i < P) {
                                     out[i] = in[i];  // the dry pre-delay
                                     continue;
                                 }
                                 const uint32_t j = i - P;  // the input sample feeding output i
                                 const double x = in[j];
                                 double s = 0;
                                 for (int c = 0; c < combCount; ++c) s += line[combList[c]].Read();
                                 double r = line[6].Read();
                                 line[6].Write(s + a1 * r);
                                 s = (1 - a1 * a1) * r - a1 * s;
                                 if (secondAllPass) {
                                     r = line[7].Read();
                                     line[7].Write(s + a2 * r);
                                     s = (1 - a2 * a2) * r - a2 * s;
                                 }
                                 out[i] = float(in[i] + s * wet);
                                 for (int c = 0; c < combCount; ++c) {
                                     const int k = combList[c];
                                     double rk = line[k].Read();
                                     line[k].Write(x + feedback[k] * state[k]);
                                     state[k] = combDamp[k] * state[k] + rk;
                                 }
                                 for (Line& l : line) l.Advance();
                             }
                         });
    });
}

const char* ReverbEnclosureName(int32_t enclosure) {
    switch (enclosure) {
        case kReverbHall:
            return "OB_REVERB_HALL";
        case kReverbRoom:
            return "OB_REVERB_ROOM";
        default:
            return "OB_REVERB_SPRING";
    }
}

std::string ReverbMacroLine(int editor, const ReverbParams& p) {
    char line[192];
    std::snprintf(line, sizeof line, "obReverb %d, %.2f, %.1f, %.1f, %.1f, %.1f, %s\n", editor,
                  p.decayS, p.preDelayMs, p.damping, p.loudness, p.diffusion,
                  ReverbEnclosureName(p.enclosure));
    return line;
}

// ---- Presets ----

namespace {

const FieldRange kEchoRanges[] = {{10, 10000}, {0, 99}, {1, 100}};
const BuiltInPreset kEchoBuiltIns[] = {
    {"Big single", {1000, 0, 50}},
    {"Bouncy", {200, 20, 34}},
    {"Moderate with slight trail off", {500, 20, 50}},
    {"Robotic", {30, 80, 50}},
    {"Single slap echo", {50, 0, 50}},
    {"Stuttery", {100, 10, 66}},
    {"The big wash...", {100, 85, 25}},
};
const FieldRange kFlangeRanges[] = {{0, 1}, {10, 100}, {0, 99}, {1, 100}, {100, 50000}, {1, 99}};
const BuiltInPreset kFlangeBuiltIns[] = {
    {"A bit more subtle", {0, 50, 20, 20, 10000, 30}},
    {"Deep flange", {1, 60, 55, 60, 10000, 30}},
    {"General purpose", {0, 40, 45, 45, 10000, 30}},
    {"Koalas on Mars", {1, 50, 75, 50, 200, 70}},
    {"The big sweeper with a der-der tube", {1, 100, 75, 50, 40000, 80}},
    {"Tube-y", {1, 30, 45, 45, 5000, 30}},
    {"Your basic warbler", {0, 50, 50, 50, 1000, 20}},
};
const FieldRange kChorusRanges[] = {{100, 600}, {0, 99}, {1, 100}, {100, 50000}, {1, 99}};
const BuiltInPreset kChorusBuiltIns[] = {
    {"Chorus with a metalic spring", {100, 50, 50, 600, 37}},
    {"General purpose", {220, 45, 45, 10000, 30}},
    {"Medium chorus", {300, 50, 35, 4000, 30}},
    {"Not nearly so obvious, rather soft actually...", {300, 20, 20, 10000, 30}},
    {"Robot voice-box", {200, 50, 50, 1000, 20}},
    {"The large venue effect", {600, 10, 50, 40000, 30}},
    {"Wierdness (but you secretly wish you could do this at parties)", {100, 75, 50, 200, 70}},
};
const FieldRange kReverbRanges[] = {{200, 20000}, {0, 200}, {1, 100}, {0, 20}, {0, 20}, {0, 2}};
const BuiltInPreset kReverbBuiltIns[] = {
    {"Bare walls and tile", {800, 10, 60, 5, 5, kReverbRoom}},
    {"Hovering in the center of an auditorium with the source nearby",
     {20000, 150, 30, 12, 0, kReverbRoom}},
    {"Large room containing fat furniture", {1500, 15, 50, 15, 12, kReverbRoom}},
    {"Large, spooky cave with metal walls from a bad B movie",
     {10000, 100, 40, 4, 16, kReverbHall}},
    {"Medium concert hall", {2000, 40, 35, 14, 12, kReverbHall}},
    {"Modest live room", {500, 7, 40, 10, 8, kReverbRoom}},
    {"Talk slow Sheriff, aliens ate my brain, so it all just bounces around up there",
     {300, 100, 85, 4, 15, kReverbSpring}},
    {"That old guitar thing that makes a horrific noise if you kick it",
     {4000, 10, 75, 4, 5, kReverbSpring}},
    {"This could get irritating after a while...", {300, 100, 70, 20, 20, kReverbRoom}},
    {"Small bright room", {200, 12, 30, 8, 6, kReverbRoom}},
};

}  // namespace

const EffectPresetFormat kEchoPreset = {kPresetKindEcho, 3, kEchoRanges, kEchoBuiltIns, 7};
const EffectPresetFormat kFlangePreset = {kPresetKindFlange, 6, kFlangeRanges, kFlangeBuiltIns, 7};
const EffectPresetFormat kChorusPreset = {kPresetKindChorus, 5, kChorusRanges, kChorusBuiltIns, 7};
const EffectPresetFormat kReverbPreset = {kPresetKindReverb, 6, kReverbRanges, kReverbBuiltIns, 10};

void EchoToFields(const EchoParams& p, int32_t* f) {
    f[0] = PresetField(p.delayS * 1000, kEchoRanges[0]);
    f[1] = PresetField(p.feedback, kEchoRanges[1]);
    f[2] = PresetField(p.loudness, kEchoRanges[2]);
}
EchoParams EchoFromFields(const int32_t* f) {
    return {f[0] / 1000.0, double(f[1]), double(f[2])};
}

void FlangeToFields(const FlangeParams& p, int32_t* f) {
    f[0] = p.invert ? 1 : 0;
    f[1] = PresetField(p.delayMs * 10, kFlangeRanges[1]);
    f[2] = PresetField(p.feedback, kFlangeRanges[2]);
    f[3] = PresetField(p.loudness, kFlangeRanges[3]);
    f[4] = PresetField(p.speedS * 1000, kFlangeRanges[4]);
    f[5] = PresetField(p.depth, kFlangeRanges[5]);
}
FlangeParams FlangeFromFields(const int32_t* f) {
    return {f[1] / 10.0, double(f[2]), double(f[3]), f[4] / 1000.0, double(f[5]), f[0] != 0};
}

void ChorusToFields(const FlangeParams& p, int32_t* f) {
    f[0] = PresetField(p.delayMs * 10, kChorusRanges[0]);
    f[1] = PresetField(p.feedback, kChorusRanges[1]);
    f[2] = PresetField(p.loudness, kChorusRanges[2]);
    f[3] = PresetField(p.speedS * 1000, kChorusRanges[3]);
    f[4] = PresetField(p.depth, kChorusRanges[4]);
}
FlangeParams ChorusFromFields(const int32_t* f) {
    return {f[0] / 10.0, double(f[1]), double(f[2]), f[3] / 1000.0, double(f[4]), false};
}

void ReverbToFields(const ReverbParams& p, int32_t* f) {
    f[0] = PresetField(p.decayS * 1000, kReverbRanges[0]);
    f[1] = PresetField(p.preDelayMs, kReverbRanges[1]);
    f[2] = PresetField(p.loudness, kReverbRanges[2]);
    f[3] = PresetField(p.damping, kReverbRanges[3]);
    f[4] = PresetField(p.diffusion, kReverbRanges[4]);
    f[5] = PresetField(p.enclosure, kReverbRanges[5]);
}
ReverbParams ReverbFromFields(const int32_t* f) {
    return {f[0] / 1000.0, double(f[1]), double(f[3]), double(f[2]), double(f[4]), f[5]};
}

}  // namespace ob
