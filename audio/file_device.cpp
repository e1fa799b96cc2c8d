// The file device: output to a WAV file, input from a WAV file, paced by a clock.
#include "audio/file_device.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ob {

namespace {

constexpr uint32_t kMinRate = 100;
constexpr uint32_t kMaxRate = 200000;

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint32_t Get16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Frames due at `ns` after `startNs` at `rate`.
int64_t FramesAt(int64_t ns, int64_t startNs, uint32_t rate) {
    if (ns <= startNs) return 0;
    return int64_t((__int128(ns - startNs) * rate) / 1000000000);
}
// The time at which `frames` frames are due.
int64_t TimeOfFrames(int64_t frames, int64_t startNs, uint32_t rate) {
    return startNs + int64_t((__int128(frames) * 1000000000 + rate - 1) / rate);
}

// ---- Output ----

class FileOutput : public AudioOutput {
  public:
    FileOutput(std::FILE* file, const AudioFormat& format, uint32_t capacity,
               std::shared_ptr<AudioClock> clock)
        : file_(file), format_(format), capacity_(capacity), clock_(std::move(clock)) {
        WriteHeader();
    }
    ~FileOutput() override {
        WriteHeader();
        std::fclose(file_);
    }

    int Write(const void* data, uint32_t frames, const std::atomic<bool>& cancel) override {
        int64_t written = written_.load(std::memory_order_relaxed);
        if (startNs_.load(std::memory_order_relaxed) < 0)
            startNs_.store(clock_->NowNs(), std::memory_order_release);
        int64_t start = startNs_.load(std::memory_order_relaxed);
        // Room for the frames once the device has played down to capacity.
        int64_t due = written + frames - int64_t(capacity_);
        if (due > 0) clock_->WaitUntilNs(TimeOfFrames(due, start, format_.rate), cancel);
        if (cancel.load(std::memory_order_acquire)) return kDeviceOk;
        size_t bytes = size_t(frames) * format_.BytesPerFrame();
        if (std::fwrite(data, 1, bytes, file_) != bytes) return kDeviceFailed;
        written_.store(written + frames, std::memory_order_release);
        return kDeviceOk;
    }

    int Drain(const std::atomic<bool>& cancel) override {
        int64_t start = startNs_.load(std::memory_order_acquire);
        if (start >= 0)
            clock_->WaitUntilNs(TimeOfFrames(written_.load(), start, format_.rate), cancel);
        return WriteHeader() ? kDeviceOk : kDeviceFailed;
    }

    int64_t FramesDone() const override {
        int64_t start = startNs_.load(std::memory_order_acquire);
        if (start < 0) return 0;
        return std::min(written_.load(std::memory_order_acquire),
                        FramesAt(clock_->NowNs(), start, format_.rate));
    }

