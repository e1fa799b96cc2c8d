// The curve editors' model, free of any window code: drawing a curve with the
// mouse and the Envelope Generator's curve operations (Zero It, Trace,
// Invert, Shift Up/Down, Reverse).
//
// Drawing: a curve of N points is shown in an area `width` x `height` pixels
// wide, point p covering x = p x ppp .. p x ppp + ppp - 1. A mouse position is
// clamped to the area before it becomes a point or a value. Pressing sets the
// point under the mouse; dragging right sets every point passed over along a
// straight line from the previous position (y advancing by a constant integer
// step per point, the point under the mouse taking the mouse's y); dragging
// left restores the points passed over from the curve as it was when the
// button went down; moving within one point sets that point.
#pragma once

#include <cstdint>
#include <vector>

#include "dsp/envelope.h"
#include "dsp/transfer_function.h"
#include "wave/wave_record.h"

namespace ob {

struct CurveGeometry {
    int points;
    int pointWidth;  // pixels per point
    int height;      // pixels; y runs 0 .. height - 1 from the top
    // The stored value of point p for the mouse's y (already clamped).
    int (*value)(int point, int y);
};

// Envelope: 400 x 121, the code is y (0 at the top = most gain).
extern const CurveGeometry kEnvelopeGeometry;
// Transfer: 256 x 256, y / 2 - 64 for points below 65, 64 - y / 2 from 65 on.
extern const CurveGeometry kTransferGeometry;

class CurveDrawing {
  public:
    explicit CurveDrawing(const CurveGeometry& geometry) : g_(geometry) {}
    // `values` holds the curve (geometry.points entries) while the button is down.
    void Press(std::vector<int>& values, int x, int y);
    void Move(std::vector<int>& values, int x, int y);
    void Release() { down_ = false; }
    bool Down() const { return down_; }
    int ClampX(int x) const;
    int ClampY(int y) const;

  private:
    const CurveGeometry& g_;
    std::vector<int> before_;
    bool down_ = false;
    int lastPoint_ = 0, lastY_ = 0;
};

// The same drawing straight on the parameter structs.
void DrawEnvelope(EnvelopeParams& p, CurveDrawing& drawing, int x, int y, bool press);
void DrawTransfer(TransferParams& p, CurveDrawing& drawing, int x, int y, bool press);

// ---- The Envelope Generator's curve operations ----
void EnvelopeZero(EnvelopeParams& p);           // every point 60
void EnvelopeInvert(EnvelopeParams& p);         // v -> 120 - v
void EnvelopeShift(EnvelopeParams& p, int by);  // v + by, clamped to 0 .. 120 (Up: -1)
void EnvelopeReverse(EnvelopeParams& p);
// Traces the envelope of `samples` (an area of `length`) into the curve and
// selects the 1/2 dB scale. Points from `length` on keep their codes when the
// area is shorter than 100.
void EnvelopeTrace(EnvelopeParams& p, const float* samples, uint32_t length);
// From the first edit channel of `record`'s affect area; false (nothing
// changed) when the record has no wave or no edit channel.
bool EnvelopeTraceRecord(EnvelopeParams& p, const WaveRecord& record);

}  // namespace ob
