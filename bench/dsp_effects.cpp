// Samples per second of the dynamics and delay effects run through the
// processing frame (no undo backups, batch interface) on 10 M mono frames at
// 44.1 kHz, with the built-in presets "General purpose compressor",
// "General purpose noisegate", "Moderate with slight trail off", Flange and
// Chorus "General purpose" and "Medium concert hall".
#include <benchmark/benchmark.h>

#include "bench_wave.h"
#include "dsp/delay.h"
#include "dsp/dynamics.h"
#include "wave/undo.h"

using namespace ob;

namespace {

constexpr uint32_t kFrames = 10'000'000;

WaveRecord* Wave() {
    static WaveRecord* w = MakeBenchWave(kFrames, false, 44100);
    if (!w) return nullptr;
    // Noise in bursts, so the dynamics open and close.
    uint32_t seed = 1;
    for (uint32_t i = 0; i < kFrames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        float level = (i / 44100) % 2 ? 0.5f : 0.001f;
        w->leftSamples[i] = float(int32_t(seed)) * (level / 2147483648.0f);
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
        Wave();  // the feedback effects would otherwise grow without bound
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

void BM_Compressor(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Compress(w, {-15, 5, 0.05, 0.5, 40}); });
}
void BM_NoiseGate(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { NoiseGate(w, {-40, 0.05, 0.1, 40}); });
}
void BM_Echo(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Echo(w, {0.5, 20, 50}); });
}
void BM_Flange(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Flange(w, {4, 45, 45, 10, 30, false}); });
}
void BM_Chorus(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Chorus(w, {22, 45, 45, 10, 30, false}); });
}
void BM_Reverb(benchmark::State& s) {
    Run(s, [](WaveRecord& w) { Reverb(w, {2, 40, 14, 35, 12, kReverbHall}); });
}

}  // namespace

BENCHMARK(BM_Compressor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoiseGate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Echo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chorus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reverb)->Unit(benchmark::kMillisecond);
