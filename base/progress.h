// Progress and abort, shared by every long piece of work (edits, file reads
// and writes, transfers): the abort flag, set from another thread (the abort
// window) or from the SIGINT handler in batch mode and polled by the working
// loops, and the progress bar position shown through the user interface.
#pragma once

#include <atomic>
#include <cstdint>

namespace ob {

extern std::atomic<int> gAbortRequested;
inline bool AbortRequested() {
    return gAbortRequested.load(std::memory_order_relaxed) != 0;
}
inline void RequestAbort() {
    gAbortRequested.store(1, std::memory_order_relaxed);
}
inline void ClearAbort() {
    gAbortRequested.store(0, std::memory_order_relaxed);
}
// Batch mode: the first Ctrl-C sets the abort flag (aborting the running
// operation, not the program); a second one ends the program with status 130.
// Returns true when the handler was installed.
bool InstallAbortOnInterrupt();

// Progress bar (0..100, step 5).
int ProgressPercent(uint64_t position, uint64_t total);
void SetProgress(uint64_t position, uint64_t total);
void SetProgressPercent(int percent);
void StepProgress();
void ResetProgress();
int CurrentProgress();

}  // namespace ob
