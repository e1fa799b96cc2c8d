// The window side of a sampler transfer, which runs on the window's thread:
// the modal progress window with its Abort button, and the clock the
// transfer's waits run on, which keeps the windows painting and the Abort
// button answering while the transfer waits for the sampler.
#pragma once

#include <QDialog>

#include "base/user_interface.h"
#include "sampler/transfer_events.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace ob {

// "Sampler Transfer" progress: what runs, a progress bar and Abort. Abort,
// Escape and the close box all abort the transfer (once); the transfer
// closes the window when it ends.
class TransferProgressDialog : public QDialog {
    Q_OBJECT
  public:
    TransferProgressDialog(QWidget* parent, const QString& caption, const QString& text,
                           UserInterface::TransferAbort abort, void* data);
    void SetPercent(int percent);
    bool Aborted() const { return aborted_; }
    QPushButton* AbortButton() const { return abortButton_; }

    void reject() override;  // aborts; the transfer closes the window

  protected:
    void closeEvent(class QCloseEvent* event) override;

  private:
    void Abort();
    UserInterface::TransferAbort abort_;
    void* data_;
    bool aborted_ = false;
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* abortButton_ = nullptr;
};

// Waits that let the window's events run: every few milliseconds, and at
// once when the transfer's queue is posted to.
class WindowTransferClock : public TransferClock {
  public:
    int64_t NowMs() override;
    void WaitPosted(TransferEventQueue& queue, uint64_t seen, int64_t untilMs) override;
    void Sleep(int64_t ms) override;
};

}  // namespace ob
