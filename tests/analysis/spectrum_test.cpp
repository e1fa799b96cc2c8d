// Spectrum analysis: record counts, the window, grid sizes of every mode,
// the band table and its pull-back, the dB floor and the decibels against
// the magnitudes, the text export's layout
// and its failures.
#include "analysis/spectrum.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ob {
namespace {

std::vector<float> Tone(uint32_t frames, double hz, uint32_t rate = 44100) {
    std::vector<float> x(frames);
    for (uint32_t i = 0; i < frames; ++i) x[i] = float(0.5 * std::sin(2 * M_PI * hz * i / rate));
    return x;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Spectrum, RecordCounts) {
    // Fewer than 2N frames from the start: no records.
    EXPECT_EQ(SpectrumRecordCount(1000, 0, 1000, 512), 0);
    EXPECT_EQ(SpectrumRecordCount(1024, 1, 1023, 512), 0);
    // An area of exactly 2N frames: one record.
    EXPECT_EQ(SpectrumRecordCount(1024, 0, 1024, 512), 1);
    // (L - N) / N records, at least 1 while the sound holds a whole record.
    EXPECT_EQ(SpectrumRecordCount(100000, 0, 5120, 512), 9);
    EXPECT_EQ(SpectrumRecordCount(100000, 0, 700, 512), 1);
    EXPECT_EQ(SpectrumRecordCount(100000, 0, 100, 512), 1);  // L < N
    // 5000 records are cut to 1000.
    EXPECT_EQ(SpectrumRecordCount(64 * 5002, 0, 64 * 5002, 64), 1000);
    // The records the sound holds after the start.
    EXPECT_EQ(SpectrumRecordsAvailable(1000, 100, 50, 64), (1000 - 100 - 64) / 64);
    EXPECT_EQ(SpectrumRecordsAvailable(1000, 100, 3, 64), 3);
    EXPECT_EQ(SpectrumRecordsAvailable(1000, 900, 3, 64), -1);
    EXPECT_EQ(SpectrumRecordsAvailable(100, 200, 3, 32), -1);
}

TEST(Spectrum, PointSizes) {
    for (int n : {32, 64, 128, 256, 512, 1024, 2048}) EXPECT_TRUE(ValidPointSize(n)) << n;
    for (int n : {0, 16, 48, 100, 4096, -64}) EXPECT_FALSE(ValidPointSize(n)) << n;
    EXPECT_EQ(DialogPointSize(256), 256);
    EXPECT_EQ(DialogPointSize(32), 2048);
    EXPECT_EQ(DialogPointSize(1000), 2048);
}

TEST(Spectrum, WindowAsWritten) {
    SpectrumFft fft(64);
    const std::vector<double>& w = fft.Window();
    ASSERT_EQ(w.size(), 128u);
    EXPECT_DOUBLE_EQ(w[0], 0.08);
    EXPECT_DOUBLE_EQ(w[127], 0.54 - 0.46 * std::cos(6.283185));  // the constant, not 2 pi
    EXPECT_DOUBLE_EQ(w[40], 0.54 - 0.46 * std::cos(6.283185 * 40 / 127));
}

TEST(Spectrum, GridSizesOfEveryMode) {
    // Logarithmic: 2b + 1 columns, b the significant bits of N.
    EXPECT_EQ(SpectrumGridColumns(64, kSpectrumLogFrequency), 15);
    EXPECT_EQ(SpectrumGridColumns(2048, kSpectrumLogFrequency), 25);
    EXPECT_EQ(SpectrumGridColumns(32, kSpectrumLogFrequency | kSpectrumHighResolution), 13);
    EXPECT_EQ(SpectrumGridColumns(256, kSpectrumHighResolution), 256);
    EXPECT_EQ(SpectrumGridColumns(256, 0), 64);
    EXPECT_EQ(SpectrumGridRows(10, kSpectrumHighResolution), 10);
    EXPECT_EQ(SpectrumGridRows(10, 0), 3);  // records 0, 4, 8
    EXPECT_EQ(SpectrumGridRows(1, 0), 1);
    EXPECT_EQ(SpectrumGridRows(0, 0), 0);
    std::vector<float> x = Tone(64 * 12, 3000);
    for (uint32_t options : {0u, 0x400u, 0x4000u, 0x4400u, 0xC000u, 0x8400u}) {
        SCOPED_TRACE(options);
        SpectrumData data;
        ASSERT_EQ(AnalyseSpectrum(x.data(), uint32_t(x.size()), 44100, 0, 10, 64,
                                  options & kSpectrumDecibels, &data),
                  kSpectrumOk);
        ASSERT_EQ(data.records, 10);
        SpectrumGrid grid = ReduceSpectrum(data, options);
        EXPECT_EQ(grid.rows, SpectrumGridRows(10, options));
        EXPECT_EQ(grid.columns, SpectrumGridColumns(64, options));
        EXPECT_EQ(grid.cells.size(), size_t(grid.rows) * size_t(grid.columns));
        EXPECT_EQ(grid.rowValues.size(), size_t(grid.rows));
        EXPECT_EQ(grid.columnValues.size(), size_t(grid.columns));
        for (double v : grid.cells) EXPECT_TRUE(std::isfinite(v));
    }
}

TEST(Spectrum, BandTableAndPullBack) {
    EXPECT_EQ(SpectrumBandBin(0), 0);
    EXPECT_EQ(SpectrumBandBin(14), 64);
    EXPECT_EQ(SpectrumBandBin(24), 2048);
    EXPECT_EQ(SpectrumBandBin(25), 0);
    EXPECT_EQ(SpectrumBandBin(-1), 0);
    // N = 64: column 14 starts at bin 64, pulled back to bins 60 .. 63.
    SpectrumData data;
    data.n = 64;
    data.records = 1;
    data.rate = 44100;
    data.values.assign(64, 0.0);
    for (int k = 0; k < 64; ++k) data.values[size_t(k)] = k;
    data.values[0] = 0.25;
    SpectrumGrid grid = ReduceSpectrum(data, kSpectrumLogFrequency | kSpectrumHighResolution);
    ASSERT_EQ(grid.columns, 15);
    EXPECT_EQ(grid.At(0, 0), 0.25);   // bin 0's own value
    EXPECT_EQ(grid.At(0, 1), 0.625);  // mean of bins 0 and 1
    EXPECT_EQ(grid.At(0, 14), 63.0);
    EXPECT_EQ(grid.At(0, 13), 45.0);
    EXPECT_EQ(grid.At(0, 11), 23.0);  // the larger of bins 22 and 23
    EXPECT_EQ(grid.At(0, 3), 1.5);    // mean of bins 1 and 2
    EXPECT_EQ(grid.columnValues[7], 7.0);
}

TEST(Spectrum, DecibelFloorNeverInfinite) {
    std::vector<float> silence(4096, 0.0f);
    SpectrumData data;
    ASSERT_EQ(AnalyseSpectrum(silence.data(), 4096, 44100, 0, 5, 256, true, &data), kSpectrumOk);
    for (double v : data.values) EXPECT_EQ(v, kSpectrumFloorDb);
    SpectrumGrid grid = ReduceSpectrum(data, kSpectrumLogFrequency | kSpectrumDecibels);
    for (double v : grid.cells) EXPECT_EQ(v, kSpectrumFloorDb);
    std::string path = ::testing::TempDir() + "/spectrum_floor.txt";
    ASSERT_EQ(WriteSpectrumText(path, data), kSpectrumOk);
    std::string text = ReadAll(path);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_NE(text.find(" -240.000000\n"), std::string::npos);
    std::remove(path.c_str());
}

// The decibels (their own logarithm, vectorized) against 20 log10 of the
// plain magnitudes of the same analysis, over 24 decades of level, with
// quiet bins at the floor and NaN samples giving the floor, never NaN.
TEST(Spectrum, DecibelsAreTheLogOfTheMagnitudes) {
    uint32_t seed = 12345;
    std::vector<float> noise(8192);
    for (float& v : noise) {
        seed = seed * 1664525u + 1013904223u;
        v = float(int32_t(seed >> 8) - (1 << 23)) / float(1 << 23);
    }
    int compared = 0, floored = 0;
    for (double scale = 1e-12; scale <= 1e12; scale *= 31.6227766) {
        std::vector<float> x(noise.size());
        for (size_t i = 0; i < x.size(); ++i) x[i] = float(noise[i] * scale);
        SpectrumData plain, db;
        ASSERT_EQ(AnalyseSpectrum(x.data(), uint32_t(x.size()), 44100, 0, 3, 1024, false, &plain),
                  kSpectrumOk);
        ASSERT_EQ(AnalyseSpectrum(x.data(), uint32_t(x.size()), 44100, 0, 3, 1024, true, &db),
                  kSpectrumOk);
        ASSERT_EQ(plain.values.size(), db.values.size());
        for (size_t i = 0; i < db.values.size(); ++i) {
            const double m = plain.values[i];
            if (m * m > 1e-24) {
                ASSERT_NEAR(db.values[i], 20.0 * std::log10(m), 1e-9) << "scale " << scale;
                ++compared;
            } else {
                ASSERT_EQ(db.values[i], kSpectrumFloorDb) << "scale " << scale;
                ++floored;
            }
        }
    }
    EXPECT_GT(compared, 10000);
    EXPECT_GT(floored, 1000);
    std::vector<float> bad(4096, 0.25f);
    bad[100] = NAN;
    SpectrumData data;
    ASSERT_EQ(AnalyseSpectrum(bad.data(), 4096, 44100, 0, 1, 256, true, &data), kSpectrumOk);
    for (double v : data.values) EXPECT_EQ(v, kSpectrumFloorDb);
}

TEST(Spectrum, TextLayout) {
    std::vector<float> x = Tone(2048, 1000, 8000);
    SpectrumData data;
    ASSERT_EQ(AnalyseSpectrum(x.data(), 2048, 8000, 0, 2, 32, false, &data), kSpectrumOk);
    std::string path = ::testing::TempDir() + "/spectrum_text.txt";
    ASSERT_EQ(WriteSpectrumText(path, data), kSpectrumOk);
    std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind("Records:2 Points:32 dB:0\n\nRecord:1\n    0.000000 ", 0), 0u) << text;
    EXPECT_NE(text.find("\nRecord:2\n"), std::string::npos);
    // Bin 1 at rate / 2N = 125 Hz, the last at 31 x 125 Hz.
    EXPECT_NE(text.find("\n  125.000000 "), std::string::npos);
    EXPECT_NE(text.find("\n 3875.000000 "), std::string::npos);
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, 1u + 2u * (2u + 32u));
    std::remove(path.c_str());
    std::string formatted;
    FormatFixed12(-3.25, formatted);
    FormatFixed12(123456.0000005, formatted);
    FormatFixed12(1e14, formatted);
    char want[128];
    std::snprintf(want, sizeof want, "%12f%12f%12f", -3.25, 123456.0000005, 1e14);
    EXPECT_EQ(formatted, want);
}

