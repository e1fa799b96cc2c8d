// The abort flag, the SIGINT handler of batch mode and the progress bar.
#include "base/progress.h"

#include <unistd.h>

#include <csignal>

#include "base/user_interface.h"

namespace ob {

std::atomic<int> gAbortRequested{0};
static_assert(std::atomic<int>::is_always_lock_free, "the abort flag is set from a signal handler");

namespace {
int gProgress = 0;
volatile sig_atomic_t gInterrupts = 0;
// The first Ctrl-C aborts the running operation; a second one ends the program.
void OnInterrupt(int) {
    gInterrupts = gInterrupts + 1;
    if (gInterrupts == 1) {
        RequestAbort();
        return;
    }
    static const char text[] = "orbick: macro ended by Ctrl-C\n";
    ssize_t ignored = ::write(STDERR_FILENO, text, sizeof text - 1);
    (void)ignored;
    ::_exit(130);
}
}  // namespace

bool InstallAbortOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0;
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
void StepProgress() {
    SetProgressPercent(gProgress + 5);
}
void ResetProgress() {
    SetProgressPercent(0);
}
int CurrentProgress() {
    return gProgress;
}

}  // namespace ob
