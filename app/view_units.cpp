// Ruler and readout texts of the editor view.
#include "app/view_units.h"

#include <cmath>

namespace ob {

uint32_t ViewTimeUnitOf(const WaveRecord& record) {
    if (record.timeUnit == kTimeMinSecs || record.timeUnit == kTimeWords) return record.timeUnit;
    return kTimeSeconds;
}

uint32_t ViewLevelUnitOf(const WaveRecord& record) {
    if (record.levelUnit == kLevelValue) return kLevelValue;
    if (record.levelUnit >= 3 && record.levelUnit <= 5) return kLevelDb;
    return kLevelPercent;
}

static double Rate(const WaveRecord& record) {
    return record.sampleRate ? double(record.sampleRate) : 22050.0;
}

static QString MinSecs(double seconds, int decimals) {
    int64_t minutes = int64_t(seconds / 60.0);
    double rest = seconds - 60.0 * double(minutes);
    int width = decimals ? decimals + 3 : 2;
    return QString::asprintf("%lld:%0*.*f", static_cast<long long>(minutes), width, decimals, rest);
}

static QString TimeText(const WaveRecord& record, uint64_t frames, bool isLength) {
    switch (ViewTimeUnitOf(record)) {
        case kTimeWords:
            return QString::asprintf("%llu pts", static_cast<unsigned long long>(frames));
        case kTimeMinSecs:
            return MinSecs(double(frames) / Rate(record), 4);
        default:
            (void)isLength;
            return QString::asprintf("%.6f Sec", double(frames) / Rate(record));
    }
}

QString PositionText(const WaveRecord& record, uint64_t frame) {
    return TimeText(record, frame + record.displayOffset, false);
}

QString LengthText(const WaveRecord& record, uint64_t frames) {
    return TimeText(record, frames, true);
}

QString LevelText(const WaveRecord& record, double value) {
    switch (ViewLevelUnitOf(record)) {
        case kLevelValue:
            return QString::number(std::lround(value * 32767.0));
        case kLevelDb: {
            double a = std::fabs(value);
            if (a < 1e-9) return QStringLiteral("-inf dB");
            return QString::asprintf("%.1f dB", 20.0 * std::log10(a));
        }
        default:
            return QString::asprintf("%.1f %%", value * 100.0);
    }
}

int SourceBits(const WaveRecord& record) {
    switch (record.sourceFormat) {
        case kFormatWav8:
        case kFormat8svx:
        case kFormatRaw8s:
        case kFormatRaw8u:
        case kFormatRawAlaw:
        case kFormatRawUlaw:
            return 8;
        case kFormatAiff16:
        case kFormatSd1:
        case kFormatWav16:
        case kFormatRaw16m:
        case kFormatRaw16i:
        case kFormatS16v3:
        case kFormatAu:
        case kFormatVoc:
            return 16;
        case kFormatWav24:
        case kFormatAiff24:
            return 24;
        default:
            return 32;
    }
}

double RulerStepFrames(uint32_t unit, uint32_t rate, double minFrames) {
    const double r = rate ? rate : 22050;
    if (unit == kTimeWords) {
        for (double decade = 1;; decade *= 10)
            for (double m : {1.0, 2.0, 5.0})
                if (m * decade >= minFrames) return m * decade;
    }
    const double minSeconds = minFrames / r;
    if (unit == kTimeMinSecs && minSeconds > 10) {
        for (double s : {15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0})
            if (s >= minSeconds) return s * r;
        return std::ceil(minSeconds / 3600.0) * 3600.0 * r;
    }
    for (double decade = 1e-6;; decade *= 10)
        for (double m : {1.0, 2.0, 5.0})
            if (m * decade >= minSeconds) return std::max(1.0, m * decade * r);
}

QString RulerLabel(const WaveRecord& record, uint32_t unit, uint64_t frame, double stepFrames) {
    frame += record.displayOffset;
    if (unit == kTimeWords) return QString::number(static_cast<unsigned long long>(frame));
    const double r = Rate(record);
    const double step = stepFrames / r;
    const int decimals = step >= 1 ? 0 : std::min(6, int(std::ceil(-std::log10(step) - 1e-9)));
    const double seconds = double(frame) / r;
    if (unit == kTimeMinSecs) return MinSecs(seconds, decimals);
    return QString::number(seconds, 'f', decimals);
}

}  // namespace ob
