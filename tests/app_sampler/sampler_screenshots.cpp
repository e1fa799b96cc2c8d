// Screenshots of the sampler transfer windows as the X server shows them:
// the "Sampler Transfer" dialog, the SDS dialog and the progress window of a
// running transfer (over the in-process loopback, whose far end never
// answers; the shot's Abort ends it). Each picture is written as PNG into
// the folder given and checked for drawn pixels: dark text or frame pixels,
// a lighter background and more than a handful of colours.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "app/transfer_window.h"
#include "base/user_interface.h"
#include "sampler/midi_devices.h"
#include "sampler/midi_loopback.h"
#include "sampler/sampler_types.h"
#include "shell_test_support.h"

using namespace ob;

namespace {

bool Check(const QImage& image, const QString& path, const char* file) {
    if (image.isNull() || !image.save(path)) {
        std::printf("%s: no picture  FAIL\n", file);
        return false;
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
    std::printf("%s: %dx%d, %d colours, %d dark, %d light pixels%s\n", file, image.width(),
                image.height(), int(colours.size()), dark, light, ok ? "" : "  FAIL");
    return ok;
}

QImage Grab(QWidget* window) {
    if (!QTest::qWaitForWindowExposed(window)) return QImage();
    QTest::qWait(200);
    return window->screen()->grabWindow(window->winId()).toImage();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sampler_screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    shelltest::TempFolder temp;
    const QString wav = temp.File("tone.wav");
    if (!shelltest::WriteTestWav(wav, 1, 20000, "Tone")) return 1;
    MidiLoopback loopback;
    SetMidiTestDevice([&loopback] { return loopback.PortForA(); });
    MainFrame* frame = shelltest::Start(temp.path);
    shelltest::TestUi ui(frame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    frame->resize(1200, 800);
    frame->show();
    frame->CloseAllEditors();
    if (!frame->OpenFile(wav)) return 1;

    // Never left hanging: any modal window still open later is rejected
    // (which aborts a transfer).
    QTimer late;
    QObject::connect(&late, &QTimer::timeout, [] {
        if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) open->reject();
    });

    int failures = 0;
    struct Shot {
        const char* file;
        bool dynamic;
    } shots[] = {{"sampler_transfer.png", true}, {"sampler_sds_send.png", false}};
    for (const Shot& shot : shots) {
        gSamplerDynamicDialog = shot.dynamic;
        QImage image;
        QTimer::singleShot(300, frame, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            image = Grab(dialog);
            dialog->reject();
        });
        QTimer::singleShot(4000, &late, [&late] { late.start(50); });
        frame->RunCommand(40005);
        late.stop();
        failures += !Check(image, folder + "/" + shot.file, shot.file);
    }

    // The progress window of a running send: OK in the own dialog, then the
    // shot, then Abort.
    gSamplerDynamicDialog = false;
    QImage progress;
    bool aborted = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (TransferProgressDialog* window = ui.TransferWindow()) {
            if (!window->isVisible() || aborted) return;
            aborted = true;
            progress = Grab(window);
            window->AbortButton()->click();
            return;
        }
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    driver.start(100);
    QTimer::singleShot(8000, &late, [&late] { late.start(50); });
    frame->RunCommand(40005);
    driver.stop();
    late.stop();
    failures += !Check(progress, folder + "/sampler_progress.png", "sampler_progress.png");

    StopShell(frame);
    SetMidiTestDevice({});
    return failures ? 1 : 0;
}
