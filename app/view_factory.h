// The one place that makes the waveform view of an editor window.
#pragma once

class QWidget;

namespace ob {

struct WaveRecord;

// The view drawing `record` inside `parent`. It offers the slots ZoomIn,
// ZoomOut, ShowFull, ZoomToSelection, ZoomLevelIn, ZoomLevelOut,
// ScrollToStart, ScrollToEnd, SetMode(int) and RenderImage(QSize), which the
// commands call by name.
QWidget* CreateWaveView(WaveRecord* record, QWidget* parent);

}  // namespace ob
