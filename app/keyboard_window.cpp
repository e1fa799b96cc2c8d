// The MIDI keyboard window.
#include "app/keyboard_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "audio/note_input.h"
#include "audio/player.h"
#include "script/host_state.h"
#include "wave/record_report.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

KeyboardWindow* gKeyboard = nullptr;

constexpr int kWhiteWidth = 16;
constexpr int kWhiteHeight = 90;
constexpr int kBlackWidth = 10;
constexpr int kBlackHeight = 56;

bool IsBlack(int key) {
    const int n = key % 12;
    return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
}
// White keys before `key`.
int WhiteIndex(int key) {
    static const int kWhitesBefore[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
    return key / 12 * 7 + kWhitesBefore[key % 12];
}
const char* const kNoteNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                    "F#", "G",  "G#", "A",  "A#", "B"};

QString KeyName(int key) {
    return QString("%1%2").arg(kNoteNames[key % 12]).arg(key / 12 - 1);
}

}  // namespace

// ---- PianoKeys ----

PianoKeys::PianoKeys(QWidget* parent) : QWidget(parent) {
    setObjectName("pianoKeys");
    setFixedSize(sizeHint());
}

QSize PianoKeys::sizeHint() const {
    return QSize((WhiteIndex(127) + 1) * kWhiteWidth + 1, kWhiteHeight + 1);
}

QRect PianoKeys::KeyRect(int key) const {
    if (key < 0 || key > 127) return QRect();
    if (IsBlack(key))
        return QRect(WhiteIndex(key) * kWhiteWidth - kBlackWidth / 2, 0, kBlackWidth, kBlackHeight);
    return QRect(WhiteIndex(key) * kWhiteWidth, 0, kWhiteWidth, kWhiteHeight);
}

int PianoKeys::KeyAt(QPointF pos) const {
    // Black keys lie over the white ones.
    for (int key = 0; key < 128; ++key)
        if (IsBlack(key) && KeyRect(key).contains(pos.toPoint())) return key;
    for (int key = 0; key < 128; ++key)
        if (!IsBlack(key) && KeyRect(key).contains(pos.toPoint())) return key;
    return -1;
}

void PianoKeys::ShowKeyMap(int low, int high, int root) {
    low_ = low;
    high_ = high;
    root_ = root;
    update();
}

void PianoKeys::SetHeld(int key) {
    if (key == held_) return;
    held_ = key;
    update();
}

void PianoKeys::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor held(90, 150, 230);
    const QColor rootMark(230, 120, 40);
    for (int pass = 0; pass < 2; ++pass)
        for (int key = 0; key < 128; ++key) {
            if (IsBlack(key) != (pass == 1)) continue;
            const QRect r = KeyRect(key);
            const bool sounds = key >= low_ && key <= high_;
            QColor fill = IsBlack(key) ? (sounds ? QColor(20, 20, 20) : QColor(110, 110, 110))
                                       : (sounds ? QColor(255, 255, 255) : QColor(190, 190, 190));
            if (key == held_) fill = held;
            painter.setPen(QColor(40, 40, 40));
            painter.setBrush(fill);
            painter.drawRect(r);
            if (key == root_) {
                painter.setBrush(rootMark);
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(QPoint(r.center().x(), r.bottom() - 8), 4, 4);
            }
            if (!IsBlack(key) && key % 12 == 0) {
                painter.setPen(QColor(60, 60, 60));
                QFont small = painter.font();
                small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.7));
                painter.setFont(small);
                painter.drawText(r.adjusted(0, 0, 0, -16), Qt::AlignHCenter | Qt::AlignBottom,
                                 KeyName(key));
            }
        }
}

void PianoKeys::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    mouseKey_ = KeyAt(event->position());
    if (mouseKey_ >= 0) emit pressed(mouseKey_);
}

void PianoKeys::mouseMoveEvent(QMouseEvent* event) {
    if (mouseKey_ < 0 || !(event->buttons() & Qt::LeftButton)) return;
    // Gliding over the keys plays each one in turn.
    const int key = KeyAt(event->position());
    if (key == mouseKey_ || key < 0) return;
    emit released(mouseKey_);
    mouseKey_ = key;
    emit pressed(key);
}

void PianoKeys::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || mouseKey_ < 0) return;
    emit released(mouseKey_);
    mouseKey_ = -1;
}

// ---- KeyboardWindow ----

