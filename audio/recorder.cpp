// The recorder: file and header, the recording thread, transport, close.
#include "audio/recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/audio_device.h"
#include "audio/play_prefs.h"
#include "audio/player.h"
#include "audio/record_prefs.h"
#include "base/messages.h"
#include "base/user_interface.h"
#include "formats/sound_io.h"
#include "wave/memory.h"
#include "wave/record_report.h"

namespace ob {

namespace {

const char* const kResultTexts[8] = {
    "Record was successful.",
    "Out of memory for record.",
    "Bad audio device ID",
    "Audio device is already allocated.",
    "Unsupported audio format.\nTry alternate Record Preferences.",
    "Audio device cannot meet the requested capabilities.\nTry alternate Record Preferences.",
    "Audio device read/write error.",
    "Internal Audio Error.",
};

constexpr uint64_t kWavLimit = 0xFFFFFFFFull;
std::atomic<uint64_t> gFileLimit{kWavLimit};

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

struct Recorder {
    WaveRecord* record = nullptr;
    std::string path;
    int fd = -1;
    uint32_t channels = 1;
    bool highResolution = false;
    uint32_t rate = 0;
    uint32_t headerBytes = 44;
    uint32_t sampleBytes = 2;  // in the file
    uint32_t periodFrames = 0;
    uint8_t* buffer = nullptr;  // one device buffer
    size_t bufferBytes = 0;
    std::unique_ptr<AudioInput> input;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> inputRunning{false};
    std::atomic<bool> recording{false};
    std::atomic<bool> playing{false};
    std::atomic<int64_t> position{0};  // frames
    std::atomic<int64_t> length{0};    // frames in the file
    std::atomic<int32_t> peak[2] = {0, 0};
    std::atomic<int32_t> held[2] = {0, 0};
    std::atomic<bool> writeError{false};
    std::mutex noticeMutex;
    std::string notice;
    int64_t playStart = 0;
    bool open = false;
};

Recorder& R() {
    static Recorder recorder;
    return recorder;
}

uint64_t FrameBytes(const Recorder& r) {
    return uint64_t(r.sampleBytes) * r.channels;
}

bool WriteAt(int fd, const void* data, size_t bytes, uint64_t offset) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (bytes > 0) {
        ssize_t n = ::pwrite(fd, p, bytes, off_t(offset));
        if (n <= 0) return false;
        p += n;
        bytes -= size_t(n);
        offset += uint64_t(n);
    }
    return true;
}

void SetNotice(Recorder& r, const char* text) {
    std::lock_guard<std::mutex> lock(r.noticeMutex);
    r.notice = text;
}

// Peaks of one buffer (0..32767), then the conversion of 24-bit input to
// floats in place.
void Measure(Recorder& r, uint32_t frames) {
    int32_t peaks[2] = {0, 0};
    if (!r.highResolution) {
        const int16_t* s = reinterpret_cast<const int16_t*>(r.buffer);
        for (uint32_t i = 0; i < frames * r.channels; ++i) {
            int32_t v = s[i] < 0 ? -int32_t(s[i]) : s[i];
            int32_t& p = peaks[i % r.channels];
            if (v > p) p = v;
        }
    } else {
        const int32_t* s = reinterpret_cast<const int32_t*>(r.buffer);
        for (uint32_t i = 0; i < frames * r.channels; ++i) {
            int64_t v = s[i] < 0 ? -int64_t(s[i]) : int64_t(s[i]);
            int32_t scaled = int32_t(std::min<int64_t>(v / 65536, 32767));
            int32_t& p = peaks[i % r.channels];
            if (scaled > p) p = scaled;
        }
    }
    if (r.channels == 1) peaks[1] = peaks[0];
    for (int c = 0; c < 2; ++c) {
        r.peak[c].store(peaks[c]);
        int32_t h = r.held[c].load();
        while (peaks[c] > h && !r.held[c].compare_exchange_weak(h, peaks[c])) {
        }
    }
}

void ConvertToFloat(Recorder& r, uint32_t frames) {
    int32_t* s = reinterpret_cast<int32_t*>(r.buffer);
    for (uint32_t i = 0; i < frames * r.channels; ++i) {
        float x = float(s[i] >> 8) / 8388608.0f;
        std::memcpy(&s[i], &x, 4);
    }
}

void RecordingThread(Recorder* r) {
    while (!r->stop.load(std::memory_order_acquire)) {
        uint32_t got = 0;
        int e = r->input->Read(r->buffer, r->periodFrames, &got, r->stop);
        if (e != kDeviceOk) break;
        if (got > 0) {
            Measure(*r, got);
            if (r->recording.load()) {
                if (r->highResolution) ConvertToFloat(*r, got);
                uint64_t offset = r->headerBytes + uint64_t(r->position.load()) * FrameBytes(*r);
                uint64_t room = gFileLimit.load() > offset ? gFileLimit.load() - offset : 0;
                uint64_t frames = std::min<uint64_t>(got, room / FrameBytes(*r));
                if (frames > 0 &&
                    !WriteAt(r->fd, r->buffer, size_t(frames * FrameBytes(*r)), offset))
                    r->writeError.store(true);
                else if (frames > 0) {
                    int64_t pos = r->position.load() + int64_t(frames);
                    r->position.store(pos);
                    if (pos > r->length.load()) r->length.store(pos);
                }
                if (frames < got) {
                    // The next buffer would pass the WAV size limit: stop here.
                    SetNotice(*r, kRecordLimitNotice);
                    r->recording.store(false);
                    break;
                }
            }
        }
        if (r->input->Ended()) break;
    }
    r->recording.store(false);
    r->inputRunning.store(false);
}

void StopInput(Recorder& r) {
    r.stop.store(true);
    if (r.thread.joinable()) r.thread.join();
    r.stop.store(false);
    r.recording.store(false);
    r.inputRunning.store(false);
}

void StartInput(Recorder& r) {
    if (!r.input || r.thread.joinable()) return;
    r.inputRunning.store(true);
    r.thread = std::thread(RecordingThread, &r);
}

void StopPlayback(Recorder& r) {
    if (r.playing.load()) {
        int64_t played = 0;
        if (PlayPosition(&played)) {
            int64_t at = std::min(r.playStart + played, r.length.load());
            r.position.store(at);
        }
        StopPlay();
        r.playing.store(false);
    }
}

void StopAll(Recorder& r) {
    StopPlayback(r);
    StopInput(r);
}

// The file's length in frames from its size.
int64_t FramesInFile(const Recorder& r) {
    struct stat st;
    if (::fstat(r.fd, &st) != 0 || uint64_t(st.st_size) <= r.headerBytes) return 0;
    return int64_t((uint64_t(st.st_size) - r.headerBytes) / FrameBytes(r));
}

}  // namespace

