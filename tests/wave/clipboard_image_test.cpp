// The clipboard's wave image: the bytes a copy writes, and parsing of the
// images other programs (and hostile data) put on the clipboard.
#include "wave/clipboard_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "wave/memory.h"

namespace ob {
namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] | (b[at + 1] << 8));
}

// A RIFF WAVE image with the given fmt fields and data bytes.
std::vector<uint8_t> Image(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                           const std::vector<uint8_t>& data, uint32_t fmtSize = 16) {
    std::vector<uint8_t> b;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    auto tagText = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    tagText("RIFF");
    put(0, 4);
    tagText("WAVE");
    tagText("fmt ");
    put(fmtSize, 4);
    put(tag, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * bits / 8, 4);
    put(channels * bits / 8, 2);
    put(bits, 2);
    for (uint32_t i = 16; i < fmtSize; ++i) b.push_back(0);
    tagText("data");
    put(uint32_t(data.size()), 4);
    b.insert(b.end(), data.begin(), data.end());
    uint32_t riff = uint32_t(b.size() - 8);
    std::memcpy(&b[4], &riff, 4);
    return b;
}

std::vector<float> Decode(const ClipboardAudio& a, int channel) {
    std::vector<float> out(a.frames);
    DecodeClipboardChannel(a, channel, 0, a.frames, out.data());
    return out;
}