KeyboardWindow::KeyboardWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    gKeyboard = this;
    setObjectName("keyboardWindow");
    setWindowTitle("MIDI Keyboard");
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    keys_ = new PianoKeys(this);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(keys_);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setMinimumHeight(keys_->height() +
                              scroll_->horizontalScrollBar()->sizeHint().height() + 4);
    sound_ = new QLabel(this);
    sound_->setObjectName("keyboardSound");
    input_ = new QLabel(this);
    input_->setObjectName("keyboardInput");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sound_);
    layout->addWidget(scroll_);
    layout->addWidget(input_);
    resize(720, sizeHint().height());
    connect(keys_, &PianoKeys::pressed, this, [this](int key) { NoteOn(key); });
    connect(keys_, &PianoKeys::released, this, [this](int key) { NoteOff(key); });

    port_ = std::make_unique<NoteInputPort>();
    std::string error;
    const bool open = port_->Open(
        [this](const NoteEvent& event) {
            // On the port's thread: the window plays the note on the main thread.
            QMetaObject::invokeMethod(
                this, [this, event] { event.on ? (void)NoteOn(event.key) : NoteOff(event.key); },
                Qt::QueuedConnection);
        },
        &error);
    input_->setText(open ? QString("MIDI input: Sample Orbick:Keyboard (%1)").arg(InputAddress())
                         : QString("MIDI input: %1").arg(QString::fromStdString(error)));
    RefreshKeyMap();
}

KeyboardWindow::~KeyboardWindow() {
    port_->Close();  // no note arrives after this
    if (held_ >= 0) ReleaseNote();
    if (gKeyboard == this) gKeyboard = nullptr;
}

KeyboardWindow* KeyboardWindow::Instance() {
    return gKeyboard;
}

QString KeyboardWindow::InputAddress() const {
    return QString::fromStdString(port_->Address());
}

WaveRecord* KeyboardWindow::ActiveRecord() const {
    return gActiveEditor >= 1 && gActiveEditor < kEditorSlots ? gEditorSlots[gActiveEditor]
                                                              : nullptr;
}

void KeyboardWindow::RefreshKeyMap() {
    WaveRecord* record = ActiveRecord();
    if (!WaveHasData(record)) {
        sound_->setText("No sound in the active editor.");
        keys_->ShowKeyMap(1, 0, -1);
        return;
    }
    sound_->setText(QString("%1:  root %2, keys %3 to %4")
                        .arg(QString::fromStdString(TitleOf(*record)), KeyName(record->keyRoot),
                             KeyName(record->keyLow), KeyName(record->keyHigh)));
    keys_->ShowKeyMap(record->keyLow, record->keyHigh, record->keyRoot);
    scroll_->ensureVisible(keys_->KeyRect(record->keyRoot).center().x(), 0, width() / 2, 0);
}

int KeyboardWindow::NoteOn(int key) {
    RefreshKeyMap();
    WaveRecord* record = ActiveRecord();
    if (!WaveHasData(record)) return kPlayBadRange;
    const int result = PlayNote(*record, key);
    if (result == kPlayOk) {
        held_ = key;
        keys_->SetHeld(key);
    } else if (result != kNoteOutsideKeyRange) {
        ReportMessage(*record, PlayResultText(result));
    }
    return result;
}

void KeyboardWindow::NoteOff(int key) {
    if (key != held_) return;
    ReleaseNote();
    held_ = -1;
    keys_->SetHeld(-1);
}

int KeyboardWindow::KeyForText(const QString& text) const {
    // Two rows of the computer keyboard, as trackers and soft synths lay them out.
    static const QString kLower = "zsxdcvgbhnjm,";
    static const QString kUpper = "q2w3er5t6y7ui";
    if (text.size() != 1) return -1;
    WaveRecord* record = ActiveRecord();
    const int base = (record ? record->keyRoot : 60) / 12 * 12;
    const QChar c = text.at(0).toLower();
    int i = kLower.indexOf(c);
    if (i >= 0) return std::min(base + i, 127);
    i = kUpper.indexOf(c);
    if (i >= 0) return std::min(base + 12 + i, 127);
    return -1;
}

void KeyboardWindow::keyPressEvent(QKeyEvent* event) {
    const int key = KeyForText(event->text());
    if (key < 0) return QWidget::keyPressEvent(event);
    if (!event->isAutoRepeat()) NoteOn(key);
}

void KeyboardWindow::keyReleaseEvent(QKeyEvent* event) {
    const int key = KeyForText(event->text());
    if (key < 0) return QWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) NoteOff(key);
}

void KeyboardWindow::closeEvent(QCloseEvent* event) {
    if (held_ >= 0) NoteOff(held_);
    QWidget::closeEvent(event);
}

void OpenKeyboardWindow(MainFrame* frame, EditorWindow*) {
    KeyboardWindow* window = KeyboardWindow::Instance();
    if (!window) window = new KeyboardWindow(frame);
    window->RefreshKeyMap();
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace ob
