// Preset records of whole-number fields.
#include "dsp/effect_preset.h"

#include <cmath>
#include <cstring>

#include "wave/file_result.h"

namespace ob {

std::vector<uint8_t> EncodeEffectPreset(const EffectPresetFormat& format, const int32_t* fields,
                                        const std::string& name) {
    std::vector<uint8_t> record(format.RecordSize(), 0);
    std::memcpy(record.data(), fields, format.fieldCount * 4);
    StoreFieldText(record.data() + format.fieldCount * 4, kPresetNameBytes, name);
    return record;
}

bool DecodeEffectPreset(const EffectPresetFormat& format, const uint8_t* record, int32_t* fields,
                        std::string* name) {
    int32_t values[kEffectPresetMaxFields];
    std::memcpy(values, record, format.fieldCount * 4);
    for (size_t i = 0; i < format.fieldCount; ++i)
        if (values[i] < format.ranges[i].low || values[i] > format.ranges[i].high) return false;
    std::memcpy(fields, values, format.fieldCount * 4);
    if (name) *name = FieldText(record + format.fieldCount * 4, kPresetNameBytes);
    return true;
}

std::vector<uint8_t> EffectPresetBuiltIns(const EffectPresetFormat& format) {
    std::vector<uint8_t> all;
    for (size_t i = 0; i < format.builtInCount; ++i) {
        std::vector<uint8_t> one =
            EncodeEffectPreset(format, format.builtIns[i].fields, format.builtIns[i].name);
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

int ReadEffectPreset(const std::string& path, const EffectPresetFormat& format, int32_t* fields,
                     std::string* name) {
    std::vector<uint8_t> record(format.RecordSize());
    bool swapped = false;
    int result =
        ReadPresetFile(path, format.Kind().kind, record.data(), format.RecordSize(), &swapped);
    if (result != kFileOk) return result;
    if (swapped) SwapWords32(record.data(), 0, format.fieldCount);
    return DecodeEffectPreset(format, record.data(), fields, name) ? kFileOk : kCorruptFile;
}

int WriteEffectPreset(const std::string& path, const EffectPresetFormat& format,
                      const int32_t* fields, const std::string& name, bool bigEndian) {
    std::vector<uint8_t> record = EncodeEffectPreset(format, fields, name);
    if (bigEndian) SwapWords32(record.data(), 0, format.fieldCount);
    return WritePresetFile(path, format.Kind().kind, record.data(), format.RecordSize(), bigEndian);
}

int32_t PresetField(double value, const FieldRange& range) {
    if (!std::isfinite(value)) return range.low;
    double r = std::floor(value + 0.5);
    if (r < range.low) return range.low;
    if (r > range.high) return range.high;
    return int32_t(r);
}

}  // namespace ob
