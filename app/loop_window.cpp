#include "app/loop_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cmath>

#include "app/view_units.h"
#include "audio/player.h"
#include "base/user_interface.h"
#include "script/recorder.h"
#include "wave/auto_locate.h"
#include "wave/memory.h"
#include "wave/record_report.h"

namespace ob {

// What the playback thread reads: its own references to the sample buffers
// and the loop points, which the window updates as they change.
struct LoopPlayState {
    float* left = nullptr;
    float* right = nullptr;
    size_t bytes = 0;
    uint32_t frames = 0;
    std::atomic<uint32_t> start{0};
    std::atomic<uint32_t> end{0};
    uint64_t position = 0;  // only the playback thread moves it
    ~LoopPlayState() {
        Release(left, bytes, kAllocLarge);
        Release(right, bytes, kAllocLarge);
    }
    uint32_t Fill(float* l, float* r, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t s = start.load(std::memory_order_relaxed);
            const uint32_t e = std::min(end.load(std::memory_order_relaxed), frames - 1);
            if (position > e || position < s) position = s;
            l[i] = left[position];
            if (r) r[i] = right ? right[position] : left[position];
            ++position;
        }
        return n;
    }
};

namespace {
QPointer<LoopWindow> gLoopWindow;
}

LoopWindow* CurrentLoopWindow() {
    return gLoopWindow.data();
}

// ---- SpliceView ----

SpliceView::SpliceView(QWidget* parent) : QWidget(parent) {
    setObjectName("spliceView");
    setMinimumSize(240, 120);
    setAutoFillBackground(true);
}

void SpliceView::Show(const WaveRecord* record, int loopId, int span) {
    record_ = record;
    loopId_ = loopId;
    span_ = std::max(1, span);
    update();
}

void SpliceView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    p.fillRect(rect(), palette().base());
    const QColor text = palette().text().color();
    p.setPen(QPen(text, 1, Qt::DotLine));
    p.drawLine(QPointF(area.left(), area.center().y()), QPointF(area.right(), area.center().y()));
    const LoopNode* loop = record_ && WaveHasData(record_) && loopId_ >= 0
                               ? FindLoop(const_cast<WaveRecord&>(*record_), loopId_)
                               : nullptr;
    if (!loop) {
        p.setPen(text);
        p.drawText(area, Qt::AlignCenter, "No loop");
        return;
    }
    // 2 * span points: end - span + 1 .. end, then start .. start + span - 1.
    const int count = 2 * span_;
    const double step = area.width() / count;
    const double half = area.height() / 2;
    const float* samples = record_->leftSamples;
    const int64_t last = int64_t(record_->frameCount) - 1;
    auto frameAt = [&](int i) -> int64_t {
        return i < span_ ? int64_t(loop->end) - (span_ - 1 - i)
                         : int64_t(loop->start) + (i - span_);
    };
    QPainterPath path;
    std::vector<QPointF> points;
    for (int i = 0; i < count; ++i) {
        const int64_t f = frameAt(i);
        if (f < 0 || f > last) continue;
        const double v = std::clamp<double>(samples[f], -1.0, 1.0);
        const QPointF point(area.left() + (i + 0.5) * step, area.center().y() - v * half);
        if (points.empty())
            path.moveTo(point);
        else
            path.lineTo(point);
        points.push_back(point);
    }
    // The splice: where the loop end meets the loop start.
    const double splice = area.left() + span_ * step;
    p.setPen(QPen(QColor(200, 60, 60), 2));
    p.drawLine(QPointF(splice, area.top()), QPointF(splice, area.bottom()));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().highlight().color(), 1.5));
    p.drawPath(path);
    if (step >= 4) {
        p.setBrush(palette().highlight());
        for (const QPointF& point : points) p.drawEllipse(point, 2.5, 2.5);
    }
    p.setPen(text);
    p.drawText(area, Qt::AlignLeft | Qt::AlignTop, QString("end %1").arg(loop->end));
    p.drawText(area, Qt::AlignRight | Qt::AlignTop, QString("start %1").arg(loop->start));
}

// ---- LoopWindow ----