TEST(ClipboardImage, CopyWritesFloatImageWithSnappedRate) {
    const float left[3] = {0.5f, -1.0f, 0.25f};
    const float right[3] = {-0.5f, 1.0f, 0.0f};
    std::vector<uint8_t> b;
    ASSERT_EQ(BuildClipboardImage(left, right, 3, 44101, b), kImageOk);
    ASSERT_EQ(b.size(), 44u + 24u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(U32(b, 4), 24u + 36u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(b, 16), 16u);
    EXPECT_EQ(U16(b, 20), 3u);  // IEEE float, as the samples are
    EXPECT_EQ(U16(b, 22), 2u);
    EXPECT_EQ(U32(b, 24), 44100u);
    EXPECT_EQ(U32(b, 28), 2u * 44100u * 4u);
    EXPECT_EQ(U16(b, 32), 8u);
    EXPECT_EQ(U16(b, 34), 32u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(U32(b, 40), 24u);
    float frames[6];
    std::memcpy(frames, &b[44], 24);
    const float expected[6] = {0.5f, -0.5f, -1.0f, 1.0f, 0.25f, 0.0f};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(frames[i], expected[i]);

    // Mono, and the round trip through the parser.
    ASSERT_EQ(BuildClipboardImage(right, nullptr, 3, 22050, b), kImageOk);
    EXPECT_EQ(U16(b, 22), 1u);
    ClipboardAudio a;
    ASSERT_EQ(ParseClipboardImage(b.data(), b.size(), a), kImageOk);
    EXPECT_EQ(a.channels, 1u);
    EXPECT_EQ(a.rate, 22050u);
    EXPECT_EQ(a.frames, 3u);
    EXPECT_EQ(Decode(a, 0), std::vector<float>(right, right + 3));
    EXPECT_EQ(Decode(a, 1), std::vector<float>(right, right + 3));  // mono serves both
}

TEST(ClipboardImage, CopiesBeyondFourGigabytesOrTheBudgetAreRefused) {
    std::vector<uint8_t> b;
    // 2^29 stereo frames are 4 GB of data: refused before any sample is read.
    EXPECT_EQ(BuildClipboardImage(nullptr, nullptr, 0x40000000u, 44100, b), kImageTooLarge);
    EXPECT_EQ(
        BuildClipboardImage(nullptr, reinterpret_cast<const float*>(1), 0x20000000u, 44100, b),
        kImageTooLarge);
    std::vector<float> x(1000, 0.1f);
    SetMemoryBudget(LargeBytesInUse() + 100);
    EXPECT_EQ(BuildClipboardImage(x.data(), nullptr, 1000, 44100, b), kImageNoMemory);
    SetMemoryBudget(0);
    EXPECT_TRUE(b.empty());
}

TEST(ClipboardImage, PasteReadsIntegerAndFloatEncodings) {
    ClipboardAudio a;
    // 8 bits unsigned: (b - 128) / 128, so 128 is silence.
    auto b8 = Image(1, 1, 8000, 8, {128, 0, 255, 192});
    ASSERT_EQ(ParseClipboardImage(b8.data(), b8.size(), a), kImageOk);
    EXPECT_EQ(Decode(a, 0), (std::vector<float>{0.0f, -1.0f, 127 / 128.0f, 0.5f}));
    // 16 bits stereo / 32768.
    auto b16 = Image(1, 2, 44100, 16, {0x00, 0x80, 0xff, 0x7f, 0x00, 0x40, 0x00, 0xc0});
    ASSERT_EQ(ParseClipboardImage(b16.data(), b16.size(), a), kImageOk);
    EXPECT_EQ(a.frames, 2u);
    EXPECT_EQ(Decode(a, 0), (std::vector<float>{-1.0f, 0.5f}));
    EXPECT_EQ(Decode(a, 1), (std::vector<float>{32767 / 32768.0f, -0.5f}));
    // 32-bit integers / 2^31.
    auto b32 = Image(1, 1, 48000, 32, {0, 0, 0, 0x40, 0, 0, 0, 0x80});
    ASSERT_EQ(ParseClipboardImage(b32.data(), b32.size(), a), kImageOk);
    EXPECT_EQ(Decode(a, 0), (std::vector<float>{0.5f, -1.0f}));
    // Tag 3 floats; out-of-range values and not-a-number are clamped.
    float f[4] = {0.25f, 2.0f, std::nanf(""), -0.75f};
    std::vector<uint8_t> fd(reinterpret_cast<uint8_t*>(f), reinterpret_cast<uint8_t*>(f) + 16);
    auto bf = Image(3, 1, 96000, 32, fd);
    ASSERT_EQ(ParseClipboardImage(bf.data(), bf.size(), a), kImageOk);
    EXPECT_EQ(Decode(a, 0), (std::vector<float>{0.25f, 1.0f, -1.0f, -0.75f}));
    // The extensible format names the plain tag in its sub-format.
    auto be = Image(0xFFFE, 1, 44100, 16, {0x00, 0x40}, 40);
    be[20 + 24] = 1;  // sub-format: PCM
    ASSERT_EQ(ParseClipboardImage(be.data(), be.size(), a), kImageOk);
    EXPECT_EQ(Decode(a, 0), (std::vector<float>{0.5f}));
}

TEST(ClipboardImage, ChunksAreWalkedAndDataIsLimitedToTheBytesPresent) {
    ClipboardAudio a;
    // A chunk between fmt and data, with an odd size and its pad byte.
    auto b = Image(1, 1, 8000, 16, {0x00, 0x40, 0x00, 0xc0});
    std::vector<uint8_t> extra = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    b.insert(b.begin() + 36, extra.begin(), extra.end());
    ASSERT_EQ(ParseClipboardImage(b.data(), b.size(), a), kImageOk);
    EXPECT_EQ(Decode(a, 0), (std::vector<float>{0.5f, -0.5f}));
    // A data size beyond the block: only the whole frames present count.
    auto t = Image(1, 2, 8000, 16, {1, 0, 2, 0, 3, 0, 4, 0, 5});
    t[40] = 0xff, t[41] = 0xff, t[42] = 0xff, t[43] = 0x7f;
    ASSERT_EQ(ParseClipboardImage(t.data(), t.size(), a), kImageOk);
    EXPECT_EQ(a.frames, 2u);
}

TEST(ClipboardImage, HostileImagesAreBadPasteFormat) {
    ClipboardAudio a;
    auto good = Image(1, 1, 8000, 16, {0, 0});
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({});
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 11));
    bad.push_back(Image(1, 3, 8000, 16, {0, 0, 0, 0, 0, 0}));  // three channels
    bad.push_back(Image(1, 0, 8000, 16, {0, 0}));              // no channel
    bad.push_back(Image(1, 1, 8000, 24, {0, 0, 0}));           // 24 bits
    bad.push_back(Image(3, 1, 8000, 16, {0, 0}));              // 16-bit floats
    bad.push_back(Image(2, 1, 8000, 16, {0, 0}));              // ADPCM
    auto small = Image(1, 1, 8000, 16, {0, 0});
    small[16] = 14;  // fmt of 14 bytes
    bad.push_back(small);
    auto riff = good;
    riff[0] = 'X';
    bad.push_back(riff);
    // A fmt chunk cut off by the block's end.
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 30));
    // A huge chunk size before data jumps past the end without wrapping.
    auto jump = good;
    std::vector<uint8_t> hole = {'J', 'U', 'N', 'K', 0xff, 0xff, 0xff, 0xff};
    jump.insert(jump.begin() + 36, hole.begin(), hole.end());
    bad.push_back(jump);
    // data before fmt.
    std::vector<uint8_t> order = {'R', 'I', 'F', 'F', 0,   0, 0, 0, 'W', 'A', 'V',
                                  'E', 'd', 'a', 't', 'a', 2, 0, 0, 0,   0,   0};
    bad.push_back(order);
    // Extensible with a fmt too short for its sub-format.
    bad.push_back(Image(0xFFFE, 1, 8000, 16, {0, 0}, 18));
    // No data chunk at all.
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 36));
    for (size_t i = 0; i < bad.size(); ++i)
        EXPECT_EQ(ParseClipboardImage(bad[i].data(), bad[i].size(), a), kImageBadFormat)
            << "case " << i;
    EXPECT_EQ(ParseClipboardImage(nullptr, 100, a), kImageBadFormat);
}

}  // namespace
}  // namespace ob
