// Studio 16 V3: golden header bytes built from the layout, the round trip,
// and short or foreign files.
#include <gtest/gtest.h>

#include "formats/sound_formats.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

TEST(Studio16, GoldenHeaderAndRoundTrip) {
    TempFolder dir;
    TestWave w(3, 2, 44099);
    float values[3] = {0.25f, -1.0f, 0.75f};
    for (int i = 0; i < 3; ++i) w.record.leftSamples[i] = values[i];
    ASSERT_EQ(kFileOk, WriteS16(dir / "s.s16", w.record));
    auto b = ReadBytes(dir / "s.s16");
    ASSERT_EQ(3690u + 6, b.size());
    std::vector<uint8_t> expected(3690, 0);
    Bytes words;
    words.Text("KWK3").Be32(44100).Be32(44100).Be32(0x0C800000).Zeros(8).Be32(0x0C800000).Zeros(8);
    words.Be32(3).Be32(3).Zeros(4).Be32(2).Be32(3).Be32(2);  // offsets 36, 40, 48, 52, 56
    std::copy(words.b.begin(), words.b.end(), expected.begin());
    EXPECT_EQ(expected, std::vector<uint8_t>(b.begin(), b.begin() + 3690));
    EXPECT_EQ((std::vector<uint8_t>{0x20, 0x00, 0x80, 0x00, 0x60, 0x00}),
              std::vector<uint8_t>(b.begin() + 3690, b.end()));
    Loaded in;
    ReadOutcome out = ReadS16(dir / "s.s16", in.record);
    ASSERT_EQ(kFileOk, out.result);
    EXPECT_EQ(kFormatS16v3, out.format);
    EXPECT_EQ(3u, in.record.frameCount);
    EXPECT_EQ(44100u, in.record.sampleRate);
    EXPECT_EQ(nullptr, in.record.rightSamples);
    EXPECT_FLOAT_EQ(-1.0f, in.record.leftSamples[1]);
    // Other rates are written unchanged; rate 0 reads as 44100.
    w.record.sampleRate = 22051;
    ASSERT_EQ(kFileOk, WriteS16(dir / "r.s16", w.record));
    EXPECT_EQ(22051u, Be32At(ReadBytes(dir / "r.s16"), 4));
    b[4] = b[5] = b[6] = b[7] = 0;
    WriteBytes(dir / "z.s16", b);
    Loaded z;
    ASSERT_EQ(kFileOk, ReadS16(dir / "z.s16", z.record).result);
    EXPECT_EQ(44100u, z.record.sampleRate);
}

TEST(Studio16, ShortAndForeignFiles) {
    TempFolder dir;
    std::vector<uint8_t> shortFile(3691, 0);
    std::memcpy(shortFile.data(), "KWK3", 4);
    WriteBytes(dir / "s.s16", shortFile);
    Loaded in;
    ReadOutcome out = ReadS16(dir / "s.s16", in.record);
    EXPECT_TRUE(out.recognised);
    EXPECT_EQ(kGeneralFileError, out.result);
    EXPECT_EQ(nullptr, in.record.leftSamples);
    shortFile[3] = '2';
    shortFile.resize(4000);
    WriteBytes(dir / "f.s16", shortFile);
    out = ReadS16(dir / "f.s16", in.record);
    EXPECT_FALSE(out.recognised);
    EXPECT_EQ(kFileTypeImproper, out.result);
}

}  // namespace
}  // namespace ob
