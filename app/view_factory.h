// The one place that makes the waveform view of an editor window.
#pragma once

class QWidget;

namespace ob {

struct WaveRecord;

class EditorView;

// The view drawing `record` inside `parent` (an EditorView). It offers the
// slots ZoomIn, ZoomOut, ShowFull, ZoomToSelection, ZoomLevelIn, ZoomLevelOut,
// ScrollToStart, ScrollToEnd, SetMode(int), Refresh and RenderImage(QSize),
// which the commands call by name.
QWidget* CreateWaveView(WaveRecord* record, QWidget* parent);
// Gives the view the colours of the settings (after Set Colors).
void ApplyShellColours(EditorView* view);

}  // namespace ob
