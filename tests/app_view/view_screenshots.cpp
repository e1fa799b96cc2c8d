// Screenshots of the editor view as the X server shows it: a stereo sound
// with markers and loops at three zoom levels (whole sound, a few hundred
// frames per pixel, sample level), written as PNG files into the folder
// given, each checked for waveform pixels in every lane. Exit 0 when every
// lane of every picture holds the waveform, 1 otherwise.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cstdio>

#include "app/editor_view.h"
#include "tests/app_view/view_test_sound.h"

using namespace ob;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: view_screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    WaveRecord* record = MakeStereoTestSound(480000, 48000);
    if (!record) return 1;
    const QColor wave(0, 170, 60);
    // Settings order: background, waveform, axis, labels, markers, loops, point, selection.
    QColor colours[8] = {QColor(245, 246, 244), wave,
                         QColor(155, 55, 0),    Qt::black,
                         QColor(220, 0, 0),     QColor(0, 0, 230),
                         QColor(150, 0, 60),    QColor(255, 220, 0)};
    EditorView view(record);
    view.SetColors(colours);
    view.SetOverviewStrip(true);
    view.SetEditStatus(true);
    view.resize(1252, 600);
    view.setWindowTitle(QString::fromStdString(TitleOf(*record)));
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::fprintf(stderr, "view_screenshots: the window was never shown\n");
        return 1;
    }
    // A Mouse Area so the shading shows too.
    record->mouseStart = 150000;
    record->mouseLength = 60000;
    record->mouseChannels = 3;
    gEditing.affectArea = kAffectMouse;

    struct Shot {
        const char* name;
        uint32_t start, span;
    } shots[] = {{"view_full.png", 0, 480000},
                 {"view_zoomed.png", 110000, 120000},
                 {"view_samples.png", 240000, 300}};
    int failures = 0;
    for (const Shot& shot : shots) {
        record->viewStart = shot.start;
        record->viewSpan = shot.span;
        view.Refresh();
        view.repaint();
        QTest::qWait(200);
        const QImage image = view.screen()->grabWindow(view.winId()).toImage();
        const QString path = folder + QStringLiteral("/") + QString::fromLatin1(shot.name);
        if (!image.save(path)) {
            std::fprintf(stderr, "view_screenshots: cannot write %s\n", qPrintable(path));
            return 1;
        }
        const ViewLayout layout = view.Layout();
        const double scale = image.width() / double(view.width());  // device pixels
        for (int lane = 0; lane < layout.laneCount; ++lane) {
            const QRectF r = layout.lanes[lane].rect;
            const QRect rect(int(r.left() * scale), int(r.top() * scale), int(r.width() * scale),
                             int(r.height() * scale));
            int columns = 0;
            for (int x = rect.left(); x <= rect.right() && x < image.width(); ++x)
                for (int y = rect.top(); y <= rect.bottom() && y < image.height(); ++y) {
                    const QColor c(image.pixel(x, y));
                    // The waveform's green, also under the translucent shading.
                    if (c.green() - std::max(c.red(), c.blue()) > 50) {
                        ++columns;
                        break;
                    }
                }
            const bool ok = columns > rect.width() * 0.9;
            std::printf("%s lane %d: waveform in %d of %d columns%s\n", shot.name, lane, columns,
                        rect.width(), ok ? "" : "  FAIL");
            failures += !ok;
        }
    }
    CloseAllEditors();
    return failures ? 1 : 0;
}