  private:
    // RIFF header with the sizes of what is written so far.
    bool WriteHeader() {
        bool extensible = format_.bits != 16;
        uint8_t h[68] = {};
        uint32_t headerBytes = extensible ? 68 : 44;
        uint64_t data = uint64_t(written_.load()) * format_.BytesPerFrame();
        if (data > 0xFFFFFFFFull - headerBytes) data = 0xFFFFFFFFull - headerBytes;
        std::memcpy(h, "RIFF", 4);
        Put32(h + 4, uint32_t(headerBytes - 8 + data));
        std::memcpy(h + 8, "WAVEfmt ", 8);
        Put32(h + 16, extensible ? 40 : 16);
        Put16(h + 20, extensible ? 0xFFFE : 1);
        Put16(h + 22, format_.channels);
        Put32(h + 24, format_.rate);
        Put32(h + 28, format_.rate * format_.BytesPerFrame());
        Put16(h + 32, format_.BytesPerFrame());
        Put16(h + 34, extensible ? 32 : 16);
        uint8_t* d = h + 36;
        if (extensible) {
            Put16(h + 36, 22);
            Put16(h + 38, 24);  // valid bits
            Put32(h + 40, format_.channels == 2 ? 3 : 4);
            // KSDATAFORMAT_SUBTYPE_PCM
            static const uint8_t kPcmGuid[16] = {1,    0, 0, 0,    0, 0,    0x10, 0,
                                                 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
            std::memcpy(h + 44, kPcmGuid, 16);
            d = h + 60;
        }
        std::memcpy(d, "data", 4);
        Put32(d + 4, uint32_t(data));
        long here = std::ftell(file_);
        bool ok = std::fseek(file_, 0, SEEK_SET) == 0 &&
                  std::fwrite(h, 1, headerBytes, file_) == headerBytes;
        if (here > long(headerBytes)) ok = std::fseek(file_, here, SEEK_SET) == 0 && ok;
        return std::fflush(file_) == 0 && ok;
    }

    std::FILE* file_;
    AudioFormat format_;
    uint32_t capacity_;
    std::shared_ptr<AudioClock> clock_;
    std::atomic<int64_t> written_{0};
    std::atomic<int64_t> startNs_{-1};
};

// ---- Input ----

// IN.wav decoded: its sample layout and data bytes.
struct InputSound {
    uint32_t tag = 0;  // 1 PCM, 3 float
    uint32_t channels = 0;
    uint32_t bits = 0;
    std::vector<uint8_t> data;
    uint64_t Frames() const { return data.size() / (uint64_t(channels) * bits / 8); }
};

bool ReadInputSound(const std::string& path, InputSound& sound) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) ||
        std::memcmp(bytes.data() + 8, "WAVE", 4))
        return false;
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint8_t* c = bytes.data() + at;
        uint64_t size = Get32(c + 4);
        uint64_t avail = bytes.size() - at - 8;
        if (!std::memcmp(c, "fmt ", 4) && size >= 16 && size <= avail) {
            sound.tag = Get16(c + 8);
            sound.channels = Get16(c + 10);
            sound.bits = Get16(c + 22);
            if (sound.tag == 0xFFFE && size >= 40) sound.tag = Get16(c + 32);
            haveFormat = true;
        } else if (!std::memcmp(c, "data", 4) && haveFormat) {
            size = std::min(size, avail);  // a truncated file keeps what is there
            sound.data.assign(c + 8, c + 8 + size);
            bool pcm = sound.tag == 1 && (sound.bits == 8 || sound.bits == 16 || sound.bits == 24 ||
                                          sound.bits == 32);
            bool flt = sound.tag == 3 && sound.bits == 32;
            return (pcm || flt) && (sound.channels == 1 || sound.channels == 2);
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// One sample of the input as a 32-bit value with full scale at 2^31.
int32_t InputSample(const InputSound& s, uint64_t frame, uint32_t channel) {
    if (channel >= s.channels) channel = 0;
    const uint8_t* p = s.data.data() + (frame * s.channels + channel) * (s.bits / 8);
    switch (s.bits) {
        case 8:
            return int32_t((uint32_t(p[0]) - 128u) << 24);
        case 16:
            return int32_t(Get16(p) << 16);
        case 24:
            return int32_t((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24));
        default:
            break;
    }
    uint32_t raw = Get32(p);
    if (s.tag == 1) return int32_t(raw);
    float x;
    std::memcpy(&x, &raw, 4);
    double v = double(x) * 2147483648.0;
    if (!(v < 2147483647.0)) return v > 0 ? INT32_MAX : 0;
    if (v <= -2147483648.0) return INT32_MIN;
    return int32_t(v);
}

class FileInput : public AudioInput {
  public:
    FileInput(InputSound sound, const AudioFormat& format, std::shared_ptr<AudioClock> clock)
        : sound_(std::move(sound)), format_(format), clock_(std::move(clock)) {}

    int Read(void* data, uint32_t frames, uint32_t* got, const std::atomic<bool>& cancel) override {
        *got = 0;
        // The input runs from the first read on, as a device does from its start.
        if (startNs_ < 0) startNs_ = clock_->NowNs();
        int64_t done = done_.load(std::memory_order_relaxed);
        uint64_t total = sound_.Frames();
        uint64_t want =
            std::min<uint64_t>(frames, done < int64_t(total) ? total - uint64_t(done) : 0);
        clock_->WaitUntilNs(TimeOfFrames(done + int64_t(want), startNs_, format_.rate), cancel);
        if (cancel.load(std::memory_order_acquire)) return kDeviceOk;
        for (uint64_t i = 0; i < want; ++i) {
            for (uint32_t c = 0; c < format_.channels; ++c) {
                int32_t v = InputSample(sound_, uint64_t(done) + i, c);
                if (format_.bits == 16) {
                    int16_t s = int16_t(v >> 16);
                    std::memcpy(static_cast<uint8_t*>(data) + (i * format_.channels + c) * 2, &s,
                                2);
                } else {
                    int32_t s = int32_t(uint32_t(v) & 0xFFFFFF00u);
                    std::memcpy(static_cast<uint8_t*>(data) + (i * format_.channels + c) * 4, &s,
                                4);
                }
            }
        }
        *got = uint32_t(want);
        done_.store(done + int64_t(want), std::memory_order_release);
        return kDeviceOk;
    }
    bool Ended() const override { return uint64_t(done_.load()) >= sound_.Frames(); }
    int64_t FramesDone() const override { return done_.load(std::memory_order_acquire); }

  private:
    InputSound sound_;
    AudioFormat format_;
    std::shared_ptr<AudioClock> clock_;
    int64_t startNs_ = -1;
    std::atomic<int64_t> done_{0};
};

// ---- Backend ----

class FileBackend : public AudioBackend {
  public:
    FileBackend(FileDeviceConfig config, std::shared_ptr<AudioClock> clock)
        : config_(std::move(config)), clock_(std::move(clock)) {}

    std::vector<std::string> OutputDevices() override { return {"file:" + config_.outputPath}; }
    std::vector<std::string> InputDevices() override {
        if (config_.inputPath.empty()) return {};
        return {"file:" + config_.inputPath};
    }
    bool OutputSupports(int device, const AudioFormat& format) override {
        return device == 0 && Takes(format);
    }
    bool InputSupports(int device, const AudioFormat& format) override {
        return device == 0 && !config_.inputPath.empty() && Takes(format);
    }
    int OpenOutput(int device, const AudioFormat& format, const AudioBuffering& buffering,
                   std::unique_ptr<AudioOutput>& out) override {
        if (device != 0) return kDeviceBadId;
        if (!Takes(format)) return kDeviceBadFormat;
        std::FILE* f = std::fopen(config_.outputPath.c_str(), "w+b");
        if (!f) return errno == ENOMEM ? kDeviceNoMemory : kDeviceFailed;
        uint32_t capacity = buffering.periodFrames * std::max<uint32_t>(buffering.periods, 1);
        out = std::make_unique<FileOutput>(f, format, capacity, clock_);
        return kDeviceOk;
    }
    int OpenInput(int device, const AudioFormat& format, const AudioBuffering&,
                  std::unique_ptr<AudioInput>& out) override {
        if (device != 0 || config_.inputPath.empty()) return kDeviceBadId;
        if (!Takes(format)) return kDeviceBadFormat;
        InputSound sound;
        if (!ReadInputSound(config_.inputPath, sound)) return kDeviceFailed;
        out = std::make_unique<FileInput>(std::move(sound), format, clock_);
        return kDeviceOk;
    }

  private:
    bool Takes(const AudioFormat& f) const {
        if (f.channels < 1 || f.channels > 2 || (f.bits != 16 && f.bits != 24)) return false;
        if (config_.rates.empty()) return f.rate >= kMinRate && f.rate <= kMaxRate;
        return std::find(config_.rates.begin(), config_.rates.end(), f.rate) != config_.rates.end();
    }

    FileDeviceConfig config_;
    std::shared_ptr<AudioClock> clock_;
};

}  // namespace

