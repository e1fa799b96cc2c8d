// The analysis dialog and window as a user drives them: OK analyses the
// affect area into the window; Save As Text writes exactly the core's export;
// the image, clipboard and print paths give the chart's picture; a too small
// area and an editor without sound are reported.
#include "app/spectrum_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "analysis/spectrum.h"
#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "base/dialog_guard.h"
#include "base/user_interface.h"
#include "formats/sound_io.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {

MainFrame* gShell = nullptr;

// A stereo sound of `frames` frames: a 1 kHz tone over a slow 110 Hz one on
// the left (the analysed channel), noise-free.
bool WriteToneWav(const QString& path, unsigned frames) {
    WaveRecord record;
    record.leftSamples = static_cast<float*>(Allocate(frames * 4, kAllocLarge));
    record.rightSamples = static_cast<float*>(Allocate(frames * 4, kAllocLarge));
    record.frameCount = frames;
    record.viewSpan = frames;
    for (unsigned i = 0; i < frames; ++i) {
        double t = i / 44100.0;
        record.leftSamples[i] =
            float(0.5 * std::sin(2 * M_PI * 1000 * t) + 0.25 * std::sin(2 * M_PI * 110 * t));
        record.rightSamples[i] = 0;
    }
    record.name = "Tone";
    record.filePath = path.toStdString();
    int result = SaveSound(record, kFormatWav32, 15);
    DiscardWave(record);
    return result == 0;
}

// Sets the dialog: point size and the named option boxes on, the others off.
void Choose(QDialog* d, int points, std::initializer_list<const char*> on) {
    if (auto* box = d->findChild<QComboBox*>("pointSize"))
        box->setCurrentIndex(box->findData(points));
    const char* all[] = {"solid",           "whiteBackground", "largeLabels",    "scriptLabels",
                         "projectContours", "projectZones",    "highResolution", "timeAxis",
                         "frequencyAxis",   "amplitudeAxis",   "logFrequency",   "decibels",
                         "whiteMesh",       "drawMesh",        "drawShaded",     "drawContours",
                         "drawZones"};
    for (const char* name : all) {
        bool set = false;
        for (const char* n : on) set |= QString(n) == name;
        if (auto* b = d->findChild<QAbstractButton*>(name)) b->setChecked(set);
    }
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Colours and the share of pixels unlike the corner (the background).
struct Picture {
    int colours = 0;
    double drawn = 0;
};
Picture Look(const QImage& image) {
    Picture p;
    if (image.isNull()) return p;
    QSet<QRgb> colours;
    const QRgb corner = image.pixel(0, image.height() - 1);
    long drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
            drawn += image.pixel(x, y) != corner;
        }
    p.colours = int(colours.size());
    p.drawn = double(drawn) / (double(image.width()) * image.height());
    return p;
}

EditorWindow* OpenTone(const TempFolder& folder, unsigned frames) {
    gShell->CloseAllEditors();
    const QString path = folder.File(QString("tone%1.wav").arg(frames));
    if (!WriteToneWav(path, frames)) return nullptr;
    return gShell->OpenFile(path);
}

}  // namespace

void SpectrumTest::cleanup() {
    if (SpectrumWindow* window = SpectrumWindow::Current()) delete window;
    SetUserInterface(nullptr);
    StopShell(gShell);
    gShell = nullptr;
    CurrentSpectrumSettings() = SpectrumSettings{};
    gEditing = EditingState{};
}

