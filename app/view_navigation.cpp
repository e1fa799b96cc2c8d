// Moving and zooming an editor's view through the record's view fields.
#include "app/view_navigation.h"

#include <algorithm>
#include <cmath>

#include "app/view_mapping.h"

namespace ob {

void ClampView(WaveRecord& record, int width) {
    if (record.frameCount == 0) {
        record.viewStart = 0;
        return;
    }
    uint64_t visible = ViewMapping::ForRecord(record, width).VisibleFrames();
    if (visible == 0) visible = 1;
    uint64_t start = record.viewStart;
    if (start + visible > record.frameCount)
        start = record.frameCount > visible ? record.frameCount - visible : 0;
    record.viewStart = static_cast<uint32_t>(std::min<uint64_t>(start, record.frameCount - 1));
}

void ShowFullView(WaveRecord& record, int width) {
    record.viewStart = 0;
    record.viewSpan = std::max<uint32_t>(record.frameCount, 1);
    ClampView(record, width);
}

static uint32_t MinimumSpan(int width) {
    return std::max<uint32_t>(
        1,
        (static_cast<uint32_t>(std::max(width, 1)) + kMaxPixelsPerFrame - 1) / kMaxPixelsPerFrame);
}

void ZoomTime(WaveRecord& record, int width, bool in, double anchorX) {
    if (record.frameCount == 0 || width <= 0) return;
    const ViewMapping before = ViewMapping::ForRecord(record, width);
    const double anchorFrame =
        before.start + (before.framesPerPixel > 1 ? anchorX * before.framesPerPixel
                                                  : anchorX / before.pixelsPerFrame);
    const uint32_t maxSpan = std::max<uint32_t>(record.frameCount, 1);
    uint64_t span = record.viewSpan ? record.viewSpan : 1;
    // The zoom rule quantizes: step until the mapping really changes.
    for (int i = 0; i < 64; ++i) {
        span = in ? std::max<uint64_t>(span / 2, MinimumSpan(width))
                  : std::min<uint64_t>(span * 2, maxSpan);
        ViewMapping after =
            ViewMapping::For(record.viewStart, uint32_t(span), record.frameCount, width);
        if (!after.SameZoom(before)) break;
        if (span == MinimumSpan(width) || span == maxSpan) break;
    }
    record.viewSpan = static_cast<uint32_t>(span);
    const ViewMapping after = ViewMapping::ForRecord(record, width);
    double start = anchorFrame - (after.framesPerPixel > 1 ? anchorX * after.framesPerPixel
                                                           : anchorX / after.pixelsPerFrame);
    record.viewStart =
        static_cast<uint32_t>(std::clamp(std::floor(start), 0.0, double(record.frameCount - 1)));
    ClampView(record, width);
}

void ZoomToFrames(WaveRecord& record, int width, uint32_t start, uint32_t length) {
    if (record.frameCount == 0) return;
    record.viewSpan = std::max(length, MinimumSpan(width));
    record.viewStart = std::min(start, record.frameCount - 1);
    ClampView(record, width);
}

void ZoomLevel(WaveRecord& record, bool in) {
    uint32_t span = record.viewLevelSpan ? record.viewLevelSpan : 1;
    span =
        in ? std::max<uint32_t>(span / 2, kMinLevelSpan) : std::min<uint32_t>(span * 2 + 1, 65535);
    record.viewLevelSpan = static_cast<uint16_t>(span);
    if (span == 65535) record.viewLevelCentre = 0;
}

void ZoomToLevels(WaveRecord& record, double lo, double hi) {
    if (hi < lo) std::swap(lo, hi);
    double span = std::clamp((hi - lo) * 32767.0, double(kMinLevelSpan), 65535.0);
    double centre = std::clamp((hi + lo) / 2.0 * 32767.0, -32768.0, 32767.0);
    record.viewLevelSpan = static_cast<uint16_t>(span);
    record.viewLevelCentre = static_cast<int16_t>(std::lround(centre));
}

void ScrollFrames(WaveRecord& record, int width, int64_t frames) {
    if (record.frameCount == 0) return;
    int64_t start = int64_t(record.viewStart) + frames;
    record.viewStart = static_cast<uint32_t>(std::clamp<int64_t>(start, 0, record.frameCount - 1));
    ClampView(record, width);
}

void ScrollToStart(WaveRecord& record, int width) {
    record.viewStart = 0;
    ClampView(record, width);
}

void ScrollToEnd(WaveRecord& record, int width) {
    if (record.frameCount == 0) return;
    record.viewStart = record.frameCount - 1;
    ClampView(record, width);
}

}  // namespace ob
