// Test helpers: editors holding generated waves, and the global editing state
// reset between tests.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/messages.h"
#include "dsp/frame.h"
#include "wave/memory.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

// A new editor with `frames` frames (mono or stereo), filled by fill(channel, i).
inline WaveRecord* MakeWave(uint32_t frames, bool stereo,
                            const std::function<float(int, uint32_t)>& fill,
                            uint32_t rate = 44100) {
    int number = 0;
    if (CreateEditor(&number) != 0) return nullptr;
    WaveRecord* record = gEditorSlots[number];
    record->leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    if (stereo)
        record->rightSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    record->frameCount = frames;
    record->viewSpan = frames;
    record->sampleRate = rate;
    for (uint32_t i = 0; i < frames; ++i) {
        record->leftSamples[i] = fill(0, i);
        if (stereo) record->rightSamples[i] = fill(1, i);
    }
    UpdateOverview(*record, 0, 0, 3);
    return record;
}

inline std::vector<float> Channel(const WaveRecord& record, int channel) {
    const float* p = channel == 0 ? record.leftSamples : record.rightSamples;
    return p ? std::vector<float>(p, p + record.frameCount) : std::vector<float>();
}

// Restores the global state the frame reads, and closes every editor.
struct GlobalStateGuard {
    GlobalStateGuard() { Reset(); }
    ~GlobalStateGuard() {
        CloseAllEditors();
        Reset();
    }
    static void Reset() {
        gEditing = EditingState{};
        gProcessing = ProcessingSettings{};
        gBackups = 1;
        gMessageType = kMsgTypeBox;
        ClearAbort();
    }
};

// Mouse affect area on the given channels.
inline void SelectMouse(WaveRecord& record, uint32_t start, uint32_t length, uint32_t channels) {
    gEditing.affectArea = kAffectMouse;
    record.mouseStart = start;
    record.mouseLength = length;
    record.mouseChannels = channels;
}

}  // namespace ob
