// The ten remembered views.
#include "app/view_memory.h"

#include <algorithm>

#include "script/recorder.h"
#include "wave/change_notice.h"
#include "wave/wave_record.h"

namespace ob {

namespace {
SavedView gViews[kSavedViewCount];
}

bool SetView(int slot, const WaveRecord& r) {
    if (slot < 0 || slot >= kSavedViewCount || !WaveHasData(&r)) return false;
    SavedView& v = gViews[slot];
    v.set = true;
    v.start = r.viewStart;
    v.span = r.viewSpan;
    v.centre = r.viewLevelCentre;
    v.levelSpan = r.viewLevelSpan;
    v.affectArea = gEditing.affectArea;
    v.mouseStart = r.mouseStart;
    v.mouseLength = r.mouseLength;
    v.mouseChannels = r.mouseChannels;
    return true;
}

bool GetView(int slot, WaveRecord* r) {
    if (slot < 0 || slot >= kSavedViewCount || !gViews[slot].set || !WaveHasData(r)) return false;
    const SavedView& v = gViews[slot];
    r->viewSpan = std::min(std::max<uint32_t>(v.span, 1), r->frameCount);
    r->viewStart = std::min(v.start, r->frameCount - r->viewSpan);
    r->viewLevelCentre = v.centre;
    r->viewLevelSpan = v.levelSpan;
    // The Mouse Area, clipped to this sound; a sound of one channel keeps the left.
    if (v.mouseChannels && v.mouseStart < r->frameCount) {
        r->mouseStart = v.mouseStart;
        r->mouseLength = std::min(v.mouseLength, r->frameCount - v.mouseStart);
        r->mouseChannels = r->rightSamples ? v.mouseChannels : 1u;
    } else {
        r->mouseChannels = 0;
        r->mouseStart = r->mouseLength = 0;
    }
    if (v.affectArea >= kAffectAll && v.affectArea <= kAffectMouse &&
        gEditing.affectArea != v.affectArea) {
        gEditing.affectArea = v.affectArea;
        RecordLine([&] { return SetAffectTypeLine(v.affectArea); });
        for (int n = 1; n < kEditorSlots; ++n)
            if (gEditorSlots[n] && gEditorSlots[n] != r) NotifyChange(gEditorSlots[n], kChangeView);
    }
    NotifyChange(r, kChangeView);
    return true;
}

const SavedView& SavedViewAt(int slot) {
    static const SavedView kNone;
    return slot >= 0 && slot < kSavedViewCount ? gViews[slot] : kNone;
}

void ForgetSavedViews() {
    for (SavedView& v : gViews) v = SavedView{};
}

}  // namespace ob
