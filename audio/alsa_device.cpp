// The ALSA PCM backend: the device list from ALSA's name hints ("default"
// first, so PipeWire and PulseAudio desktops work through ALSA's plugins),
// the exact-format test, and non-blocking interleaved streams that wait in
// short slices so a stop is seen within a few milliseconds.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "audio/audio_device.h"

namespace ob {

namespace {

constexpr int kWaitSliceMs = 5;

int MapError(int error) {
    switch (-error) {
        case 0:
            return kDeviceOk;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return kDeviceBadId;
        case EBUSY:
        case EAGAIN:
            return kDeviceAllocated;
        case ENOMEM:
            return kDeviceNoMemory;
        case EINVAL:
            return kDeviceBadFormat;
        default:
            return kDeviceFailed;
    }
}

// Device names of one direction from the hints; "default" always first.
std::vector<std::string> HintNames(const char* direction) {
    std::vector<std::string> names{"default"};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) != 0 || !hints) return names;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* io = snd_device_name_get_hint(*h, "IOID");
        bool fits = !io || std::strcmp(io, direction) == 0;
        if (name && fits && std::strcmp(name, "default") != 0 && std::strcmp(name, "null") != 0)
            names.push_back(name);
        std::free(name);
        std::free(io);
    }
    snd_device_name_free_hint(hints);
    return names;
}

snd_pcm_format_t PcmFormat(const AudioFormat& f) {
    return f.bits == 16 ? SND_PCM_FORMAT_S16_LE : SND_PCM_FORMAT_S32_LE;
}

// Sets access, sample format, channels and the exact rate.
int SetFormat(snd_pcm_t* pcm, snd_pcm_hw_params_t* hw, const AudioFormat& f) {
    int e = snd_pcm_hw_params_any(pcm, hw);
    if (e < 0) return e;
    if ((e = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0) return e;
    if ((e = snd_pcm_hw_params_set_format(pcm, hw, PcmFormat(f))) < 0) return e;
    if ((e = snd_pcm_hw_params_set_channels(pcm, hw, f.channels)) < 0) return e;
    return snd_pcm_hw_params_set_rate(pcm, hw, f.rate, 0);
}

int Check(const std::string& name, snd_pcm_stream_t stream) {
    snd_pcm_t* pcm = nullptr;
    int e = snd_pcm_open(&pcm, name.c_str(), stream, SND_PCM_NONBLOCK);
    if (e < 0) return MapError(e) == kDeviceBadFormat ? kDeviceBadId : MapError(e);
    snd_pcm_close(pcm);
    return kDeviceOk;
}

// ALSA's own diagnostics would go to stderr; the result codes tell the user.
void SilentErrors(const char*, int, const char*, int, const char*, ...) {}

bool Supports(const std::string& name, snd_pcm_stream_t stream, const AudioFormat& f) {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), stream, SND_PCM_NONBLOCK) < 0) return false;
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    bool ok = SetFormat(pcm, hw, f) >= 0;
    snd_pcm_close(pcm);
    return ok;
}

int OpenStream(const std::string& name, snd_pcm_stream_t stream, const AudioFormat& f,
               const AudioBuffering& b, snd_pcm_t** out) {
    snd_pcm_t* pcm = nullptr;
    int e = snd_pcm_open(&pcm, name.c_str(), stream, SND_PCM_NONBLOCK);
    if (e < 0) return MapError(e);
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    e = SetFormat(pcm, hw, f);
    if (e < 0) {
        snd_pcm_close(pcm);
        return kDeviceBadFormat;
    }
    snd_pcm_uframes_t period = b.periodFrames;
    snd_pcm_uframes_t buffer = snd_pcm_uframes_t(b.periodFrames) * std::max<uint32_t>(b.periods, 2);
    int dir = 0;
    snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, &dir);
    snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer);
    if ((e = snd_pcm_hw_params(pcm, hw)) < 0) {
        snd_pcm_close(pcm);
        return MapError(e);
    }
    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_sw_params_current(pcm, sw);
    snd_pcm_get_params(pcm, &buffer, &period);
    // Playback starts once the device holds its full buffer (both blocks primed).
    if (stream == SND_PCM_STREAM_PLAYBACK) snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer);
    snd_pcm_sw_params(pcm, sw);
    if ((e = snd_pcm_prepare(pcm)) < 0) {
        snd_pcm_close(pcm);
        return MapError(e);
    }
    *out = pcm;
    return kDeviceOk;
}

class AlsaOutput : public AudioOutput {
  public:
    AlsaOutput(snd_pcm_t* pcm, const AudioFormat& f) : pcm_(pcm), frameBytes_(f.BytesPerFrame()) {}
    ~AlsaOutput() override {
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
    }
    int Write(const void* data, uint32_t frames, const std::atomic<bool>& cancel) override {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        while (frames > 0) {
            if (cancel.load(std::memory_order_acquire)) return kDeviceOk;
            snd_pcm_sframes_t n = snd_pcm_writei(pcm_, p, frames);
            if (n == -EAGAIN) {
                snd_pcm_wait(pcm_, kWaitSliceMs);
            } else if (n < 0) {
                if (snd_pcm_recover(pcm_, int(n), 1) < 0) return kDeviceFailed;
            } else {
                p += size_t(n) * frameBytes_;
                frames -= uint32_t(n);
                written_ += n;
            }
            UpdateDone();
        }
        return kDeviceOk;
    }
    int Drain(const std::atomic<bool>& cancel) override {
        // A stream that never filled its buffer has not started yet.
        if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED && written_ > 0) snd_pcm_start(pcm_);
        for (;;) {
            if (cancel.load(std::memory_order_acquire)) return kDeviceOk;
            UpdateDone();
            snd_pcm_sframes_t delay = 0;
            snd_pcm_state_t state = snd_pcm_state(pcm_);
            if (state != SND_PCM_STATE_RUNNING) break;
            if (snd_pcm_delay(pcm_, &delay) < 0 || delay <= 0) break;
            struct timespec ts {
                0, kWaitSliceMs * 1000000L
            };
            nanosleep(&ts, nullptr);
        }
        done_.store(written_, std::memory_order_release);
        return kDeviceOk;
    }
    int64_t FramesDone() const override { return done_.load(std::memory_order_acquire); }

  private:
    void UpdateDone() {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) < 0) delay = 0;
        int64_t done = written_ - std::max<int64_t>(delay, 0);
        done_.store(std::max<int64_t>(done, 0), std::memory_order_release);
    }

    snd_pcm_t* pcm_;
    uint32_t frameBytes_;
    int64_t written_ = 0;
    std::atomic<int64_t> done_{0};
};

