// Edits that rebuild a wave with a new length or a new order of frames:
// Delete (remove the affect area), Trim (keep only the affect area), Shuffle
// (move the Mouse area), and the splice they share with the clip and
// clipboard pastes. A splice builds the new channels out of place before
// anything changes, with the right-channel fallback when memory runs short,
// then hands the old buffers to the undo backup instead of copying them, so an
// edit costs at most the old and the new wave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

// One stretch of the new wave: `frames` frames read from `left` and `right`
// (right null: the left samples serve both channels).
struct SplicePiece {
    const float* left = nullptr;
    const float* right = nullptr;
    uint64_t frames = 0;
};

struct SpliceEdit {
    uint32_t operation = 0;  // undo operation number
    const SplicePiece* pieces = nullptr;
    size_t count = 0;
    bool stereo = false;  // the new wave has a right channel
    // For the view: `removed` frames at `position` gave way to `inserted` ones.
    uint32_t position = 0;
    uint64_t removed = 0;
    uint64_t inserted = 0;
    // Caption of the memory message; empty: the record's title.
    std::string caption;
};

// Builds the new wave from the pieces (64-bit length; beyond 2^32 - 1 frames
// or the memory budget: "Not enough memory for this operation.\n" and nothing
// changes), takes the whole-wave backup, installs the new channels, adjusts
// the view, sets the Mouse area to (0, 1) and finishes the edit. An EditResult.
int RebuildWave(WaveRecord& record, const SpliceEdit& edit);

// The emergency save of the right-channel fallback: saves the mono wave it is
// given (the right channel) after asking for a path; true when saved. The
// shell installs it; without it (batch mode) the fallback changes nothing.
extern bool (*gEmergencySaveHook)(WaveRecord& rightChannel);

// Removes `length` frames from `start` of both channels (limited to the wave;
// nothing when that leaves no frame) as undo operation `operation`.
int DeleteFrames(WaveRecord& record, uint32_t start, uint32_t length, uint32_t operation);
// Delete ("Cut/Delete"): removes the affect area; nothing when it is the whole wave.
int DeleteArea(WaveRecord& record);
// Trim: keeps only the affect area; nothing when it is the whole wave.
int TrimToArea(WaveRecord& record);
// Shuffle: moves the frames of the Mouse area so that they end at `drop`
// (dropped after the area) or start there (dropped before it), on the
// channels of the Mouse area; the Mouse area follows. Dropped inside the area
// nothing moves (the backup is still taken).
int Shuffle(WaveRecord& record, uint32_t drop);

std::string DeleteAreaMacroLine(int editor);  // "obDeleteAffectArea %d\n"
std::string TrimMacroLine(int editor);        // "obTrim %d\n"

}  // namespace ob
