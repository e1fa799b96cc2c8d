// Sample-rate transpose: lengths, rates, MapPosition of markers, loops and
// view, rate only, quick pitch, refusals, presets, the band limit and the
// pre-filter measured on tones, abort and undo.
#include "dsp/transpose.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/operation_traits.h"
#include "dsp/preset_file.h"
#include "script/op_bindings.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

// Level of frequency f (Hz) in x at `rate`, Hann-windowed, in dB.
double LevelDb(const std::vector<float>& x, double f, double rate) {
    double re = 0, im = 0, norm = 0;
    const size_t n = x.size();
    for (size_t i = 0; i < n; ++i) {
        double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n));
        re += w * x[i] * std::cos(2 * M_PI * f * double(i) / rate);
        im += w * x[i] * std::sin(2 * M_PI * f * double(i) / rate);
        norm += w;
    }
    return 20 * std::log10(std::sqrt(re * re + im * im) * 2 / norm + 1e-20);
}

std::vector<float> Slice(const std::vector<float>& x, size_t from, size_t to) {
    return std::vector<float>(x.begin() + long(from), x.begin() + long(to));
}

TEST(Transpose, KernelRows) {
    const double* h = TransposeKernel();
    EXPECT_EQ(h[0], 1.0);
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(h[32 * k], 0.0);
    EXPECT_NEAR(h[1], 0.9983329, 1e-6);
    EXPECT_NEAR(h[8], 0.8967732, 1e-6);
    EXPECT_NEAR(h[16], 0.6266413, 1e-6);
    EXPECT_NEAR(h[24], 0.2895971, 1e-6);
    EXPECT_NEAR(h[31], 0.03034093, 1e-7);
    EXPECT_NEAR(h[48], -0.1836158, 1e-6);
    EXPECT_NEAR(h[176], -0.005537094, 1e-8);
}

TEST(Transpose, LinearDoublesLengthAndMovesMarkersLoopsAndView) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(
        1000, true, [](int c, uint32_t i) { return float(std::sin(i * 0.05 + c)); }, 22050);
    std::vector<float> before = Channel(*w, 0);
    SetMarker(*w, 500, 0, "m");
    SetLoop(*w, 100, 899, 0, 0);
    w->viewStart = 250;
    w->viewSpan = 500;
    ASSERT_EQ(TransposeRate(*w, 44100, kTransposeLinear, kTransposeAdjust), kEditDone);
    EXPECT_EQ(w->frameCount, 2000u);
    EXPECT_EQ(w->sampleRate, 44100u);
    EXPECT_EQ(w->leftSamples[0], before[0]);
    EXPECT_EQ(w->leftSamples[1999], before[999]);
    EXPECT_EQ(FindMarker(*w, 0)->position, 1000u);
    EXPECT_EQ(FindLoop(*w, 0)->start, 200u);
    EXPECT_EQ(FindLoop(*w, 0)->end, 1798u);
    EXPECT_EQ(w->viewStart, 500u);
    EXPECT_EQ(w->viewSpan, 1000u);
    // Undo brings back every sample and the rate.
    EXPECT_EQ(Undo(*w), 0);
    EXPECT_EQ(w->frameCount, 1000u);
    EXPECT_EQ(w->sampleRate, 22050u);
    EXPECT_EQ(Channel(*w, 0), before);
}

TEST(Transpose, QuickPitchShortensTheAreaAndMovesTheTailExactly) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(10000, false, [](int, uint32_t i) { return float(i); });
    std::vector<float> before = Channel(*w, 0);
    SelectMouse(*w, 1000, 4410, 1);
    SetMarker(*w, 7000, 1, nullptr);
    SetMarker(*w, 500, 2, nullptr);
    TransposeSettings s = TransposeBuiltIn(0);
    s.method = kTransposeQuickPitch;
    s.value = 100;
    EXPECT_EQ(TransposeTargetRate(44100, s), 41625);
    ASSERT_EQ(SampleRateTranspose(*w, s), kEditDone);
    EXPECT_EQ(w->sampleRate, 44100u);  // the rate stays, the area's pitch changes
    EXPECT_EQ(w->frameCount, 10000u - 4410 + 4162);
    // Before and after the area untouched; the tail moved by N - L = -248.
    for (uint32_t i = 0; i < 1000; ++i) ASSERT_EQ(w->leftSamples[i], before[i]);
    for (uint32_t i = 5410; i < 10000; ++i) ASSERT_EQ(w->leftSamples[i - 248], before[i]);
    EXPECT_EQ(FindMarker(*w, 1)->position, 7000u - 248);
    EXPECT_EQ(FindMarker(*w, 2)->position, 500u);
    EXPECT_EQ(MapPosition(7000, 1000, 4410, 44100, 41625), 6752u);
    EXPECT_EQ(MapPosition(1000, 1000, 4410, 44100, 41625), 1000u);
    EXPECT_EQ(MapPosition(2000, 1000, 4410, 44100, 41625), 1000u + 944);  // 1000 x f + 0.5
}