const char* RecordResultText(int code) {
    return code >= 0 && code < 8 ? kResultTexts[code] : kResultTexts[7];
}

int RecordResultOfDevice(int deviceError) {
    switch (deviceError) {
        case kDeviceOk:
            return kRecordOk;
        case kDeviceBadId:
        case kDeviceNoDriver:
            return kRecordBadDevice;
        case kDeviceAllocated:
            return kRecordDeviceAllocated;
        case kDeviceNoMemory:
            return kRecordNoMemory;
        case kDeviceBadFormat:
            return kRecordUnsupportedFormat;
        default:
            return kRecordInternal;
    }
}

uint32_t RecordHeaderBytes(bool highResolution) {
    return highResolution ? 46 : 44;
}

void SetRecordFileLimit(uint64_t bytes) {
    gFileLimit.store(bytes ? std::min(bytes, kWavLimit) : kWavLimit);
}

int OpenRecorder(WaveRecord& record) {
    Recorder& r = R();
    if (r.open) CloseRecorder(false);
    StopPlay();
    r.record = &record;
    r.path = record.filePath;
    r.open = true;
    r.channels = gRecordPrefs.channels == 2 ? 2 : 1;
    r.highResolution = (gRecordPrefs.flags & kRecord24Bit) != 0;
    r.position.store(0);
    r.length.store(0);
    r.writeError.store(false);
    for (int c = 0; c < 2; ++c) r.peak[c].store(0), r.held[c].store(0);
    {
        std::lock_guard<std::mutex> lock(r.noticeMutex);
        r.notice.clear();
    }
    r.fd = ::open(r.path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (r.fd < 0) {
        ReportMessage(record, "Could not open file for recording");
        return kRecordCannotOpenFile;
    }
    SetSampleRate(record, RecordRate(gRecordPrefs));
    r.rate = GetSampleRate(record);
    r.headerBytes = RecordHeaderBytes(r.highResolution);
    r.sampleBytes = r.highResolution ? 4 : 2;
    uint8_t h[46] = {};
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, r.highResolution ? 18 : 16);
    Put16(h + 20, r.highResolution ? 3 : 1);
    Put16(h + 22, r.channels);
    Put32(h + 24, r.rate);
    Put32(h + 28, r.rate * r.channels * r.sampleBytes);
    Put16(h + 32, r.channels * r.sampleBytes);
    Put16(h + 34, r.highResolution ? 32 : 16);
    uint8_t* d = h + (r.highResolution ? 38 : 36);  // after the extension size 0
    std::memcpy(d, "data", 4);
    if (!WriteAt(r.fd, h, r.headerBytes, 0)) {
        ReportMessage(record, "Could not open file for recording");
        return kRecordCannotOpenFile;
    }
    AudioBackend& audio = Audio();
    int device = gRecordPrefs.device;
    if (device < 0 || device >= int(audio.InputDevices().size())) device = 0;
    uint32_t deviceRate = SnapSampleRate(r.rate);
    uint32_t bits = r.highResolution ? 24 : 16;
    int result = kRecordOk;
    if (deviceRate < 100) {
        result = kRecordUnsupportedFormat;
    } else if (audio.InputDevices().empty()) {
        result = kRecordBadDevice;
    } else if (int error = audio.CheckInput(device); error != kDeviceOk) {
        result = RecordResultOfDevice(error);
    } else if (!audio.InputSupports(device, AudioFormat{deviceRate, r.channels, bits})) {
        result = kRecordCannotMeet;
    } else {
        r.bufferBytes = RecordBufferBytes(gRecordPrefs) * (r.highResolution ? 2 : 1);
        r.periodFrames = uint32_t(r.bufferBytes / (r.channels * (r.highResolution ? 4 : 2)));
        r.buffer = static_cast<uint8_t*>(Allocate(r.bufferBytes, kAllocHeap));
        if (!r.buffer) {
            result = kRecordNoMemory;
        } else {
            int e = audio.OpenInput(device, AudioFormat{deviceRate, r.channels, bits},
                                    AudioBuffering{r.periodFrames, 4}, r.input);
            result = RecordResultOfDevice(e);
        }
    }
    if (result != kRecordOk) ReportMessage(record, RecordResultText(result));
    return result;
}

