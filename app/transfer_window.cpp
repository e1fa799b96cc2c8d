// The transfer's progress window and the clock of transfers in the window.
#include "app/transfer_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <thread>

namespace ob {

namespace {

constexpr int64_t kEventSliceMs = 10;  // longest pause between two looks at the window's events

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TransferProgressDialog::TransferProgressDialog(QWidget* parent, const QString& caption,
                                               const QString& text,
                                               UserInterface::TransferAbort abort, void* data)
    : QDialog(parent), abort_(abort), data_(data) {
    setObjectName("transferProgress");
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    setCursor(Qt::ArrowCursor);
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(text, this);
    text_->setObjectName("transferText");
    layout->addWidget(text_);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("transferBar");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setMinimumWidth(320);
    layout->addWidget(bar_);
    auto* buttons = new QDialogButtonBox(this);
    abortButton_ = buttons->addButton("&Abort", QDialogButtonBox::RejectRole);
    abortButton_->setObjectName("abortTransfer");
    connect(abortButton_, &QPushButton::clicked, this, [this] { Abort(); });
    layout->addWidget(buttons);
}

void TransferProgressDialog::SetPercent(int percent) {
    bar_->setValue(std::clamp(percent, 0, 100));
}

void TransferProgressDialog::Abort() {
    if (aborted_) return;
    aborted_ = true;
    abortButton_->setEnabled(false);
    text_->setText("Aborting...");
    if (abort_) abort_(data_);
}

void TransferProgressDialog::reject() {
    Abort();
}

void TransferProgressDialog::closeEvent(QCloseEvent* event) {
    // Only the transfer closes the window (it hides it when it ends).
    if (isVisible() && !aborted_) Abort();
    event->ignore();
}

int64_t WindowTransferClock::NowMs() {
    return SteadyMs();
}

void WindowTransferClock::WaitPosted(TransferEventQueue& queue, uint64_t seen, int64_t untilMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (queue.Generation() != seen) return;
    const int64_t now = SteadyMs();
    if (now >= untilMs) return;
    const int64_t slice = std::min(untilMs - now, kEventSliceMs);
    queue.WaitPosted(seen, std::chrono::steady_clock::now() + std::chrono::milliseconds(slice));
}

void WindowTransferClock::Sleep(int64_t ms) {
    const int64_t until = SteadyMs() + ms;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const int64_t now = SteadyMs();
        if (now >= until) return;
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min(until - now, kEventSliceMs)));
    }
}

}  // namespace ob
