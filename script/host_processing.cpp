// Host functions of the processing, playback, transfer and analysis groups.
// Each refuses (0, no message) while the dialog of its operation is open;
// functions whose operation is not built yet report that and return 0.
#include <cmath>

#include "base/dialog_guard.h"
#include "base/user_interface.h"
#include "dsp/combine.h"
#include "dsp/insert.h"
#include "dsp/level.h"
#include "dsp/operation.h"
#include "dsp/simple.h"
#include "dsp/stereo.h"
#include "script/host_state.h"
#include "script/script_api.h"

using namespace ob;

namespace {

// The loaded editor, unless the operation's dialog is open.
WaveRecord* Target(int32_t waveid, ProcessDialog dialog) {
    if (DialogInUse(dialog)) return nullptr;
    return ScriptLoadedEditor(waveid);
}

int32_t Done(int result) {
    return result == kEditDone ? 1 : 0;
}

int32_t Simple(int32_t waveid, SimpleOperation operation) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    return record ? Done(RunSimpleOperation(*record, operation)) : 0;
}

// An operation not built yet: the editor must be loaded and the dialog closed.
int32_t Missing(int32_t waveid, ProcessDialog dialog) {
    return Target(waveid, dialog) ? NotYetAvailable() : 0;
}
int32_t Missing(int32_t waveid) {
    return ScriptLoadedEditor(waveid) ? NotYetAvailable() : 0;
}

// A second editor number of a two-sound operation: 0..99, 0 the active one.
int SecondEditor(int32_t number, bool loaded) {
    if (number < 0 || number >= kEditorSlots) return 0;
    WaveRecord* record = loaded ? ScriptLoadedEditor(number) : ScriptEditor(number);
    return record ? EditorNumberOf(record) : 0;
}

}  // namespace

