// The drawing area of the curve dialogs (Envelope Generator, Transfer
// Function): shows a curve of N points and lets the mouse draw it through the
// Qt-free drawing model (dsp/curve_model.h), which clamps every position to
// the area and does the line and restore rules.
#pragma once

#include <QWidget>
#include <vector>

#include "dsp/curve_model.h"

namespace ob {

class CurveEditor : public QWidget {
    Q_OBJECT
  public:
    CurveEditor(const CurveGeometry& geometry, QWidget* parent = nullptr);
    void SetValues(const std::vector<int>& values);
    const std::vector<int>& Values() const { return values_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    void changed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // The y pixel showing point p's value (the inverse of the geometry's map).
    int PixelOf(int point, int value) const;
    const CurveGeometry& geometry_;
    CurveDrawing drawing_;
    std::vector<int> values_;
};

}  // namespace ob
