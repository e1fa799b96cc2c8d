// The preset binding of an operation dialog for whole-number preset records
// (dsp/effect_preset.h): the built-ins, a list entry and the files, each
// turned into the operation's parameter struct by its field conversions.
#pragma once

#include <string>
#include <vector>

#include "app/operation_dialog.h"
#include "dsp/effect_preset.h"

namespace ob {

template <class P, const EffectPresetFormat& F, void (*To)(const P&, int32_t*),
          P (*From)(const int32_t*)>
struct EffectPresets {
    static std::vector<uint8_t> BuiltIns() { return EffectPresetBuiltIns(F); }
    static bool FromRecord(const uint8_t* record, void* params) {
        int32_t fields[kEffectPresetMaxFields] = {};
        std::string name;
        if (!DecodeEffectPreset(F, record, fields, &name)) return false;
        *static_cast<P*>(params) = From(fields);
        return true;
    }
    static int Read(const std::string& path, void* params, std::string* name) {
        int32_t fields[kEffectPresetMaxFields] = {};
        int result = ReadEffectPreset(path, F, fields, name);
        if (result == 0) *static_cast<P*>(params) = From(fields);
        return result;
    }
    static int Write(const std::string& path, const void* params, const std::string& name) {
        int32_t fields[kEffectPresetMaxFields] = {};
        To(*static_cast<const P*>(params), fields);
        return WriteEffectPreset(path, F, fields, name);
    }
    static DialogPresets Binding() {
        return {F.RecordSize(), uint32_t(F.fieldCount * 4), BuiltIns, FromRecord, Read, Write};
    }
};

}  // namespace ob
