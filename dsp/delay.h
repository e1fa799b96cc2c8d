// Effects built from delay lines, each reading the dry signal from the
// original area so the output never feeds the input: Echo (one feedback
// delay), Flange and Chorus (one swept, interpolated feedback delay; Flange
// may invert) and Reverb (pre-delay, up to six low-pass feedback combs and two
// all-pass filters, chosen by the enclosure). Undo: Chorus 33, Flange 34,
// Echo 35, Reverb 36, kind 1.
//
// Delay lines are rings of floats, cleared for each channel, written at one
// position and read at the next, so a line of N entries delays by N - 1
// samples. The percentages are applied as percent / 100 (the integer
// x 1.28 / 128 form of the same gain, not rounded to 128ths: 34 % is 0.34).
#pragma once

#include <cstdint>
#include <string>

#include "dsp/effect_preset.h"
#include "wave/wave_record.h"

namespace ob {

// Start values: "Moderate with slight trail off".
struct EchoParams {
    double delayS = 0.5;     // |value|, at most 10 s; 0 refused
    double feedback = 20.0;  // %, at most 99
    double loudness = 50.0;  // %, at most 100; 0 refused
};

// Start values: Flange "General purpose" (Chorus: delay 22 ms).
struct FlangeParams {
    double delayMs = 4.0;    // at most 60 ms; 0 refused
    double feedback = 45.0;  // %, at most 99
    double loudness = 45.0;  // %, at most 100; 0 refused
    double speedS = 10.0;    // the sweep period, 0.1 .. 50 s; 0 refused
    double depth = 30.0;     // %, at most 99; 0 refused
    bool invert = false;     // Flange only: feedback and loudness negated
};

enum ReverbEnclosure : int32_t { kReverbHall = 0, kReverbRoom = 1, kReverbSpring = 2 };

// Start values: "Medium concert hall".
struct ReverbParams {
    double decayS = 2.0;              // 0.2 .. 20 s; 0 refused
    double preDelayMs = 40.0;         // at most 200 ms
    double damping = 14.0;            // at most 20
    double loudness = 35.0;           // %, at most 100; 0 refused
    double diffusion = 12.0;          // at most 20
    int32_t enclosure = kReverbHall;  // 3 and above become spring
};

// Absolute values, each limited to its range (a zero stays 0 for the
// operation to refuse with its message); false for a value that is not a
// number.
bool ClampEcho(EchoParams& p);
bool ClampFlange(FlangeParams& p);
bool ClampReverb(ReverbParams& p);

// kEditDone or kEditAborted after a run; kEditRefused after reporting
// "Parameter Can't Be 0 or 100%", "Edit Size Too Small For Effect" or
// "Bad Parameter For Waveform" (nothing changed); kEditNoMemory; kEditNothing
// without sound.
int Echo(WaveRecord& record, const EchoParams& params);
int Flange(WaveRecord& record, const FlangeParams& params);
int Chorus(WaveRecord& record, const FlangeParams& params);  // invert ignored
int Reverb(WaveRecord& record, const ReverbParams& params);

constexpr const char* kTextParameterZero = "Parameter Can't Be 0 or 100%";
constexpr const char* kTextEditTooSmall = "Edit Size Too Small For Effect";
constexpr const char* kTextBadParameter = "Bad Parameter For Waveform";

// "obEcho %d, %f, %.1f, %.1f\n", "obFlange %d, %.2f, %.1f, %.1f, %.3f, %.1f,
// %d\n", "obChorus %d, %.2f, %.1f, %.1f, %.3f, %.1f\n", "obReverb %d, %.2f,
// %.1f, %.1f, %.1f, %.1f, %s\n" (the enclosure constant's name).
std::string EchoMacroLine(int editor, const EchoParams& p);
std::string FlangeMacroLine(int editor, const FlangeParams& p);
std::string ChorusMacroLine(int editor, const FlangeParams& p);
std::string ReverbMacroLine(int editor, const ReverbParams& p);
const char* ReverbEnclosureName(int32_t enclosure);  // "OB_REVERB_HALL", ...

// Presets: "ECHO" delay ms, feedback %, loudness %; "FLAN" invert, delay in
// tenths of a ms, feedback, loudness, period ms, depth; "CHOR" the same
// without invert; "RVRB" decay ms, pre-delay ms, loudness, damping,
// diffusion, enclosure.
extern const EffectPresetFormat kEchoPreset;
extern const EffectPresetFormat kFlangePreset;
extern const EffectPresetFormat kChorusPreset;
extern const EffectPresetFormat kReverbPreset;
void EchoToFields(const EchoParams& p, int32_t* fields);
EchoParams EchoFromFields(const int32_t* fields);
void FlangeToFields(const FlangeParams& p, int32_t* fields);
FlangeParams FlangeFromFields(const int32_t* fields);
void ChorusToFields(const FlangeParams& p, int32_t* fields);
FlangeParams ChorusFromFields(const int32_t* fields);
void ReverbToFields(const ReverbParams& p, int32_t* fields);
ReverbParams ReverbFromFields(const int32_t* fields);

}  // namespace ob
