// Point, order and slope operations on the affect area of the edit channels:
// invert, rectify full and half wave, mute, reverse, differentiate,
// integrate, and unclip; each with its macro-recorder line.
#pragma once

#include <string>

#include "wave/wave_record.h"

namespace ob {

enum SimpleOperation : int {
    kSimpleInvert = 0,         // -x
    kSimpleRectifyFull = 1,    // |x|
    kSimpleRectifyHalf = 2,    // 0 for x < 0
    kSimpleMute = 3,           // 0 (script names obMute and obSilence)
    kSimpleReverse = 4,        // the area reversed
    kSimpleDifferentiate = 5,  // x[i] - x[i-1] (old values); the first stays
    kSimpleIntegrate = 6,      // running sum; the first stays
    kSimpleOperationCount = 7,
};
int RunSimpleOperation(WaveRecord& record, SimpleOperation operation);
// "obInvert %d\n", "obRectifyFull %d\n", "obRectifyHalf %d\n", "obMute %d\n",
// "obReverse %d\n", "obDifferentiate %d\n", "obIntegrate %d\n".
std::string SimpleMacroLine(SimpleOperation operation, int editor);

inline int Invert(WaveRecord& r) {
    return RunSimpleOperation(r, kSimpleInvert);
}
inline int RectifyFull(WaveRecord& r) {
    return RunSimpleOperation(r, kSimpleRectifyFull);
}
inline int RectifyHalf(WaveRecord& r) {
    return RunSimpleOperation(r, kSimpleRectifyHalf);
}
inline int Mute(WaveRecord& r) {
    return RunSimpleOperation(r, kSimpleMute);
}
inline int Reverse(WaveRecord& r) {
    return RunSimpleOperation(r, kSimpleReverse);
}
inline int Differentiate(WaveRecord& r) {
    return RunSimpleOperation(r, kSimpleDifferentiate);
}
inline int Integrate(WaveRecord& r) {
    return RunSimpleOperation(r, kSimpleIntegrate);
}

// Unclip: every run of clipped samples (at or beyond +threshold, or at or
// beyond -threshold, one sign per run) with an unclipped sample on both sides
// inside the area is rebuilt by a cubic Hermite curve through the two
// neighbours, with the slopes the signal has just before and just after the
// run. A rebuilt sample never falls below the clipped value in magnitude, so
// the peak can only grow (beyond full scale: normalize afterwards). Runs that
// touch the area's edges are left alone.
struct UnclipParams {
    double threshold = 0.99999976;  // 0 < threshold <= 1
};
// kEditRefused for a threshold outside (0, 1].
int Unclip(WaveRecord& record, const UnclipParams& params = {});
std::string UnclipMacroLine(int editor);  // "obUnClip %d\n"
// The rebuild over one channel's area; polls the abort flag and steps the
// progress. False when aborted.
bool UnclipSamples(float* samples, uint32_t length, float threshold);

}  // namespace ob
