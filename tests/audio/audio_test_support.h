// Helpers of the audio tests: WAV files written by the file device read back
// as integers, sounds whose 16-bit output is known exactly, a clock the test
// opens like a gate, and the global state reset between tests.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/file_device.h"
#include "audio/play_prefs.h"
#include "audio/player.h"
#include "tests/dsp/test_wave.h"

namespace ob {

// A float whose 16-bit output (x * 32767, truncated) is exactly k.
inline float Out16(int k) {
    return (float(k) + (k >= 0 ? 0.5f : -0.5f)) / 32767.0f;
}

struct WavData {
    uint32_t tag = 0, channels = 0, rate = 0, bits = 0, validBits = 0;
    uint32_t riffSize = 0, dataSize = 0;
    uint64_t fileSize = 0;
    std::vector<int32_t> samples;  // interleaved; 16-bit values, or 32-bit containers
    size_t Frames() const { return channels ? samples.size() / channels : 0; }
    int32_t At(size_t frame, uint32_t channel = 0) const {
        return samples[frame * channels + channel];
    }
};

inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t Le16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

// A PCM or float WAV with one "fmt " and one "data" chunk.
inline bool ReadWav(const std::string& path, WavData& w) {
    std::vector<uint8_t> b = ReadBytes(path);
    w = WavData{};
    w.fileSize = b.size();
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4)) return false;
    w.riffSize = Le32(b.data() + 4);
    size_t at = 12;
    while (at + 8 <= b.size()) {
        uint32_t size = Le32(b.data() + at + 4);
        const uint8_t* c = b.data() + at + 8;
        if (!std::memcmp(b.data() + at, "fmt ", 4)) {
            w.tag = Le16(c);
            w.channels = Le16(c + 2);
            w.rate = Le32(c + 4);
            w.bits = Le16(c + 14);
            w.validBits = size >= 40 ? Le16(c + 18) : w.bits;
        } else if (!std::memcmp(b.data() + at, "data", 4)) {
            w.dataSize = size;
            size_t n = std::min<size_t>(size, b.size() - at - 8);
            size_t width = w.bits / 8;
            if (!width) return false;
            for (size_t i = 0; i + width <= n; i += width) {
                if (width == 2)
                    w.samples.push_back(int16_t(Le16(c + i)));
                else
                    w.samples.push_back(int32_t(Le32(c + i)));
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// Writes a 16-bit PCM WAV.
inline void WriteWav16(const std::string& path, uint32_t rate, uint32_t channels,
                       const std::vector<int16_t>& samples) {
    uint32_t data = uint32_t(samples.size() * 2);
    uint8_t h[44] = {};
    auto put32 = [](uint8_t* p, uint32_t v) {
        for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
    };
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    h[20] = 1;
    h[22] = uint8_t(channels);
    put32(h + 24, rate);
    put32(h + 28, rate * channels * 2);
    h[32] = uint8_t(channels * 2);
    h[34] = 16;
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;  // the reader then finds no file
    std::fwrite(h, 1, 44, f);
    if (!samples.empty()) std::fwrite(samples.data(), 2, samples.size(), f);
    std::fclose(f);
}

// A clock that holds every wait until the test opens it.
class GateClock : public AudioClock {
  public:
    int64_t NowNs() override { return now_.load(); }
    void WaitUntilNs(int64_t ns, const std::atomic<bool>& cancel) override {
        ++waits;
        while (!open.load() && !cancel.load()) usleep(200);
        int64_t current = now_.load();
        while (current < ns && !now_.compare_exchange_weak(current, ns)) {
        }
    }
    std::atomic<bool> open{false};
    std::atomic<int> waits{0};

  private:
    std::atomic<int64_t> now_{0};
};

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char name[] = "/tmp/orbick_audio_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const char* leaf) const { return (path / leaf).string(); }
};

// Installs a file device writing to OUT (and reading IN), with `rates` and a
// virtual clock unless a clock is given; resets the play preferences.
struct AudioFixtureState {
    GlobalStateGuard globals;
    TempDir dir;
    std::string out = dir / "out.wav";
    std::string in = dir / "in.wav";
    AudioFixtureState() { gPlayPrefs = PlayPrefs{}; }
    ~AudioFixtureState() {
        StopPlay();
        SetAudioBackend(nullptr);
        gPlayPrefs = PlayPrefs{};
    }
    void UseFileDevice(std::vector<uint32_t> rates = {},
                       std::shared_ptr<AudioClock> clock = nullptr, bool withInput = false) {
        FileDeviceConfig config;
        config.outputPath = out;
        if (withInput) config.inputPath = in;
        config.rates = std::move(rates);
        if (!clock) clock = MakeVirtualClock();
        SetAudioBackend(MakeFileBackend(config, clock));
    }
};

}  // namespace ob
