// The Record command and the record window.
#include "app/record_window.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "audio/player.h"
#include "audio/recorder.h"
#include "base/user_interface.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

QPushButton* Button(QWidget* parent, const char* text, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QString RateText(uint32_t rate) {
    switch (rate) {
        case 11025:
            return "11.025 kHz";
        case 22050:
            return "22.05 kHz";
        case 44100:
            return "44.1 kHz";
        default:
            return QString("%1 Hz").arg(rate);
    }
}

// The dB marks beside the meters, at the heights of their linear values.
class MeterScale : public QWidget {
  public:
    explicit MeterScale(QWidget* parent) : QWidget(parent) { setMinimumWidth(30); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const int h = std::max(1, height() - 16);
        static const int kMarks[7] = {-50, -18, -10, -6, -3, -1, 0};
        for (int db : kMarks) {
            const double v = 32767.0 * std::pow(10.0, db / 20.0);
            const int y = 8 + h - int(v * h / 32767);
            painter.drawText(QRect(0, y - 8, width() - 2, 16), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(db));
        }
    }
};

}  // namespace

// ---- LevelMeter ----

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
    setMinimumSize(14, 120);
}

void LevelMeter::SetValue(int value) {
    value = std::clamp(value, 0, 32767);
    if (value == value_) return;
    value_ = value;
    update();
}

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int scale = std::max(1, height() - 16);
    const int top = 8;  // the scale runs from y = top + scale (0) up to y = top (32767)
    auto yFor = [&](int v) { return top + scale - int(int64_t(v) * scale / 32767); };
    painter.fillRect(QRect(0, top, width(), scale), QColor(200, 200, 200));
    const int yValue = yFor(value_);
    const int yClip = yFor(kMeterClipLevel);
    const int yGreen = std::max(yValue, yClip);
    painter.fillRect(QRect(0, yGreen, width(), top + scale - yGreen), QColor(0, 200, 0));
    if (value_ > kMeterClipLevel)
        painter.fillRect(QRect(0, yValue, width(), yClip - yValue), QColor(255, 0, 0));
}

// ---- RecordWindow ----

