// Time and level units of readouts.
#include "wave/time_units.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ob {

namespace {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char text[400];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) return std::string();
    return std::string(text, std::min<size_t>(size_t(n), sizeof text - 1));
}

std::string Pad(std::string text, size_t width, uint32_t options) {
    if (!(options & kUnitPad) || text.size() >= width) return text;
    if (options & kUnitLeft) return text + std::string(width - text.size(), ' ');
    return std::string(width - text.size(), ' ') + text;
}

double RateOf(uint32_t rate) {
    return rate ? double(rate) : 22050.0;
}

// Seconds, milliseconds or microseconds (unit 1, and unit 2 below a second).
std::string SecondsText(double frames, double rate, uint32_t options) {
    double u = frames * 1000000.0 / rate;
    int divisions = 0;
    while (u >= 1000.0 && divisions < 2) {
        u /= 1000.0;
        ++divisions;
    }
    const bool left = options & kUnitLeft;
    if (options & kUnitBare) return Printf(left ? "%-13.3f" : "%13.3f", u);
    switch (divisions) {
        case 0:
            return Printf(left ? "%-8.2f uSec" : "%8.2f uSec", u);
        case 1:
            return Printf(left ? "%-8.3f mSec" : "%8.3f mSec", u);
        default:
            return Printf(left ? "%-9.3f Sec" : "%9.3f Sec", u);
    }
}

// hh:mm:ss:ff.f with the frame field zero-filled.
std::string SmpteText(long long hours, long long minutes, long long seconds, double frame) {
    return Printf("%02lld:%02lld:%02lld:%04.1f", hours, minutes, seconds, frame);
}

std::string SmpteTime(double s, double fps) {
    const long long f = std::llround(fps * 100.0);
    const long long t = static_cast<long long>(fps * s * 100.0);
    const long long hours = t / (3600 * f);
    const long long minutes = (t % (3600 * f)) / (60 * f);
    const long long seconds = (t % (60 * f)) / f;
    const double frame = std::min(double(t % f) / 100.0, fps - 0.1);
    return SmpteText(hours, minutes, seconds, frame);
}

// Drop-frame time at 29.97: the first minute of every ten holds 1800 frames,
// the nine others 1798, which start at frame 2.
std::string DropFrameTime(double s) {
    const long long hours = static_cast<long long>(s) / 3600;
    const double r = s - 3600.0 * double(hours);
    const long long m10 = (static_cast<long long>(r) / 600) * 10;
    const long long x = static_cast<long long>((r - 60.0 * double(m10)) * 29.97 * 100.0);
    long long minutes, seconds, frame;
    if (x < 180000) {
        minutes = m10;
        seconds = x / 3000;
        frame = x % 3000;
    } else {
        const long long y = (x - 180000) % 179800;
        minutes = m10 + 1 + (x - 180000) / 179800;
        if (y >= 2800) {
            seconds = (y - 2800) / 3000 + 1;
            frame = (y - 2800) % 3000;
        } else {
            seconds = 0;
            frame = y + 200;
        }
    }
    return SmpteText(hours, minutes, seconds, std::min(double(frame) / 100.0, 29.87));
}

std::string BeatsText(double beats, uint32_t options) {
    if (beats < 0.01) beats = 0;
    const bool left = options & kUnitLeft;
    if (options & kUnitBare) return Printf(left ? "%-13.3f" : "%13.3f", beats);
    return Printf(left ? "%-9.3f Bts" : "%9.3f Bts", beats);
}

// Finite and within -32768..32767 (not-a-number: -32768).
double LimitLevel(double v) {
    if (std::isnan(v)) return -32768.0;
    return std::clamp(v, -32768.0, 32767.0);
}

}  // namespace

std::string TrimBlanks(const std::string& text) {
    size_t a = text.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    size_t b = text.find_last_not_of(" \t");
    return text.substr(a, b - a + 1);
}

uint32_t TimeUnitOf(const WaveRecord& record) {
    return record.timeUnit >= 1 && record.timeUnit <= kTimeUnitCount ? record.timeUnit
                                                                     : uint32_t(kTimeWords);
}

uint32_t LevelUnitOf(const WaveRecord& record) {
    return record.levelUnit >= 1 && record.levelUnit <= kLevelUnitCount ? record.levelUnit
                                                                        : uint32_t(kLevelValue);
}

double UnitFramesPerSecond(uint32_t unit) {
    switch (unit) {
        case kTimeFrames24:
        case kTimeSmpte24:
            return 24.0;
        case kTimeFrames25:
        case kTimeSmpte25:
            return 25.0;
        case kTimeFrames30Drop:
        case kTimeSmpte30Drop:
            return 29.97;
        case kTimeFrames30:
        case kTimeSmpte30:
            return 30.0;
        default:
            return 0.0;
    }
}

