// Sample-rate transpose: resample the whole sound to a new rate (linear or
// band-limited interpolation), change only the rate value, or shift the pitch
// of the affect area by resampling it alone (quick pitch); the optional
// pre-filter when lowering the rate, MapPosition of markers, loops and view,
// the "SRTR" preset record with its built-ins, and the recorder line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

enum TransposeMethod : int32_t {
    kTransposeLinear = 0,
    kTransposeResample = 1,
    kTransposeRateOnly = 2,
    kTransposeQuickPitch = 3,  // value in cents
};
enum TransposeUnits : int32_t { kTransposeHertz = 0, kTransposePeriod = 1 };
enum TransposeOptions : uint32_t { kTransposeAdjust = 1, kTransposePreFilter = 2 };

// Rates a sound may be given (what the record stores).
constexpr uint32_t kTransposeMinRate = 100;
constexpr uint32_t kTransposeMaxRate = 200000;

// The dialog's settings: the fields of the "SRTR" record, plus whether the
// caller is a script (script functions show no message for a refused rate).
struct TransposeSettings {
    int32_t value = 44100;  // rate in Hz, period in ns, or cents (quick pitch)
    int32_t method = kTransposeResample;
    int32_t units = kTransposeHertz;
    uint32_t options = kTransposeAdjust;
    char name[80] = "Bring up to CD";
    bool quiet = false;
};

// The "SRTR" record: value, method, units, options (32-bit each), the 80-byte
// name, 4 reserved bytes.
constexpr uint32_t kTransposeRecordSize = 100;
constexpr int kTransposeBuiltInCount = 8;
// The built-in presets in their fixed order; the first is the start setting.
const TransposeSettings& TransposeBuiltIn(int index);
// The built-ins as records, for the preset list (8 x 100 bytes).
const uint8_t* TransposeBuiltInRecords();
void TransposeToRecord(const TransposeSettings& settings, uint8_t record[kTransposeRecordSize]);
// Reads a loaded record (swapped: from a file of the other byte order).
// False when a field lies outside its range (method 0..3, units 0..1, option
// bits 1 and 2 only, a rate of 100..200000 Hz, a period giving such a rate, or
// cents within +-9600); `settings` is then unchanged.
bool TransposeFromRecord(const uint8_t* record, bool swapped, TransposeSettings& settings);
// Swaps the four numeric fields of a record in place.
void SwapTransposeRecord(void* record);

// The new rate the settings ask for at the current rate (quick pitch:
// rate / 2^(cents / 1200) + 0.5, truncated; periods: 1e9 / value). May be 0
// or negative.
int64_t TransposeTargetRate(uint32_t currentRate, const TransposeSettings& settings);

// Period of a rate in nanoseconds: 1e9 / rate truncated, 22050 for 0.
uint32_t TransposePeriod(uint32_t rate);
// New length of `length` frames going from rate r to q: q / r x length in
// floating point, truncated.
uint64_t TransposedLength(uint64_t length, uint32_t r, uint32_t q);
// Where position x lands when the area [s, s + length) goes from rate r to q:
// before the area unchanged, inside scaled and rounded, after it moved by
// exactly the change of the area's length.
uint32_t MapPosition(uint32_t x, uint32_t s, uint32_t length, uint32_t r, uint32_t q);

// The interpolation kernel: 193 points of a Hamming-windowed sinc, 32 per
// sample distance, six samples each side.
constexpr int kKernelPoints = 193;
const double* TransposeKernel();

// Resamples x[0..n) (read at period P) into y[0..m) (written at period p) by
// the integer-period recurrences. Linear: y[0] = x[0], then interpolation
// between neighbours; past the end the last sample. Resample: the windowed
// sinc at 32 phases, interpolated linearly between phases. `first` is the
// index of y[0] among all outputs (a run may be cut into blocks).
void ResampleLinear(const float* x, uint32_t n, float* y, uint32_t m, uint32_t P, uint32_t p,
                    uint64_t first = 0);
void ResampleSinc(const float* x, uint32_t n, float* y, uint32_t m, uint32_t P, uint32_t p,
                  uint64_t first = 0);

// Transposes from the record's rate to `newRate` by `method` with the option
// bits. A rate of 0 or the current one does nothing (kEditNothing); a rate
// outside 100..200000 Hz for methods 0..2 is refused (kEditRefused, no
// message); an empty area or a result of no frames is refused with its
// message; memory: "Not enough memory for this operation.\n". An abort leaves
// the wave unchanged.
int TransposeRate(WaveRecord& record, int64_t newRate, int method, uint32_t options);

// Why the settings cannot run at the current rate, or null: a new rate of 0
// or less or the current one gives "Sample rate cannot be zero,\nnegative or
// unchanged", one beyond the rates a sound can have "Sample rate must be 100
// to 200000 Hz", quick pitch beyond +-9600 cents "Pitch shift must be -9600
// to 9600 cents".
const char* TransposeRefusal(uint32_t currentRate, const TransposeSettings& settings);
// The operation run from the settings: works out the new rate; a refused one
// is reported (not when quiet) and changes nothing.
int SampleRateTranspose(WaveRecord& record, const TransposeSettings& settings);
// "obSampleRateTranspose %d, %d, %s, %d, %d\n" (editor, new rate, method
// name, pre-filter 0/1, adjust 0/1); empty for quick pitch (nothing is
// recorded). The rate of methods 0..2 does not depend on the current one.
std::string TransposeMacroLine(int editor, const TransposeSettings& settings);

}  // namespace ob