class AlsaInput : public AudioInput {
  public:
    AlsaInput(snd_pcm_t* pcm, const AudioFormat& f) : pcm_(pcm), frameBytes_(f.BytesPerFrame()) {
        snd_pcm_uframes_t buffer = 0, period = 0;
        snd_pcm_get_params(pcm_, &buffer, &period);
        chunk_ = std::max<snd_pcm_uframes_t>(period, 1);
        snd_pcm_start(pcm_);
    }
    ~AlsaInput() override {
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
    }
    int Read(void* data, uint32_t frames, uint32_t* got, const std::atomic<bool>& cancel) override {
        *got = 0;
        uint8_t* p = static_cast<uint8_t*>(data);
        while (*got < frames) {
            if (cancel.load(std::memory_order_acquire)) return kDeviceOk;
            // At most one period a call (plugins refuse more than their buffer).
            snd_pcm_uframes_t ask = std::min<snd_pcm_uframes_t>(frames - *got, chunk_);
            snd_pcm_sframes_t n = snd_pcm_readi(pcm_, p, ask);
            if (n == -EAGAIN) {
                snd_pcm_wait(pcm_, kWaitSliceMs);
            } else if (n < 0) {
                if (snd_pcm_recover(pcm_, int(n), 1) < 0) return kDeviceFailed;
                snd_pcm_start(pcm_);
            } else {
                p += size_t(n) * frameBytes_;
                *got += uint32_t(n);
                done_.fetch_add(n, std::memory_order_acq_rel);
            }
        }
        return kDeviceOk;
    }
    int64_t FramesDone() const override { return done_.load(std::memory_order_acquire); }

  private:
    snd_pcm_t* pcm_;
    uint32_t frameBytes_;
    snd_pcm_uframes_t chunk_ = 1;
    std::atomic<int64_t> done_{0};
};

class AlsaBackend : public AudioBackend {
  public:
    std::vector<std::string> OutputDevices() override {
        if (outputs_.empty()) outputs_ = HintNames("Output");
        return outputs_;
    }
    std::vector<std::string> InputDevices() override {
        if (inputs_.empty()) inputs_ = HintNames("Input");
        return inputs_;
    }
    int CheckOutput(int device) override {
        std::string name;
        if (!Name(OutputDevices(), device, name)) return kDeviceBadId;
        return Check(name, SND_PCM_STREAM_PLAYBACK);
    }
    int CheckInput(int device) override {
        std::string name;
        if (!Name(InputDevices(), device, name)) return kDeviceBadId;
        return Check(name, SND_PCM_STREAM_CAPTURE);
    }
    bool OutputSupports(int device, const AudioFormat& f) override {
        std::string name;
        return Name(OutputDevices(), device, name) && Supports(name, SND_PCM_STREAM_PLAYBACK, f);
    }
    bool InputSupports(int device, const AudioFormat& f) override {
        std::string name;
        return Name(InputDevices(), device, name) && Supports(name, SND_PCM_STREAM_CAPTURE, f);
    }
    int OpenOutput(int device, const AudioFormat& f, const AudioBuffering& b,
                   std::unique_ptr<AudioOutput>& out) override {
        std::string name;
        if (!Name(OutputDevices(), device, name)) return kDeviceBadId;
        snd_pcm_t* pcm = nullptr;
        int r = OpenStream(name, SND_PCM_STREAM_PLAYBACK, f, b, &pcm);
        if (r == kDeviceOk) out = std::make_unique<AlsaOutput>(pcm, f);
        return r;
    }
    int OpenInput(int device, const AudioFormat& f, const AudioBuffering& b,
                  std::unique_ptr<AudioInput>& out) override {
        std::string name;
        if (!Name(InputDevices(), device, name)) return kDeviceBadId;
        snd_pcm_t* pcm = nullptr;
        int r = OpenStream(name, SND_PCM_STREAM_CAPTURE, f, b, &pcm);
        if (r == kDeviceOk) out = std::make_unique<AlsaInput>(pcm, f);
        return r;
    }

  private:
    static bool Name(const std::vector<std::string>& list, int device, std::string& name) {
        if (device < 0 || size_t(device) >= list.size()) return false;
        name = list[size_t(device)];
        return true;
    }
    std::vector<std::string> outputs_, inputs_;
};

}  // namespace

std::unique_ptr<AudioBackend> MakeAlsaBackend() {
    snd_lib_error_set_handler(SilentErrors);
    return std::make_unique<AlsaBackend>();
}

}  // namespace ob
