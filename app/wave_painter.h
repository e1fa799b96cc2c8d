// Draws the channel lanes of an editor view: background, zero line and the
// waveform, as min/max columns from the peak overview or the samples when
// zoomed out, and as sample points joined by lines at sample level. Works on
// any column range, so the view's pixel cache repaints only what changed.
#pragma once

#include <QImage>
#include <QRectF>

#include "app/view_mapping.h"
#include "app/view_style.h"
#include "wave/wave_record.h"

namespace ob {

struct Lane {
    QRectF rect;      // in the image's logical coordinates
    int channel = 0;  // 0 left (or mono), 1 right
};

// The frames the affect area covers on which channels (bit 0 left, bit 1
// right); length 0 with channels set is a cursor position.
struct ShadedArea {
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t channels = 0;
};

struct WavePaintJob {
    const WaveRecord* record = nullptr;
    ViewMapping mapping;  // x = 0 is the image's left edge
    const Lane* lanes = nullptr;
    int laneCount = 0;
    const ViewColours* colours = nullptr;
    bool colourPoints = false;  // sample points in the Color Point colour
    // Drawn under the waveform, opaque, so the cache holds them and a paint
    // blends nothing: the affect area's shade and the lanes outside the edit
    // channel, dimmed.
    ShadedArea shade;
    int shadeAlpha = 70;  // 0..255, the selection colour over the background
    uint32_t editChannels = 3;
};

// `a` mixed with `b` by t (0..1).
QColor MixColours(const QColor& a, const QColor& b, double t);

// Paints logical columns x0 .. x1 - 1 of `image` (ARGB32 premultiplied, with
// its device pixel ratio set); everything outside those columns stays.
void PaintWaveColumns(QImage& image, const WavePaintJob& job, int x0, int x1);

// Minimum and maximum of one channel over frames first .. last (inclusive),
// from the overview when whole blocks are asked for and it is present.
void ChannelMinMax(const WaveRecord& record, int channel, uint32_t first, uint32_t last,
                   float& minimum, float& maximum);
// The extremes a waveform column of frames first..last is drawn with: those
// of ChannelMinMax, except that a column of at least 64 overview blocks takes
// the blocks its ends fall in whole (a peak at most 199 frames beyond a
// column that wide cannot be seen, and the ragged ends would cost two
// scattered reads of the samples per column).
void ColumnMinMax(const WaveRecord& record, int channel, uint32_t first, uint32_t last,
                  float& minimum, float& maximum);

}  // namespace ob
