// The processing frame every sample-changing operation runs in: its settings
// (smoothing, edit-and-play, abortable, auto zoom out), BeginEdit / EndEdit,
// the per-channel walk and the status texts. The abort flag and the progress
// bar are in base/progress.h.
#pragma once

#include <cstdint>
#include <string>

#include "base/progress.h"
#include "wave/wave_record.h"

namespace ob {

// Options of the Smoothing setting.
enum SmoothingOptions : uint32_t {
    kSmoothStart = 0x0800,  // smooth at the start of the area
    kSmoothEnd = 0x1000,    // smooth at the end of the area
};

// Settings of the frame. The settings store of the shell persists them
// (smoothing time, and the display-flag bits 0x0002, 0x0200, 0x0400, 0x0800,
// 0x1000); until then they are plain globals.
struct ProcessingSettings {
    uint32_t smoothingMs = 10;      // 0 is taken as 1
    uint32_t smoothingOptions = 0;  // kSmoothStart | kSmoothEnd
    bool editAndPlay = false;       // play the affect area after each edit
    bool abortable = false;         // show the abort window during edits
    bool autoZoomOut = false;       // view the whole sound after length changes
};
extern ProcessingSettings gProcessing;
// Stores a smoothing time (0 becomes 1).
void SetSmoothingTime(uint32_t ms);

// Edit-and-play: the playback module sets this hook; EndEdit calls it with the
// record when the edit-and-play setting is on (Play Affect).
extern void (*gEditAndPlayHook)(WaveRecord& record);

// Status texts of the edit frame, index 0..4 (others are taken as 0).
enum EditStatus : int {
    kStatusBlank = 0,
    kStatusReady = 1,
    kStatusProcessing = 2,
    kStatusLeft = 3,
    kStatusRight = 4,
};
const char* EditStatusText(int index);
void ShowEditStatus(int index);
// "Elapsed Time: %3.1f seconds" for a duration in milliseconds.
std::string ElapsedTimeText(uint64_t milliseconds);

struct BackupHandOver;  // wave/undo.h

// An edit in progress; a null record is the 0 token (nothing to do).
struct EditToken {
    WaveRecord* record = nullptr;
    uint64_t startMs = 0;
    bool abortWindow = false;
    explicit operator bool() const { return record != nullptr; }
};
// Starts an edit: no sound gives the 0 token. Shows the wait pointer and
// "Processing...", takes the undo backup, clears the abort flag and starts the
// abort window when the Abortable setting is on (and `abortable` allows it:
// length-changing operations switch it off).
// With `handOver` the backup may move the edit channels' buffers instead of
// copying them (see BackupHandOver): the caller then fills the new ones.
EditToken BeginEdit(WaveRecord* record, uint32_t operation, uint32_t backupKind,
                    bool abortable = true, BackupHandOver* handOver = nullptr);
// Ends an edit: every path out of a started edit passes here, the abort path
// included. Rebuilds the overview of the affect area, shows the elapsed time,
// sets the changed mark, tidies loops and markers, redraws, plays when
// edit-and-play is on.
void EndEdit(EditToken& token);

// The per-channel walk over the channels of AffectChannels. Start with
// `more` false; returns the samples of the next channel or null. `more` comes
// back true when another channel follows. `isRight` tells which one it was.
float* NextEditChannel(WaveRecord& record, bool& more, bool* isRight = nullptr);

}  // namespace ob