TEST(Transpose, RateOnlyKeepsEverySample) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(3000, false, [](int, uint32_t i) { return float(i % 7) / 7; });
    std::vector<float> before = Channel(*w, 0);
    SetMarker(*w, 1234, 0, nullptr);
    EXPECT_EQ(obSampleRateTranspose(w->editorNumber, 22050, 3, 1, 1), 1);
    EXPECT_EQ(w->sampleRate, 22050u);
    EXPECT_EQ(Channel(*w, 0), before);
    EXPECT_EQ(FindMarker(*w, 0)->position, 1234u);
    EXPECT_NE(w->stateFlags & kStateChanged, 0u);
}

TEST(Transpose, PeriodsAndRefusals) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    TransposeSettings s = TransposeBuiltIn(4);
    EXPECT_EQ(TransposeTargetRate(44100, s), 32000);
    WaveRecord* w = MakeWave(100, false, [](int, uint32_t i) { return float(i); });
    std::vector<float> before = Channel(*w, 0);
    s = TransposeBuiltIn(0);  // 44100: unchanged
    EXPECT_EQ(SampleRateTranspose(*w, s), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Sample rate cannot be zero,\nnegative or unchanged");
    s.value = -5;
    EXPECT_EQ(SampleRateTranspose(*w, s), kEditRefused);
    s.value = 300000;
    EXPECT_EQ(SampleRateTranspose(*w, s), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Sample rate must be 100 to 200000 Hz");
    size_t boxes = ui.boxes.size();
    // The script function refuses silently: same rate, out of range, bad choice.
    EXPECT_EQ(obSampleRateTranspose(w->editorNumber, 44100, 1, 0, 0), 0);
    EXPECT_EQ(obSampleRateTranspose(w->editorNumber, 300000, 2, 0, 0), 0);
    EXPECT_EQ(obSampleRateTranspose(w->editorNumber, 22050, 4, 0, 0), 0);
    EXPECT_EQ(obSampleRateTranspose(w->editorNumber, 0, 1, 0, 0), 0);
    EXPECT_EQ(ui.boxes.size(), boxes);
    // A result of no frames is refused; the wave keeps its samples and rate.
    SelectMouse(*w, 10, 1, 1);
    EXPECT_EQ(TransposeRate(*w, 40000, kTransposeQuickPitch, 0), kEditRefused);
    EXPECT_EQ(w->frameCount, 100u);
    EXPECT_EQ(w->sampleRate, 44100u);
    EXPECT_EQ(Channel(*w, 0), before);
}

TEST(Transpose, BandLimitedUpsamplingKeepsImagesDown) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    const double f = 0.7 * 11025;  // 0.7 of the old Nyquist
    for (int method : {kTransposeResample, kTransposeLinear}) {
        WaveRecord* w = MakeWave(
            22050, false,
            [&](int, uint32_t i) { return float(0.5 * std::sin(2 * M_PI * f * i / 22050)); },
            22050);
        ASSERT_EQ(TransposeRate(*w, 44100, method, 0), kEditDone);
        std::vector<float> y = Slice(Channel(*w, 0), 4000, 40000);
        double tone = LevelDb(y, f, 44100), image = LevelDb(y, 22050 - f, 44100);
        if (method == kTransposeResample)
            EXPECT_LT(image, tone - 50) << tone << " " << image;
        else
            EXPECT_LT(image, tone - 12) << tone << " " << image;
        CloseAllEditors();
    }
}

TEST(Transpose, PreFilterLowersAliases) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    const double f = 16000;  // above the new Nyquist 11025
    double alias[2];
    for (int filtered = 0; filtered < 2; ++filtered) {
        WaveRecord* w = MakeWave(44100, false, [&](int, uint32_t i) {
            return float(0.5 * std::sin(2 * M_PI * f * i / 44100));
        });
        ASSERT_EQ(TransposeRate(*w, 22050, kTransposeLinear,
                                filtered ? uint32_t(kTransposePreFilter) : 0u),
                  kEditDone);
        EXPECT_EQ(w->frameCount, 22050u);
        alias[filtered] = LevelDb(Slice(Channel(*w, 0), 2000, 20000), 22050 - f, 22050);
        CloseAllEditors();
    }
    EXPECT_LT(alias[1], alias[0] - 30) << alias[0] << " " << alias[1];
}

