// A stereo test sound for the view tests, the screenshots and the benchmark:
// a different tone in each channel (so each lane has its own picture), three
// markers, a sustain and a release loop.
#pragma once

#include <cmath>
#include <cstdint>

#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

// Fills an editor; null when no editor or memory is left.
inline WaveRecord* MakeStereoTestSound(uint32_t frames, uint32_t rate = 44100) {
    int number = 0;
    if (CreateEditor(&number) != 0) return nullptr;
    WaveRecord* record = gEditorSlots[number];
    record->leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    record->rightSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    if (!record->leftSamples || !record->rightSamples) {
        CloseEditor(number);
        return nullptr;
    }
    record->frameCount = frames;
    record->viewSpan = frames;
    record->sampleRate = rate;
    record->sourceFormat = kFormatWav24;
    record->name = "view test";
    const double twoPi = 6.283185307179586;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double envelope = 0.3 + 0.7 * double(i) / frames;  // grows towards the end
        record->leftSamples[i] = float(0.8 * envelope * std::sin(twoPi * 440.0 * t));
        record->rightSamples[i] = float(0.5 * std::sin(twoPi * 97.0 * t) * (i % 2 ? 1.0 : 0.98));
    }
    SetMarker(*record, frames / 8, 0, "start");
    SetMarker(*record, frames / 2, 1, "middle");
    SetMarker(*record, frames - frames / 8, 2, nullptr);
    SetLoop(*record, frames / 4, frames / 4 * 3, 0, 0);
    SetLoop(*record, frames / 10 * 8, frames / 10 * 9, 1, 1);
    record->sustainLoopId = 0;
    record->releaseLoopId = 1;
    UpdateOverview(*record, 0, 0, 3);
    return record;
}

}  // namespace ob
