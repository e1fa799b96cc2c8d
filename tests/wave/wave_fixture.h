// Helpers that give a test record a wave and clean the editor slots up.
#pragma once

#include <cstring>

#include "wave/memory.h"
#include "wave/wave_record.h"

// Gives `record` a wave of `frames` frames (ramp values), mono or stereo.
inline bool GiveWave(ob::WaveRecord& record, uint32_t frames, bool stereo) {
    size_t bytes = size_t(frames) * sizeof(float);
    record.leftSamples = static_cast<float*>(ob::Allocate(bytes, ob::kAllocLarge));
    if (!record.leftSamples) return false;
    if (stereo) {
        record.rightSamples = static_cast<float*>(ob::Allocate(bytes, ob::kAllocLarge));
        if (!record.rightSamples) return false;
    }
    record.frameCount = frames;
    record.viewSpan = frames;
    for (uint32_t i = 0; i < frames; ++i) {
        record.leftSamples[i] = float(i % 1000) / 1000.0f - 0.5f;
        if (stereo) record.rightSamples[i] = -record.leftSamples[i] * 0.5f;
    }
    return true;
}

// A record on the stack whose wave and lists are dropped at the end.
struct ScopedRecord {
    ob::WaveRecord record;
    ~ScopedRecord() { ob::DiscardWave(record); }
};

// Closes every editor and restores the global editing state after a test.
struct SlotsGuard {
    ~SlotsGuard() {
        ob::CloseAllEditors();
        ob::gActiveEditor = 0;
        ob::gEditing = ob::EditingState{};
        ob::SetHeapFailureCountdown(-1);
        ob::SetMemoryBudget(0);
    }
};
