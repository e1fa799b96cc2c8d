// Equalization: Bass and Treble (two shelving filters), Filters (high and low
// pass of order 1, 2 or 5), GraFreq (five peaking bands of 1.5 octaves),
// Parametric (two peaking bands of set width) and the Vari-Time Filter (a
// second-order high or low pass whose cutoff glides from a start to an end
// frequency in blocks of 1000 samples). All filtering is in double precision
// on the affect area of each edit channel, in place, stored back as floats
// without clipping. Undo codes 14, 15, 16, 17 and 53 ("Time Variant Filter"),
// backup kind 1.
//
// The sections of one function run fused: each sample passes through every
// section in turn, kept in double between sections (one rounding to float at
// the end instead of one per section), and each section is primed from the
// unfiltered samples before the area, as when every section runs over the
// whole area before the next. An abort leaves the samples done so far fully
// filtered and the rest untouched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dsp/effect_preset.h"
#include "dsp/filter_sections.h"
#include "wave/wave_record.h"

namespace ob {

// ---- Settings of the five functions (the start values are the dialogs') ----

enum BassTrebleUse : int32_t { kUseBass = 1, kUseTreble = 2 };
// Start values: "Boom that bass".
struct BassTrebleParams {
    int32_t use = kUseBass;
    int32_t bassHz = 200;
    double bassDb = 15.0;  // -20 .. 20
    int32_t trebleHz = 10000;
    double trebleDb = 0.0;
};

enum FiltersUse : int32_t { kUseHighPass = 1, kUseLowPass = 2 };
// Start values: "Remove sub-sonics".
struct FiltersParams {
    int32_t use = kUseHighPass;
    int32_t highOrder = 5;  // 1, 2 or 5
    int32_t highHz = 20;
    int32_t lowOrder = 2;
    int32_t lowHz = 5000;
};

constexpr int kGraFreqBands = 5;
// Start values: "Boom and sizzle".
struct GraFreqParams {
    int32_t hz[kGraFreqBands] = {50, 150, 1000, 4000, 15000};
    double db[kGraFreqBands] = {6.0, 3.0, 0.0, 0.0, 4.0};
};

enum ParametricUse : int32_t { kUseBandA = 1, kUseBandB = 2 };
struct ParametricBand {
    int32_t hz = 1000;
    double db = 0.0;
    double octaves = 1.0;  // 0.1 .. 3
};
// Start values: "60 Hz hum notch".
struct ParametricParams {
    int32_t use = kUseBandA;
    ParametricBand a{60, -20.0, 0.1};
    ParametricBand b{1000, 0.0, 1.0};
};

enum VariTimeKind : int32_t { kVariTimeHighPass = 1, kVariTimeLowPass = 2 };
// Start values: "Mild Open Treble".
struct VariTimeParams {
    int32_t kind = kVariTimeLowPass;
    int32_t startHz = 1000;
    int32_t endHz = 5000;
};

// Clamps in place (gains -20..20 dB, octaves 0.1..3, frequencies at least
// 5 Hz, unknown use bits dropped); false for a value that is not a number and,
// for Filters, an order other than 1, 2 or 5 on a used side.
bool ClampBassTreble(BassTrebleParams& p);
bool ClampFilters(FiltersParams& p);
bool ClampGraFreq(GraFreqParams& p);
bool ClampParametric(ParametricParams& p);
bool ClampVariTime(VariTimeParams& p);

// ---- Designs ----

// Shelf: bass (low shelf) or treble (high shelf) at normalised frequency f.
FilterSection ShelfSection(double f, double dB, bool bass);
// Peak at normalised centre f, width w0 as a normalised frequency difference.
FilterSection PeakSection(double f, double dB, double w0);

// The sections a function runs, in order, at `rate` (at most 6).
constexpr int kMaxEqSections = 6;
struct EqSections {
    FilterSection s[kMaxEqSections];
    int count = 0;
    void Add(const FilterSection& section) {
        if (count < kMaxEqSections) s[count++] = section;
    }
};
EqSections BassTrebleSections(const BassTrebleParams& p, uint32_t rate);
EqSections FiltersSections(const FiltersParams& p, uint32_t rate);
EqSections GraFreqSections(const GraFreqParams& p, uint32_t rate);
EqSections ParametricSections(const ParametricParams& p, uint32_t rate);

// Runs the sections fused over x[0..n) in place, continuing the states.
void RunEqSections(const EqSections& sections, SectionState* states, float* x, uint32_t n);
// The same from src into dst (equal, or not overlapping).
void RunEqSectionsFrom(const EqSections& sections, SectionState* states, const float* src,
                       float* dst, uint32_t n);

// ---- Operations ----

// kEditDone or kEditAborted after a run; kEditNothing with no sound, an empty
// area, nothing used, or (GraFreq) every band at 0 dB: no undo step then.
int BassTreble(WaveRecord& record, const BassTrebleParams& p);
int HighLowPass(WaveRecord& record, const FiltersParams& p);
int GraFreq(WaveRecord& record, const GraFreqParams& p);
int Parametric(WaveRecord& record, const ParametricParams& p);
int VariTime(WaveRecord& record, const VariTimeParams& p);

// The Vari-Time run over one channel's samples x[0..n), primed from the
// `before` samples preceding them. False when aborted.
bool VariTimeSamples(float* x, uint32_t n, const float* before, uint32_t available, uint32_t rate,
                     const VariTimeParams& p);

// ---- Recorder lines ----
// "obEQBass %d, %d, %.1f\n" when bass is used, then "obEQTreble ...".
std::string BassTrebleMacroLine(int editor, const BassTrebleParams& p);
// "obEQLowPass %d, %d, %d\n" when low pass is used, then "obEQHighPass ...".
std::string FiltersMacroLine(int editor, const FiltersParams& p);
// "obEQGraFreq %d, %d, %.1f, ... (five bands)\n".
std::string GraFreqMacroLine(int editor, const GraFreqParams& p);
// "obEQParametric %d, %d, %.1f, %.2f\n" for band A when used, then band B.
std::string ParametricMacroLine(int editor, const ParametricParams& p);
// "obEQVT %d, %d, %d, %d\n" (editor, kind, start Hz, end Hz).
std::string VariTimeMacroLine(int editor, const VariTimeParams& p);

// ---- Presets ----
// "EQBT" use, bass gain (tenths of a dB), bass Hz, treble gain, treble Hz;
// "EQFI" use, high-pass order, high-pass Hz, low-pass order, low-pass Hz;
// "EQGF" five pairs of gain and Hz; "EQPA" use, then per band gain, Hz and
// width in hundredths of an octave; "EQVT" kind, 2, start Hz, end Hz, 0.
extern const EffectPresetFormat kBassTreblePreset;
extern const EffectPresetFormat kFiltersPreset;
extern const EffectPresetFormat kGraFreqPreset;
extern const EffectPresetFormat kParametricPreset;
extern const EffectPresetFormat kVariTimePreset;
void BassTrebleToFields(const BassTrebleParams& p, int32_t* f);
BassTrebleParams BassTrebleFromFields(const int32_t* f);
void FiltersToFields(const FiltersParams& p, int32_t* f);
FiltersParams FiltersFromFields(const int32_t* f);
void GraFreqToFields(const GraFreqParams& p, int32_t* f);
GraFreqParams GraFreqFromFields(const int32_t* f);
void ParametricToFields(const ParametricParams& p, int32_t* f);
ParametricParams ParametricFromFields(const int32_t* f);
void VariTimeToFields(const VariTimeParams& p, int32_t* f);
VariTimeParams VariTimeFromFields(const int32_t* f);
// Reads an "EQFI" preset: ReadEffectPreset plus the order check (an order
// other than 1, 2 or 5 reads as 13 "Corrupt File").
int ReadFiltersPreset(const std::string& path, FiltersParams* p, std::string* name);

// ---- Preview ----

// The settings a preview plays with: which function and its values.
enum EqPreviewFunction : int {
    kEqPreviewBassTreble,
    kEqPreviewFilters,
    kEqPreviewGraFreq,
    kEqPreviewParametric
};
struct EqPreviewSettings {
    int function = kEqPreviewBassTreble;
    BassTrebleParams bassTreble;
    FiltersParams filters;
    GraFreqParams graFreq;
    ParametricParams parametric;
};
// "Preview not available for 5th order filters" when a used side is order 5.
bool EqPreviewAvailable(const EqPreviewSettings& s);
constexpr const char* kEqPreviewOrderFiveText = "Preview not available for 5th order filters";
// The sections of the settings (validated on a copy) at `rate`.
EqSections EqPreviewSections(const EqPreviewSettings& s, uint32_t rate);

}  // namespace ob
