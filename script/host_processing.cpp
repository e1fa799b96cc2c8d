// Host functions of the processing, playback, transfer and analysis groups
// that the operation table does not generate (script/op_bindings.h). Each
// refuses (0, no message) while the dialog of its operation is open;
// functions whose operation is not built yet report that and return 0.
#include <algorithm>

#include "analysis/spectrum.h"
#include "base/dialog_guard.h"
#include "dsp/generate.h"
#include "dsp/length_edit.h"
#include "dsp/operation.h"
#include "dsp/operation_table.h"
#include "script/host_state.h"
#include "script/script_api.h"
#include "wave/change_notice.h"

using namespace ob;

namespace {

// The loaded editor, unless the operation's dialog is open.
WaveRecord* Target(int32_t waveid, ProcessDialog dialog) {
    return ScriptOperationTarget(waveid, dialog);
}

// An operation not built yet: the editor must be loaded and the dialog closed.
int32_t Missing(int32_t waveid, ProcessDialog dialog) {
    return Target(waveid, dialog) ? NotYetAvailable() : 0;
}

int32_t GenerateInto(int32_t waveid, const GenerateSettings& settings) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record || WaveHasData(record) || DialogInUse(kDialogGenerate)) return 0;
    return Generate(*record, settings) == kEditDone ? 1 : 0;
}

}  // namespace

namespace ob {

WaveRecord* ScriptOperationTarget(int32_t waveid, ProcessDialog dialog) {
    if (dialog != kNoDialog && DialogInUse(dialog)) return nullptr;
    return ScriptLoadedEditor(waveid);
}

int ScriptSecondEditor(int32_t number) {
    if (number < 0 || number >= kEditorSlots) return 0;
    WaveRecord* record = ScriptLoadedEditor(number);
    return record ? EditorNumberOf(record) : 0;
}

}  // namespace ob

extern "C" {

int32_t obTrim(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    return record && TrimToArea(*record) == kEditDone ? 1 : 0;
}
int32_t obDeleteAffectArea(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    return record && DeleteArea(*record) == kEditDone ? 1 : 0;
}

int32_t obClone(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    int number = DuplicateWave(*record);
    if (!number) return 0;
    MakeEditorActive(number);
    NotifyChange(gEditorSlots[number], kChangeAll);
    return 1;
}

int32_t obCrossMultiply(int32_t waveid, int32_t, int32_t, int32_t, int32_t) {
    return Missing(waveid, kDialogCrossMultiply);
}

// 0 while the Generate dialog is open, when the editor does not exist or
// already holds a wave, and when memory runs out; else 1.
int32_t obGenerate(int32_t waveid, int32_t waveshape, int32_t rate, double freq, double dur,
                   int32_t dutycycleperc) {
    return GenerateInto(waveid,
                        GenerateFromScript(waveshape, rate, freq, dur, dutycycleperc, nullptr, 0));
}
int32_t obGenerate4(int32_t waveid, int32_t waveshape, int32_t rate, double freq, double dur,
                    int32_t dutycycleperc, double freq2, double freq3, double freq4) {
    const double chord[] = {freq2, freq3, freq4};
    return GenerateInto(waveid,
                        GenerateFromScript(waveshape, rate, freq, dur, dutycycleperc, chord, 3));
}

int32_t obAM(int32_t waveid, double, double, int32_t) {
    return Missing(waveid, kDialogAm);
}
int32_t obFM(int32_t waveid, double, double, int32_t) {
    return Missing(waveid, kDialogFm);
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

// ---- Analysis ----
// (obPlay, obPlayLoop, obPlayAffect, obStopPlay: host_playback.cpp;
// obSend, obReceive: host_sampler.cpp)
// The analysis of `records` records of 2 ptsize samples, advancing by ptsize
// frames, from frame `startoff` of the left (or only) channel, written as text
// to `path` (dB by the current analysis settings). 0 for a point size other
// than 32 .. 2048 (powers of two), a start outside the sound, fewer than one
// record, an empty path, a sound too short for one record from the start, a
// failed write, or while the analysis dialog is open.
int32_t obFFT(int32_t waveid, int32_t startoff, int32_t records, int32_t ptsize, const char* path) {
    if (!ValidPointSize(ptsize) || records < 1 || !path || !*path) return 0;
    WaveRecord* record = Target(waveid, kDialogFft);
    if (!record || startoff < 0 || uint32_t(startoff) >= record->frameCount) return 0;
    SpectrumData data;
    bool decibels = (CurrentSpectrumSettings().options & kSpectrumDecibels) != 0;
    int result = AnalyseSpectrum(record->leftSamples, record->frameCount, record->sampleRate,
                                 uint32_t(startoff), std::min(records, kMaxSpectrumRecords), ptsize,
                                 decibels, &data);
    if (result != kSpectrumOk) return 0;
    return WriteSpectrumText(path, data) == kSpectrumOk ? 1 : 0;
}

}  // extern "C"
