// Set View 1-10 and Get View 1-10: ten remembered views, each the zoom
// (time span and level span), the scroll position (view start and level
// centre) and the affect area (the affect type and the Mouse Area) of an
// editor. Get View brings a view back into any editor, clipped to its sound.
#pragma once

#include <cstdint>

namespace ob {

struct WaveRecord;

constexpr int kSavedViewCount = 10;

struct SavedView {
    bool set = false;
    uint32_t start = 0, span = 0;
    int16_t centre = 0;
    uint16_t levelSpan = 65535;
    uint16_t affectArea = 0;
    uint32_t mouseStart = 0, mouseLength = 0, mouseChannels = 0;
};

// Slot 0..9; false for a bad slot or a record without sound.
bool SetView(int slot, const WaveRecord& record);
// Restores slot 0..9 into the record (and the global affect type); false
// when the slot is empty or the record has no sound.
bool GetView(int slot, WaveRecord* record);
const SavedView& SavedViewAt(int slot);
void ForgetSavedViews();

}  // namespace ob
