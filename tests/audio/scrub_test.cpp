// Scrub: the follower's speed and direction come from the pointer's travel,
// a pointer at rest falls silent, the position never leaves the sound, and a
// scrub plays through the file device until the drag ends.
#include "audio/scrub.h"

#include <gtest/gtest.h>

#include "tests/audio/audio_test_support.h"

namespace ob {
namespace {

std::vector<float> Ramp(size_t n) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = float(i);
    return v;
}

TEST(ScrubFollower, TravelsAtThePointersSpeedAndDirection) {
    std::vector<float> samples = Ramp(10000);
    ScrubFollower f;
    f.left = samples.data();
    f.frameCount = 10000;
    f.position = 1000;
    f.speed = 2;
    std::vector<float> out(100);
    // The pointer 200 frames ahead over a 100-frame buffer: twice the speed.
    f.Fill(1200, out.data(), nullptr, 100);
    for (int i = 0; i < 100; ++i) EXPECT_FLOAT_EQ(out[i], 1000.0f + 2 * i) << i;
    EXPECT_DOUBLE_EQ(f.position, 1200);
    // The pointer went back: the sound plays backward from where it was.
    f.Fill(1100, out.data(), nullptr, 100);
    EXPECT_DOUBLE_EQ(f.speed, -1);
    for (int i = 0; i < 100; ++i) EXPECT_FLOAT_EQ(out[i], 1200.0f - i) << i;
    EXPECT_NEAR(f.position, 1100, 1e-6);
    // At rest: one buffer fades out, then silence; moving again fades in.
    f.Fill(1100, out.data(), nullptr, 100);
    EXPECT_FLOAT_EQ(out[0], 1100.0f * 0.99f);
    EXPECT_FLOAT_EQ(out[99], 0.0f);
    f.Fill(1100, out.data(), nullptr, 100);
    for (float v : out) EXPECT_EQ(v, 0.0f);
    f.Fill(1150, out.data(), nullptr, 100);
    EXPECT_FLOAT_EQ(out[0], 1100.0f * 0.01f);
    EXPECT_FLOAT_EQ(out[99], 1149.5f);
}

TEST(ScrubFollower, SpeedIsLimitedAndThePositionStaysInTheSound) {
    std::vector<float> left = Ramp(1000), right(1000, -1.0f);
    ScrubFollower f;
    f.left = left.data();
    f.right = right.data();
    f.frameCount = 1000;
    f.position = 10;
    f.speed = kScrubMaxSpeed;
    std::vector<float> l(50), r(50);
    // A pointer far away moves at most the top speed.
    f.Fill(900, l.data(), r.data(), 50);
    EXPECT_DOUBLE_EQ(f.position, 10 + 50 * kScrubMaxSpeed);
    for (float v : r) EXPECT_EQ(v, -1.0f);
    // Targets outside the sound are its ends; reads stay inside.
    for (int k = 0; k < 40; ++k) f.Fill(-5000, l.data(), r.data(), 50);
    EXPECT_DOUBLE_EQ(f.position, 0);
    for (int k = 0; k < 40; ++k) f.Fill(1 << 30, l.data(), r.data(), 50);
    EXPECT_DOUBLE_EQ(f.position, 999);
}

class ScrubPlayback : public ::testing::Test, public AudioFixtureState {};

TEST_F(ScrubPlayback, PlaysUntilTheDragEndsAndHoldsTheSamples) {
    UseFileDevice({44100});
    WaveRecord* r =
        MakeWave(20000, true, [](int c, uint32_t i) { return Out16(c ? 100 : int(i)); });
    ASSERT_EQ(StartScrub(*r, 100), kPlayOk);
    EXPECT_TRUE(Scrubbing());
    EXPECT_TRUE(PlaybackRunning());
    EXPECT_EQ(CurrentPlayerInfo().framesPerBuffer, 2048u);  // the small buffers
    EXPECT_EQ(gPlayPrefs.bufferSize, PlayPrefs{}.bufferSize);
    const int64_t before = CurrentPlayerInfo().framesWritten;
    ScrubTo(5000);
    // A few buffers after the pointer moved (the virtual clock runs at once).
    for (int i = 0; i < 2000 && CurrentPlayerInfo().framesWritten < before + 4 * 2048; ++i)
        usleep(500);
    // The samples are shared: freeing the editor's buffers leaves the scrub's.
    EXPECT_TRUE(BlockIsShared(r->leftSamples));
    StopScrub();
    EXPECT_FALSE(Scrubbing());
    EXPECT_FALSE(PlayerOpen());
    EXPECT_FALSE(BlockIsShared(r->leftSamples));
    WavData w;
    ASSERT_TRUE(ReadWav(out, w));
    ASSERT_EQ(w.channels, 2u);
    bool moved = false;
    for (size_t i = 0; i < w.Frames(); ++i) {
        ASSERT_LE(w.At(i, 0), 5000);
        if (w.At(i, 0) > 200) moved = true;
    }
    EXPECT_TRUE(moved);
    WaveRecord empty;
    EXPECT_EQ(StartScrub(empty, 0), kPlayBadRange);
}

}  // namespace
}  // namespace ob
