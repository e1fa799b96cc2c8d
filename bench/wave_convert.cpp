// Throughput of DecodeSamples / EncodeSamples for interleaved stereo blocks of
// one million frames, per encoding (bytes processed are the file bytes).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "wave/sample_convert.h"

namespace {

constexpr size_t kFrames = 1 << 20;

struct Buffers {
    std::vector<float> left, right;
    std::vector<uint8_t> bytes;
    explicit Buffers(ob::SampleEncoding e)
        : left(kFrames), right(kFrames), bytes(kFrames * 2 * ob::BytesPerSample(e)) {
        for (size_t i = 0; i < kFrames; ++i) {
            left[i] = std::sin(i * 0.001f) * 0.8f;
            right[i] = std::cos(i * 0.0013f) * 0.8f;
        }
        ob::EncodeSamples(left.data(), right.data(), kFrames, 2, e, bytes.data());
    }
};

void Decode(benchmark::State& state, ob::SampleEncoding e) {
    Buffers b(e);
    for (auto _ : state) {
        ob::DecodeSamples(b.bytes.data(), kFrames, 2, e, b.left.data(), b.right.data());
        benchmark::DoNotOptimize(b.left.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.bytes.size()));
}

void Encode(benchmark::State& state, ob::SampleEncoding e) {
    Buffers b(e);
    for (auto _ : state) {
        ob::EncodeSamples(b.left.data(), b.right.data(), kFrames, 2, e, b.bytes.data());
        benchmark::DoNotOptimize(b.bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.bytes.size()));
}

}  // namespace

BENCHMARK_CAPTURE(Decode, s16le, ob::SampleEncoding::S16LE);
BENCHMARK_CAPTURE(Decode, s24le, ob::SampleEncoding::S24LE);
BENCHMARK_CAPTURE(Decode, f32le, ob::SampleEncoding::F32LE);
BENCHMARK_CAPTURE(Decode, alaw, ob::SampleEncoding::ALaw);
BENCHMARK_CAPTURE(Encode, s16le, ob::SampleEncoding::S16LE);
BENCHMARK_CAPTURE(Encode, s24le, ob::SampleEncoding::S24LE);
BENCHMARK_CAPTURE(Encode, f32le, ob::SampleEncoding::F32LE);
BENCHMARK_CAPTURE(Encode, alaw, ob::SampleEncoding::ALaw);