bool ParseFileDeviceConfig(const std::string& text, FileDeviceConfig& config) {
    config = FileDeviceConfig{};
    size_t at = 0;
    int files = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        std::string item =
            text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        at = comma == std::string::npos ? text.size() + 1 : comma + 1;
        if (item.rfind("rates=", 0) == 0) {
            std::string list = item.substr(6);
            size_t p = 0;
            while (p <= list.size()) {
                size_t bar = list.find('|', p);
                std::string one =
                    list.substr(p, bar == std::string::npos ? std::string::npos : bar - p);
                p = bar == std::string::npos ? list.size() + 1 : bar + 1;
                char* end = nullptr;
                unsigned long rate = std::strtoul(one.c_str(), &end, 10);
                if (one.empty() || *end || rate < kMinRate || rate > kMaxRate) return false;
                config.rates.push_back(uint32_t(rate));
            }
        } else if (item == "clock=virtual") {
            config.virtualClock = true;
        } else if (item == "clock=real") {
            config.virtualClock = false;
        } else if (!item.empty() && files < 2) {
            (files++ == 0 ? config.outputPath : config.inputPath) = item;
        } else {
            return false;
        }
    }
    return !config.outputPath.empty();
}

std::unique_ptr<AudioBackend> MakeFileBackend(const FileDeviceConfig& config,
                                              std::shared_ptr<AudioClock> clock) {
    if (!clock) clock = config.virtualClock ? MakeVirtualClock() : MakeRealClock();
    return std::make_unique<FileBackend>(config, std::move(clock));
}

}  // namespace ob