LoopWindow::LoopWindow(WaveRecord* record, QWidget* parent)
    : QWidget(parent, Qt::Tool), record_(record) {
    setObjectName("loopWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(
        QString("Interactive Loop Window - %1").arg(QString::fromStdString(TitleOf(*record))));
    loops_ = new QComboBox;
    loops_->setObjectName("loopCombo");
    span_ = new QSpinBox;
    span_->setObjectName("spanSpin");
    span_->setRange(4, 4096);
    span_->setValue(32);
    span_->setSuffix(" samples each side");
    splice_ = new SpliceView;
    readout_ = new QLabel;
    readout_->setObjectName("loopReadout");
    play_ = new QPushButton("&Play Loop");
    play_->setObjectName("playButton");
    play_->setCheckable(true);

    auto* top = new QHBoxLayout;
    auto* loopLabel = new QLabel("&Loop:");
    loopLabel->setBuddy(loops_);
    auto* zoomLabel = new QLabel("&Zoom:");
    zoomLabel->setBuddy(span_);
    top->addWidget(loopLabel);
    top->addWidget(loops_);
    top->addWidget(zoomLabel);
    top->addWidget(span_);
    top->addStretch();
    top->addWidget(play_);

    auto* nudges = new QGridLayout;
    auto button = [&](const char* text, const char* name, int row, int column, auto fn) {
        auto* b = new QPushButton(text);
        b->setObjectName(name);
        b->setAutoRepeat(true);
        connect(b, &QPushButton::clicked, this, fn);
        nudges->addWidget(b, row, column);
    };
    nudges->addWidget(new QLabel("End:"), 0, 0);
    button("-10", "endMinus10", 0, 1, [this] { Nudge(false, -10); });
    button("-1", "endMinus1", 0, 2, [this] { Nudge(false, -1); });
    button("+1", "endPlus1", 0, 3, [this] { Nudge(false, 1); });
    button("+10", "endPlus10", 0, 4, [this] { Nudge(false, 10); });
    button("Zero &crossing", "endZero", 0, 5, [this] { SnapToZero(false); });
    nudges->addWidget(new QLabel("Start:"), 1, 0);
    button("-10", "startMinus10", 1, 1, [this] { Nudge(true, -10); });
    button("-1", "startMinus1", 1, 2, [this] { Nudge(true, -1); });
    button("+1", "startPlus1", 1, 3, [this] { Nudge(true, 1); });
    button("+10", "startPlus10", 1, 4, [this] { Nudge(true, 10); });
    button("Zero c&rossing", "startZero", 1, 5, [this] { SnapToZero(true); });
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoRepeat(b != play_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splice_, 1);
    layout->addWidget(readout_);
    layout->addLayout(nudges);

    connect(loops_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (updating_ || index < 0) return;
        SelectLoop(loops_->itemData(index).toInt());
    });
    connect(span_, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    connect(play_, &QPushButton::clicked, this, [this] { TogglePlay(); });
    AddChangeObserver(this);
    Refill();
}

LoopWindow::~LoopWindow() {
    StopPlaying();
    RemoveChangeObserver(this);
}

LoopNode* LoopWindow::Loop() const {
    return record_ && loopId_ >= 0 ? FindLoop(*record_, loopId_) : nullptr;
}

void LoopWindow::SelectLoop(int id) {
    loopId_ = id;
    Refill();
}

void LoopWindow::Refill() {
    if (!record_) return;
    updating_ = true;
    loops_->clear();
    std::vector<int> ids;
    for (const LoopNode* l = record_->loops; l; l = l->next) ids.push_back(l->id);
    std::sort(ids.begin(), ids.end());
    for (int id : ids) {
        QString text = QString("Loop %1").arg(id);
        if (id == record_->sustainLoopId) text += " (sustain)";
        if (id == record_->releaseLoopId) text += " (release)";
        loops_->addItem(text, id);
    }
    if (std::find(ids.begin(), ids.end(), loopId_) == ids.end())
        loopId_ = ids.empty() ? -1 : ids.front();
    loops_->setCurrentIndex(loops_->findData(loopId_));
    updating_ = false;
    Refresh();
}

void LoopWindow::Refresh() {
    if (!record_) return;
    const LoopNode* loop = Loop();
    splice_->Show(record_, loop ? loopId_ : -1, span_->value());
    if (!loop) {
        readout_->setText("This wave has no loop.");
        StopPlaying();
        return;
    }
    const double jump =
        double(loop->end < record_->frameCount ? record_->leftSamples[loop->end] : 0) -
        double(record_->leftSamples[loop->start]);
    readout_->setText(QString("Start %1   End %2   Length %3   Step at the splice %4")
                          .arg(PositionText(*record_, loop->start))
                          .arg(PositionText(*record_, loop->end))
                          .arg(LengthText(*record_, uint64_t(loop->end) - loop->start + 1))
                          .arg(LevelText(*record_, std::fabs(jump))));
    if (play_state_) {
        play_state_->start.store(loop->start, std::memory_order_relaxed);
        play_state_->end.store(loop->end, std::memory_order_relaxed);
    }
    play_->setChecked(Playing());
}

