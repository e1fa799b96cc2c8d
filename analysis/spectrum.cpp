// Spectrum analysis: record count, window, FFT, untangling, magnitudes and
// the reduction to the chart's grid.
#include "analysis/spectrum.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace ob {

namespace {

// The constants of the window, the butterflies and the untangling.
constexpr double kTwoPi = 6.283185;
constexpr double kPi = 3.141593;

const int kBandBins[25] = {0,  0,  1,  1,   2,   3,   4,   5,   8,   11,   16,   22,  32,
                           45, 64, 90, 128, 181, 256, 362, 512, 724, 1024, 1448, 2048};

int SignificantBits(int n) {
    int b = 0;
    while (n > 0) {
        ++b;
        n >>= 1;
    }
    return b;
}

// 20 log10(sqrt(power)) as 10 / ln 10 times ln(power): one logarithm and no
// square root per bin.
double PowerToDecibels(double power) {
    if (!(power > 1e-24)) return kSpectrumFloorDb;
    return (10.0 / M_LN10) * std::log(power);
}

}  // namespace

SpectrumSettings& CurrentSpectrumSettings() {
    static SpectrumSettings settings;
    return settings;
}

const char* SpectrumResultText(int code) {
    static const char* const kTexts[] = {
        "Procedure OK",
        "Affect area too small to analyze",
        "No waveform data available",
        "Not enough memory for this operation.\n",
        "Invalid FFT point size",
        "File Write Error",
        "Can't Open File",
    };
    if (code < 0 || code >= int(sizeof kTexts / sizeof kTexts[0])) return kTexts[0];
    return kTexts[code];
}

bool ValidPointSize(int n) {
    return n >= 32 && n <= 2048 && (n & (n - 1)) == 0;
}

int DialogPointSize(int stored) {
    return stored >= 64 && ValidPointSize(stored) ? stored : 2048;
}

int SpectrumRecordCount(uint32_t frames, uint32_t start, uint32_t length, int n) {
    if (n <= 0 || frames < start || uint64_t(frames - start) < 2 * uint64_t(n)) return 0;
    int64_t r = 1;
    if (uint64_t(n) <= length) r = std::max<int64_t>((int64_t(length) - n) / n, 1);
    return int(std::min<int64_t>(r, kMaxSpectrumRecords));
}

int SpectrumRecordsAvailable(uint32_t frames, uint32_t start, int records, int n) {
    if (n <= 0 || frames < start || uint64_t(frames - start) < 2 * uint64_t(n)) return -1;
    int64_t most = (int64_t(frames - start) - n) / n;
    return int(std::max<int64_t>(0, std::min<int64_t>(records, most)));
}

int SpectrumBandBin(int index) {
    return index >= 0 && index < 25 ? kBandBins[index] : 0;
}

// ---- The FFT ----

SpectrumFft::SpectrumFft(int n) : n_(n) {
    window_.resize(size_t(2 * n));
    for (int i = 0; i < 2 * n; ++i)
        window_[size_t(i)] = 0.54 - 0.46 * std::cos(kTwoPi * i / (2.0 * n - 1));
    int bits = SignificantBits(n) - 1;
    reversed_.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        uint32_t r = 0;
        for (int b = 0; b < bits; ++b)
            if (i & (1 << b)) r |= 1u << (bits - 1 - b);
        reversed_[size_t(i)] = r;
    }
    // Stage m's cosines start at m - 1, its sines at N + m - 1: m = 1, 2, 4, ... < N.
    twiddle_.resize(size_t(2 * n));
    for (int m = 1; m < n; m *= 2)
        for (int k = 0; k < m; ++k) {
            double theta = k * kPi / m;
            twiddle_[size_t(m - 1 + k)] = std::cos(theta);
            twiddle_[size_t(n + m - 1 + k)] = std::sin(theta);
        }
    untangle_.resize(size_t(n + 2));
    for (int k = 0; k <= n / 2; ++k) {
        double phi = -kPi * k / n;
        untangle_[size_t(2 * k)] = std::cos(phi);
        untangle_[size_t(2 * k + 1)] = std::sin(phi);
    }
    work_.resize(size_t(6 * n));  // windowed frame, spectrum, real and imaginary parts
}

