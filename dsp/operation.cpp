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

namespace {

// Out of place: the smoothing copies come from the original samples, so they
// are taken before the backup may move the buffers; then the frames outside
// the area are copied into the new buffers.
bool BeginOutOfPlace(WaveRecord& record, uint32_t operation, uint32_t kind, AreaEdit& edit) {
    if (!WaveHasData(&record)) return false;
    edit.area = AffectRange(record);
    if (uint64_t(edit.area.start) + edit.area.length > record.frameCount) edit.area.length = 0;
    CaptureSmoothing(record, edit.area, edit.edges);
    edit.token = BeginEdit(&record, operation, kind, true, &edit.handOver);
    if (!edit.token) {
        FreeSmoothing(edit.edges);
        return false;
    }
    const uint32_t end = edit.area.start + edit.area.length;
    for (int c = 0; c < 2; ++c) {
        const float* source = edit.handOver.source[c];
        if (!source) continue;
        float* samples = c == 0 ? record.leftSamples : record.rightSamples;
        CopyArea(samples, source, edit.area.start);
        CopyArea(samples + end, source + end, record.frameCount - end);
    }
    return true;
}

}  // namespace

bool BeginAreaEdit(WaveRecord& record, uint32_t operation, uint32_t kind, AreaEdit& edit,
                   bool outOfPlace) {
    edit = AreaEdit{};
    if (outOfPlace) return BeginOutOfPlace(record, operation, kind, edit);
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