void SpectrumTest::okShowsTheAnalysisOfTheAffectArea() {
    TempFolder folder;
    gShell = Start(folder.path);
    TestUi ui(gShell);
    SetUserInterface(&ui);
    EditorWindow* editor = OpenTone(folder, 44100);
    QVERIFY(editor);
    DialogRun run = DriveDialog(
        gShell, 40903,
        [](QDialog* d) {
            Choose(d, 256, {"highResolution", "decibels", "timeAxis", "drawMesh"});
        },
        true);
    QVERIFY(run.seen && !run.stayedOpen);
    QCOMPARE(run.title, QString("FFT Spectrum Analysis"));
    QCOMPARE(run.lateClosed, 0);
    QVERIFY2(ui.boxes.empty(), ui.boxes.empty() ? "" : ui.boxes[0].c_str());
    SpectrumWindow* window = SpectrumWindow::Current();
    QVERIFY(window);
    QCOMPARE(
        window->windowTitle(),
        QString("Spectral Analysis of %1").arg(QString::fromStdString(TitleOf(*editor->Record()))));
    // The settings are kept: R = (L - N) / N records of N = 256.
    const SpectrumSettings& s = CurrentSpectrumSettings();
    QCOMPARE(s.pointSize, 256);
    QCOMPARE(s.records, (44100 - 256) / 256);
    QCOMPARE(s.sourceEditor, editor->Number());
    QCOMPARE(s.options, uint32_t(kSpectrumHighResolution | kSpectrumDecibels | kSpectrumTimeAxis));
    QCOMPARE(int(s.drawStyles), int(kDrawMesh));
    // Every record a row, every bin a column; the 1 kHz tone peaks in bin
    // 1000 * 2N / rate (11.6: bin 12) of every row.
    const SpectrumGrid& grid = window->Chart().grid;
    QCOMPARE(grid.rows, s.records);
    QCOMPARE(grid.columns, 256);
    for (int r = 0; r < grid.rows; r += 37) {
        int peak = 1;
        for (int c = 1; c < grid.columns; ++c)
            if (grid.At(r, c) > grid.At(r, peak)) peak = c;
        QVERIFY2(peak == 12, qPrintable(QString("row %1 peaks at %2").arg(r).arg(peak)));
    }
    QCOMPARE(grid.rowValues[1], 256.0 / 44100);
    QCOMPARE(grid.columnValues[12], 12 * 44100.0 / 512);
    // Logarithmic, no high resolution: 2b + 1 columns, every fourth record.
    run = DriveDialog(
        gShell, 40903,
        [](QDialog* d) {
            Choose(d, 64, {"logFrequency", "drawZones"});
        },
        true);
    QVERIFY(run.seen && !run.stayedOpen);
    QCOMPARE(SpectrumWindow::Current(), window);  // refreshed, not a second window
    QCOMPARE(window->Chart().grid.columns, 15);
    QCOMPARE(window->Chart().grid.rows, ((44100 - 64) / 64 + 3) / 4);
    // The draw styles of the window menu.
    window->SetDrawStyle(kDrawMesh, true);
    window->SetDrawStyle(kDrawZones, false);
    QCOMPARE(int(window->Chart().drawStyles), int(kDrawMesh));
    QCOMPARE(int(CurrentSpectrumSettings().drawStyles), int(kDrawMesh));
    QVERIFY(!DialogInUse(kDialogFft));
}

void SpectrumTest::textSaveEqualsTheCoreExport() {
    TempFolder folder;
    gShell = Start(folder.path);
    TestUi ui(gShell);
    SetUserInterface(&ui);
    EditorWindow* editor = OpenTone(folder, 30000);
    QVERIFY(editor);
    // The affect area: the mouse selection of frames 5000 .. 19999.
    WaveRecord* record = editor->Record();
    gEditing.affectArea = kAffectMouse;
    record->mouseStart = 5000;
    record->mouseLength = 15000;
    record->mouseChannels = kEditLeftRight;
    FrameRange area = AffectRange(*record);
    QVERIFY(area.start == 5000);
    DialogRun run = DriveDialog(
        gShell, 40903,
        [](QDialog* d) {
            Choose(d, 512, {"decibels", "logFrequency"});
        },
        true);
    QVERIFY(run.seen && !run.stayedOpen);
    SpectrumWindow* window = SpectrumWindow::Current();
    QVERIFY(window);
    const QString shown = folder.File("shown.txt"), core = folder.File("core.txt");
    QCOMPARE(window->SaveText(shown), int(kSpectrumOk));
    SpectrumData data;
    const int records = SpectrumRecordCount(record->frameCount, area.start, area.length, 512);
    QCOMPARE(records, (int(area.length) - 512) / 512);
    QCOMPARE(AnalyseSpectrum(record->leftSamples, record->frameCount, record->sampleRate,
                             area.start, records, 512, true, &data),
             int(kSpectrumOk));
    QCOMPARE(WriteSpectrumText(core.toStdString(), data), int(kSpectrumOk));
    const QByteArray a = FileBytes(shown), b = FileBytes(core);
    QVERIFY(a.size() > 1000);
    QVERIFY(a == b);
    QVERIFY(a.startsWith(QString("Records:%1 Points:512 dB:1\n").arg(records).toUtf8()));
    // A folder that does not exist: the export's own result, nothing written.
    QCOMPARE(window->SaveText(folder.File("none/x.txt")), int(kSpectrumCantOpen));
}

