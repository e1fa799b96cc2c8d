// The Interactive Loop Window: a tool window that shows a loop's end and
// start joined at the splice, zoomed to sample level, with nudge buttons for
// each loop point, a zero-crossing snap for each, and looped playback of the
// loop that follows every change while it plays.
#pragma once

#include <QWidget>
#include <memory>

#include "wave/change_notice.h"
#include "wave/wave_record.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace ob {

struct LoopPlayState;

// The splice drawing: `span` frames before the loop end (end included) on
// the left, `span` frames from the loop start on the right.
class SpliceView : public QWidget {
    Q_OBJECT
  public:
    explicit SpliceView(QWidget* parent = nullptr);
    void Show(const WaveRecord* record, int loopId, int span);
    QSize sizeHint() const override { return QSize(480, 220); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const WaveRecord* record_ = nullptr;
    int loopId_ = -1;
    int span_ = 32;
};

class LoopWindow : public QWidget, public ChangeObserver {
    Q_OBJECT
  public:
    LoopWindow(WaveRecord* record, QWidget* parent = nullptr);
    ~LoopWindow() override;

    WaveRecord* Record() const { return record_; }
    int LoopId() const { return loopId_; }
    void SelectLoop(int id);
    // Moves the start (or end) by `frames`; refused when it would reach the
    // other end or leave the wave.
    bool Nudge(bool start, int frames);
    // Moves the start (or end) to the nearest zero crossing; false when the
    // loop would collapse or the wave has none.
    bool SnapToZero(bool start);
    void TogglePlay();
    bool Playing() const;
    SpliceView* Splice() const { return splice_; }

    void OnChange(const ChangeNotice& notice) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    LoopNode* Loop() const;
    void Refill();
    void Refresh();
    void Changed();
    void StopPlaying();

    WaveRecord* record_;
    int loopId_ = -1;
    QComboBox* loops_;
    QSpinBox* span_;
    SpliceView* splice_;
    QLabel* readout_;
    QPushButton* play_;
    std::shared_ptr<LoopPlayState> play_state_;
    bool updating_ = false;
};

// Opens (or raises) the loop window of `record`, choosing its sustain loop
// or else its first loop; reports when the wave has no loop.
LoopWindow* ShowLoopWindow(QWidget* parent, WaveRecord* record);
// The loop window open now, or null.
LoopWindow* CurrentLoopWindow();

}  // namespace ob
