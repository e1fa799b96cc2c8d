// The in-use set and the dialog guard texts.
#include "base/dialog_guard.h"

#include <iterator>

namespace ob {

DialogSet gDialogsInUse;

namespace {
const char* const kGuardTexts[] = {
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
    "Echo already in use",
};
}  // namespace
static_assert(std::size(kGuardTexts) == kDialogCount, "one guard text per dialog");

bool DialogInUse(ProcessDialog dialog) {
    return dialog >= 0 && dialog < kDialogCount && gDialogsInUse.test(dialog);
}

void SetDialogInUse(ProcessDialog dialog, bool inUse) {
    if (dialog >= 0 && dialog < kDialogCount) gDialogsInUse.set(dialog, inUse);
}

const char* DialogGuardText(ProcessDialog dialog) {
    return dialog >= 0 && dialog < kDialogCount ? kGuardTexts[dialog] : "";
}

}  // namespace ob
