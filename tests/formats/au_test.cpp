// AU: the header the writer produces, the encodings the reader takes, and
// headers it refuses.
#include <gtest/gtest.h>

#include "formats/sound_formats.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

std::vector<uint8_t> AuImage(uint32_t offset, uint32_t encoding, uint32_t rate, uint32_t channels,
                             const std::vector<uint8_t>& data) {
    Bytes f;
    f.Text(".snd")
        .Be32(offset)
        .Be32(uint32_t(data.size()))
        .Be32(encoding)
        .Be32(rate)
        .Be32(channels);
    while (f.b.size() < offset && f.b.size() < 64) f.U8(0);
    f.b.insert(f.b.end(), data.begin(), data.end());
    return f.b;
}

TEST(Au, WriterHeaderAndULawData) {
    TempFolder dir;
    TestWave w(5, 2, 11025);
    w.record.leftSamples[0] = 0.0f;
    w.record.leftSamples[1] = 1.0f;
    ASSERT_EQ(kFileOk, WriteAu(dir / "a.au", w.record));
    auto b = ReadBytes(dir / "a.au");
    ASSERT_EQ(28u + 5, b.size());
    EXPECT_EQ(0, std::memcmp(b.data(), ".snd", 4));
    EXPECT_EQ(28u, Be32At(b, 4));
    EXPECT_EQ(5u, Be32At(b, 8));
    EXPECT_EQ(1u, Be32At(b, 12));
    EXPECT_EQ(11025u, Be32At(b, 16));
    EXPECT_EQ(1u, Be32At(b, 20));
    EXPECT_EQ(0u, Be32At(b, 24));
    EXPECT_EQ(0xFF, b[28]);                 // u-law of 0
    EXPECT_EQ(LinearToULaw(32767), b[29]);  // left channel only
    Loaded in;
    ReadOutcome out = ReadAu(dir / "a.au", in.record);
    ASSERT_EQ(kFileOk, out.result);
    EXPECT_EQ(kFormatAu, out.format);
    EXPECT_EQ(5u, in.record.frameCount);
    EXPECT_EQ(nullptr, in.record.rightSamples);
    EXPECT_EQ(11025u, in.record.sampleRate);
}

TEST(Au, ReaderEncodingsAndRefusals) {
    TempFolder dir;
    {  // 16-bit data with an odd byte count, a long header, rate 0 -> 8000.
        WriteBytes(dir / "s.au", AuImage(32, 3, 0, 1, {0x40, 0x00, 0xC0, 0x00, 0x12}));
        Loaded in;
        ASSERT_EQ(kFileOk, ReadAu(dir / "s.au", in.record).result);
        EXPECT_EQ(2u, in.record.frameCount);
        EXPECT_EQ(8000u, in.record.sampleRate);
        EXPECT_FLOAT_EQ(0.5f, in.record.leftSamples[0]);
        EXPECT_FLOAT_EQ(-0.5f, in.record.leftSamples[1]);
    }
    {  // Encoding 0 counts as u-law; 2 is signed 8-bit; 27 a-law.
        WriteBytes(dir / "z.au", AuImage(24, 0, 8000, 1, {0xFF, 0x7F}));
        Loaded in;
        ASSERT_EQ(kFileOk, ReadAu(dir / "z.au", in.record).result);
        EXPECT_FLOAT_EQ(float(ULawToLinear(0x7F)) / 32768.0f, in.record.leftSamples[1]);
        WriteBytes(dir / "e.au", AuImage(24, 2, 8000, 1, {0x40, 0x80}));
        Loaded e;
        ASSERT_EQ(kFileOk, ReadAu(dir / "e.au", e.record).result);
        EXPECT_FLOAT_EQ(0.5f, e.record.leftSamples[0]);
        EXPECT_FLOAT_EQ(-1.0f, e.record.leftSamples[1]);
        WriteBytes(dir / "a.au", AuImage(24, 27, 8000, 1, {0xD5}));
        Loaded a;
        ASSERT_EQ(kFileOk, ReadAu(dir / "a.au", a.record).result);
        EXPECT_FLOAT_EQ(float(ALawToLinear(0xD5)) / 32768.0f, a.record.leftSamples[0]);
    }
    struct Case {
        std::vector<uint8_t> bytes;
        int result;
        bool recognised;
    } cases[] = {
        {AuImage(24, 3, 8000, 2, {0, 0, 0, 0}), kFormatNotSupported, true},  // stereo
        {AuImage(24, 6, 8000, 1, {0, 0, 0, 0}), kFormatNotSupported, true},  // float
        {AuImage(24, 3, 8000, 1, {0}), kFormatNotSupported, true},           // no whole frame
        {AuImage(0x7FFFFFF0u, 1, 8000, 1, {1, 2}), kGeneralFileError,
         false},  // offset past the end
        {AuImage(8, 1, 8000, 1, {1, 2}), kGeneralFileError, false},
        {{'.', 's', 'n', 'd', 0, 0}, kGeneralFileError, false},
        {{'.', 'S', 'N', 'D', 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0x1F, 0x40, 0, 0, 0, 1, 9},
         kGeneralFileError,
         false},
    };
    for (auto& c : cases) {
        WriteBytes(dir / "h.au", c.bytes);
        Loaded in;
        ReadOutcome out = ReadAu(dir / "h.au", in.record);
        EXPECT_EQ(c.result, out.result);
        EXPECT_EQ(c.recognised, out.recognised);
        EXPECT_EQ(nullptr, in.record.leftSamples);
    }
}

}  // namespace
}  // namespace ob
