// Sample conversions: every encoding's read and write rule, clamping, byte
// order, interleaving, and G.711 against its own definition.
#include "wave/sample_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace ob;

namespace {
std::vector<uint8_t> Encode(std::vector<float> x, SampleEncoding e) {
    std::vector<uint8_t> out(x.size() * BytesPerSample(e));
    EncodeSamples(x.data(), nullptr, x.size(), 1, e, out.data());
    return out;
}
int16_t S16(const uint8_t* p) {
    return static_cast<int16_t>(p[0] | (p[1] << 8));
}
int32_t S24(const uint8_t* p) {
    int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return v & 0x800000 ? v - 0x1000000 : v;
}
}  // namespace

TEST(SampleConvert, ReadRules) {
    const uint8_t u8[] = {0, 128, 255};
    float out[3];
    DecodeSamples(u8, 3, 1, SampleEncoding::U8, out, nullptr);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 127.0f / 128);
    DecodeSamples(u8, 3, 1, SampleEncoding::S8, out, nullptr);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], -1.0f);
    EXPECT_EQ(out[2], -1.0f / 128);
    const uint8_t s16le[] = {0x00, 0x80, 0xFF, 0x7F, 0x01, 0x00};
    DecodeSamples(s16le, 3, 1, SampleEncoding::S16LE, out, nullptr);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], 32767.0f / 32768);
    EXPECT_EQ(out[2], 1.0f / 32768);
    const uint8_t s16be[] = {0x80, 0x00, 0x7F, 0xFF, 0x00, 0x01};
    DecodeSamples(s16be, 3, 1, SampleEncoding::S16BE, out, nullptr);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], 32767.0f / 32768);
    EXPECT_EQ(out[2], 1.0f / 32768);
    const uint8_t s24le[] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x00};
    DecodeSamples(s24le, 3, 1, SampleEncoding::S24LE, out, nullptr);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], static_cast<float>(8388607.0 * 256 / 2147483648.0));
    EXPECT_EQ(out[2], static_cast<float>(256.0 / 2147483648.0));
    const uint8_t s24be[] = {0x80, 0x00, 0x00, 0x00, 0x00, 0x01};
    DecodeSamples(s24be, 2, 1, SampleEncoding::S24BE, out, nullptr);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], static_cast<float>(256.0 / 2147483648.0));
    const uint8_t f32le[] = {0x00, 0x00, 0xC0, 0x3F};  // 1.5
    const uint8_t f32be[] = {0xBF, 0xC0, 0x00, 0x00};  // -1.5
    DecodeSamples(f32le, 1, 1, SampleEncoding::F32LE, out, nullptr);
    EXPECT_EQ(out[0], 1.5f);
    DecodeSamples(f32be, 1, 1, SampleEncoding::F32BE, out, nullptr);
    EXPECT_EQ(out[0], -1.5f);
    EXPECT_EQ(DecodeSample(f32le, SampleEncoding::F32LE), 1.5f);
}

TEST(SampleConvert, WriteRulesTruncateAndClamp) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> x = {0.0f, 0.5f, -0.5f, 0.99999f, 1.5f, -1.5f, nan, 1.0f / 3, -1.0f / 3};
    auto b16 = Encode(x, SampleEncoding::S16LE);
    std::vector<int> expect16 = {0, 16384, -16384, 32767, 32767, -32768, -32768, 10922, -10922};
    for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(S16(&b16[2 * i]), expect16[i]) << i;
    auto b24 = Encode(x, SampleEncoding::S24LE);
    for (size_t i = 0; i < x.size(); ++i) {
        double c = std::isnan(x[i]) ? -1.0 : std::fmin(1.0, std::fmax(-1.0, x[i]));
        EXPECT_EQ(S24(&b24[3 * i]),
                  std::min(8388607, static_cast<int32_t>(std::trunc(c * 8388608.0))))
            << i;
    }
    auto u8 = Encode(x, SampleEncoding::U8);
    std::vector<int> expect8 = {0, 64, -64, 127, 127, -128, -128, 42, -42};
    for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(u8[i], expect8[i] + 128) << i;
    auto s8 = Encode(x, SampleEncoding::S8);
    for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(static_cast<int8_t>(s8[i]), expect8[i]) << i;
    // Big-endian orders the same values the other way round.
    auto b16be = Encode({0.5f, -1.0f}, SampleEncoding::S16BE);
    EXPECT_EQ(b16be, (std::vector<uint8_t>{0x40, 0x00, 0x80, 0x00}));
    auto b24be = Encode({-1.0f}, SampleEncoding::S24BE);
    EXPECT_EQ(S24(std::vector<uint8_t>{b24be[2], b24be[1], b24be[0]}.data()), -8388608);
    // Float is written unchanged, including values beyond full scale.
    auto f = Encode({1.5f, -3.25f}, SampleEncoding::F32LE);
    float back[2];
    DecodeSamples(f.data(), 2, 1, SampleEncoding::F32LE, back, nullptr);
    EXPECT_EQ(back[0], 1.5f);
    EXPECT_EQ(back[1], -3.25f);
    auto fbe = Encode({1.5f}, SampleEncoding::F32BE);
    EXPECT_EQ(fbe, (std::vector<uint8_t>{0x3F, 0xC0, 0x00, 0x00}));
    uint8_t one[4];
    EncodeSample(0.5f, SampleEncoding::S16LE, one);
    EXPECT_EQ(S16(one), 16384);
}

