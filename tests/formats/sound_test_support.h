// Helpers for the sound format tests: a temporary folder, whole-file bytes,
// big-endian builders for hand-made files, and records holding generated waves.
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

#include "formats/format_common.h"
#include "wave/file_io.h"
#include "wave/wave_record.h"

namespace ob::soundtest {

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/orbick-formats-XXXXXX";
        if (char* made = ::mkdtemp(name)) path = made;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Appends to a byte image.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& Id(const char* id) {
        b.insert(b.end(), id, id + 4);
        return *this;
    }
    Bytes& Be16(uint32_t v) {
        b.push_back(uint8_t(v >> 8));
        b.push_back(uint8_t(v));
        return *this;
    }
    Bytes& Be32(uint32_t v) {
        for (int i = 3; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Bytes& Le16(uint32_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
        return *this;
    }
    Bytes& Le32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Bytes& U8(uint32_t v) {
        b.push_back(uint8_t(v));
        return *this;
    }
    Bytes& Text(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& Zeros(size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
};

inline uint32_t Be32At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
inline uint32_t Be16At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 8 | b[at + 1];
}

// A record that owns a generated wave and discards it at the end.
struct TestWave {
    WaveRecord record;
    TestWave(uint32_t frames, int channels, uint32_t rate = 44100) {
        if (AllocateWave(record, frames, channels) != kFileOk) std::abort();
        for (uint32_t i = 0; i < frames; ++i) {
            record.leftSamples[i] = float(0.9 * std::sin(i * 0.05));
            if (channels == 2) record.rightSamples[i] = float(0.5 * std::cos(i * 0.031));
        }
        record.sampleRate = rate;
        record.viewSpan = frames;
    }
    TestWave() = default;
    ~TestWave() { DiscardWave(record); }
    TestWave(const TestWave&) = delete;
    TestWave& operator=(const TestWave&) = delete;
};

// A record for reading into, discarded at the end.
struct Loaded {
    WaveRecord record;
    ~Loaded() { DiscardWave(record); }
};

}  // namespace ob::soundtest
