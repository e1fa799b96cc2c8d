// The spectrum chart: its grid and range, and the painter drawing.
#include "app/spectrum_chart.h"

#include <QFont>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace ob {

QString SpectrumAmplitudeTitle(uint32_t options) {
    return (options & kSpectrumDecibels) ? "Amplitude (dB)" : "Amplitude";
}

SpectrumChart MakeSpectrumChart(const SpectrumData& data, uint32_t options, uint8_t drawStyles) {
    SpectrumChart chart;
    chart.options = options;
    chart.drawStyles = drawStyles;
    chart.grid = ReduceSpectrum(data, options);
    SpectrumGrid& grid = chart.grid;
    if (grid.rows == 1) {
        // A surface needs two rows: the one record spans its own length.
        grid.rows = 2;
        grid.cells.insert(grid.cells.end(), grid.cells.begin(), grid.cells.end());
        grid.rowValues.push_back(grid.rowValues[0] + (data.rate ? double(data.n) / data.rate : 1));
    }
    if (!grid.cells.empty()) {
        auto [low, high] = std::minmax_element(grid.cells.begin(), grid.cells.end());
        chart.low = *low;
        chart.high = *high > *low ? *high : *low + 1;
    }
    return chart;
}

SpectrumGrid ThinSpectrumGrid(const SpectrumGrid& grid, int maxRows, int maxColumns) {
    if (grid.rows <= maxRows && grid.columns <= maxColumns) return grid;
    const int rowStep = (grid.rows + maxRows - 1) / maxRows;
    const int columnStep = (grid.columns + maxColumns - 1) / maxColumns;
    SpectrumGrid thin;
    thin.rows = (grid.rows + rowStep - 1) / rowStep;
    thin.columns = (grid.columns + columnStep - 1) / columnStep;
    thin.cells.assign(size_t(thin.rows) * size_t(thin.columns), 0.0);
    for (int r = 0; r < thin.rows; ++r) {
        thin.rowValues.push_back(grid.rowValues[size_t(r) * rowStep]);
        for (int c = 0; c < thin.columns; ++c) {
            double m = grid.At(r * rowStep, c * columnStep);
            for (int i = r * rowStep; i < std::min(grid.rows, (r + 1) * rowStep); ++i)
                for (int j = c * columnStep; j < std::min(grid.columns, (c + 1) * columnStep); ++j)
                    m = std::max(m, grid.At(i, j));
            thin.cells[size_t(r) * thin.columns + c] = m;
        }
    }
    for (int c = 0; c < thin.columns; ++c)
        thin.columnValues.push_back(grid.columnValues[size_t(c) * columnStep]);
    return thin;
}

QColor SpectrumZoneColour(double level) {
    int zone = int(std::floor(std::clamp(level, 0.0, 1.0) * kSpectrumZones));
    zone = std::min(zone, kSpectrumZones - 1);
    // Blue (low) through green and yellow to red (high).
    const double hue = 240.0 * (1.0 - double(zone) / (kSpectrumZones - 1));
    return QColor::fromHsvF(float(hue / 360.0), 0.85f, 0.95f);
}

namespace {

// The oblique projection: frequency to the right, time into the depth (up
// and to the right), amplitude up.
struct Projection {
    QRectF plot;
    QPointF Point(double x, double depth, double height) const {
        return {plot.left() + (x * 0.72 + depth * 0.28) * plot.width(),
                plot.bottom() - (depth * 0.32 + height * 0.62) * plot.height()};
    }
};

QString AxisNumber(double v) {
    return std::abs(v) >= 100 || v == 0 ? QString::number(v, 'f', 0) : QString::number(v, 'g', 3);
}

}  // namespace

