// view_open_timer IN: opens a sound file the way the editor does (OpenSound:
// reader, overview) into an editor view and paints it once, then exits.
// bench/view_open.sh times the whole process against `sox IN -n`. Prints
// "open_seconds S" and "first_paint_seconds S" (from the start of main).
#include <QApplication>
#include <chrono>
#include <cstdio>

#include "app/editor_view.h"
#include "formats/sound_io.h"
#include "wave/file_result.h"
#include "wave/undo.h"

using namespace ob;

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    if (argc != 2) {
        std::fprintf(stderr, "usage: view_open_timer IN\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int number = 0;
    if (CreateEditor(&number) != 0) return 1;
    WaveRecord& record = *gEditorSlots[number];
    record.filePath = argv[1];
    const int result = OpenSound(record, false);
    if (result != 0) {
        std::fprintf(stderr, "%s: %s\n", argv[1], FileResultText(result));
        return 1;
    }
    std::printf("open_seconds %.3f\n", seconds());
    EditorView view(&record);
    view.resize(1920 + 52, 600);
    view.show();
    view.repaint();
    std::printf("first_paint_seconds %.3f\n", seconds());
    // Memory for the open sound: resident size (peak and now) against the
    // samples plus the overview (with its coarse level); the goal is at most
    // 10 % above them.
    const int channels = record.rightSamples ? 2 : 1;
    double held = double(record.frameCount) * 4 * channels;
    for (const PeakOverview* o : {&record.leftOverview, &record.rightOverview})
        if (o->pairs) held += double(OverviewBytes(o->blocks));
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            long kb = 0;
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1 ||
                std::sscanf(line, "VmRSS: %ld kB", &kb) == 1)
                std::printf("%.5s_mb %.1f (samples and overview %.1f MB, %.1f %% above)\n", line,
                            kb / 1024.0, held / 1048576.0, (kb * 1024.0 / held - 1) * 100);
        }
        std::fclose(status);
    }
    std::fflush(stdout);
    // The process ends here: freeing 1.4 GB of samples is not part of showing them.
    std::_Exit(0);
}
