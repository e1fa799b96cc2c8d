// The editor view's mouse: selection (Mouse Area), marker and loop handles,
// the overview strip, Zoombox, Freehand Draw, and the wheel.
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/editor_view.h"
#include "app/loop_placement.h"
#include "app/view_navigation.h"
#include "app/view_overlays.h"
#include "audio/scrub.h"
#include "base/user_interface.h"
#include "dsp/length_edit.h"
#include "dsp/operation.h"
#include "script/recorder.h"
#include "wave/auto_locate.h"
#include "wave/undo.h"

namespace ob {

static uint32_t ExistingChannels(const WaveRecord& record) {
    return record.rightSamples ? 3u : 1u;
}
constexpr double kHandleReach = 4;  // pixels either side of a marker or loop line

// ---- Pointer ----

// The frame under the pointer, the pointer held inside the lanes.
int64_t EditorView::PointerFrame(QPointF pos) const {
    const ViewLayout layout = Layout();
    const ViewMapping m = ViewMapping::ForRecord(*m_record, int(layout.lanesArea.width()));
    return m.ClampedFrameForX(
        std::clamp(pos.x() - layout.lanesArea.left(), 0.0, layout.lanesArea.width() - 1));
}

// ---- Shuffle ----

// A middle-button drag that starts inside the Mouse area moves the area's
// frames to where the button is released (the left button's drag selects).
bool EditorView::BeginShuffle(QPointF pos) {
    if (m_mode != kModeNormal || !Layout().lanesArea.contains(pos)) return false;
    const WaveRecord& r = *m_record;
    if (r.mouseLength == 0 || r.mouseChannels == 0) return false;
    const int64_t frame = PointerFrame(pos);
    if (frame < int64_t(r.mouseStart) || frame >= int64_t(r.mouseStart) + r.mouseLength)
        return false;
    m_drag = Drag::Shuffle;
    m_pointer = pos;
    setCursor(Qt::ClosedHandCursor);
    return true;
}

// The frame boundary where a Shuffle drag released at `pos` drops the area.
uint32_t EditorView::ShuffleDrop(QPointF pos, const ViewLayout& layout, const ViewMapping& m) {
    return m.BoundaryForX(
        std::clamp(pos.x() - layout.lanesArea.left(), 0.0, layout.lanesArea.width()));
}

void EditorView::FinishShuffle(QPointF pos) {
    setCursor(Qt::IBeamCursor);
    update();
    if (!m_record || !WaveHasData(m_record)) return;
    if (Shuffle(*m_record, ShuffleDrop(pos, Layout(), Mapping())) == kEditDone) SelectionChanged();
}

// ---- Selection ----

void EditorView::BeginSelection(QPointF pos, Qt::KeyboardModifiers modifiers,
                                const ViewLayout& layout) {
    WaveRecord& record = *m_record;
    const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    const uint32_t frame = m.BoundaryForX(pos.x() - layout.lanesArea.left());
    if ((modifiers & Qt::ShiftModifier) && record.mouseChannels) {
        // Extend: keep the end further from the click.
        const uint32_t a = record.mouseStart;
        const uint32_t b =
            uint32_t(std::min<uint64_t>(uint64_t(a) + record.mouseLength, record.frameCount));
        if (frame <= a)
            m_anchorFrame = b;
        else if (frame >= b)
            m_anchorFrame = a;
        else
            m_anchorFrame = frame - a > b - frame ? a : b;
        m_dragChannels = record.mouseChannels;
    } else {
        m_anchorFrame = frame;
        const int lane = LaneAt(pos, layout);
        // Ctrl limits a stereo selection to the lane under the pointer.
        m_dragChannels = (modifiers & Qt::ControlModifier) && lane >= 0 && record.rightSamples
                             ? 1u << layout.lanes[lane].channel
                             : ExistingChannels(record);
    }
    m_drag = Drag::Select;
    ExtendSelection(pos);
}

void EditorView::ExtendSelection(QPointF pos) {
    WaveRecord& record = *m_record;
    const ViewLayout layout = Layout();
    double x = pos.x() - layout.lanesArea.left();
    // Dragging past an edge scrolls the view.
    const ViewMapping before = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    if (x < 0 || x > layout.lanesArea.width()) {
        const int64_t step = int64_t(before.VisibleFrames() / 20 + 1);
        ScrollFrames(record, int(layout.lanesArea.width()), x < 0 ? -step : step);
        SyncScrollBar();
        x = std::clamp(x, 0.0, layout.lanesArea.width());
    }
    const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    const uint32_t frame = m.BoundaryForX(x);
    record.mouseStart = std::min(frame, m_anchorFrame);
    record.mouseLength = std::max(frame, m_anchorFrame) - record.mouseStart;
    record.mouseChannels = m_dragChannels;
    gEditing.affectArea = kAffectMouse;
    SelectionChanged();
}

// ---- Marker and loop handles ----

bool EditorView::HitHandle(QPointF pos, const ViewLayout& layout, Drag& kind, int& id) const {
    const WaveRecord& record = *m_record;
    if (!WaveHasData(&record)) return false;
    if (pos.y() < layout.flagStrip.top() || pos.y() > layout.lanesArea.bottom()) return false;
    const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    const double x = pos.x() - layout.lanesArea.left();
    auto near = [&](uint32_t frame) {
        return std::fabs(m.XForFrameCentre(frame) - x) <= kHandleReach;
    };
    for (const MarkerNode* marker = ShownMarkers(record); marker; marker = marker->next)
        if (near(marker->position)) {
            kind = Drag::Marker;
            id = marker->id;
            return true;
        }
    for (const LoopNode* loop = record.loops; loop; loop = loop->next) {
        if (loop->type & kLoopTypeHidden) continue;
        if (near(loop->start) || near(loop->end)) {
            kind = near(loop->start) ? Drag::LoopStart : Drag::LoopEnd;
            id = loop->id;
            return true;
        }
    }
    return false;
}

void EditorView::MoveHandle(QPointF pos) {
    WaveRecord& record = *m_record;
    const ViewLayout layout = Layout();
    const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    const uint32_t frame = m.ClampedFrameForX(
        std::clamp(pos.x() - layout.lanesArea.left(), 0.0, layout.lanesArea.width() - 1));
    if (m_drag == Drag::Marker) {
        // Keeps the name.
        SetMarker(record, SnapPosition(record, frame, kLocateMarkers), m_handleId, nullptr);
    } else if (LoopNode* loop = FindLoop(record, m_handleId)) {
        bool holdingStart = m_drag == Drag::LoopStart;
        DragLoopPoint(record, *loop, holdingStart, frame);
        m_drag = holdingStart ? Drag::LoopStart : Drag::LoopEnd;
    }
    record.stateFlags |= kStateChanged;
    update();
    m_notifying = true;
    NotifyChange(m_record, kChangeLoopsMarkers);
    m_notifying = false;
}

void EditorView::RecordHandleLine() {
    WaveRecord& record = *m_record;
    const int editor = EditorNumberOf(&record);
    if (m_drag == Drag::Marker) {
        if (const MarkerNode* marker = FindMarker(record, m_handleId))
            RecordLine([&] { return SetMarkerLine(editor, marker->id, marker->position); });
    } else if (const LoopNode* loop = FindLoop(record, m_handleId)) {
        const int role = record.releaseLoopId == loop->id   ? 2
                         : record.sustainLoopId == loop->id ? 1
                                                            : 0;
        RecordLine([&] {
            return SetLoopLine(editor, loop->id, loop->start, loop->end, loop->type & 1, role);
        });
    }
}

// ---- Overview strip ----

void EditorView::JumpFromOverview(QPointF pos) {
    WaveRecord& record = *m_record;
    const ViewLayout layout = Layout();
    if (record.frameCount == 0 || layout.overview.isEmpty()) return;
    const double t =
        std::clamp((pos.x() - layout.overview.left()) / layout.overview.width(), 0.0, 1.0);
    const uint64_t visible =
        ViewMapping::ForRecord(record, int(layout.lanesArea.width())).VisibleFrames();
    const double centre = t * record.frameCount;
    record.viewStart = uint32_t(std::max(0.0, centre - visible / 2.0));
    ViewChanged();
}

// ---- Zoombox ----

void EditorView::FinishZoombox(QPointF pos) {
    WaveRecord& record = *m_record;
    const ViewLayout layout = Layout();
    const QRectF box = QRectF(m_pressPos, pos).normalized().intersected(layout.lanesArea);
    m_drag = Drag::None;
    if (box.width() < 3 || !WaveHasData(&record)) {
        update();
        return;
    }
    const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    const uint32_t a = m.BoundaryForX(box.left() - layout.lanesArea.left());
    const uint32_t b = m.BoundaryForX(box.right() - layout.lanesArea.left());
    const int lane = LaneAt(box.center(), layout);
    if (box.height() >= 3 && lane >= 0) {
        const LevelMapping level = LevelMapping::For(record, layout.lanes[lane].rect.top(),
                                                     layout.lanes[lane].rect.height());
        ZoomToLevels(record, level.ValueForY(box.bottom()), level.ValueForY(box.top()));
    }
    if (b > a) ZoomToFrames(record, int(layout.lanesArea.width()), a, b - a);
    ViewChanged();
}

// ---- Freehand Draw ----

void EditorView::BeginStroke(QPointF pos, const ViewLayout& layout) {
    WaveRecord& record = *m_record;
    const int lane = LaneAt(pos, layout);
    const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    if (lane < 0 || !WaveHasData(&record)) return;
    if (!m.SampleLevel()) {
        UI().SetStatusText("Zoom in to single samples to draw.");
        return;
    }
    m_strokeChannel = layout.lanes[lane].channel;
    // The stroke stays inside the window, so a backup of the frames in view of
    // the lane's channel is one undo step that covers all of it.
    record.viewWidth = uint32_t(layout.lanesArea.width());
    const EditingState saved = gEditing;
    gEditing.affectArea = kAffectInView;
    gEditing.editChannel = 1u << m_strokeChannel;
    MakeBackup(record, kOpFreehandDraw, kBackupRange);
    gEditing = saved;
    m_strokeFrame = -1;
    m_drag = Drag::Draw;
    ContinueStroke(pos);
}

void EditorView::ContinueStroke(QPointF pos) {
    WaveRecord& record = *m_record;
    const ViewLayout layout = Layout();
    const ViewMapping m = ViewMapping::ForRecord(record, int(layout.lanesArea.width()));
    const Lane& lane = layout.lanes[std::min(m_strokeChannel, layout.laneCount - 1)];
    const double x =
        std::clamp(pos.x() - layout.lanesArea.left(), 0.0, layout.lanesArea.width() - 1);
    const int64_t frame = m.ClampedFrameForX(x);
    const LevelMapping level = LevelMapping::For(record, lane.rect.top(), lane.rect.height());
    const double value = std::clamp(level.ValueForY(pos.y()), -1.0, 1.0);
    float* samples = m_strokeChannel ? record.rightSamples : record.leftSamples;
    int64_t from = m_strokeFrame < 0 ? frame : m_strokeFrame;
    const double fromValue = m_strokeFrame < 0 ? value : m_strokeValue;
    const int64_t lo = std::min(from, frame), hi = std::max(from, frame);
    for (int64_t f = lo; f <= hi; ++f) {
        const double t = hi == lo ? 1.0 : double(f - from) / double(frame - from);
        samples[f] = float(fromValue + (value - fromValue) * t);
    }
    if (m_strokeFrame < 0) {
        m_strokeFirst = uint32_t(lo);
        m_strokeLast = uint32_t(hi);
    } else {
        m_strokeFirst = std::min(m_strokeFirst, uint32_t(lo));
        m_strokeLast = std::max(m_strokeLast, uint32_t(hi));
    }
    m_strokeFrame = frame;
    m_strokeValue = value;
    InvalidateFrames(uint32_t(lo), uint32_t(hi) + 1);
    m_stripValid = false;
    update();
}

void EditorView::EndStroke() {
    m_drag = Drag::None;
    if (!m_record || m_strokeFrame < 0) return;
    WaveRecord& record = *m_record;
    const uint32_t length = m_strokeLast - m_strokeFirst + 1;
    UpdateOverview(record, m_strokeFirst, length, 1u << m_strokeChannel);
    record.stateFlags |= kStateChanged;
    m_strokeFrame = -1;
    ChangeNotice notice;
    notice.record = m_record;
    notice.what = kChangeSamples | kChangeUndo;
    notice.firstFrame = m_strokeFirst;
    notice.endFrame = m_strokeFirst + length;
    m_notifying = true;
    NotifyChange(notice);
    m_notifying = false;
}

// ---- Events ----

void EditorView::mousePressEvent(QMouseEvent* event) {
    if (m_record && event->button() == Qt::MiddleButton && m_drag == Drag::None &&
        WaveHasData(m_record) && BeginShuffle(event->position()))
        return;
    if (!m_record || event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPointF pos = event->position();
    const ViewLayout layout = Layout();
    m_pressPos = pos;
    m_pointer = pos;
    if (!layout.overview.isEmpty() && layout.overview.contains(pos)) {
        m_drag = Drag::Overview;
        JumpFromOverview(pos);
        return;
    }
    const QRectF active = layout.lanesArea.united(layout.timeRuler);
    if (!active.contains(pos) || !WaveHasData(m_record)) return;
    switch (m_mode) {
        case kModeZoombox:
            m_drag = Drag::Zoombox;
            update();
            break;
        case kModeFreehand:
            BeginStroke(pos, layout);
            break;
        case kModeScrub:
            // The sound under the pointer plays as the pointer moves.
            if (StartScrub(*m_record, PointerFrame(pos)) == 0) m_drag = Drag::Scrub;
            break;
        default: {
            Drag kind = Drag::None;
            int id = 0;
            if (PlacementPending(m_record)) {
                // The Mouse button of Set Marker or Set Loop waits for this click.
                const ViewMapping m =
                    ViewMapping::ForRecord(*m_record, int(layout.lanesArea.width()));
                PlaceAt(
                    *m_record,
                    uint32_t(m.ClampedFrameForX(std::clamp(pos.x() - layout.lanesArea.left(), 0.0,
                                                           layout.lanesArea.width() - 1))));
                UI().SetStatusText(PlacementPrompt());
                update();
            } else if (!(event->modifiers() & Qt::ShiftModifier) &&
                       HitHandle(pos, layout, kind, id)) {
                m_drag = kind;
                m_handleId = id;
            } else {
                BeginSelection(pos, event->modifiers(), layout);
            }
        }
    }
}

void EditorView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_record) return;
    const QPointF pos = event->position();
    m_pointer = pos;
    m_pointerInside = true;
    switch (m_drag) {
        case Drag::Select:
            ExtendSelection(pos);
            break;
        case Drag::Marker:
        case Drag::LoopStart:
        case Drag::LoopEnd:
            MoveHandle(pos);
            break;
        case Drag::Overview:
            JumpFromOverview(pos);
            break;
        case Drag::Draw:
            ContinueStroke(pos);
            break;
        case Drag::Zoombox:
            update();
            break;
        case Drag::Shuffle:
            update();  // the drop line follows the pointer
            break;
        case Drag::Scrub:
            ScrubTo(PointerFrame(pos));
            break;
        case Drag::None: {
            const ViewLayout layout = Layout();
            Drag kind = Drag::None;
            int id = 0;
            if (m_mode == kModeNormal && HitHandle(pos, layout, kind, id))
                setCursor(Qt::SizeHorCursor);
            else
                setCursor(m_mode == kModeNormal    ? Qt::IBeamCursor
                          : m_mode == kModeZoombox ? Qt::CrossCursor
                          : m_mode == kModeScrub   ? Qt::SizeHorCursor
                                                   : Qt::PointingHandCursor);
            if (m_record->displayOptions & kViewXYReadout) update();
            break;
        }
    }
    UpdateReadout(pos, true);
}

