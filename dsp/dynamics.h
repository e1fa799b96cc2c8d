// Level-dependent gain effects: the Compressor (above a threshold the level is
// reduced by a ratio, or raised for a ratio below 1) and the Noise Gate (below
// a threshold the signal fades out). Both measure an RMS over a sliding
// detection window, move a gain toward its target at separate attack and
// release rates and apply it in steps of three samples, in place on the
// affect area of each edit channel. Undo 18 (Compressor) and 23 (Noise Gate),
// kind 1.
#pragma once

#include <cstdint>
#include <memory>
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

// One channel of the Compressor or the Noise Gate over an area, run in
// consecutive blocks (the operations run it in place; the previews on the
// unchanged wave). Start measures the first detection window of the area;
// Run(area, begin, end, out) puts samples begin .. end - 1 of the processed
// area into out[0 .. end - begin). Every sample is read before it or any
// later sample is written, so out may be area + begin (in place). Blocks
// must follow each other from 0 without gaps.
class DynamicsStream {
  public:
    // The ring; false when out of memory.
    bool Allocate();
    void StartCompressor(const CompressorParams& p, uint32_t rate, const float* area,
                         uint32_t length);
    void StartNoiseGate(const NoiseGateParams& p, uint32_t rate, const float* area,
                        uint32_t length);
    void Run(const float* area, uint32_t begin, uint32_t end, float* out);

  private:
    template <bool Compressor>
    void Step(const float* area);
    template <bool Compressor>
    void RunAs(const float* area, uint32_t begin, uint32_t end, float* out);
    void Start(uint32_t rate, double thresholdDb, double attackMs, double releaseS,
               int32_t detectionMs, uint32_t length);

    std::unique_ptr<double[]> ring_;
    bool compressor_ = false;
    double attack_ = 1, release_ = 1, threshold_ = 1, ratio_ = 1;
    double invAttack_ = 1, invRelease_ = 1, exponent_ = 0;  // 1 / ratio - 1
    double invWindow_ = 1, invThreshold_ = 1;
    uint32_t window_ = 0, ringSize_ = 1, index_ = 0;
    double sum_ = 0;
    double g_ = 1, previous_ = 0;      // the gain and the compressor's previous level
    double startSum_ = 0, count_ = 2;  // the compressor's start pass
    int64_t next_ = 0;                 // the position of the next gain step
    int64_t startEnd_ = 0,
            stepEnd_ = 0;  // steps of one sample below startEnd_, of three below stepEnd_
};

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
