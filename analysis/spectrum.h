// Spectrum analysis: short-time spectra of the affect area of one sound.
// Records of 2N samples advance by N frames (half overlap); each is weighted
// by a Hamming window, packed into N complex values, transformed by a radix-2
// FFT of size N and untangled into the spectrum of the 2N real samples. The
// magnitudes (or their dB values) are reduced to the grid the analysis
// window draws (logarithmic bands, every bin, or every fourth bin; every
// record or every fourth) or written to a text file.
//
// Departures from the plain rules, each for a sound result:
// - 20 log10(0) is the floor -240 dB, never -inf (magnitudes below 1e-12 read
//   as 1e-12), in the grid and in the text.
// - In logarithmic mode with dB on, column 0 is bin 0's own (dB) value.
// - A record count that the integer division makes 0 although the sound
//   holds one whole record after the start is 1.
// - Without High Resolution the grid has a row for every fourth record,
//   the last partial group included ((R + 3) / 4 rows).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ob {

// Option flags of the analysis.
enum SpectrumOption : uint32_t {
    kSpectrumSolid = 0x10,
    kSpectrumWhiteBackground = 0x20,
    kSpectrumLargeLabels = 0x40,
    kSpectrumScriptLabels = 0x80,
    kSpectrumProjectContours = 0x100,
    kSpectrumProjectZones = 0x200,
    kSpectrumHighResolution = 0x400,
    kSpectrumTimeAxis = 0x800,
    kSpectrumFrequencyAxis = 0x1000,
    kSpectrumAmplitudeAxis = 0x2000,
    kSpectrumLogFrequency = 0x4000,
    kSpectrumDecibels = 0x8000,
    kSpectrumWhiteMesh = 0x10000,
};
// Draw styles.
enum SpectrumDrawStyle : uint8_t {
    kDrawMesh = 1,
    kDrawShaded = 2,
    kDrawContours = 4,
    kDrawZones = 8,
};

constexpr int kMaxSpectrumRecords = 1000;
constexpr double kSpectrumFloorDb = -240.0;

// The remembered settings of the analysis dialog.
struct SpectrumSettings {
    int sourceEditor = 0;
    int pointSize = 2048;  // 64 .. 2048 (the script function also takes 32)
    int records = 0;       // computed on OK
    uint32_t options = kSpectrumTimeAxis | kSpectrumFrequencyAxis | kSpectrumAmplitudeAxis |
                       kSpectrumDecibels | kSpectrumLogFrequency;
    uint8_t drawStyles = kDrawShaded;
};
SpectrumSettings& CurrentSpectrumSettings();

// Result codes of the analysis family, with their texts.
enum SpectrumResult : int {
    kSpectrumOk = 0,
    kSpectrumAreaTooSmall = 1,  // "Affect area too small to analyze"
    kSpectrumNoData = 2,        // "No waveform data available"
    kSpectrumNoMemory = 3,      // "Not enough memory for this operation.\n"
    kSpectrumBadPointSize = 4,  // "Invalid FFT point size"
    kSpectrumWriteError = 5,    // "File Write Error"
    kSpectrumCantOpen = 6,      // "Can't Open File"
};
const char* SpectrumResultText(int code);
constexpr const char* kSpectrumTooSmallText = "Unable to create FFT.\nEdit area too small!";
constexpr const char* kSpectrumCaption = "Spectrum Analysis Plot";

// The point sizes: a power of two from 32 to 2048.
bool ValidPointSize(int n);
// The stored choice as the dialog shows it: 64 .. 2048, any other value 2048.
int DialogPointSize(int stored);

// Record count on OK: 0 when the sound holds fewer than 2N frames from
// `start`; else (L - N) / N for N <= L (at least 1), else 1; at most 1000.
int SpectrumRecordCount(uint32_t frames, uint32_t start, uint32_t length, int n);
// Records the analysis can take: min(R, (F - s - N) / N); -1 when F < s or
// F - s < 2N.
int SpectrumRecordsAvailable(uint32_t frames, uint32_t start, int records, int n);

// The FFT of one size with its cached bit-reversal and twiddle tables.
class SpectrumFft {
  public:
    explicit SpectrumFft(int n);
    int Size() const { return n_; }
    // Turns the 2N samples `frame` (as doubles) into N magnitudes (bin 0 is
    // |Re Y0|), windowed, packed, transformed, untangled; `decibels` gives
    // 20 log10 with the floor.
    void Magnitudes(const double* frame, bool decibels, double* out);
    // The steps on their own (for the tests): the window, and the complex
    // spectrum Y (re, im interleaved, N pairs; slot 0's imaginary part holds
    // the folded Nyquist term) of a windowed frame.
    const std::vector<double>& Window() const { return window_; }
    void Spectrum(const double* windowed, double* y);

  private:
    int n_;
    std::vector<double> window_;
    std::vector<uint32_t> reversed_;
    std::vector<double> twiddle_;   // per stage m: cos, sin for k = 0 .. m - 1
    std::vector<double> untangle_;  // cos, sin of -3.141593 k / N, k = 0 .. N/2
    std::vector<double> work_;
};

// The analysis of `records` records of the samples x (frames of the left
// channel) from `start`: records x N magnitudes, record by record.
struct SpectrumData {
    int n = 0;
    int records = 0;
    uint32_t rate = 0;
    bool decibels = false;
    std::vector<double> values;  // records * n
    const double* Record(int r) const { return values.data() + size_t(r) * size_t(n); }
};
int AnalyseSpectrum(const float* x, uint32_t frames, uint32_t rate, uint32_t start, int records,
                    int n, bool decibels, SpectrumData* out);

// The grid handed to the chart.
struct SpectrumGrid {
    int rows = 0, columns = 0;
    std::vector<double> cells;         // rows * columns
    std::vector<double> rowValues;     // time in seconds
    std::vector<double> columnValues;  // Hz, or the band number in logarithmic mode
    double At(int row, int column) const { return cells[size_t(row) * columns + column]; }
};
// Columns of a point size and options: 2b + 1 in logarithmic mode (b the
// significant bits of N), N with High Resolution, else N / 4.
int SpectrumGridColumns(int n, uint32_t options);
int SpectrumGridRows(int records, uint32_t options);
SpectrumGrid ReduceSpectrum(const SpectrumData& data, uint32_t options);

// The half-octave band table (bin numbers); an index of 25 or more reads 0.
int SpectrumBandBin(int index);

// The text export: "Records:%d Points:%d dB:%d\n", then per record
// "\nRecord:%d\n%12f %12f\n" (frequency 0, bin 0) and one "%12f %12f\n" line
// per bin 1 .. N - 1 (frequency k rate / 2N). A short write stops it.
int WriteSpectrumText(const std::string& path, const SpectrumData& data);
// Formats one value as printf's "%12f" does.
void FormatFixed12(double v, std::string& out);

}  // namespace ob