void EditorView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_drag == Drag::Shuffle && event->button() == Qt::MiddleButton) {
        m_drag = Drag::None;
        FinishShuffle(event->position());
        return;
    }
    if (!m_record || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    switch (m_drag) {
        case Drag::Select:
            ExtendSelection(event->position());
            break;
        case Drag::Zoombox:
            FinishZoombox(event->position());
            break;
        case Drag::Draw:
            ContinueStroke(event->position());
            EndStroke();
            break;
        case Drag::Scrub:
            StopScrub();
            break;
        case Drag::Marker:
        case Drag::LoopStart:
        case Drag::LoopEnd:
            RecordHandleLine();
            break;
        default:
            break;
    }
    m_drag = Drag::None;
}

void EditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_record || event->button() != Qt::LeftButton || m_mode != kModeNormal) return;
    if (!Layout().lanesArea.contains(event->position()) || !WaveHasData(m_record)) return;
    m_drag = Drag::None;
    m_record->mouseStart = 0;
    m_record->mouseLength = m_record->frameCount;
    m_record->mouseChannels = ExistingChannels(*m_record);
    gEditing.affectArea = kAffectMouse;
    SelectionChanged();
}

void EditorView::wheelEvent(QWheelEvent* event) {
    if (!m_record || !WaveHasData(m_record)) return;
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() ? angle.y() : angle.x();
    if (delta == 0) return;
    const ViewLayout layout = Layout();
    const int width = int(layout.lanesArea.width());
    if (event->modifiers() & Qt::ControlModifier) {
        ZoomTime(*m_record, width, delta > 0,
                 std::clamp(event->position().x() - layout.lanesArea.left(), 0.0, double(width)));
    } else if (event->modifiers() & Qt::ShiftModifier) {
        ZoomLevel(*m_record, delta > 0);
    } else {
        // A notch moves a tenth of the view, in whole columns so the cache is reused.
        const ViewMapping m = ViewMapping::ForRecord(*m_record, width);
        int64_t step = int64_t(m.VisibleFrames() / 10);
        step = std::max<int64_t>(step - step % m.framesPerPixel, m.framesPerPixel);
        ScrollFrames(
            *m_record, width,
            delta > 0 ? -step * std::max(1, delta / 120) : step * std::max(1, -delta / 120));
    }
    ViewChanged();
    event->accept();
}

void EditorView::leaveEvent(QEvent* event) {
    m_pointerInside = false;
    update();
    UpdateReadout(m_pointer, false);
    QWidget::leaveEvent(event);
}

}  // namespace ob
