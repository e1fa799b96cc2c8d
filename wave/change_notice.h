// Change notification: the core announces what changed in a wave record, and
// whoever shows records (the editor windows) observes. Batch mode has no
// observers, so a notice costs a check of an empty list.
#pragma once

#include <cstdint>
#include <vector>

namespace ob {

struct WaveRecord;

// What changed; a notice carries any combination.
enum ChangeWhat : uint32_t {
    kChangeSamples = 1u << 0,       // sample values in [firstFrame, endFrame)
    kChangeLength = 1u << 1,        // frame count, channels or rate (redraw everything)
    kChangeLoopsMarkers = 1u << 2,  // loops, markers, key map, fine tune
    kChangeUndo = 1u << 3,          // undo/redo state and the changed mark
    kChangeName = 1u << 4,          // name, path or title
    kChangeView = 1u << 5,          // view position, zoom or affect area
    kChangeClosed = 1u << 6,        // the record is going away
    kChangeAll = 0xffffffffu,
};

struct ChangeNotice {
    WaveRecord* record = nullptr;
    uint32_t what = 0;        // ChangeWhat bits
    uint32_t firstFrame = 0;  // with kChangeSamples: the changed frames
    uint32_t endFrame = 0;    // one past the last changed frame
};

class ChangeObserver {
  public:
    virtual ~ChangeObserver() = default;
    virtual void OnChange(const ChangeNotice& notice) = 0;
};

// Observers are called in the order they were added, on the thread that
// made the change (the core's edits run on the window's thread).
void AddChangeObserver(ChangeObserver* observer);
void RemoveChangeObserver(ChangeObserver* observer);
void NotifyChange(const ChangeNotice& notice);
void NotifyChange(WaveRecord* record, uint32_t what);
void NotifySamplesChanged(WaveRecord* record, uint32_t firstFrame, uint32_t endFrame);

}  // namespace ob
