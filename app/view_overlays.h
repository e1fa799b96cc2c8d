// The affect area an editor view shades (the lanes' painter draws the shade
// under the waveform), and what it draws over the waveform: markers 0-9 (and
// any others) and the loops with their labels.
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

// The shade's opacity for an affect area (All, the usual case, stays light).
int AffectShadeAlpha(uint16_t affectArea);
// Lines through the lanes, labels in `labelStrip` (the time ruler).
void PaintMarkersAndLoops(QPainter& painter, const OverlayJob& job, const QRectF& labelStrip);

// The markers the view draws and lets the mouse drag: none while Marker Show
// is off (the record keeps them all the same).
inline const MarkerNode* ShownMarkers(const WaveRecord& record) {
    return (record.displayOptions & kViewHideMarkers) ? nullptr : record.markers;
}

// The readout prefix of an affect area ("All ", "In View ", "Mark01 ", "Mouse ").
const char* AffectAreaPrefix(uint16_t affectArea);

}  // namespace ob
