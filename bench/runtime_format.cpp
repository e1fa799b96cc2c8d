// bench_runtime_format: per-call cost of Format with number and date
// patterns, the date parser, Str and UCase of a long text.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/runtime/convert.h"
#include "engine/runtime/dates.h"
#include "engine/runtime/format.h"
#include "engine/runtime/text.h"

using namespace tessel::runtime;

static void FormatNumberPattern(benchmark::State& state) {
    double v = 1234567.891;
    for (auto _ : state) {
        Report r;
        benchmark::DoNotOptimize(Format(Value::Double(v), "#,##0.00;(#,##0.00)", r));
        v += 0.01;
    }
}
BENCHMARK(FormatNumberPattern);

static void FormatDatePattern(benchmark::State& state) {
    double serial = 46381.5;
    for (auto _ : state) {
        Report r;
        benchmark::DoNotOptimize(
            Format(Value::Date(serial), "dddd, mmmm d yyyy hh:nn:ss AM/PM", r));
        serial += 0.001;
    }
}
BENCHMARK(FormatDatePattern);

static void ParseDateText(benchmark::State& state) {
    double serial = 0;
    for (auto _ : state) benchmark::DoNotOptimize(ParseDate("Fri Dec 25 22:05:09 2026\n", serial));
}
BENCHMARK(ParseDateText);

static void StrOfDouble(benchmark::State& state) {
    double v = 1.0 / 3.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Str(v));
        v += 1.0;
    }
}
BENCHMARK(StrOfDouble);

static void UCaseLong(benchmark::State& state) {
    std::string text(100000, 'q');
    for (auto _ : state) benchmark::DoNotOptimize(UCase(text));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(UCaseLong);
