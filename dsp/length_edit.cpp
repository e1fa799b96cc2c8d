// The splice, Delete, Trim and Shuffle.
#include "dsp/length_edit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/progress.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "dsp/insert.h"
#include "dsp/operation.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

bool (*gEmergencySaveHook)(WaveRecord& rightChannel) = nullptr;

namespace {

constexpr uint32_t kOpCutDelete = 3;
constexpr uint32_t kOpTrim = 5;
constexpr uint32_t kOpShuffle = 51;

constexpr int kMaxRetries = 50;

const char* const kRightChannelQuestion =
    "No memory for Right Channel.\nFree memory, then select YES to retry.\n,NO removes Right "
    "after saving it to disk.";

void ReportNoMemory(const WaveRecord& record, const std::string& caption) {
    if (caption.empty())
        ReportMessage(record, kTextNoMemory);
    else
        ReportMessage(record.window, caption, kTextNoMemory);
}

// Saves the record's right channel alone through the emergency hook.
bool SaveRightChannel(WaveRecord& record) {
    if (!gEmergencySaveHook || !record.rightSamples) return false;
    WaveRecord scratch;  // borrows the right channel, never frees it
    scratch.leftSamples = record.rightSamples;
    scratch.frameCount = record.frameCount;
    scratch.viewSpan = record.frameCount;
    scratch.sampleRate = record.sampleRate;
    scratch.name = record.name;
    bool saved = gEmergencySaveHook(scratch);
    scratch.leftSamples = nullptr;
    scratch.frameCount = 0;
    ClearLists(scratch, kListLoops | kListMarkers);
    DropOverviews(scratch);
    return saved;
}

// The right-channel fallback. Null with `dropRight` false: nothing may change.
float* ObtainRight(WaveRecord& record, uint64_t frames, bool& dropRight) {
    dropRight = false;
    if (float* right = NewChannelBlock(frames, false)) return right;
    if (frames > 0xFFFFFFFFull) return nullptr;
    if (record.undoHead) {
        DropBackups(record);
        NotifyChange(&record, kChangeUndo);
        if (float* right = NewChannelBlock(frames, false)) {
            ReportMessage(record, "Warning: Back-up had to be deleted.");
            return right;
        }
    }
    // Yes retries; an answer that never changes (an automatic one) cannot
    // keep the edit waiting for ever.
    for (int asked = 0; asked < kMaxRetries; ++asked) {
        QuestionAnswer answer = UI().Ask(record.window, TitleOf(record), kRightChannelQuestion,
                                         kButtonsYesNo, kAnswerNo);
        if (answer == kAnswerYes) {
            if (float* right = NewChannelBlock(frames, false)) return right;
            continue;
        }
        // No: the right channel goes only once it is saved.
        dropRight = SaveRightChannel(record);
        return nullptr;
    }
    return nullptr;
}

void Fill(float* to, const SplicePiece* pieces, size_t count, bool right) {
    for (size_t i = 0; i < count; ++i) {
        const float* from = right && pieces[i].right ? pieces[i].right : pieces[i].left;
        // memmove: a piece may lie in a buffer that is also being written.
        if (pieces[i].frames) std::memmove(to, from, size_t(pieces[i].frames) * sizeof(float));
        to += pieces[i].frames;
    }
}

// The view after `removed` frames at `position` became `inserted` frames.
void AdjustView(WaveRecord& record, uint32_t position, uint64_t removed, uint64_t inserted) {
    if (gProcessing.autoZoomOut) {
        record.viewStart = 0;
        record.viewSpan = record.frameCount;
    } else {
        uint64_t start = record.viewStart;
        if (start > position)
            start = start < position + removed ? position : start - removed + inserted;
        uint64_t span = std::min<uint64_t>(record.viewSpan ? record.viewSpan : record.frameCount,
                                           record.frameCount);
        if (start + span > record.frameCount) start = record.frameCount - span;
        record.viewStart = uint32_t(start);
        record.viewSpan = uint32_t(span);
    }
    record.mouseStart = 0;
    record.mouseLength = 1;
}

}  // namespace

