// Spectrum analysis: record count, window, FFT, untangling, magnitudes and
// the reduction to the chart's grid.
#include "analysis/spectrum.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
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

// ln x for a normal positive x, without a call or a branch so that a loop of
// them vectorizes: x = 2^e m with m in [sqrt(1/2), sqrt(2)), and
// ln m = 2 atanh(s) with s = (m - 1) / (m + 1), |s| <= 0.1716, by its series
// to s^17 (the next term is below 1e-15 of the result).
inline double LnNormal(double x) {
    constexpr uint64_t kSqrtHalfBits = 0x3fe6a09e667f3bcdull;
    constexpr uint64_t kBias = 1024ull << 52;  // keeps the difference positive
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    const uint64_t biased = (bits - kSqrtHalfBits + kBias) >> 52;  // e + 1024
    const double m = std::bit_cast<double>(bits - (biased << 52) + kBias);
    // e + 1024 as a double without an integer conversion: 2^52 + biased.
    const double e = std::bit_cast<double>(0x4330000000000000ull | biased) - (0x1p52 + 1024.0);
    const double s = (m - 1.0) / (m + 1.0);
    const double z = s * s;
    double series = 1.0 / 17;
    for (double term : {1.0 / 15, 1.0 / 13, 1.0 / 11, 1.0 / 9, 1.0 / 7, 1.0 / 5, 1.0 / 3, 1.0})
        series = series * z + term;
    return e * M_LN2 + 2.0 * s * series;
}

// 20 log10(sqrt(power)) as 10 / ln 10 times ln(power): one logarithm and no
// square root per bin. At most 1e-24 (and NaN) is the floor; infinity stays.
inline double PowerToDecibels(double power) {
    const double db = (10.0 / M_LN10) * LnNormal(power);
    return !(power > 1e-24) ? kSpectrumFloorDb : power <= DBL_MAX ? db : HUGE_VAL;
}

// The decibels of bins 0 .. n-1 of the untangled spectrum y (re, im pairs;
// bin 0 is |Re Y0|). Compiled for the baseline and for AVX2 like the
// butterflies.
__attribute__((target_clones("avx2", "default"))) void DecibelsOf(const double* __restrict__ y,
                                                                  int n, double* __restrict__ out) {
    out[0] = PowerToDecibels(y[0] * y[0]);
    for (int k = 1; k < n; ++k)
        out[k] = PowerToDecibels(y[2 * k] * y[2 * k] + y[2 * k + 1] * y[2 * k + 1]);
}

// One stage of radix-2 butterflies with blocks of length m (its twiddles
// cs[k], sn[k], k < m). M is m when it is known at compile time (the short
// blocks of the first stages, whose loops then unroll), else 0.
template <int M>
inline void ButterflyStage(double* __restrict__ re, double* __restrict__ im,
                           const double* __restrict__ cs, const double* __restrict__ sn, int m,
                           int n) {
    if constexpr (M > 0) m = M;
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

// Radix-2 butterflies over re/im in place, stage by stage. Compiled for the
// baseline and for AVX2 (chosen when the program loads); without FMA both
// round alike, so the results do not depend on the processor.
__attribute__((target_clones("avx2", "default"))) void Butterflies(double* __restrict__ re,
                                                                   double* __restrict__ im,
                                                                   const double* twiddle, int n) {
    // Block length 1 has the one twiddle angle 0 (cos 1, sin 0), whose
    // product is b itself: a plain sum and difference.
    for (int group = 0; group < n; group += 2) {
        double xr = re[group], xi = im[group], yr = re[group + 1], yi = im[group + 1];
        re[group] = xr + yr;
        im[group] = xi + yi;
        re[group + 1] = xr - yr;
        im[group + 1] = xi - yi;
    }
    // Stage m's cosines start at m - 1, its sines at N + m - 1.
    for (int m = 2; m < n; m *= 2) {
        const double* cs = twiddle + (m - 1);
        const double* sn = twiddle + n + (m - 1);
        if (m == 2)
            ButterflyStage<2>(re, im, cs, sn, m, n);
        else if (m == 4)
            ButterflyStage<4>(re, im, cs, sn, m, n);
        else if (m == 8)
            ButterflyStage<8>(re, im, cs, sn, m, n);
        else
            ButterflyStage<0>(re, im, cs, sn, m, n);
    }
}

// Untangles the N-point complex result (re, im) into the spectrum y of the
// 2N real samples (re, im pairs; slot 0 holds Y0 and the folded Nyquist
// term), with the cosines and sines of -3.141593 k / N in tw. N is a power of
// two, so multiplying by 1/N, 1/2N and 0.5 gives the quotients exactly.
// Bins k < N/2 and their mirrors N - k never share a slot, so that loop
// vectorizes; bin N/2 is its own mirror and comes last.
__attribute__((target_clones("avx2", "default"))) void Untangle(const double* __restrict__ re,
                                                                const double* __restrict__ im,
                                                                const double* __restrict__ tw,
                                                                int n, double* __restrict__ y) {
    const double perN = 1.0 / n, perTwoN = 0.5 / n;
    y[0] = (re[0] + im[0]) * perTwoN;
    y[1] = (re[0] - im[0]) * perTwoN;
    auto pair = [&](int k) {
        const int j = n - k;
        const double c = tw[2 * k], s = tw[2 * k + 1];
        const double A = (re[k] + re[j]) * 0.5, B = (re[k] - re[j]) * 0.5;
        const double G = (im[k] + im[j]) * 0.5, D = (im[k] - im[j]) * 0.5;
        const double P = c * B + s * G;
        const double Q = s * B - c * G;
        y[2 * k] = (A - Q) * perN;
        y[2 * k + 1] = (D - P) * perN;
        y[2 * j] = (A + Q) * perN;
        y[2 * j + 1] = (-D - P) * perN;
    };
    for (int k = 1; k < n / 2; ++k) pair(k);
    pair(n / 2);
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
    // Real and imaginary parts apart (in the work area), so the butterflies
    // vectorize; the untangling writes y from them.
    double* __restrict__ re = work_.data() + 4 * n;
    double* __restrict__ im = work_.data() + 5 * n;
    // Pack: even samples as real parts, odd as imaginary, in bit-reversed
    // order (the reversal is its own inverse, so slot i takes pair r(i): the
    // scattered accesses are reads).
    for (int i = 0; i < n; ++i) {
        uint32_t r = reversed_[size_t(i)];
        re[i] = windowed[2 * r];
        im[i] = windowed[2 * r + 1];
    }
    Butterflies(re, im, twiddle_.data(), n);
    Untangle(re, im, untangle_.data(), n, y);
}

void SpectrumFft::Magnitudes(const double* frame, bool decibels, double* out) {
    const int n = n_;
    double* windowed = work_.data();
    double* y = work_.data() + 2 * n;
    for (int i = 0; i < 2 * n; ++i) windowed[i] = frame[i] * window_[size_t(i)];
    Spectrum(windowed, y);
    if (decibels) {
        DecibelsOf(y, n, out);
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
        // Every value is written below: no need to clear them first.
        out->values.resize(size_t(count) * size_t(n));
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