void SpectrumFft::Spectrum(const double* windowed, double* y) {
    const int n = n_;
    // Real and imaginary parts apart, so the butterflies vectorize: the
    // second half of `y` serves as the imaginary array until the untangling.
    double* __restrict__ re = work_.data() + 4 * n;
    double* __restrict__ im = work_.data() + 5 * n;
    // Pack: even samples as real parts, odd as imaginary, in bit-reversed order.
    for (int i = 0; i < n; ++i) {
        uint32_t r = reversed_[size_t(i)];
        re[r] = windowed[2 * i];
        im[r] = windowed[2 * i + 1];
    }
    // Radix-2 butterflies. Block length 1 has the one twiddle angle 0
    // (cos 1, sin 0), whose product is b itself: a plain sum and difference.
    for (int group = 0; group < n; group += 2) {
        double xr = re[group], xi = im[group], yr = re[group + 1], yi = im[group + 1];
        re[group] = xr + yr;
        im[group] = xi + yi;
        re[group + 1] = xr - yr;
        im[group + 1] = xi - yi;
    }
    for (int m = 2; m < n; m *= 2) {
        const double* __restrict__ cs = twiddle_.data() + (m - 1);
        const double* __restrict__ sn = twiddle_.data() + n + (m - 1);
        for (int group = 0; group < n; group += 2 * m) {
            double* __restrict__ ar = re + group;
            double* __restrict__ ai = im + group;
            double* __restrict__ br = ar + m;
            double* __restrict__ bi = ai + m;
            for (int k = 0; k < m; ++k) {
                double tr = br[k] * cs[k] - bi[k] * sn[k];
                double ti = br[k] * sn[k] + bi[k] * cs[k];
                double xr = ar[k], xi = ai[k];
                br[k] = xr - tr;
                bi[k] = xi - ti;
                ar[k] = xr + tr;
                ai[k] = xi + ti;
            }
        }
    }
    for (int k = 0; k < n; ++k) {
        y[2 * k] = re[k];
        y[2 * k + 1] = im[k];
    }
    // Untangle into the spectrum of the 2N real samples.
    const double x0r = y[0], x0i = y[1];
    y[0] = (x0r + x0i) / (2.0 * n);
    y[1] = (x0r - x0i) / (2.0 * n);
    for (int k = 1; k <= n / 2; ++k) {
        const int j = n - k;
        const double c = untangle_[size_t(2 * k)], s = untangle_[size_t(2 * k + 1)];
        const double xkr = y[2 * k], xki = y[2 * k + 1];
        const double xjr = y[2 * j], xji = y[2 * j + 1];
        const double A = (xkr + xjr) / 2, B = (xkr - xjr) / 2;
        const double G = (xki + xji) / 2, D = (xki - xji) / 2;
        const double P = c * B + s * G;
        const double Q = s * B - c * G;
        y[2 * k] = (A - Q) / n;
        y[2 * k + 1] = (D - P) / n;
        y[2 * j] = (A + Q) / n;
        y[2 * j + 1] = (-D - P) / n;
    }
}

void SpectrumFft::Magnitudes(const double* frame, bool decibels, double* out) {
    const int n = n_;
    double* windowed = work_.data();
    double* y = work_.data() + 2 * n;
    for (int i = 0; i < 2 * n; ++i) windowed[i] = frame[i] * window_[size_t(i)];
    Spectrum(windowed, y);
    if (decibels) {
        out[0] = PowerToDecibels(y[0] * y[0]);
        for (int k = 1; k < n; ++k)
            out[k] = PowerToDecibels(y[2 * k] * y[2 * k] + y[2 * k + 1] * y[2 * k + 1]);
        return;
    }
    out[0] = std::fabs(y[0]);
    for (int k = 1; k < n; ++k)
        out[k] = std::sqrt(y[2 * k] * y[2 * k] + y[2 * k + 1] * y[2 * k + 1]);
}

