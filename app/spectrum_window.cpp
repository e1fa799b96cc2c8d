// The analysis window: the surface, its menus, and the save, copy and print
// paths.
#include "app/spectrum_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/Q3DTheme>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>
#include <QtDataVisualization/QValue3DAxis>

#include "app/editor_window.h"
#include "base/messages.h"

namespace ob {

namespace {

// The painter drawing as a widget (where there is no OpenGL).
class ChartView : public QWidget {
  public:
    explicit ChartView(const SpectrumChart* chart) : chart_(chart) {
        setObjectName("chartView");
        setMinimumSize(200, 150);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintSpectrumChart(painter, QRectF(rect()), *chart_);
    }

  private:
    const SpectrumChart* chart_;
};

// A gradient of the zones in hard steps; contour lines as dark bands at the
// steps' edges.
QLinearGradient ZoneGradient(bool zones, bool contours) {
    QLinearGradient gradient(0, 0, 1, 100);
    for (int z = 0; z < kSpectrumZones; ++z) {
        const double from = double(z) / kSpectrumZones, to = double(z + 1) / kSpectrumZones;
        QColor colour = zones ? SpectrumZoneColour((from + to) / 2) : QColor(0x70, 0xa0, 0xd0);
        gradient.setColorAt(from + 1e-4, colour);
        if (contours) {
            gradient.setColorAt(to - 0.006, colour);
            gradient.setColorAt(to - 0.005, colour.darker(250));
        }
        gradient.setColorAt(to - 1e-4, contours ? colour.darker(250) : colour);
    }
    return gradient;
}

}  // namespace

// The OpenGL surface in its window container.
class SpectrumWindow::Surface {
  public:
    explicit Surface(QWidget* parent) {
        graph = new Q3DSurface;
        series = new QSurface3DSeries;
        graph->addSeries(series);
        graph->setAxisX(new QValue3DAxis);
        graph->setAxisY(new QValue3DAxis);
        graph->setAxisZ(new QValue3DAxis);
        // Seen from the front right and above: frequency across, time into the depth.
        graph->scene()->activeCamera()->setCameraPosition(-35.0f, 25.0f, 90.0f);
        container = QWidget::createWindowContainer(graph, parent);
        container->setObjectName("surface");
        container->setMinimumSize(200, 150);
    }
    void Set(const SpectrumChart& chart) {
        const SpectrumGrid grid = ThinSpectrumGrid(chart.grid, 250, 400);
        auto* array = new QSurfaceDataArray;
        array->reserve(grid.rows);
        for (int r = 0; r < grid.rows; ++r) {
            auto* row = new QSurfaceDataRow(grid.columns);
            for (int c = 0; c < grid.columns; ++c)
                (*row)[c].setPosition(QVector3D(float(grid.columnValues[size_t(c)]),
                                                float(grid.At(r, c)),
                                                float(grid.rowValues[size_t(r)])));
            array->append(row);
        }
        series->dataProxy()->resetArray(array);
        const uint32_t o = chart.options;
        struct {
            QValue3DAxis* axis;
            QString title;
            bool on;
        } axes[3] = {{graph->axisX(), kSpectrumFrequencyTitle, bool(o & kSpectrumFrequencyAxis)},
                     {graph->axisY(), SpectrumAmplitudeTitle(o), bool(o & kSpectrumAmplitudeAxis)},
                     {graph->axisZ(), kSpectrumTimeTitle, bool(o & kSpectrumTimeAxis)}};
        for (auto& a : axes) {
            a.axis->setTitle(a.title);
            a.axis->setTitleVisible(a.on);
            a.axis->setLabelFormat(a.on ? "%.4g" : " ");
        }
        graph->axisY()->setRange(float(chart.low), float(chart.high));
        Q3DTheme* theme = graph->activeTheme();
        const bool white = o & kSpectrumWhiteBackground;
        theme->setBackgroundColor(white ? Qt::white : QColor(0x30, 0x34, 0x40));
        theme->setWindowColor(white ? Qt::white : QColor(0x30, 0x34, 0x40));
        theme->setLabelTextColor(white ? Qt::black : QColor(0xe8, 0xe8, 0xe8));
        theme->setLabelBackgroundEnabled(false);
        QFont font = theme->font();
        font.setPointSize((o & kSpectrumLargeLabels) ? 48 : 32);
        font.setItalic(o & kSpectrumScriptLabels);
        if (o & kSpectrumScriptLabels) font.setFamily("serif");
        theme->setFont(font);
        const uint8_t s = chart.drawStyles;
        const bool fill = (s & (kDrawShaded | kDrawZones | kDrawContours)) || (o & kSpectrumSolid);
        QSurface3DSeries::DrawFlags flags;
        if (fill) flags |= QSurface3DSeries::DrawSurface;
        if ((s & kDrawMesh) || !fill) flags |= QSurface3DSeries::DrawWireframe;
        series->setDrawMode(flags);
        series->setWireframeColor((o & kSpectrumWhiteMesh) ? Qt::white : Qt::black);
        series->setFlatShadingEnabled(!(s & kDrawShaded));
        series->setBaseGradient(ZoneGradient(s & kDrawZones, s & kDrawContours));
        series->setColorStyle(Q3DTheme::ColorStyleRangeGradient);
    }
    QImage Render(const QSize& size) { return graph->renderToImage(0, size); }

