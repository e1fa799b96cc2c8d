// Time and level units of readouts: positions (frames) and levels (16-bit
// sample steps) as text in an editor's units, and typed times back into
// frames. Every readout, dialog and report of the program formats through
// these.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

// Time units (WaveRecord::timeUnit), in the order of their menu entries.
enum TimeUnit : uint32_t {
    kTimeSeconds = 1,       // seconds, milli- or microseconds
    kTimeMinSecs = 2,       // minutes and seconds
    kTimeWords = 3,         // frame number
    kTimeFrames24 = 4,      // film/video frames at 24 per second
    kTimeFrames25 = 5,      // at 25
    kTimeFrames30Drop = 6,  // at 29.97
    kTimeFrames30 = 7,      // at 30
    kTimeSmpte24 = 8,       // hh:mm:ss:ff.f at 24
    kTimeSmpte25 = 9,       // at 25
    kTimeSmpte30Drop = 10,  // drop-frame time at 29.97
    kTimeSmpte30 = 11,      // at 30
    kTimeBeats = 12,        // beats at the record's tempo
    kTimeMeasures = 13,     // measures and beats
};
constexpr uint32_t kTimeUnitCount = 13;

// Level units (WaveRecord::levelUnit).
enum LevelUnit : uint32_t {
    kLevelPercent = 1,
    kLevelValue = 2,
    kLevelDb = 3,       // 20 log10 |v| + 6 (0 for silence)
    kLevelMinusDb = 4,  // 20 log10 |v| - 90.3, at most 0 (-96 for silence)
    kLevelRmsDb = 5,    // -dB of the RMS over the 1/50 s before a position
};
constexpr uint32_t kLevelUnitCount = 5;

// Layout options of FormatTime and FormatLevel.
enum UnitOptions : uint32_t {
    kUnitLeft = 1,   // left-aligned
    kUnitBare = 2,   // a fractional time as a bare number ("%13.3f"), no unit text
    kUnitPad = 4,    // filled with spaces to 18 characters (times) or 9 (levels)
    kUnitClamp = 8,  // a level limited to -32768..32767 first
};
constexpr size_t kTimePadWidth = 18;
constexpr size_t kLevelPadWidth = 9;

// The record's units; a code outside 1..13 (1..5), such as 0 from old
// settings, counts as Words (Value).
uint32_t TimeUnitOf(const WaveRecord& record);
uint32_t LevelUnitOf(const WaveRecord& record);
// Frames per second of the video and SMPTE units (24, 25, 29.97, 30); 0 for
// the others.
double UnitFramesPerSecond(uint32_t unit);

// `frames` in `unit` (outside 1..13: Words). A rate of 0 counts as 22050, a
// tempo of 0 as 120, beats per bar 0 as 4.
std::string FormatTime(uint64_t frames, uint32_t unit, uint32_t rate, uint32_t tempo,
                       uint32_t beatsPerBar, uint32_t options);
// In the record's unit with its rate, tempo and beats per bar.
std::string FormatTime(const WaveRecord& record, uint64_t frames, uint32_t options);

// A level `value` in 16-bit sample steps (a float sample x 32767) in `unit`
// (outside 1..5: Value). Not-a-number counts as -32768, infinities as the
// nearer end of -32768..32767. The RMS unit has no position here and is
// shown as -dB.
std::string FormatLevel(double value, uint32_t unit, uint32_t options);
// The RMS unit at `position` of channel `channel` (0 left, 1 right) of the
// record: the window of rate / 50 + 1 frames ending there, cut at the start
// of the wave; a position past the end is taken as the last frame. Other
// units format `value` as above.
std::string FormatLevelAt(const WaveRecord& record, double value, uint32_t unit, uint64_t position,
                          int channel, uint32_t options);
// The RMS level in -dB at a position (20 log10(max(1, rms x 32767)) - 96);
// -96 without a wave.
double RmsLevelDb(const WaveRecord& record, uint64_t position, int channel);

// trunc(rate x seconds + 0.5), 0 for a rate of 0 counted as 22050.
int64_t SecondsToFrames(double seconds, uint32_t rate);
// trunc(rate x beats / (tempo / 60) + 0.5); a tempo of 0 counts as 120.
int64_t BeatsToFrames(double beats, uint32_t rate, uint32_t tempo);
// SecondsToFrames(count / fps, rate).
int64_t VideoFramesToFrames(double count, uint32_t rate, double framesPerSecond);

// Results of ParseTime, with TimeParseText.
enum TimeParseResult : int {
    kTimeParsed = 0,
    kTimeNotNumber = 1,    // the text is not a time in the unit
    kTimeNegative = 2,     // before frame 0
    kTimeTooLong = 3,      // past frame 2^32 - 1
    kTimeNoSuchFrame = 4,  // a drop-frame label that does not exist (frames 0 and 1)
};
const char* TimeParseText(int result);

// A typed time in `unit` back into a frame count:
//   Seconds: seconds, or a number followed by "Sec", "mSec" or "uSec";
//   Min:Secs: "m:ss.ssss" or seconds; Words: frames;
//   video units: frames of the unit (may be fractional);
//   SMPTE units: "hh:mm:ss:ff.f" (leading fields may be left out);
//   Beats: beats; Meas+Beats: "m+b" or beats.
// Blanks around the text and a unit word the formatter writes ("Fr", "Bts",
// "pts") are accepted.
int ParseTime(const std::string& text, uint32_t unit, uint32_t rate, uint32_t tempo,
              uint32_t beatsPerBar, uint32_t& frames);
int ParseTime(const WaveRecord& record, const std::string& text, uint32_t& frames);

// Without surrounding blanks.
std::string TrimBlanks(const std::string& text);

}  // namespace ob
