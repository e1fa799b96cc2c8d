// Level-dependent gain effects: the Compressor (above a threshold the level is
// reduced by a ratio, or raised for a ratio below 1) and the Noise Gate (below
// a threshold the signal fades out). Both measure an RMS over a sliding
// detection window, move a gain toward its target at separate attack and
// release rates and apply it in steps of three samples, in place on the
// affect area of each edit channel. Undo 18 (Compressor) and 23 (Noise Gate),
// kind 1.
#pragma once

#include <cstdint>
#include <string>

#include "dsp/effect_preset.h"
#include "wave/wave_record.h"

namespace ob {

// The start values are the built-in "Soften peaks".
struct CompressorParams {
    double threshold = -15.0;  // dB, -60 .. 0; 0 or more does nothing
    double ratio = 2.0;        // 0.2 .. 10; below 1 expands
    double attackMs = 1.0;     // 0.01 .. 20 ms
    double releaseS = 1.0;     // 0.01 .. 2 s
    int32_t detectionMs = 40;  // 1 .. 50 ms
};
// The start values are the built-in "General purpose noisegate".
struct NoiseGateParams {
    double threshold = -40.0;  // dB, -90 .. -10
    double attackMs = 0.05;
    double releaseS = 0.1;
    int32_t detectionMs = 40;
};

// Limits every value to its range; false for a value that is not a number.
bool ClampCompressor(CompressorParams& p);
bool ClampNoiseGate(NoiseGateParams& p);

// kEditDone or kEditAborted after a run; kEditNothing for a threshold of 0 dB
// or more (no undo step), no sound, or an empty area; kEditNoMemory.
int Compress(WaveRecord& record, const CompressorParams& params);
int NoiseGate(WaveRecord& record, const NoiseGateParams& params);

// The sample arithmetic on one channel's area (what the operations run per
// channel; the previews run it on a copy). `rate` in Hz. False when aborted.
bool CompressSamples(float* x, uint32_t length, uint32_t rate, const CompressorParams& p);
bool NoiseGateSamples(float* x, uint32_t length, uint32_t rate, const NoiseGateParams& p);

// "obCompress %d, %.1f, %.2f, %.2f, %.2f, %d\n" and
// "obNoiseGate %d, %.1f, %.2f, %.2f, %d\n".
std::string CompressorMacroLine(int editor, const CompressorParams& p);
std::string NoiseGateMacroLine(int editor, const NoiseGateParams& p);

// Presets: "COMP" threshold dB, ratio in thousandths, attack us, release ms,
// detection ms; "NSGT" threshold dB, attack us, release ms, detection ms.
extern const EffectPresetFormat kCompressorPreset;
extern const EffectPresetFormat kNoiseGatePreset;
void CompressorToFields(const CompressorParams& p, int32_t* fields);
CompressorParams CompressorFromFields(const int32_t* fields);
void NoiseGateToFields(const NoiseGateParams& p, int32_t* fields);
NoiseGateParams NoiseGateFromFields(const int32_t* fields);

}  // namespace ob