void SpectrumTest::imageSaveCopyAndPrintGiveTheChart() {
    TempFolder folder;
    gShell = Start(folder.path);
    TestUi ui(gShell);
    SetUserInterface(&ui);
    QVERIFY(OpenTone(folder, 44100));
    DialogRun run = DriveDialog(
        gShell, 40903,
        [](QDialog* d) {
            Choose(d, 128,
                   {"logFrequency", "decibels", "timeAxis", "frequencyAxis", "amplitudeAxis",
                    "whiteBackground", "drawShaded", "drawZones"});
        },
        true);
    QVERIFY(run.seen && !run.stayedOpen);
    SpectrumWindow* window = SpectrumWindow::Current();
    QVERIFY(window);
    const QString bmp = folder.File("chart.bmp"), jpg = folder.File("chart.jpg");
    QVERIFY(window->SaveImage(bmp, "BMP"));
    QVERIFY(window->SaveImage(jpg, "JPG"));
    QVERIFY(FileBytes(bmp).startsWith("BM"));
    QVERIFY(FileBytes(jpg).startsWith("\xff\xd8"));
    for (const QString& path : {bmp, jpg}) {
        QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QVERIFY(image.width() >= 200 && image.height() >= 150);
        Picture p = Look(image);
        // A surface of ten zone colours with axes and text on white.
        QVERIFY2(
            p.colours > 10 && p.drawn > 0.1,
            qPrintable(QString("%1: %2 colours, %3 drawn").arg(path).arg(p.colours).arg(p.drawn)));
    }
    // The zone colours are on the picture (red for the tone's peak, blue low).
    QImage image(bmp);
    bool red = false, blue = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QColor c(image.pixel(x, y));
            red |= c.red() > 200 && c.green() < 90 && c.blue() < 90;
            blue |= c.blue() > 200 && c.red() < 90;
        }
    QVERIFY(red && blue);
    window->CopyToClipboard();
    QImage copied = QApplication::clipboard()->image();
    QVERIFY(!copied.isNull());
    QCOMPARE(copied.size(), image.size());
    // Printing one page into a PDF file.
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = folder.File("chart.pdf");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QCOMPARE(window->PrintTo(printer), int(kPrinted));
    QCOMPARE(printer.docName(), QString("Sample Orbick FFT Graph"));
    QByteArray printed = FileBytes(pdf);
    QVERIFY(printed.startsWith("%PDF") && printed.size() > 2000);
    // The "Abort" box: left alone it prints; its button cancels the job.
    QPrinter again(QPrinter::HighResolution);
    again.setOutputFormat(QPrinter::PdfFormat);
    again.setOutputFileName(folder.File("again.pdf"));
    QCOMPARE(window->PrintWithAbortBox(again), int(kPrinted));
    QVERIFY(FileBytes(folder.File("again.pdf")).startsWith("%PDF"));
    QPrinter cancelled(QPrinter::HighResolution);
    cancelled.setOutputFormat(QPrinter::PdfFormat);
    cancelled.setOutputFileName(folder.File("cancelled.pdf"));
    bool sawBox = false;
    QTimer::singleShot(0, window, [&] {
        auto* box = window->findChild<QDialog*>("printAbort");
        auto* button = box ? box->findChild<QPushButton*>("abort") : nullptr;
        sawBox = button && box->isVisible() && box->windowTitle() == "Sample Orbick";
        if (button) button->click();
    });
    QCOMPARE(window->PrintWithAbortBox(cancelled), int(kPrintAborted));
    QVERIFY(sawBox);
    QVERIFY(!window->findChild<QDialog*>("printAbort"));
}

void SpectrumTest::tooSmallAreaAndMissingSoundAreReported() {
    TempFolder folder;
    gShell = Start(folder.path);
    TestUi ui(gShell);
    SetUserInterface(&ui);
    // 200 frames hold fewer than 2N = 256 frames for N = 128.
    EditorWindow* editor = OpenTone(folder, 200);
    QVERIFY(editor);
    DialogRun run = DriveDialog(
        gShell, 40903, [](QDialog* d) { Choose(d, 128, {"decibels"}); }, true);
    QVERIFY(run.seen && !run.stayedOpen);
    QVERIFY(!SpectrumWindow::Current());
    QCOMPARE(ui.boxes.size(), size_t(1));
    QCOMPARE(QString::fromStdString(ui.boxes[0]),
             QString("Spectrum Analysis Plot: Unable to create FFT.\nEdit area too small!"));
    QCOMPARE(CurrentSpectrumSettings().records, 0);
    // Exactly 2N frames: one record.
    QVERIFY(OpenTone(folder, 256));
    ui.boxes.clear();
    run = DriveDialog(
        gShell, 40903, [](QDialog* d) { Choose(d, 128, {"highResolution"}); }, true);
    QVERIFY(run.seen && ui.boxes.empty());
    QVERIFY(SpectrumWindow::Current());
    QCOMPARE(SpectrumWindow::Current()->Data().records, 1);
    // Options of the window for an editor whose sound is gone: reported, and
    // the window closes.
    SpectrumWindow* window = SpectrumWindow::Current();
    QPointer<SpectrumWindow> watch = window;
    gShell->CloseAllEditors();
    ui.boxes.clear();
    RunSpectrumAnalysis(nullptr);
    QTest::qWait(50);
    QCOMPARE(ui.boxes.size(), size_t(1));
    QCOMPARE(QString::fromStdString(ui.boxes[0]),
             QString("Spectral Analysis Error: No waveform data available"));
    QVERIFY(!watch);
    // The editor closes while its dialog is open: the dialog goes with it and
    // nothing is analysed.
    QPointer<EditorWindow> target = OpenTone(folder, 44100);
    QVERIFY(target);
    ui.boxes.clear();
    bool closedInside = false;
    run = DriveDialog(
        gShell, 40903,
        [&](QDialog* d) {
            target->parentWidget()->close();
            QTest::qWait(100);
            closedInside = !d->isVisible();
        },
        true);
    QVERIFY(run.seen && closedInside);
    QVERIFY(!target);
    QVERIFY(!SpectrumWindow::Current());
    QVERIFY(ui.boxes.empty());
    QVERIFY(!DialogInUse(kDialogFft));
}

}  // namespace shelltest
