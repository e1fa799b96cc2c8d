// The Qt user interface of the editor core.
#include "app/qt_user_interface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/transfer_window.h"
#include "base/progress.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A message text as the core writes it, with its trailing line feed dropped.
QString MessageText(const std::string& text) {
    QString out = Q(text);
    while (out.endsWith('\n')) out.chop(1);
    return out;
}

}  // namespace

// A dialog shown while an edit runs takes input as usual and shows the
// normal pointer.
class DialogScope {
  public:
    DialogScope(bool busy, QObject* filter) : busy_(busy), filter_(filter) {
        if (!busy_) return;
        qApp->removeEventFilter(filter_);
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~DialogScope() {
        if (!busy_) return;
        QApplication::restoreOverrideCursor();
        qApp->installEventFilter(filter_);
    }

  private:
    bool busy_;
    QObject* filter_;
};

AbortWindow::AbortWindow(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("abortWindow");
    setWindowTitle("Abort");
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    QFontMetrics metrics(font());
    resize(metrics.horizontalAdvance("  Click Here To Abort  ") + 24, metrics.height() * 3);
}

void AbortWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    RequestAbort();
    close();
}

void AbortWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter, "  Click Here To Abort  ");
}

bool BusyInputFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Drop:
        case QEvent::DragEnter:
        case QEvent::Close: {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && allowed && (widget == allowed || allowed->isAncestorOf(widget)))
                return false;
            if (watched->isWidgetType() || watched->isWindowType()) {
                if (event->type() == QEvent::Close) event->ignore();
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

QtUserInterface::QtUserInterface(MainFrame* frame) : frame_(frame), lastPump_(new QElapsedTimer) {
    lastPump_->start();
}

QtUserInterface::~QtUserInterface() {
    StopAbortWindow();
    StopTransferWindow();
    while (busyDepth_ > 0) SetWaitPointer(nullptr, false);
    delete lastPump_;
}

QWidget* QtUserInterface::OwnerWidget(void* owner) const {
    if (owner) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w == owner) return w;
        WaveRecord* record = RecordOfWindow(owner);
        if (record && record->window) return static_cast<QWidget*>(record->window);
    }
    return frame_;
}

void QtUserInterface::SetWaitPointer(WaveRecord*, bool on) {
    if (on) {
        if (busyDepth_++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            qApp->installEventFilter(&filter_);
        }
    } else if (busyDepth_ > 0) {
        if (--busyDepth_ == 0) {
            qApp->removeEventFilter(&filter_);
            QApplication::restoreOverrideCursor();
        }
    }
}

void QtUserInterface::SetStatusText(const std::string& text) {
    if (frame_) frame_->SetStatusText(Q(text));
    PumpEvents();
}

void QtUserInterface::SetProgressBar(int percent) {
    if (frame_) frame_->SetProgress(percent);
    if (TransferProgressDialog* window = TransferWindow()) window->SetPercent(percent);
    PumpEvents();
}

