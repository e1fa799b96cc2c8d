// InUseFlags and the dialog guard texts.
#include "dsp/in_use.h"

#include "dsp/messages.h"
#include "wave/wave_record.h"

namespace ob {

uint64_t gInUseFlags = 0;

namespace {
const char* const kGuardTexts[kDialogCount] = {
    "AM already in use",
    "Assign Macros area already in use",
    "Auto Locate area already in use.",
    "Backups area already open",
    "Chorus already in use",
    "Click and Pop area already in use",
    "Clip area already in use.",
    "Combine Samples area already in use",
    "Compressor already in use",
    "Convolution already open",
    "Cross Multiply already open",
    "Crossfade area already in use",
    "Cut/Keep List already in use",
    "DC Offset area already in use",
    "EQ: Bass & Treble area already in use",
    "EQ: Filters area already in use",
    "EQ: GraFreq area already in use",
    "EQ: Parametric area already in use",
    "EQ: Vari-Time Filters area already in use",
    "Edit Clip already in use",
    "Envelope Generator already in use",
    "FFT area already in use",
    "FM already in use",
    "Flange already in use",
    "Gain area already in use.",
    "Generate area already in use",
    "Grunge already in use",
    "Harmony already in use",
    "Impulse Modeling already open",
    "Info area already in use",
    "Insert Silence already open",
    "Keyboard already in use",
    "Keymap area already in use",
    "Name area already in use",
    "Noise Gate already in use",
    "Noise Reduction area already in use",
    "Normalize area already in use.",
    "Offset area already in use.",
    "Paste area already in use.",
    "Pitch Shift area already in use.",
    "Raw Open already in use",
    "RealAudio Encoder already in use",
    "Record Preferences area already in use",
    "Record area already in use",
    "Replace area already in use.",
    "Replicate already open",
    "Resynthesizer area already in use",
    "Reverb already in use",
    "Sample Rate Transpose already in use",
    "Sampler transfer already in use",
    "Set Colors already open",
    "Set Loop area already in use.",
    "Set Marker area already in use.",
    "Smooth area already in use.",
    "Spectral Warp already in use",
    "Statistics area already in use",
    "Stereo/Mono area already in use",
    "Time Stretch area already in use.",
    "Transfer Function already in use",
    "Undo History area already in use",
    "View Options already in use",
};
}  // namespace

bool DialogInUse(ProcessDialog dialog) {
    return dialog >= 0 && dialog < kDialogCount && (gInUseFlags >> dialog) & 1u;
}

void SetDialogInUse(ProcessDialog dialog, bool inUse) {
    if (dialog < 0 || dialog >= kDialogCount) return;
    if (inUse)
        gInUseFlags |= uint64_t(1) << dialog;
    else
        gInUseFlags &= ~(uint64_t(1) << dialog);
}

const char* DialogGuardText(ProcessDialog dialog) {
    return dialog >= 0 && dialog < kDialogCount ? kGuardTexts[dialog] : "";
}

bool OpenProcessDialog(WaveRecord* record, ProcessDialog dialog, const std::function<void()>& run) {
    if (dialog < 0 || dialog >= kDialogCount) return false;
    if (DialogInUse(dialog)) {
        if (record)
            ReportMessage(*record, DialogGuardText(dialog));
        else
            ReportMessage(nullptr, kProgramCaption, DialogGuardText(dialog));
        return false;
    }
    SetDialogInUse(dialog, true);
    run();
    SetDialogInUse(dialog, false);
    return true;
}

}  // namespace ob
