// Statistics of the affect area and the wave information report.
#include "dsp/statistics.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/user_interface.h"
#include "dsp/operation.h"
#include "wave/record_report.h"
#include "wave/time_units.h"
#include "wave/undo.h"

namespace ob {

ChannelStatistics MeasureChannel(const float* x, uint32_t length) {
    ChannelStatistics s;
    if (length == 0) return s;
    constexpr float kClip = 0.99999976f;
    double sumAbs = 0, sum = 0, sumSquares = 0;
    float hi = x[0], lo = x[0];
    uint32_t clipsUp = 0, clipsDown = 0, up = 0, down = 0;
    // Block-wise partial sums keep the double accumulators few and the loop plain.
    for (uint32_t start = 0; start < length; start += kAbortBlock) {
        uint32_t end = std::min<uint32_t>(length, start + kAbortBlock);
        double blockAbs = 0, blockSum = 0, blockSquares = 0;
        for (uint32_t i = start; i < end; ++i) {
            double v = x[i];
            blockAbs += std::fabs(v);
            blockSum += v;
            blockSquares += v * v;
            hi = std::max(hi, x[i]);
            lo = std::min(lo, x[i]);
            clipsUp += x[i] >= kClip;
            clipsDown += x[i] <= -kClip;
        }
        sumAbs += blockAbs;
        sum += blockSum;
        sumSquares += blockSquares;
        for (uint32_t i = std::max<uint32_t>(start, 1); i < end; ++i) {
            bool was = x[i - 1] < 0, is = x[i] < 0;
            up += was && !is;
            down += !was && is;
        }
    }
    s.average = sumAbs / length;
    s.dc = sum / length;
    s.rms = sumSquares == 0 ? 0.0 : std::sqrt(sumSquares / length);
    s.maximum = hi;
    s.minimum = lo;
    s.clipsPositive = clipsUp;
    s.clipsNegative = clipsDown;
    s.zeroCrossPositive = up;
    s.zeroCrossNegative = down;
    double peak = std::max(std::fabs(double(hi)), std::fabs(double(lo)));
    s.crestRatio = s.rms == 0 ? 0.0 : 20.0 * std::log10(peak / s.rms);
    return s;
}

namespace {

// An amplitude (float sample) in the record's level unit, as the readouts
// show it; the RMS unit has no position in a report and reads as -dB.
std::string Amplitude(const WaveRecord& record, double v) {
    uint32_t unit = LevelUnitOf(record);
    if (unit == kLevelRmsDb) unit = kLevelMinusDb;
    std::string text = TrimBlanks(FormatLevel(v * 32767.0, unit, kUnitClamp));
    // A value that rounds to zero reads "0.00", never "-0.00".
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

const char* AmplitudeUnitWord(const WaveRecord& record) {
    switch (LevelUnitOf(record)) {
        case kLevelPercent:
            return "percent\n";
        case kLevelValue:
            return "value\n";
        default:
            return "dB\n";
    }
}

// "    " and the time in the record's unit, unless the unit is plain points.
std::string TimeAfterPoints(const WaveRecord& record, uint64_t frames) {
    if (TimeUnitOf(record) == kTimeWords) return std::string();
    return TrimBlanks(FormatTime(record, frames, 0));
}

std::string Count(uint32_t n) {
    return std::to_string(n);
}

// The two ends of a loop in time units joined by " to ", unless plain points.
std::string LoopTimes(const WaveRecord& record, const LoopNode& loop) {
    if (TimeUnitOf(record) == kTimeWords) return std::string();
    return TimeAfterPoints(record, uint64_t(loop.start) + record.displayOffset) + " to " +
           TimeAfterPoints(record, uint64_t(loop.end) + record.displayOffset);
}

void CutToReport(std::string& text) {
    if (text.size() > kReportMaxBytes - 1) text.resize(kReportMaxBytes - 1);
}

}  // namespace

int StatisticsText(WaveRecord& record, std::string& text) {
    text.clear();
    if (!WaveHasData(&record)) {
        ReportMessage(record, "No wave exists here");
        return kEditRefused;
    }
    FrameRange area = AffectRange(record);
    uint32_t channels = AffectChannels(record);
    if (!record.rightSamples) channels &= 1;
    if (channels == 0 || area.length == 0 ||
        uint64_t(area.start) + area.length > record.frameCount) {
        ReportMessage(record, "No edit area chosen");
        return kEditRefused;
    }
    bool stereo = record.rightSamples != nullptr;
    ChannelStatistics stats[2];
    if (channels & 1) stats[0] = MeasureChannel(record.leftSamples + area.start, area.length);
    if (channels & 2) stats[1] = MeasureChannel(record.rightSamples + area.start, area.length);

    char head[64];
    std::snprintf(head, sizeof head, "%u pts    ", area.length);
    text = std::string("Edit Size: ") + head + TimeAfterPoints(record, area.length) +
           "\n\nAmplitude units in " + AmplitudeUnitWord(record);
    auto Value = [&](double v) { return Amplitude(record, v); };
    auto label = [&](int c, const char* word) {
        return std::string("\n") + (stereo ? (c == 0 ? "Left " : "Right ") : "") + word + ":  ";
    };
    auto group = [&](auto&& line) {
        for (int c = 0; c < 2; ++c)
            if (channels & (1u << c)) text += line(c, stats[c]);
        text += "\n";
    };
    group([&](int c, const ChannelStatistics& s) {
        return label(c, "Average") + Value(s.average) + "    DC:  " + Value(s.dc);
    });
    group([&](int c, const ChannelStatistics& s) {
        return label(c, "Maximum") + Value(s.maximum) + "    Minimum:  " + Value(s.minimum);
    });
    group([&](int c, const ChannelStatistics& s) {
        char crest[48];
        std::snprintf(crest, sizeof crest, "%.1f dB", s.crestRatio);
        return label(c, "RMS") + Value(s.rms) + "    Crest Ratio:  " + crest;
    });
    group([&](int c, const ChannelStatistics& s) {
        return label(c, "Clips Positive") + Count(s.clipsPositive) +
               "    Negative:  " + Count(s.clipsNegative);
    });
    group([&](int c, const ChannelStatistics& s) {
        return label(c, "Zero-cross Positive") + Count(s.zeroCrossPositive) +
               "    Negative:  " + Count(s.zeroCrossNegative);
    });
    CutToReport(text);
    return kEditDone;
}

int ShowStatistics(WaveRecord& record) {
    std::string text;
    int result = StatisticsText(record, text);
    if (result == kEditDone) UI().MessageBox(record.window, TitleOf(record), text);
    return result;
}

int WaveInformationText(WaveRecord& record, std::string& text) {
    text.clear();
    if (!WaveHasData(&record)) {
        ReportMessage(record, "No wave exists here");
        return kEditRefused;
    }
    char line[160];
    text = "File Name: " + record.filePath;
    text += std::string("\nBackups: ") + (record.undoHead ? "Yes" : "No");
    std::snprintf(line, sizeof line, "\n\nWave Size: %u pts    ", record.frameCount);
    text += line + TimeAfterPoints(record, record.frameCount);
    std::snprintf(line, sizeof line, "\nSample Rate: %u Hz\n", record.sampleRate);
    text += line;
    text += std::string("Orig Format: ") + FormatName(record.sourceFormat) + "\n";

    int listed = 0;
    for (int id = 0; id < 256 && listed < 6; ++id) {
        if (MarkerNode* marker = FindMarker(record, id)) {
            std::snprintf(line, sizeof line, "\nMarker %d:  %u pts    ", id,
                          marker->position + record.displayOffset);
            text +=
                line + TimeAfterPoints(record, uint64_t(marker->position) + record.displayOffset);
            ++listed;
        }
    }
    if (listed == 0) text += "\nNo Markers";
    text += "\n";

    LoopNode* sustain =
        record.sustainLoopId >= 0 ? FindLoop(record, record.sustainLoopId) : nullptr;
    LoopNode* release =
        record.releaseLoopId >= 0 ? FindLoop(record, record.releaseLoopId) : nullptr;
    if (sustain) {
        std::snprintf(line, sizeof line, "\nSustain Loop: %u to %u pts    ",
                      sustain->start + record.displayOffset, sustain->end + record.displayOffset);
        text += line + LoopTimes(record, *sustain);
    }
    if (release) {
        std::snprintf(line, sizeof line, "\nRelease Loop: %u to %u pts    ",
                      release->start + record.displayOffset, release->end + record.displayOffset);
        text += line + LoopTimes(record, *release);
    }
    if (!sustain && !release) text += "\nNo Sustain or Release Loop";
    std::snprintf(line, sizeof line, "\n\nKey Map   Root: %d   Low: %d   High: %d", record.keyRoot,
                  record.keyLow, record.keyHigh);
    text += line;
    std::snprintf(line, sizeof line, "\n\nFine Tune:  %d cents", int(record.fineTune));
    text += line;
    std::snprintf(line, sizeof line, "\n\nOffset:  %u pts    ", record.displayOffset);
    text += line + TimeAfterPoints(record, record.displayOffset);
    CutToReport(text);
    return kEditDone;
}

int ShowWaveInformation(WaveRecord& record) {
    std::string text;
    int result = WaveInformationText(record, text);
    if (result == kEditDone) UI().MessageBox(record.window, TitleOf(record), text);
    return result;
}

}  // namespace ob
