// What every dialog with presets shares: opening with its preset list built
// (files of its kind in the presets folder, then its built-ins), and the Load
// and Save buttons with their error texts.
#pragma once

#include <functional>
#include <string>

#include "base/dialog_guard.h"
#include "dsp/preset_file.h"
#include "dsp/preset_list.h"

namespace ob {

struct WaveRecord;

// Byte-swaps the numeric fields of a record read from a file of the other
// byte order (each dialog knows its own layout).
using SwapRecordFields = void (*)(void* record);

// The dialog guard plus the preset list: builds the list from gPresetsFolder,
// runs `run(list)` with the dialog's bit set, frees the list. False when the
// dialog was already open (its guard text is reported).
bool OpenPresetDialog(WaveRecord* record, ProcessDialog dialog, const PresetKindInfo& kind,
                      const void* builtIns, const std::function<void(PresetList&)>& run);

// Load button: reads the record of the dialog's kind (swapping its fields for
// the other byte order). On failure reports "Error Reading <dialog> Preset
// File" with the caption "Sample Orbick 24/96" and leaves `record` unchanged.
bool LoadPreset(const std::string& path, const PresetKindInfo& kind, void* record,
                SwapRecordFields swap);
// Save button: writes the record; on failure reports "Error Writing <dialog>
// Preset File". The name field is the last 80 bytes of the record.
bool SavePreset(const std::string& path, const PresetKindInfo& kind, const void* record);

}  // namespace ob
