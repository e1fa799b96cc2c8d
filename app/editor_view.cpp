// The editor view: painting through one path for the screen and for images,
// the pixel cache, change notices, zoom and scroll commands.
#include "app/editor_view.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/view_navigation.h"
#include "app/view_overlays.h"
#include "app/view_rulers.h"
#include "app/view_units.h"
#include "audio/scrub.h"
#include "dsp/frame.h"

namespace ob {

bool EditorView::CacheKey::SameExceptStart(const CacheKey& o) const {
    return mapping.SameZoom(o.mapping) && levelCentre == o.levelCentre &&
           levelSpan == o.levelSpan && left == o.left && right == o.right && pixels == o.pixels &&
           dpr == o.dpr && colourGeneration == o.colourGeneration && colourPoints == o.colourPoints;
}

EditorView::EditorView(WaveRecord* record, QWidget* parent) : QWidget(parent), m_record(record) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 140);
    m_colours = ViewColours::FromPalette(palette());
    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &EditorView::OnScrollBar);
    AddChangeObserver(this);
    if (m_record) m_shownFrameCount = m_record->frameCount;
    if (m_record && m_record->viewSpan == 0)
        m_record->viewSpan = std::max<uint32_t>(m_record->frameCount, 1);
    SyncScrollBar();
}

EditorView::~EditorView() {
    RemoveChangeObserver(this);
}

// ---- Options and colours ----

void EditorView::SetMode(int mode) {
    if (mode < kModeNormal || mode > kModeScrub || mode == m_mode) return;
    if (m_drag == Drag::Draw) EndStroke();
    if (m_drag == Drag::Scrub) StopScrub();
    m_drag = Drag::None;
    m_mode = mode;
    setCursor(mode == kModeNormal    ? Qt::IBeamCursor
              : mode == kModeZoombox ? Qt::CrossCursor
              : mode == kModeScrub   ? Qt::SizeHorCursor
                                     : Qt::PointingHandCursor);
    update();
    emit modeChanged(mode);
}

void EditorView::SetOption(uint32_t bit, bool on) {
    if (!m_record) return;
    const uint32_t before = m_record->displayOptions;
    m_record->displayOptions = on ? before | bit : before & ~bit;
    if (before == m_record->displayOptions) return;
    m_cacheValid = false;  // the lanes move when strips come and go
    m_record->viewWidth = uint32_t(LanesWidth());
    update();
}

bool EditorView::Option(uint32_t bit) const {
    return m_record && (m_record->displayOptions & bit);
}

void EditorView::SetColors(const QColor colours[8]) {
    if (!m_paletteColours && std::equal(colours, colours + kColourRoles, m_colours.role)) return;
    for (int i = 0; i < kColourRoles; ++i) m_colours.role[i] = colours[i];
    m_paletteColours = false;
    ++m_colourGeneration;
    m_stripValid = false;
    update();
}

void EditorView::UsePaletteColors() {
    m_paletteColours = true;
    m_colours = ViewColours::FromPalette(palette());
    ++m_colourGeneration;
    m_stripValid = false;
    update();
}

void EditorView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && m_paletteColours) {
        m_colours = ViewColours::FromPalette(palette());
        ++m_colourGeneration;
        m_stripValid = false;
        update();
    }
    QWidget::changeEvent(event);
}

// ---- Geometry ----

QSizeF EditorView::PaintSize() const {
    return QSizeF(width(), std::max(0, height() - m_scrollBar->sizeHint().height()));
}

ViewLayout EditorView::Layout() const {
    static const WaveRecord empty;
    return ComputeViewLayout(PaintSize(), m_record ? *m_record : empty);
}

int EditorView::LanesWidth() const {
    return int(Layout().lanesArea.width());
}

ViewMapping EditorView::Mapping() const {
    if (!m_record) return ViewMapping{};
    return ViewMapping::ForRecord(*m_record, LanesWidth());
}

