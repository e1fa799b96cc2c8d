// The one-dialog-at-a-time guard: the in-use set holds one flag per dialog
// while it is open; a second opening is refused with the dialog's own guard
// text. Script functions test the flag of their operation and do nothing while
// it is set. The set has room for every dialog id (no word-size limit).
#pragma once

#include <bitset>
#include <cstdint>

namespace ob {

enum ProcessDialog : int {
    kDialogAm = 0,
    kDialogAssignMacros = 1,
    kDialogAutoLocate = 2,
    kDialogBackups = 3,
    kDialogChorus = 4,
    kDialogClickAndPop = 5,
    kDialogClip = 6,
    kDialogCombineSamples = 7,
    kDialogCompressor = 8,
    kDialogConvolution = 9,
    kDialogCrossMultiply = 10,
    kDialogCrossfade = 11,
    kDialogCutKeepList = 12,
    kDialogDcOffset = 13,
    kDialogEqBassTreble = 14,
    kDialogEqFilters = 15,
    kDialogEqGraFreq = 16,
    kDialogEqParametric = 17,
    kDialogEqVariTime = 18,
    kDialogEditClip = 19,
    kDialogEnvelopeGenerator = 20,
    kDialogFft = 21,
    kDialogFm = 22,
    kDialogFlange = 23,
    kDialogGain = 24,
    kDialogGenerate = 25,
    kDialogGrunge = 26,
    kDialogHarmony = 27,
    kDialogImpulseModeling = 28,
    kDialogInfo = 29,
    kDialogInsertSilence = 30,
    kDialogKeyboard = 31,
    kDialogKeymap = 32,
    kDialogName = 33,
    kDialogNoiseGate = 34,
    kDialogNoiseReduction = 35,
    kDialogNormalize = 36,
    kDialogOffset = 37,
    kDialogPaste = 38,
    kDialogPitchShift = 39,
    kDialogRawOpen = 40,
    kDialogRealAudioEncoder = 41,
    kDialogRecordPreferences = 42,
    kDialogRecord = 43,
    kDialogReplace = 44,
    kDialogReplicate = 45,
    kDialogResynthesizer = 46,
    kDialogReverb = 47,
    kDialogSampleRateTranspose = 48,
    kDialogSamplerTransfer = 49,
    kDialogSetColors = 50,
    kDialogSetLoop = 51,
    kDialogSetMarker = 52,
    kDialogSmooth = 53,
    kDialogSpectralWarp = 54,
    kDialogStatistics = 55,
    kDialogStereoMono = 56,
    kDialogTimeStretch = 57,
    kDialogTransferFunction = 58,
    kDialogUndoHistory = 59,
    kDialogViewOptions = 60,
    kDialogEcho = 61,
    kDialogCount = 62,
};

using DialogSet = std::bitset<kDialogCount>;
extern DialogSet gDialogsInUse;
bool DialogInUse(ProcessDialog dialog);
void SetDialogInUse(ProcessDialog dialog, bool inUse);
// The full guard message of a dialog ("Gain area already in use.", ...).
const char* DialogGuardText(ProcessDialog dialog);

}  // namespace ob
