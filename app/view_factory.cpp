// The waveform view of an editor window, with the configured colours and its
// readout going to the frame's status bar.
#include "app/view_factory.h"

#include "app/editor_view.h"
#include "app/main_frame.h"
#include "script/settings_store.h"
#include "wave/wave_record.h"

namespace ob {

void ApplyShellColours(EditorView* view) {
    static_assert(kColourCount == kColourRoles, "the settings hold one word per colour role");
    const ViewColours colours = ViewColours::FromWords(gShellSettings.colours);
    view->SetColors(colours.role);
}

QWidget* CreateWaveView(WaveRecord* record, QWidget* parent) {
    auto* view = new EditorView(record, parent);
    view->setObjectName("waveView");
    ApplyShellColours(view);
    QObject::connect(view, &EditorView::readoutChanged, view, [](const QString& text) {
        if (MainFrame* frame = MainFrame::Instance()) frame->SetReadout(text);
    });
    return view;
}

}  // namespace ob
