// The shared part of the operation skeleton and the edit result texts.
#include "dsp/operation.h"

namespace ob {

namespace {
const char* const kTexts[kEditResultCount] = {
    "Done", "Nothing done", "Aborted", "Not enough memory for this operation.\n", "Refused",
};
}

const char* EditResultText(int code) {
    return code >= 0 && code < kEditResultCount ? kTexts[code] : "Unknown result";
}

bool BeginAreaEdit(WaveRecord& record, uint32_t operation, uint32_t kind, AreaEdit& edit) {
    edit = AreaEdit{};
    edit.token = BeginEdit(&record, operation, kind);
    if (!edit.token) return false;
    edit.area = AffectRange(record);
    if (uint64_t(edit.area.start) + edit.area.length > record.frameCount) edit.area.length = 0;
    CaptureSmoothing(record, edit.area, edit.edges);
    return true;
}

void FinishAreaEdit(AreaEdit& edit, bool aborted) {
    if (aborted)
        FreeSmoothing(edit.edges);
    else
        ApplySmoothing(*edit.token.record, edit.edges);
    EndEdit(edit.token);
}

}  // namespace ob
