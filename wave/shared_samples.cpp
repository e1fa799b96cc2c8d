// Copy on write of a record's sample buffers (see UnshareSamples).
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

void (*gStopSharingHook)() = nullptr;

namespace {

bool UnshareChannel(float*& samples) {
    if (!samples || !BlockIsShared(samples)) return true;
    void* copy = UnshareBlock(samples);
    if (!copy) return false;
    samples = static_cast<float*>(copy);
    return true;
}

}  // namespace

bool UnshareSamples(WaveRecord& record) {
    if (UnshareChannel(record.leftSamples) && UnshareChannel(record.rightSamples)) return true;
    if (gStopSharingHook) gStopSharingHook();
    return !BlockIsShared(record.leftSamples) && !BlockIsShared(record.rightSamples);
}

}  // namespace ob
