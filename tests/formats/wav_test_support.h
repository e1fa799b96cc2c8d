// Helpers for the WAV tests: a temporary folder, whole-file bytes, records
// with generated samples, and a plain RIFF chunk lookup over bytes in memory
// (written separately from the reader so the tests check the files on their own).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound_test_support.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob::wavtest {

// The folder and whole-file helpers are the ones every format test uses.
using TempDir = soundtest::TempFolder;
using soundtest::ReadBytes;
using soundtest::WriteBytes;

inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline void PutLe32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
inline void PutLe16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void PutId(std::vector<uint8_t>& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(id[i]));
}

// Offset of the chunk header `id` among the top-level chunks, or -1.
inline long FindChunk(const std::vector<uint8_t>& b, const char* id) {
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        uint32_t size = Le32(&b[pos + 4]);
        if (std::memcmp(&b[pos], id, 4) == 0) return long(pos);
        pos += 8 + size_t(size) + (size & 1);
    }
    return -1;
}

// Fills a record with `frames` frames of a deterministic signal.
inline void MakeWave(WaveRecord& r, uint32_t frames, bool stereo, uint32_t rate = 44100) {
    r.leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    r.rightSamples =
        stereo ? static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge)) : nullptr;
    r.frameCount = frames;
    r.sampleRate = rate;
    for (uint32_t i = 0; i < frames; ++i) {
        r.leftSamples[i] = float(0.9 * std::sin(i * 0.05));
        if (stereo) r.rightSamples[i] = float(-0.7 * std::cos(i * 0.031));
    }
}

// A minimal RIFF WAVE image: fmt (tag, channels, rate, bits) and data bytes.
inline std::vector<uint8_t> MinimalWave(uint16_t tag, uint16_t channels, uint32_t rate,
                                        uint16_t bits, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> b;
    PutId(b, "RIFF");
    PutLe32(b, 0);
    PutId(b, "WAVE");
    PutId(b, "fmt ");
    PutLe32(b, 16);
    PutLe16(b, tag);
    PutLe16(b, channels);
    PutLe32(b, rate);
    PutLe32(b, rate * channels * bits / 8);
    PutLe16(b, uint16_t(channels * bits / 8));
    PutLe16(b, bits);
    PutId(b, "data");
    PutLe32(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
    uint32_t riff = uint32_t(b.size() - 8);
    std::memcpy(&b[4], &riff, 4);
    return b;
}

}  // namespace ob::wavtest
