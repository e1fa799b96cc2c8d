// Keyboard notes through the file device: pitch by the distance from the
// root key, the key range, the sustain loop while held, and the release.
#include <gtest/gtest.h>

#include "tests/audio/audio_test_support.h"

namespace ob {
namespace {

// Lets a number of waits pass, then holds the playback thread until given more.
class CountdownClock : public AudioClock {
  public:
    int64_t NowNs() override { return now_.load(); }
    void WaitUntilNs(int64_t ns, const std::atomic<bool>& cancel) override {
        while (budget.load() <= 0 && !cancel.load()) {
            blocked = true;
            usleep(200);
        }
        blocked = false;
        budget.fetch_sub(1);
        int64_t current = now_.load();
        while (current < ns && !now_.compare_exchange_weak(current, ns)) {
        }
    }
    std::atomic<int> budget{0};
    std::atomic<bool> blocked{false};

  private:
    std::atomic<int64_t> now_{0};
};

class Notes : public ::testing::Test, public AudioFixtureState {
  protected:
    WaveRecord* Ramp(uint32_t frames) {
        WaveRecord* r = MakeWave(frames, false, [](int, uint32_t i) { return Out16(int(i)); });
        r->keyLow = 48;
        r->keyHigh = 84;
        r->keyRoot = 60;
        return r;
    }
    WavData Output() {
        WavData w;
        EXPECT_TRUE(ReadWav(out, w));
        return w;
    }
};

TEST_F(Notes, AnOctaveAboveTheRootPlaysAtTwiceTheSpeed) {
    UseFileDevice({44100});
    WaveRecord* r = Ramp(3000);
    ASSERT_EQ(PlayNote(*r, 72), kPlayOk);
    EXPECT_EQ(CurrentPlayerInfo().playRate, 88200u);
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w = Output();
    for (size_t i = 0; i < 1500; ++i) ASSERT_EQ(w.At(i), int32_t(2 * i)) << i;
    for (size_t i = 1500; i < w.Frames(); ++i) ASSERT_EQ(w.At(i), 0) << i;
    // The root key plays at the sound's own rate; keys outside the map play nothing.
    ASSERT_EQ(PlayNote(*r, 60), kPlayOk);
    EXPECT_EQ(CurrentPlayerInfo().playRate, 44100u);
    StopPlay();
    EXPECT_EQ(PlayNote(*r, 85), kNoteOutsideKeyRange);
    EXPECT_EQ(PlayNote(*r, 47), kNoteOutsideKeyRange);
    EXPECT_FALSE(PlayerOpen());
}

TEST_F(Notes, AHeldNoteLoopsTheSustainLoopAndTheReleasePlaysTheTail) {
    auto clock = std::make_shared<CountdownClock>();
    UseFileDevice({}, clock);
    gPlayPrefs.bufferSize = 1;  // 4096 frames a buffer
    gPlayPrefs.iterations = 1;
    WaveRecord* r = Ramp(2000);
    ASSERT_TRUE(SetLoop(*r, 500, 999, 0, 0));
    r->sustainLoopId = 0;
    ASSERT_EQ(PlayNote(*r, 60), kPlayOk);
    clock->budget = 6;  // eight buffers in all: far more than the sound without the loop
    while (!clock->blocked.load() || clock->budget.load() > 0) usleep(200);
    ReleaseNote();
    clock->budget = 1 << 30;
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w = Output();
    // 0..999, then 500..999 again and again, then from the loop on to the end.
    size_t i = 0;
    for (; i < 1000; ++i) ASSERT_EQ(w.At(i), int32_t(i));
    size_t loops = 0;
    while (i + 500 <= w.Frames() && w.At(i) == 500 && w.At(i + 499) == 999 &&
           (i + 500 >= w.Frames() || w.At(i + 500) == 500)) {
        for (size_t k = 0; k < 500; ++k) ASSERT_EQ(w.At(i + k), int32_t(500 + k));
        i += 500;
        ++loops;
    }
    EXPECT_GE(loops, size_t(8 * 4096 / 500 - 3));
    // The last pass runs through 999 and on to the sound's end.
    for (size_t k = 0; k < 1500; ++k) ASSERT_EQ(w.At(i + k), int32_t(500 + k)) << k;
    for (size_t k = i + 1500; k < w.Frames(); ++k) ASSERT_EQ(w.At(k), 0);
}

TEST_F(Notes, ReleaseGoesOnIntoTheReleaseLoop) {
    auto clock = std::make_shared<CountdownClock>();
    UseFileDevice({}, clock);
    gPlayPrefs.bufferSize = 1;
    gPlayPrefs.iterations = 2;
    WaveRecord* r = Ramp(3000);
    ASSERT_TRUE(SetLoop(*r, 500, 999, 0, 0));
    ASSERT_TRUE(SetLoop(*r, 2000, 2499, 0, 1));
    r->sustainLoopId = 0;
    r->releaseLoopId = 1;
    ASSERT_EQ(PlayNote(*r, 60), kPlayOk);
    while (!clock->blocked.load()) usleep(200);
    ReleaseNote();
    clock->budget = 1 << 30;
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w = Output();
    // The end of the output: 2000..2499 twice after running up to the release loop.
    size_t n = w.Frames();
    while (n > 0 && w.At(n - 1) == 0) --n;
    ASSERT_GT(n, 1000u);
    for (size_t k = 0; k < 500; ++k) {
        ASSERT_EQ(w.At(n - 1000 + k), int32_t(2000 + k));
        ASSERT_EQ(w.At(n - 500 + k), int32_t(2000 + k));
    }
    EXPECT_EQ(w.At(n - 1001), 1999);
}

}  // namespace
}  // namespace ob
