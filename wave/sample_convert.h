// Sample conversions shared by every format: integer depths, 32-bit float,
// G.711 a-law and u-law, in both byte orders, single samples and whole blocks.
//
// Reading: 8-bit unsigned (b - 128) / 128; 8-bit signed b / 128; 16-bit v / 32768;
// 24-bit: the three bytes in the top of a 32-bit integer / 2^31; 32-bit v / 2^31
// (so 24 valid bits in the top of a 4-byte container read as 24-bit); float unchanged;
// a-law / u-law decoded to 16 bits (G.711) / 32768.
// Writing uses the same scales, so every integer sample read and written back
// at the same depth is bit-identical: the sample is clamped to -1.0..+1.0 (NaN
// becomes -1.0), multiplied by 128 (8-bit, +128 unsigned), 32768 (16-bit) or
// 8388608 (24-bit, low three bytes) or 2^31 (32-bit) and truncated toward zero,
// and +1.0 is held at the largest code (127, 32767, 8388607, 2^31 - 1); a-law / u-law: the 16-bit
// value so made, then encoded. 32-bit float is written unchanged (values beyond full scale
// survive).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ob {

enum class SampleEncoding {
    U8,     // 8-bit unsigned
    S8,     // 8-bit signed
    S16LE,  // 16-bit signed, little-endian
    S16BE,  // 16-bit signed, big-endian
    S24LE,  // 24-bit signed, low byte first
    S24BE,  // 24-bit signed, high byte first
    S32LE,  // 32-bit signed, little-endian (also 24 valid bits in a 4-byte container)
    F32LE,  // IEEE float, little-endian
    F32BE,  // IEEE float, big-endian
    ALaw,   // G.711 a-law
    ULaw,   // G.711 u-law
};

// Bytes one sample of the encoding takes (1, 2, 3 or 4).
int BytesPerSample(SampleEncoding encoding);

// The record's clamp rule: <= -1 or NaN -> -1, >= 1 -> 1.
inline float ClampSample(float x) {
    if (!(x > -1.0f)) return -1.0f;  // also catches NaN
    if (x >= 1.0f) return 1.0f;
    return x;
}

// G.711 (ITU-T) companding.
int16_t ALawToLinear(uint8_t code);
uint8_t LinearToALaw(int16_t sample);
int16_t ULawToLinear(uint8_t code);
uint8_t LinearToULaw(int16_t sample);

// One sample at `in` / into `out` (BytesPerSample bytes), by the same rules.
float DecodeSample(const uint8_t* in, SampleEncoding encoding);
void EncodeSample(float x, SampleEncoding encoding, uint8_t* out);

// Decodes `frames` interleaved frames of `channels` (1 or 2) samples from
// `in` into the channel buffers starting at each buffer's index 0 (`right`
// is ignored for mono).
void DecodeSamples(const uint8_t* in, size_t frames, int channels, SampleEncoding encoding,
                   float* left, float* right);
// Encodes `frames` frames from the channel buffers into interleaved bytes.
void EncodeSamples(const float* left, const float* right, size_t frames, int channels,
                   SampleEncoding encoding, uint8_t* out);

}  // namespace ob