bool CloseRecorder(bool autoLoad) {
    Recorder& r = R();
    if (!r.open) return false;
    StopAll(r);
    bool loaded = false;
    uint64_t dataBytes = 0;
    if (r.fd >= 0) {
        struct stat st;
        uint64_t size = ::fstat(r.fd, &st) == 0 ? uint64_t(st.st_size) : 0;
        size = std::min(size, kWavLimit);
        dataBytes = size > r.headerBytes ? size - r.headerBytes : 0;
        uint8_t field[4];
        Put32(field, uint32_t(size >= 8 ? size - 8 : 0));
        bool ok = WriteAt(r.fd, field, 4, 4);
        Put32(field, uint32_t(dataBytes));
        ok = WriteAt(r.fd, field, 4, r.headerBytes - 4) && ok;
        if (!ok && r.record) ReportMessage(*r.record, "Error writing sound file");
        ::close(r.fd);
        r.fd = -1;
        if (dataBytes == 0) ::unlink(r.path.c_str());
    }
    r.input.reset();
    if (r.buffer) Release(r.buffer, r.bufferBytes, kAllocHeap);
    r.buffer = nullptr;
    std::string notice = RecorderTakeNotice();
    if (!notice.empty() && r.record) ReportMessage(*r.record, notice);
    if (autoLoad && dataBytes >= 37 && r.record) {
        UI().SetStatusText("Loading: " + r.path);
        r.record->filePath = r.path;
        loaded = OpenSound(*r.record, false) == 0;
    }
    r.open = false;
    r.record = nullptr;
    return loaded;
}

void RecorderRecord() {
    Recorder& r = R();
    if (!r.open || !r.input) return;
    StopPlayback(r);
    StopInput(r);
    r.recording.store(true);
    StartInput(r);
}

