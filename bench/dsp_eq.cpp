// Samples per second of the equalization functions run through the
// processing frame (no undo backups, batch interface) on 10 M mono frames at
// 44.1 kHz; the spectrum analysis of N = 2048 by 1000 records; the text
// export of those records (2,048,000 lines plus the headings).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/spectrum.h"
#include "bench_wave.h"
#include "dsp/equalization.h"
#include "wave/undo.h"

using namespace ob;

namespace {

constexpr uint32_t kFrames = 10'000'000;

WaveRecord* Wave() {
    static WaveRecord* w = MakeBenchWave(kFrames, false, 44100);
    if (!w) return nullptr;
    uint32_t seed = 1;
    for (uint32_t i = 0; i < kFrames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        w->leftSamples[i] = float(int32_t(seed)) * (0.3f / 2147483648.0f);
    }
    gBackups = 0;
    return w;
}

template <class Op>
void Run(benchmark::State& state, Op op) {
    WaveRecord* w = Wave();
    for (auto _ : state) {
        op(*w);
        benchmark::ClobberMemory();
        state.PauseTiming();
        Wave();  // fresh noise: filtering the filtered sound again and again drifts
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

void BM_LowPassOrder2(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { HighLowPass(w, {kUseLowPass, 2, 100, 2, 3000}); });
}
void BM_HighPassOrder5(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { HighLowPass(w, {kUseHighPass, 5, 160, 2, 3000}); });
}
void BM_Telephone(benchmark::State& s) {  // order 5 high pass and order 2 low pass
    Run(s, [](WaveRecord& w) { HighLowPass(w, {3, 5, 160, 2, 3000}); });
}
void BM_BassTreble(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { BassTreble(w, {3, 80, 6.0, 10000, 3.0}); });
}
void BM_GraFreq(benchmark::State& s) {  // five bands in use
    Run(s, [](WaveRecord& w) {
        GraFreq(w, {{40, 160, 1000, 3000, 13000}, {5.0, -3.0, 2.0, 1.0, 2.0}});
    });
}
void BM_Parametric(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Parametric(w, {3, {60, -20, 0.1}, {120, -20, 0.1}}); });
}
void BM_VariTime(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { VariTime(w, {2, 10000, 200}); });
}

std::vector<float> AnalysisSound() {
    std::vector<float> x(2048 * 1002);
    uint32_t seed = 7;
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = float(int32_t(seed)) * (0.3f / 2147483648.0f);
    }
    return x;
}

void BM_Analysis2048x1000(benchmark::State& state) {
    std::vector<float> x = AnalysisSound();
    SpectrumData data;
    for (auto _ : state) {
        AnalyseSpectrum(x.data(), uint32_t(x.size()), 44100, 0, 1000, 2048, true, &data);
        SpectrumGrid grid = ReduceSpectrum(
            data, kSpectrumLogFrequency | kSpectrumDecibels | kSpectrumHighResolution);
        benchmark::DoNotOptimize(grid.cells.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}

void BM_TextExport2M(benchmark::State& state) {
    std::vector<float> x = AnalysisSound();
    SpectrumData data;
    AnalyseSpectrum(x.data(), uint32_t(x.size()), 44100, 0, 1000, 2048, true, &data);
    std::string path = "/tmp/bench_spectrum_export.txt";
    for (auto _ : state) WriteSpectrumText(path, data);
    std::remove(path.c_str());
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000 * 2048);
}

}  // namespace

BENCHMARK(BM_LowPassOrder2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighPassOrder5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Telephone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BassTreble)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraFreq)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parametric)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VariTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Analysis2048x1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextExport2M)->Unit(benchmark::kMillisecond);
