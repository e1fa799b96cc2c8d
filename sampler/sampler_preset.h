// Sampler dump presets ("DUMP", 140 bytes, little-endian): the record, its
// file form, the ten built-in presets, the current preset, and the preset
// list of the "Sampler Transfer" dialog (built-ins first, then the files of
// the presets folder).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sampler/transfer_context.h"

namespace ob {

constexpr uint32_t kSamplerPresetBytes = 140;
constexpr int kSamplerBuiltInPresets = 10;
constexpr const char* kSamplerPresetKind = "DUMP";
constexpr const char* kSamplerPresetReadError = "Error Reading Sampler Dump Preset File";
constexpr const char* kSamplerPresetWriteError = "Error Writing Sampler Dump Preset File";

struct SamplerPreset {
    int32_t type = 0;
    int32_t words[kParameterWords] = {};
    int32_t midiOutDevice = 0;
    int32_t midiInDevice = 0;
    std::string name;  // at most 79 bytes are kept
};

void EncodeSamplerPreset(const SamplerPreset& preset, uint8_t out[kSamplerPresetBytes]);
// `swapped`: the record came from a file of the other byte order; its first
// fourteen words are swapped back.
SamplerPreset DecodeSamplerPreset(const uint8_t in[kSamplerPresetBytes], bool swapped);

const SamplerPreset& BuiltInSamplerPreset(int index);  // 0..9
// The preset the dialog opens with (initially the first built-in).
extern SamplerPreset gCurrentSamplerPreset;

// File results as in the preset container (0 = success).
int ReadSamplerPresetFile(const std::string& path, SamplerPreset& preset);
int WriteSamplerPresetFile(const std::string& path, const SamplerPreset& preset);

// Built-ins, then the "DUMP" files of `folder` (empty = the presets folder).
int BuildSamplerPresetList(const std::string& folder, std::vector<SamplerPreset>& list);

// Copying between a preset and the context (the eleven words and two devices).
void ApplySamplerPreset(TransferContext& context, const SamplerPreset& preset);
SamplerPreset SamplerPresetFromContext(const TransferContext& context, int32_t type,
                                       const std::string& name);

}  // namespace ob