std::string FormatTime(uint64_t frames, uint32_t unit, uint32_t rate, uint32_t tempo,
                       uint32_t beatsPerBar, uint32_t options) {
    const double r = RateOf(rate);
    const double bpm = tempo ? double(tempo) : 120.0;
    const double perBar = beatsPerBar ? double(beatsPerBar) : 4.0;
    const double s = double(frames) / r;
    const bool left = options & kUnitLeft;
    std::string text;
    switch (unit) {
        case kTimeSeconds:
            text = SecondsText(double(frames), r, options);
            break;
        case kTimeMinSecs: {
            if (s < 1.0) {
                text = SecondsText(double(frames), r, options);
                break;
            }
            const long long m = static_cast<long long>(s / 60.0);
            const double rest = std::min(s - 60.0 * double(m), 59.9999);
            text = Printf(left ? "%lld:%7.4f" : "%5lld:%7.4f", m, rest);
            break;
        }
        case kTimeFrames24:
        case kTimeFrames25:
        case kTimeFrames30Drop:
        case kTimeFrames30: {
            const double v = double(frames) * UnitFramesPerSecond(unit) / r;
            if (options & kUnitBare)
                text = Printf(left ? "%-13.3f" : "%13.3f", v);
            else
                text = Printf(left ? "%-10.2f Fr" : "%10.2f Fr", v);
            break;
        }
        case kTimeSmpte24:
        case kTimeSmpte25:
        case kTimeSmpte30:
            text = SmpteTime(s, UnitFramesPerSecond(unit));
            break;
        case kTimeSmpte30Drop:
            text = DropFrameTime(s);
            break;
        case kTimeBeats:
            text = BeatsText(s * bpm / 60.0, options);
            break;
        case kTimeMeasures: {
            const double b = s * bpm / 60.0;
            if (b < perBar || (options & kUnitBare)) {
                text = BeatsText(b, options);
                break;
            }
            const double measures = std::trunc(b / perBar);
            double rest = b - measures * perBar;
            if (rest >= perBar) rest = perBar - 0.01;
            text = Printf(left ? "%.0f+%.3f" : "%6.0f+%6.3f", measures, rest);
            break;
        }
        default:  // Words, and any code outside 1..13
            text = Printf(left ? "%-13llu" : "%13llu", static_cast<unsigned long long>(frames));
            break;
    }
    return Pad(std::move(text), kTimePadWidth, options);
}

std::string FormatTime(const WaveRecord& record, uint64_t frames, uint32_t options) {
    return FormatTime(frames, TimeUnitOf(record), record.sampleRate, record.tempo,
                      record.beatsPerBar, options);
}

std::string FormatLevel(double value, uint32_t unit, uint32_t options) {
    // Not a number or infinite never reaches a format; the clamp option
    // limits finite values too.
    double v = value;
    if (!std::isfinite(v) || (options & kUnitClamp)) v = LimitLevel(v);
    const bool left = options & kUnitLeft;
    std::string text;
    switch (unit) {
        case kLevelPercent: {
            const double p = v >= 0 ? v * 100.0 / 32767.0 : v * 100.0 / 32768.0;
            if (p < -99.99)
                text = Printf(left ? "%-6.1f" : "%6.1f", p);
            else
                text = Printf(left ? "%-6.2f" : "%6.2f", p);
            break;
        }
        case kLevelDb: {
            double a = std::fabs(v);
            if (v <= -32768.0) a = 32767.0;
            const double db = v == 0 ? 0.0 : 20.0 * std::log10(a) + 6.0;
            text = Printf(left ? "%-6.2f" : "%6.2f", db);
            break;
        }
        case kLevelMinusDb:
        case kLevelRmsDb: {
            double db = v == 0 ? -96.0 : 20.0 * std::log10(std::fabs(v)) - 90.3;
            if (db > 0) db = 0.0;
            text = Printf(left ? "%-6.2f" : "%6.2f", db);
            break;
        }
        default: {  // Value, and any code outside 1..5: a 16-bit number, never wrapped
            const int n = int(std::trunc(LimitLevel(v)));
            text = Printf(left ? "%-6d" : "%6d", n);
            break;
        }
    }
    return Pad(std::move(text), kLevelPadWidth, options);
}