int RebuildWave(WaveRecord& record, const SpliceEdit& edit) {
    if (!WaveHasData(&record)) return kEditNothing;
    uint64_t total = 0;
    for (size_t i = 0; i < edit.count; ++i) total += edit.pieces[i].frames;
    if (total == 0) return kEditNothing;
    float* left = total <= 0xFFFFFFFFull ? NewChannelBlock(total, false) : nullptr;
    if (!left) {
        ReportNoMemory(record, edit.caption);
        return kEditNoMemory;
    }
    float* right = nullptr;
    if (edit.stereo) {
        bool dropRight = false;
        right = ObtainRight(record, total, dropRight);
        if (!right && !dropRight) {
            ReleaseChannelBlock(left, total);
            ReportNoMemory(record, edit.caption);
            return kEditNoMemory;
        }
    }
    // Both buffers are filled from the old wave before either replaces it.
    SetProgressPercent(5);
    Fill(left, edit.pieces, edit.count, false);
    SetProgressPercent(50);
    if (right) Fill(right, edit.pieces, edit.count, true);
    SetProgressPercent(90);

    EditToken token = BeginEdit(&record, edit.operation, kBackupByCaller, false);
    AdoptIntoBackup(record, edit.operation, left, right, uint32_t(total));
    if (!right) record.mouseChannels &= 1u;
    AdjustView(record, edit.position, edit.removed, edit.inserted);
    AfterLengthChange(record);
    EndEdit(token);
    SetProgressPercent(100);
    return kEditDone;
}

int DeleteFrames(WaveRecord& record, uint32_t start, uint32_t length, uint32_t operation) {
    if (!WaveHasData(&record) || start >= record.frameCount) return kEditNothing;
    length = std::min(length, record.frameCount - start);
    if (length == 0 || length >= record.frameCount) return kEditNothing;
    const float* l = record.leftSamples;
    const float* r = record.rightSamples;
    uint32_t end = start + length;
    SplicePiece pieces[2] = {{l, r, start},
                             {l + end, r ? r + end : nullptr, record.frameCount - end}};
    SpliceEdit edit;
    edit.operation = operation;
    edit.pieces = pieces;
    edit.count = 2;
    edit.stereo = r != nullptr;
    edit.position = start;
    edit.removed = length;
    return RebuildWave(record, edit);
}

int DeleteArea(WaveRecord& record) {
    if (!WaveHasData(&record)) return kEditNothing;
    FrameRange area = AffectRange(record);
    return DeleteFrames(record, area.start, area.length, kOpCutDelete);
}

int TrimToArea(WaveRecord& record) {
    if (!WaveHasData(&record)) return kEditNothing;
    FrameRange area = AffectRange(record);
    if (area.start >= record.frameCount || area.length == 0) return kEditNothing;
    uint32_t length = std::min(area.length, record.frameCount - area.start);
    if (length >= record.frameCount) return kEditNothing;
    const float* r = record.rightSamples;
    SplicePiece piece{record.leftSamples + area.start, r ? r + area.start : nullptr, length};
    SpliceEdit edit;
    edit.operation = kOpTrim;
    edit.pieces = &piece;
    edit.count = 1;
    edit.stereo = r != nullptr;
    // The frames before the area go, and those after it.
    edit.position = 0;
    edit.removed = area.start;
    int result = RebuildWave(record, edit);
    return result;
}

int Shuffle(WaveRecord& record, uint32_t drop) {
    if (!WaveHasData(&record)) return kEditNothing;
    if (record.mouseChannels == 0) return kEditNothing;
    uint32_t start = std::min(record.mouseStart, record.frameCount - 1);
    uint32_t length = std::min(record.mouseLength, record.frameCount - start);
    uint32_t channels = record.mouseChannels & (record.rightSamples ? 3u : 1u);
    if (length == 0 || channels == 0) return kEditNothing;
    drop = std::min(drop, record.frameCount);
    EditToken token = BeginEdit(&record, kOpShuffle, kBackupWholeAllChannels, false);
    if (!token) return kEditNothing;
    uint32_t end = start + length;
    uint32_t first = start, last = end, newStart = start;
    if (drop > end) {  // the area then ends at drop
        last = drop;
        newStart = drop - length;
    } else if (drop < start) {  // the area then starts at drop
        first = drop;
        newStart = drop;
    }
    if (newStart != start) {
        for (int c = 0; c < 2; ++c) {
            if (!(channels & (1u << c))) continue;
            float* s = c == 0 ? record.leftSamples : record.rightSamples;
            // In place: the frames between the area and the drop point
            // change sides with the area; no scratch memory is needed.
            std::rotate(s + first, s + (drop > end ? end : start), s + last);
        }
        record.mouseStart = newStart;
        UpdateOverview(record, first, last - first, channels);
        NotifyChange(&record, kChangeSamples | kChangeView);
    }
    EndEdit(token);
    return kEditDone;
}

std::string DeleteAreaMacroLine(int editor) {
    char line[48];
    std::snprintf(line, sizeof line, "obDeleteAffectArea %d\n", editor);
    return line;
}

std::string TrimMacroLine(int editor) {
    char line[32];
    std::snprintf(line, sizeof line, "obTrim %d\n", editor);
    return line;
}

}  // namespace ob
