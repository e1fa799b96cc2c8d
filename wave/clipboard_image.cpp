// Building and parsing the clipboard's RIFF WAVE image.
#include "wave/clipboard_image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/byte_order.h"
#include "wave/memory.h"
#include "wave/sample_convert.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;

}  // namespace

int BuildClipboardImage(const float* left, const float* right, uint32_t frames, uint32_t rate,
                        std::vector<uint8_t>& image) {
    image.clear();
    const uint32_t channels = right ? 2 : 1;
    const uint64_t dataBytes = uint64_t(frames) * channels * sizeof(float);
    if (dataBytes + kClipboardHeaderBytes - 8 > 0xFFFFFFFFull) return kImageTooLarge;
    const uint64_t total = dataBytes + kClipboardHeaderBytes;
    if (!LargeBlockWouldFit(total)) return kImageNoMemory;
    try {
        image.resize(size_t(total));
    } catch (const std::bad_alloc&) {
        return kImageNoMemory;
    }
    const uint32_t stored = SnapSampleRate(rate);
    uint8_t* h = image.data();
    std::memcpy(h, "RIFF", 4);
    PutLe32(h + 4, uint32_t(dataBytes + 36));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe32(h + 16, 16);
    PutLe16(h + 20, kTagFloat);
    PutLe16(h + 22, channels);
    PutLe32(h + 24, stored);
    PutLe32(h + 28, channels * stored * 4);
    PutLe16(h + 32, channels * 4);
    PutLe16(h + 34, 32);
    std::memcpy(h + 36, "data", 4);
    PutLe32(h + 40, uint32_t(dataBytes));
    uint8_t* out = h + kClipboardHeaderBytes;
    for (uint32_t i = 0; i < frames; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &left[i], 4);
        PutLe32(out, bits);
        out += 4;
        if (right) {
            std::memcpy(&bits, &right[i], 4);
            PutLe32(out, bits);
            out += 4;
        }
    }
    return kImageOk;
}

int ParseClipboardImage(const uint8_t* bytes, size_t size, ClipboardAudio& audio) {
    audio = ClipboardAudio{};
    if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 ||
        std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return kImageBadFormat;
    const uint64_t end = size;
    uint64_t pos = 12;
    bool haveFormat = false;
    while (pos + 8 <= end) {
        const uint8_t* chunk = bytes + pos;
        const uint64_t chunkSize = GetLe32(chunk + 4);
        const uint64_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
            if (chunkSize < 16 || body + 16 > end) return kImageBadFormat;
            const uint8_t* f = bytes + body;
            uint16_t tag = uint16_t(GetLe16(f));
            audio.channels = uint16_t(GetLe16(f + 2));
            audio.rate = GetLe32(f + 4);
            audio.bits = uint16_t(GetLe16(f + 14));
            if (tag == kTagExtensible) {
                // The sub-format's first two bytes are the plain format tag.
                if (chunkSize < 40 || body + 40 > end) return kImageBadFormat;
                tag = uint16_t(GetLe16(f + 24));
            }
            audio.formatTag = tag;
            bool pcm = tag == kTagPcm && (audio.bits == 8 || audio.bits == 16 || audio.bits == 32);
            bool flt = tag == kTagFloat && audio.bits == 32;
            if (!(pcm || flt) || audio.channels < 1 || audio.channels > 2) return kImageBadFormat;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return kImageBadFormat;
            uint64_t present = std::min<uint64_t>(chunkSize, end - body);
            uint64_t frames = present / (uint64_t(audio.bits / 8) * audio.channels);
            audio.frames = uint32_t(std::min<uint64_t>(frames, 0xFFFFFFFFull));
            audio.data = bytes + body;
            return kImageOk;
        }
        pos = body + chunkSize + (chunkSize & 1);
    }
    return kImageBadFormat;
}

void DecodeClipboardChannel(const ClipboardAudio& audio, int channel, uint32_t first,
                            uint32_t count, float* out) {
    const uint32_t bytes = audio.bits / 8;
    const uint32_t frameBytes = bytes * audio.channels;
    const uint32_t offset = audio.channels == 2 && channel == 1 ? bytes : 0;
    const uint8_t* p = audio.data + uint64_t(first) * frameBytes + offset;
    for (uint32_t i = 0; i < count; ++i, p += frameBytes) {
        if (audio.bits == 8) {
            out[i] = float((int(p[0]) - 128) / 128.0);
        } else if (audio.bits == 16) {
            out[i] = float(int16_t(GetLe16(p)) / 32768.0);
        } else if (audio.formatTag == kTagFloat) {
            uint32_t bits = GetLe32(p);
            float x;
            std::memcpy(&x, &bits, 4);
            out[i] = ClampSample(x);
        } else {
            out[i] = float(int32_t(GetLe32(p)) / 2147483648.0);
        }
    }
}

}  // namespace ob
