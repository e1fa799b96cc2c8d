// Samples per second of the waveform generator: each shape filling 10 M
// frames (the table read alone), a four-tone chord, and the whole Generate
// into an empty editor (allocation, fill, overview).
#include <benchmark/benchmark.h>

#include <vector>

#include "dsp/generate.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

constexpr uint64_t kFrames = 10'000'000;

void Fill(benchmark::State& state, int32_t shape, int chordTones) {
    static std::vector<float> out(kFrames);
    GenerateSettings s;
    s.shape = shape;
    s.frequency = 1000000;
    const int32_t chord[3] = {1250000, 1500000, 750000};
    for (int k = 0; k < chordTones; ++k) s.chord[k] = chord[k];
    ClampGenerateSettings(s);
    for (auto _ : state) {
        GenerateSamples(s, out.data(), kFrames, 1);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFrames));
}

void WholeGenerate(benchmark::State& state) {
    GenerateSettings s;
    s.duration = int64_t(kFrames) * 1000 / 44100 + 1;
    for (auto _ : state) {
        int number = 0;
        if (CreateEditor(&number) != 0) {
            state.SkipWithError("no editor");
            break;
        }
        if (Generate(*gEditorSlots[number], s) != 0) state.SkipWithError("generate failed");
        state.PauseTiming();
        CloseEditor(number);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFrames));
}

}  // namespace

BENCHMARK_CAPTURE(Fill, sine, kGenSine, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Fill, square, kGenSquare, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Fill, sawtooth, kGenSawtooth, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Fill, noise, kGenWhiteNoise, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Fill, sine_chord4, kGenSine, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeGenerate)->Unit(benchmark::kMillisecond);
