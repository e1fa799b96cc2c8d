// The curve drawing area.
#include "app/curve_editor.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace ob {

namespace {
constexpr int kMargin = 1;  // a frame pixel around the area
}

CurveEditor::CurveEditor(const CurveGeometry& geometry, QWidget* parent)
    : QWidget(parent), geometry_(geometry), drawing_(geometry), values_(geometry.points, 0) {
    setFixedSize(sizeHint());
    setCursor(Qt::CrossCursor);
}

QSize CurveEditor::sizeHint() const {
    return QSize(geometry_.points * geometry_.pointWidth + 2 * kMargin,
                 geometry_.height + 2 * kMargin);
}

void CurveEditor::SetValues(const std::vector<int>& values) {
    if (int(values.size()) != geometry_.points || values == values_) return;
    values_ = values;
    update();
    emit changed();
}

int CurveEditor::PixelOf(int point, int value) const {
    if (&geometry_ == &kTransferGeometry) return point < 65 ? (value + 64) * 2 : (64 - value) * 2;
    return value;
}

void CurveEditor::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = geometry_.points * geometry_.pointWidth, h = geometry_.height;
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    painter.translate(kMargin, kMargin);
    painter.fillRect(0, 0, w, h, Qt::black);
    painter.setPen(QColor(70, 70, 70));
    painter.drawLine(0, h / 2, w - 1, h / 2);
    if (&geometry_ == &kTransferGeometry) painter.drawLine(w / 2, 0, w / 2, h - 1);
    QPolygon line;
    for (int p = 0; p < geometry_.points; ++p) {
        int y = PixelOf(p, values_[p]);
        line << QPoint(p * geometry_.pointWidth, y)
             << QPoint(p * geometry_.pointWidth + geometry_.pointWidth - 1, y);
    }
    painter.setPen(QPen(QColor(80, 230, 80), 1));
    painter.drawPolyline(line);
}

void CurveEditor::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QPoint at = event->position().toPoint() - QPoint(kMargin, kMargin);
    drawing_.Press(values_, at.x(), at.y());
    update();
    emit changed();
}

void CurveEditor::mouseMoveEvent(QMouseEvent* event) {
    if (!drawing_.Down()) return;
    QPoint at = event->position().toPoint() - QPoint(kMargin, kMargin);
    drawing_.Move(values_, at.x(), at.y());
    update();
    emit changed();
}

void CurveEditor::mouseReleaseEvent(QMouseEvent*) {
    drawing_.Release();
}

}  // namespace ob
