// The ALSA backend on a machine without a sound card: ALSA's own "file"
// plugin over the "null" device, configured by an .asoundrc in a test HOME,
// records what is played into a raw file and captures from another one.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "tests/audio/audio_test_support.h"

namespace ob {
namespace {

class AlsaFilePlugin : public ::testing::Test, public AudioFixtureState {
  protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        savedHome_ = home ? home : "";
        std::ofstream rc(dir / ".asoundrc");
        rc << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"" << (dir / "played.raw")
           << "\"\n  infile \"" << (dir / "capture.raw") << "\"\n  format \"raw\"\n}\n";
        rc.close();
        setenv("HOME", dir.path.c_str(), 1);
        snd_config_update_free_global();  // read the configuration again, from this HOME
    }
    void TearDown() override {
        StopPlay();
        SetAudioBackend(nullptr);
        setenv("HOME", savedHome_.c_str(), 1);
        snd_config_update_free_global();
    }
    std::string savedHome_;
};

TEST_F(AlsaFilePlugin, DefaultDeviceComesFirstAndTakesCommonFormats) {
    auto alsa = MakeAlsaBackend();
    std::vector<std::string> outputs = alsa->OutputDevices();
    ASSERT_FALSE(outputs.empty());
    EXPECT_EQ(outputs[0], "default");
    EXPECT_TRUE(alsa->OutputSupports(0, AudioFormat{44100, 2, 16}));
    EXPECT_FALSE(alsa->OutputSupports(int(outputs.size()) + 5, AudioFormat{44100, 2, 16}));
    std::unique_ptr<AudioOutput> none;
    EXPECT_EQ(alsa->OpenOutput(int(outputs.size()) + 5, AudioFormat{}, AudioBuffering{}, none),
              kDeviceBadId);
}

TEST_F(AlsaFilePlugin, PlayerOutputReachesThePluginBitExact) {
    SetAudioBackend(MakeAlsaBackend());
    gPlayPrefs.bufferSize = 1;  // 2048 stereo frames a buffer
    WaveRecord* r =
        MakeWave(5000, true, [](int c, uint32_t i) { return Out16(c ? -int(i) : int(i) * 3); });
    ASSERT_EQ(SetUpPlay(*r, true, false), kSetUpOk);
    ASSERT_EQ(StartPlay(), kPlayOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_EQ(CurrentPlayerInfo().result, kPlayOk);
    StopPlay();
    std::vector<uint8_t> bytes = ReadBytes(dir / "played.raw");
    ASSERT_GE(bytes.size(), 5000u * 4);
    for (uint32_t i = 0; i < 5000; ++i) {
        ASSERT_EQ(int16_t(Le16(&bytes[i * 4])), int16_t(i * 3)) << i;
        ASSERT_EQ(int16_t(Le16(&bytes[i * 4 + 2])), int16_t(-int(i))) << i;
    }
    for (size_t i = 5000 * 4; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(AlsaFilePlugin, CaptureReadsThePluginInputBitExact) {
    std::vector<int16_t> input(2 * 6000);
    for (size_t i = 0; i < input.size(); ++i) input[i] = int16_t((i * 7919) % 65536 - 32768);
    {
        std::ofstream f(dir / "capture.raw", std::ios::binary);
        f.write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size() * 2));
    }
    auto alsa = MakeAlsaBackend();
    std::unique_ptr<AudioInput> in;
    ASSERT_EQ(alsa->OpenInput(0, AudioFormat{44100, 2, 16}, AudioBuffering{1024, 4}, in),
              kDeviceOk);
    std::vector<int16_t> got(input.size());
    std::atomic<bool> cancel{false};
    uint32_t n = 0;
    ASSERT_EQ(in->Read(got.data(), 6000, &n, cancel), kDeviceOk);
    ASSERT_EQ(n, 6000u);
    EXPECT_EQ(got, input);
}

}  // namespace
}  // namespace ob
