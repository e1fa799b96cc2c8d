// The two plain reports: statistics of the affect area and the wave
// information. Amplitudes are in the editor's level unit and lengths and
// positions in points followed by the editor's time unit (wave/time_units.h).
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

struct ChannelStatistics {
    double average = 0;  // mean of |x|
    double dc = 0;       // mean of x
    double rms = 0;
    float maximum = 0;
    float minimum = 0;
    uint32_t clipsPositive = 0;      // x >= 0.99999976
    uint32_t clipsNegative = 0;      // x <= -0.99999976
    uint32_t zeroCrossPositive = 0;  // negative -> non-negative
    uint32_t zeroCrossNegative = 0;  // non-negative -> negative
    double crestRatio = 0;           // 20 log10(peak magnitude / RMS) dB, 0 when RMS is 0
};
// Over `length` samples (length 0 gives all zeros).
ChannelStatistics MeasureChannel(const float* samples, uint32_t length);

constexpr size_t kReportMaxBytes = 2048;

// Builds the statistics text of the affect area. Results: kEditDone;
// kEditRefused with "No wave exists here" or "No edit area chosen" reported.
int StatisticsText(WaveRecord& record, std::string& text);
// Builds and shows it in a message box captioned with the editor's title.
int ShowStatistics(WaveRecord& record);

// The wave information text; kEditRefused with "No wave exists here".
int WaveInformationText(WaveRecord& record, std::string& text);
int ShowWaveInformation(WaveRecord& record);

}  // namespace ob
