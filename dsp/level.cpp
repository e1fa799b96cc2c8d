// Gain, normalize, maximize and DC offset.
#include "dsp/level.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/operation.h"
#include "wave/undo.h"

namespace ob {

namespace {

void Scale(float* dst, const float* src, uint32_t n, double factor) {
    for (uint32_t i = 0; i < n; ++i) dst[i] = float(src[i] * factor);
}

// The largest |x|, NaN ignored. For floats that are not NaN the order of
// |x| is the order of their bits with the sign cleared, so the search runs on
// integers, which the vectorizer takes (float max cannot be reordered).
float PeakMagnitude(const float* p, uint32_t n) {
    int32_t peak = 0;
    for (uint32_t i = 0; i < n; ++i) {
        int32_t bits;
        std::memcpy(&bits, p + i, sizeof bits);
        bits &= 0x7FFFFFFF;
        bits = bits > 0x7F800000 ? 0 : bits;  // NaN
        peak = bits > peak ? bits : peak;
    }
    float result;
    std::memcpy(&result, &peak, sizeof result);
    return result;
}

void MaxMin(const float* p, uint32_t n, float& maximum, float& minimum) {
    float hi[4] = {maximum, maximum, maximum, maximum};
    float lo[4] = {minimum, minimum, minimum, minimum};
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4)
        for (int k = 0; k < 4; ++k) {
            hi[k] = std::max(hi[k], p[i + k]);
            lo[k] = std::min(lo[k], p[i + k]);
        }
    for (; i < n; ++i) {
        hi[0] = std::max(hi[0], p[i]);
        lo[0] = std::min(lo[0], p[i]);
    }
    maximum = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
    minimum = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
}

std::string Format(const char* format, int editor, double value) {
    char line[96];
    std::snprintf(line, sizeof line, format, editor, value);
    return line;
}

}  // namespace

int Gain(WaveRecord& record, const GainParams& params) {
    double factor = std::pow(10.0, params.dB / 20.0);
    return RunBlockOperation(
        record, kOpGain, kBackupRange,
        [factor](float* dst, const float* src, uint32_t n) { Scale(dst, src, n, factor); });
}

std::string GainMacroLine(int editor, const GainParams& params) {
    return Format("obGain %d, %.1f\n", editor, params.dB);
}

int Normalize(WaveRecord& record, const NormalizeParams& params) {
    double level = std::pow(10.0, params.dB / 20.0);
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpNormalize, kBackupRange, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [level](float* dst, const float* src, uint32_t length, bool) {
        double peak = PeakMagnitude(src, length);
        if (peak < kNormalizeMinPeak) peak = kNormalizeMinPeak;
        double factor = level / peak;
        ProgressCounter progress{length / 20};
        return ForEachBlockFrom(
            dst, src, length, progress,
            [factor](float* d, const float* s, uint32_t n) { Scale(d, s, n, factor); });
    });
}

std::string NormalizeMacroLine(int editor, const NormalizeParams& params) {
    return Format("obNormalize %d, %.1f\n", editor, params.dB);
}

int Maximize(WaveRecord& record) {
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpMaximize, kBackupRange, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [](float* dst, const float* src, uint32_t length, bool) {
        if (length == 0) return true;
        float maximum = src[0], minimum = src[0];
        ProgressCounter scan{0};
        // The scan reads src only; an abort during it copies the area whole.
        bool go = ForEachBlockFrom(dst, src, length, scan, [&](float*, const float* s, uint32_t n) {
            MaxMin(s, n, maximum, minimum);
        });
        if (!go) {
            CopyArea(dst, src, length);
            return false;
        }
        double peak = std::max(double(maximum), -double(minimum));
        if (peak == 0.0 || (peak >= kFullScale && peak <= 1.0)) {
            CopyArea(dst, src, length);
            return true;
        }
        double factor = kFullScale / peak;
        ProgressCounter progress{length / 20};
        return ForEachBlockFrom(
            dst, src, length, progress,
            [factor](float* d, const float* s, uint32_t n) { Scale(d, s, n, factor); });
    });
}

std::string MaximizeMacroLine(int editor) {
    char line[48];
    std::snprintf(line, sizeof line, "obMaximize %d\n", editor);
    return line;
}

int DcOffset(WaveRecord& record, const DcOffsetParams& params) {
    double v = params.offset;
    if (!std::isfinite(v)) v = 0.0;
    if (params.unit == kDcSixteenBit)
        v /= 32768.0;
    else if (params.unit == kDcPercent)
        v /= 100.0;
    v = std::clamp(v, -1.0, 1.0);
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpDcOffset, kBackupRange, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [v](float* dst, const float* src, uint32_t length, bool) {
        if (length == 0) return true;
        double d = v;
        if (d == 0.0) {
            double sum = 0.0;
            for (uint32_t i = 0; i < length; ++i) sum += src[i];
            d = std::clamp(-sum / length, -1.0, 1.0);
        }
        if (d == 0.0) {
            CopyArea(dst, src, length);
            return true;
        }
        ProgressCounter progress{length / 20};
        if (d > 0.0) {
            float limit = float(1.0 - d);
            return ForEachBlockFrom(dst, src, length, progress,
                                    [d, limit](float* o, const float* p, uint32_t n) {
                                        for (uint32_t i = 0; i < n; ++i) {
                                            float shifted = float(p[i] + d);
                                            o[i] = p[i] <= limit ? shifted : 1.0f;
                                        }
                                    });
        }
        float limit = float(-1.0 - d);
        return ForEachBlockFrom(dst, src, length, progress,
                                [d, limit](float* o, const float* p, uint32_t n) {
                                    for (uint32_t i = 0; i < n; ++i) {
                                        float shifted = float(p[i] + d);
                                        o[i] = p[i] >= limit ? shifted : -1.0f;
                                    }
                                });
    });
}

std::string DcOffsetMacroLine(int editor, const DcOffsetParams& params) {
    double steps = params.unit == kDcPercent ? params.offset * 327.67 : params.offset;
    if (!std::isfinite(steps)) steps = 0.0;
    steps = std::clamp(steps, -2147483647.0, 2147483647.0);
    char line[64];
    std::snprintf(line, sizeof line, "obDCOffset %d, %d\n", editor, int(steps));
    return line;
}

}  // namespace ob
