// The editor window.
#include "app/editor_window.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "app/editor_view.h"
#include "app/main_frame.h"
#include "app/view_factory.h"
#include "base/user_interface.h"
#include "script/host_state.h"
#include "wave/wave_record.h"

namespace ob {

namespace {
constexpr const char* kForgetQuestion =
    "WARNING: This procedure will forget the\ncurrent sound, which has not been saved.\n\n"
    "Select YES to Save the current sound and continue,\nSelect NO to continue without "
    "saving,\nSelect CANCEL to abort this procedure.";
}

EditorWindow::EditorWindow(int number, QWidget* parent) : QWidget(parent), number_(number) {
    setObjectName(QString("editor%1").arg(number));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (WaveRecord* record = Record()) record->window = this;
    RebuildView();
    RefreshTitle();
    AddChangeObserver(this);
}

EditorWindow::~EditorWindow() {
    RemoveChangeObserver(this);
    WaveRecord* record = Record();
    if (record) {
        NotifyChange(record, kChangeClosed);
        record->window = nullptr;
    }
    CloseEditor(number_);
    ActivateAfterClose();
}

WaveRecord* EditorWindow::Record() const {
    return number_ >= 1 && number_ < kEditorSlots ? gEditorSlots[number_] : nullptr;
}

void EditorWindow::RebuildView() {
    if (view_) {
        layout()->removeWidget(view_);
        delete view_;
    }
    view_ = CreateWaveView(Record(), this);
    layout()->addWidget(view_);
    setFocusProxy(view_);
}

void EditorWindow::RefreshTitle() {
    WaveRecord* record = Record();
    if (!record) return;
    QString title = QString::fromStdString(TitleOf(*record));
    if (record->stateFlags & kStateChanged) title += " *";
    setWindowTitle(title);
}

bool EditorWindow::ConfirmForget() {
    WaveRecord* record = Record();
    if (!record || !WaveHasData(record) || !(record->stateFlags & kStateChanged)) return true;
    QuestionAnswer answer =
        UI().Ask(this, TitleOf(*record), kForgetQuestion, kButtonsYesNoCancel, kAnswerNo);
    if (answer == kAnswerCancel) return false;
    if (answer == kAnswerNo) return true;
    MainFrame* frame = MainFrame::Instance();
    return frame && frame->SaveEditor(this, false);
}

void EditorWindow::OnChange(const ChangeNotice& notice) {
    if (notice.record != Record()) return;
    if (notice.what & (kChangeName | kChangeUndo)) RefreshTitle();
    if ((notice.what & kChangeView) && view_ && view_->objectName() == "waveView")
        ApplyShellColours(static_cast<EditorView*>(view_));  // Set Colors applies to open editors
    if (notice.what & kChangeLength) {
        // A wave that appeared or changed length: the placeholder view shows
        // the new facts (the waveform view observes notices itself).
        if (view_ && view_->objectName() == "placeholderView") RebuildView();
    }
    emit recordChanged(number_, notice.what);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (!ConfirmForget()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace ob