    Q3DSurface* graph;
    QSurface3DSeries* series;
    QWidget* container;
};

QPointer<SpectrumWindow> SpectrumWindow::current_;

SpectrumWindow* SpectrumWindow::Current() {
    return current_.data();
}

SpectrumWindow* SpectrumWindow::Show(QWidget* parent, EditorWindow* source,
                                     const QString& editorName, const SpectrumData& data,
                                     uint32_t options, uint8_t drawStyles) {
    if (!current_) {
        current_ = new SpectrumWindow(parent);
        current_->resize(600, 400);
    }
    current_->source_ = source;
    current_->SetAnalysis(editorName, data, options, drawStyles);
    current_->show();
    current_->raise();
    return current_;
}

SpectrumWindow::SpectrumWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName("spectrumWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    if (SpectrumSurfaceAvailable()) {
        auto* header = new QLabel(kSpectrumHeader, central);
        header->setObjectName("header");
        header->setAlignment(Qt::AlignCenter);
        layout->addWidget(header);
        surface_ = new Surface(central);
        layout->addWidget(surface_->container, 1);
    } else {
        chartView_ = new ChartView(&chart_);
        layout->addWidget(chartView_, 1);
    }
    setCentralWidget(central);
    BuildMenus();
}

SpectrumWindow::~SpectrumWindow() {
    delete surface_;  // the graph itself belongs to its container
}

void SpectrumWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("Save As &BMP...", this, [this] { ChooseAndSaveImage("BMP"); });
    file->addAction("Save As &JPEG...", this, [this] { ChooseAndSaveImage("JPG"); });
    file->addAction("Save As &Text...", this, [this] { ChooseAndSaveText(); });
    file->addAction("&Copy to Clipboard", this, [this] { CopyToClipboard(); });
    file->addAction("&Print Graph...", this, [this] { ChooseAndPrint(); });
    file->addSeparator();
    file->addAction("&Close", this, &QWidget::close);
    QMenu* draw = menuBar()->addMenu("&Draw");
    const struct {
        const char* text;
        uint8_t style;
    } styles[4] = {{"Draw &Mesh", kDrawMesh},
                   {"Draw &Shaded", kDrawShaded},
                   {"Draw &Contours", kDrawContours},
                   {"Draw &Zones", kDrawZones}};
    for (int i = 0; i < 4; ++i) {
        QAction* action = draw->addAction(styles[i].text);
        action->setCheckable(true);
        const uint8_t style = styles[i].style;
        connect(action, &QAction::toggled, this,
                [this, style](bool on) { SetDrawStyle(style, on); });
        styleActions_[i] = action;
    }
    menuBar()->addAction("&Options...", this, [this] {
        // The dialog again for the analysed editor.
        QPointer<EditorWindow> source = source_;
        RunSpectrumAnalysis(source.data());
    });
}

void SpectrumWindow::SetAnalysis(const QString& editorName, const SpectrumData& data,
                                 uint32_t options, uint8_t drawStyles) {
    setWindowTitle(QString("Spectral Analysis of %1").arg(editorName));
    data_ = data;
    chart_ = MakeSpectrumChart(data_, options, drawStyles);
    const uint8_t bits[4] = {kDrawMesh, kDrawShaded, kDrawContours, kDrawZones};
    for (int i = 0; i < 4; ++i) {
        QSignalBlocker block(styleActions_[i]);
        styleActions_[i]->setChecked(drawStyles & bits[i]);
    }
    Redraw();
}

void SpectrumWindow::SetDrawStyle(uint8_t style, bool on) {
    chart_.drawStyles = on ? (chart_.drawStyles | style) : (chart_.drawStyles & ~style);
    CurrentSpectrumSettings().drawStyles = chart_.drawStyles;
    const uint8_t bits[4] = {kDrawMesh, kDrawShaded, kDrawContours, kDrawZones};
    for (int i = 0; i < 4; ++i)
        if (bits[i] == style && styleActions_[i]->isChecked() != on) {
            QSignalBlocker block(styleActions_[i]);
            styleActions_[i]->setChecked(on);
        }
    Redraw();
}