extern "C" {

int32_t obReverse(int32_t waveid) {
    return Simple(waveid, kSimpleReverse);
}
int32_t obInvert(int32_t waveid) {
    return Simple(waveid, kSimpleInvert);
}
int32_t obIntegrate(int32_t waveid) {
    return Simple(waveid, kSimpleIntegrate);
}
int32_t obDifferentiate(int32_t waveid) {
    return Simple(waveid, kSimpleDifferentiate);
}
int32_t obRectifyFull(int32_t waveid) {
    return Simple(waveid, kSimpleRectifyFull);
}
int32_t obRectifyHalf(int32_t waveid) {
    return Simple(waveid, kSimpleRectifyHalf);
}
int32_t obMute(int32_t waveid) {
    return Simple(waveid, kSimpleMute);
}

int32_t obMaximize(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    return record ? Done(Maximize(*record)) : 0;
}

int32_t obTrim(int32_t waveid) {
    return Missing(waveid);
}
int32_t obDeleteAffectArea(int32_t waveid) {
    return Missing(waveid);
}

int32_t obClone(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    int number = DuplicateWave(*record);
    if (!number) return 0;
    MakeEditorActive(number);
    UI().Redraw(gEditorSlots[number]);
    return 1;
}

int32_t obUnClip(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    return record ? Done(Unclip(*record)) : 0;
}

int32_t obDCOffset(int32_t waveid, int32_t dc_off) {
    WaveRecord* record = Target(waveid, kDialogDcOffset);
    if (!record) return 0;
    DcOffsetParams params;
    params.offset = double(dc_off);
    params.unit = kDcSixteenBit;
    return Done(DcOffset(*record, params));
}

int32_t obGain(int32_t waveid, double db) {
    WaveRecord* record = Target(waveid, kDialogGain);
    if (!record || !std::isfinite(db)) return 0;
    return Done(Gain(*record, GainParams{db}));
}

int32_t obNormalize(int32_t waveid, double db) {
    WaveRecord* record = Target(waveid, kDialogNormalize);
    if (!record || !std::isfinite(db)) return 0;
    return Done(Normalize(*record, NormalizeParams{db}));
}

int32_t obCompress(int32_t waveid, double, double, double, double, int32_t) {
    return Missing(waveid, kDialogCompressor);
}
int32_t obNoiseGate(int32_t waveid, double, double, double, int32_t) {
    return Missing(waveid, kDialogNoiseGate);
}
int32_t obEQBass(int32_t waveid, int32_t, double) {
    return Missing(waveid, kDialogEqBassTreble);
}
int32_t obEQTreble(int32_t waveid, int32_t, double) {
    return Missing(waveid, kDialogEqBassTreble);
}
int32_t obEQLowPass(int32_t waveid, int32_t, int32_t order) {
    if (order != 1 && order != 2 && order != 5) return 0;
    return Missing(waveid, kDialogEqFilters);
}
int32_t obEQHighPass(int32_t waveid, int32_t, int32_t order) {
    if (order != 1 && order != 2 && order != 5) return 0;
    return Missing(waveid, kDialogEqFilters);
}
int32_t obEQParametric(int32_t waveid, int32_t, double, double) {
    return Missing(waveid, kDialogEqParametric);
}
int32_t obEQGraFreq(int32_t waveid, int32_t, double, int32_t, double, int32_t, double, int32_t,
                    double, int32_t, double) {
    return Missing(waveid, kDialogEqGraFreq);
}
int32_t obVTFilter(int32_t waveid, int32_t, int32_t) {
    return Missing(waveid, kDialogEqVariTime);
}
int32_t obEQVT(int32_t waveid, int32_t, int32_t, int32_t) {
    return Missing(waveid, kDialogEqVariTime);
}
int32_t obSampleRateTranspose(int32_t waveid, int32_t fs, int32_t choice, int32_t, int32_t) {
    if (choice < 1 || choice > 3 || fs < 1) return 0;
    return Missing(waveid, kDialogSampleRateTranspose);
}
int32_t obLoadEnvGenPreset(const char*) {
    return NotYetAvailable();
}
int32_t obLoadTransFuncPreset(const char*) {
    return NotYetAvailable();
}
int32_t obEnvelopeGenerator(int32_t waveid) {
    return Missing(waveid, kDialogEnvelopeGenerator);
}
int32_t obTransferFunction(int32_t waveid) {
    return Missing(waveid, kDialogTransferFunction);
}

int32_t obReplicate(int32_t waveid, double reps, int32_t choice) {
    WaveRecord* record = Target(waveid, kDialogReplicate);
    if (!record || choice < 0 || choice > 2 || !std::isfinite(reps)) return 0;
    return Done(Replicate(*record, ReplicateParams{reps, choice}));
}

int32_t obCrossMultiply(int32_t waveid, int32_t, int32_t, int32_t, int32_t) {
    return Missing(waveid, kDialogCrossMultiply);
}

int32_t obCombine(int32_t waveid, int32_t waveid2, int32_t offset, int32_t mix) {
    WaveRecord* record = Target(waveid, kDialogCombineSamples);
    int source = SecondEditor(waveid2, true);
    if (!record || !source) return 0;
    CombineParams params;
    params.sourceEditor = source;
    params.offset = offset;
    params.mix = mix < 1 ? 0 : (mix > 100 ? 100 : mix);
    return Done(Combine(*record, params));
}

int32_t obAppend(int32_t waveid, int32_t importnumber) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || importnumber < 0 || importnumber >= kEditorSlots) return 0;
    int source = SecondEditor(importnumber, true);
    if (!source) return 0;
    AppendParams params;
    params.sourceEditor = source;
    return Done(Append(*record, params));
}

int32_t obGenerate(int32_t waveid, int32_t, int32_t, double, double, int32_t) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record || WaveHasData(record) || DialogInUse(kDialogGenerate)) return 0;
    return NotYetAvailable();
}
int32_t obGenerate4(int32_t waveid, int32_t, int32_t, double, double, int32_t, double, double,
                    double) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record || WaveHasData(record) || DialogInUse(kDialogGenerate)) return 0;
    return NotYetAvailable();
}

int32_t obStereoMono(int32_t waveid, int32_t choice) {
    WaveRecord* record = Target(waveid, kDialogStereoMono);
    if (!record || choice < kStereoKeepLeft || choice > kStereoSwap) return 0;
    UI().SetWaitPointer(record, true);
    int result = StereoToMono(*record, StereoToMonoParams{choice});
    UI().SetWaitPointer(record, false);
    UI().Redraw(record);
    return Done(result);
}

int32_t obMonoStereo(int32_t waveid, int32_t waveid2) {
    WaveRecord* record = Target(waveid, kDialogStereoMono);
    int source = SecondEditor(waveid2, true);
    if (!record || !source) return 0;
    return Done(MonoToStereo(*record, MonoToStereoParams{source}));
}