TEST(Spectrum, FailuresAreReported) {
    std::vector<float> x = Tone(1000, 440);
    SpectrumData data;
    EXPECT_EQ(AnalyseSpectrum(x.data(), 1000, 44100, 0, 3, 48, false, &data),
              kSpectrumBadPointSize);
    EXPECT_EQ(AnalyseSpectrum(x.data(), 1000, 44100, 900, 3, 64, false, &data),
              kSpectrumAreaTooSmall);
    EXPECT_EQ(AnalyseSpectrum(nullptr, 0, 44100, 0, 3, 64, false, &data), kSpectrumNoData);
    EXPECT_STREQ(SpectrumResultText(kSpectrumAreaTooSmall), "Affect area too small to analyze");
    EXPECT_STREQ(SpectrumResultText(kSpectrumNoData), "No waveform data available");
    ASSERT_EQ(AnalyseSpectrum(x.data(), 1000, 44100, 0, 3, 64, false, &data), kSpectrumOk);
    EXPECT_EQ(WriteSpectrumText("/nonexistent-folder/x.txt", data), kSpectrumCantOpen);
    // A short write (a full device) stops the export with an error.
    if (FILE* f = std::fopen("/dev/full", "wb")) {
        std::fclose(f);
        std::vector<float> big = Tone(64 * 1002, 440);
        ASSERT_EQ(
            AnalyseSpectrum(big.data(), uint32_t(big.size()), 44100, 0, 1000, 2048, false, &data),
            kSpectrumOk);
        EXPECT_EQ(WriteSpectrumText("/dev/full", data), kSpectrumWriteError);
        struct stat st {};
        ASSERT_EQ(::stat("/dev/full", &st), 0);  // a device is never deleted
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
}

}  // namespace
}  // namespace ob
