// The waveform generator: a new mono sound in an empty editor, one of seven
// shapes at a chosen rate, frequency, duration and pulse duty cycle, with up
// to three more frequencies mixed in as a chord.
//
// Table shapes are read from a single-cycle table of 2049 floats (the last
// entry repeats the first, so interpolation never leaves the table) by a
// 21-bit phase accumulator: index p >> 10, fraction (p & 1023) / 1024. Frame
// counts and the phase increment are worked out in 64 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ob {

struct WaveRecord;

enum GenerateShape : int32_t {
    kGenSine = 0,
    kGenSquare = 1,
    kGenTriangle = 2,
    kGenSawtooth = 3,
    kGenPulse = 4,
    kGenWhiteNoise = 5,
    kGenSilence = 6,
};
constexpr int kGenShapeCount = 7;

constexpr int32_t kGenMinRate = 100;
constexpr int32_t kGenMaxRate = 200000;
constexpr int kGenTableSize = 2049;
constexpr int kGenMaxHarmonic = 1023;  // the table holds no higher harmonic
constexpr int kGenChordTones = 3;      // frequencies beside the first

// The generator's settings (the fields of the "GEN2" preset record).
struct GenerateSettings {
    int32_t shape = kGenSine;
    int32_t rate = 44100;         // Hz
    int32_t frequency = 1000000;  // millihertz
    int64_t duration = 10000;     // milliseconds (64 bits: script durations beyond 24 days)
    int32_t duty = 50;            // percent of the period spent high (pulse)
    int32_t chord[kGenChordTones] = {0, 0, 0};  // millihertz; 0 or 1 means none
    std::string name;
};

// Clamps in place: shape outside 0..6 becomes silence, rate 100..200000, duty
// 1..99, duration below 1 ms becomes 1 ms, and every frequency is limited
// below half the rate (at least 1 mHz; a chord tone of 1 mHz is none).
void ClampGenerateSettings(GenerateSettings& s);

// True when the first frequency is not below half the rate (the dialog
// refuses such settings with kTextGenerateHalfRate and stays open).
bool GenerateFrequencyTooHigh(const GenerateSettings& s);
constexpr const char* kTextGenerateHalfRate =
    "Frequency must be less than\none-half of the Sample Rate.";

// Frames of the clamped settings: duration x rate / 1000, at least 1; more
// than fits 32 bits gives a figure above 0xFFFFFFFF (never wraps).
uint64_t GenerateFrameCount(const GenerateSettings& s);
// The phase increment of a frequency: 2097152 x f / (1000 x rate), truncated,
// at least 1, modulo 2^21.
uint32_t GeneratePhaseIncrement(int32_t frequencyMilliHz, int32_t rate);
// The highest harmonic of the band-limited shapes: rate x 1000 / (2 f), at
// most kGenMaxHarmonic.
int GenerateHarmonicLimit(int32_t frequencyMilliHz, int32_t rate);
// The single-cycle table of a table shape for one frequency (clamped
// settings); false for noise and silence, which have none.
bool BuildGenerateTable(int32_t shape, int32_t frequencyMilliHz, int32_t rate, int32_t duty,
                        float table[kGenTableSize]);
// Number of chord tones present in clamped settings (frequencies above 1 mHz).
int GenerateChordCount(const GenerateSettings& s);

// Fills `frames` samples from clamped settings (the whole sound; noise
// seeded with `seed`). Progress steps every frames / 20 samples.
void GenerateSamples(const GenerateSettings& s, float* out, uint64_t frames, uint32_t seed);

// Generates into an editor that holds no wave: the settings are clamped, the
// sound is built and becomes the record's wave (rate set, whole wave in view,
// changed mark, change notice). Results (EditResult): kEditDone;
// kEditRefused when the record already holds a wave (nothing reported);
// kEditNoMemory when the frames exceed 32 bits or the memory budget ("Not
// enough memory for this operation.\n" reported; the editor stays empty).
int Generate(WaveRecord& record, GenerateSettings settings);

// The name of a shape's script constant ("OB_GEN_SINE" ...).
const char* GenerateShapeConstant(int32_t shape);
// The recorder line of clamped settings: "obGenerate %d, %s, %d, %.4f, %.3f,
// %d\n" (editor, shape constant, rate, frequency in Hz, duration in s, duty);
// with chord tones "obGenerate4 ..." with the three further frequencies
// ("%.4f" Hz each, 0.0000 for none) so that a replay keeps the chord.
std::string GenerateMacroLine(int editor, const GenerateSettings& s);

// The settings of a script call: frequencies in Hz and the duration in
// seconds are multiplied by 1000 and truncated toward zero after clamping to
// the field's range; non-finite values count as 0, a negative shape as
// silence, a negative duration as 1 ms.
GenerateSettings GenerateFromScript(int32_t shape, int32_t rate, double frequency, double duration,
                                    int32_t duty, const double* chord, int chordCount);

}  // namespace ob
