// Undo backups: taking them, exchanging them with the record for undo and
// redo, trimming the history, and the Undo History list logic.
#include "wave/undo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "wave/change_notice.h"
#include "wave/memory.h"
#include "wave/record_report.h"

namespace ob {

uint32_t gBackups = 1;

namespace {

const char* const kOperationNames[kOperationNameCount] = {
    "Unspecified",
    "Sytem Cut",
    "System Paste",
    "Cut/Delete",
    "Silence",
    "Trim",
    "Cut",
    "Paste",
    "Replace",
    "Combine Samples",
    "Cut List",
    "Mono to Stereo",
    "Stereo to Mono",
    "Sample Rate Transpose",
    "EQ: Bass & Treble",
    "EQ: Filters",
    "EQ: GraFreq",
    "EQ: Parametric",
    "Compressor",
    "Envelope Generator",
    "Gain",
    "Maximize",
    "Normalize",
    "Noise Gate",
    "Crossfade Loop",
    "DC Offset",
    "Replicate",
    "Insert Silence",
    "Unclip",
    "Amplitude Modulation",
    "Frequency Modulation",
    "Convolution",
    "Cross Multiply",
    "Chorus",
    "Flange",
    "Echo",
    "Reverb",
    "Grunge",
    "Differentiate",
    "Integrate",
    "Invert",
    "Reverse",
    "Rectify Fullwave",
    "Rectify Halfwave",
    "Harmony",
    "Pitch Shift",
    "Resynthesize",
    "Spectral Warp",
    "Time Stretch",
    "Transfer Function",
    "Freehand Draw",
    "Shuffle",
    "Impluse Modeling",
    "Time Variant Filter",
    "Delay",
    "Phaser",
    "Noise Reduction",
    "Click and Pop",
    "Three Dimension",
};

constexpr uint32_t kMinFramesForRange = 50000;

uint32_t ExistingChannels(const WaveRecord& record) {
    uint32_t bits = record.leftSamples ? 1u : 0u;
    if (record.rightSamples) bits |= 2u;
    return bits;
}

void FreeNode(UndoBackup* node) {
    size_t bytes = size_t(node->length) * sizeof(float);
    Release(node->left, bytes, kAllocLarge);
    Release(node->right, bytes, kAllocLarge);
    FreeOverview(node->leftOverview);
    FreeOverview(node->rightOverview);
    delete node;
}

// Unlinks a node from wherever it sits in its list and frees it.
void RemoveNode(UndoBackup* node) {
    *node->backLink = node->next;
    if (node->next) node->next->backLink = node->backLink;
    FreeNode(node);
}

UndoBackup* Oldest(const WaveRecord& record) {
    UndoBackup* node = record.undoHead;
    while (node && node->next) node = node->next;
    return node;
}

bool CopyOverview(const PeakOverview& from, uint32_t blocks, PeakOverview& to) {
    if (!from.pairs || from.blocks != blocks || blocks == 0) return true;  // nothing to keep
    if (!AllocateOverview(to, blocks)) return false;
    std::memcpy(to.pairs, from.pairs, OverviewBytes(blocks));  // with its coarse level
    return true;
}

// After an exchange the overview must match the wave's length again.
void MakeOverviewConsistent(WaveRecord& record) {
    uint32_t blocks = OverviewBlockCount(record.frameCount);
    uint32_t expected = blocks >= kOverviewMinBlocks ? blocks : 0;
    bool ok = record.leftOverview.blocks == expected &&
              (record.leftOverview.blocks == 0) == (record.leftOverview.pairs == nullptr);
    if (record.rightSamples)
        ok = ok && record.rightOverview.blocks == expected &&
             (record.rightOverview.blocks == 0) == (record.rightOverview.pairs == nullptr);
    else
        ok = ok && record.rightOverview.pairs == nullptr;
    if (ok) return;
    DropOverviews(record);
    if (expected) UpdateOverview(record, 0, 0, 3);
}

// One exchange of a backup with the record. False when the backup no longer
// fits the wave (nothing is changed then).
bool Exchange(WaveRecord& record, UndoBackup& node) {
    // The channels this node exchanges; fixed for the node's life. Mono to
    // stereo exchanges both buffers, so undo removes the right channel again
    // and redo brings it back.
    uint32_t swapped =
        node.operation == kOpMonoToStereo && node.kind != kBackupRange ? 3u : node.channels;
    if (node.kind == kBackupRange) {
        if (uint64_t(node.start) + node.length > record.frameCount) return false;
        if ((swapped & 1) && (!record.leftSamples || !node.left)) return false;
        if ((swapped & 2) && (!record.rightSamples || !node.right)) return false;
        // Swapping in place exchanges the saved frames with the current ones
        // without a further block.
        // Both sides are written in place: neither may be a buffer the
        // player still reads.
        if (!UnshareSamples(record)) return false;
        if (node.left && BlockIsShared(node.left)) {
            void* copy = UnshareBlock(node.left);
            if (!copy) return false;
            node.left = static_cast<float*>(copy);
        }
        if (node.right && BlockIsShared(node.right)) {
            void* copy = UnshareBlock(node.right);
            if (!copy) return false;
            node.right = static_cast<float*>(copy);
        }
        if (swapped & 1)
            std::swap_ranges(node.left, node.left + node.length, record.leftSamples + node.start);
        if (swapped & 2)
            std::swap_ranges(node.right, node.right + node.length,
                             record.rightSamples + node.start);
    } else {
        // A buffer that stays in the record must keep matching its frame count.
        if (node.length != record.frameCount) {
            if (!(swapped & 1) && record.leftSamples) return false;
            if (!(swapped & 2) && record.rightSamples) return false;
        }
        if ((swapped & 1) && !node.left) return false;  // a wave always keeps its left channel
        std::swap(record.frameCount, node.length);
        if (swapped & 1) std::swap(record.leftSamples, node.left);
        if (swapped & 2) std::swap(record.rightSamples, node.right);
    }
    std::swap(record.sampleRate, node.sampleRate);
    if (swapped & 1) std::swap(record.leftOverview, node.leftOverview);
    if (swapped & 2) std::swap(record.rightOverview, node.rightOverview);
    node.overviewBlocks = std::max(node.leftOverview.blocks, node.rightOverview.blocks);
    MakeOverviewConsistent(record);
    std::swap(record.viewStart, node.viewStart);
    std::swap(record.viewSpan, node.viewSpan);
    std::swap(record.viewLevelCentre, node.viewLevelCentre);
    std::swap(record.viewLevelSpan, node.viewLevelSpan);
    return true;
}

}  // namespace

const char* OperationName(uint32_t operation) {
    return operation < kOperationNameCount ? kOperationNames[operation] : kOperationNames[0];
}

void SetBackupDepth(int64_t value) {
    gBackups = uint32_t(std::clamp<int64_t>(value, 0, kMaxBackups));
    for (int n = 1; n < kEditorSlots; ++n) {
        if (!gEditorSlots[n]) continue;
        DropRedoAndTrim(*gEditorSlots[n]);
        NotifyChange(gEditorSlots[n], kChangeUndo);
    }
}

std::string BackupsMacroLine(uint32_t value) {
    char line[32];
    std::snprintf(line, sizeof line, "obBackups %u\n", value);
    return line;
}

uint32_t BackupCount(const WaveRecord& record) {
    uint32_t count = 0;
    for (const UndoBackup* node = record.undoHead; node; node = node->next) ++count;
    return count;
}

const UndoBackup* BackupAt(const WaveRecord& record, uint32_t index) {
    const UndoBackup* node = record.undoHead;
    while (node && index--) node = node->next;
    return node;
}

bool CanUndo(const WaveRecord& record) {
    if (!record.undoHead) return false;
    if (gBackups == 1) return true;
    return record.undoPosition < BackupCount(record);
}

bool CanRedo(const WaveRecord& record) {
    if (!record.undoHead) return false;
    if (gBackups == 1) return true;
    return record.undoPosition >= 1 && record.undoPosition <= BackupCount(record);
}

void DropRedoAndTrim(WaveRecord& record) {
    for (uint32_t i = 0; i < record.undoPosition && record.undoHead; ++i)
        RemoveNode(record.undoHead);
    record.undoPosition = 0;
    uint32_t count = BackupCount(record);
    while (count > gBackups) {
        RemoveNode(Oldest(record));
        --count;
    }
}

void DropBackups(WaveRecord& record) {
    while (record.undoHead) RemoveNode(record.undoHead);
    record.undoPosition = 0;
}

int MakeBackup(WaveRecord& record, uint32_t operation, uint32_t kind, BackupHandOver* handOver) {
    if (handOver) *handOver = BackupHandOver{};
    if (kind == kBackupByCaller) return kBackupNone;
    if (!record.leftSamples || record.frameCount == 0) return kBackupNone;
    uint32_t channels =
        kind == kBackupWholeAllChannels ? ExistingChannels(record) : AffectChannels(record);
    FrameRange range{0, record.frameCount};
    if (kind == kBackupRange) {
        FrameRange area = AffectRange(record);
        if (area.length <= record.frameCount / 2 && record.frameCount >= kMinFramesForRange &&
            gBackups != 1)
            range = area;
        else
            kind = kBackupWholeEditChannels;
    }
    if (kind > kBackupWholeAllChannels) kind = kBackupWholeAllChannels;
    if (gBackups == 0) {
        DropBackups(record);
        NotifyChange(&record, kChangeUndo);
        return kBackupNone;
    }
    DropRedoAndTrim(record);
    if (BackupCount(record) >= gBackups) RemoveNode(Oldest(record));
    channels &= ExistingChannels(record);
    if (channels == 0 || range.length == 0) {
        NotifyChange(&record, kChangeUndo);
        return kBackupNone;
    }

    UndoBackup* node = new (std::nothrow) UndoBackup;
    bool ok = node != nullptr;
    if (ok) {
        node->start = range.start;
        node->length = range.length;
        node->channels = channels;
        node->kind = kind;
        node->sampleRate = record.sampleRate;
        node->operation = operation;
        node->viewStart = record.viewStart;
        node->viewSpan = record.viewSpan;
        node->viewLevelCentre = record.viewLevelCentre;
        node->viewLevelSpan = record.viewLevelSpan;
        node->overviewBlocks = record.leftOverview.blocks;
        size_t bytes = size_t(range.length) * sizeof(float);
        if (channels & 1) {
            node->left = static_cast<float*>(Allocate(bytes, kAllocLarge));
            ok = node->left &&
                 CopyOverview(record.leftOverview, node->overviewBlocks, node->leftOverview);
        }
        if (ok && (channels & 2)) {
            node->right = static_cast<float*>(Allocate(bytes, kAllocLarge));
            ok = node->right &&
                 CopyOverview(record.rightOverview, node->overviewBlocks, node->rightOverview);
        }
        if (!ok) FreeNode(node);
    }
    if (!ok) {
        // The edit goes on unprotected; older steps could no longer be
        // exchanged safely with what it leaves, so they go too.
        DropBackups(record);
        ReportMessage(record, "Could not create backup for Undo");
        NotifyChange(&record, kChangeUndo);
        return kBackupNoMemory;
    }
    if (handOver && kind == kBackupWholeEditChannels) {
        // The node keeps the original buffers; the record gets the new ones,
        // which the edit fills from the originals.
        if (channels & 1) {
            std::swap(node->left, record.leftSamples);
            handOver->source[0] = node->left;
        }
        if (channels & 2) {
            std::swap(node->right, record.rightSamples);
            handOver->source[1] = node->right;
        }
    } else {
        if (channels & 1)
            std::memcpy(node->left, record.leftSamples + range.start, range.length * sizeof(float));
        if (channels & 2)
            std::memcpy(node->right, record.rightSamples + range.start,
                        range.length * sizeof(float));
    }
    node->next = record.undoHead;
    node->backLink = &record.undoHead;
    if (node->next) node->next->backLink = &node->next;
    record.undoHead = node;
    NotifyChange(&record, kChangeUndo);
    return kBackupMade;
}

int AdoptIntoBackup(WaveRecord& record, uint32_t operation, float* left, float* right,
                    uint32_t frames) {
    float* oldLeft = record.leftSamples;
    float* oldRight = record.rightSamples;
    uint32_t oldFrames = record.frameCount;
    int result = kBackupNone;
    UndoBackup* node = nullptr;
    if (gBackups == 0) {
        DropBackups(record);
    } else if (oldLeft && oldFrames) {
        DropRedoAndTrim(record);
        if (BackupCount(record) >= gBackups) RemoveNode(Oldest(record));
        node = new (std::nothrow) UndoBackup;
        if (!node) {
            DropBackups(record);
            ReportMessage(record, "Could not create backup for Undo");
            result = kBackupNoMemory;
        }
    }
    if (node) {
        node->start = 0;
        node->length = oldFrames;
        node->channels = ExistingChannels(record);
        node->kind = kBackupWholeAllChannels;
        node->sampleRate = record.sampleRate;
        node->operation = operation;
        node->viewStart = record.viewStart;
        node->viewSpan = record.viewSpan;
        node->viewLevelCentre = record.viewLevelCentre;
        node->viewLevelSpan = record.viewLevelSpan;
        // The overviews move with the samples: the new wave gets its own.
        node->overviewBlocks = record.leftOverview.blocks;
        node->left = oldLeft;
        node->right = oldRight;
        node->leftOverview = record.leftOverview;
        if (oldRight && record.rightOverview.blocks == node->overviewBlocks)
            node->rightOverview = record.rightOverview;
        else
            FreeOverview(record.rightOverview);
        record.leftOverview = PeakOverview{};
        record.rightOverview = PeakOverview{};
        node->next = record.undoHead;
        node->backLink = &record.undoHead;
        if (node->next) node->next->backLink = &node->next;
        record.undoHead = node;
        result = kBackupMade;
    } else {
        Release(oldLeft, size_t(oldFrames) * sizeof(float), kAllocLarge);
        Release(oldRight, size_t(oldFrames) * sizeof(float), kAllocLarge);
        DropOverviews(record);
    }
    record.leftSamples = left;
    record.rightSamples = right;
    record.frameCount = frames;
    NotifyChange(&record, kChangeUndo);
    return result;
}

namespace {

int Step(WaveRecord& record, uint32_t steps, bool undo) {
    if (!WaveHasData(&record)) {
        ReportMessage(record, undo ? "No wave here to Undo." : "No wave here to Redo.");
        return kUndoNoWave;
    }
    if (undo ? !CanUndo(record) : !CanRedo(record)) {
        ReportMessage(record, undo ? "Can't Undo at this point" : "Can't Redo at this point");
        return kUndoNothing;
    }
    bool error = false;
    for (uint32_t i = 0; i < steps; ++i) {
        if (undo ? !CanUndo(record) : !CanRedo(record)) break;
        UndoBackup* node;
        if (gBackups < 2)
            node = record.undoHead;
        else
            node = const_cast<UndoBackup*>(
                BackupAt(record, undo ? record.undoPosition : record.undoPosition - 1));
        if (!node || !Exchange(record, *node)) {
            error = true;
            continue;
        }
        if (gBackups >= 2) record.undoPosition += undo ? 1 : -1;
    }
    // The exchange may change samples, length, channels, loops and the view.
    NotifyChange(&record, kChangeAll);
    if (error) {
        ReportMessage(record, undo ? "Error processing Undo" : "Error processing Redo");
        return kUndoError;
    }
    return kUndoDone;
}

}  // namespace

int Undo(WaveRecord& record, uint32_t steps) {
    return Step(record, steps, true);
}
int Redo(WaveRecord& record, uint32_t steps) {
    return Step(record, steps, false);
}

std::vector<std::string> UndoHistoryLines(const WaveRecord& record) {
    std::vector<std::string> lines;
    for (const UndoBackup* node = record.undoHead; node; node = node->next)
        lines.push_back(OperationName(node->operation));
    return lines;
}

uint32_t UndoHistoryPreselected(const WaveRecord& record) {
    return record.undoPosition;
}

HistoryChoice UndoHistoryStepsFor(const WaveRecord& record, uint32_t line) {
    if (line >= record.undoPosition) return {true, line - record.undoPosition + 1};
    return {false, record.undoPosition - line};
}

int UndoHistoryChoose(WaveRecord* record, int64_t line) {
    if (!record || line < 0 || uint64_t(line) >= BackupCount(*record)) {
        if (record)
            ReportMessage(*record, "No wave or undo to process");
        else
            ReportMessage(nullptr, kProgramCaption, "No wave or undo to process");
        return kUndoNoChoice;
    }
    HistoryChoice choice = UndoHistoryStepsFor(*record, uint32_t(line));
    return choice.undo ? Undo(*record, choice.steps) : Redo(*record, choice.steps);
}

}  // namespace ob