double RmsLevelDb(const WaveRecord& record, uint64_t position, int channel) {
    const float* x = channel == 1 && record.rightSamples ? record.rightSamples : record.leftSamples;
    if (!x || record.frameCount == 0) return -96.0;
    const uint64_t end = std::min<uint64_t>(position, record.frameCount - 1);
    const uint64_t want = uint64_t(RateOf(record.sampleRate)) / 50 + 1;
    const uint64_t n = std::min<uint64_t>(want, end + 1);
    double sum = 0;
    for (uint64_t i = end + 1 - n; i <= end; ++i) sum += double(x[i]) * double(x[i]);
    const double r = std::max(1.0, std::sqrt(sum / double(n)) * 32767.0);
    return 20.0 * std::log10(r) - 96.0;
}

std::string FormatLevelAt(const WaveRecord& record, double value, uint32_t unit, uint64_t position,
                          int channel, uint32_t options) {
    if (unit != kLevelRmsDb) return FormatLevel(value, unit, options);
    const double db = RmsLevelDb(record, position, channel);
    return Pad(Printf((options & kUnitLeft) ? "%-6.2f" : "%6.2f", db), kLevelPadWidth, options);
}

int64_t SecondsToFrames(double seconds, uint32_t rate) {
    const double v = RateOf(rate) * seconds + 0.5;
    if (!std::isfinite(v)) return v > 0 ? INT64_MAX : INT64_MIN;
    if (v >= 9.2e18) return INT64_MAX;
    if (v <= -9.2e18) return INT64_MIN;
    return int64_t(std::trunc(v));
}

int64_t BeatsToFrames(double beats, uint32_t rate, uint32_t tempo) {
    const double bpm = tempo ? double(tempo) : 120.0;
    return SecondsToFrames(beats / (bpm / 60.0), rate);
}

int64_t VideoFramesToFrames(double count, uint32_t rate, double framesPerSecond) {
    if (!(framesPerSecond > 0)) return 0;
    return SecondsToFrames(count / framesPerSecond, rate);
}

const char* TimeParseText(int result) {
    switch (result) {
        case kTimeParsed:
            return "OK";
        case kTimeNegative:
            return "The time lies before the start of the wave.";
        case kTimeTooLong:
            return "The time lies past the largest wave (4294967295 points).";
        case kTimeNoSuchFrame:
            return "Frames 0 and 1 do not exist in that drop-frame minute.";
        default:
            return "Not a time in the editor's units.";
    }
}

namespace {

// Splits "a:b:c" (or "a+b") into numbers; false when a field is not a plain
// decimal number.
bool SplitNumbers(const std::string& text, char separator, std::vector<double>& out) {
    out.clear();
    size_t at = 0;
    for (;;) {
        size_t next = text.find(separator, at);
        std::string field =
            TrimBlanks(text.substr(at, next == std::string::npos ? next : next - at));
        if (field.empty() || field.size() > 40) return false;
        for (char c : field)
            if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+'))
                return false;
        char* end = nullptr;
        double v = std::strtod(field.c_str(), &end);
        if (!end || *end != '\0' || !std::isfinite(v)) return false;
        out.push_back(v);
        if (next == std::string::npos) return true;
        at = next + 1;
    }
}

// Removes a trailing unit word (case-insensitive) and returns its scale.
std::string StripWord(const std::string& text, const char* const* words, size_t count,
                      size_t* which) {
    *which = count;
    for (size_t i = 0; i < count; ++i) {
        std::string w = words[i];
        if (text.size() < w.size()) continue;
        std::string tail = text.substr(text.size() - w.size());
        bool same = true;
        for (size_t k = 0; k < w.size(); ++k)
            if (std::tolower(static_cast<unsigned char>(tail[k])) !=
                std::tolower(static_cast<unsigned char>(w[k])))
                same = false;
        if (same) {
            *which = i;
            return TrimBlanks(text.substr(0, text.size() - w.size()));
        }
    }
    return text;
}

int ToFrames(double frames, uint32_t& out) {
    if (!std::isfinite(frames)) return kTimeTooLong;
    if (frames < 0) return kTimeNegative;
    if (frames > 4294967295.0) return kTimeTooLong;
    out = uint32_t(frames);
    return kTimeParsed;
}

}  // namespace

