// Lane background, zero line and waveform of an editor view.
#include "app/wave_painter.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ob {

static const PeakOverview* UsableOverview(const WaveRecord& record, int channel) {
    const PeakOverview& o = channel ? record.rightOverview : record.leftOverview;
    if (!o.pairs || o.blocks != OverviewBlockCount(record.frameCount)) return nullptr;
    return &o;
}

static const float* ChannelSamples(const WaveRecord& record, int channel) {
    return channel ? record.rightSamples : record.leftSamples;
}

// Maximum of the first and minimum of the second floats of `count` pairs,
// folded into lo and hi. Two pairs at a time with SSE (a column of a
// whole-hour view covers 450 blocks: about 28 coarse pairs and the pairs of
// the blocks at its ends).
static void PairsMinMax(const float* p, uint32_t count, float& lo, float& hi) {
    uint32_t i = 0;
#ifdef __SSE2__
    if (count >= 2) {
        __m128 vmax = _mm_set1_ps(-INFINITY), vmin = _mm_set1_ps(INFINITY);
        // Eight pairs a turn into independent registers, so the loads are not
        // held up by one chain of max and min.
        __m128 max1 = vmax, max2 = vmax, max3 = vmax, min1 = vmin, min2 = vmin, min3 = vmin;
        for (; i + 8 <= count; i += 8) {
            const float* q = p + 2 * size_t(i);
            const __m128 a = _mm_loadu_ps(q), b = _mm_loadu_ps(q + 4);
            const __m128 c = _mm_loadu_ps(q + 8), d = _mm_loadu_ps(q + 12);
            vmax = _mm_max_ps(vmax, a);
            vmin = _mm_min_ps(vmin, a);
            max1 = _mm_max_ps(max1, b);
            min1 = _mm_min_ps(min1, b);
            max2 = _mm_max_ps(max2, c);
            min2 = _mm_min_ps(min2, c);
            max3 = _mm_max_ps(max3, d);
            min3 = _mm_min_ps(min3, d);
        }
        vmax = _mm_max_ps(_mm_max_ps(vmax, max1), _mm_max_ps(max2, max3));
        vmin = _mm_min_ps(_mm_min_ps(vmin, min1), _mm_min_ps(min2, min3));
        for (; i + 2 <= count; i += 2) {
            const __m128 v = _mm_loadu_ps(p + 2 * size_t(i));
            vmax = _mm_max_ps(vmax, v);
            vmin = _mm_min_ps(vmin, v);
        }
        alignas(16) float mx[4], mn[4];
        _mm_store_ps(mx, vmax);
        _mm_store_ps(mn, vmin);
        hi = std::max(hi, std::max(mx[0], mx[2]));
        lo = std::min(lo, std::min(mn[1], mn[3]));
    }
#endif
    for (; i < count; ++i) {
        hi = std::max(hi, p[2 * size_t(i)]);
        lo = std::min(lo, p[2 * size_t(i) + 1]);
    }
}

// Extremes of overview blocks b0 .. b1 - 1: the coarse pairs for the whole
// runs of 16 blocks inside, the pairs of the blocks at either end.
static void BlocksMinMax(const PeakOverview& overview, uint32_t b0, uint32_t b1, float& lo,
                         float& hi) {
    const uint32_t k0 = (b0 + kCoarseOverviewBlocks - 1) / kCoarseOverviewBlocks;
    // One past the last whole coarse pair; the last pair of the wave ends at
    // its last block, however few blocks it folds.
    const uint32_t k1 = b1 == overview.blocks ? CoarseBlockCount(b1) : b1 / kCoarseOverviewBlocks;
    if (k1 <= k0) {
        PairsMinMax(overview.pairs + 2 * size_t(b0), b1 - b0, lo, hi);
        return;
    }
    const uint32_t c0 = k0 * kCoarseOverviewBlocks, c1 = k1 * kCoarseOverviewBlocks;
    PairsMinMax(overview.pairs + 2 * size_t(b0), c0 - b0, lo, hi);
    PairsMinMax(CoarsePairs(overview) + 2 * size_t(k0), k1 - k0, lo, hi);
    if (c1 < b1) PairsMinMax(overview.pairs + 2 * size_t(c1), b1 - c1, lo, hi);
}

void ChannelMinMax(const WaveRecord& record, int channel, uint32_t first, uint32_t last,
                   float& minimum, float& maximum) {
    const float* samples = ChannelSamples(record, channel);
    const PeakOverview* overview = UsableOverview(record, channel);
    if (overview && last - first + 1 >= 2 * kOverviewBlockFrames) {
        // Whole blocks inside the range from the overview, the ragged ends from samples.
        uint32_t b0 = (first + kOverviewBlockFrames - 1) / kOverviewBlockFrames;
        uint32_t b1 = (last + 1) / kOverviewBlockFrames;  // one past the last whole block
        float hi = -INFINITY, lo = INFINITY;
        BlocksMinMax(*overview, b0, b1, lo, hi);
        for (uint32_t f = first; f < b0 * kOverviewBlockFrames; ++f) {
            hi = std::max(hi, samples[f]);
            lo = std::min(lo, samples[f]);
        }
        for (uint32_t f = b1 * kOverviewBlockFrames; f <= last; ++f) {
            hi = std::max(hi, samples[f]);
            lo = std::min(lo, samples[f]);
        }
        minimum = lo;
        maximum = hi;
        return;
    }
    float hi = samples[first], lo = samples[first];
    for (uint32_t f = first + 1; f <= last; ++f) {
        hi = std::max(hi, samples[f]);
        lo = std::min(lo, samples[f]);
    }
    minimum = lo;
    maximum = hi;
}

