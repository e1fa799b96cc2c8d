// The one mapping between frames and pixels, and between sample levels and
// pixels, of an editor view. Every painter and mouse handler of the editor
// window uses it, so what is drawn at a column is what a click there selects.
// No Qt here: the tests and the benchmarks use it as it is.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "wave/wave_record.h"

namespace ob {

// Horizontal mapping after the zoom rule (VisibleFrames): either every frame
// takes a whole number of pixels (pixelsPerFrame >= 1, framesPerPixel 1), or
// every pixel column covers a whole number of frames (framesPerPixel > 1).
struct ViewMapping {
    uint32_t start = 0;  // frame at the left edge (x = 0)
    uint32_t frameCount = 0;
    int width = 0;  // pixels of the drawing area
    uint32_t pixelsPerFrame = 1;
    uint32_t framesPerPixel = 1;

    static ViewMapping For(uint32_t start, uint32_t span, uint32_t frameCount, int width) {
        ViewMapping m;
        m.start = start;
        m.frameCount = frameCount;
        m.width = std::max(width, 0);
        if (m.width == 0) return m;
        if (span == 0) span = 1;
        uint32_t w = static_cast<uint32_t>(m.width);
        if (w / span >= 1) {
            m.pixelsPerFrame = w / span;
        } else {
            uint64_t q = span / w + 1;
            if (q > 800) q = (q / kOverviewBlockFrames + 1) * kOverviewBlockFrames;
            m.framesPerPixel = static_cast<uint32_t>(std::min<uint64_t>(q, UINT32_MAX));
        }
        return m;
    }
    static ViewMapping ForRecord(const WaveRecord& record, int width) {
        return For(record.viewStart, record.viewSpan, record.frameCount, width);
    }

    // Single frames are told apart: dots joined by lines, and Freehand Draw.
    bool SampleLevel() const { return framesPerPixel == 1; }
    // Frames across the width, as VisibleFrames counts them.
    uint64_t VisibleFrames() const {
        if (width <= 0) return 0;
        if (framesPerPixel > 1) return uint64_t(width) * framesPerPixel;
        return uint64_t(width) / pixelsPerFrame;
    }
    // Left edge of a frame's pixels, or of the column holding it.
    int64_t XForFrame(int64_t frame) const {
        int64_t d = frame - int64_t(start);
        if (framesPerPixel > 1) return FloorDiv(d, framesPerPixel);
        return d * pixelsPerFrame;
    }
    // Fractional position of a frame boundary (exact at every zoom).
    double XForFrameExact(double frame) const {
        double d = frame - double(start);
        return framesPerPixel > 1 ? d / framesPerPixel : d * pixelsPerFrame;
    }
    // Centre of a frame's pixels, where its sample point is drawn.
    double XForFrameCentre(int64_t frame) const {
        return XForFrameExact(double(frame)) + (framesPerPixel > 1 ? 0.0 : pixelsPerFrame / 2.0);
    }
    // The frame shown at pixel x (not clamped; may be negative or past the end).
    int64_t FrameForX(double x) const {
        if (framesPerPixel > 1) return int64_t(start) + int64_t(std::floor(x * framesPerPixel));
        return int64_t(start) + int64_t(std::floor(x / pixelsPerFrame));
    }
    // The frame boundary nearest to pixel x, limited to 0..frameCount: where a
    // selection made with the mouse starts or ends.
    uint32_t BoundaryForX(double x) const {
        double f = framesPerPixel > 1 ? double(start) + std::floor(x + 0.5) * framesPerPixel
                                      : double(start) + std::floor(x / pixelsPerFrame + 0.5);
        return static_cast<uint32_t>(std::clamp(f, 0.0, double(frameCount)));
    }
    // The frame under pixel x limited to the wave (frameCount > 0).
    uint32_t ClampedFrameForX(double x) const {
        int64_t f = FrameForX(x);
        int64_t last = frameCount ? int64_t(frameCount) - 1 : 0;
        return static_cast<uint32_t>(std::clamp<int64_t>(f, 0, last));
    }
    bool SameZoom(const ViewMapping& o) const {
        return width == o.width && pixelsPerFrame == o.pixelsPerFrame &&
               framesPerPixel == o.framesPerPixel && frameCount == o.frameCount;
    }

    static int64_t FloorDiv(int64_t a, int64_t b) {
        int64_t q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    }
};

// Vertical mapping of one channel lane: `centre` (16-bit sample steps) sits
// at the lane's middle and `span` steps fill its height.
struct LevelMapping {
    double top = 0;
    double height = 0;
    double centre = 0;
    double span = 65535;

    static LevelMapping For(const WaveRecord& record, double top, double height) {
        LevelMapping m;
        m.top = top;
        m.height = height;
        m.centre = record.viewLevelCentre;
        m.span = record.viewLevelSpan ? record.viewLevelSpan : 1;
        return m;
    }
    double YForValue(double value) const {
        return top + height / 2.0 - (value * 32767.0 - centre) * height / span;
    }
    double ValueForY(double y) const {
        return ((top + height / 2.0 - y) * span / height + centre) / 32767.0;
    }
};

}  // namespace ob
