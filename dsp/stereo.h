// Channel conversions of the whole sound: stereo to mono (five ways) and mono
// to stereo (the right channel copied from another editor's sound).
#pragma once

#include <string>

#include "wave/wave_record.h"

namespace ob {

enum StereoToMonoChoice : int {
    kStereoKeepLeft = 1,        // OB_SM_L
    kStereoKeepRight = 2,       // OB_SM_R
    kStereoLeftPlusRight = 3,   // OB_SM_LPR, clamped to -1..+1, no halving
    kStereoLeftMinusRight = 4,  // OB_SM_LMR
    kStereoSwap = 5,            // OB_SM_SWAP: stays stereo
};
struct StereoToMonoParams {
    int choice = kStereoKeepLeft;  // any other value keeps the left channel
};
// "Wave is already mono" for a mono sound (kEditRefused).
int StereoToMono(WaveRecord& record, const StereoToMonoParams& params);
// "obStereoMono %d, %s\n" with the constant's name ("OB_SM_LPR").
std::string StereoToMonoMacroLine(int editor, const StereoToMonoParams& params);
// "OB_SM_L" .. "OB_SM_SWAP"; others give "OB_SM_L".
const char* StereoToMonoName(int choice);

struct MonoToStereoParams {
    int sourceEditor = 0;  // the editor whose left (or mono) channel becomes the right one
};
// "No wave data or editor\nfor source material", "Wave is already stereo",
// "Not enough memory for this operation.\n".
int MonoToStereo(WaveRecord& record, const MonoToStereoParams& params);
std::string MonoToStereoMacroLine(int editor, const MonoToStereoParams& params);

}  // namespace ob