void SpectrumWindow::Redraw() {
    if (surface_) surface_->Set(chart_);
    if (chartView_) chartView_->update();
}

QImage SpectrumWindow::ChartImage(QSize size) const {
    QWidget* view = surface_ ? surface_->container : chartView_;
    if (!size.isValid() || size.isEmpty()) size = view->size().expandedTo(QSize(200, 150));
    if (!surface_) return SpectrumChartImage(chart_, size);
    QImage image = surface_->Render(size).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return SpectrumChartImage(chart_, size);
    // The header above the surface, as the window shows it.
    QPainter painter(&image);
    painter.setPen((chart_.options & kSpectrumWhiteBackground) ? Qt::black : Qt::white);
    painter.drawText(QRect(0, 4, image.width(), 24), Qt::AlignCenter, kSpectrumHeader);
    return image;
}

bool SpectrumWindow::SaveImage(const QString& path, const char* format) const {
    QImage image = ChartImage();
    return !image.isNull() && image.save(path, format, format[0] == 'J' ? 90 : -1);
}

int SpectrumWindow::SaveText(const QString& path) const {
    return WriteSpectrumText(path.toStdString(), data_);
}

void SpectrumWindow::CopyToClipboard() const {
    QApplication::clipboard()->setImage(ChartImage());
}

int SpectrumWindow::PrintTo(QPrinter& printer, const std::function<bool()>& aborted) const {
    printer.setDocName("Sample Orbick FFT Graph");
    QPainter painter;
    if (!painter.begin(&printer)) return kPrintFailed;
    auto cancelled = [&] {
        if (!aborted || !aborted()) return false;
        printer.abort();
        painter.end();
        return true;
    };
    if (cancelled()) return kPrintAborted;
    const QRect page = painter.viewport();
    const QRectF area(page.width() * 0.1, page.height() * 0.1, page.width() * 0.8,
                      page.height() * 0.8);
    if (surface_) {
        QImage image = ChartImage(QSize(1600, 1200));
        if (cancelled()) return kPrintAborted;
        painter.drawImage(area, image);
    } else {
        PaintSpectrumChart(painter, area, chart_);
    }
    if (cancelled()) return kPrintAborted;
    return painter.end() ? kPrinted : kPrintFailed;
}

int SpectrumWindow::PrintWithAbortBox(QPrinter& printer) {
    QDialog box(this);
    box.setObjectName("printAbort");
    box.setWindowTitle("Sample Orbick");
    box.setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(
        QString("Printing \"%1\"...")
            .arg(printer.docName().isEmpty() ? "Sample Orbick FFT Graph" : printer.docName()),
        &box));
    auto* abort = new QPushButton("Abort", &box);
    abort->setObjectName("abort");
    layout->addWidget(abort, 0, Qt::AlignHCenter);
    bool stop = false;
    // Escape and the close box reject the box: both cancel the job too.
    connect(abort, &QPushButton::clicked, &box, [&] { stop = true; });
    connect(&box, &QDialog::rejected, &box, [&] { stop = true; });
    box.show();
    QCoreApplication::processEvents();
    return PrintTo(printer, [&] {
        QCoreApplication::processEvents();
        return stop;
    });
}

void SpectrumWindow::ChooseAndSaveImage(const char* format) {
    const bool bmp = format[0] == 'B';
    QString path = QFileDialog::getSaveFileName(
        this, bmp ? "Save As BMP" : "Save As JPEG", QString(),
        bmp ? "Bitmap Files (*.bmp);;All Files (*.*)" : "JPEG Files (*.jpg);;All Files (*.*)");
    if (path.isEmpty()) return;
    if (!SaveImage(path, format))
        ReportMessage(this, path.toStdString(), SpectrumResultText(kSpectrumWriteError));
}

void SpectrumWindow::ChooseAndSaveText() {
    QString path = QFileDialog::getSaveFileName(this, "Save As Text", QString(),
                                                "Text Files (*.txt);;All Files (*.*)");
    if (path.isEmpty()) return;
    int result = SaveText(path);
    if (result != kSpectrumOk) ReportMessage(this, path.toStdString(), SpectrumResultText(result));
}

void SpectrumWindow::ChooseAndPrint() {
    QPrinter printer;
    printer.setDocName("Sample Orbick FFT Graph");
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle("Print Graph");
    if (dialog.exec() != QDialog::Accepted) return;
    if (PrintWithAbortBox(printer) == kPrintFailed)
        ReportMessage(this, kSpectrumCaption, "Printing failed");
}

}  // namespace ob
