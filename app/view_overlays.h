// What the editor view draws over the waveform: the shaded affect area, the
// edit channel, markers 0-9 (and any others) and the loops with their labels.
#pragma once

#include <QPainter>
#include <QRectF>

#include "app/view_mapping.h"
#include "app/view_style.h"
#include "app/wave_painter.h"
#include "wave/wave_record.h"

namespace ob {

// The range the affect area covers now, worked out like AffectRange but
// without correcting the record (drawing must not change it); channels are
// the lanes to shade. An empty range shades nothing.
struct ShadedArea {
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t channels = 0;  // bit 0 left, bit 1 right
};
ShadedArea AffectAreaShown(const WaveRecord& record, uint16_t affectArea, uint32_t editChannel,
                           int viewWidth);

struct OverlayJob {
    const WaveRecord* record = nullptr;
    ViewMapping mapping;
    const Lane* lanes = nullptr;  // in painter coordinates
    int laneCount = 0;
    double originX = 0;  // painter x of mapping x 0
    const ViewColours* colours = nullptr;
    uint16_t affectArea = kAffectAll;
    uint32_t editChannel = kEditLeftRight;
    int viewWidth = 0;
};

void PaintAffectArea(QPainter& painter, const OverlayJob& job);
void PaintEditChannel(QPainter& painter, const OverlayJob& job);
// Lines through the lanes, labels in `labelStrip` (the time ruler).
void PaintMarkersAndLoops(QPainter& painter, const OverlayJob& job, const QRectF& labelStrip);

// The readout prefix of an affect area ("All ", "In View ", "Mark01 ", "Mouse ").
const char* AffectAreaPrefix(uint16_t affectArea);

}  // namespace ob
