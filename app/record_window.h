// The Record command and the "Record" window: the transport (go to start,
// end and an offset, play back, stop, record, monitor), the peak meters
// with their held peaks, the readouts and Auto-Load. The window drives the
// recorder (audio/recorder.h) and shows its state every 50 ms.
#pragma once

#include <QDialog>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ob {

class EditorWindow;
class MainFrame;
struct WaveRecord;

// One meter bar: a linear scale of 0..32767 over the height less 16 pixels,
// green (0, 200, 0) up to 29203 (-1 dB), red above, grey (200, 200, 200) for
// the rest.
class LevelMeter : public QWidget {
    Q_OBJECT
  public:
    explicit LevelMeter(QWidget* parent);
    void SetValue(int value);
    int Value() const { return value_; }
    QSize sizeHint() const override { return QSize(18, 180); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int value_ = 0;
};
constexpr int kMeterClipLevel = 29203;

class RecordWindow : public QDialog {
    Q_OBJECT
  public:
    // Opens the recorder for `record` (a failure is reported; Opened() is
    // then false and the window must not be shown).
    RecordWindow(QWidget* parent, WaveRecord* record);
    ~RecordWindow() override;
    bool Opened() const { return opened_; }
    // Reads the recorder's state into the controls (every 50 ms).
    void Refresh();
    // Completes the file (and loads it with Auto-Load); true when loaded.
    bool Loaded() const { return loaded_; }

  protected:
    void done(int result) override;

  private:
    void Play();
    void GoToOffset();

    WaveRecord* record_ = nullptr;
    bool opened_ = false;
    bool closed_ = false;
    bool loaded_ = false;
    QTimer timer_;
    QLabel* position_ = nullptr;
    QLabel* size_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* error_ = nullptr;
    QLineEdit* offset_ = nullptr;
    QPushButton* monitor_ = nullptr;
    QCheckBox* autoLoad_ = nullptr;
    LevelMeter* meters_[4] = {};  // L, R, L Peak, R Peak
};

// The question for the recording's file ("Record Sound File As:", filter
// "WAVE (*.wav)"): the path, or empty for Cancel. Tests replace it.
using RecordPathQuestion = QString (*)(QWidget* parent);
QString AskRecordPath(QWidget* parent);
extern RecordPathQuestion gAskRecordPath;

// The editor menu's Record: stops playback, asks before deleting a wave,
// asks for the file ("Record Sound File As:"), runs the record window under
// its guard and shows a loaded recording in the editor.
void RecordCommand(MainFrame* frame, EditorWindow* editor);

}  // namespace ob