TEST(Transpose, AbortLeavesTheWaveUnchanged) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    ui.abortAtProgress = 10;
    WaveRecord* w = MakeWave(200000, true, [](int c, uint32_t i) { return float(i % 100) + c; });
    std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
    // Abort while the pre-filter runs (lowering the rate), then while resampling.
    EXPECT_EQ(TransposeRate(*w, 22050, kTransposeResample, kTransposePreFilter | 1), kEditAborted);
    EXPECT_EQ(Channel(*w, 0), left);
    ui.abortAtProgress = 50;
    EXPECT_EQ(TransposeRate(*w, 48000, kTransposeResample, 1), kEditAborted);
    EXPECT_EQ(w->frameCount, 200000u);
    EXPECT_EQ(w->sampleRate, 44100u);
    EXPECT_EQ(Channel(*w, 0), left);
    EXPECT_EQ(Channel(*w, 1), right);
    ui.abortAtProgress = -1;
    ClearAbort();
    EXPECT_EQ(TransposeRate(*w, 22050, kTransposeLinear, kTransposePreFilter), kEditDone);
    EXPECT_EQ(w->frameCount, 100000u);
    EXPECT_EQ(Undo(*w), 0);
    EXPECT_EQ(Channel(*w, 0), left);
    EXPECT_EQ(Channel(*w, 1), right);
}

TEST(Transpose, PresetsBothByteOrdersAndRangeChecks) {
    ASSERT_STREQ(TransposeBuiltIn(0).name, "Bring up to CD");
    EXPECT_STREQ(TransposeBuiltIn(7).name, "Quick pitch ten cents sharp");
    EXPECT_EQ(TransposeBuiltIn(6).value, -25);
    EXPECT_EQ(TransposeBuiltIn(2).options, 3u);
    EXPECT_STREQ(DefaultParams<SampleRateTransposeOp>().name, "Bring up to CD");
    EXPECT_EQ(kPresetKinds[kPresetSampleRateTranspose].recordSize, kTransposeRecordSize);
    std::string path = testing::TempDir() + "srtr_preset.obx";
    for (bool big : {false, true}) {
        uint8_t record[kTransposeRecordSize];
        TransposeToRecord(TransposeBuiltIn(6), record);
        if (big) SwapTransposeRecord(record);
        ASSERT_EQ(WritePresetFile(path, "SRTR", record, kTransposeRecordSize, big), 0);
        uint8_t read[kTransposeRecordSize];
        bool swapped = false;
        ASSERT_EQ(ReadPresetFile(path, "SRTR", read, kTransposeRecordSize, &swapped), 0);
        EXPECT_EQ(swapped, big);
        TransposeSettings s;
        ASSERT_TRUE(TransposeFromRecord(read, swapped, s));
        EXPECT_EQ(s.value, -25);
        EXPECT_EQ(s.method, kTransposeQuickPitch);
        EXPECT_STREQ(s.name, "Quick pitch one quarter step flat");
    }
    std::remove(path.c_str());
    uint8_t record[kTransposeRecordSize];
    TransposeSettings s = TransposeBuiltIn(1), kept = s;
    for (int field = 0; field < 4; ++field) {
        TransposeToRecord(TransposeBuiltIn(0), record);
        const uint32_t bad[4] = {300000, 4, 2, 8};
        std::memcpy(record + 4 * field, &bad[field], 4);
        EXPECT_FALSE(TransposeFromRecord(record, false, s)) << field;
        EXPECT_EQ(s.value, kept.value);
    }
    EXPECT_EQ(TransposeMacroLine(3, TransposeBuiltIn(2)),
              "obSampleRateTranspose 3, 22050, OB_SRT_LINEAR, 1, 1\n");
    EXPECT_EQ(TransposeMacroLine(3, TransposeBuiltIn(4)),
              "obSampleRateTranspose 3, 32000, OB_SRT_LINEAR, 0, 1\n");
    EXPECT_EQ(TransposeMacroLine(3, TransposeBuiltIn(5)), "");  // quick pitch records nothing
}

}  // namespace
}  // namespace ob
