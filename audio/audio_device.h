// The audio device interface: output and input streams of interleaved PCM
// frames (16-bit, or 24 bits in a 32-bit container), the device list of the
// current backend, the exact-format test and the device error codes that the
// player and the recorder map to their own result tables.
//
// The backend is ALSA PCM, or the file device when ORBICK_AUDIO says
// "file:OUT.wav[,IN.wav][,rates=R1|R2...][,clock=virtual]" (then it is the
// only device, number 0). Streams are used from one thread at a time; only
// FramesDone may be read from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob {

// Errors of the device layer. The player and recorder map them to their
// result codes (no error 0; bad id and no driver 2; allocated 3; no memory 1;
// bad format 4; any other error the table's last entry).
enum DeviceError : int {
    kDeviceOk = 0,
    kDeviceBadId = 1,
    kDeviceNoDriver = 2,
    kDeviceAllocated = 3,
    kDeviceNoMemory = 4,
    kDeviceBadFormat = 5,
    kDeviceFailed = 6,  // read/write or any other failure
};

struct AudioFormat {
    uint32_t rate = 44100;
    uint32_t channels = 2;  // 1 or 2
    uint32_t bits = 16;     // 16, or 24 in a 32-bit little-endian container (value << 8)
    uint32_t BytesPerFrame() const { return channels * (bits == 16 ? 2u : 4u); }
};

// The stream's buffering: `periods` blocks of `periodFrames` frames (2 for
// the player's double buffering, 4 for the recorder).
struct AudioBuffering {
    uint32_t periodFrames = 4096;
    uint32_t periods = 2;
};

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    // Writes `frames` interleaved frames, waiting while the device is full.
    // Returns early with kDeviceOk when `cancel` becomes true.
    virtual int Write(const void* data, uint32_t frames, const std::atomic<bool>& cancel) = 0;
    // Waits until everything written has played (or `cancel`).
    virtual int Drain(const std::atomic<bool>& cancel) = 0;
    // Frames the device has played so far; any thread.
    virtual int64_t FramesDone() const = 0;
};

class AudioInput {
  public:
    virtual ~AudioInput() = default;
    // Reads up to `frames` frames, waiting for them; `*got` tells how many
    // came (fewer only on cancel, or at the end of a file device's input).
    virtual int Read(void* data, uint32_t frames, uint32_t* got,
                     const std::atomic<bool>& cancel) = 0;
    // True once a file device's input has no more frames (never for ALSA).
    virtual bool Ended() const { return false; }
    virtual int64_t FramesDone() const = 0;
};

class AudioBackend {
  public:
    virtual ~AudioBackend() = default;
    virtual std::vector<std::string> OutputDevices() = 0;
    virtual std::vector<std::string> InputDevices() = 0;
    // Whether the device can be opened at all (a device error otherwise);
    // tells a missing or busy device from one that lacks a format.
    virtual int CheckOutput(int device) { return device == 0 ? kDeviceOk : kDeviceBadId; }
    virtual int CheckInput(int device) { return device == 0 ? kDeviceOk : kDeviceBadId; }
    // Whether the device takes the format exactly (no stream stays open).
    virtual bool OutputSupports(int device, const AudioFormat& format) = 0;
    virtual bool InputSupports(int device, const AudioFormat& format) = 0;
    virtual int OpenOutput(int device, const AudioFormat& format, const AudioBuffering& buffering,
                           std::unique_ptr<AudioOutput>& out) = 0;
    virtual int OpenInput(int device, const AudioFormat& format, const AudioBuffering& buffering,
                          std::unique_ptr<AudioInput>& out) = 0;
};

// The current backend: chosen at the first call from ORBICK_AUDIO (file
// device) or ALSA. Tests may install their own; null restores the choice
// from the environment at the next call.
AudioBackend& Audio();
void SetAudioBackend(std::unique_ptr<AudioBackend> backend);

// The ALSA backend (audio/alsa_device.cpp).
std::unique_ptr<AudioBackend> MakeAlsaBackend();

}  // namespace ob
