// bench_view_paint: full repaints of an editor view whose lanes are 1920
// pixels wide, on a one-hour 48 kHz stereo sound held in memory: the whole
// sound and narrower views drawn from the overview, views drawn from the
// samples, and sample level (dots joined by lines). Each figure is the median
// of 30 repaints (after 5 untimed ones) with the pixel cache dropped first, so
// the waveform is drawn whole every time; scrolling by a wheel step (cache
// reused) is timed too, and the column extremes of the whole hour alone.
// Runs on the offscreen platform unless another is set.
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/editor_view.h"
#include "app/view_layout.h"
#include "app/view_navigation.h"
#include "app/wave_painter.h"
#include "wave/memory.h"

using namespace ob;

namespace {

double MedianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double MinMs(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

// CPU time of this thread: on a loaded machine the wall time also counts the
// time other processes held the core.
double ThreadMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const uint32_t rate = 48000;
    const uint32_t frames = rate * 3600;
    int number = 0;
    if (CreateEditor(&number) != 0) return 1;
    WaveRecord& record = *gEditorSlots[number];
    record.leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    record.rightSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    if (!record.leftSamples || !record.rightSamples) {
        std::fprintf(stderr, "bench_view_paint: not enough memory for a one-hour stereo sound\n");
        return 1;
    }
    // A tone whose level moves slowly, from a table (filling 345 M samples with sin() is slow).
    std::vector<float> period(109);
    for (size_t i = 0; i < period.size(); ++i)
        period[i] = float(std::sin(6.283185307 * i / period.size()));
    for (uint32_t i = 0; i < frames; ++i) {
        const float level = 0.2f + 0.7f * float((i / rate) % 60) / 60.0f;
        record.leftSamples[i] = level * period[i % period.size()];
        record.rightSamples[i] = -0.5f * record.leftSamples[i];
    }
    record.frameCount = frames;
    record.sampleRate = rate;
    record.viewSpan = frames;
    UpdateOverview(record, 0, 0, 3);
    SetMarker(record, frames / 3, 0, "a");
    SetMarker(record, frames / 2, 1, "b");
    SetLoop(record, frames / 4, frames / 4 * 3, 0, 0);

    EditorView view(&record);
    const int widgetWidth = 1920 + int(kLevelRulerWidth);
    view.resize(widgetWidth, 600);
    view.show();
    QApplication::processEvents();
    std::printf(
        "view_paint: lanes %d px wide, one-hour 48 kHz stereo (%u frames), 30 repaints each: "
        "median, "
        "best, median thread CPU time\n",
        int(view.Layout().lanesArea.width()), frames);
    QImage target(view.size(), QImage::Format_ARGB32_Premultiplied);

    struct Zoom {
        const char* name;
        uint32_t span;
    } zooms[] = {
        {"whole hour (overview)", frames},
        {"10 minutes (overview)", rate * 600},
        {"1 minute (overview)", rate * 60},
        {"10 seconds (samples)", rate * 10},
        {"1 second (samples)", rate},
        {"1920 frames (sample level)", 1920},
        {"480 frames (sample level, dots)", 480},
    };
    for (const Zoom& zoom : zooms) {
        record.viewSpan = zoom.span;
        record.viewStart = zoom.span == frames ? 0 : frames / 3 - zoom.span / 2;
        ClampView(record, 1920);
        const ViewMapping m = view.Mapping();
        std::vector<double> full, fullCpu, scroll, scrollCpu;
        // Untimed first repaints: the first zoom would otherwise pay the
        // process's first image allocations and cold caches.
        for (int i = 0; i < 5; ++i) {
            view.Refresh();
            view.render(&target);
        }
        for (int i = 0; i < 30; ++i) {
            view.Refresh();
            const auto t0 = std::chrono::steady_clock::now();
            const double c0 = ThreadMs();
            view.render(&target);
            fullCpu.push_back(ThreadMs() - c0);
            full.push_back(Since(t0));
        }
        for (int i = 0; i < 30; ++i) {
            // A wheel step: a tenth of the view in whole columns; the cache shifts.
            int64_t step = int64_t(m.VisibleFrames() / 10);
            step = std::max<int64_t>(step - step % m.framesPerPixel, m.framesPerPixel);
            ScrollFrames(record, 1920, i % 2 ? -step : step);
            const auto t0 = std::chrono::steady_clock::now();
            const double c0 = ThreadMs();
            view.render(&target);
            scrollCpu.push_back(ThreadMs() - c0);
            scroll.push_back(Since(t0));
        }
        std::printf(
            "  %-33s %s %6u: full repaint %6.2f ms (best %5.2f, CPU %5.2f); scroll step %5.2f ms "
            "(CPU %5.2f)\n",
            zoom.name, m.framesPerPixel > 1 ? "frames/px" : "px/frame ",
            m.framesPerPixel > 1 ? m.framesPerPixel : m.pixelsPerFrame, MedianMs(full), MinMs(full),
            MedianMs(fullCpu), MedianMs(scroll), MedianMs(scrollCpu));
    }
    {
        // The column extremes of both lanes of the whole hour alone, as the
        // painter asks for them: what reading the overview costs.
        record.viewStart = 0;
        record.viewSpan = frames;
        ClampView(record, 1920);
        const ViewMapping m = view.Mapping();
        std::vector<double> cpu, wall;
        float sum = 0;
        for (int i = 0; i < 30; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const double c0 = ThreadMs();
            for (int channel = 0; channel < 2; ++channel)
                for (int c = 0; c < 1920; ++c) {
                    const int64_t f0 = m.FrameForX(c);
                    const int64_t f1 = std::min<int64_t>(m.FrameForX(c + 1), frames - 1);
                    if (f0 > f1) continue;
                    float lo = 0, hi = 0;
                    ColumnMinMax(record, channel, uint32_t(f0), uint32_t(f1), lo, hi);
                    sum += hi - lo;
                }
            cpu.push_back(ThreadMs() - c0);
            wall.push_back(Since(t0));
        }
        std::printf("  column extremes alone, whole hour: %5.2f ms (CPU %5.2f; sum %.1f)\n",
                    MedianMs(wall), MedianMs(cpu), double(sum));
    }
    CloseAllEditors();
    return 0;
}
