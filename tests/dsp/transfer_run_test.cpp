// The block loops of the Transfer Function (four samples at a time, then a
// tail) against the one-sample shaping, bit for bit: every built-in with and
// without mirror, unaligned starts, every tail length, and the inputs where
// the arithmetic is delicate (segment edges, full scale, not a number,
// infinities, signed zeros, subnormals).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "dsp/transfer_function.h"

using namespace ob;

namespace {

uint32_t Bits(float x) {
    uint32_t b;
    std::memcpy(&b, &x, 4);
    return b;
}

float FromBits(uint32_t b) {
    float x;
    std::memcpy(&x, &b, 4);
    return x;
}

// Inputs on and next to every segment edge (multiples of 512 / 32767), the
// ends of the scale, values beyond it and the special values.
std::vector<float> DelicateInputs() {
    std::vector<float> v;
    for (int k = -64; k <= 64; ++k) {
        const float edge = float(k * 512 / 32767.0);
        v.push_back(edge);
        v.push_back(std::nextafter(edge, 2.0f));
        v.push_back(std::nextafter(edge, -2.0f));
        v.push_back(float((k * 512 + 0.5) / 32767.0));
        v.push_back(float((k * 512 - 0.5) / 32767.0));
    }
    const float inf = std::numeric_limits<float>::infinity();
    for (float x : {0.0f,
                    -0.0f,
                    1.0f,
                    -1.0f,
                    1.0001f,
                    -1.0001f,
                    32768.0f / 32767,
                    -32769.0f / 32767,
                    1e30f,
                    -1e30f,
                    std::numeric_limits<float>::max(),
                    -std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::denorm_min(),
                    -std::numeric_limits<float>::denorm_min(),
                    1e-40f,
                    -1e-40f,
                    inf,
                    -inf,
                    std::numeric_limits<float>::quiet_NaN(),
                    -std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::signaling_NaN()})
        v.push_back(x);
    uint32_t seed = 7;
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        v.push_back(float(int32_t(seed)) / 1.9e9f);
    }
    return v;
}

std::vector<TransferTable> AllTables() {
    std::vector<TransferTable> tables;
    for (int i = 0; i < kTransferBuiltInCount; ++i) {
        for (int mirror = 0; mirror <= 1; ++mirror) {
            TransferParams p = TransferBuiltIn(i);
            p.mirror = mirror;
            tables.emplace_back();
            BuildTransferTable(p, tables.back());
        }
    }
    return tables;
}

// Runs `run` over in[start .. start + n) and compares each output with `one`.
template <class Run, class One>
void ExpectSameAsOneByOne(const TransferTable& t, const std::vector<float>& in, uint32_t start,
                          uint32_t n, Run run, One one, const char* what) {
    std::vector<float> out(n + 8, -99.0f);
    run(t, in.data() + start, out.data() + 1, n);  // output one float off alignment too
    for (uint32_t i = 0; i < n; ++i) {
        const float want = one(t, in[start + i]);
        ASSERT_EQ(Bits(out[1 + i]), Bits(want))
            << what << " input " << in[start + i] << " at " << start + i << " of a run of " << n;
    }
    EXPECT_EQ(out[0], -99.0f);  // nothing written outside the run
    EXPECT_EQ(out[n + 1], -99.0f);
}

float One(const TransferTable& t, float x) {
    return ShapeSample(t, x);
}
float One16(const TransferTable& t, float x) {
    return float(std::clamp(ShapeLevel(t, x), -32768, 32767)) / 32768.0f;
}

}  // namespace

TEST(TransferRun, BlocksEqualOneSampleShapingOnEveryBuiltIn) {
    const std::vector<float> in = DelicateInputs();
    const uint32_t n = uint32_t(in.size());
    for (const TransferTable& t : AllTables()) {
        ExpectSameAsOneByOne(t, in, 0, n, TransferRun, One, "run");
        ExpectSameAsOneByOne(t, in, 0, n, TransferRun16, One16, "run16");
    }
}

TEST(TransferRun, EveryStartAndTailLength) {
    const std::vector<float> in = DelicateInputs();
    const std::vector<TransferTable> tables = AllTables();
    for (uint32_t start = 0; start < 5; ++start) {
        for (uint32_t n = 0; n <= 11; ++n) {
            for (size_t k = 0; k < tables.size(); k += 3) {
                ExpectSameAsOneByOne(tables[k], in, start + 600, n, TransferRun, One, "run");
                ExpectSameAsOneByOne(tables[k], in, start + 600, n, TransferRun16, One16, "run16");
            }
        }
    }
}

// A sweep over the whole float range by bit pattern (every 1021st pattern:
// both signs, every exponent, subnormals, infinities and NaNs).
TEST(TransferRun, SweepOfFloatBitPatterns) {
    std::vector<float> in;
    for (uint64_t b = 0; b <= 0xffffffffu; b += 1021) in.push_back(FromBits(uint32_t(b)));
    for (int preset : {2, 7, 11}) {
        TransferParams p = TransferBuiltIn(preset);
        p.mirror = preset == 7;
        TransferTable t;
        BuildTransferTable(p, t);
        std::vector<float> out(in.size());
        TransferRun(t, in.data(), out.data(), uint32_t(in.size()));
        for (size_t i = 0; i < in.size(); ++i)
            ASSERT_EQ(Bits(out[i]), Bits(ShapeSample(t, in[i]))) << Bits(in[i]) << " " << preset;
    }
}

// Known levels, independent of the one-sample code: "Linear" is the
// identity truncated toward zero. The inputs are exact binary fractions, so
// x x 32767 has no rounding: 0.5 -> 16383.5 -> 16383.
TEST(TransferRun, KnownLevelsOfLinear) {
    TransferTable t;
    BuildTransferTable(TransferBuiltIn(kTransferInitialPreset), t);
    const float in[9] = {0.5f,   -0.5f,     0.25f,
                         -0.25f, 0.015625f, -0.015625f,
                         5.0f,   -5.0f,     std::numeric_limits<float>::quiet_NaN()};
    float out[9];
    TransferRun(t, in, out, 9);
    const int want[9] = {16383, -16383, 8191, -8191, 511, -511, 32767, -32768, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(out[i], float(want[i] / 32767.0)) << i;
}