RecordWindow::RecordWindow(QWidget* parent, WaveRecord* record) : QDialog(parent), record_(record) {
    setObjectName("recordWindow");
    setWindowTitle("Record");
    auto* close = Button(this, "&Close", "close");
    auto* goStart = Button(this, "Go To &Start", "goToStart");
    auto* goEnd = Button(this, "Go To &End", "goToEnd");
    auto* goOffset = Button(this, "Go To &Offset", "goToOffset");
    offset_ = new QLineEdit("0", this);
    offset_->setObjectName("offset");
    offset_->setValidator(new QIntValidator(0, INT_MAX, offset_));
    auto* play = Button(this, "&Play", "play");
    auto* stop = Button(this, "S&top", "stop");
    auto* recordButton = Button(this, "&Record", "record");
    monitor_ = Button(this, "&Monitor", "monitor");
    monitor_->setCheckable(true);
    auto* resetPeak = Button(this, "Reset Pea&k", "resetPeak");
    autoLoad_ = new QCheckBox("&Auto-Load", this);
    autoLoad_->setObjectName("autoLoad");
    autoLoad_->setChecked(true);
    position_ = new QLabel(this);
    position_->setObjectName("position");
    size_ = new QLabel(this);
    size_->setObjectName("size");
    status_ = new QLabel("Stop", this);
    status_->setObjectName("status");
    QFont big = status_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    status_->setFont(big);
    error_ = new QLabel(this);
    error_->setObjectName("recordError");
    auto* filename = new QLabel(this);
    filename->setObjectName("filename");
    auto* stats = new QLabel(this);
    stats->setObjectName("stats");

    // The meters with their scale.
    auto* meterBox = new QWidget(this);
    auto* meterGrid = new QGridLayout(meterBox);
    static const char* const kMeterNames[4] = {"L", "R", "L Peak", "R Peak"};
    for (int i = 0; i < 4; ++i) {
        meters_[i] = new LevelMeter(meterBox);
        meters_[i]->setObjectName(QString("meter%1").arg(i));
        meterGrid->addWidget(meters_[i], 0, i + 1);
        auto* label = new QLabel(kMeterNames[i], meterBox);
        label->setAlignment(Qt::AlignHCenter);
        meterGrid->addWidget(label, 1, i + 1);
    }
    meterGrid->addWidget(new MeterScale(meterBox), 0, 0);
    meterGrid->addWidget(new QLabel("0 dB = Clipping", meterBox), 2, 0, 1, 5);

    auto* transport = new QGridLayout;
    transport->addWidget(goStart, 0, 0);
    transport->addWidget(goEnd, 0, 1);
    transport->addWidget(goOffset, 0, 2);
    transport->addWidget(offset_, 0, 3);
    transport->addWidget(play, 1, 0);
    transport->addWidget(stop, 1, 1);
    transport->addWidget(recordButton, 1, 2);
    transport->addWidget(monitor_, 1, 3);
    transport->addWidget(resetPeak, 2, 0);
    transport->addWidget(autoLoad_, 2, 1);
    transport->addWidget(close, 2, 3);

    auto* readouts = new QGridLayout;
    readouts->addWidget(new QLabel("Position: ", this), 0, 0);
    readouts->addWidget(position_, 0, 1);
    readouts->addWidget(new QLabel("Size: ", this), 1, 0);
    readouts->addWidget(size_, 1, 1);
    readouts->addWidget(new QLabel("Filename:", this), 2, 0);
    readouts->addWidget(filename, 2, 1);
    readouts->addWidget(new QLabel("Stats:", this), 3, 0);
    readouts->addWidget(stats, 3, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(status_);
    left->addLayout(readouts);
    left->addLayout(transport);
    left->addWidget(error_);
    left->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(meterBox);

    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(goStart, &QPushButton::clicked, this, [this] {
        RecorderGoToStart();
        Refresh();
    });
    connect(goEnd, &QPushButton::clicked, this, [this] {
        RecorderGoToEnd();
        Refresh();
    });
    connect(goOffset, &QPushButton::clicked, this, &RecordWindow::GoToOffset);
    connect(play, &QPushButton::clicked, this, &RecordWindow::Play);
    connect(stop, &QPushButton::clicked, this, [this] {
        RecorderStop();
        Refresh();
    });
    connect(recordButton, &QPushButton::clicked, this, [this] {
        RecorderRecord();
        Refresh();
    });
    connect(monitor_, &QPushButton::toggled, this, [this](bool on) {
        RecorderMonitor(on);
        Refresh();
    });
    connect(resetPeak, &QPushButton::clicked, this, [this] {
        RecorderResetPeak();
        Refresh();
    });
    connect(&timer_, &QTimer::timeout, this, &RecordWindow::Refresh);

    opened_ = record_ && OpenRecorder(*record_) == kRecordOk;
    if (!opened_) {
        // The failure was reported; the still empty file goes.
        CloseRecorder(false);
        closed_ = true;
        return;
    }
    const RecorderView v = RecorderState();
    filename->setText(QString::fromStdString(v.path));
    stats->setText(QString("Stats     Channels: %1     Resolution: %2     Sample Rate: %3")
                       .arg(v.channels == 2 ? "Stereo" : "Mono")
                       .arg(v.highResolution ? "24 bits" : "16 bits")
                       .arg(RateText(v.rate)));
    timer_.start(50);
    Refresh();
}

RecordWindow::~RecordWindow() {
    if (!closed_) CloseRecorder(false);
}

void RecordWindow::Refresh() {
    const RecorderView v = RecorderState();
    if (!v.open) return;
    position_->setText(QString("%1 pts").arg(v.position));
    size_->setText(QString("%1 pts").arg(v.length));
    status_->setText(v.status);
    if (monitor_->isChecked() != v.monitoring) {
        const QSignalBlocker block(monitor_);
        monitor_->setChecked(v.monitoring);
    }
    meters_[0]->SetValue(v.peakLeft);
    meters_[1]->SetValue(v.channels == 2 ? v.peakRight : v.peakLeft);
    meters_[2]->SetValue(v.heldPeakLeft);
    meters_[3]->SetValue(v.channels == 2 ? v.heldPeakRight : v.heldPeakLeft);
    if (v.writeError) {
        error_->setText("Record Error");
        UI().SetStatusText("Record Error");
    }
    const std::string notice = RecorderTakeNotice();
    if (!notice.empty()) ReportMessage(*record_, notice);
}

void RecordWindow::Play() {
    const int result = RecorderPlay();
    if (result != kPlayOk) ReportMessage(*record_, PlayResultText(result));
    Refresh();
}

void RecordWindow::GoToOffset() {
    RecorderGoToOffset(offset_->text().toLongLong());
    Refresh();
}

void RecordWindow::done(int result) {
    if (!closed_) {
        timer_.stop();
        closed_ = true;
        loaded_ = CloseRecorder(autoLoad_->isChecked());
    }
    QDialog::done(result);
}

// ---- The Record command ----

QString AskRecordPath(QWidget* parent) {
    QFileDialog ask(parent, "Record Sound File As:");
    ask.setObjectName("recordFileDialog");
    ask.setOption(QFileDialog::DontUseNativeDialog);
    ask.setAcceptMode(QFileDialog::AcceptSave);
    ask.setNameFilter("WAVE (*.wav)");
    if (ask.exec() != QDialog::Accepted || ask.selectedFiles().isEmpty()) return QString();
    return ask.selectedFiles().first();
}

RecordPathQuestion gAskRecordPath = AskRecordPath;

void RecordCommand(MainFrame* frame, EditorWindow* editor) {
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!record) return;
    StopPlay();
    if (WaveHasData(record)) {
        if (UI().Ask(editor, TitleOf(*record),
                     "A wave already exists here!\nDo you want to delete it?", kButtonsYesNo,
                     kAnswerNo) != kAnswerYes)
            return;
        DiscardWave(*record);
        editor->RebuildView();
        NotifyChange(record, kChangeAll & ~kChangeClosed);
        editor->RefreshTitle();
    }
    const QString path = gAskRecordPath(frame);
    if (path.isEmpty()) return;
    record->filePath = path.toStdString();
    OpenProcessDialog(record, kDialogRecord, [&] {
        RecordWindow window(frame, record);
        if (window.Opened()) window.exec();
    });
    if (WaveHasData(record)) {
        // Auto-Load: shown as a fresh load.
        record->stateFlags &= ~kStateChanged;
        editor->RebuildView();
        NotifyChange(record, kChangeAll & ~kChangeClosed);
        editor->RefreshTitle();
    }
    if (frame) frame->SetStatusText("Ready");
}

}  // namespace ob
