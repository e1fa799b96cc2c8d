// Samples per second of the level and simple functions run through the
// processing frame (no undo backups, batch interface) on 10 M frames, mono
// and stereo, next to a memcpy of the same samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bench_wave.h"
#include "dsp/level.h"
#include "dsp/simple.h"
#include "dsp/statistics.h"
#include "wave/undo.h"

using namespace ob;

namespace {

constexpr uint32_t kFrames = 10'000'000;

// One editor with kFrames of noise-like samples below full scale.
WaveRecord* Wave(bool stereo) {
    static WaveRecord* waves[2] = {};
    WaveRecord*& w = waves[stereo];
    if (!w) w = MakeBenchWave(kFrames, stereo, 0);
    if (!w) return nullptr;
    uint32_t seed = 1;
    for (uint32_t i = 0; i < kFrames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        float x = float(int32_t(seed)) * (0.5f / 2147483648.0f);
        w->leftSamples[i] = x;
        if (stereo) w->rightSamples[i] = -x;
    }
    gBackups = 0;
    return w;
}

template <class Op>
void Run(benchmark::State& state, Op op) {
    bool stereo = state.range(0) == 2;
    WaveRecord* w = Wave(stereo);
    for (auto _ : state) {
        op(*w);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames * (stereo ? 2 : 1));
    state.SetLabel(stereo ? "stereo" : "mono");
}

void BM_Memcpy(benchmark::State& state) {
    int channels = int(state.range(0));
    std::vector<float> from(size_t(kFrames) * channels, 0.25f), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(from.size()));
}

void BM_Gain(benchmark::State& s) {
    double db = 0.5;
    Run(s, [&](WaveRecord& w) { Gain(w, {db = -db}); });
}
void BM_Invert(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Invert(w); });
}
void BM_Mute(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Mute(w); });
}
void BM_Normalize(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Normalize(w, {-1.0}); });
}
void BM_Maximize(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Maximize(w); });
}
void BM_DcOffset(benchmark::State& s) {
    double v = 0.5;
    Run(s, [&](WaveRecord& w) { DcOffset(w, {v = -v, kDcPercent}); });
}
void BM_Reverse(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Reverse(w); });
}
void BM_Statistics(benchmark::State& s) {
    Run(s, [](WaveRecord& w) {
        std::string text;
        StatisticsText(w, text);
        benchmark::DoNotOptimize(text);
    });
}

}  // namespace

BENCHMARK(BM_Memcpy)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gain)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Invert)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mute)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Normalize)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Maximize)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DcOffset)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reverse)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