void EditorView::resizeEvent(QResizeEvent* event) {
    const int h = m_scrollBar->sizeHint().height();
    m_scrollBar->setGeometry(int(kLevelRulerWidth), height() - h, width() - int(kLevelRulerWidth),
                             h);
    if (m_record) {
        m_record->viewWidth = uint32_t(LanesWidth());
        ClampView(*m_record, LanesWidth());
    }
    m_stripValid = false;
    SyncScrollBar();
    QWidget::resizeEvent(event);
}

// ---- Painting ----

WavePaintJob EditorView::PaintJob(const ViewLayout& layout) const {
    WavePaintJob job;
    job.record = m_record;
    job.mapping = ViewMapping::ForRecord(*m_record, int(layout.lanesArea.width()));
    job.colours = &m_colours;
    job.colourPoints = m_record->displayOptions & kViewColorPoint;
    job.shade = AffectAreaShown(*m_record, gEditing.affectArea, gEditing.editChannel,
                                int(layout.lanesArea.width()));
    job.shadeAlpha = AffectShadeAlpha(gEditing.affectArea);
    job.editChannels = gEditing.editChannel;
    return job;
}

// Lanes relative to the lanes area, for the wave image.
static int LocalLanes(const ViewLayout& layout, Lane out[2]) {
    for (int i = 0; i < layout.laneCount; ++i) {
        out[i] = layout.lanes[i];
        out[i].rect.translate(-layout.lanesArea.topLeft());
    }
    return layout.laneCount;
}

static void ShiftColumns(QImage& image, int deviceShift) {
    // deviceShift > 0 moves the picture right (the view moved towards the start).
    const int w = image.width();
    const int n = w - std::abs(deviceShift);
    if (n <= 0) return;
    for (int y = 0; y < image.height(); ++y) {
        uint32_t* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
        if (deviceShift > 0)
            std::memmove(line + deviceShift, line, size_t(n) * 4);
        else
            std::memmove(line, line - deviceShift, size_t(n) * 4);
    }
}

const QImage& EditorView::UpdatedWaveCache(const ViewLayout& layout, double dpr) {
    WavePaintJob job = PaintJob(layout);
    Lane lanes[2];
    job.laneCount = LocalLanes(layout, lanes);
    job.lanes = lanes;
    CacheKey key;
    key.mapping = job.mapping;
    key.levelCentre = m_record->viewLevelCentre;
    key.levelSpan = m_record->viewLevelSpan;
    key.left = m_record->leftSamples;
    key.right = m_record->rightSamples;
    key.pixels = QSize(int(std::ceil(layout.lanesArea.width() * dpr)),
                       int(std::ceil(layout.lanesArea.height() * dpr)));
    key.dpr = dpr;
    key.colourGeneration = m_colourGeneration;
    key.colourPoints = job.colourPoints;
    key.shade = job.shade;
    key.shadeAlpha = job.shadeAlpha;
    key.editChannels = job.editChannels;
    const int width = int(std::ceil(layout.lanesArea.width()));

    const bool sameShade =
        key.shade.start == m_cacheKey.shade.start && key.shade.length == m_cacheKey.shade.length;
    if (m_cacheValid && key.SameExceptStart(m_cacheKey) &&
        key.mapping.start == m_cacheKey.mapping.start && !sameShade) {
        // The selection moved: repaint the columns between its old and new edges.
        const ViewMapping& m = key.mapping;
        auto edge = [&](double a, double b) {
            const int64_t x0 = m.XForFrame(int64_t(std::min(a, b))) - 2;
            const int64_t x1 = m.XForFrame(int64_t(std::max(a, b))) + int64_t(m.pixelsPerFrame) + 2;
            if (x1 > 0 && x0 < width)
                m_dirtyColumns.emplace_back(int(std::max<int64_t>(x0, 0)),
                                            int(std::min<int64_t>(x1, width)));
        };
        edge(m_cacheKey.shade.start, key.shade.start);
        edge(double(m_cacheKey.shade.start) + m_cacheKey.shade.length,
             double(key.shade.start) + key.shade.length);
        m_cacheKey.shade = key.shade;
    }
    if (m_cacheValid && key.SameExceptStart(m_cacheKey) && sameShade &&
        key.mapping.start != m_cacheKey.mapping.start && dpr == std::floor(dpr)) {
        // A scroll: reuse the pixels that stay visible when the move is whole columns.
        const int64_t frames = int64_t(key.mapping.start) - int64_t(m_cacheKey.mapping.start);
        const ViewMapping& m = key.mapping;
        int64_t shift = 0;
        bool whole = false;
        if (m.framesPerPixel > 1) {
            whole = frames % m.framesPerPixel == 0;
            shift = -frames / m.framesPerPixel;
        } else {
            whole = true;
            shift = -frames * m.pixelsPerFrame;
        }
        if (whole && std::abs(shift) < width) {
            ShiftColumns(m_cache, int(shift * dpr));
            const int margin = m.SampleLevel() ? int(m.pixelsPerFrame) + 2 : 0;
            if (shift > 0)
                m_dirtyColumns.emplace_back(0, int(shift) + margin);
            else
                m_dirtyColumns.emplace_back(width + int(shift) - margin, width);
            m_cacheKey.mapping.start = key.mapping.start;
        }
    }
    if (!m_cacheValid || !(key.SameExceptStart(m_cacheKey)) ||
        key.mapping.start != m_cacheKey.mapping.start ||
        key.shade.start != m_cacheKey.shade.start || key.shade.length != m_cacheKey.shade.length) {
        if (m_cache.size() != key.pixels)
            m_cache = QImage(key.pixels, QImage::Format_ARGB32_Premultiplied);
        m_cache.setDevicePixelRatio(dpr);
        PaintWaveColumns(m_cache, job, 0, width);
        m_cacheKey = key;
        m_cacheValid = true;
        m_dirtyColumns.clear();
        return m_cache;
    }
    for (const auto& [x0, x1] : m_dirtyColumns) PaintWaveColumns(m_cache, job, x0, x1);
    m_dirtyColumns.clear();
    return m_cache;
}

void EditorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The corner left of the scroll bar.
    painter.fillRect(QRect(0, int(PaintSize().height()), int(kLevelRulerWidth), height()),
                     palette().color(QPalette::Window));
    PaintView(painter, Layout(), true);
}

QImage EditorView::RenderImage(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(palette().color(QPalette::Window));
    if (!m_record) return image;
    QPainter painter(&image);
    painter.setFont(font());
    PaintView(painter, ComputeViewLayout(QSizeF(size), *m_record), false);
    return image;
}

void EditorView::PaintView(QPainter& painter, const ViewLayout& layout, bool onScreen) {
    const QPalette& pal = palette();
    const QSizeF size =
        onScreen ? PaintSize() : QSizeF(painter.device()->width(), painter.device()->height());
    painter.fillRect(QRectF(QPointF(0, 0), size), pal.color(QPalette::Window));
    if (!m_record) return;
    const WaveRecord& record = *m_record;
    const ViewMapping mapping = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));

    if (!layout.overview.isEmpty()) PaintOverviewStrip(painter, layout.overview);
    PaintTimeRuler(painter, layout.timeRuler, record, mapping, pal);

    if (onScreen) {
        const double dpr = devicePixelRatioF();
        painter.drawImage(layout.lanesArea.topLeft(), UpdatedWaveCache(layout, dpr));
    } else {
        WavePaintJob job = PaintJob(layout);
        Lane lanes[2];
        job.laneCount = LocalLanes(layout, lanes);
        job.lanes = lanes;
        QImage wave(layout.lanesArea.size().toSize(), QImage::Format_ARGB32_Premultiplied);
        if (!wave.isNull()) {
            PaintWaveColumns(wave, job, 0, wave.width());
            painter.drawImage(layout.lanesArea.topLeft(), wave);
        }
    }

    OverlayJob overlay;
    overlay.record = m_record;
    overlay.mapping = mapping;
    overlay.lanes = layout.lanes;
    overlay.laneCount = layout.laneCount;
    overlay.originX = layout.lanesArea.left();
    overlay.colours = &m_colours;
    overlay.affectArea = gEditing.affectArea;
    overlay.editChannel = gEditing.editChannel;
    overlay.viewWidth = int(layout.lanesArea.width());
    PaintMarkersAndLoops(painter, overlay, layout.flagStrip);

    for (int i = 0; i < layout.laneCount; ++i) {
        PaintLevelRuler(painter, layout.levelRulers[i], layout.lanes[i].rect, record, pal);
        const bool edit = gEditing.editChannel & (1u << layout.lanes[i].channel);
        painter.setPen(edit ? pal.color(QPalette::Highlight)
                            : pal.color(QPalette::PlaceholderText));
        QFont bold = painter.font();
        bold.setBold(edit);
        painter.save();
        painter.setFont(bold);
        const QString name = layout.laneCount == 1 ? QStringLiteral("M")
                             : i == 0              ? QStringLiteral("L")
                                                   : QStringLiteral("R");
        painter.drawText(layout.levelRulers[i].adjusted(3, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                         name);
        painter.restore();
        if (record.displayOptions & kViewBoxOutline) {
            painter.setPen(QPen(m_colours.role[kColourAxis], 0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(layout.lanes[i].rect.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }
    if (!layout.editStatus.isEmpty()) PaintEditStatusLine(painter, layout.editStatus);

    if (onScreen) {
        if (m_drag == Drag::Zoombox) {
            QRectF box = QRectF(m_pressPos, m_pointer).normalized().intersected(layout.lanesArea);
            painter.setPen(QPen(m_colours.role[kColourLabels], 0, Qt::DashLine));
            QColor fill = m_colours.role[kColourSelection];
            fill.setAlpha(40);
            painter.setBrush(fill);
            painter.drawRect(box);
            painter.setBrush(Qt::NoBrush);
        }
        if (m_drag == Drag::Shuffle) {
            // Where the Mouse area's frames go when the button is released.
            const double x =
                layout.lanesArea.left() +
                mapping.XForFrameExact(double(ShuffleDrop(m_pointer, layout, mapping)));
            painter.setPen(QPen(m_colours.role[kColourSelection], 2, Qt::DashLine));
            painter.drawLine(QPointF(x, layout.lanesArea.top()),
                             QPointF(x, layout.lanesArea.bottom()));
        }
        if ((record.displayOptions & kViewXYReadout) && m_pointerInside)
            PaintPointerReadout(painter, layout);
    }
    PaintPlayPosition(painter, layout);
}

// ---- The play position ----

QRect EditorView::PlayLineRect(int64_t frame) const {
    if (frame < 0 || !m_record) return QRect();
    const ViewLayout layout = Layout();
    const ViewMapping m = ViewMapping::ForRecord(*m_record, int(layout.lanesArea.width()));
    const double x = layout.lanesArea.left() + m.XForFrameCentre(uint32_t(frame));
    if (x < layout.lanesArea.left() - 2 || x > layout.lanesArea.right() + 2) return QRect();
    return QRect(int(x) - 2, int(layout.lanesArea.top()), 5, int(layout.lanesArea.height()) + 1);
}

void EditorView::SetPlayPosition(qint64 frame) {
    if (frame == m_playFrame) return;
    const QRect before = PlayLineRect(m_playFrame);
    m_playFrame = frame < 0 ? -1 : frame;
    const QRect after = PlayLineRect(m_playFrame);
    if (!before.isEmpty()) update(before);
    if (!after.isEmpty()) update(after);
}

void EditorView::PaintPlayPosition(QPainter& painter, const ViewLayout& layout) {
    if (m_playFrame < 0 || !WaveHasData(m_record) || m_playFrame >= int64_t(m_record->frameCount))
        return;
    const ViewMapping m = ViewMapping::ForRecord(*m_record, int(layout.lanesArea.width()));
    const double x = layout.lanesArea.left() + m.XForFrameCentre(uint32_t(m_playFrame));
    if (x < layout.lanesArea.left() || x > layout.lanesArea.right()) return;
    // A line that shows on the light and the dark palette alike.
    painter.setPen(QPen(QColor(230, 60, 30), 1.5));
    painter.drawLine(QPointF(x, layout.lanesArea.top()), QPointF(x, layout.lanesArea.bottom()));
}

void EditorView::PaintOverviewStrip(QPainter& painter, const QRectF& rect) {
    const WaveRecord& record = *m_record;
    const double dpr = painter.device()->devicePixelRatioF();
    const QSize pixels(int(rect.width() * dpr), int(rect.height() * dpr));
    if (!m_stripValid || m_strip.size() != pixels) {
        m_strip = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_strip.setDevicePixelRatio(dpr);
        m_strip.fill(m_colours.role[kColourBackground]);
        if (WaveHasData(&record) && pixels.width() > 0) {
            QPainter p(&m_strip);
            p.setPen(QPen(m_colours.role[kColourWaveform], 0));
            const int channels = record.rightSamples ? 2 : 1;
            const double h = rect.height();
            for (int c = 0; c < pixels.width(); ++c) {
                uint32_t f0 = uint32_t(uint64_t(c) * record.frameCount / pixels.width());
                uint32_t f1 = uint32_t(uint64_t(c + 1) * record.frameCount / pixels.width());
                if (f1 > f0) --f1;
                float lo = 1, hi = -1;
                for (int ch = 0; ch < channels; ++ch) {
                    float a, b;
                    ColumnMinMax(record, ch, f0, f1, a, b);
                    lo = std::min(lo, a);
                    hi = std::max(hi, b);
                }
                const double x = (c + 0.5) / dpr;
                p.drawLine(QPointF(x, h / 2 - hi * h / 2), QPointF(x, h / 2 - lo * h / 2));
            }
        }
        m_stripValid = true;
    }
    painter.drawImage(rect.topLeft(), m_strip);
    if (record.frameCount == 0) return;
    // Frame the visible part.
    const ViewMapping m = ViewMapping::ForRecord(record, LanesWidth());
    const double scale = rect.width() / record.frameCount;
    const double x0 = rect.left() + record.viewStart * scale;
    const double w = std::max(2.0, std::min<double>(m.VisibleFrames(), record.frameCount) * scale);
    painter.setPen(QPen(m_colours.role[kColourSelection], 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(
        QRectF(x0, rect.top() + 0.75, std::min(w, rect.right() - x0), rect.height() - 1.5));
}

void EditorView::PaintEditStatusLine(QPainter& painter, const QRectF& rect) {
    const WaveRecord& record = *m_record;
    painter.fillRect(rect, palette().color(QPalette::Window));
    const ShadedArea area =
        AffectAreaShown(record, gEditing.affectArea, gEditing.editChannel, LanesWidth());
    static const char* kChannels[4] = {"None", "Left", "Right", "Left+Right"};
    QString text = QString::fromLatin1(AffectAreaPrefix(gEditing.affectArea));
    if (area.channels)
        text += PositionText(record, area.start) + QStringLiteral(" to ") +
                PositionText(record, uint64_t(area.start) + area.length) +
                QStringLiteral("   Length ") + LengthText(record, area.length);
    text += QStringLiteral("   Edit: ") +
            QString::fromLatin1(record.rightSamples ? kChannels[gEditing.editChannel & 3] : "Mono");
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void EditorView::PaintPointerReadout(QPainter& painter, const ViewLayout& layout) {
    const int lane = LaneAt(m_pointer, layout);
    if (lane < 0) return;
    const ViewMapping m = ViewMapping::ForRecord(*m_record, int(layout.lanesArea.width()));
    const double x = m_pointer.x() - layout.lanesArea.left();
    const LevelMapping level = LevelMapping::For(*m_record, layout.lanes[lane].rect.top(),
                                                 layout.lanes[lane].rect.height());
    const uint64_t frame = m.ClampedFrameForX(x);
    const QString text =
        PositionText(*m_record, frame) + QStringLiteral("  ") +
        LevelTextAt(*m_record, level.ValueForY(m_pointer.y()), frame, layout.lanes[lane].channel);
    const QFontMetricsF metrics(painter.font());
    QRectF box(m_pointer + QPointF(12, 12),
               QSizeF(metrics.horizontalAdvance(text) + 8, metrics.height() + 4));
    if (box.right() > layout.lanesArea.right()) box.moveRight(m_pointer.x() - 4);
    if (box.bottom() > layout.lanesArea.bottom()) box.moveBottom(m_pointer.y() - 4);
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawRect(box);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.setBrush(Qt::NoBrush);
}

// ---- Change notices ----

void EditorView::InvalidateFrames(uint32_t first, uint32_t end) {
    if (!m_cacheValid || end <= first) return;
    const ViewMapping& m = m_cacheKey.mapping;
    int64_t x0 = m.XForFrame(first) - 1;
    int64_t x1 =
        m.XForFrame(end) + int64_t(m.pixelsPerFrame) + 2;  // joining lines reach the neighbours
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, m.width);
    if (x1 > x0) m_dirtyColumns.emplace_back(int(x0), int(x1));
}

void EditorView::OnChange(const ChangeNotice& notice) {
    if (!m_record || notice.record != m_record) return;
    // kChangeAll (undo, redo) carries every bit; only a notice of its own closes.
    if ((notice.what & kChangeClosed) && notice.what != kChangeAll) {
        m_record = nullptr;
        update();
        return;
    }
    if (notice.what & kChangeLength) {
        m_cacheValid = false;
        m_stripValid = false;
        // Auto Zoom Out after a change of length, not after an undo that
        // restored the view of a wave of the same length.
        if (gProcessing.autoZoomOut && m_record->frameCount != m_shownFrameCount)
            ShowFullView(*m_record, LanesWidth());
        else
            ClampView(*m_record, LanesWidth());
        SyncScrollBar();
    } else if (notice.what & kChangeSamples) {
        InvalidateFrames(notice.firstFrame, notice.endFrame);
        m_stripValid = false;
    }
    if (notice.what & kChangeView) {
        // Display options may have added or removed strips.
        m_record->viewWidth = uint32_t(LanesWidth());
        ClampView(*m_record, LanesWidth());
        SyncScrollBar();
    }
    m_shownFrameCount = m_record->frameCount;
    update();
    if (!m_notifying) UpdateReadout(m_pointer, m_pointerInside);
}

void EditorView::Refresh() {
    m_cacheValid = false;
    m_stripValid = false;
    if (m_record) ClampView(*m_record, LanesWidth());
    SyncScrollBar();
    update();
}

void EditorView::ViewChanged() {
    if (!m_record) return;
    ClampView(*m_record, LanesWidth());
    SyncScrollBar();
    update();
    UpdateReadout(m_pointer, m_pointerInside);
    m_notifying = true;
    NotifyChange(m_record, kChangeView);
    m_notifying = false;
}

void EditorView::SelectionChanged() {
    update();
    UpdateReadout(m_pointer, m_pointerInside);
    m_notifying = true;
    NotifyChange(m_record, kChangeView);
    m_notifying = false;
}

// ---- Scroll bar ----

void EditorView::SyncScrollBar() {
    if (!m_record) return;
    const ViewMapping m = Mapping();
    const uint64_t unit = std::max<uint64_t>(
        1, std::max<uint64_t>(m.framesPerPixel, (m_record->frameCount >> 30) + 1));
    const uint64_t visible = std::min<uint64_t>(m.VisibleFrames(), m_record->frameCount);
    const uint64_t maximum =
        m_record->frameCount > visible ? (m_record->frameCount - visible + unit - 1) / unit : 0;
    m_syncingScrollBar = true;
    m_scrollBar->setRange(0, int(maximum));
    m_scrollBar->setPageStep(int(std::max<uint64_t>(1, visible / unit)));
    m_scrollBar->setSingleStep(int(std::max<uint64_t>(1, visible / unit / 16)));
    m_scrollBar->setValue(int(m_record->viewStart / unit));
    m_syncingScrollBar = false;
}

void EditorView::OnScrollBar(int value) {
    if (m_syncingScrollBar || !m_record) return;
    const ViewMapping m = Mapping();
    const uint64_t unit = std::max<uint64_t>(
        1, std::max<uint64_t>(m.framesPerPixel, (m_record->frameCount >> 30) + 1));
    m_record->viewStart = uint32_t(std::min<uint64_t>(
        uint64_t(value) * unit, m_record->frameCount ? m_record->frameCount - 1 : 0));
    ViewChanged();
}

// ---- Commands ----

void EditorView::ZoomIn() {
    if (!m_record) return;
    ZoomTime(*m_record, LanesWidth(), true, LanesWidth() / 2.0);
    ViewChanged();
}

void EditorView::ZoomOut() {
    if (!m_record) return;
    ZoomTime(*m_record, LanesWidth(), false, LanesWidth() / 2.0);
    ViewChanged();
}

void EditorView::ShowFull() {
    if (!m_record) return;
    ShowFullView(*m_record, LanesWidth());
    m_record->viewLevelCentre = 0;
    m_record->viewLevelSpan = 65535;
    ViewChanged();
}

void EditorView::ZoomToSelection() {
    if (!m_record || !WaveHasData(m_record)) return;
    ShadedArea area;
    if (m_record->mouseChannels && m_record->mouseLength)
        area = AffectAreaShown(*m_record, kAffectMouse, gEditing.editChannel, LanesWidth());
    else
        area = AffectAreaShown(*m_record, gEditing.affectArea, gEditing.editChannel, LanesWidth());
    if (area.length == 0) return;
    ZoomToFrames(*m_record, LanesWidth(), area.start, area.length);
    ViewChanged();
}

void EditorView::ZoomLevelIn() {
    if (!m_record) return;
    ZoomLevel(*m_record, true);
    ViewChanged();
}

void EditorView::ZoomLevelOut() {
    if (!m_record) return;
    ZoomLevel(*m_record, false);
    ViewChanged();
}

void EditorView::ScrollToStart() {
    if (!m_record) return;
    ob::ScrollToStart(*m_record, LanesWidth());
    ViewChanged();
}

void EditorView::ScrollToEnd() {
    if (!m_record) return;
    ob::ScrollToEnd(*m_record, LanesWidth());
    ViewChanged();
}

// ---- Readout ----

int EditorView::LaneAt(QPointF pos, const ViewLayout& layout) const {
    for (int i = 0; i < layout.laneCount; ++i)
        if (layout.lanes[i].rect.contains(pos)) return i;
    return -1;
}

void EditorView::UpdateReadout(QPointF pointer, bool inside) {
    if (!m_record) return;
    const WaveRecord& record = *m_record;
    QString text;
    if (WaveHasData(&record)) {
        const ViewLayout layout = Layout();
        if (inside &&
            layout.lanesArea.adjusted(0, -layout.timeRuler.height(), 0, 0).contains(pointer)) {
            const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
            const uint64_t frame = m.ClampedFrameForX(pointer.x() - layout.lanesArea.left());
            text += QStringLiteral("Pointer ") + PositionText(record, frame);
            const int lane = LaneAt(pointer, layout);
            if (lane >= 0) {
                const LevelMapping level = LevelMapping::For(record, layout.lanes[lane].rect.top(),
                                                             layout.lanes[lane].rect.height());
                text += QStringLiteral("  ") + LevelTextAt(record, level.ValueForY(pointer.y()),
                                                           frame, layout.lanes[lane].channel);
            }
            text += QStringLiteral("   ");
        }
        const ShadedArea area =
            AffectAreaShown(record, gEditing.affectArea, gEditing.editChannel, LanesWidth());
        text += QString::fromLatin1(AffectAreaPrefix(gEditing.affectArea));
        if (area.channels)
            text += PositionText(record, area.start) + QStringLiteral(" to ") +
                    PositionText(record, uint64_t(area.start) + area.length) +
                    QStringLiteral(" (") + LengthText(record, area.length) + QStringLiteral(")");
        text += QStringLiteral("   ");
    }
    text += QStringLiteral("%1 Hz  %2 bit  %3")
                .arg(record.sampleRate)
                .arg(SourceBits(record))
                .arg(record.rightSamples ? QStringLiteral("Stereo") : QStringLiteral("Mono"));
    if (text != m_readout) {
        m_readout = text;
        emit readoutChanged(text);
    }
}

}  // namespace ob
