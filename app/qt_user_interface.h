// The Qt side of the user-interface seam: message boxes, questions, the wait
// pointer, status text and progress bar of the frame, the abort window, and
// the dialogs of the scripting engine. Edits run on the window's thread; the
// progress calls pump the event loop (with user input held back except for
// the abort window) so that the window repaints and Abort works.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "base/user_interface.h"

class QElapsedTimer;

namespace ob {

class MainFrame;

// The small window with "  Click Here To Abort  ": a click sets the abort
// flag and closes it.
class AbortWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AbortWindow(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(class QMouseEvent* event) override;
    void paintEvent(class QPaintEvent* event) override;
};

// Holds back user input (mouse, keys, wheel, drops, close requests) from
// every window but the abort window while an edit runs.
class BusyInputFilter : public QObject {
    Q_OBJECT
  public:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QPointer<QWidget> allowed;
};

class QtUserInterface : public UserInterface {
  public:
    explicit QtUserInterface(MainFrame* frame);
    ~QtUserInterface() override;

    void SetWaitPointer(WaveRecord* record, bool on) override;
    void SetStatusText(const std::string& text) override;
    void SetProgressBar(int percent) override;
    void StartAbortWindow(WaveRecord* record) override;
    void StopAbortWindow() override;
    void StartTransferWindow(WaveRecord* record, const std::string& text, TransferAbort abort,
                             void* data) override;
    void StopTransferWindow() override;
    // The open transfer window (null when no transfer runs).
    class TransferProgressDialog* TransferWindow() const;
    void MessageBox(void* owner, const std::string& caption, const std::string& text) override;
    QuestionAnswer Ask(void* owner, const std::string& caption, const std::string& text,
                       QuestionButtons buttons, QuestionAnswer nonInteractive) override;

    bool HasScriptDialogs() const override { return true; }
    int ScriptMessageBox(const std::string& text, int type, const std::string& title) override;
    bool InputBox(const std::string& prompt, const std::string& title,
                  const std::string& defaultText, std::string& text) override;
    void Beep() override;

    // Lets queued paint and timer events run (at most every 30 ms).
    void PumpEvents(bool force = false);
    bool Busy() const { return busyDepth_ > 0; }

  private:
    QWidget* OwnerWidget(void* owner) const;
    MainFrame* frame_;
    int busyDepth_ = 0;
    BusyInputFilter filter_;
    QPointer<AbortWindow> abortWindow_;
    QPointer<QWidget> transferWindow_;
    QElapsedTimer* lastPump_;
};

}  // namespace ob
