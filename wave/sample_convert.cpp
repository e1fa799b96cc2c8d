// Sample conversions: integer depths, 32-bit float and G.711 a-law / u-law,
// single samples and whole interleaved blocks. The block functions pick the
// conversion once and run a plain loop, because every reader and writer goes
// through them.
#include "wave/sample_convert.h"

#include <array>
#include <cmath>
#include <cstring>

namespace ob {

// ---- G.711 ----
// A-law: 13-bit magnitude, segments of 16 steps, even bits inverted (0x55).
// u-law: 14-bit magnitude with a bias of 33, all bits inverted.

int16_t ALawToLinear(uint8_t code) {
    int a = code ^ 0x55;
    int mantissa = (a & 0x0F) << 4;
    int segment = (a & 0x70) >> 4;
    int value;
    if (segment == 0)
        value = mantissa + 8;
    else
        value = (mantissa + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? value : -value);
}

uint8_t LinearToALaw(int16_t sample) {
    int pcm = sample >> 3;  // 13 bits
    int mask;
    if (pcm >= 0) {
        mask = 0xD5;
    } else {
        mask = 0x55;
        pcm = -pcm - 1;  // one's complement: symmetric about -0.5
    }
    int segment = 0;
    while (segment < 8 && pcm >= (0x20 << segment)) ++segment;
    if (segment >= 8) return static_cast<uint8_t>(0x7F ^ mask);
    int code = segment << 4;
    code |= segment < 2 ? (pcm >> 1) & 0x0F : (pcm >> segment) & 0x0F;
    return static_cast<uint8_t>(code ^ mask);
}

int16_t ULawToLinear(uint8_t code) {
    int u = ~code & 0xFF;
    int value = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return static_cast<int16_t>((u & 0x80) ? 0x84 - value : value - 0x84);
}

uint8_t LinearToULaw(int16_t sample) {
    constexpr int kBias = 0x84 >> 2;  // 33 in 14-bit units
    constexpr int kClip = 8159;
    // Negative inputs use the one's complement, as for a-law, so the
    // characteristic is symmetric about -0.5 (ITU-T G.191 reference coder).
    int pcm;
    int mask;
    if (sample < 0) {
        pcm = (~sample) >> 2;  // 14 bits
        mask = 0x7F;
    } else {
        pcm = sample >> 2;
        mask = 0xFF;
    }
    if (pcm > kClip) pcm = kClip;
    pcm += kBias;
    int segment = 0;
    while (segment < 8 && pcm >= (0x40 << segment)) ++segment;
    if (segment >= 8) return static_cast<uint8_t>(0x7F ^ mask);
    int code = (segment << 4) | ((pcm >> (segment + 1)) & 0x0F);
    return static_cast<uint8_t>(code ^ mask);
}

int BytesPerSample(SampleEncoding encoding) {
    switch (encoding) {
        case SampleEncoding::U8:
        case SampleEncoding::S8:
        case SampleEncoding::ALaw:
        case SampleEncoding::ULaw:
            return 1;
        case SampleEncoding::S16LE:
        case SampleEncoding::S16BE:
            return 2;
        case SampleEncoding::S24LE:
        case SampleEncoding::S24BE:
            return 3;
        case SampleEncoding::S32LE:
        case SampleEncoding::F32LE:
        case SampleEncoding::F32BE:
            return 4;
    }
    return 1;
}

namespace {

constexpr float kScale8 = 1.0f / 128.0f;
constexpr float kScale16 = 1.0f / 32768.0f;
constexpr float kScale32 = 1.0f / 2147483648.0f;

// Decoded values of every a-law and u-law code, and the code of every 13-bit
// (a-law) and 14-bit (u-law) input, built once: the coders depend on nothing
// else, since a-law drops the low 3 bits and u-law the low 2.
struct CompandTables {
    std::array<float, 256> alaw;
    std::array<float, 256> ulaw;
    std::array<uint8_t, 8192> alawCode;   // by (sample >> 3) & 0x1FFF
    std::array<uint8_t, 16384> ulawCode;  // by (sample >> 2) & 0x3FFF
    CompandTables() {
        for (int i = 0; i < 256; ++i) {
            alaw[i] = ALawToLinear(static_cast<uint8_t>(i)) * kScale16;
            ulaw[i] = ULawToLinear(static_cast<uint8_t>(i)) * kScale16;
        }
        for (int s = -32768; s < 32768; s += 8)
            alawCode[(s >> 3) & 0x1FFF] = LinearToALaw(static_cast<int16_t>(s));
        for (int s = -32768; s < 32768; s += 4)
            ulawCode[(s >> 2) & 0x3FFF] = LinearToULaw(static_cast<int16_t>(s));
    }
};
const CompandTables& Tables() {
    static const CompandTables tables;
    return tables;
}

inline float FloatFromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline uint32_t BitsFromFloat(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

// One decoder per encoding; each is inlined into the block loop.
struct DecU8 {
    float operator()(const uint8_t* p) const { return (static_cast<int>(p[0]) - 128) * kScale8; }
};
struct DecS8 {
    float operator()(const uint8_t* p) const { return static_cast<int8_t>(p[0]) * kScale8; }
};
struct DecS16LE {
    float operator()(const uint8_t* p) const {
        return static_cast<int16_t>(p[0] | (p[1] << 8)) * kScale16;
    }
};
struct DecS16BE {
    float operator()(const uint8_t* p) const {
        return static_cast<int16_t>((p[0] << 8) | p[1]) * kScale16;
    }
};
struct DecS24LE {
    float operator()(const uint8_t* p) const {
        uint32_t v = (uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24);
        return static_cast<float>(static_cast<int32_t>(v)) * kScale32;
    }
};
struct DecS24BE {
    float operator()(const uint8_t* p) const {
        uint32_t v = (uint32_t(p[2]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[0]) << 24);
        return static_cast<float>(static_cast<int32_t>(v)) * kScale32;
    }
};
struct DecS32LE {
    float operator()(const uint8_t* p) const {
        uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                     (uint32_t(p[3]) << 24);
        return static_cast<float>(static_cast<int32_t>(v)) * kScale32;
    }
};
struct DecF32LE {
    float operator()(const uint8_t* p) const {
        return FloatFromBits(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                             (uint32_t(p[3]) << 24));
    }
};
struct DecF32BE {
    float operator()(const uint8_t* p) const {
        return FloatFromBits(uint32_t(p[3]) | (uint32_t(p[2]) << 8) | (uint32_t(p[1]) << 16) |
                             (uint32_t(p[0]) << 24));
    }
};
struct DecTable {
    const float* table;
    float operator()(const uint8_t* p) const { return table[p[0]]; }
};

template <int Bytes, typename Decoder>
void DecodeLoop(const uint8_t* in, size_t frames, int channels, Decoder decode, float* left,
                float* right) {
    if (channels == 2) {
        for (size_t i = 0; i < frames; ++i, in += 2 * Bytes) {
            left[i] = decode(in);
            right[i] = decode(in + Bytes);
        }
    } else {
        for (size_t i = 0; i < frames; ++i, in += Bytes) left[i] = decode(in);
    }
}

// Integer encoders use the scale of the matching decoder (2^(bits-1)), so a
// sample read from a file and written back at the same depth keeps its exact
// value. The sample is clamped to -1.0..+1.0 first (NaN -> -1.0); +1.0 itself
// lands one step beyond the largest code and is held at full scale. The
// products are exact in double, so the truncation is that of the true product.
template <int64_t Full>
inline int64_t ToInteger(float x) {
    int64_t v = static_cast<int64_t>(ClampSample(x) * double(Full));
    return v < Full ? v : Full - 1;
}

struct EncU8 {
    void operator()(float x, uint8_t* p) const {
        p[0] = static_cast<uint8_t>(ToInteger<128>(x) + 128);
    }
};
struct EncS8 {
    void operator()(float x, uint8_t* p) const {
        p[0] = static_cast<uint8_t>(static_cast<int8_t>(ToInteger<128>(x)));
    }
};
struct EncS16LE {
    void operator()(float x, uint8_t* p) const {
        uint16_t v = static_cast<uint16_t>(ToInteger<32768>(x));
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    }
};
struct EncS16BE {
    void operator()(float x, uint8_t* p) const {
        uint16_t v = static_cast<uint16_t>(ToInteger<32768>(x));
        p[0] = static_cast<uint8_t>(v >> 8);
        p[1] = static_cast<uint8_t>(v);
    }
};
struct EncS24LE {
    void operator()(float x, uint8_t* p) const {
        uint32_t v = static_cast<uint32_t>(ToInteger<8388608>(x));
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    }
};
struct EncS24BE {
    void operator()(float x, uint8_t* p) const {
        uint32_t v = static_cast<uint32_t>(ToInteger<8388608>(x));
        p[0] = static_cast<uint8_t>(v >> 16);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v);
    }
};
struct EncS32LE {
    void operator()(float x, uint8_t* p) const {
        uint32_t v = static_cast<uint32_t>(ToInteger<2147483648>(x));
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
        p[3] = static_cast<uint8_t>(v >> 24);
    }
};
struct EncF32LE {
    void operator()(float x, uint8_t* p) const {
        uint32_t v = BitsFromFloat(x);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
        p[3] = static_cast<uint8_t>(v >> 24);
    }
};
struct EncF32BE {
    void operator()(float x, uint8_t* p) const {
        uint32_t v = BitsFromFloat(x);
        p[0] = static_cast<uint8_t>(v >> 24);
        p[1] = static_cast<uint8_t>(v >> 16);
        p[2] = static_cast<uint8_t>(v >> 8);
        p[3] = static_cast<uint8_t>(v);
    }
};
struct EncALaw {
    const uint8_t* table;
    void operator()(float x, uint8_t* p) const {
        p[0] = table[(ToInteger<32768>(x) >> 3) & 0x1FFF];
    }
};
struct EncULaw {
    const uint8_t* table;
    void operator()(float x, uint8_t* p) const {
        p[0] = table[(ToInteger<32768>(x) >> 2) & 0x3FFF];
    }
};

template <int Bytes, typename Encoder>
void EncodeLoop(const float* left, const float* right, size_t frames, int channels, Encoder encode,
                uint8_t* out) {
    if (channels == 2) {
        for (size_t i = 0; i < frames; ++i, out += 2 * Bytes) {
            encode(left[i], out);
            encode(right[i], out + Bytes);
        }
    } else {
        for (size_t i = 0; i < frames; ++i, out += Bytes) encode(left[i], out);
    }
}

}  // namespace

float DecodeSample(const uint8_t* in, SampleEncoding encoding) {
    float x = 0.0f;
    DecodeSamples(in, 1, 1, encoding, &x, nullptr);
    return x;
}

void EncodeSample(float x, SampleEncoding encoding, uint8_t* out) {
    EncodeSamples(&x, nullptr, 1, 1, encoding, out);
}

void DecodeSamples(const uint8_t* in, size_t frames, int channels, SampleEncoding encoding,
                   float* left, float* right) {
    if (!in || !left || frames == 0) return;
    if (channels == 2 && !right) return;
    if (channels != 2) channels = 1;
    switch (encoding) {
        case SampleEncoding::U8:
            DecodeLoop<1>(in, frames, channels, DecU8{}, left, right);
            break;
        case SampleEncoding::S8:
            DecodeLoop<1>(in, frames, channels, DecS8{}, left, right);
            break;
        case SampleEncoding::S16LE:
            DecodeLoop<2>(in, frames, channels, DecS16LE{}, left, right);
            break;
        case SampleEncoding::S16BE:
            DecodeLoop<2>(in, frames, channels, DecS16BE{}, left, right);
            break;
        case SampleEncoding::S24LE:
            DecodeLoop<3>(in, frames, channels, DecS24LE{}, left, right);
            break;
        case SampleEncoding::S24BE:
            DecodeLoop<3>(in, frames, channels, DecS24BE{}, left, right);
            break;
        case SampleEncoding::S32LE:
            DecodeLoop<4>(in, frames, channels, DecS32LE{}, left, right);
            break;
        case SampleEncoding::F32LE:
            DecodeLoop<4>(in, frames, channels, DecF32LE{}, left, right);
            break;
        case SampleEncoding::F32BE:
            DecodeLoop<4>(in, frames, channels, DecF32BE{}, left, right);
            break;
        case SampleEncoding::ALaw:
            DecodeLoop<1>(in, frames, channels, DecTable{Tables().alaw.data()}, left, right);
            break;
        case SampleEncoding::ULaw:
            DecodeLoop<1>(in, frames, channels, DecTable{Tables().ulaw.data()}, left, right);
            break;
    }
}

void EncodeSamples(const float* left, const float* right, size_t frames, int channels,
                   SampleEncoding encoding, uint8_t* out) {
    if (!out || !left || frames == 0) return;
    if (channels == 2 && !right) return;
    if (channels != 2) channels = 1;
    switch (encoding) {
        case SampleEncoding::U8:
            EncodeLoop<1>(left, right, frames, channels, EncU8{}, out);
            break;
        case SampleEncoding::S8:
            EncodeLoop<1>(left, right, frames, channels, EncS8{}, out);
            break;
        case SampleEncoding::S16LE:
            EncodeLoop<2>(left, right, frames, channels, EncS16LE{}, out);
            break;
        case SampleEncoding::S16BE:
            EncodeLoop<2>(left, right, frames, channels, EncS16BE{}, out);
            break;
        case SampleEncoding::S24LE:
            EncodeLoop<3>(left, right, frames, channels, EncS24LE{}, out);
            break;
        case SampleEncoding::S24BE:
            EncodeLoop<3>(left, right, frames, channels, EncS24BE{}, out);
            break;
        case SampleEncoding::S32LE:
            EncodeLoop<4>(left, right, frames, channels, EncS32LE{}, out);
            break;
        case SampleEncoding::F32LE:
            EncodeLoop<4>(left, right, frames, channels, EncF32LE{}, out);
            break;
        case SampleEncoding::F32BE:
            EncodeLoop<4>(left, right, frames, channels, EncF32BE{}, out);
            break;
        case SampleEncoding::ALaw:
            EncodeLoop<1>(left, right, frames, channels, EncALaw{Tables().alawCode.data()}, out);
            break;
        case SampleEncoding::ULaw:
            EncodeLoop<1>(left, right, frames, channels, EncULaw{Tables().ulawCode.data()}, out);
            break;
    }
}

}  // namespace ob