void PaintSpectrumChart(QPainter& painter, const QRectF& area, const SpectrumChart& chart) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const bool white = chart.options & kSpectrumWhiteBackground;
    const QColor background = white ? Qt::white : QColor(0x30, 0x34, 0x40);
    const QColor ink = white ? Qt::black : QColor(0xe8, 0xe8, 0xe8);
    painter.fillRect(area, background);
    QFont font = painter.font();
    font.setPointSizeF((chart.options & kSpectrumLargeLabels) ? 12 : 8);
    if (chart.options & kSpectrumScriptLabels) {
        font.setFamily("serif");
        font.setItalic(true);
    }
    painter.setFont(font);
    painter.setPen(ink);
    const double line = font.pointSizeF() * 2.0;
    painter.drawText(QRectF(area.left(), area.top() + 4, area.width(), line), Qt::AlignCenter,
                     kSpectrumHeader);
    const QRectF plot =
        area.adjusted(area.width() * 0.1, line * 1.8, -area.width() * 0.06, -line * 2.2);
    const Projection p{plot};
    const SpectrumGrid grid = ThinSpectrumGrid(chart.grid, 120, 160);
    if (grid.rows >= 1 && grid.columns >= 2) {
        const double span = chart.high - chart.low;
        auto height = [&](int r, int c) { return (grid.At(r, c) - chart.low) / span; };
        auto x = [&](int c) { return double(c) / (grid.columns - 1); };
        auto depth = [&](int r) { return grid.rows > 1 ? double(r) / (grid.rows - 1) : 0.0; };
        const bool solid = chart.options & kSpectrumSolid;
        const bool shaded = chart.drawStyles & kDrawShaded;
        const bool zones = chart.drawStyles & kDrawZones;
        const bool mesh = chart.drawStyles & kDrawMesh;
        const bool contours = chart.drawStyles & kDrawContours;
        const QColor meshColour = (chart.options & kSpectrumWhiteMesh) ? Qt::white : Qt::black;
        // The floor, with the projected zones or contours of the surface.
        const bool projectZones = chart.options & kSpectrumProjectZones;
        const bool projectContours = chart.options & kSpectrumProjectContours;
        if (projectZones || projectContours) {
            for (int r = 0; r + 1 < grid.rows; ++r)
                for (int c = 0; c + 1 < grid.columns; ++c) {
                    QPolygonF q;
                    q << p.Point(x(c), depth(r), 0) << p.Point(x(c + 1), depth(r), 0)
                      << p.Point(x(c + 1), depth(r + 1), 0) << p.Point(x(c), depth(r + 1), 0);
                    const QColor colour = SpectrumZoneColour(height(r, c));
                    painter.setPen(projectContours ? QPen(colour.darker(160), 0.5) : Qt::NoPen);
                    painter.setBrush(projectZones ? QBrush(colour.lighter(130)) : Qt::NoBrush);
                    painter.drawPolygon(q);
                }
        }
        // Back to front, so that nearer cells cover farther ones.
        for (int r = grid.rows - 2; r >= 0; --r)
            for (int c = 0; c + 1 < grid.columns; ++c) {
                const double h00 = height(r, c), h01 = height(r, c + 1);
                const double h10 = height(r + 1, c), h11 = height(r + 1, c + 1);
                QPolygonF q;
                q << p.Point(x(c), depth(r), h00) << p.Point(x(c + 1), depth(r), h01)
                  << p.Point(x(c + 1), depth(r + 1), h11) << p.Point(x(c), depth(r + 1), h10);
                const double level = (h00 + h01 + h10 + h11) / 4;
                QColor fill = background;
                if (zones) {
                    fill = SpectrumZoneColour(level);
                } else if (shaded) {
                    // Lit from the front left: brighter where the surface faces it.
                    const double slope = std::clamp(0.6 + (h00 - h11) * 4.0, 0.2, 1.0);
                    fill = QColor::fromHsvF(0.58f, 0.55f, float(slope));
                }
                painter.setBrush(shaded || zones || solid ? QBrush(fill) : Qt::NoBrush);
                QPen pen = Qt::NoPen;
                if (mesh)
                    pen = QPen(meshColour, 0.4);
                else if (contours)
                    pen = QPen(SpectrumZoneColour(level).darker(150), 0.6);
                else if (!shaded && !zones)
                    pen = QPen(ink, 0.4);
                painter.setPen(pen);
                painter.drawPolygon(q);
            }
    }
    // The axes along the floor's edges, with their end values.
    painter.setPen(QPen(ink, 1));
    painter.setBrush(Qt::NoBrush);
    const int rows = chart.grid.rows, columns = chart.grid.columns;
    if (chart.options & kSpectrumFrequencyAxis) {
        painter.drawLine(p.Point(0, 0, 0), p.Point(1, 0, 0));
        painter.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width() * 0.72, line),
                         Qt::AlignCenter, kSpectrumFrequencyTitle);
        if (columns > 0) {
            painter.drawText(p.Point(0, 0, 0) + QPointF(0, line * 0.6),
                             AxisNumber(chart.grid.columnValues.front()));
            painter.drawText(p.Point(1, 0, 0) + QPointF(-20, line * 0.6),
                             AxisNumber(chart.grid.columnValues.back()));
        }
    }
    if (chart.options & kSpectrumTimeAxis) {
        painter.drawLine(p.Point(1, 0, 0), p.Point(1, 1, 0));
        painter.drawText(p.Point(1, 0.5, 0) + QPointF(6, 0), kSpectrumTimeTitle);
        if (rows > 0)
            painter.drawText(p.Point(1, 1, 0) + QPointF(6, 0),
                             AxisNumber(chart.grid.rowValues.back()));
    }
    if (chart.options & kSpectrumAmplitudeAxis) {
        painter.drawLine(p.Point(0, 0, 0), p.Point(0, 0, 1));
        painter.save();
        const QPointF middle = p.Point(0, 0, 0.5) - QPointF(line * 0.8, 0);
        painter.translate(middle);
        painter.rotate(-90);
        painter.drawText(QRectF(-plot.height() * 0.4, -line, plot.height() * 0.8, line),
                         Qt::AlignCenter, SpectrumAmplitudeTitle(chart.options));
        painter.restore();
        painter.drawText(p.Point(0, 0, 1) + QPointF(-line * 2.2, 0), AxisNumber(chart.high));
        painter.drawText(p.Point(0, 0, 0) + QPointF(-line * 2.2, 0), AxisNumber(chart.low));
    }
    painter.restore();
}

QImage SpectrumChartImage(const SpectrumChart& chart, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintSpectrumChart(painter, QRectF(QPointF(0, 0), QSizeF(size)), chart);
    return image;
}

bool SpectrumSurfaceAvailable() {
    static const bool available = [] {
        QOpenGLContext context;
        return context.create();
    }();
    return available;
}

}  // namespace ob
