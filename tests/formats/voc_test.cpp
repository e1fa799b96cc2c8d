// VOC: the header and block the writer produces, stereo, the size limit the
// writer refuses instead of truncating, and the headers the reader refuses.
#include <gtest/gtest.h>

#include "formats/sound_formats.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

std::vector<uint8_t> VocImage(uint8_t type, uint32_t blockData, uint32_t rate, uint8_t channels,
                              uint16_t format, const std::vector<uint8_t>& data,
                              const char* signature = "Creative Voice File") {
    Bytes f;
    f.Text(signature).U8(26).Le16(26).Le16(0x0114).Le16(0x111F);
    uint32_t length = blockData + 12;
    f.U8(type).U8(length & 0xFF).U8((length >> 8) & 0xFF).U8(length >> 16);
    f.Le32(rate).U8(format == 4 ? 16 : 8).U8(channels).Le16(format).Zeros(4);
    f.b.insert(f.b.end(), data.begin(), data.end());
    f.U8(0);
    return f.b;
}

TEST(Voc, WriterLayoutStereoAndRate) {
    TempFolder dir;
    TestWave w(3, 2, 96000);
    float left[3] = {0.0f, 1.0f, -1.0f}, right[3] = {0.5f, -0.5f, 2.0f};
    for (int i = 0; i < 3; ++i) {
        w.record.leftSamples[i] = left[i];
        w.record.rightSamples[i] = right[i];
    }
    ASSERT_EQ(kFileOk, WriteVoc(dir / "s.voc", w.record));
    std::vector<uint8_t> expected =
        VocImage(9, 6, 96000, 2, 0, {128, 192, 255, 64, 0, 255});  // x * 128 + 128, clamped
    EXPECT_EQ(expected, ReadBytes(dir / "s.voc"));
    Loaded in;
    ReadOutcome out = ReadVoc(dir / "s.voc", in.record);
    ASSERT_EQ(kFileOk, out.result);
    EXPECT_EQ(kFormatVoc, out.format);
    EXPECT_EQ(3u, in.record.frameCount);
    EXPECT_EQ(96000u, in.record.sampleRate);
    ASSERT_NE(nullptr, in.record.rightSamples);
    EXPECT_FLOAT_EQ(127.0f / 128.0f, in.record.leftSamples[1]);
    EXPECT_FLOAT_EQ(64.0f / 128.0f, in.record.rightSamples[0]);
    EXPECT_FLOAT_EQ(-64.0f / 128.0f, in.record.rightSamples[1]);
    EXPECT_FLOAT_EQ(-1.0f, in.record.leftSamples[2]);
}

TEST(Voc, WriterRefusesAWaveBeyondOneBlock) {
    TempFolder dir;
    WriteBytes(dir / "keep.voc", {1, 2, 3});
    float samples[4] = {};
    WaveRecord r;
    r.leftSamples = samples;
    r.frameCount = 16777204;  // one more than a mono block holds
    EXPECT_EQ(kFileWriteError, WriteVoc(dir / "keep.voc", r));
    r.rightSamples = samples;
    r.frameCount = 8388602;  // one more than a stereo block holds
    EXPECT_EQ(kFileWriteError, WriteVoc(dir / "keep.voc", r));
    r.leftSamples = r.rightSamples = nullptr;
    r.frameCount = 0;
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadBytes(dir / "keep.voc"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path),
                               std::filesystem::directory_iterator()));
}

TEST(Voc, ReaderChecks) {
    TempFolder dir;
    {  // 16-bit signed stereo, signature in another case, channels 0 counts as 1, rate 0 -> 22050.
        WriteBytes(dir / "a.voc",
                   VocImage(9, 4, 0, 0, 4, {0, 0x40, 0, 0xC0}, "CREATIVE VOICE FILE"));
        Loaded in;
        ASSERT_EQ(kFileOk, ReadVoc(dir / "a.voc", in.record).result);
        EXPECT_EQ(2u, in.record.frameCount);
        EXPECT_EQ(22050u, in.record.sampleRate);
        EXPECT_FLOAT_EQ(0.5f, in.record.leftSamples[0]);
        EXPECT_FLOAT_EQ(-0.5f, in.record.leftSamples[1]);
    }
    std::vector<uint8_t> longer = VocImage(9, 10, 8000, 1, 0, std::vector<uint8_t>(4, 128));
    std::vector<uint8_t> shorter = VocImage(9, 2, 8000, 1, 0, std::vector<uint8_t>(4, 128));
    struct Case {
        std::vector<uint8_t> bytes;
        int result;
        bool recognised;
    } cases[] = {
        {VocImage(1, 4, 8000, 1, 0, std::vector<uint8_t>(4)), kFormatNotSupported, true},
        {VocImage(9, 3, 8000, 3, 0, std::vector<uint8_t>(3)), kFormatNotSupported, true},
        {VocImage(9, 4, 8000, 1, 2, std::vector<uint8_t>(4)), kFormatNotSupported, true},
        {longer, kFileReadError, true},        // the block runs past the end
        {shorter, kFormatNotSupported, true},  // further data follows the block
        {VocImage(9, 4, 8000, 1, 0, std::vector<uint8_t>(4), "Creative Noise File"),
         kGeneralFileError, false},
        {std::vector<uint8_t>(longer.begin(), longer.begin() + 30), kGeneralFileError, false},
    };
    for (auto& c : cases) {
        WriteBytes(dir / "h.voc", c.bytes);
        Loaded in;
        ReadOutcome out = ReadVoc(dir / "h.voc", in.record);
        EXPECT_EQ(c.result, out.result);
        EXPECT_EQ(c.recognised, out.recognised);
        EXPECT_EQ(nullptr, in.record.leftSamples);
    }
}

}  // namespace
}  // namespace ob
