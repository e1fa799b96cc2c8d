// The analysis window "Spectral Analysis of <editor>": the spectrum of the
// affect area as a 3-D surface (time, frequency, amplitude), with Save As
// BMP, Save As JPEG, Save As Text, Copy to Clipboard, Print Graph, the four
// draw styles and Options (the analysis dialog again). One window at a time;
// a new analysis refreshes it. The surface is an OpenGL surface where the
// display offers OpenGL, else the painter drawing of app/spectrum_chart.h.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "analysis/spectrum.h"
#include "app/spectrum_chart.h"

class QAction;
class QLabel;
class QPrinter;
class QStackedWidget;

namespace ob {

class EditorWindow;

enum PrintResult : int { kPrinted = 0, kPrintFailed = 1, kPrintAborted = 2 };

class SpectrumWindow : public QMainWindow {
    Q_OBJECT
  public:
    // The one window (null when closed).
    static SpectrumWindow* Current();
    // Creates the window or refreshes the one there is with a new analysis.
    // `source` is the editor whose dialog Options opens again.
    static SpectrumWindow* Show(QWidget* parent, EditorWindow* source, const QString& editorName,
                                const SpectrumData& data, uint32_t options, uint8_t drawStyles);
    ~SpectrumWindow() override;

    const SpectrumData& Data() const { return data_; }
    const SpectrumChart& Chart() const { return chart_; }
    // Whether the OpenGL surface shows the chart (else the painter drawing).
    bool HasSurface() const { return surface_ != nullptr; }

    // The chart as a picture of `size` (the window's chart size when empty).
    QImage ChartImage(QSize size = QSize()) const;
    // The picture as BMP or JPEG ("BMP", "JPG"); false when it cannot be written.
    bool SaveImage(const QString& path, const char* format) const;
    // The text export of the analysis shown; a SpectrumResult.
    int SaveText(const QString& path) const;
    void CopyToClipboard() const;
    // Draws the chart on one page into 10 % .. 90 % of the page. `aborted`
    // is asked between the steps (page opened, chart rendered, chart drawn);
    // when it answers true the print job is cancelled. A PrintResult.
    int PrintTo(QPrinter& printer, const std::function<bool()>& aborted = {}) const;
    // PrintTo with the small "Abort" box shown while the page is made; its
    // button, Escape or close box cancel the job.
    int PrintWithAbortBox(QPrinter& printer);
    // Switches a draw style (kDrawMesh ...) on or off and redraws.
    void SetDrawStyle(uint8_t style, bool on);

  private:
    SpectrumWindow(QWidget* parent);
    void BuildMenus();
    void SetAnalysis(const QString& editorName, const SpectrumData& data, uint32_t options,
                     uint8_t drawStyles);
    void Redraw();
    void ChooseAndSaveImage(const char* format);
    void ChooseAndSaveText();
    void ChooseAndPrint();

    static QPointer<SpectrumWindow> current_;
    QPointer<EditorWindow> source_;
    SpectrumData data_;
    SpectrumChart chart_;
    QWidget* chartView_ = nullptr;  // the painter drawing
    class Surface;
    Surface* surface_ = nullptr;  // the OpenGL surface, when there is one
    QAction* styleActions_[4] = {};
};

// The "FFT Spectrum Analysis" command: the dialog for `editor`, then the
// analysis into the window. The dialog's guard refuses a second opening.
void RunSpectrumAnalysis(EditorWindow* editor);

}  // namespace ob
