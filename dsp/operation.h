// What every sample operation shares: the result codes with their texts, the
// walk over the affect area in blocks (abort polled per block of at most 4096
// samples, progress stepped every area length / 20 samples), and the
// operation skeleton (BeginEdit, smoothing capture, per-channel walk with its
// status texts, smoothing, EndEdit).
#pragma once

#include <algorithm>
#include <cstdint>

#include "dsp/frame.h"
#include "dsp/smoothing.h"
#include "wave/wave_record.h"

namespace ob {

enum EditResult : int {
    kEditDone = 0,
    kEditNothing = 1,   // no sound (or no channel or area): nothing done
    kEditAborted = 2,   // aborted: the partial result stays, Undo restores
    kEditNoMemory = 3,  // "Not enough memory for this operation.\n" reported
    kEditRefused = 4,   // an argument was refused with the operation's message
};
constexpr int kEditResultCount = 5;
const char* EditResultText(int code);

constexpr uint32_t kAbortBlock = 4096;

// Steps the progress bar every `interval` samples (0 = never).
struct ProgressCounter {
    uint64_t interval = 0;
    uint64_t position = 0;
    void Advance(uint64_t n) {
        if (interval == 0) {
            position += n;
            return;
        }
        uint64_t before = position / interval;
        position += n;
        for (uint64_t s = position / interval; before < s; ++before) StepProgress();
    }
};

// Calls fn(samples, count) over `length` samples in blocks of at most 4096,
// polling the abort flag after each block. False when aborted.
template <class Fn>
bool ForEachBlock(float* samples, uint32_t length, ProgressCounter& progress, Fn&& fn) {
    for (uint32_t done = 0; done < length;) {
        uint32_t n = std::min(kAbortBlock, length - done);
        fn(samples + done, n);
        done += n;
        progress.Advance(n);
        if (AbortRequested()) return false;
    }
    return true;
}

// One started edit over the affect area.
struct AreaEdit {
    EditToken token;
    FrameRange area;
    SmoothingEdges edges;
};

// BeginEdit plus the affect range and the smoothing capture. False when there
// is nothing to do (no sound).
bool BeginAreaEdit(WaveRecord& record, uint32_t operation, uint32_t kind, AreaEdit& edit);
// Applies the smoothing (not after an abort) and ends the edit.
void FinishAreaEdit(AreaEdit& edit, bool aborted);

// Walks the channels of the edit: shows the channel status text, resets the
// progress bar, and calls fn(areaSamples, length, isRight) -> false to abort.
// Returns kEditDone or kEditAborted; finishes the edit either way.
template <class Fn>
int WalkAreaEdit(AreaEdit& edit, Fn&& fn) {
    WaveRecord& record = *edit.token.record;
    bool more = false;
    bool aborted = false;
    while (!aborted) {
        bool isRight = false;
        float* samples = NextEditChannel(record, more, &isRight);
        if (!samples) break;
        if (isRight)
            ShowEditStatus(kStatusRight);
        else if (more)
            ShowEditStatus(kStatusLeft);
        ResetProgress();
        aborted = !fn(samples + edit.area.start, edit.area.length, isRight);
        if (!more) break;
    }
    FinishAreaEdit(edit, aborted);
    return aborted ? kEditAborted : kEditDone;
}

// The plain skeleton: fn(samples, count) over every block of every channel.
template <class Fn>
int RunBlockOperation(WaveRecord& record, uint32_t operation, uint32_t kind, Fn&& fn) {
    AreaEdit edit;
    if (!BeginAreaEdit(record, operation, kind, edit)) return kEditNothing;
    return WalkAreaEdit(edit, [&](float* samples, uint32_t length, bool) {
        ProgressCounter progress{length / 20};
        return ForEachBlock(samples, length, progress, fn);
    });
}

}  // namespace ob
