// The script host's own state and the shared helpers of the host functions.
#include "script/host_state.h"

#include "base/messages.h"

namespace ob {

int32_t gEditorModes[kEditorSlots] = {};

const char* VersionText() {
    return "Sample Orbick 24/96 Version 0.1 (built " __DATE__ ")";
}

WaveRecord* ScriptEditor(int32_t number) {
    if (number < 0 || number >= kEditorSlots) return nullptr;
    WaveRecord* record = FindEditor(number);
    if (!record || record == gEditorSlots[0]) return nullptr;
    return record;
}

WaveRecord* ScriptLoadedEditor(int32_t number) {
    WaveRecord* record = ScriptEditor(number);
    return WaveHasData(record) ? record : nullptr;
}

void MakeEditorActive(int number) {
    if (number >= 1 && number < kEditorSlots && gEditorSlots[number]) gActiveEditor = number;
}

void ActivateAfterClose() {
    if (gActiveEditor >= 1 && gActiveEditor < kEditorSlots && gEditorSlots[gActiveEditor]) return;
    gActiveEditor = 0;
    for (int i = kEditorSlots - 1; i >= 1; --i) {
        if (gEditorSlots[i]) {
            gActiveEditor = i;
            return;
        }
    }
}

int32_t NotYetAvailable() {
    ReportNotAvailable();
    return 0;
}

}  // namespace ob
