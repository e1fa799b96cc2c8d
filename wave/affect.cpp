// The affect area and affect channels of a record, and the zoom rule that
// turns a window width and a view span into the number of frames shown.
#include <algorithm>

#include "wave/wave_record.h"

namespace ob {

EditingState gEditing;

uint32_t VisibleFrames(uint32_t widthPixels, uint32_t span) {
    if (widthPixels == 0) return 0;
    if (span == 0) span = 1;  // a view of nothing shows at least one frame
    uint32_t pixelsPerFrame = widthPixels / span;
    if (pixelsPerFrame >= 1) return widthPixels / pixelsPerFrame;
    uint64_t framesPerPixel = span / widthPixels + 1;
    if (framesPerPixel > 800)
        framesPerPixel = (framesPerPixel / kOverviewBlockFrames + 1) * kOverviewBlockFrames;
    uint64_t frames = widthPixels * framesPerPixel;
    return frames > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(frames);
}

FrameRange AffectRange(WaveRecord& record) {
    if (!WaveHasData(&record)) return FrameRange{};
    const uint32_t count = record.frameCount;
    const uint32_t last = count - 1;
    switch (gEditing.affectArea) {
        case kAffectInView: {
            uint32_t start = record.viewStart;  // < count, WaveHasData holds
            uint32_t length =
                record.viewWidth ? VisibleFrames(record.viewWidth, record.viewSpan) : 2;
            length = std::min(length, count - start);
            return FrameRange{start, length};
        }
        case kAffectMarkers: {
            MarkerNode* m0 = FindMarker(record, 0);
            MarkerNode* m1 = FindMarker(record, 1);
            uint32_t a = (m0 && m1) ? m0->position : 0;
            uint32_t b = (m0 && m1) ? m1->position : 0;
            uint32_t upper = std::min(std::max(a, b), last);
            uint32_t lower = std::min(std::min(a, b), upper);
            return FrameRange{lower, upper - lower + 1};
        }
        case kAffectMouse: {
            if (record.mouseChannels == 0) {
                record.mouseStart = 0;
                record.mouseLength = 1;
                record.mouseChannels = kEditLeft;
            } else {
                record.mouseStart = std::min(record.mouseStart, last);
                record.mouseLength = std::min(record.mouseLength, count - record.mouseStart);
            }
            return FrameRange{record.mouseStart, record.mouseLength};
        }
        case kAffectAll:
        default:
            return FrameRange{0, count};
    }
}

uint32_t AffectChannels(const WaveRecord& record) {
    if (!record.leftSamples) return 0;
    uint32_t present = record.rightSamples ? (kEditLeft | kEditRight) : kEditLeft;
    uint32_t wanted =
        gEditing.affectArea == kAffectMouse ? record.mouseChannels : gEditing.editChannel;
    return wanted & present;
}

}  // namespace ob
