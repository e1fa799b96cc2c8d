// Where the parts of an editor view go for a given size: overview strip, time
// ruler (tick labels above, marker and loop flags below), one lane per channel
// with its level ruler on the left, and the edit status line.
#pragma once

#include <QRectF>
#include <QSizeF>

#include "app/view_style.h"
#include "app/wave_painter.h"
#include "wave/wave_record.h"

namespace ob {

struct ViewLayout {
    QRectF overview;    // empty when the Overview option is off
    QRectF timeRuler;   // above the lanes, as wide as they are
    QRectF flagStrip;   // lower half of the time ruler: marker and loop labels
    QRectF lanesArea;   // every lane, with the gaps between them
    QRectF editStatus;  // empty when the Edit Status option is off
    QRectF levelRulers[2];
    Lane lanes[2];  // in view coordinates
    int laneCount = 1;
};

constexpr double kLevelRulerWidth = 52;
constexpr double kOverviewHeight = 30;
constexpr double kTimeRulerHeight = 34;
constexpr double kEditStatusHeight = 18;
constexpr double kLaneGap = 3;

inline ViewLayout ComputeViewLayout(const QSizeF& size, const WaveRecord& record) {
    ViewLayout l;
    double y = 0;
    const double lanesLeft = kLevelRulerWidth;
    const double lanesWidth = std::max(0.0, size.width() - lanesLeft);
    if (record.displayOptions & kViewOverview) {
        l.overview = QRectF(lanesLeft, 0, lanesWidth, kOverviewHeight);
        y += kOverviewHeight + 2;
    }
    l.timeRuler = QRectF(lanesLeft, y, lanesWidth, kTimeRulerHeight);
    l.flagStrip = QRectF(lanesLeft, y + kTimeRulerHeight / 2, lanesWidth, kTimeRulerHeight / 2 - 1);
    y += kTimeRulerHeight;
    double bottom = size.height();
    if (record.displayOptions & kViewEditStatus) {
        l.editStatus = QRectF(0, bottom - kEditStatusHeight, size.width(), kEditStatusHeight);
        bottom -= kEditStatusHeight;
    }
    l.lanesArea = QRectF(lanesLeft, y, lanesWidth, std::max(0.0, bottom - y));
    l.laneCount = record.rightSamples ? 2 : 1;
    const double laneHeight =
        std::max(0.0, (l.lanesArea.height() - kLaneGap * (l.laneCount - 1)) / l.laneCount);
    for (int i = 0; i < l.laneCount; ++i) {
        const double top = y + i * (laneHeight + kLaneGap);
        l.lanes[i].rect = QRectF(lanesLeft, top, lanesWidth, laneHeight);
        l.lanes[i].channel = i;
        l.levelRulers[i] = QRectF(0, top, kLevelRulerWidth, laneHeight);
    }
    return l;
}

}  // namespace ob
