// Output samples per second of the transpose recurrences (linear and windowed
// sinc, 44100 to 48000 Hz) and input samples per second of the time-stretch
// engine (110 % and 90 %, a mix of three tones, and silence), on 10 s of mono
// sound.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "dsp/time_stretch.h"
#include "dsp/transpose.h"

using namespace ob;

namespace {

constexpr uint32_t kFrames = 441000;

const std::vector<float>& Mix() {
    static std::vector<float> x = [] {
        std::vector<float> v(kFrames);
        for (uint32_t i = 0; i < kFrames; ++i)
            v[i] = float(0.3 * std::sin(2 * M_PI * 220 * i / 44100) +
                         0.2 * std::sin(2 * M_PI * 330 * i / 44100) +
                         0.1 * std::sin(2 * M_PI * 1250 * i / 44100));
        return v;
    }();
    return x;
}

void BM_TransposeLinear(benchmark::State& state) {
    const std::vector<float>& x = Mix();
    uint32_t m = uint32_t(TransposedLength(kFrames, 44100, 48000));
    std::vector<float> y(m);
    for (auto _ : state) {
        ResampleLinear(x.data(), kFrames, y.data(), m, TransposePeriod(44100),
                       TransposePeriod(48000));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * m);
}
BENCHMARK(BM_TransposeLinear)->Unit(benchmark::kMillisecond);

void BM_TransposeResample(benchmark::State& state) {
    const std::vector<float>& x = Mix();
    uint32_t m = uint32_t(TransposedLength(kFrames, 44100, 48000));
    std::vector<float> y(m);
    for (auto _ : state) {
        ResampleSinc(x.data(), kFrames, y.data(), m, TransposePeriod(44100),
                     TransposePeriod(48000));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * m);
}
BENCHMARK(BM_TransposeResample)->Unit(benchmark::kMillisecond);

// Silence: every candidate matches with error 0, so each search stops at
// its first candidate.
const std::vector<float>& Silence() {
    static std::vector<float> x(kFrames, 0.0f);
    return x;
}

void StretchRun(benchmark::State& state, const std::vector<float>& x) {
    double ratio = double(state.range(0));
    std::vector<float> out(StretchCapacity(kFrames, ratio));
    const float* sources[1] = {x.data()};
    float* outputs[1] = {out.data()};
    uint64_t length = 0;
    for (auto _ : state) {
        StretchChannels(sources, 1, false, kFrames, ratio, StretchSizesAt(44100, false), outputs,
                        out.size(), &length);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}
void BM_TimeStretch(benchmark::State& state) {
    StretchRun(state, Mix());
}
BENCHMARK(BM_TimeStretch)->Arg(110)->Arg(90)->Unit(benchmark::kMillisecond);
void BM_TimeStretchSilence(benchmark::State& state) {
    StretchRun(state, Silence());
}
BENCHMARK(BM_TimeStretchSilence)->Arg(110)->Arg(90)->Unit(benchmark::kMillisecond);

}  // namespace