void LoopWindow::Changed() {
    LoopNode* loop = Loop();
    record_->stateFlags |= kStateChanged;
    const int role = record_->releaseLoopId == loop->id   ? 2
                     : record_->sustainLoopId == loop->id ? 1
                                                          : 0;
    RecordLine([&] {
        return SetLoopLine(EditorNumberOf(record_), loop->id, loop->start, loop->end,
                           loop->type & 1, role);
    });
    updating_ = true;  // our own notice: no refill
    NotifyChange(record_, kChangeLoopsMarkers);
    updating_ = false;
    Refresh();
}

bool LoopWindow::Nudge(bool start, int frames) {
    LoopNode* loop = Loop();
    if (!loop || !WaveHasData(record_)) return false;
    const int64_t from = start ? loop->start : loop->end;
    const int64_t to = from + frames;
    const int64_t last = int64_t(record_->frameCount) - 1;
    // The loop keeps start < end inside the wave.
    if (to < 0 || to > last || (start ? to >= loop->end : to <= loop->start)) return false;
    (start ? loop->start : loop->end) = uint32_t(to);
    Changed();
    return true;
}

bool LoopWindow::SnapToZero(bool start) {
    LoopNode* loop = Loop();
    if (!loop || !WaveHasData(record_)) return false;
    const int64_t at = NearestZeroCrossing(*record_, start ? loop->start : loop->end);
    if (at < 0 || (start ? at >= loop->end : at <= loop->start)) {
        UI().SetStatusText("No zero crossing keeps this loop point on its side of the loop.");
        return false;
    }
    (start ? loop->start : loop->end) = uint32_t(at);
    Changed();
    return true;
}

bool LoopWindow::Playing() const {
    return play_state_ && PlaybackRunning();
}

void LoopWindow::StopPlaying() {
    if (play_state_ && PlaybackRunning()) StopPlay();
    play_state_.reset();
    if (play_) play_->setChecked(false);
}

void LoopWindow::TogglePlay() {
    if (Playing()) return StopPlaying();
    const LoopNode* loop = Loop();
    if (!loop || !WaveHasData(record_)) {
        play_->setChecked(false);
        return;
    }
    auto state = std::make_shared<LoopPlayState>();
    state->bytes = size_t(record_->frameCount) * sizeof(float);
    state->frames = record_->frameCount;
    state->left = static_cast<float*>(ShareBlock(record_->leftSamples));
    if (record_->rightSamples)
        state->right = static_cast<float*>(ShareBlock(record_->rightSamples));
    if (!state->left) {
        play_->setChecked(false);
        return ReportMessage(*record_, PlayResultText(kPlayNoMemory));
    }
    state->start = loop->start;
    state->end = loop->end;
    state->position = loop->start;
    StopPlay();
    play_state_ = state;
    const int result =
        PlayBlocks(record_->sampleRate, record_->rightSamples ? 2 : 1,
                   [state](float* l, float* r, uint32_t n) { return state->Fill(l, r, n); });
    if (result != kPlayOk) {
        play_state_.reset();
        ReportMessage(*record_, PlayResultText(result));
    }
    play_->setChecked(Playing());
}

void LoopWindow::OnChange(const ChangeNotice& notice) {
    if (notice.record != record_) return;
    if (notice.what & kChangeClosed) {
        StopPlaying();
        record_ = nullptr;
        close();
        return;
    }
    if (notice.what & kChangeLength) StopPlaying();  // the buffers the player holds are old
    if (!updating_) Refill();
}

void LoopWindow::closeEvent(QCloseEvent* event) {
    StopPlaying();
    QWidget::closeEvent(event);
}

LoopWindow* ShowLoopWindow(QWidget* parent, WaveRecord* record) {
    if (!record) {
        ReportEditorMissing();
        return nullptr;
    }
    if (!WaveHasData(record)) {
        ReportEmptyEditor(*record);
        return nullptr;
    }
    if (!record->loops) {
        ReportMessage(*record, "This wave has no loop. Set one with Loop Set first.");
        return nullptr;
    }
    if (gLoopWindow && gLoopWindow->Record() != record) {
        gLoopWindow->close();
        gLoopWindow = nullptr;
    }
    if (!gLoopWindow) {
        gLoopWindow = new LoopWindow(record, parent);
        const int chosen = record->sustainLoopId >= 0 && FindLoop(*record, record->sustainLoopId)
                               ? record->sustainLoopId
                               : -1;
        if (chosen >= 0) gLoopWindow->SelectLoop(chosen);
    }
    gLoopWindow->show();
    gLoopWindow->raise();
    gLoopWindow->activateWindow();
    return gLoopWindow.data();
}

}  // namespace ob
