// Time and level rulers of the editor view, in the record's units.
#include "app/view_rulers.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/view_units.h"

namespace ob {

void PaintTimeRuler(QPainter& painter, const QRectF& rect, const WaveRecord& record,
                    const ViewMapping& mapping, const QPalette& palette) {
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, palette.color(QPalette::Window));
    painter.setPen(QPen(palette.color(QPalette::WindowText), 0));
    painter.drawLine(QPointF(rect.left(), rect.bottom() - 0.5),
                     QPointF(rect.right(), rect.bottom() - 0.5));
    if (record.frameCount == 0 || mapping.width <= 0) {
        painter.restore();
        return;
    }
    const uint32_t unit = TimeUnitOf(record);
    const double framesPerPixel =
        mapping.framesPerPixel > 1 ? double(mapping.framesPerPixel) : 1.0 / mapping.pixelsPerFrame;
    const QFontMetricsF metrics(painter.font());
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("00:00:00:00.0")) + 12;
    const double step = RulerStepFrames(record, unit, labelWidth * framesPerPixel);
    const double first = std::floor((mapping.start + double(record.displayOffset)) / step) * step -
                         double(record.displayOffset);
    const double end = mapping.start + mapping.width * framesPerPixel;
    for (double f = first; f <= end; f += step / 5.0) {
        if (f < 0) continue;
        const double x = rect.left() + std::floor(mapping.XForFrameExact(f)) + 0.5;
        const double sub = std::fmod(std::round((f + record.displayOffset) / (step / 5.0)), 5.0);
        const bool major = sub == 0.0;
        painter.drawLine(QPointF(x, rect.bottom() - (major ? 8 : 4)), QPointF(x, rect.bottom()));
        if (major) {
            QString text = RulerLabel(record, unit, uint64_t(std::llround(f)), step);
            painter.drawText(QPointF(x + 3, rect.top() + metrics.ascent() + 1), text);
        }
    }
    painter.restore();
}

static std::vector<double> LevelTicks(const WaveRecord& record, double lo, double hi,
                                      double pixelsPerUnit) {
    std::vector<double> ticks;
    if (LevelUnitOf(record) >= kLevelDb) {
        for (double db : {0.0, -1.0, -2.0, -3.0, -6.0, -9.0, -12.0, -18.0, -24.0, -30.0, -36.0,
                          -48.0, -60.0, -72.0, -90.0}) {
            double a = std::pow(10.0, db / 20.0);
            for (double v : {a, -a})
                if (v >= lo && v <= hi) ticks.push_back(v);
        }
        std::sort(ticks.begin(), ticks.end());
        return ticks;
    }
    // Percent and value: a 1-2-5 step at least 24 pixels apart.
    double step = 1e-5;
    for (double decade = 1e-5; decade < 10; decade *= 10) {
        bool found = false;
        for (double m : {1.0, 2.0, 5.0})
            if (m * decade * pixelsPerUnit >= 24) {
                step = m * decade;
                found = true;
                break;
            }
        if (found) break;
        step = 10 * decade;
    }
    for (double v = std::ceil(lo / step) * step; v <= hi; v += step)
        ticks.push_back(std::fabs(v) < step / 2 ? 0.0 : v);
    return ticks;
}

void PaintLevelRuler(QPainter& painter, const QRectF& rect, const QRectF& lane,
                     const WaveRecord& record, const QPalette& palette) {
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, palette.color(QPalette::Window));
    painter.setPen(QPen(palette.color(QPalette::WindowText), 0));
    painter.drawLine(QPointF(rect.right() - 0.5, rect.top()),
                     QPointF(rect.right() - 0.5, rect.bottom()));
    const LevelMapping level = LevelMapping::For(record, lane.top(), lane.height());
    const double hi = level.ValueForY(lane.top());
    const double lo = level.ValueForY(lane.bottom());
    const double pixelsPerUnit = lane.height() / std::max(hi - lo, 1e-9);
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    double lastLabelY = -1e9;
    for (double v : LevelTicks(record, lo, hi, pixelsPerUnit)) {
        const double y = std::floor(level.YForValue(v)) + 0.5;
        painter.drawLine(QPointF(rect.right() - 5, y), QPointF(rect.right(), y));
        if (std::fabs(y - lastLabelY) < metrics.height()) continue;
        QString text = LevelText(record, v);
        text.remove(QStringLiteral(" %"))
            .remove(QStringLiteral(" dB RMS"))
            .remove(QStringLiteral(" dB"));
        QRectF box(rect.left(), y - metrics.height() / 2, rect.width() - 7, metrics.height());
        if (box.top() < rect.top()) box.moveTop(rect.top());
        if (box.bottom() > rect.bottom()) box.moveBottom(rect.bottom());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
        lastLabelY = y;
    }
    painter.restore();
}

}  // namespace ob
