// Samples per second of the Envelope Generator and the Transfer Function run
// through the processing frame (no undo backups, batch interface) on 10 M
// mono frames at 44.1 kHz: the envelope with "Fade In, Fade Out (Moderate,
// 30 dB)", the transfer function with "Linear" and "Soft Fuzz" (mirrored).
// The loops alone (no frame, no overview pass) are measured beside them.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_wave.h"
#include "dsp/envelope.h"
#include "dsp/transfer_function.h"
#include "wave/undo.h"

using namespace ob;

namespace {

constexpr uint32_t kFrames = 10'000'000;

// Noise over the whole scale, written again before each run (a repeated
// envelope would otherwise shrink the samples into denormals).
WaveRecord* Wave() {
    static WaveRecord* w = MakeBenchWave(kFrames, false, 44100);
    if (!w) return w;
    uint32_t seed = 1;
    for (uint32_t i = 0; i < kFrames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        w->leftSamples[i] = float(int32_t(seed)) / 2147483648.0f;
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
        Wave();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

void BM_Envelope(benchmark::State& state) {
    const EnvelopeParams p = EnvelopeBuiltIn(2);
    Run(state, [&](WaveRecord& w) { ApplyEnvelope(w, p); });
}

void BM_EnvelopeLoop(benchmark::State& state) {
    WaveRecord* w = Wave();
    double g[kEnvelopePoints];
    EnvelopeGainTable(EnvelopeBuiltIn(2), g);
    std::vector<float> out(kFrames);
    for (auto _ : state) {
        EnvelopeRun(g, kFrames, 0, w->leftSamples, out.data(), kFrames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

void Transfer(benchmark::State& state, const TransferParams& p) {
    Run(state, [&](WaveRecord& w) { ApplyTransferFunction(w, p); });
}

void BM_TransferLinear(benchmark::State& state) {
    Transfer(state, TransferBuiltIn(kTransferInitialPreset));
}

void BM_TransferSoftFuzzMirror(benchmark::State& state) {
    TransferParams p = TransferBuiltIn(6);
    p.mirror = 1;
    Transfer(state, p);
}

void BM_TransferLoop(benchmark::State& state) {
    WaveRecord* w = Wave();
    TransferTable t;
    BuildTransferTable(TransferBuiltIn(6), t);
    std::vector<float> out(kFrames);
    for (auto _ : state) {
        TransferRun(t, w->leftSamples, out.data(), kFrames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

}  // namespace

BENCHMARK(BM_Envelope)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnvelopeLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransferLinear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransferSoftFuzzMirror)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransferLoop)->Unit(benchmark::kMillisecond);
