// BeginEdit / EndEdit, the per-channel walk, status texts, progress, abort.
#include "dsp/frame.h"

#include <chrono>
#include <csignal>
#include <cstdio>

#include "dsp/user_interface.h"
#include "wave/undo.h"

namespace ob {

ProcessingSettings gProcessing;
void (*gEditAndPlayHook)(WaveRecord& record) = nullptr;
std::atomic<int> gAbortRequested{0};

namespace {
int gProgress = 0;
const char* const kStatusTexts[5] = {" ", "Ready", "Processing...", "Processing Left Channel...",
                                     "Processing Right Channel..."};

uint64_t NowMs() {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void OnInterrupt(int) { RequestAbort(); }
}  // namespace

static_assert(std::atomic<int>::is_always_lock_free, "the abort flag is set from a signal handler");

void SetSmoothingTime(uint32_t ms) { gProcessing.smoothingMs = ms == 0 ? 1 : ms; }

bool InstallAbortOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0;
}

const char* EditStatusText(int index) {
    return index >= 0 && index < 5 ? kStatusTexts[index] : kStatusTexts[0];
}

void ShowEditStatus(int index) { UI().SetStatusText(EditStatusText(index)); }

std::string ElapsedTimeText(uint64_t milliseconds) {
    char text[64];
    double seconds = double(milliseconds / 1000) + double(milliseconds % 1000) / 1000.0;
    std::snprintf(text, sizeof text, "Elapsed Time: %3.1f seconds", seconds);
    return text;
}

int ProgressPercent(uint64_t position, uint64_t total) {
    if (position == 0 || total == 0) return 0;
    if (position > total) position = total;
    if (position >= 10000000) return int(position / (total / 100));
    return int(position * 100 / total);
}

void SetProgressPercent(int percent) {
    gProgress = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    UI().SetProgressBar(gProgress);
}
void SetProgress(uint64_t position, uint64_t total) {
    SetProgressPercent(ProgressPercent(position, total));
}
void StepProgress() { SetProgressPercent(gProgress + 5); }
void ResetProgress() { SetProgressPercent(0); }
int CurrentProgress() { return gProgress; }

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
    if (WaveHasData(record)) {
        FrameRange area = AffectRange(*record);
        UpdateOverview(*record, area.start, area.length, AffectChannels(*record));
    }
    UI().SetStatusText(ElapsedTimeText(NowMs() - token.startMs));
    ResetProgress();
    UI().RefreshUndoCommands(record);
    record->stateFlags |= kStateChanged;
    TidyLoopsAndMarkers(*record);
    UI().Redraw(record);
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
