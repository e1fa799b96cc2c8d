// The generator's preset records: "GEN2" (116 bytes) and the older "GENE"
// (its first 104 bytes, no chord), the 21 built-ins, load and save.
//
// Layout (32-bit words): 0 shape, 4 rate (Hz), 8 frequency (mHz), 12 duration
// (ms), 16 duty (%), 20 name (80 bytes), 100 reserved, 104/108/112 the chord
// frequencies (mHz; 0 or 1 none). A file of the other byte order has the
// words at 0, 4, 8, 12, 16, 104, 108 and 112 swapped.
#pragma once

#include <cstdint>
#include <string>

#include "dsp/generate.h"

namespace ob {

constexpr int kPresetKindGenerate = 5;  // index of "GEN2" in kPresetKinds
constexpr uint32_t kGenerateRecordSize = 116;
constexpr uint32_t kGenerateOldRecordSize = 104;  // "GENE"
constexpr int kGenerateBuiltInCount = 21;

// Built-in preset `index` (0 = the initial settings); index out of range: 0.
GenerateSettings GenerateBuiltIn(int index);
// The built-ins as "GEN2" records back to back (for the preset list).
const uint8_t* GenerateBuiltInRecords();

// Settings to a record in this machine's byte order. The duration is stored
// limited to 0x7FFFFFFF ms.
void GenerateToRecord(const GenerateSettings& s, uint8_t record[kGenerateRecordSize]);
// A record (`size` 116 or 104) to settings: fields swapped when `swapped`,
// then every field clamped into its range (ClampGenerateSettings).
GenerateSettings GenerateFromRecord(const uint8_t* record, uint32_t size, bool swapped);
// Swaps the numeric words of a 116-byte record in place.
void SwapGenerateRecord(void* record);

// Reads a "GEN2" record, or failing that a "GENE" one (chord 0), in either
// byte order. Result: a file result code (0 ok; the preset reader's codes
// otherwise); `settings` is untouched on failure.
int ReadGeneratePreset(const std::string& path, GenerateSettings& settings);
// Writes a "GEN2" file (a file result code); `bigEndian` the other order.
int WriteGeneratePreset(const std::string& path, const GenerateSettings& settings,
                        bool bigEndian = false);

}  // namespace ob