int ParseTime(const std::string& typed, uint32_t unit, uint32_t rate, uint32_t tempo,
              uint32_t beatsPerBar, uint32_t& frames) {
    if (unit < 1 || unit > kTimeUnitCount) unit = kTimeWords;
    std::string text = TrimBlanks(typed);
    if (text.empty()) return kTimeNotNumber;
    std::vector<double> v;
    const double perBar = beatsPerBar ? double(beatsPerBar) : 4.0;
    size_t which = 0;
    // A negative field anywhere makes the time negative: refused before any
    // rounding could turn it into frame 0.
    auto anyNegative = [](const std::vector<double>& fields) {
        for (double f : fields)
            if (f < 0 || std::signbit(f)) return true;
        return false;
    };
    switch (unit) {
        case kTimeSeconds:
        case kTimeMinSecs: {
            static const char* const kWords[] = {"uSec", "mSec", "Sec"};
            text = StripWord(text, kWords, 3, &which);
            static const double kScale[] = {1e-6, 1e-3, 1.0, 1.0};
            if (!SplitNumbers(text, ':', v) || v.size() > 3) return kTimeNotNumber;
            if (which != 3 && v.size() != 1) return kTimeNotNumber;
            if (anyNegative(v)) return kTimeNegative;
            double seconds = 0;
            for (double field : v) seconds = seconds * 60.0 + field;
            return ToFrames(double(SecondsToFrames(seconds * kScale[which], rate)), frames);
        }
        case kTimeWords: {
            static const char* const kWords[] = {"pts"};
            text = StripWord(text, kWords, 1, &which);
            if (!SplitNumbers(text, ':', v) || v.size() != 1) return kTimeNotNumber;
            if (anyNegative(v)) return kTimeNegative;
            if (v[0] != std::trunc(v[0])) return kTimeNotNumber;
            return ToFrames(v[0], frames);
        }
        case kTimeFrames24:
        case kTimeFrames25:
        case kTimeFrames30Drop:
        case kTimeFrames30: {
            static const char* const kWords[] = {"Fr"};
            text = StripWord(text, kWords, 1, &which);
            if (!SplitNumbers(text, ':', v) || v.size() != 1) return kTimeNotNumber;
            if (anyNegative(v)) return kTimeNegative;
            return ToFrames(double(VideoFramesToFrames(v[0], rate, UnitFramesPerSecond(unit))),
                            frames);
        }
        case kTimeSmpte24:
        case kTimeSmpte25:
        case kTimeSmpte30:
        case kTimeSmpte30Drop: {
            if (!SplitNumbers(text, ':', v) || v.size() > 4) return kTimeNotNumber;
            while (v.size() < 4) v.insert(v.begin(), 0.0);
            if (anyNegative(v)) return kTimeNegative;
            const double h = v[0], m = v[1], s = v[2], f = v[3];
            if (h != std::trunc(h) || m != std::trunc(m) || s != std::trunc(s) || m >= 60 ||
                s >= 60)
                return kTimeNotNumber;
            if (unit != kTimeSmpte30Drop) {
                const double fps = UnitFramesPerSecond(unit);
                if (f >= fps) return kTimeNotNumber;
                const double seconds = h * 3600.0 + m * 60.0 + s + f / fps;
                return ToFrames(double(SecondsToFrames(seconds, rate)), frames);
            }
            if (f >= 30.0) return kTimeNotNumber;
            const double totalMinutes = h * 60.0 + m;
            const bool dropped = std::fmod(totalMinutes, 10.0) != 0.0 && s == 0.0 && f < 2.0;
            if (dropped) return kTimeNoSuchFrame;
            const double label = (h * 3600.0 + m * 60.0 + s) * 30.0 + f;
            const double dropCount = 2.0 * (totalMinutes - std::floor(totalMinutes / 10.0));
            return ToFrames(double(SecondsToFrames((label - dropCount) / 29.97, rate)), frames);
        }
        case kTimeBeats:
        case kTimeMeasures: {
            static const char* const kWords[] = {"Bts"};
            text = StripWord(text, kWords, 1, &which);
            double beats = 0;
            if (unit == kTimeMeasures && text.find('+', 1) != std::string::npos) {
                size_t plus = text.find('+', 1);
                std::vector<double> m, b;
                if (!SplitNumbers(text.substr(0, plus), ':', m) || m.size() != 1 ||
                    !SplitNumbers(text.substr(plus + 1), ':', b) || b.size() != 1)
                    return kTimeNotNumber;
                if (anyNegative(m) || anyNegative(b)) return kTimeNegative;
                if (m[0] != std::trunc(m[0])) return kTimeNotNumber;
                beats = m[0] * perBar + b[0];
            } else {
                if (!SplitNumbers(text, ':', v) || v.size() != 1) return kTimeNotNumber;
                if (anyNegative(v)) return kTimeNegative;
                beats = v[0];
            }
            return ToFrames(double(BeatsToFrames(beats, rate, tempo)), frames);
        }
    }
    return kTimeNotNumber;
}

int ParseTime(const WaveRecord& record, const std::string& text, uint32_t& frames) {
    return ParseTime(text, TimeUnitOf(record), record.sampleRate, record.tempo, record.beatsPerBar,
                     frames);
}

}  // namespace ob
