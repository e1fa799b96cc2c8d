// Screenshots of every processing dialog as the X server shows it, written
// as PNG files into the folder given, each checked for drawn pixels: the
// picture must hold dark text or frame pixels and a lighter background, and
// more than a handful of colours. Exit 0 when every dialog opened and passed.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "app/spectrum_window.h"
#include "base/user_interface.h"
#include "shell_test_support.h"

using namespace ob;

namespace {

// The share of pixels unlike the bottom-left corner and the colours.
void Look(const QImage& image, int* colours, double* drawn) {
    QSet<QRgb> seen;
    const QRgb corner = image.pixel(0, image.height() - 1);
    long count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            seen.insert(image.pixel(x, y));
            count += image.pixel(x, y) != corner;
        }
    *colours = int(seen.size());
    *drawn = double(count) / (double(image.width()) * image.height());
}

// The analysis window with its OpenGL surface: the window as the X server
// shows it, and its BMP export, each must hold the drawn surface (many
// colours of the zones over a good share of the picture).
int SpectrumWindowShots(MainFrame* frame, EditorWindow* editor, const QString& folder) {
    frame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(editor->parentWidget()));
    CurrentSpectrumSettings().pointSize = 256;
    CurrentSpectrumSettings().options |= kSpectrumHighResolution;
    CurrentSpectrumSettings().drawStyles = kDrawShaded | kDrawZones | kDrawMesh;
    QTimer::singleShot(300, frame, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    frame->RunCommand(40903);
    SpectrumWindow* window = SpectrumWindow::Current();
    if (!window || !window->HasSurface()) {
        std::printf("spectrum window: %s  FAIL\n", window ? "no OpenGL surface" : "not opened");
        return 1;
    }
    if (!QTest::qWaitForWindowExposed(window))
        std::printf("spectrum window: not exposed in time\n");
    QTest::qWait(1500);
    int failures = 0;
    const QImage shown = window->screen()->grabWindow(window->winId()).toImage();
    const QString bmp = folder + "/spectrum_window.bmp";
    const bool saved = window->SaveImage(bmp, "BMP");
    shown.save(folder + "/spectrum_window.png");
    const QImage exported(bmp);
    const struct {
        const char* name;
        const QImage& image;
    } pictures[2] = {{"spectrum_window.png", shown}, {"spectrum_window.bmp", exported}};
    for (const auto& p : pictures) {
        int colours = 0;
        double drawn = 0;
        if (!p.image.isNull()) Look(p.image, &colours, &drawn);
        const bool ok =
            !p.image.isNull() && (saved || p.name[17] != 'b') && colours > 50 && drawn > 0.1;
        std::printf("%s: %dx%d, %d colours, %.0f %% drawn%s\n", p.name, p.image.width(),
                    p.image.height(), colours, drawn * 100, ok ? "" : "  FAIL");
        failures += !ok;
    }
    delete window;
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dialog_screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    shelltest::TempFolder temp;
    const QString mono = temp.File("mono.wav"), stereo = temp.File("stereo.wav");
    if (!shelltest::WriteTestWav(mono, 1, 20000, "Mono") ||
        !shelltest::WriteTestWav(stereo, 2, 20000, "Stereo"))
        return 1;
    MainFrame* frame = shelltest::Start(temp.path);
    shelltest::TestUi ui(frame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    frame->resize(1200, 800);
    frame->show();
    frame->CloseAllEditors();
    EditorWindow* monoEditor = frame->OpenFile(mono);
    EditorWindow* stereoEditor = frame->OpenFile(stereo);
    EditorWindow* emptyEditor = frame->NewEditor();  // File > Generate fills an empty editor
    if (!monoEditor || !stereoEditor || !emptyEditor) return 1;

    struct Shot {
        int command;
        const char* file;
        bool mono;
    } shots[] = {
        {40913, "dialog_gain.png", false},
        {40915, "dialog_normalize.png", false},
        {40921, "dialog_dc_offset.png", false},
        {40924, "dialog_replicate.png", false},
        {40925, "dialog_insert_silence.png", false},
        {40904, "dialog_stereo_to_mono.png", false},
        {40904, "dialog_mono_to_stereo.png", true},
        {40901, "dialog_combine.png", false},
        {40919, "dialog_key_map.png", false},
        {40016, "dialog_name.png", false},
        {40911, "dialog_compressor.png", false},
        {40916, "dialog_noise_gate.png", false},
        {41106, "dialog_echo.png", false},
        {41105, "dialog_flange.png", false},
        {41104, "dialog_chorus.png", false},
        {41108, "dialog_reverb.png", false},
        {40009, "dialog_generate.png", false},
        {40907, "dialog_eq_bass_treble.png", false},
        {40908, "dialog_eq_filters.png", false},
        {40909, "dialog_eq_grafreq.png", false},
        {40910, "dialog_eq_parametric.png", false},
        {41122, "dialog_vari_time.png", false},
        {40903, "dialog_fft.png", false},
        {40905, "dialog_sample_rate_transpose.png", false},
        {41120, "dialog_time_stretch.png", false},
        {41117, "dialog_pitch_shift.png", false},
        {40912, "dialog_envelope_generator.png", false},
        {41121, "dialog_transfer_function.png", false},
    };
    int failures = 0;
    for (const Shot& shot : shots) {
        EditorWindow* editor =
            shot.command == 40009 ? emptyEditor : (shot.mono ? monoEditor : stereoEditor);
        frame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(editor->parentWidget()));
        QImage image;
        QTimer::singleShot(300, frame, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (!QTest::qWaitForWindowExposed(dialog)) return;
            QTest::qWait(200);
            image = dialog->screen()->grabWindow(dialog->winId()).toImage();
            dialog->reject();
        });
        // Never left hanging: a dialog still open after the shot's time is rejected.
        QTimer late;
        QObject::connect(&late, &QTimer::timeout, [] {
            if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                open->reject();
        });
        QTimer::singleShot(3000, &late, [&late] { late.start(50); });
        frame->RunCommand(shot.command);
        const QString path = folder + "/" + shot.file;
        if (image.isNull() || !image.save(path)) {
            std::printf("%s: no picture  FAIL\n", shot.file);
            ++failures;
            continue;
        }
        QSet<QRgb> colours;
        int dark = 0, light = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c(image.pixel(x, y));
                colours.insert(c.rgb());
                if (c.lightness() < 80) ++dark;
                if (c.lightness() > 160) ++light;
            }
        const bool ok = image.width() > 100 && image.height() > 60 && colours.size() > 8 &&
                        dark > 100 && light > image.width() * image.height() / 4;
        std::printf("%s: %dx%d, %d colours, %d dark, %d light pixels%s\n", shot.file, image.width(),
                    image.height(), int(colours.size()), dark, light, ok ? "" : "  FAIL");
        failures += !ok;
    }
    failures += SpectrumWindowShots(frame, stereoEditor, folder);
    StopShell(frame);
    return failures ? 1 : 0;
}
