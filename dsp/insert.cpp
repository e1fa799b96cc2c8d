// Replicate, insert silence and append.
#include "dsp/insert.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/frame.h"
#include "dsp/operation.h"
#include "wave/change_notice.h"
#include "wave/memory.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

float* NewChannelBlock(uint64_t frames, bool zero) {
    if (frames == 0 || frames > 0xFFFFFFFFull) return nullptr;
    return static_cast<float*>(
        Allocate(size_t(frames) * sizeof(float), kAllocLarge | (zero ? kAllocZero : 0u)));
}

void ReleaseChannelBlock(float* block, uint64_t frames) {
    Release(block, size_t(frames) * sizeof(float), kAllocLarge);
}

void ReplaceChannels(WaveRecord& record, float* left, float* right, uint32_t frames) {
    ReleaseChannelBlock(record.leftSamples, record.frameCount);
    ReleaseChannelBlock(record.rightSamples, record.frameCount);
    record.leftSamples = left;
    record.rightSamples = right;
    record.frameCount = frames;
}

void AfterLengthChange(WaveRecord& record) {
    if (record.viewStart >= record.frameCount) record.viewStart = 0;
    if (gProcessing.autoZoomOut) {
        record.viewStart = 0;
        record.viewSpan = record.frameCount;
    }
    UpdateOverview(record, 0, 0, 3);
    NotifyChange(&record, kChangeLength | kChangeView);
}

namespace {

const char* const kReplicateNames[3] = {"OB_REPLICATE_SECS", "OB_REPLICATE_MILLISECS",
                                        "OB_REPLICATE_REPS"};
const char* const kInsertUnitNames[3] = {"OB_INSERT_SECONDS", "OB_INSERT_MILLISECONDS",
                                         "OB_INSERT_SAMPLEPOINTS"};
const char* const kInsertPlaceNames[5] = {"0", "OB_INSERT_SAMPLESTART", "OB_INSERT_SAMPLEEND",
                                          "OB_INSERT_AFFECTSTART", "OB_INSERT_AFFECTEND"};

// Truncated frame count of a non-negative amount, saturated beyond 2^32.
uint64_t Frames(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 18446744073709551615.0) return ~uint64_t(0);
    return uint64_t(value);
}

// Both new blocks or none.
bool NewBlocks(const WaveRecord& record, uint64_t frames, bool zero, float*& left, float*& right) {
    left = NewChannelBlock(frames, zero);
    right = record.rightSamples && left ? NewChannelBlock(frames, zero) : nullptr;
    if (left && (right || !record.rightSamples)) return true;
    ReleaseChannelBlock(left, frames);
    left = right = nullptr;
    return false;
}

int NoMemory(WaveRecord& record) {
    ReportMessage(record, kTextNoMemory);
    return kEditNoMemory;
}

}  // namespace

int Replicate(WaveRecord& record, const ReplicateParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    if (!(params.amount > 0.0)) {
        ReportMessage(record, "Replication must be greater than 0");
        return kEditRefused;
    }
    FrameRange area = AffectRange(record);
    if (area.length == 0 || uint64_t(area.start) + area.length > record.frameCount) {
        ReportNoAffectArea(record);
        return kEditRefused;
    }
    uint64_t n;
    if (params.unit == kReplicateRepetitions)
        n = Frames(double(area.length) * params.amount);
    else
        n = Frames(double(record.sampleRate) * (params.unit == kReplicateMilliseconds
                                                    ? params.amount / 1000.0
                                                    : params.amount));
    if (n == 0) return kEditNothing;  // less than one frame: nothing to add
    uint64_t total = uint64_t(record.frameCount) + n;
    float* left;
    float* right;
    if (total > 0xFFFFFFFFull || !NewBlocks(record, total, false, left, right))
        return NoMemory(record);

    EditToken token = BeginEdit(&record, kOpReplicate, kBackupWholeAllChannels, false);
    uint64_t copies = n / area.length, rest = n % area.length;
    uint64_t areaEnd = uint64_t(area.start) + area.length;
    for (int c = 0; c < 2; ++c) {
        const float* from = c == 0 ? record.leftSamples : record.rightSamples;
        float* to = c == 0 ? left : right;
        if (!from) continue;
        if (record.rightSamples) ShowEditStatus(c == 0 ? kStatusLeft : kStatusRight);
        std::memcpy(to, from, areaEnd * sizeof(float));
        float* out = to + areaEnd;
        for (uint64_t k = 0; k < copies; ++k, out += area.length) {
            std::memcpy(out, from + area.start, size_t(area.length) * sizeof(float));
            SetProgress(k, copies);
        }
        std::memcpy(out, from + area.start, size_t(rest) * sizeof(float));
        out += rest;
        std::memcpy(out, from + areaEnd, size_t(record.frameCount - areaEnd) * sizeof(float));
        SetProgressPercent(100);
    }
    ReplaceChannels(record, left, right, uint32_t(total));
    AfterLengthChange(record);
    EndEdit(token);
    return kEditDone;
}

std::string ReplicateMacroLine(int editor, const ReplicateParams& params) {
    int unit = params.unit >= 0 && params.unit <= 2 ? params.unit : kReplicateRepetitions;
    char line[128];
    std::snprintf(line, sizeof line, "obReplicate %d, %.3f, %s\n", editor, params.amount,
                  kReplicateNames[unit]);
    return line;
}

