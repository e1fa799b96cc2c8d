// The picture of a spectrum analysis: the grid of the analysis (rows of time,
// columns of frequency) with its labels, option flags and draw styles, and a
// painter drawing of it as a surface in an oblique projection. The analysis
// window shows the grid as an OpenGL surface when the display offers OpenGL;
// the painter drawing serves where it does not (and for printing without it).
#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <cstdint>

#include "analysis/spectrum.h"

class QPainter;

namespace ob {

struct SpectrumChart {
    SpectrumGrid grid;
    uint32_t options = 0;
    uint8_t drawStyles = kDrawShaded;
    double low = 0, high = 1;  // the amplitude range of the grid
};

constexpr const char* kSpectrumHeader = "Spectrum Analysis Plot";
constexpr const char* kSpectrumFrequencyTitle = "Frequency (Hertz)";
constexpr const char* kSpectrumTimeTitle = "Time (Seconds)";
// "Amplitude (dB)" in dB mode, else "Amplitude".
QString SpectrumAmplitudeTitle(uint32_t options);

// The chart of an analysis: the grid reduced by the options, and its range.
SpectrumChart MakeSpectrumChart(const SpectrumData& data, uint32_t options, uint8_t drawStyles);

// At most maxRows x maxColumns cells, each the largest of the block of cells
// it stands for (peaks stay visible); row and column values of each block's
// first cell. The grid itself when it is small enough.
SpectrumGrid ThinSpectrumGrid(const SpectrumGrid& grid, int maxRows, int maxColumns);

// The zones: the amplitude range in this many equal steps, each one colour.
constexpr int kSpectrumZones = 10;
// The colour of a level 0 .. 1 (the zone it falls in, blue to red).
QColor SpectrumZoneColour(double level);

// Draws the chart into `area`: background, header, the surface (zones,
// shading, mesh and contour lines by the draw styles), the projected zones
// and contours on the floor when asked, and the axes that are switched on.
void PaintSpectrumChart(QPainter& painter, const QRectF& area, const SpectrumChart& chart);
QImage SpectrumChartImage(const SpectrumChart& chart, const QSize& size);

// Whether this display can make an OpenGL context (the offscreen platform
// cannot); asked once.
bool SpectrumSurfaceAvailable();

}  // namespace ob