TEST(SampleConvert, StereoInterleavesAndRoundTripsEveryEncoding) {
    const SampleEncoding all[] = {
        SampleEncoding::U8,    SampleEncoding::S8,    SampleEncoding::S16LE, SampleEncoding::S16BE,
        SampleEncoding::S24LE, SampleEncoding::S24BE, SampleEncoding::F32LE, SampleEncoding::F32BE,
        SampleEncoding::ALaw,  SampleEncoding::ULaw};
    std::vector<float> left, right;
    for (int i = 0; i < 1000; ++i) {
        left.push_back(std::sin(i * 0.01f) * 0.9f);
        right.push_back(std::cos(i * 0.013f) * 0.7f);
    }
    for (SampleEncoding e : all) {
        int bytes = BytesPerSample(e);
        std::vector<uint8_t> data(left.size() * 2 * bytes);
        EncodeSamples(left.data(), right.data(), left.size(), 2, e, data.data());
        // The first frame's left sample comes first, then its right sample.
        std::vector<uint8_t> single(bytes);
        EncodeSamples(&right[0], nullptr, 1, 1, e, single.data());
        EXPECT_TRUE(std::equal(single.begin(), single.end(), data.begin() + bytes)) << int(e);
        std::vector<float> l2(left.size()), r2(left.size());
        DecodeSamples(data.data(), left.size(), 2, e, l2.data(), r2.data());
        double tolerance =
            bytes == 1 ? (e == SampleEncoding::ALaw || e == SampleEncoding::ULaw ? 0.04 : 1.0 / 64)
            : bytes == 4 ? 0.0
                         : 1.0 / 16000;
        for (size_t i = 0; i < left.size(); ++i) {
            ASSERT_NEAR(l2[i], left[i], tolerance) << int(e) << " " << i;
            ASSERT_NEAR(r2[i], right[i], tolerance) << int(e) << " " << i;
        }
    }
}

TEST(SampleConvert, G711DecodeAndEncodeAgree) {
    // Known points of the G.711 tables.
    EXPECT_EQ(ALawToLinear(0xD5), 8);
    EXPECT_EQ(ALawToLinear(0x55), -8);
    EXPECT_EQ(ALawToLinear(0xAA), 32256);
    EXPECT_EQ(ALawToLinear(0x2A), -32256);
    EXPECT_EQ(ULawToLinear(0xFF), 0);
    EXPECT_EQ(ULawToLinear(0x7F), 0);
    EXPECT_EQ(ULawToLinear(0x80), 32124);
    EXPECT_EQ(ULawToLinear(0x00), -32124);
    // Every code survives decode then encode (u-law's negative zero becomes positive zero).
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(LinearToALaw(ALawToLinear(uint8_t(c))), c) << c;
        if (c != 0x7F) {
            EXPECT_EQ(LinearToULaw(ULawToLinear(uint8_t(c))), c) << c;
        }
    }
    EXPECT_EQ(LinearToULaw(ULawToLinear(0x7F)), 0xFF);
    // The block coders give the same codes as the single-sample coders.
    std::vector<float> x;
    for (int s = -32768; s <= 32767; ++s) x.push_back(s / 32768.0f);
    x.push_back(1.5f);
    x.push_back(std::numeric_limits<float>::quiet_NaN());
    auto alaw = Encode(x, SampleEncoding::ALaw);
    auto ulaw = Encode(x, SampleEncoding::ULaw);
    for (size_t i = 0; i < x.size(); ++i) {
        double t = std::trunc(double(ClampSample(x[i])) * 32768.0);
        auto v = static_cast<int16_t>(std::min(t, 32767.0));
        ASSERT_EQ(alaw[i], LinearToALaw(v)) << i;
        ASSERT_EQ(ulaw[i], LinearToULaw(v)) << i;
    }
    // Encoding is monotonic over the whole 16-bit range and lands on a code whose
    // value is within one step of the input.
    int lastA = -40000, lastU = -40000;
    for (int s = -32768; s <= 32767; ++s) {
        int a = ALawToLinear(LinearToALaw(int16_t(s)));
        int u = ULawToLinear(LinearToULaw(int16_t(s)));
        ASSERT_GE(a, lastA) << s;
        ASSERT_GE(u, lastU) << s;
        lastA = a;
        lastU = u;
        int stepA = std::abs(s) < 512 ? 16 : std::abs(s) / 16 + 16;
        int stepU = std::abs(s) < 256 ? 16 : std::abs(s) / 8 + 16;
        ASSERT_LE(std::abs(a - s), stepA) << s;
        ASSERT_LE(std::abs(u - s), stepU) << s;
    }
}