void RecorderMonitor(bool on) {
    Recorder& r = R();
    if (!r.open || !r.input) return;
    StopPlayback(r);
    StopInput(r);
    if (on) StartInput(r);
}

void RecorderStop() {
    StopAll(R());
}

void RecorderGoToStart() {
    Recorder& r = R();
    StopAll(r);
    r.position.store(0);
}

void RecorderGoToEnd() {
    Recorder& r = R();
    StopAll(r);
    if (r.fd < 0) return;
    int64_t frames = FramesInFile(r);
    r.length.store(frames);
    r.position.store(frames);
}

void RecorderGoToOffset(int64_t frame) {
    Recorder& r = R();
    StopAll(r);
    r.position.store(std::clamp<int64_t>(frame, 0, r.length.load()));
}

int RecorderPlay() {
    Recorder& r = R();
    if (!r.open || r.length.load() == 0) return kPlayOk;
    StopAll(r);
    if (r.position.load() >= r.length.load()) r.position.store(0);
    r.playStart = r.position.load();
    int fd = r.fd;
    uint64_t offset = r.headerBytes + uint64_t(r.playStart) * FrameBytes(r);
    uint64_t end = r.headerBytes + uint64_t(r.length.load()) * FrameBytes(r);
    uint32_t channels = r.channels;
    bool flt = r.highResolution;
    // Reads the recorded data from the file as the player asks for it.
    auto fill = [fd, offset, end, channels, flt](float* left, float* right,
                                                 uint32_t frames) mutable -> uint32_t {
        uint8_t chunk[8192];
        uint32_t sampleBytes = flt ? 4 : 2;
        uint32_t frameBytes = sampleBytes * channels;
        uint32_t done = 0;
        while (done < frames && offset < end) {
            uint64_t want =
                std::min<uint64_t>({uint64_t(frames - done) * frameBytes,
                                    sizeof chunk / frameBytes * frameBytes, end - offset});
            ssize_t n = ::pread(fd, chunk, size_t(want), off_t(offset));
            if (n < ssize_t(frameBytes)) return done;
            uint32_t got = uint32_t(n) / frameBytes;
            for (uint32_t i = 0; i < got; ++i) {
                for (uint32_t c = 0; c < channels; ++c) {
                    const uint8_t* p = chunk + i * frameBytes + c * sampleBytes;
                    float x;
                    if (flt) {
                        std::memcpy(&x, p, 4);
                    } else {
                        int16_t s;
                        std::memcpy(&s, p, 2);
                        x = float(s) / 32768.0f;
                    }
                    (c == 0 ? left : right)[done + i] = x;
                }
            }
            done += got;
            offset += uint64_t(got) * frameBytes;
        }
        return done;
    };
    int result = PlayBlocks(r.rate, channels, fill);
    if (result == kPlayOk) r.playing.store(true);
    return result;
}

void RecorderResetPeak() {
    Recorder& r = R();
    r.held[0].store(0);
    r.held[1].store(0);
}

RecorderView RecorderState() {
    Recorder& r = R();
    RecorderView v;
    v.open = r.open;
    if (r.playing.load() && !PlaybackRunning()) r.playing.store(false);
    v.status = r.recording.load() ? "Record" : r.playing.load() ? "Play" : "Stop";
    v.monitoring = r.inputRunning.load() && !r.recording.load();
    v.position = r.position.load();
    if (r.playing.load()) {
        int64_t played = 0;
        if (PlayPosition(&played)) v.position = std::min(r.playStart + played, r.length.load());
    }
    v.length = r.length.load();
    v.peakLeft = r.peak[0].load();
    v.peakRight = r.peak[1].load();
    v.heldPeakLeft = r.held[0].load();
    v.heldPeakRight = r.held[1].load();
    v.channels = r.channels;
    v.rate = r.rate;
    v.highResolution = r.highResolution;
    v.writeError = r.writeError.load();
    v.path = r.path;
    return v;
}

std::string RecorderTakeNotice() {
    Recorder& r = R();
    std::lock_guard<std::mutex> lock(r.noticeMutex);
    std::string text;
    text.swap(r.notice);
    return text;
}

void RecorderWaitForInputEnd() {
    Recorder& r = R();
    while (r.inputRunning.load()) {
        timespec ts{0, 1000000};
        nanosleep(&ts, nullptr);
    }
    if (r.thread.joinable()) r.thread.join();
}

}  // namespace ob
