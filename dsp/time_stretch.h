// Time stretch and pitch shift: one time-domain splicing engine that finds
// matching places a short time after a waveform peak and up to three
// crossfade lengths before it, and drops (shorter) or repeats (longer) the
// material between them, joined by a linear crossfade. Pitch shift stretches
// by the pitch ratio, then resamples the result back by linear interpolation.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

struct TimeStretchParams {
    double percent = 110.0;  // 75..125, not 100
    bool extendedBass = false;
    bool stereoLock = false;
    bool quiet = false;  // script: no message for 100 %
};
struct PitchShiftParams {
    double cents = 100.0;  // -400..400, not 0
    bool extendedBass = false;
    bool stereoLock = false;
    bool quiet = false;  // script: no message for 0 cents
};

// The engine's sizes at a rate: crossfade length W (8 ms, doubled with
// extended bass, at least 10) and search step (1 ms, doubled, at least 2).
struct StretchSizes {
    uint32_t window = 0;
    uint32_t step = 0;
};
StretchSizes StretchSizesAt(uint32_t rate, bool extendedBass);

// One splice found at a proposed position: the splice position P, the match
// position M and the error (0: no further splice; an exact match is -1).
struct SpliceResult {
    uint64_t splice = 0;
    uint64_t match = 0;
    double error = 0.0;
};
SpliceResult FindSplice(const float* x, uint64_t n, uint64_t p, const StretchSizes& sizes);

// The engine over one area: `channels` sources of n samples, linked (same
// splices in every channel, chosen by the smaller error) or not (each channel
// its own); writes each output (capacity `capacity`) and its length. False
// when aborted. `ratio` is the percentage.
bool StretchChannels(const float* const* sources, int channels, bool linked, uint64_t n,
                     double ratio, const StretchSizes& sizes, float* const* outputs,
                     uint64_t capacity, uint64_t* lengths);
// Output capacity per channel the engine needs for an area of n samples.
uint64_t StretchCapacity(uint64_t n, double ratio);

// "Parameter Can't Be 0 or 100%" for a percentage outside 75..125 or 100,
// cents outside -400..400 or 0; null when the value can run.
const char* TimeStretchRefusal(double percent);
const char* PitchShiftRefusal(double cents);

// "Parameter Can't Be 0 or 100%", "Edit Size Too Small For Effect", the
// memory question ("No" leaves the wave unchanged: kEditNoMemory). Undo
// operation 48 / 45, kind 2; every channel changes.
int TimeStretch(WaveRecord& record, const TimeStretchParams& params);
int PitchShift(WaveRecord& record, const PitchShiftParams& params);
// "obTimeStretch %d, %.1f, %d, %d\n" / "obPitchShift %d, %.1f, %d, %d\n".
std::string TimeStretchMacroLine(int editor, const TimeStretchParams& params);
std::string PitchShiftMacroLine(int editor, const PitchShiftParams& params);

}  // namespace ob
