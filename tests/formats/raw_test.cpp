// RAW: golden bytes of all six kinds, rates and names on reading, the odd
// 16-bit file question, and the code mapping.
#include <gtest/gtest.h>

#include "formats/sound_formats.h"
#include "formats/sound_io_ui.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

struct Answer : SoundIoUi {
    bool answer = false;
    int asked = 0;
    bool AskYesNo(const std::string& caption, const std::string& text, bool) override {
        ++asked;
        EXPECT_EQ("Raw File Alignment", caption);
        EXPECT_EQ("The raw file size is odd.\nDo you wish to skip the\nfirst byte for alignment?",
                  text);
        return answer;
    }
};

TEST(Raw, GoldenBytesOfEveryKind) {
    TempFolder dir;
    TestWave w(4, 2);
    float values[4] = {0.0f, 0.5f, -1.0f, 1.0f};
    for (int i = 0; i < 4; ++i) w.record.leftSamples[i] = values[i];
    struct Kind {
        int code;
        std::vector<uint8_t> bytes;
        uint32_t rate;
    } kinds[] = {
        // x * 128 or x * 32768 truncated, +1.0 held at the largest code.
        {kFormatRaw8s, {0x00, 0x40, 0x80, 0x7F}, 22050},
        {kFormatRaw8u, {0x80, 0xC0, 0x00, 0xFF}, 22050},
        {kFormatRaw16m, {0x00, 0x00, 0x40, 0x00, 0x80, 0x00, 0x7F, 0xFF}, 44100},
        {kFormatRaw16i, {0x00, 0x00, 0x00, 0x40, 0x00, 0x80, 0xFF, 0x7F}, 44100},
        {kFormatRawAlaw,
         {0xD5, LinearToALaw(16384), LinearToALaw(-32768), LinearToALaw(32767)},
         8000},
        {kFormatRawUlaw,
         {0xFF, LinearToULaw(16384), LinearToULaw(-32768), LinearToULaw(32767)},
         8000},
        {kFormatWav16, {0x80, 0xC0, 0x00, 0xFF}, 22050},  // any other code means 8
    };
    for (auto& k : kinds) {
        std::string path = dir / ("k" + std::to_string(k.code) + ".raw");
        ASSERT_EQ(kFileOk, WriteRaw(path, w.record, k.code));
        EXPECT_EQ(k.bytes, ReadBytes(path)) << k.code;
        Loaded in;
        ReadOutcome out = ReadRaw(path, in.record, k.code);
        ASSERT_EQ(kFileOk, out.result);
        EXPECT_TRUE(out.recognised);
        EXPECT_EQ(EffectiveRawCode(k.code), out.format);
        EXPECT_EQ(4u, in.record.frameCount);
        EXPECT_EQ(k.rate, in.record.sampleRate);
        EXPECT_EQ(nullptr, in.record.rightSamples);
        EXPECT_EQ("k" + std::to_string(k.code) + ".raw", in.record.name);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(values[i], in.record.leftSamples[i], 0.02) << k.code;
    }
}

TEST(Raw, OddSixteenBitFilesAndNames) {
    TempFolder dir;
    std::vector<uint8_t> bytes(1001);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
    std::string name(80, 'n');
    WriteBytes(dir / name, bytes);
    for (bool skip : {false, true}) {
        Answer ui;
        ui.answer = skip;
        Loaded in;
        ASSERT_EQ(kFileOk, ReadRaw(dir / name, in.record, kFormatRaw16m, &ui).result);
        EXPECT_EQ(1, ui.asked);
        EXPECT_EQ(500u, in.record.frameCount);
        int16_t first = skip ? int16_t(0x0102) : int16_t(0x0001);
        EXPECT_FLOAT_EQ(float(first) / 32768.0f, in.record.leftSamples[0]);
        EXPECT_EQ(std::string(73, 'n'), in.record.name);
    }
    // Without a ui nobody is asked and the first byte is kept; even sizes never ask.
    Loaded plain;
    ASSERT_EQ(kFileOk, ReadRaw(dir / name, plain.record, kFormatRaw16i).result);
    EXPECT_FLOAT_EQ(float(int16_t(0x0100)) / 32768.0f, plain.record.leftSamples[0]);
    Answer ui;
    Loaded eight;
    ASSERT_EQ(kFileOk, ReadRaw(dir / name, eight.record, kFormatRaw8s, &ui).result);
    EXPECT_EQ(0, ui.asked);
    EXPECT_EQ(1001u, eight.record.frameCount);
    // An empty file or a missing one is a read failure, not a wave.
    WriteBytes(dir / "empty", {});
    Loaded none;
    EXPECT_EQ(kFileReadError, ReadRaw(dir / "empty", none.record, kFormatRaw8u).result);
    EXPECT_EQ(kCantOpenFile, ReadRaw(dir / "missing", none.record, kFormatRaw8u).result);
    EXPECT_EQ(nullptr, none.record.leftSamples);
}

}  // namespace
}  // namespace ob
