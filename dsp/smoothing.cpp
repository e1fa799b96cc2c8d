// Edge smoothing: capture before an edit, crossfade after it.
#include "dsp/smoothing.h"

#include <cstring>

#include "dsp/frame.h"
#include "wave/memory.h"

namespace ob {

uint32_t SmoothingLength(uint32_t rate, uint32_t milliseconds, uint32_t areaLength) {
    double n = double(rate) * double(milliseconds) * 0.001;
    uint32_t half = areaLength / 2;
    if (n >= double(half)) return half;
    return uint32_t(n);
}

void CaptureSmoothing(const WaveRecord& record, FrameRange area, SmoothingEdges& edges) {
    CaptureSmoothing(record, area, gProcessing.smoothingOptions,
                     gProcessing.smoothingMs ? gProcessing.smoothingMs : 1, edges);
}

void CaptureSmoothing(const WaveRecord& record, FrameRange area, uint32_t options,
                      uint32_t milliseconds, SmoothingEdges& edges) {
    edges = SmoothingEdges{};
    options &= kSmoothStart | kSmoothEnd;
    if (!options || !record.leftSamples) return;
    if (uint64_t(area.start) + area.length > record.frameCount) return;
    uint32_t n = SmoothingLength(record.sampleRate, milliseconds, area.length);
    if (n == 0) return;
    uint32_t channels = AffectChannels(record);
    if (!record.rightSamples) channels &= 1;
    if (channels == 0) return;
    edges.n = n;
    edges.start = area.start;
    edges.length = area.length;
    edges.channels = channels;
    edges.options = options;
    size_t bytes = size_t(n) * sizeof(float);
    for (int c = 0; c < 2; ++c) {
        if (!(channels & (1u << c))) continue;
        const float* samples = c == 0 ? record.leftSamples : record.rightSamples;
        if (options & kSmoothStart) {
            edges.head[c] = static_cast<float*>(Allocate(bytes, kAllocHeap));
            if (!edges.head[c]) return FreeSmoothing(edges);
            std::memcpy(edges.head[c], samples + area.start, bytes);
        }
        if (options & kSmoothEnd) {
            edges.tail[c] = static_cast<float*>(Allocate(bytes, kAllocHeap));
            if (!edges.tail[c]) return FreeSmoothing(edges);
            std::memcpy(edges.tail[c], samples + area.start + area.length - n, bytes);
        }
    }
}

void ApplySmoothing(WaveRecord& record, SmoothingEdges& edges) {
    uint32_t n = edges.n;
    if (n == 0 || uint64_t(edges.start) + edges.length > record.frameCount) {
        FreeSmoothing(edges);
        return;
    }
    double d = 1.0 / n;
    for (int c = 0; c < 2; ++c) {
        float* samples = c == 0 ? record.leftSamples : record.rightSamples;
        if (!samples) continue;
        if (const float* copy = edges.head[c]) {
            float* p = samples + edges.start;
            double w = 1.0;
            for (uint32_t i = 0; i < n; ++i) {
                p[i] = float((1.0 - w) * p[i] + w * copy[i]);
                w -= d;
                if (w < 0.0) w = 0.0;
            }
        }
        if (const float* copy = edges.tail[c]) {
            float* p = samples + edges.start + edges.length - n;
            double w = 0.0;
            for (uint32_t i = 0; i < n; ++i) {
                p[i] = float((1.0 - w) * p[i] + w * copy[i]);
                w += d;
                if (w > 1.0) w = 1.0;
            }
        }
    }
    FreeSmoothing(edges);
}

void FreeSmoothing(SmoothingEdges& edges) {
    size_t bytes = size_t(edges.n) * sizeof(float);
    for (int c = 0; c < 2; ++c) {
        Release(edges.head[c], bytes, kAllocHeap);
        Release(edges.tail[c], bytes, kAllocHeap);
    }
    edges = SmoothingEdges{};
}

}  // namespace ob
