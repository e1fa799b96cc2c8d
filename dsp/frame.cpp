// BeginEdit / EndEdit, the per-channel walk, status texts.
#include "dsp/frame.h"

#include <chrono>
#include <cstdio>

#include "base/user_interface.h"
#include "wave/change_notice.h"
#include "wave/undo.h"

namespace ob {

ProcessingSettings gProcessing;
void (*gEditAndPlayHook)(WaveRecord& record) = nullptr;

namespace {
const char* const kStatusTexts[5] = {" ", "Ready", "Processing...", "Processing Left Channel...",
                                     "Processing Right Channel..."};

uint64_t NowMs() {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

void SetSmoothingTime(uint32_t ms) {
    gProcessing.smoothingMs = ms == 0 ? 1 : ms;
}

const char* EditStatusText(int index) {
    return index >= 0 && index < 5 ? kStatusTexts[index] : kStatusTexts[0];
}

void ShowEditStatus(int index) {
    UI().SetStatusText(EditStatusText(index));
}

std::string ElapsedTimeText(uint64_t milliseconds) {
    char text[64];
    double seconds = double(milliseconds / 1000) + double(milliseconds % 1000) / 1000.0;
    std::snprintf(text, sizeof text, "Elapsed Time: %3.1f seconds", seconds);
    return text;
}

EditToken BeginEdit(WaveRecord* record, uint32_t operation, uint32_t backupKind, bool abortable,
                    BackupHandOver* handOver) {
    EditToken token;
    if (handOver) *handOver = BackupHandOver{};
    if (!WaveHasData(record)) return token;
    UI().SetWaitPointer(record, true);
    ShowEditStatus(kStatusProcessing);
    token.startMs = NowMs();
    MakeBackup(*record, operation, backupKind, handOver);
    ClearAbort();
    if (gProcessing.abortable && abortable) {
        UI().StartAbortWindow(record);
        token.abortWindow = true;
    }
    token.record = record;
    return token;
}

void EndEdit(EditToken& token) {
    WaveRecord* record = token.record;
    if (!record) return;
    ClearAbort();
    if (token.abortWindow) UI().StopAbortWindow();
    UI().SetWaitPointer(record, false);
    ChangeNotice notice{record, kChangeUndo | kChangeLoopsMarkers, 0, 0};
    if (WaveHasData(record)) {
        FrameRange area = AffectRange(*record);
        UpdateOverview(*record, area.start, area.length, AffectChannels(*record));
        notice.what |= kChangeSamples;
        notice.firstFrame = area.start;
        notice.endFrame = area.start + area.length;
    }
    UI().SetStatusText(ElapsedTimeText(NowMs() - token.startMs));
    ResetProgress();
    record->stateFlags |= kStateChanged;
    TidyLoopsAndMarkers(*record);
    NotifyChange(notice);
    if (gProcessing.editAndPlay && gEditAndPlayHook) gEditAndPlayHook(*record);
    token.record = nullptr;
}

float* NextEditChannel(WaveRecord& record, bool& more, bool* isRight) {
    uint32_t channels = AffectChannels(record);
    if (more) {
        more = false;
        if (isRight) *isRight = true;
        return record.rightSamples;
    }
    if ((channels & 1) && record.leftSamples) {
        more = record.rightSamples && (channels & 2);
        if (isRight) *isRight = false;
        return record.leftSamples;
    }
    if (record.rightSamples && (channels & 2)) {
        if (isRight) *isRight = true;
        return record.rightSamples;
    }
    return nullptr;
}

}  // namespace ob
