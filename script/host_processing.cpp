// Host functions of the processing, playback, transfer and analysis groups
// that the operation table does not generate (script/op_bindings.h). Each
// refuses (0, no message) while the dialog of its operation is open;
// functions whose operation is not built yet report that and return 0.
#include "base/dialog_guard.h"
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
int32_t Missing(int32_t waveid) {
    return ScriptLoadedEditor(waveid) ? NotYetAvailable() : 0;
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
    NotifyChange(gEditorSlots[number], kChangeAll);
    return 1;
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

int32_t obCrossMultiply(int32_t waveid, int32_t, int32_t, int32_t, int32_t) {
    return Missing(waveid, kDialogCrossMultiply);
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
int32_t obFFT(int32_t waveid, int32_t, int32_t, int32_t ptsize, const char*) {
    if (ptsize < 32 || ptsize > 2048 || (ptsize & (ptsize - 1)) != 0) return 0;
    return Missing(waveid, kDialogFft);
}

}  // extern "C"
