// An editor window: the widget inside one multiple-document sub-window that
// owns one editor slot (and so one WaveRecord) for its whole life, shows it
// through the waveform view, keeps its title as the record says and asks
// about unsaved changes before it closes.
#pragma once

#include <QWidget>

#include "wave/change_notice.h"

namespace ob {

struct WaveRecord;

class EditorWindow : public QWidget, public ChangeObserver {
    Q_OBJECT
  public:
    // Takes editor slot `number` (already created with CreateEditor).
    EditorWindow(int number, QWidget* parent = nullptr);
    ~EditorWindow() override;

    int Number() const { return number_; }
    WaveRecord* Record() const;
    QWidget* View() const { return view_; }
    // Makes a new view for the record (after a wave was loaded into it).
    void RebuildView();
    // Sets the window title from the record (TitleOf) with the changed mark.
    void RefreshTitle();
    // The save question before the wave is forgotten: true to go on (saved,
    // or the user chose not to save), false for Cancel or a failed save.
    bool ConfirmForget();

    void OnChange(const ChangeNotice& notice) override;

  signals:
    void recordChanged(int number, unsigned what);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    int number_;
    QWidget* view_ = nullptr;
};

}  // namespace ob
