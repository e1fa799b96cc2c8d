// Combine: mixing two sounds at an offset.
#include "dsp/combine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dsp/frame.h"
#include "dsp/insert.h"
#include "dsp/operation.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {

// One channel of the result; false when aborted.
bool MixChannel(const float* base, uint64_t baseLength, const float* other, uint64_t otherLength,
                uint64_t offset, double w, float* result, uint64_t resultLength) {
    uint64_t overlap = std::min(baseLength - offset, otherLength);
    ProgressCounter progress{resultLength / 20};
    for (uint64_t i = 0; i < resultLength;) {
        uint64_t n = std::min<uint64_t>(kAbortBlock, resultLength - i);
        for (uint64_t k = i; k < i + n; ++k) {
            double value;
            if (k < offset)
                value = base[k] * w;
            else if (k < offset + overlap)
                value = other[k - offset] * (1.0 - w) + base[k] * w;
            else if (k - offset < otherLength)
                value = other[k - offset] * (1.0 - w);
            else
                value = base[k] * w;
            result[k] = float(value);
        }
        i += n;
        progress.Advance(n);
        if (AbortRequested()) return false;
    }
    return true;
}

}  // namespace

int Combine(WaveRecord& record, const CombineParams& params) {
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
    double w = std::isfinite(params.mix) ? params.mix / 100.0 : 0.5;
    const WaveRecord* base = &record;
    const WaveRecord* other = source;
    if (params.order == 0) {
        std::swap(base, other);
        w = 1.0 - w;
    }
    w = std::clamp(w, 0.001, 0.999);
    uint64_t offset = params.offset > 0 ? uint64_t(params.offset) : 0;
    if (offset >= base->frameCount)
        return Append(record, AppendParams{params.sourceEditor, params.order});

    uint64_t overlap = base->frameCount - offset;
    uint64_t resultLength =
        other->frameCount >= overlap ? other->frameCount + offset : base->frameCount;
    if (resultLength > 0xFFFFFFFFull) return ReportMessage(record, kTextNoMemory), kEditNoMemory;
    float* left = NewChannelBlock(resultLength, false);
    float* right = left && record.rightSamples ? NewChannelBlock(resultLength, false) : nullptr;
    if (!left || (record.rightSamples && !right)) {
        ReleaseChannelBlock(left, resultLength);
        ReportMessage(record, kTextNoMemory);
        return kEditNoMemory;
    }

    EditToken token = BeginEdit(&record, kOpCombine, kBackupWholeAllChannels);
    bool aborted = false;
    for (int c = 0; c < 2 && !aborted; ++c) {
        float* result = c == 0 ? left : right;
        if (!result) continue;
        if (right) ShowEditStatus(c == 0 ? kStatusLeft : kStatusRight);
        ResetProgress();
        // A mono sound's only channel serves as its right one.
        const float* b = c == 1 && base->rightSamples ? base->rightSamples : base->leftSamples;
        const float* o = c == 1 && other->rightSamples ? other->rightSamples : other->leftSamples;
        aborted =
            !MixChannel(b, base->frameCount, o, other->frameCount, offset, w, result, resultLength);
    }
    if (aborted) {
        // The result was built aside: the sound stays as it was.
        ReleaseChannelBlock(left, resultLength);
        ReleaseChannelBlock(right, resultLength);
        EndEdit(token);
        return kEditAborted;
    }
    ReplaceChannels(record, left, right, uint32_t(resultLength));
    AfterLengthChange(record);
    EndEdit(token);
    return kEditDone;
}

std::string CombineMacroLine(int editor, const CombineParams& params) {
    double mix =
        std::isfinite(params.mix) ? std::clamp(params.mix, -2147483647.0, 2147483647.0) : 0;
    long long offset = params.offset;
    char line[128];
    std::snprintf(line, sizeof line, "obCombine %d, %d, %lld, %d\n", editor, params.sourceEditor,
                  offset, int(mix));
    return line;
}

}  // namespace ob
