// Placing markers and loop points with the mouse: the "Mouse" buttons of the
// Set Marker and Set Loop dialogs leave a pending placement that the next
// click (marker) or the next two clicks (loop start, then end) in that
// editor's wave complete; and the rule a dragged loop point follows.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

struct PendingPlacement {
    enum Kind { None, Marker, Loop } kind = None;
    WaveRecord* record = nullptr;
    int id = 0;
    std::string name;  // marker: the name typed in the dialog
    uint8_t type = 0;  // loop: the type byte (direction, hidden bit)
    int sustain = -1;  // loop: the sustain and release choices
    int release = -1;
    bool haveStart = false;  // loop: the first click was taken
    uint32_t start = 0;
};
extern PendingPlacement gPendingPlacement;

// True when a placement waits for a click in `record`.
bool PlacementPending(const WaveRecord* record);
// Forgets a pending placement (the record is closing, or Escape).
void CancelPlacement();
// A click at `frame` (already limited to the last frame): snaps it when the
// kind's Auto Locate flag is on, places the item, records its macro line and
// announces the change. Returns true when the click was taken.
bool PlaceAt(WaveRecord& record, uint32_t frame);
// The status text that asks for the next click ("" when nothing waits).
std::string PlacementPrompt();

// A loop point dragged to `frame` (snapped when the loop flag is on): the
// held end moves there; when the start passes the end the two are swapped
// and `holdingStart` follows the point under the pointer. A position on the
// other end leaves the loop as it was, so a drag never deletes the loop.
void DragLoopPoint(WaveRecord& record, LoopNode& loop, bool& holdingStart, uint32_t frame);

}  // namespace ob
