// The editor the DSP benchmarks process: one editor slot holding `frames`
// frames (one or two channels) at `rate` (0 keeps the default). The caller
// keeps it for the program's life and fills the samples before each run.
#pragma once

#include <cstdint>

#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

inline WaveRecord* MakeBenchWave(uint32_t frames, bool stereo, uint32_t rate) {
    int number = 0;
    if (CreateEditor(&number) != 0) return nullptr;
    WaveRecord* w = gEditorSlots[number];
    w->leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    if (stereo) w->rightSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    w->frameCount = frames;
    w->viewSpan = frames;
    if (rate) w->sampleRate = rate;
    return w;
}

}  // namespace ob