void QtUserInterface::PumpEvents(bool force) {
    if (!force && lastPump_->elapsed() < 30) return;
    lastPump_->restart();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void QtUserInterface::StartAbortWindow(WaveRecord* record) {
    if (abortWindow_) return;  // only one at a time
    auto* window = new AbortWindow(frame_);
    QWidget* editor = record && record->window ? static_cast<QWidget*>(record->window) : frame_;
    if (editor) window->move(editor->mapToGlobal(QPoint(20, 20)));
    window->show();
    window->raise();
    abortWindow_ = window;
    filter_.allowed = window;
    PumpEvents(true);
}

void QtUserInterface::StopAbortWindow() {
    if (abortWindow_) abortWindow_->close();
    abortWindow_ = nullptr;
    filter_.allowed = nullptr;
}

void QtUserInterface::StartTransferWindow(WaveRecord* record, const std::string& text,
                                          TransferAbort abort, void* data) {
    StopTransferWindow();  // only one at a time
    QWidget* owner = record && record->window ? static_cast<QWidget*>(record->window) : frame_;
    QString caption = record ? Q(TitleOf(*record)) : QString("Sampler Transfer");
    auto* window = new TransferProgressDialog(owner ? owner->window() : nullptr, caption, Q(text),
                                              abort, data);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    window->raise();
    transferWindow_ = window;
    filter_.allowed = window;
    PumpEvents(true);
}

void QtUserInterface::StopTransferWindow() {
    if (transferWindow_) {
        transferWindow_->hide();
        transferWindow_->deleteLater();
    }
    transferWindow_ = nullptr;
    if (!abortWindow_) filter_.allowed = nullptr;
}

TransferProgressDialog* QtUserInterface::TransferWindow() const {
    return qobject_cast<TransferProgressDialog*>(transferWindow_.data());
}

void QtUserInterface::MessageBox(void* owner, const std::string& caption, const std::string& text) {
    DialogScope scope(Busy(), &filter_);
    QMessageBox box(QMessageBox::Warning, Q(caption), MessageText(text), QMessageBox::Ok,
                    OwnerWidget(owner));
    box.exec();
}

QuestionAnswer QtUserInterface::Ask(void* owner, const std::string& caption,
                                    const std::string& text, QuestionButtons buttons,
                                    QuestionAnswer) {
    DialogScope scope(Busy(), &filter_);
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == kButtonsYesNoCancel) set |= QMessageBox::Cancel;
    if (buttons == kButtonsOkCancel) set = QMessageBox::Ok | QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, Q(caption), MessageText(text), set, OwnerWidget(owner));
    switch (box.exec()) {
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        case QMessageBox::Ok:
            return kAnswerOk;
        default:
            return kAnswerCancel;
    }
}

int QtUserInterface::ScriptMessageBox(const std::string& text, int type, const std::string& title) {
    DialogScope scope(Busy(), &filter_);
    QMessageBox box(OwnerWidget(nullptr));
    box.setWindowTitle(title.empty() ? QString("Sample Orbick") : Q(title));
    box.setText(Q(text));
    switch (type & 0x70) {
        case 16:
            box.setIcon(QMessageBox::Critical);
            break;
        case 32:
            box.setIcon(QMessageBox::Question);
            break;
        case 48:
            box.setIcon(QMessageBox::Warning);
            break;
        case 64:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    // Button sets of the MsgBox styles, with the codes they return.
    struct Button {
        QMessageBox::StandardButton button;
        int code;
    };
    std::vector<Button> set;
    switch (type & 0x0f) {
        case 1:
            set = {{QMessageBox::Ok, 1}, {QMessageBox::Cancel, 2}};
            break;
        case 2:
            set = {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}};
            break;
        case 3:
            set = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, 2}};
            break;
        case 4:
            set = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}};
            break;
        case 5:
            set = {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, 2}};
            break;
        default:
            set = {{QMessageBox::Ok, 1}};
            break;
    }
    for (const Button& b : set) box.addButton(b.button);
    size_t defaultIndex = size_t((type & 0x300) >> 8);
    if (defaultIndex < set.size()) box.setDefaultButton(set[defaultIndex].button);
    int pressed = box.exec();
    for (const Button& b : set)
        if (b.button == pressed) return b.code;
    // Closed without a button: Cancel where there is one, else the first.
    for (const Button& b : set)
        if (b.code == 2) return 2;
    return set.front().code;
}

bool QtUserInterface::InputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText, std::string& text) {
    DialogScope scope(Busy(), &filter_);
    bool ok = false;
    QString answer = QInputDialog::getText(OwnerWidget(nullptr), Q(title), Q(prompt),
                                           QLineEdit::Normal, Q(defaultText), &ok);
    if (ok) text = answer.toStdString();
    return ok;
}

void QtUserInterface::Beep() {
    QApplication::beep();
}

}  // namespace ob
