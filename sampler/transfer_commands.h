// The commands around a transfer, without windows: Send and Receive of the
// Sampler menu, the script functions' transfers, and the logic of the
// "Sampler Transfer" dialog (busy flag, preset list, applying a preset,
// OK). The windowed editor supplies the dialogs through the hooks below and
// writes the recorder lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sampler/sampler_preset.h"
#include "sampler/transfer_context.h"

namespace ob {

struct WaveRecord;

// The arguments of obSend and obReceive after the editor number.
struct TransferArguments {
    int32_t sampleNumber = 0;
    int32_t layer = 0;
    int32_t instrument = 0;
    int32_t channel = 1;
    int32_t flags = 0;  // bit 0 quiet; bits 1..3 option bits 0..2 (send only)
    int32_t midiIn = 0;
    int32_t midiOut = 0;
};
constexpr int32_t kSetupFailed = -1;
// The script transfers: the context set up for the current type, then the
// type's send or receive without a dialog. Result: a TransferResult, or
// kSetupFailed when the type cannot be set up. The receive expects an empty
// wave and refreshes the editor afterwards.
int32_t ScriptSend(WaveRecord& wave, const TransferArguments& args);
int32_t ScriptReceive(WaveRecord& wave, const TransferArguments& args);

// The "Sampler Transfer" dialog, shown by the windowed editor: returns the
// dialog's result (1 for Cancel). Without it the menu commands run the
// current type's own path.
using SamplerTransferDialogHook = int32_t (*)(int32_t direction, WaveRecord& wave);
extern SamplerTransferDialogHook gSamplerTransferDialogHook;

// The Send and Receive menu commands (Receive asks before replacing a wave).
// Any result other than 0 and 1 is shown in a box captioned with the title.
int32_t SendCommand(WaveRecord& wave);
int32_t ReceiveCommand(WaveRecord& wave);

// After a receive: overview, changed mark, redraw.
void RefreshAfterReceive(WaveRecord& wave);

// ---- The "Sampler Transfer" dialog's logic ----
constexpr const char* kTransferDialogBusyText = "Sampler transfer already in use";
struct TransferDialogState {
    int32_t direction = 0;
    int32_t selectedType = 0;
    std::vector<SamplerPreset> presets;
    std::string presetName;  // the combo box text
};
// Step 1 and 2: false (and the box shown) when a transfer dialog runs already.
bool BeginTransferDialog(TransferDialogState& state, int32_t direction, WaveRecord& wave);
// A row of the preset list (an index past the end takes the last row).
void ChooseTransferPreset(TransferDialogState& state, int index);
// Load Preset: false when the file cannot be read (the box is shown).
bool LoadTransferPreset(TransferDialogState& state, const std::string& path);
bool SaveTransferPreset(const TransferDialogState& state, const std::string& path);
// OK: sets the type up (5 when that fails; a type whose protocol is not built
// yet reports "This item is not yet available." and gives 1), stores the
// current preset and the type, runs the transfer; returns its result.
// `ran` (may be null) tells whether the transfer ran.
int32_t AcceptTransferDialog(TransferDialogState& state, bool* ran = nullptr);
void EndTransferDialog();

}  // namespace ob
