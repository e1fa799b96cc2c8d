// The Envelope Generator: multiplies the affect area by a drawn volume curve
// of 100 points spread over the area (undo 19, kind 1).
//
// A point holds a level code 0 .. 120: 60 is unity gain, a code above 60
// attenuates by (code - 60) steps (120 is silence), a code below 60 amplifies
// by (60 - code) steps. The step is 1/4, 1/2 or 1 dB (scale 0, 1, 2).
//
// "ENVG" preset record, 188 bytes: curve (100 bytes, offset 0), scale
// (32-bit, offset 100), name (80 bytes, offset 104), 4 reserved bytes
// (offset 184, written as zero). Loading clamps every curve byte to 0 .. 120
// and the scale to 0 .. 2, so no loaded value indexes past a table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_record.h"

namespace ob {

constexpr int kEnvelopePoints = 100;
constexpr uint8_t kEnvelopeUnity = 60;     // '<'
constexpr uint8_t kEnvelopeSilence = 120;  // 'x'
constexpr int32_t kEnvelopeScaleCount = 3;

// The dialog's current record (what obEnvelopeGenerator applies). Start
// values: the first built-in preset.
struct EnvelopeParams {
    uint8_t curve[kEnvelopePoints];
    int32_t scale;  // 0: 1/4 dB, 1: 1/2 dB, 2: 1 dB per step
};

// Codes limited to 0 .. 120, the scale to 0 .. 2.
void ClampEnvelope(EnvelopeParams& p);

// The 100 gains of the curve at its scale (scale clamped first).
void EnvelopeGainTable(const EnvelopeParams& p, double gains[kEnvelopePoints]);
// The curve display's labels of the scale: "15 dB", "30 dB", "60 dB".
const char* EnvelopeScaleLabel(int32_t scale);

// The gain of sample i of an area of `length` samples (linear between the
// points when the area is longer than 100, else the point itself).
double EnvelopeGainAt(const double gains[kEnvelopePoints], uint32_t i, uint32_t length);

// Multiplies the affect area of the edit channels by the curve: kEditDone,
// kEditAborted, kEditNothing without sound.
int ApplyEnvelope(WaveRecord& record, const EnvelopeParams& params);
// Applies the gains to `n` samples at position `first` of an area of
// `length` (the preview and the apply share it): out[j] = in[j] * gain.
void EnvelopeRun(const double gains[kEnvelopePoints], uint32_t length, uint32_t first,
                 const float* in, float* out, uint32_t n);

// "obEnvelopeGenerator %d\n".
std::string EnvelopeMacroLine(int editor);

// ---- Presets ----
constexpr uint32_t kEnvelopeRecordSize = 188;
constexpr uint32_t kEnvelopeNameOffset = 104;
constexpr int kEnvelopeBuiltInCount = 14;
const char* EnvelopeBuiltInName(int index);
EnvelopeParams EnvelopeBuiltIn(int index);
std::vector<uint8_t> EnvelopeBuiltInRecords();
// A record in this machine's byte order (swapBytes: the other one).
void EnvelopeToRecord(const EnvelopeParams& p, const std::string& name, uint8_t* record,
                      bool swapBytes = false);
// Fields clamped into range; `swapped` when the record is in the other byte order.
void EnvelopeFromRecord(const uint8_t* record, bool swapped, EnvelopeParams& p, std::string* name);
// File result codes; `p` is untouched after a failed read.
int ReadEnvelopePreset(const std::string& path, EnvelopeParams& p, std::string* name);
int WriteEnvelopePreset(const std::string& path, const EnvelopeParams& p, const std::string& name,
                        bool bigEndian = false);

}  // namespace ob
