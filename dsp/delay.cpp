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
#include "dsp/delay_streams.h"
#include "dsp/operation.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {

// |v| limited to `high`; a non-zero value below `low` is raised to it.
bool Limit(double& v, double low, double high) {
    if (!std::isfinite(v)) return false;
    v = std::fabs(v);
    if (v > high) v = high;
    if (v != 0 && v < low) v = low;
    return true;
}

// The walk of a delay effect over one channel: stream.Run over blocks of the
// area in order, with progress every length / 20 samples and the abort
// polled per block. `src` is the original area: the backup's when the edit
// runs out of place, else dst itself (the streams run in place). After an
// abort the rest of dst is the original.
template <class Stream>
bool DelayWalk(float* dst, const float* src, uint32_t length, Stream& stream) {
    ProgressCounter progress{length / 20};
    for (uint32_t done = 0; done < length;) {
        uint32_t n = std::min(kAbortBlock, length - done);
        stream.Run(src, done, done + n, dst + done);
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

// The run shared by the delay effects: refusal, the stream's lines, then each
// channel (out of place when the backup handed the originals over).
template <class Stream, class Plan>
int RunDelay(WaveRecord& record, const char* refusal, const Plan& plan, uint32_t op) {
    if (refusal) return Refuse(record, refusal);
    Stream stream;
    if (!stream.Allocate(plan)) return ReportMessage(record, kTextNoMemory), kEditNoMemory;
    AreaEdit edit;
    if (!BeginAreaEdit(record, op, kBackupRange, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [&](float* dst, const float* src, uint32_t n, bool) {
        stream.Start(n);
        return DelayWalk(dst, src, n, stream);
    });
}

int Echo(WaveRecord& record, const EchoParams& params) {
    EchoParams p = params;
    if (!ClampEcho(p)) return kEditRefused;
    if (!WaveHasData(&record)) return kEditNothing;
    EchoPlan plan;
    const char* refusal = PlanEcho(p, record.sampleRate, AffectRange(record).length, &plan);
    return RunDelay<EchoStream>(record, refusal, plan, kOpEcho);
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
    SweepPlan plan;
    const char* refusal =
        PlanSweep(p, flange, record.sampleRate, AffectRange(record).length, &plan);
    return RunDelay<SweepStream>(record, refusal, plan, flange ? kOpFlange : kOpChorus);
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

int Reverb(WaveRecord& record, const ReverbParams& params) {
    ReverbParams p = params;
    if (!ClampReverb(p)) return kEditRefused;
    if (!WaveHasData(&record)) return kEditNothing;
    ReverbPlan plan;
    const char* refusal = PlanReverb(p, record.sampleRate, AffectRange(record).length, &plan);
    return RunDelay<ReverbStream>(record, refusal, plan, kOpReverb);
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
