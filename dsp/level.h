// Level changes on the affect area of the edit channels: gain, normalize,
// maximize (scale to full) and DC offset, with their macro-recorder lines.
// Arithmetic in double, stored as float; no clipping unless stated.
#pragma once

#include <string>

#include "wave/wave_record.h"

namespace ob {

struct GainParams {
    double dB = 0.0;  // x * 10^(dB / 20)
};
int Gain(WaveRecord& record, const GainParams& params);
std::string GainMacroLine(int editor, const GainParams& params);  // "obGain %d, %.1f\n"

struct NormalizeParams {
    double dB = 0.0;  // the level the peak of each channel is brought to
};
int Normalize(WaveRecord& record, const NormalizeParams& params);
std::string NormalizeMacroLine(int editor, const NormalizeParams& params);

// Scales each channel so its peak is 0.99999976 (left alone when already
// between that and 1.0, or silent).
int Maximize(WaveRecord& record);
std::string MaximizeMacroLine(int editor);

enum DcOffsetUnit : int { kDcSixteenBit = 1, kDcPercent = 2 };
struct DcOffsetParams {
    double offset = 0.0;    // 0 removes each channel's own mean
    int unit = kDcPercent;  // 1: steps of 1/32768 (script), 2: percent (dialog)
};
int DcOffset(WaveRecord& record, const DcOffsetParams& params);
// "obDCOffset %d, %d\n" with the offset in sixteen-bit steps (percent x 327.67).
std::string DcOffsetMacroLine(int editor, const DcOffsetParams& params);

// The peak magnitude floor of Normalize and the full-scale target of Maximize.
constexpr double kNormalizeMinPeak = 2.4e-7;
constexpr double kFullScale = 0.99999976;

}  // namespace ob
