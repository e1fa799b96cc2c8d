// The preset records of the effects whose parameters are whole numbers: N
// 32-bit fields in the record's units, the 80-byte name, 4 reserved bytes.
// One descriptor per kind holds its field ranges and its built-in presets;
// reading checks every field against its range, so a hostile or damaged file
// never reaches an operation with values outside the dialog's controls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dsp/preset_file.h"

namespace ob {

constexpr size_t kEffectPresetMaxFields = 10;

struct FieldRange {
    int32_t low, high;
};

struct BuiltInPreset {
    const char* name;
    int32_t fields[kEffectPresetMaxFields];
};

struct EffectPresetFormat {
    int kindIndex;  // into kPresetKinds
    size_t fieldCount;
    const FieldRange* ranges;  // fieldCount entries
    const BuiltInPreset* builtIns;
    size_t builtInCount;
    const PresetKindInfo& Kind() const { return kPresetKinds[kindIndex]; }
    uint32_t RecordSize() const { return uint32_t(fieldCount * 4 + kPresetNameBytes + 4); }
};

// A record in this machine's byte order.
std::vector<uint8_t> EncodeEffectPreset(const EffectPresetFormat& format, const int32_t* fields,
                                        const std::string& name);
// False when a field lies outside its range (fields and name untouched then).
bool DecodeEffectPreset(const EffectPresetFormat& format, const uint8_t* record, int32_t* fields,
                        std::string* name);
// The built-in presets as records, back to back (for BuildPresetList).
std::vector<uint8_t> EffectPresetBuiltIns(const EffectPresetFormat& format);

// Reads a preset file (either byte order): a file result code; 13 "Corrupt
// File" when a field is out of range.
int ReadEffectPreset(const std::string& path, const EffectPresetFormat& format, int32_t* fields,
                     std::string* name);
int WriteEffectPreset(const std::string& path, const EffectPresetFormat& format,
                      const int32_t* fields, const std::string& name, bool bigEndian = false);

// Whole numbers of the record units, rounded to nearest and kept in range.
int32_t PresetField(double value, const FieldRange& range);

}  // namespace ob
