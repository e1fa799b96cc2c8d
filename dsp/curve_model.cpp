// Curve drawing and the envelope curve operations.
#include "dsp/curve_model.h"

#include <algorithm>
#include <cmath>

namespace ob {

namespace {
int EnvelopeValue(int, int y) {
    return y;
}
int TransferValue(int point, int y) {
    return point < 65 ? y / 2 - 64 : 64 - y / 2;
}
}  // namespace

const CurveGeometry kEnvelopeGeometry = {kEnvelopePoints, 4, 121, EnvelopeValue};
const CurveGeometry kTransferGeometry = {kTransferPoints, 2, 256, TransferValue};

int CurveDrawing::ClampX(int x) const {
    return std::clamp(x, 0, g_.points * g_.pointWidth - 1);
}
int CurveDrawing::ClampY(int y) const {
    return std::clamp(y, 0, g_.height - 1);
}

void CurveDrawing::Press(std::vector<int>& values, int x, int y) {
    if (int(values.size()) != g_.points) return;
    before_ = values;
    down_ = true;
    x = ClampX(x);
    y = ClampY(y);
    lastPoint_ = x / g_.pointWidth;
    lastY_ = y;
    values[lastPoint_] = g_.value(lastPoint_, y);
}

void CurveDrawing::Move(std::vector<int>& values, int x, int y) {
    if (!down_ || int(values.size()) != g_.points) return;
    x = ClampX(x);
    y = ClampY(y);
    const int p = x / g_.pointWidth;
    if (p > lastPoint_) {
        const int step = (y - lastY_) / (p - lastPoint_);
        for (int q = lastPoint_ + 1; q < p; ++q)
            values[q] = g_.value(q, ClampY(lastY_ + step * (q - lastPoint_)));
    } else if (p < lastPoint_) {
        for (int q = p + 1; q <= lastPoint_; ++q) values[q] = before_[q];
    }
    // Within one point (p == lastPoint_) there is no distance to divide by.
    values[p] = g_.value(p, y);
    lastPoint_ = p;
    lastY_ = y;
}

void DrawEnvelope(EnvelopeParams& p, CurveDrawing& drawing, int x, int y, bool press) {
    std::vector<int> v(p.curve, p.curve + kEnvelopePoints);
    if (press)
        drawing.Press(v, x, y);
    else
        drawing.Move(v, x, y);
    for (int i = 0; i < kEnvelopePoints; ++i) p.curve[i] = uint8_t(std::clamp(v[i], 0, 120));
}

void DrawTransfer(TransferParams& p, CurveDrawing& drawing, int x, int y, bool press) {
    std::vector<int> v(p.curve, p.curve + kTransferPoints);
    if (press)
        drawing.Press(v, x, y);
    else
        drawing.Move(v, x, y);
    for (int i = 0; i < kTransferPoints; ++i) p.curve[i] = int8_t(std::clamp(v[i], -64, 64));
}

void EnvelopeZero(EnvelopeParams& p) {
    std::fill(p.curve, p.curve + kEnvelopePoints, kEnvelopeUnity);
}

void EnvelopeInvert(EnvelopeParams& p) {
    for (uint8_t& v : p.curve) v = uint8_t(std::clamp(120 - int(v), 0, 120));
}

void EnvelopeShift(EnvelopeParams& p, int by) {
    for (uint8_t& v : p.curve) v = uint8_t(std::clamp(int(v) + by, 0, 120));
}

void EnvelopeReverse(EnvelopeParams& p) {
    std::reverse(p.curve, p.curve + kEnvelopePoints);
}

namespace {

// |trunc(x 32767)| with x x 32767 capped at full scale before the truncation
// (a sample far beyond full scale would not fit an integer); NaN counts as 0.
int Level(float x) {
    double y = std::fabs(double(x) * 32767.0);
    if (!(y == y)) return 0;
    return int(std::min(y, 32767.0));
}

uint8_t CodeOf(int peak) {
    double d = 30.0 * std::log10(double(peak) / 32767.0);
    if (d < -30.0) d = -30.0;
    return uint8_t(std::clamp(60 - int(d), 0, 120));
}

}  // namespace

void EnvelopeTrace(EnvelopeParams& p, const float* samples, uint32_t length) {
    if (!samples) return;
    if (length >= uint32_t(kEnvelopePoints)) {
        const double seg = double(length) / kEnvelopePoints;
        const uint32_t n = uint32_t(seg);
        for (int q = 0; q < kEnvelopePoints; ++q) {
            const uint32_t from = uint32_t(double(q) * seg);
            int peak = 1;
            for (uint32_t i = 0; i < n && from + i < length; ++i)
                peak = std::max(peak, Level(samples[from + i]));
            p.curve[q] = CodeOf(peak);
        }
    } else {
        for (uint32_t i = 0; i < length; ++i) {
            int a = Level(samples[i]);
            if (a < 2) a = 1;
            p.curve[i] = CodeOf(a);
        }
    }
    p.scale = 1;
}

bool EnvelopeTraceRecord(EnvelopeParams& p, const WaveRecord& record) {
    if (!WaveHasData(&record)) return false;
    // The range first: a mouse area not yet set becomes its default there.
    const FrameRange area = AffectRange(const_cast<WaveRecord&>(record));
    const uint32_t channels = AffectChannels(record);
    const float* samples = nullptr;
    if (channels & 1u)
        samples = record.leftSamples;
    else if ((channels & 2u) && record.rightSamples)
        samples = record.rightSamples;
    if (!samples || area.length == 0) return false;
    EnvelopeTrace(p, samples + area.start, area.length);
    return true;
}

}  // namespace ob