uint64_t SilenceFrames(double amount, int unit, uint32_t rate) {
    if (unit == kInsertSamplePoints) return Frames(amount);
    double seconds = unit == kInsertMilliseconds ? amount / 1000.0 : amount;
    return Frames(double(rate) * seconds);
}

int InsertSilence(WaveRecord& record, const InsertSilenceParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    uint64_t n = SilenceFrames(params.amount, params.unit, record.sampleRate);
    if (record.sampleRate == 0 || n == 0 || !(params.amount > 0.0)) {
        ReportMessage(record, "Silence area must be greater than 0 length");
        return kEditRefused;
    }
    uint64_t point = 0;
    switch (params.place) {
        case kInsertAtPosition:
            point = params.position;
            break;
        case kInsertSampleEnd:
            point = record.frameCount;
            break;
        case kInsertAffectStart:
            point = AffectRange(record).start;
            break;
        case kInsertAffectEnd: {
            FrameRange area = AffectRange(record);
            point = uint64_t(area.start) + area.length;
            break;
        }
        default:
            point = 0;
            break;
    }
    if (point > record.frameCount) point = record.frameCount;
    uint64_t total = uint64_t(record.frameCount) + n;
    float* left;
    float* right;
    if (total > 0xFFFFFFFFull || !NewBlocks(record, total, true, left, right))
        return NoMemory(record);

    EditToken token = BeginEdit(&record, kOpInsertSilence, kBackupWholeAllChannels, false);
    for (int c = 0; c < 2; ++c) {
        const float* from = c == 0 ? record.leftSamples : record.rightSamples;
        float* to = c == 0 ? left : right;
        if (!from) continue;
        if (record.rightSamples) ShowEditStatus(c == 0 ? kStatusLeft : kStatusRight);
        std::memcpy(to, from, size_t(point) * sizeof(float));
        SetProgressPercent(30);
        SetProgressPercent(70);  // the silence is already there (zero-filled block)
        std::memcpy(to + point + n, from + point,
                    size_t(record.frameCount - point) * sizeof(float));
        SetProgressPercent(100);
    }
    ReplaceChannels(record, left, right, uint32_t(total));
    AfterLengthChange(record);
    EndEdit(token);
    return kEditDone;
}

std::string InsertSilenceMacroLine(int editor, const InsertSilenceParams& params) {
    int unit = params.unit >= 0 && params.unit <= 2 ? params.unit : kInsertSeconds;
    char line[160];
    if (params.place == kInsertAtPosition) {
        // The frame is part of the line: obInsertSilenceAt, not a place name.
        std::snprintf(line, sizeof line, "obInsertSilenceAt %d, %f, %s, %u\n", editor,
                      params.amount, kInsertUnitNames[unit], params.position);
        return line;
    }
    int place = params.place >= 1 && params.place <= 4 ? params.place : kInsertSampleStart;
    std::snprintf(line, sizeof line, "obInsertSilence %d, %f, %s, %s\n", editor, params.amount,
                  kInsertUnitNames[unit], kInsertPlaceNames[place]);
    return line;
}

int Append(WaveRecord& record, const AppendParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    WaveRecord* source = params.sourceEditor >= 0 && params.sourceEditor < kEditorSlots
                             ? FindEditor(params.sourceEditor)
                             : nullptr;
    if (!source) {
        ReportMessage(record, "Non-existant Editor!");
        return kEditRefused;
    }
    if (!WaveHasData(source)) {
        ReportMessage(record, "Empty Wave!");
        return kEditRefused;
    }
    const WaveRecord& first = params.order == 1 ? record : *source;
    const WaveRecord& second = params.order == 1 ? *source : record;
    uint64_t total = uint64_t(first.frameCount) + second.frameCount;
    float* left;
    float* right;
    if (total > 0xFFFFFFFFull || !NewBlocks(record, total, false, left, right))
        return NoMemory(record);

    // Copy before the backup: the source may be this very record.
    std::memcpy(left, first.leftSamples, size_t(first.frameCount) * sizeof(float));
    SetProgressPercent(50);
    std::memcpy(left + first.frameCount, second.leftSamples,
                size_t(second.frameCount) * sizeof(float));
    if (right) {
        const float* a = first.rightSamples ? first.rightSamples : first.leftSamples;
        const float* b = second.rightSamples ? second.rightSamples : second.leftSamples;
        std::memcpy(right, a, size_t(first.frameCount) * sizeof(float));
        std::memcpy(right + first.frameCount, b, size_t(second.frameCount) * sizeof(float));
    }
    SetProgressPercent(95);
    EditToken token = BeginEdit(&record, kOpCombine, kBackupWholeAllChannels, false);
    ReplaceChannels(record, left, right, uint32_t(total));
    AfterLengthChange(record);
    EndEdit(token);
    return kEditDone;
}

std::string AppendMacroLine(int editor, const AppendParams& params) {
    char line[64];
    std::snprintf(line, sizeof line, "obAppend %d, %d\n", editor, params.sourceEditor);
    return line;
}

}  // namespace ob
