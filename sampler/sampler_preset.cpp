// Sampler dump presets.
#include "sampler/sampler_preset.h"

#include <cstring>

#include "dsp/preset_file.h"
#include "dsp/preset_list.h"

namespace ob {

namespace {

void PutLe32(uint8_t* p, int32_t v) {
    uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(u >> (8 * i));
}

int32_t GetLe32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

SamplerPreset Row(const char* name, int32_t type, int32_t channel, int32_t sample, int32_t layer) {
    SamplerPreset p;
    p.name = name;
    p.type = type;
    p.words[kWordChannel] = channel;
    p.words[kWordSampleNumber] = sample;
    p.words[kWordLayer] = layer;
    return p;
}

const SamplerPreset kBuiltIns[kSamplerBuiltInPresets] = {
    Row("16 bit sample dump standard", 1, 1, 1, 0),
    Row("12 bit sample dump standard", 0, 1, 1, 0),
    Row("Akai S1000 on channel 2", 1, 2, 1, 0),
    Row("E-Mu E4 on channel 3", 1, 3, 1, 0),
    Row("E-Mu E4 on SMDI device 2", 8, 0, 1, 2),
    Row("E-Mu E-Max on channel 4", 0, 4, 1, 0),
    Row("Ensoniq EPS on channel 5", 3, 5, 1, 0),
    Row("Peavey DPM-SP on SMDI device 3", 8, 0, 0, 3),
    Row("Peavey DPM-SX on SMDI device 4", 8, 0, 0, 4),
    Row("Roland S770 on channel 6", 1, 6, 1, 0),
};

}  // namespace

SamplerPreset gCurrentSamplerPreset = kBuiltIns[0];

const SamplerPreset& BuiltInSamplerPreset(int index) {
    if (index < 0) index = 0;
    if (index >= kSamplerBuiltInPresets) index = kSamplerBuiltInPresets - 1;
    return kBuiltIns[index];
}

void EncodeSamplerPreset(const SamplerPreset& p, uint8_t out[kSamplerPresetBytes]) {
    std::memset(out, 0, kSamplerPresetBytes);
    PutLe32(out, p.type);
    for (size_t i = 0; i < kParameterWords; ++i) PutLe32(out + 4 + 4 * i, p.words[i]);
    PutLe32(out + 48, p.midiOutDevice);
    PutLe32(out + 52, p.midiInDevice);
    StoreFieldText(out + 56, kPresetNameBytes, p.name);
}

SamplerPreset DecodeSamplerPreset(const uint8_t in[kSamplerPresetBytes], bool swapped) {
    uint8_t record[kSamplerPresetBytes];
    std::memcpy(record, in, sizeof record);
    if (swapped) SwapWords32(record, 0, 14);
    SamplerPreset p;
    p.type = GetLe32(record);
    for (size_t i = 0; i < kParameterWords; ++i) p.words[i] = GetLe32(record + 4 + 4 * i);
    p.midiOutDevice = GetLe32(record + 48);
    p.midiInDevice = GetLe32(record + 52);
    p.name = FieldText(record + 56, kPresetNameBytes);
    return p;
}

int ReadSamplerPresetFile(const std::string& path, SamplerPreset& preset) {
    uint8_t record[kSamplerPresetBytes];
    bool swapped = false;
    int r = ReadPresetFile(path, kSamplerPresetKind, record, kSamplerPresetBytes, &swapped);
    if (r != 0) return r;
    preset = DecodeSamplerPreset(record, swapped);
    return 0;
}

int WriteSamplerPresetFile(const std::string& path, const SamplerPreset& preset) {
    uint8_t record[kSamplerPresetBytes];
    EncodeSamplerPreset(preset, record);
    return WritePresetFile(path, kSamplerPresetKind, record, kSamplerPresetBytes);
}

int BuildSamplerPresetList(const std::string& folder, std::vector<SamplerPreset>& list) {
    list.assign(kBuiltIns, kBuiltIns + kSamplerBuiltInPresets);
    PresetList files;
    int r = BuildPresetList(folder.empty() ? gPresetsFolder : folder, kSamplerPresetKind,
                            kSamplerPresetBytes, nullptr, 0, files);
    if (r != 0) return r;
    for (uint32_t i = 0; i < files.fileCount; ++i)
        list.push_back(DecodeSamplerPreset(files.Record(i), false));
    return 0;
}

void ApplySamplerPreset(TransferContext& c, const SamplerPreset& p) {
    std::memcpy(c.words, p.words, sizeof c.words);
    c.midiOutDevice = p.midiOutDevice;
    c.midiInDevice = p.midiInDevice;
}

SamplerPreset SamplerPresetFromContext(const TransferContext& c, int32_t type,
                                       const std::string& name) {
    SamplerPreset p;
    p.type = type;
    std::memcpy(p.words, c.words, sizeof p.words);
    p.midiOutDevice = c.midiOutDevice;
    p.midiInDevice = c.midiInDevice;
    p.name = name.substr(0, kPresetNameBytes - 1);
    return p;
}

}  // namespace ob
