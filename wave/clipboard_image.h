// The system clipboard's wave image: a complete RIFF WAVE file in one block.
// Copies are written as 32-bit float samples (format tag 3); pastes read
// integer PCM of 8, 16 or 32 bits (tag 1) and 32-bit floats (tag 3), also
// when the extensible format names them. Qt-free: the shell moves the bytes
// to and from the clipboard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ob {

enum ClipboardImageResult : int {
    kImageOk = 0,
    kImageBadFormat = 1,  // "Bad paste format"
    kImageTooLarge = 2,   // the data would not fit a RIFF image (4 GB)
    kImageNoMemory = 3,
};

constexpr size_t kClipboardHeaderBytes = 44;

// Builds the image of `frames` frames of one or two channels (right null:
// mono) at `rate` (stored after SnapSampleRate), interleaved left, right.
int BuildClipboardImage(const float* left, const float* right, uint32_t frames, uint32_t rate,
                        std::vector<uint8_t>& image);

// What a parsed image holds; `data` points into the caller's bytes.
struct ClipboardAudio {
    uint16_t channels = 0;   // 1 or 2
    uint32_t rate = 0;       // as stored
    uint16_t formatTag = 0;  // 1 integer PCM or 3 float (extensible resolved)
    uint16_t bits = 0;       // 8, 16, 32
    uint32_t frames = 0;     // whole frames present in the data chunk
    const uint8_t* data = nullptr;
};
// Accepts "RIFF" ... "WAVE" with a "fmt " chunk of at least 16 bytes (tag 1
// at 8, 16 or 32 bits, or tag 3 at 32 bits; 1 or 2 channels) and a "data"
// chunk after it. Chunks are walked with 64-bit offsets within `size`; the
// data is limited to the bytes present. kImageBadFormat otherwise.
int ParseClipboardImage(const uint8_t* bytes, size_t size, ClipboardAudio& audio);

// Converts `count` frames from frame `first` of channel `channel` (0 left, 1
// right; a mono image gives its one channel for both) into floats:
// 8 bits (b - 128) / 128, 16 bits / 32768, 32-bit integers / 2^31, floats
// clamped to -1..1 (not-a-number gives -1).
void DecodeClipboardChannel(const ClipboardAudio& audio, int channel, uint32_t first,
                            uint32_t count, float* out);

}  // namespace ob
