// The file-open preview: supported WAV files stream through the player,
// everything else is refused with the preview's message.
#include "audio/preview.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/audio/audio_test_support.h"

namespace ob {
namespace {

class Preview : public ::testing::Test, public AudioFixtureState {};

TEST_F(Preview, StreamsA16BitFileFromDisk) {
    UseFileDevice();
    std::vector<int16_t> s(2 * 40000);
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(int(i % 20000) * (i & 1 ? -1 : 1));
    WriteWav16(in, 22050, 2, s);
    std::string message;
    ASSERT_EQ(PreviewSoundFile(in, &message), kPreviewOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w;
    ASSERT_TRUE(ReadWav(out, w));
    EXPECT_EQ(w.rate, 22050u);
    ASSERT_GE(w.Frames(), 40000u);
    for (size_t i = 0; i < s.size(); ++i)
        ASSERT_NEAR(w.samples[i], double(s[i]) * 32767.0 / 32768.0, 1.0) << i;
    for (size_t i = s.size(); i < w.samples.size(); ++i) ASSERT_EQ(w.samples[i], 0);
}

TEST_F(Preview, RefusesOtherFormatsAndBrokenFiles) {
    UseFileDevice();
    std::string message;
    EXPECT_EQ(PreviewSoundFile(dir / "missing.wav", &message), kPreviewUnsupported);
    EXPECT_EQ(message, "This format is not supported for preview");
    // A 24-bit PCM file is not among the preview formats.
    std::vector<uint8_t> bytes = {'R',  'I',  'F', 'F', 0,  0, 0, 0, 'W', 'A', 'V', 'E',
                                  'f',  'm',  't', ' ', 16, 0, 0, 0, 1,   0,   1,   0,
                                  0x44, 0xAC, 0,   0,   0,  0, 0, 0, 3,   0,   24,  0,
                                  'd',  'a',  't', 'a', 3,  0, 0, 0, 1,   2,   3};
    std::ofstream(dir / "x24.wav", std::ios::binary)
        .write(reinterpret_cast<char*>(bytes.data()), bytes.size());
    EXPECT_EQ(PreviewSoundFile(dir / "x24.wav", &message), kPreviewUnsupported);
    // Truncated inside the header, and a data chunk claiming more than the file holds.
    std::ofstream(dir / "cut.wav", std::ios::binary)
        .write(reinterpret_cast<char*>(bytes.data()), 20);
    EXPECT_EQ(PreviewSoundFile(dir / "cut.wav", &message), kPreviewUnsupported);
    bytes[34] = 16;
    bytes[40] = 0xFF;
    bytes[41] = 0xFF;
    std::ofstream(dir / "long.wav", std::ios::binary)
        .write(reinterpret_cast<char*>(bytes.data()), bytes.size());
    ASSERT_EQ(PreviewSoundFile(dir / "long.wav", &message), kPreviewOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w;
    ASSERT_TRUE(ReadWav(out, w));
    EXPECT_EQ(w.At(0), int16_t(0x0201) * 32767 / 32768);
    EXPECT_EQ(w.At(1), 0);  // the odd byte left is no frame
}

}  // namespace
}  // namespace ob
