// Ruler and readout texts of the editor view.
#include "app/view_units.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace ob {

static double Rate(const WaveRecord& record) {
    return record.sampleRate ? double(record.sampleRate) : 22050.0;
}

static double BeatsPerSecond(const WaveRecord& record) {
    return (record.tempo ? double(record.tempo) : 120.0) / 60.0;
}

static QString Text(const std::string& text) {
    return QString::fromStdString(TrimBlanks(text));
}

QString PositionText(const WaveRecord& record, uint64_t frame) {
    return Text(FormatTime(record, frame + record.displayOffset, 0));
}

QString LengthText(const WaveRecord& record, uint64_t frames) {
    return Text(FormatTime(record, frames, 0));
}

static QString WithUnitWord(const WaveRecord& record, const std::string& text) {
    switch (LevelUnitOf(record)) {
        case kLevelPercent:
            return Text(text) + QStringLiteral(" %");
        case kLevelDb:
        case kLevelMinusDb:
            return Text(text) + QStringLiteral(" dB");
        case kLevelRmsDb:
            return Text(text) + QStringLiteral(" dB RMS");
        default:
            return Text(text);
    }
}

QString LevelText(const WaveRecord& record, double value) {
    return WithUnitWord(record, FormatLevel(value * 32767.0, LevelUnitOf(record), kUnitClamp));
}

QString LevelTextAt(const WaveRecord& record, double value, uint64_t frame, int channel) {
    return WithUnitWord(record, FormatLevelAt(record, value * 32767.0, LevelUnitOf(record), frame,
                                              channel, kUnitClamp));
}

int SourceBits(const WaveRecord& record) {
    return FormatBits(record.sourceFormat);
}

// The smallest 1-2-5 multiple of a power of ten from `from` on that reaches `want`.
static double NiceStep(double want, double from) {
    for (double decade = from;; decade *= 10)
        for (double m : {1.0, 2.0, 5.0})
            if (m * decade >= want) return m * decade;
}

double RulerStepFrames(const WaveRecord& record, uint32_t unit, double minFrames) {
    const double r = Rate(record);
    minFrames = std::max(minFrames, 1e-9);
    const double minSeconds = minFrames / r;
    switch (unit) {
        case kTimeWords:
            return NiceStep(minFrames, 1);
        case kTimeFrames24:
        case kTimeFrames25:
        case kTimeFrames30Drop:
        case kTimeFrames30: {
            // Whole video frames, 1-2-5 steps.
            const double fps = UnitFramesPerSecond(unit);
            return NiceStep(minSeconds * fps, 1) / fps * r;
        }
        case kTimeSmpte24:
        case kTimeSmpte25:
        case kTimeSmpte30Drop:
        case kTimeSmpte30: {
            // Whole frames below a second, then 1, 2, 5, 10, 15, 30 seconds and minutes.
            const double fps = UnitFramesPerSecond(unit);
            if (minSeconds * fps <= fps / 2) {
                for (double f : {1.0, 2.0, 5.0, 10.0})
                    if (f >= minSeconds * fps) return f / fps * r;
            }
            for (double s : {1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0,
                             1800.0, 3600.0})
                if (s >= minSeconds) return s * r;
            return std::ceil(minSeconds / 3600.0) * 3600.0 * r;
        }
        case kTimeBeats:
        case kTimeMeasures: {
            const double framesPerBeat = r / BeatsPerSecond(record);
            const double beats = minFrames / framesPerBeat;
            const double perBar = record.beatsPerBar ? double(record.beatsPerBar) : 4.0;
            if (unit == kTimeMeasures && beats > 1)
                return (beats <= perBar ? perBar : NiceStep(beats / perBar, 1) * perBar) *
                       framesPerBeat;
            return NiceStep(beats, 1e-3) * framesPerBeat;
        }
        case kTimeMinSecs:
            if (minSeconds > 10) {
                for (double s :
                     {15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0})
                    if (s >= minSeconds) return s * r;
                return std::ceil(minSeconds / 3600.0) * 3600.0 * r;
            }
            [[fallthrough]];
        default:
            return std::max(1.0, NiceStep(minSeconds, 1e-6) * r);
    }
}

static QString MinSecs(double seconds, int decimals) {
    int64_t minutes = int64_t(seconds / 60.0);
    double rest = seconds - 60.0 * double(minutes);
    int width = decimals ? decimals + 3 : 2;
    return QString::asprintf("%lld:%0*.*f", static_cast<long long>(minutes), width, decimals, rest);
}

static int Decimals(double step) {
    return step >= 1 ? 0 : std::min(6, int(std::ceil(-std::log10(step) - 1e-9)));
}

QString RulerLabel(const WaveRecord& record, uint32_t unit, uint64_t frame, double stepFrames) {
    frame += record.displayOffset;
    const double r = Rate(record);
    switch (unit) {
        case kTimeWords:
            return QString::number(static_cast<unsigned long long>(frame));
        case kTimeFrames24:
        case kTimeFrames25:
        case kTimeFrames30Drop:
        case kTimeFrames30:
            return QString::number(std::llround(double(frame) * UnitFramesPerSecond(unit) / r));
        case kTimeSmpte24:
        case kTimeSmpte25:
        case kTimeSmpte30Drop:
        case kTimeSmpte30:
        case kTimeMeasures:
            return Text(FormatTime(record, frame, 0));
        case kTimeBeats: {
            const double beats = double(frame) / r * BeatsPerSecond(record);
            return QString::number(beats, 'f', Decimals(stepFrames / r * BeatsPerSecond(record)));
        }
        case kTimeMinSecs:
            return MinSecs(double(frame) / r, Decimals(stepFrames / r));
        default:
            return QString::number(double(frame) / r, 'f', Decimals(stepFrames / r));
    }
}

}  // namespace ob