// Columns of at least this many overview blocks are drawn from the overview alone.
constexpr uint32_t kWholeBlockColumns = 64;

void ColumnMinMax(const WaveRecord& record, int channel, uint32_t first, uint32_t last,
                  float& minimum, float& maximum) {
    const PeakOverview* overview = UsableOverview(record, channel);
    if (!overview || (last - first + 1) / kOverviewBlockFrames < kWholeBlockColumns) {
        ChannelMinMax(record, channel, first, last, minimum, maximum);
        return;
    }
    const uint32_t firstBlock = first / kOverviewBlockFrames;
    const uint32_t lastBlock = std::min(last / kOverviewBlockFrames, overview->blocks - 1);
    float hi = -INFINITY, lo = INFINITY;
    BlocksMinMax(*overview, firstBlock, lastBlock + 1, lo, hi);
    minimum = lo;
    maximum = hi;
}

// Zoomed out: one vertical run of pixels per device column, written straight
// into the image row by row (column-wise writes miss the cache on every pixel).
static void PaintMinMaxColumns(QImage& image, const WavePaintJob& job, const Lane& lane, int x0,
                               int x1, const QColor& waveColour) {
    const WaveRecord& record = *job.record;
    const ViewMapping& map = job.mapping;
    const double dpr = image.devicePixelRatio();
    const int c0 = std::max(0, int(std::floor(x0 * dpr)));
    const int c1 = std::min(image.width(), int(std::ceil(x1 * dpr)));
    const int top = std::max(0, int(std::floor(lane.rect.top() * dpr)));
    const int bottom = std::min(image.height() - 1, int(std::ceil(lane.rect.bottom() * dpr)) - 1);
    if (bottom < top || record.frameCount == 0 || c1 <= c0) return;
    const LevelMapping level = LevelMapping::For(record, lane.rect.top(), lane.rect.height());
    const uint32_t colour = waveColour.rgba();
    const int64_t last = int64_t(record.frameCount) - 1;
    std::vector<int> runTop(size_t(c1 - c0), bottom + 1), runBottom(size_t(c1 - c0), bottom);
    int rowFirst = bottom + 1, rowLast = top - 1;
    for (int c = c0; c < c1; ++c) {
        int64_t f0 = map.FrameForX(c / dpr);
        int64_t f1 = map.FrameForX((c + 1) / dpr);  // first frame of the next column: joins them
        if (f0 > last || f1 < 0) continue;
        f0 = std::max<int64_t>(f0, 0);
        f1 = std::min(f1, last);
        float lo = 0, hi = 0;
        ColumnMinMax(record, lane.channel, uint32_t(f0), uint32_t(f1), lo, hi);
        const int yTop = std::clamp(int(std::floor(level.YForValue(hi) * dpr)), top, bottom);
        const int yBottom = std::clamp(int(std::floor(level.YForValue(lo) * dpr)), top, bottom);
        runTop[size_t(c - c0)] = yTop;
        runBottom[size_t(c - c0)] = yBottom;
        rowFirst = std::min(rowFirst, yTop);
        rowLast = std::max(rowLast, yBottom);
    }
    const int n = c1 - c0;
    for (int y = rowFirst; y <= rowLast; ++y) {
        uint32_t* line = reinterpret_cast<uint32_t*>(image.scanLine(y)) + c0;
        int i = 0;
#ifdef __SSE2__
        // Four pixels at a time: the colour where the row is inside the run.
        const __m128i row = _mm_set1_epi32(y), paint = _mm_set1_epi32(int(colour));
        for (; i + 4 <= n; i += 4) {
            const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&runTop[size_t(i)]));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(&runBottom[size_t(i)]));
            const __m128i outside = _mm_or_si128(_mm_cmpgt_epi32(t, row), _mm_cmpgt_epi32(row, b));
            __m128i* p = reinterpret_cast<__m128i*>(line + i);
            const __m128i old = _mm_loadu_si128(p);
            _mm_storeu_si128(
                p, _mm_or_si128(_mm_and_si128(outside, old), _mm_andnot_si128(outside, paint)));
        }
#endif
        for (; i < n; ++i)
            if (runTop[size_t(i)] <= y && y <= runBottom[size_t(i)]) line[i] = colour;
    }
}

