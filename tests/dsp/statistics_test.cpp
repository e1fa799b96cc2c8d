// The statistics and wave information reports: exact texts for known signals.
#include "dsp/statistics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dsp/level.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"
#include "wave/time_units.h"

namespace ob {
namespace {

TEST(Statistics, AlternatingHalfScale) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(4, false, [](int, uint32_t i) { return i % 2 ? -0.5f : 0.5f; });
    std::string text;
    ASSERT_EQ(StatisticsText(*w, text), 0);
    EXPECT_EQ(text,
              "Edit Size: 4 pts    \n\nAmplitude units in value\n"
              "\nAverage:  16383    DC:  0\n"
              "\nMaximum:  16383    Minimum:  -16383\n"
              "\nRMS:  16383    Crest Ratio:  0.0 dB\n"
              "\nClips Positive:  0    Negative:  0\n"
              "\nZero-cross Positive:  1    Negative:  2\n");
    ASSERT_EQ(ShowStatistics(*w), 0);
    EXPECT_EQ(ui.boxes.back().caption, TitleOf(*w));
    EXPECT_EQ(ui.boxes.back().text, text);
}

TEST(Statistics, StereoSilenceAndNegativeDc) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(10, true, [](int, uint32_t) { return 0.0f; });
    std::string text;
    ASSERT_EQ(StatisticsText(*w, text), 0);
    EXPECT_EQ(text,
              "Edit Size: 10 pts    \n\nAmplitude units in value\n"
              "\nLeft Average:  0    DC:  0"
              "\nRight Average:  0    DC:  0\n"
              "\nLeft Maximum:  0    Minimum:  0"
              "\nRight Maximum:  0    Minimum:  0\n"
              "\nLeft RMS:  0    Crest Ratio:  0.0 dB"
              "\nRight RMS:  0    Crest Ratio:  0.0 dB\n"
              "\nLeft Clips Positive:  0    Negative:  0"
              "\nRight Clips Positive:  0    Negative:  0\n"
              "\nLeft Zero-cross Positive:  0    Negative:  0"
              "\nRight Zero-cross Positive:  0    Negative:  0\n");

    // All negative DC with full-scale clips on the right channel only: the
    // crest ratio uses the peak magnitude, so it is finite.
    WaveRecord* d = MakeWave(
        8, true, [](int c, uint32_t i) { return c == 0 ? -0.25f : (i < 2 ? -1.0f : -0.5f); });
    gEditing.editChannel = kEditRight;
    ASSERT_EQ(StatisticsText(*d, text), 0);
    double rms = std::sqrt((2 * 1.0 + 6 * 0.25) / 8);
    char crest[32];
    std::snprintf(crest, sizeof crest, "%.1f", 20 * std::log10(1.0 / rms));
    EXPECT_EQ(text, std::string("Edit Size: 8 pts    \n\nAmplitude units in value\n"
                                "\nRight Average:  20479    DC:  -20479\n"
                                "\nRight Maximum:  -16383    Minimum:  -32767\n"
                                "\nRight RMS:  21673    Crest Ratio:  ") +
                        crest +
                        " dB\n"
                        "\nRight Clips Positive:  0    Negative:  2\n"
                        "\nRight Zero-cross Positive:  0    Negative:  0\n");
    EXPECT_STREQ(crest, "3.6");
}

TEST(Statistics, Sine) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(200, false, [](int, uint32_t i) {
        return float(0.8 * std::sin(2 * M_PI * i / 100 + 0.3));
    });
    std::string text;
    // In percent and seconds: a DC that rounds to zero reads "0.00".
    w->levelUnit = kLevelPercent;
    w->timeUnit = kTimeSeconds;
    ASSERT_EQ(StatisticsText(*w, text), 0);
    // Figures from numpy over the same float32 samples.
    EXPECT_EQ(text,
              "Edit Size: 200 pts    4.535 mSec\n\nAmplitude units in percent\n"
              "\nAverage:  50.93    DC:  0.00\n"
              "\nMaximum:  79.99    Minimum:  -79.99\n"
              "\nRMS:  56.57    Crest Ratio:  3.0 dB\n"
              "\nClips Positive:  0    Negative:  0\n"
              "\nZero-cross Positive:  2    Negative:  2\n");
}

TEST(Statistics, RefusalsAndEmptyArea) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord empty;
    std::string text;
    EXPECT_EQ(StatisticsText(empty, text), 4);
    EXPECT_EQ(ui.LastBoxText(), "No wave exists here");
    WaveRecord* mono = MakeWave(10, false, [](int, uint32_t) { return 0.1f; });
    gEditing.editChannel = kEditRight;
    EXPECT_EQ(StatisticsText(*mono, text), 4);
    EXPECT_EQ(ui.LastBoxText(), "No edit area chosen");
    ChannelStatistics none = MeasureChannel(nullptr, 0);
    EXPECT_EQ(none.rms, 0.0);
    EXPECT_EQ(none.crestRatio, 0.0);
}

TEST(WaveInformation, Text) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(
        1000, false, [](int, uint32_t) { return 0.1f; }, 22050);
    w->filePath = "/tmp/x.wav";
    w->sourceFormat = kFormatWav16;
    w->displayOffset = 10;
    w->keyRoot = 60;
    w->keyLow = 1;
    w->keyHigh = 127;
    w->fineTune = -7;
    std::string text;
    ASSERT_EQ(WaveInformationText(*w, text), 0);
    EXPECT_EQ(
        text,
        "File Name: /tmp/x.wav\nBackups: No\n\nWave Size: 1000 pts    \nSample Rate: 22050 Hz\n"
        "Orig Format: WAVE 16 bit\n\nNo Markers\n\nNo Sustain or Release Loop"
        "\n\nKey Map   Root: 60   Low: 1   High: 127\n\nFine Tune:  -7 cents\n\nOffset:  10 pts   "
        " ");
    for (int id : {9, 0, 3, 4, 5, 6, 7, 8}) SetMarker(*w, uint32_t(id * 10), id, nullptr);
    SetLoop(*w, 100, 200, 0, 2);
    w->sustainLoopId = 2;
    Gain(*w, {1.0});
    ASSERT_EQ(WaveInformationText(*w, text), 0);
    EXPECT_NE(text.find("Backups: Yes"), std::string::npos);
    EXPECT_NE(text.find("\nMarker 0:  10 pts    \nMarker 3:  40 pts    \nMarker 4:  50 pts    "
                        "\nMarker 5:  60 pts    \nMarker 6:  70 pts    \nMarker 7:  80 pts    \n"
                        "\nSustain Loop: 110 to 210 pts    \n\nKey Map"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Marker 8"), std::string::npos);  // at most six

    // In time units every position is followed by its time.
    w->timeUnit = kTimeSeconds;
    ASSERT_EQ(WaveInformationText(*w, text), 0);
    EXPECT_NE(text.find("Wave Size: 1000 pts    45.351 mSec\nSample Rate"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nMarker 0:  10 pts    453.51 uSec\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSustain Loop: 110 to 210 pts    4.989 mSec to 9.524 mSec"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n\nOffset:  10 pts    453.51 uSec"), std::string::npos) << text;
    // Amplitudes in dB (the RMS unit reads as -dB in a report).
    w->levelUnit = kLevelRmsDb;
    ASSERT_EQ(StatisticsText(*w, text), 0);
    EXPECT_NE(text.find("Amplitude units in dB\n"), std::string::npos);
}

}  // namespace
}  // namespace ob
