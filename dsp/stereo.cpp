// Stereo to mono and mono to stereo.
#include "dsp/stereo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/user_interface.h"
#include "dsp/frame.h"
#include "dsp/operation.h"
#include "wave/change_notice.h"
#include "wave/memory.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {
const char* const kChoiceNames[5] = {"OB_SM_L", "OB_SM_R", "OB_SM_LPR", "OB_SM_LMR", "OB_SM_SWAP"};

void FinishConversion(WaveRecord& record) {
    record.stateFlags |= kStateChanged;
    UI().SetWaitPointer(&record, false);
    NotifyChange(&record, kChangeSamples | kChangeLength | kChangeUndo);
}
}  // namespace

const char* StereoToMonoName(int choice) {
    return choice >= 1 && choice <= 5 ? kChoiceNames[choice - 1] : kChoiceNames[0];
}

int StereoToMono(WaveRecord& record, const StereoToMonoParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    if (!record.rightSamples) {
        ReportMessage(record, "Wave is already mono");
        return kEditRefused;
    }
    UI().SetWaitPointer(&record, true);
    MakeBackup(record, kOpStereoToMono, kBackupWholeAllChannels);
    uint32_t frames = record.frameCount;
    float* left = record.leftSamples;
    const float* right = record.rightSamples;
    switch (params.choice) {
        case kStereoSwap:
            std::swap(record.leftSamples, record.rightSamples);
            std::swap(record.leftOverview, record.rightOverview);
            FinishConversion(record);
            return kEditDone;
        case kStereoKeepRight:
            std::swap(record.leftSamples, record.rightSamples);
            std::swap(record.leftOverview, record.rightOverview);
            break;
        case kStereoLeftPlusRight:
        case kStereoLeftMinusRight: {
            double sign = params.choice == kStereoLeftPlusRight ? 1.0 : -1.0;
            ProgressCounter progress{frames / 20};
            for (uint32_t done = 0; done < frames;) {
                uint32_t n = std::min(kAbortBlock, frames - done);
                for (uint32_t i = done; i < done + n; ++i)
                    left[i] = float(std::clamp(left[i] + sign * right[i], -1.0, 1.0));
                done += n;
                progress.Advance(n);
            }
            break;
        }
        default:
            break;
    }
    SetProgressPercent(100);
    Release(record.rightSamples, size_t(frames) * sizeof(float), kAllocLarge);
    record.rightSamples = nullptr;
    record.mouseChannels &= ~2u;
    DropOverviews(record);
    UpdateOverview(record, 0, 0, 1);
    ResetProgress();
    FinishConversion(record);
    return kEditDone;
}

std::string StereoToMonoMacroLine(int editor, const StereoToMonoParams& params) {
    char line[64];
    std::snprintf(line, sizeof line, "obStereoMono %d, %s\n", editor,
                  StereoToMonoName(params.choice));
    return line;
}

int MonoToStereo(WaveRecord& record, const MonoToStereoParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    const WaveRecord* source = params.sourceEditor >= 0 && params.sourceEditor < kEditorSlots
                                   ? FindEditorWithWave(params.sourceEditor)
                                   : nullptr;
    if (!source) {
        ReportMessage(record, "No wave data or editor\nfor source material");
        return kEditRefused;
    }
    if (record.rightSamples) {
        ReportMessage(record, "Wave is already stereo");
        return kEditRefused;
    }
    UI().SetWaitPointer(&record, true);
    size_t bytes = size_t(record.frameCount) * sizeof(float);
    float* right = static_cast<float*>(Allocate(bytes, kAllocLarge | kAllocZero));
    if (!right) {
        UI().SetWaitPointer(&record, false);
        ReportMessage(record, kTextNoMemory);
        return kEditNoMemory;
    }
    SetProgressPercent(10);
    MakeBackup(record, kOpMonoToStereo, kBackupWholeAllChannels);
    uint32_t frames = std::min(record.frameCount, source->frameCount);
    std::memcpy(right, source->leftSamples, size_t(frames) * sizeof(float));
    record.rightSamples = right;
    SetProgressPercent(60);
    UpdateOverview(record, 0, 0, 2);
    ResetProgress();
    FinishConversion(record);
    return kEditDone;
}

std::string MonoToStereoMacroLine(int editor, const MonoToStereoParams& params) {
    char line[64];
    std::snprintf(line, sizeof line, "obMonoStereo %d, %d\n", editor, params.sourceEditor);
    return line;
}

}  // namespace ob
