// Readout units: the documented figures, the fault fixes (16-bit Value never
// wraps, tempo 0, typed times out of range, the RMS window inside the wave,
// unknown unit codes) and the one bits-per-format table. Every unit and
// option is compared with a Python transcription in units_reference_test.py.
#include "wave/time_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace ob {
namespace {

TEST(TimeUnits, DocumentedFigures) {
    EXPECT_EQ(FormatTime(44100, kTimeSeconds, 44100, 120, 4, 0), "    1.000 Sec");
    EXPECT_EQ(FormatTime(441, kTimeSeconds, 44100, 120, 4, 0), "  10.000 mSec");
    EXPECT_EQ(FormatTime(4, kTimeSeconds, 44100, 120, 4, 0), "   90.70 uSec");
    EXPECT_EQ(FormatTime(4, kTimeSeconds, 44100, 120, 4, kUnitLeft), "90.70    uSec");
    EXPECT_EQ(FormatTime(150 * 44100, kTimeMinSecs, 44100, 120, 4, 0), "    2:30.0000");
    EXPECT_EQ(FormatTime(45 * 44100, kTimeMinSecs, 44100, 120, 4, 0), "    0:45.0000");
    EXPECT_EQ(FormatTime(60 * 48000, kTimeSmpte30Drop, 48000, 120, 4, 0), "00:00:59:28.2");
    EXPECT_EQ(FormatTime(2882885, kTimeSmpte30Drop, 48000, 120, 4, 0), "00:01:00:02.0");
    EXPECT_EQ(FormatTime(5 * 44100, kTimeMeasures, 44100, 120, 4, 0), "     2+ 2.000");
    EXPECT_EQ(FormatTime(72000, kTimeSmpte24, 48000, 120, 4, 0), "00:00:01:12.0");
    EXPECT_EQ(FormatTime(48000, kTimeFrames25, 48000, 120, 4, 0), "     25.00 Fr");
    EXPECT_EQ(FormatLevel(0, kLevelMinusDb, 0), "-96.00");
    EXPECT_EQ(FormatLevel(32767, kLevelMinusDb, 0), "  0.00");
}

TEST(TimeUnits, OptionsPadAndBare) {
    EXPECT_EQ(FormatTime(44100, kTimeSeconds, 44100, 120, 4, kUnitBare), "        1.000");
    EXPECT_EQ(FormatTime(44100, kTimeBeats, 44100, 120, 4, kUnitBare | kUnitLeft), "2.000        ");
    EXPECT_EQ(FormatTime(7, kTimeWords, 44100, 120, 4, kUnitPad | kUnitLeft).size(), kTimePadWidth);
    EXPECT_EQ(FormatLevel(5, kLevelValue, kUnitPad), "        5");
}

// Rate 0 as 22050, tempo 0 as 120 and beats per bar 0 as 4, everywhere.
TEST(TimeUnits, ZeroRateTempoAndBar) {
    EXPECT_EQ(FormatTime(22050, kTimeSeconds, 0, 120, 4, 0), "    1.000 Sec");
    EXPECT_EQ(FormatTime(5 * 44100, kTimeMeasures, 44100, 0, 0, 0), "     2+ 2.000");
    EXPECT_EQ(BeatsToFrames(2.0, 44100, 0), 44100);
    EXPECT_EQ(BeatsToFrames(2.0, 44100, 120), 44100);
    EXPECT_EQ(SecondsToFrames(1.0, 0), 22050);
    EXPECT_EQ(VideoFramesToFrames(25, 48000, 25.0), 48000);
    EXPECT_EQ(VideoFramesToFrames(25, 48000, 0.0), 0);
    EXPECT_EQ(SecondsToFrames(std::numeric_limits<double>::infinity(), 44100), INT64_MAX);
}

TEST(TimeUnits, ValueIsSixteenBitsNeverWrapped) {
    EXPECT_EQ(FormatLevel(std::nan(""), kLevelValue, 0), "-32768");
    EXPECT_EQ(FormatLevel(40000, kLevelValue, 0), " 32767");
    EXPECT_EQ(FormatLevel(65536 + 5, kLevelValue, 0), " 32767");
    EXPECT_EQ(FormatLevel(-1e12, kLevelValue, 0), "-32768");
    EXPECT_EQ(FormatLevel(-1.9, kLevelValue, 0), "    -1");
    EXPECT_EQ(FormatLevel(std::numeric_limits<double>::infinity(), kLevelPercent, 0), "100.00");
    EXPECT_EQ(FormatLevel(std::nan(""), kLevelDb, 0), " 96.31");
}

TEST(TimeUnits, UnknownUnitCodes) {
    WaveRecord r;
    EXPECT_EQ(TimeUnitOf(r), uint32_t(kTimeWords));  // 0 from old settings
    EXPECT_EQ(LevelUnitOf(r), uint32_t(kLevelValue));
    r.timeUnit = 14;
    r.levelUnit = 6;
    EXPECT_EQ(TimeUnitOf(r), uint32_t(kTimeWords));
    EXPECT_EQ(LevelUnitOf(r), uint32_t(kLevelValue));
    r.timeUnit = 13;
    r.levelUnit = 5;
    EXPECT_EQ(TimeUnitOf(r), 13u);
    EXPECT_EQ(LevelUnitOf(r), 5u);
    EXPECT_EQ(FormatTime(12, 99, 44100, 120, 4, 0), "           12");
    EXPECT_EQ(FormatLevel(12, 99, 0), "    12");
}

TEST(TimeUnits, RmsWindowStaysInsideTheWave) {
    std::vector<float> x(1000, 0.0f);
    for (size_t i = 990; i < 1000; ++i) x[i] = 1.0f;
    x[0] = 0.5f;
    WaveRecord r;
    r.sampleRate = 500;  // window of 11 frames
    r.frameCount = 1000;
    r.leftSamples = x.data();
    // At the start only the frames that exist count: one frame of 0.5.
    EXPECT_EQ(FormatLevelAt(r, 0, kLevelRmsDb, 0, 0, 0), "-11.71");
    EXPECT_NEAR(RmsLevelDb(r, 0, 0), 20 * std::log10(0.5 * 32767) - 96, 1e-9);
    // Past the end: the last 11 frames (10 of full scale).
    const double last = 20 * std::log10(std::sqrt(10.0 / 11.0) * 32767) - 96;
    EXPECT_NEAR(RmsLevelDb(r, 999, 0), last, 1e-9);
    EXPECT_NEAR(RmsLevelDb(r, 5000000000ull, 0), last, 1e-9);
    // Silence gives r = 1 at least: -96; no wave gives -96 as well.
    EXPECT_NEAR(RmsLevelDb(r, 500, 0), -96.0, 1e-12);
    EXPECT_EQ(FormatLevelAt(r, 0, kLevelRmsDb, 500, 0, 0), "-96.00");
    // The right lane of a mono wave reads the left channel.
    EXPECT_NEAR(RmsLevelDb(r, 999, 1), last, 1e-9);
    r.leftSamples = nullptr;
    EXPECT_EQ(RmsLevelDb(r, 10, 0), -96.0);
}

TEST(TimeUnits, TypedTimesOutOfRangeAreRefused) {
    uint32_t frames = 7;
    EXPECT_EQ(ParseTime("-1", kTimeWords, 44100, 120, 4, frames), kTimeNegative);
    EXPECT_EQ(ParseTime("-0.00001", kTimeSeconds, 44100, 120, 4, frames), kTimeNegative);
    EXPECT_EQ(ParseTime("4294967296", kTimeWords, 44100, 120, 4, frames), kTimeTooLong);
    EXPECT_EQ(ParseTime("100000", kTimeSeconds, 44100, 120, 4, frames), kTimeTooLong);
    EXPECT_EQ(ParseTime("1e400", kTimeSeconds, 44100, 120, 4, frames), kTimeNotNumber);
    EXPECT_EQ(ParseTime("12 apples", kTimeWords, 44100, 120, 4, frames), kTimeNotNumber);
    EXPECT_EQ(ParseTime(std::string(5000, '9'), kTimeWords, 44100, 120, 4, frames), kTimeNotNumber);
    EXPECT_EQ(frames, 7u);  // untouched by refusals
    EXPECT_EQ(ParseTime("4294967295", kTimeWords, 44100, 120, 4, frames), kTimeParsed);
    EXPECT_EQ(frames, 4294967295u);
    EXPECT_EQ(ParseTime("00:01:00:01", kTimeSmpte30Drop, 48000, 120, 4, frames), kTimeNoSuchFrame);
    EXPECT_EQ(ParseTime("00:10:00:00", kTimeSmpte30Drop, 48000, 120, 4, frames), kTimeParsed);
    EXPECT_STRNE(TimeParseText(kTimeTooLong), TimeParseText(kTimeNegative));
}

TEST(TimeUnits, OneBitsTable) {
    EXPECT_EQ(FormatBits(kFormatWav8), 8);
    EXPECT_EQ(FormatBits(kFormatVoc), 8);
    EXPECT_EQ(FormatBits(kFormatRawAlaw), 16);
    EXPECT_EQ(FormatBits(kFormatRealAudio), 16);
    EXPECT_EQ(FormatBits(kFormatAiff24), 24);
    EXPECT_EQ(FormatBits(kFormatWav32), 32);
    EXPECT_EQ(FormatBits(-1), 32);
    EXPECT_EQ(FormatBits(kFormatMp3), 32);
}

}  // namespace
}  // namespace ob
