// State the script host keeps besides the wave model, and the helpers the
// host functions share: editor-number resolution, the active-editor rule of
// headless runs, the version text, and the "not yet available" answer of
// functions whose operation is not built yet.
#pragma once

#include <cstdint>
#include <string>

#include "sampler/sampler_types.h"  // gSamplerType, which the host functions select
#include "wave/wave_record.h"

namespace ob {

// The program's version text (obGetVersionInfo, the recorder header).
const char* VersionText();

// The mode of each editor window (OB_MODE_NORMAL .. OB_MODE_SCRUB), by slot.
extern int32_t gEditorModes[kEditorSlots];

// Editor number to record: 1..99 the slot, 0 the active editor; null for
// anything else and for slot 0's record. "Loaded" also needs a wave.
WaveRecord* ScriptEditor(int32_t number);
WaveRecord* ScriptLoadedEditor(int32_t number);

// After an editor was created or opened: it becomes the active one.
void MakeEditorActive(int number);
// After an editor was closed: when it was the active one, the highest-numbered
// open editor becomes active (0 when none is left).
void ActivateAfterClose();

// Reports "This item is not yet available.\n" (caption "Sample Orbick") and
// returns 0: the answer of script functions whose operation is not built yet.
int32_t NotYetAvailable();

// Clamps a value into lo..hi.
template <class T>
T Clamp(T value, T lo, T hi) {
    return value < lo ? lo : (value > hi ? hi : value);
}

}  // namespace ob
