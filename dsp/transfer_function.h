// The Transfer Function: a waveshaper. Every sample of the affect area is
// replaced by the value of a drawn input-to-output curve at the sample's
// level (undo 49, kind 1).
//
// The curve has 129 signed points T[0 .. 128], each -64 .. 64. Point i stands
// for the input level (i - 64) x 512 on a 16-bit scale; points 64 .. 128 give
// the output +T[i] x 512, points 0 .. 63 (negative inputs) -T[i] x 512, so a
// straight line through the origin is |i - 64| on both halves. With the
// mirror flag only points 64 .. 128 are used and negative inputs take the
// negated output of the mirrored positive input.
//
// Shaping x (y = x x 32767): y is limited to -32768 .. 32767 first, then s =
// trunc(y) picks the 512-wide segment and f = fmod(y, 512) of the limited
// value interpolates inside it, so a sample above full scale stays at the
// curve's end instead of sliding back down the last segment; a sample that is
// not a number becomes 0.
//
// "TRFN" preset record, 220 bytes: curve (129 signed bytes, offset 0), 3
// reserved, flags (32-bit, offset 132; bit 0 mirror), name (80 bytes, offset
// 136), 4 reserved. Loading clamps the points to -64 .. 64.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_record.h"

namespace ob {

constexpr int kTransferPoints = 129;
constexpr int kTransferCentre = 64;

// The current record (what obTransferFunction applies); starts as "Linear".
struct TransferParams {
    int8_t curve[kTransferPoints];
    int32_t mirror;  // 0 or 1
};

void ClampTransfer(TransferParams& p);

// One shaping run: 129 (offset, slope) pairs so that the output of a sample is
// trunc(offset + f x slope) of its segment j. The two values of a segment lie
// side by side, so the loop fetches both with one 16-byte load.
struct TransferSegment {
    double offset;
    double slope;
};
struct TransferTable {
    alignas(16) TransferSegment segment[kTransferPoints];
};
void BuildTransferTable(const TransferParams& p, TransferTable& table);

// The output level of one sample on the 16-bit scale (before / 32767).
int32_t ShapeLevel(const TransferTable& table, float x);
inline float ShapeSample(const TransferTable& table, float x) {
    return float(double(ShapeLevel(table, x)) / 32767.0);
}
void TransferRun(const TransferTable& table, const float* in, float* out, uint32_t n);
// The preview's form: the level saturated to 16 bits, / 32768.
void TransferRun16(const TransferTable& table, const float* in, float* out, uint32_t n);

int ApplyTransferFunction(WaveRecord& record, const TransferParams& params);
// "obTransferFunction %d\n".
std::string TransferMacroLine(int editor);

// ---- Presets ----
constexpr uint32_t kTransferRecordSize = 220;
constexpr uint32_t kTransferNameOffset = 136;
constexpr int kTransferBuiltInCount = 15;
constexpr int kTransferInitialPreset = 2;  // "Linear"
const char* TransferBuiltInName(int index);
TransferParams TransferBuiltIn(int index);
std::vector<uint8_t> TransferBuiltInRecords();
void TransferToRecord(const TransferParams& p, const std::string& name, uint8_t* record,
                      bool swapBytes = false);
void TransferFromRecord(const uint8_t* record, bool swapped, TransferParams& p, std::string* name);
int ReadTransferPreset(const std::string& path, TransferParams& p, std::string* name);
int WriteTransferPreset(const std::string& path, const TransferParams& p, const std::string& name,
                        bool bigEndian = false);

}  // namespace ob