// Sample level: each frame's point, joined by lines; dots once the points
// are far enough apart to be told apart.
static void PaintSamplePoints(QPainter& painter, const WavePaintJob& job, const Lane& lane, int x0,
                              int x1, const QColor& waveColour, const QColor& pointColour) {
    const WaveRecord& record = *job.record;
    const ViewMapping& map = job.mapping;
    if (record.frameCount == 0) return;
    const float* samples = ChannelSamples(record, lane.channel);
    const LevelMapping level = LevelMapping::For(record, lane.rect.top(), lane.rect.height());
    const int64_t last = int64_t(record.frameCount) - 1;
    const int64_t f0 = std::max<int64_t>(map.FrameForX(x0) - 1, 0);
    const int64_t f1 = std::min<int64_t>(map.FrameForX(x1) + 1, last);
    if (f1 < f0) return;
    QPolygonF points;
    points.reserve(int(f1 - f0 + 1));
    for (int64_t f = f0; f <= f1; ++f)
        points.append(QPointF(map.XForFrameCentre(f), level.YForValue(samples[f])));
    painter.setClipRect(QRectF(x0, lane.rect.top(), x1 - x0, lane.rect.height()));
    painter.setPen(QPen(waveColour, 0));
    painter.drawPolyline(points);
    if (map.pixelsPerFrame >= 3) {
        const QColor dot = job.colourPoints ? pointColour : waveColour;
        const double r = std::min(3.0, map.pixelsPerFrame / 3.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(dot);
        for (const QPointF& p : points) painter.drawEllipse(p, r, r);
        painter.setBrush(Qt::NoBrush);
    }
}

QColor MixColours(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

void PaintWaveColumns(QImage& image, const WavePaintJob& job, int x0, int x1) {
    const double logicalWidth = image.width() / image.devicePixelRatio();
    x0 = std::max(x0, 0);
    x1 = std::min(x1, int(std::ceil(logicalWidth)));
    if (x1 <= x0 || !job.record) return;
    const ViewColours& colours = *job.colours;
    const bool stereo = job.laneCount > 1;
    // Per lane: background, shade, zero line, waveform and point colours;
    // lanes outside the edit channel are drawn faded into the background.
    struct LaneColours {
        QColor background, shade, axis, wave, point;
    } laneColours[2];
    for (int i = 0; i < job.laneCount && i < 2; ++i) {
        const QColor& bg = colours.role[kColourBackground];
        const bool dim = stereo && !(job.editChannels & (1u << job.lanes[i].channel));
        auto fade = [&](const QColor& c) { return dim ? MixColours(c, bg, 0.45) : c; };
        laneColours[i] = {
            bg, fade(MixColours(bg, colours.role[kColourSelection], job.shadeAlpha / 255.0)),
            fade(colours.role[kColourAxis]), fade(colours.role[kColourWaveform]),
            fade(colours.role[kColourPoint])};
        if (dim) laneColours[i].background = MixColours(bg, colours.role[kColourLabels], 0.06);
    }
    {
        QPainter painter(&image);
        const double height = image.height() / image.devicePixelRatio();
        painter.setClipRect(QRectF(x0, 0, x1 - x0, height));
        painter.fillRect(QRectF(x0, 0, x1 - x0, height), colours.role[kColourBackground]);
        for (int i = 0; i < job.laneCount; ++i) {
            const Lane& lane = job.lanes[i];
            const LaneColours& lc = laneColours[i];
            painter.fillRect(QRectF(x0, lane.rect.top(), x1 - x0, lane.rect.height()),
                             lc.background);
            if (job.shade.channels & (1u << lane.channel)) {
                double s0 = job.mapping.XForFrameExact(job.shade.start);
                double s1 = job.mapping.XForFrameExact(double(job.shade.start) + job.shade.length);
                if (s1 - s0 < 1) s1 = s0 + 1;  // narrower than a pixel, or a cursor: one column
                s0 = std::max(s0, double(x0));
                s1 = std::min(s1, double(x1));
                if (s1 > s0)
                    painter.fillRect(QRectF(s0, lane.rect.top(), s1 - s0, lane.rect.height()),
                                     lc.shade);
            }
            const LevelMapping level =
                LevelMapping::For(*job.record, lane.rect.top(), lane.rect.height());
            const double y = std::floor(level.YForValue(0.0)) + 0.5;
            painter.setPen(QPen(lc.axis, 0));
            if (y >= lane.rect.top() && y <= lane.rect.bottom())
                painter.drawLine(QPointF(x0, y), QPointF(x1, y));
        }
        // No antialiasing: a strip repainted alone must match a whole repaint
        // pixel for pixel (and it is cheaper).
        if (job.mapping.SampleLevel() && WaveHasData(job.record))
            for (int i = 0; i < job.laneCount; ++i)
                PaintSamplePoints(painter, job, job.lanes[i], x0, x1, laneColours[i].wave,
                                  laneColours[i].point);
    }
    if (!job.mapping.SampleLevel() && WaveHasData(job.record))
        for (int i = 0; i < job.laneCount; ++i)
            PaintMinMaxColumns(image, job, job.lanes[i], x0, x1, laneColours[i].wave);
}

}  // namespace ob
