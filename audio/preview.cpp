// The file-open preview: WAV header check and the streaming fill.
#include "audio/preview.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "audio/play_prefs.h"
#include "audio/player.h"
#include "wave/memory.h"

namespace ob {

namespace {

uint32_t Le16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Le32(const uint8_t* p) {
    return Le16(p) | Le16(p + 2) << 16;
}

// The open file and its stream buffer; released with the fill function.
struct PreviewStream {
    int fd = -1;
    uint8_t* buffer = nullptr;
    size_t bufferBytes = 0;
    uint64_t offset = 0, end = 0;
    uint32_t channels = 1, bits = 16, tag = 1;
    ~PreviewStream() {
        if (fd >= 0) ::close(fd);
        if (buffer) Release(buffer, bufferBytes, kAllocHeap);
    }
    uint32_t Fill(float* left, float* right, uint32_t frames) {
        uint32_t frameBytes = channels * bits / 8;
        uint32_t done = 0;
        while (done < frames && offset + frameBytes <= end) {
            size_t want = std::min<uint64_t>({uint64_t(frames - done) * frameBytes,
                                              bufferBytes / frameBytes * frameBytes, end - offset});
            ssize_t n = ::pread(fd, buffer, want, off_t(offset));
            if (n < ssize_t(frameBytes)) break;
            uint32_t got = uint32_t(n) / frameBytes;
            for (uint32_t i = 0; i < got; ++i)
                for (uint32_t c = 0; c < channels; ++c) {
                    const uint8_t* p = buffer + size_t(i) * frameBytes + c * (bits / 8);
                    float x;
                    if (bits == 8) {
                        x = (float(p[0]) - 128.0f) / 128.0f;
                    } else if (bits == 16) {
                        x = float(int16_t(Le16(p))) / 32768.0f;
                    } else {
                        uint32_t raw = Le32(p);
                        std::memcpy(&x, &raw, 4);
                    }
                    (c == 0 ? left : right)[done + i] = x;
                }
            done += got;
            offset += uint64_t(got) * frameBytes;
        }
        return done;
    }
};

// Reads the header: format and the data chunk's place, bounded by the file.
bool ReadHeader(PreviewStream& s, uint32_t* rate) {
    uint8_t h[12];
    if (::pread(s.fd, h, 12, 0) != 12 || std::memcmp(h, "RIFF", 4) || std::memcmp(h + 8, "WAVE", 4))
        return false;
    off_t size = ::lseek(s.fd, 0, SEEK_END);
    if (size < 12) return false;
    bool haveFormat = false;
    uint64_t at = 12;
    while (at + 8 <= uint64_t(size)) {
        uint8_t c[24];
        if (::pread(s.fd, c, 8, off_t(at)) != 8) return false;
        uint64_t length = Le32(c + 4);
        if (!std::memcmp(c, "fmt ", 4)) {
            if (length < 16 || ::pread(s.fd, c + 8, 16, off_t(at + 8)) != 16) return false;
            s.tag = Le16(c + 8);
            s.channels = Le16(c + 10);
            *rate = Le32(c + 12);
            s.bits = Le16(c + 22);
            haveFormat = true;
        } else if (!std::memcmp(c, "data", 4)) {
            s.offset = at + 8;
            s.end = std::min<uint64_t>(s.offset + length, uint64_t(size));
            return haveFormat;
        }
        at += 8 + length + (length & 1);
    }
    return false;
}

}  // namespace

int PreviewSoundFile(const std::string& path, std::string* message) {
    StopPlay();
    auto stream = std::make_shared<PreviewStream>();
    stream->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    uint32_t rate = 0;
    bool supported = stream->fd >= 0 && ReadHeader(*stream, &rate);
    bool pcm = stream->tag == 1 && (stream->bits == 8 || stream->bits == 16);
    bool flt = stream->tag == 3 && stream->bits == 32;
    if (!supported || !(pcm || flt) || (stream->channels != 1 && stream->channels != 2) ||
        rate < 100 || rate > 200000) {
        if (message) *message = kPreviewUnsupportedText;
        return kPreviewUnsupported;
    }
    stream->bufferBytes = 2 * size_t(PlayBufferBytes(gPlayPrefs.bufferSize));
    stream->buffer = static_cast<uint8_t*>(Allocate(stream->bufferBytes, kAllocHeap));
    if (!stream->buffer) {
        if (message) *message = kPreviewNoMemoryText;
        return kPreviewNoMemory;
    }
    int result = PlayBlocks(rate, stream->channels, [stream](float* l, float* r, uint32_t n) {
        return stream->Fill(l, r, n);
    });
    if (result != kPlayOk) {
        if (message) *message = PlayResultText(result);
        return kPreviewPlayFailed;
    }
    return kPreviewOk;
}

}  // namespace ob