int AnalyseSpectrum(const float* x, uint32_t frames, uint32_t rate, uint32_t start, int records,
                    int n, bool decibels, SpectrumData* out) {
    if (!ValidPointSize(n)) return kSpectrumBadPointSize;
    if (!x || frames == 0) return kSpectrumNoData;
    int count = SpectrumRecordsAvailable(frames, start, std::min(records, kMaxSpectrumRecords), n);
    if (count < 0) return kSpectrumAreaTooSmall;
    try {
        out->values.assign(size_t(count) * size_t(n), 0.0);
    } catch (const std::bad_alloc&) {
        out->values.clear();
        return kSpectrumNoMemory;
    }
    out->n = n;
    out->records = count;
    out->rate = rate;
    out->decibels = decibels;
    SpectrumFft fft(n);
    std::vector<double> frame(size_t(2 * n));
    // The first block B, then per record B and the next N samples.
    const float* p = x + start;
    for (int i = 0; i < n; ++i) frame[size_t(i)] = p[i];
    for (int r = 0; r < count; ++r) {
        const float* next = p + size_t(r + 1) * size_t(n);
        for (int i = 0; i < n; ++i) frame[size_t(n + i)] = next[i];
        fft.Magnitudes(frame.data(), decibels, out->values.data() + size_t(r) * size_t(n));
        std::copy(frame.begin() + n, frame.end(), frame.begin());
    }
    return kSpectrumOk;
}

// ---- The grid ----

int SpectrumGridColumns(int n, uint32_t options) {
    if (options & kSpectrumLogFrequency) return 2 * SignificantBits(n) + 1;
    if (options & kSpectrumHighResolution) return n;
    return n / 4;
}

int SpectrumGridRows(int records, uint32_t options) {
    if (records <= 0) return 0;
    return (options & kSpectrumHighResolution) ? records : (records + 3) / 4;
}

SpectrumGrid ReduceSpectrum(const SpectrumData& data, uint32_t options) {
    SpectrumGrid grid;
    const int n = data.n;
    grid.rows = SpectrumGridRows(data.records, options);
    grid.columns = SpectrumGridColumns(n, options);
    if (grid.rows == 0 || grid.columns == 0) {
        grid.rows = grid.columns = 0;
        return grid;
    }
    grid.cells.assign(size_t(grid.rows) * size_t(grid.columns), 0.0);
    const bool high = options & kSpectrumHighResolution;
    const bool logarithmic = options & kSpectrumLogFrequency;
    const double binHz = data.rate / (2.0 * n);
    grid.columnValues.resize(size_t(grid.columns));
    for (int c = 0; c < grid.columns; ++c) {
        int bin = logarithmic ? c : (high || c == 0) ? c : 4 * c - 3;
        grid.columnValues[size_t(c)] = logarithmic ? double(c) : bin * binHz;
    }
    for (int row = 0; row < grid.rows; ++row) {
        const int record = high ? row : 4 * row;
        grid.rowValues.push_back(data.rate ? double(record) * n / data.rate : 0.0);
        const double* v = data.Record(record);
        double* cells = grid.cells.data() + size_t(row) * size_t(grid.columns);
        cells[0] = v[0];
        for (int c = 1; c < grid.columns; ++c) {
            if (!logarithmic) {
                cells[c] = v[high ? c : 4 * c - 3];
                continue;
            }
            int used = 1;
            if (c == 1 || c == 3 || c == 7 || c == 11) used = 2;
            if (c >= 14) used = 4;
            int j = SpectrumBandBin(c);
            if (j + used - 1 > n - 1) j = n - used;
            if (c == 1 || c == 3) {
                cells[c] = (v[j] + v[j + 1]) / 2;
            } else if (used == 1) {
                cells[c] = v[j];
            } else {
                double m = v[j];
                for (int k = 1; k < used; ++k) m = std::max(m, v[j + k]);
                cells[c] = m;
            }
        }
    }
    return grid;
}

}  // namespace ob
