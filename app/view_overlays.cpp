// The affect area shown, markers and loops over the lanes.
#include "app/view_overlays.h"

#include <algorithm>
#include <cmath>

namespace ob {

const char* AffectAreaPrefix(uint16_t affectArea) {
    switch (affectArea) {
        case kAffectInView:
            return "In View ";
        case kAffectMarkers:
            return "Mark01 ";
        case kAffectMouse:
            return "Mouse ";
        default:
            return "All ";
    }
}

static uint32_t ExistingChannels(const WaveRecord& record) {
    return record.rightSamples ? 3u : 1u;
}

ShadedArea AffectAreaShown(const WaveRecord& record, uint16_t affectArea, uint32_t editChannel,
                           int viewWidth) {
    ShadedArea area;
    if (!WaveHasData(&record)) return area;
    const uint32_t count = record.frameCount;
    area.channels = editChannel & ExistingChannels(record);
    switch (affectArea) {
        case kAffectInView: {
            area.start = record.viewStart;
            uint32_t length =
                viewWidth > 0 ? VisibleFrames(uint32_t(viewWidth), record.viewSpan) : 2;
            area.length = std::min(length, count - area.start);
            break;
        }
        case kAffectMarkers: {
            const MarkerNode* m0 = nullptr;
            const MarkerNode* m1 = nullptr;
            for (const MarkerNode* m = record.markers; m; m = m->next) {
                if (m->id == 0) m0 = m;
                if (m->id == 1) m1 = m;
            }
            uint32_t a = (m0 && m1) ? m0->position : 0;
            uint32_t b = (m0 && m1) ? m1->position : 0;
            uint32_t upper = std::min(std::max(a, b), count - 1);
            uint32_t lower = std::min(std::min(a, b), upper);
            area.start = lower;
            area.length = upper - lower + 1;
            break;
        }
        case kAffectMouse:
            if (record.mouseChannels == 0) return ShadedArea{};
            area.start = std::min(record.mouseStart, count - 1);
            area.length = std::min(record.mouseLength, count - area.start);
            area.channels = record.mouseChannels & ExistingChannels(record);
            break;
        default:
            area.start = 0;
            area.length = count;
            break;
    }
    return area;
}

int AffectShadeAlpha(uint16_t affectArea) {
    return affectArea == kAffectAll ? 35 : 70;
}

static void Label(QPainter& painter, const QRectF& strip, double x, const QString& text,
                  const QColor& colour, bool alignRight) {
    const QFontMetricsF metrics(painter.font());
    const double w = metrics.horizontalAdvance(text) + 6;
    const double h = std::min(strip.height(), metrics.height() + 2);
    QRectF box(alignRight ? x - w : x, strip.bottom() - h, w, h);
    painter.fillRect(box, colour);
    painter.setPen(colour.lightness() > 140 ? Qt::black : Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

void PaintMarkersAndLoops(QPainter& painter, const OverlayJob& job, const QRectF& labelStrip) {
    const WaveRecord& record = *job.record;
    if (!WaveHasData(&record) || job.laneCount == 0) return;
    const double top = job.lanes[0].rect.top();
    const double bottom = job.lanes[job.laneCount - 1].rect.bottom();
    const double left = job.lanes[0].rect.left();
    const double right = job.lanes[0].rect.right();
    painter.save();
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    painter.setFont(font);
    auto xOf = [&](uint32_t frame) {
        return job.originX + std::floor(job.mapping.XForFrameCentre(frame)) + 0.5;
    };

    // Loops: dashed lines at both ends, a bar between them along the bottom.
    const QColor loopColour = job.colours->role[kColourLoops];
    for (const LoopNode* loop = record.loops; loop; loop = loop->next) {
        if (loop->type & kLoopTypeHidden) continue;
        QString name = loop->id == record.sustainLoopId   ? QStringLiteral("Sus")
                       : loop->id == record.releaseLoopId ? QStringLiteral("Rel")
                                                          : QStringLiteral("L%1").arg(loop->id);
        if (loop->type & 1) name += QStringLiteral(" <>");
        const double x0 = xOf(loop->start), x1 = xOf(loop->end);
        if (x1 < left || x0 > right) continue;
        painter.setClipRect(
            QRectF(left, labelStrip.top(), right - left, bottom - labelStrip.top()));
        QPen pen(loopColour, 0, Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(QPointF(x0, top), QPointF(x0, bottom));
        painter.drawLine(QPointF(x1, top), QPointF(x1, bottom));
        QColor band = loopColour;
        band.setAlpha(60);
        painter.fillRect(QRectF(x0, bottom - 6, x1 - x0, 6), band);
        Label(painter, labelStrip, x0, QStringLiteral("[") + name, loopColour, false);
        Label(painter, labelStrip, x1, name + QStringLiteral("]"), loopColour, true);
    }

    // Markers: a solid line and a flag with the number and name.
    const QColor markerColour = job.colours->role[kColourMarkers];
    for (const MarkerNode* marker = ShownMarkers(record); marker; marker = marker->next) {
        const double x = xOf(marker->position);
        if (x < left || x > right) continue;
        painter.setClipRect(
            QRectF(left, labelStrip.top(), right - left, bottom - labelStrip.top()));
        painter.setPen(QPen(markerColour, 0));
        painter.drawLine(QPointF(x, top), QPointF(x, bottom));
        QString text = QString::number(marker->id);
        if (!marker->name.empty())
            text += QStringLiteral(" ") + QString::fromStdString(marker->name);
        Label(painter, labelStrip, x, text, markerColour, false);
    }
    painter.restore();
}

}  // namespace ob