int32_t obInsertSilence(int32_t waveid, double amount, int32_t units, int32_t where) {
    WaveRecord* record = Target(waveid, kDialogInsertSilence);
    if (!record || !(amount > 0) || !std::isfinite(amount) || units < 0 || units > 2 || where < 1 ||
        where > 4)
        return 0;
    InsertSilenceParams params;
    params.amount = amount;
    params.unit = units;
    params.place = where;
    return Done(InsertSilence(*record, params));
}

int32_t obInsertSilenceAt(int32_t waveid, double amount, int32_t units, int32_t where) {
    WaveRecord* record = Target(waveid, kDialogInsertSilence);
    if (!record || !(amount > 0) || !std::isfinite(amount) || units < 0 || units > 2 || where < 0)
        return 0;
    InsertSilenceParams params;
    params.amount = amount;
    params.unit = units;
    params.place = kInsertAtPosition;
    params.position = uint32_t(where);
    return Done(InsertSilence(*record, params));
}

int32_t obTimeStretch(int32_t waveid, double, int32_t, int32_t) {
    return Missing(waveid, kDialogTimeStretch);
}
int32_t obPitchShift(int32_t waveid, double, int32_t, int32_t) {
    return Missing(waveid, kDialogPitchShift);
}
int32_t obAM(int32_t waveid, double, double, int32_t) {
    return Missing(waveid, kDialogAm);
}
int32_t obFM(int32_t waveid, double, double, int32_t) {
    return Missing(waveid, kDialogFm);
}
int32_t obFlange(int32_t waveid, double, double, double, double, double, int32_t) {
    return Missing(waveid, kDialogFlange);
}
int32_t obChorus(int32_t waveid, double, double, double, double, double) {
    return Missing(waveid, kDialogChorus);
}
int32_t obEcho(int32_t waveid, double, double, double) {
    return Missing(waveid);
}
int32_t obReverb(int32_t waveid, double, double, double, double, double, int32_t) {
    return Missing(waveid, kDialogReverb);
}
int32_t obGrunge(int32_t waveid, int32_t, int32_t, int32_t, int32_t) {
    return Missing(waveid, kDialogGrunge);
}
int32_t obSpectralWarp(int32_t waveid, double, double, double, double, int32_t, int32_t) {
    return Missing(waveid, kDialogSpectralWarp);
}
int32_t obResynthesize(int32_t waveid, int32_t id, int32_t, int32_t, int32_t, double) {
    if (id != 0 && id != 1) return 0;
    return Missing(waveid, kDialogResynthesizer);
}
int32_t obHarmony(int32_t waveid, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return Missing(waveid, kDialogHarmony);
}
int32_t obNoiseReduction(int32_t waveid, int32_t process, int32_t noiseprintnumber, const char*,
                         int32_t, int32_t, double, int32_t) {
    if (process > 3) process = 3;
    if (process < 1 || !ScriptLoadedEditor(noiseprintnumber)) return 0;
    return Missing(waveid, kDialogNoiseReduction);
}
int32_t obClickAndPop(int32_t waveid, int32_t) {
    return Missing(waveid, kDialogClickAndPop);
}
int32_t obConvolution(int32_t waveid, int32_t convolvornumber, const char*) {
    if (!ScriptLoadedEditor(convolvornumber)) return 0;
    return Missing(waveid, kDialogConvolution);
}
int32_t obImpulseModeling(int32_t waveid, int32_t impulsenumber, const char*, int32_t, int32_t,
                          int32_t, int32_t, int32_t, int32_t, int32_t) {
    if (!ScriptLoadedEditor(impulsenumber)) return 0;
    return Missing(waveid, kDialogImpulseModeling);
}

// ---- Playback, sampler transfer and analysis ----
// (obPlay, obPlayLoop, obPlayAffect, obStopPlay: host_playback.cpp)
int32_t obSend(int32_t waveid, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return Missing(waveid, kDialogSamplerTransfer);
}
int32_t obReceive(int32_t waveid, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record || WaveHasData(record) || DialogInUse(kDialogSamplerTransfer)) return 0;
    return NotYetAvailable();
}
int32_t obFFT(int32_t waveid, int32_t, int32_t, int32_t ptsize, const char*) {
    if (ptsize < 32 || ptsize > 2048 || (ptsize & (ptsize - 1)) != 0) return 0;
    return Missing(waveid, kDialogFft);
}

}  // extern "C"
