// What every sample operation shares: the result codes with their texts, the
// walk over the affect area in blocks (abort polled per block of at most 4096
// samples, progress stepped every area length / 20 samples), and the
// operation skeleton (BeginEdit, smoothing capture, per-channel walk with its
// status texts, smoothing, EndEdit), in place or out of place (reading the
// originals the undo backup took over and writing new buffers).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "dsp/frame.h"
#include "dsp/smoothing.h"
#include "wave/undo.h"
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

// Copies n samples from src to dst unless they are the same place.
inline void CopyArea(float* dst, const float* src, uint32_t n) {
    if (dst != src && n) std::memcpy(dst, src, size_t(n) * sizeof(float));
}

// The same walk for an edit that reads `src` and writes `dst` (the same
// place when in place): fn(dst, src, count). After an abort the rest of dst
// is copied from src, so dst always ends complete: processed, then original.
template <class Fn>
bool ForEachBlockFrom(float* dst, const float* src, uint32_t length, ProgressCounter& progress,
                      Fn&& fn) {
    for (uint32_t done = 0; done < length;) {
        uint32_t n = std::min(kAbortBlock, length - done);
        fn(dst + done, src + done, n);
        done += n;
        progress.Advance(n);
        if (AbortRequested()) {
            CopyArea(dst + done, src + done, length - done);
            return false;
        }
    }
    return true;
}

// One started edit over the affect area.
struct AreaEdit {
    EditToken token;
    FrameRange area;
    SmoothingEdges edges;
    BackupHandOver handOver;  // set when the backup took the original buffers
};

// BeginEdit plus the affect range and the smoothing capture. False when there
// is nothing to do (no sound). With `outOfPlace` the edit may read the
// original samples from the backup and write new buffers (no copy is made for
// the backup then); the frames outside the area are copied here, and the walk
// must be WalkAreaEditFrom.
bool BeginAreaEdit(WaveRecord& record, uint32_t operation, uint32_t kind, AreaEdit& edit,
                   bool outOfPlace = false);
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

// The walk of an edit begun with `outOfPlace`: fn(dst, src, length, isRight)
// reads the area's input from src and writes every sample of dst (src == dst
// when the channel is edited in place); false to abort, with dst complete
// (ForEachBlockFrom does that). A channel the walk does not reach after an
// abort keeps its original samples.
template <class Fn>
int WalkAreaEditFrom(AreaEdit& edit, Fn&& fn) {
    const FrameRange area = edit.area;
    const BackupHandOver handOver = edit.handOver;
    return WalkAreaEdit(edit, [&](float* samples, uint32_t length, bool isRight) {
        const float* source = handOver.source[isRight ? 1 : 0];
        const float* src = source ? source + area.start : samples;
        if (fn(samples, src, length, isRight)) return true;
        // The right channel follows an aborted left one unprocessed.
        if (!isRight && handOver.source[1])
            CopyArea(edit.token.record->rightSamples + area.start, handOver.source[1] + area.start,
                     length);
        return false;
    });
}

// The plain skeleton: fn(dst, src, count) over every block of every channel,
// out of place when the backup allows it (fn writes dst[i] from src[i]; the
// two are the same place for an edit in place).
template <class Fn>
int RunBlockOperation(WaveRecord& record, uint32_t operation, uint32_t kind, Fn&& fn) {
    AreaEdit edit;
    if (!BeginAreaEdit(record, operation, kind, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [&](float* dst, const float* src, uint32_t length, bool) {
        ProgressCounter progress{length / 20};
        return ForEachBlockFrom(dst, src, length, progress, fn);
    });
}

}  // namespace ob
