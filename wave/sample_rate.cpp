// Sample-rate rules: the stored range, snapping one-off rates onto common
// ones, and the conversions between rate and sample period.
#include "wave/wave_record.h"

namespace ob {

uint32_t GetSampleRate(const WaveRecord& record) {
    return record.sampleRate;
}

void SetSampleRate(WaveRecord& record, uint32_t hz) {
    record.sampleRate = (hz >= 100 && hz <= 200000) ? hz : 22050;
}

uint32_t SnapSampleRate(uint32_t hz) {
    static const uint32_t kCommon[] = {11014, 11025, 12000, 22028, 22050,
                                       24000, 44056, 44100, 48000};
    for (uint32_t rate : kCommon)
        if (hz == rate - 1 || hz == rate + 1) return rate;
    return hz;
}

uint32_t RateToPeriod(uint32_t hz) {
    return hz ? 1000000000u / hz : 22050;
}

uint32_t PeriodToRate(uint32_t ns) {
    return ns ? SnapSampleRate(1000000000u / ns) : 22050;
}

}  // namespace ob