// Every integer code read and written back at the same depth and byte order is
// bit-identical; exactly +-1.0 and values beyond clamp to the end codes.
TEST(SampleConvert, IntegerCodesSurviveReadAndWrite) {
    struct Case {
        SampleEncoding encoding;
        int64_t codes;  // codes to try, spread over the whole range
    };
    const Case cases[] = {{SampleEncoding::U8, 256},        {SampleEncoding::S8, 256},
                          {SampleEncoding::S16LE, 65536},   {SampleEncoding::S16BE, 65536},
                          {SampleEncoding::S24LE, 1 << 24}, {SampleEncoding::S24BE, 1 << 24},
                          {SampleEncoding::ALaw, 256},      {SampleEncoding::ULaw, 256}};
    for (const Case& c : cases) {
        int bytes = BytesPerSample(c.encoding);
        // 24-bit: every 7th code plus both ends, to keep the test short.
        int64_t stride = bytes == 3 ? 7 : 1;
        std::vector<uint8_t> in;
        for (int64_t code = 0; code < c.codes; code += stride) {
            for (int b = 0; b < bytes; ++b) in.push_back(uint8_t(code >> (8 * b)));
        }
        for (int b = 0; b < bytes; ++b) in.push_back(0xFF);
        for (int b = 0; b < bytes; ++b) in.push_back(b == bytes - 1 ? 0x80 : 0x00);
        for (int b = 0; b < bytes; ++b) in.push_back(b == bytes - 1 ? 0x7F : 0xFF);
        size_t n = in.size() / bytes;
        std::vector<float> x(n);
        DecodeSamples(in.data(), n, 1, c.encoding, x.data(), nullptr);
        std::vector<uint8_t> out(in.size());
        EncodeSamples(x.data(), nullptr, n, 1, c.encoding, out.data());
        for (size_t i = 0; i < n; ++i) {
            bool same = std::equal(in.begin() + i * bytes, in.begin() + (i + 1) * bytes,
                                   out.begin() + i * bytes);
            // u-law's negative zero (0x7F) is written as positive zero (0xFF).
            if (c.encoding == SampleEncoding::ULaw && in[i] == 0x7F) same = out[i] == 0xFF;
            ASSERT_TRUE(same) << int(c.encoding) << " sample " << i;
        }
    }
    // Full scale and beyond: the largest and smallest codes.
    auto b16 = Encode({1.0f, -1.0f, 2.0f, -2.0f, 1e30f}, SampleEncoding::S16LE);
    EXPECT_EQ(S16(&b16[0]), 32767);
    EXPECT_EQ(S16(&b16[2]), -32768);
    EXPECT_EQ(S16(&b16[4]), 32767);
    EXPECT_EQ(S16(&b16[6]), -32768);
    EXPECT_EQ(S16(&b16[8]), 32767);
    auto b24 = Encode({1.0f, -1.0f, 1.0001f}, SampleEncoding::S24LE);
    EXPECT_EQ(S24(&b24[0]), 8388607);
    EXPECT_EQ(S24(&b24[3]), -8388608);
    EXPECT_EQ(S24(&b24[6]), 8388607);
    auto u8 = Encode({1.0f, -1.0f, 5.0f}, SampleEncoding::U8);
    EXPECT_EQ(u8, (std::vector<uint8_t>{255, 0, 255}));
    auto s8 = Encode({1.0f, -1.0f}, SampleEncoding::S8);
    EXPECT_EQ(s8, (std::vector<uint8_t>{0x7F, 0x80}));
    auto a = Encode({1.0f, -1.0f}, SampleEncoding::ALaw);
    EXPECT_EQ(a[0], LinearToALaw(32767));
    EXPECT_EQ(a[1], LinearToALaw(-32768));
}
