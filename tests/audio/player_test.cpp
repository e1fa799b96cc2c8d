// The player through the file device: what reaches the device for play all,
// affect and loops (iterations, forward-backward travel), transposition,
// attenuation, a rate the device lacks, 24-bit output, channels, the range
// and block entry points, and shared ownership of the played samples.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/play_fill.h"
#include "tests/audio/audio_test_support.h"

namespace ob {
namespace {

class Player : public ::testing::Test, public AudioFixtureState {
  protected:
    // A mono (or stereo) sound whose 16-bit output of frame i is i (right: -i).
    WaveRecord* Ramp(uint32_t frames, bool stereo = false, uint32_t rate = 44100) {
        return MakeWave(
            frames, stereo, [](int c, uint32_t i) { return Out16(c ? -int(i) : int(i)); }, rate);
    }
    // Plays by one of the commands' set-ups and returns the device's file.
    WavData Play(WaveRecord& record, bool whole, bool loop, int* setUp = nullptr) {
        int s = SetUpPlay(record, whole, loop);
        if (setUp) *setUp = s;
        EXPECT_EQ(StartPlay(), kPlayOk);
        EXPECT_TRUE(WaitForPlaybackEnd());
        StopPlay();
        WavData w;
        EXPECT_TRUE(ReadWav(out, w));
        return w;
    }
    // The first n frames of channel c, and a check that the rest is silence.
    static std::vector<int32_t> Played(const WavData& w, size_t n, uint32_t c = 0) {
        std::vector<int32_t> v;
        for (size_t i = 0; i < n && i < w.Frames(); ++i) v.push_back(w.At(i, c));
        for (size_t i = n; i < w.Frames(); ++i)
            if (w.At(i, c) != 0) {
                ADD_FAILURE() << "sound after the end at frame " << i;
                break;
            }
        return v;
    }
    static std::vector<int32_t> Span(int from, int to) {  // inclusive, either direction
        std::vector<int32_t> v;
        for (int i = from;; i += from <= to ? 1 : -1) {
            v.push_back(i);
            if (i == to) break;
        }
        return v;
    }
    static std::vector<int32_t> Join(std::initializer_list<std::vector<int32_t>> parts) {
        std::vector<int32_t> v;
        for (auto& p : parts) v.insert(v.end(), p.begin(), p.end());
        return v;
    }
};

TEST_F(Player, PlayAllWritesEverySampleOnceThenSilenceAndAValidHeader) {
    UseFileDevice();
    WaveRecord* r = Ramp(5000);
    WavData w = Play(*r, true, false);
    EXPECT_EQ(w.tag, 1u);
    EXPECT_EQ(w.channels, 1u);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(w.bits, 16u);
    EXPECT_EQ(Played(w, 5000), Span(0, 4999));
    // Medium buffers: 32768 bytes = 16384 mono frames; the sound fits in one.
    EXPECT_EQ(w.Frames(), 16384u);
    EXPECT_EQ(w.dataSize, 16384u * 2);
    EXPECT_EQ(w.riffSize + 8, w.fileSize);
    PlayerInfo info = CurrentPlayerInfo();
    EXPECT_EQ(info.step, kFractionOne);
    EXPECT_EQ(info.result, kPlayOk);
}

TEST_F(Player, StereoPlaysBothChannelsAndChannelChoicesPickOne) {
    UseFileDevice();
    WaveRecord* r = Ramp(3000, true);
    WavData w = Play(*r, true, false);
    ASSERT_EQ(w.channels, 2u);
    EXPECT_EQ(Played(w, 3000, 0), Span(0, 2999));
    EXPECT_EQ(Played(w, 3000, 1), Span(0, -2999));

    gPlayPrefs.channel = 2;  // Right Only
    w = Play(*r, true, false);
    ASSERT_EQ(w.channels, 1u);
    EXPECT_EQ(Played(w, 3000), Span(0, -2999));

    // Right Only on a mono sound selects no channel: the left one plays.
    WaveRecord* mono = Ramp(100);
    int setUp = -1;
    w = Play(*mono, true, false, &setUp);
    EXPECT_EQ(setUp, kSetUpLeftChosen);
    EXPECT_EQ(Played(w, 100), Span(0, 99));
}

TEST_F(Player, SustainLoopPlaysThroughThenTwiceMoreAndStopsAtItsEnd) {
    UseFileDevice();
    WaveRecord* r = Ramp(1000);
    ASSERT_TRUE(SetLoop(*r, 100, 199, 0, 0));
    r->sustainLoopId = 0;
    gPlayPrefs.iterations = 3;
    WavData w = Play(*r, true, false);
    EXPECT_EQ(Played(w, 400), Join({Span(0, 199), Span(100, 199), Span(100, 199)}));
    EXPECT_EQ(CurrentPlayerInfo().loopKind, kLoopSustain);

    // One-Shot ignores the loop; iterations 0 and 1 both play once.
    gPlayPrefs.loopChoice = 1;
    w = Play(*r, true, false);
    EXPECT_EQ(Played(w, 1000), Span(0, 999));
    gPlayPrefs.loopChoice = 0;
    gPlayPrefs.iterations = 0;
    w = Play(*r, true, false);
    EXPECT_EQ(Played(w, 200), Span(0, 199));
}

TEST_F(Player, ForwardBackwardLoopTurnsAtBothEnds) {
    UseFileDevice();
    WaveRecord* r = Ramp(1000);
    ASSERT_TRUE(SetLoop(*r, 100, 199, 1, 0));  // the loop's own type: forward-backward
    r->sustainLoopId = 0;
    gPlayPrefs.iterations = 3;
    WavData w = Play(*r, true, false);
    EXPECT_TRUE(CurrentPlayerInfo().pingPong);
    EXPECT_EQ(Played(w, 200 + 99 + 99), Join({Span(0, 199), Span(198, 100), Span(101, 199)}));

    // Loop Direction Forward overrides the loop's type.
    gPlayPrefs.loopDirection = 1;
    w = Play(*r, true, false);
    EXPECT_EQ(Played(w, 400), Join({Span(0, 199), Span(100, 199), Span(100, 199)}));
}

TEST_F(Player, ReleaseLoopAndAutoChoice) {
    UseFileDevice();
    WaveRecord* r = Ramp(600);
    ASSERT_TRUE(SetLoop(*r, 300, 349, 0, 1));
    r->releaseLoopId = 1;
    gPlayPrefs.iterations = 2;
    // Auto without a valid sustain loop takes the release loop.
    WavData w = Play(*r, true, false);
    EXPECT_EQ(CurrentPlayerInfo().loopKind, kLoopRelease);
    EXPECT_EQ(Played(w, 400), Join({Span(0, 349), Span(300, 349)}));
}

TEST_F(Player, PlayAffectPlaysExactlyTheAreaLoopedAsAWhole) {
    UseFileDevice();
    WaveRecord* r = Ramp(1000);
    SelectMouse(*r, 200, 50, kEditLeft);
    gPlayPrefs.iterations = 2;
    WavData w = Play(*r, false, false);
    EXPECT_EQ(CurrentPlayerInfo().loopKind, kLoopAffectRange);
    EXPECT_EQ(Played(w, 100), Join({Span(200, 249), Span(200, 249)}));

    gPlayPrefs.loopDirection = 2;  // forward-backward: back from the end, then forward
    gPlayPrefs.iterations = 3;
    w = Play(*r, false, false);
    EXPECT_EQ(Played(w, 50 + 49 + 49), Join({Span(200, 249), Span(248, 200), Span(201, 249)}));
}

TEST_F(Player, PlayLoopLoopsTheWholeSound) {
    UseFileDevice();
    WaveRecord* r = Ramp(300);
    gPlayPrefs.iterations = 2;
    WavData w = Play(*r, true, true);
    EXPECT_EQ(CurrentPlayerInfo().loopKind, kLoopWholeRange);
    EXPECT_EQ(Played(w, 600), Join({Span(0, 299), Span(0, 299)}));
}

TEST_F(Player, RangeEntryPlaysForwardOrBackwardAndRefusesBadRanges) {
    UseFileDevice();
    WaveRecord* r = Ramp(1000);
    ASSERT_EQ(PlayRange(*r, 500, 400, kEditLeft), kPlayOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w;
    ASSERT_TRUE(ReadWav(out, w));
    EXPECT_EQ(Played(w, 101), Span(500, 400));
    // Backward to frame 0 ends there, never below.
    ASSERT_EQ(PlayRange(*r, 3, 0, kEditLeft), kPlayOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    ASSERT_TRUE(ReadWav(out, w));
    EXPECT_EQ(Played(w, 4), Span(3, 0));

    EXPECT_EQ(PlayRange(*r, 0, 1000, kEditLeft), kPlayBadRange);
    EXPECT_EQ(PlayRange(*r, -1, 10, kEditLeft), kPlayBadRange);
    EXPECT_EQ(PlayRange(*r, 0, 10, kEditRight), kPlayBadRange);  // mono: no such channel
    EXPECT_FALSE(PlayerOpen());
}

TEST_F(Player, TranspositionDoublesTheStepWhenTheDeviceLacksTheRate) {
    UseFileDevice({44100});
    WaveRecord* r = Ramp(2000);
    gPlayPrefs.transpose = 12;  // 88200 Hz, which the device lacks: 44100 with step 2
    WavData w = Play(*r, true, false);
    EXPECT_EQ(w.rate, 44100u);
    PlayerInfo info = CurrentPlayerInfo();
    EXPECT_EQ(info.playRate, 88200u);
    EXPECT_EQ(info.step, 2 * kFractionOne);
    std::vector<int32_t> expected;
    for (int i = 0; i < 2000; i += 2) expected.push_back(i);
    EXPECT_EQ(Played(w, 1000), expected);

    // A device that takes the transposed rate plays it exactly.
    UseFileDevice();
    WaveRecord* slow = Ramp(100, false, 22050);
    w = Play(*slow, true, false);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(Played(w, 100), Span(0, 99));
}

TEST_F(Player, MissingRateIsInterpolatedAtTheFallbackRate) {
    UseFileDevice({44100, 48000});
    // 46000 Hz is not listed: the device plays at 44100 and the player interpolates.
    WaveRecord* r = MakeWave(
        4000, false, [](int, uint32_t i) { return float(std::sin(i * 0.01) * 0.8); }, 46000);
    WavData w = Play(*r, true, false);
    EXPECT_EQ(w.rate, 44100u);
    PlayerInfo info = CurrentPlayerInfo();
    int64_t frac = int64_t(1900) * 8192 / 44100;  // (46000 mod 44100) * 8192 / 44100
    ASSERT_EQ(info.step, kFractionOne + frac);
    // Reference: position p in 1/8192 frames, a + (b - a) * fraction, to 16 bits.
    size_t compared = 0;
    int64_t p = 0;
    for (size_t i = 0; i < w.Frames(); ++i, p += info.step) {
        int64_t index = p >> 13;
        if (index > 3999) break;
        double a = r->leftSamples[index];
        double b = index + 1 <= 3999 ? r->leftSamples[index + 1] : r->leftSamples[0];
        double x = a + (b - a) * double(p & 8191) / 8192.0;
        EXPECT_NEAR(w.At(i), std::trunc(x * 32767.0), 1.0) << "frame " << i;
        ++compared;
    }
    EXPECT_GT(compared, 3800u);
    // The 22050 Hz example: fine tune +50 gives 22696 Hz; at 22050 the fractional step is 240.
    EXPECT_EQ(PlayRate(22050, 50, 0), 22696u);
    WaveRecord* tuned = Ramp(100, false, 22050);
    tuned->fineTune = 50;
    UseFileDevice({22050});
    Play(*tuned, true, false);
    EXPECT_EQ(CurrentPlayerInfo().step, kFractionOne + 240);
    // Neither the rate nor its fallback: "cannot meet the requested capabilities".
    UseFileDevice({48000});
    ASSERT_EQ(SetUpPlay(*tuned, true, false), kSetUpOk);
    EXPECT_EQ(StartPlay(), kPlayCannotMeet);
    EXPECT_FALSE(PlayerOpen());
}

TEST_F(Player, LockTo44kPlaysEveryRateAt44100) {
    UseFileDevice();
    gPlayPrefs.flags |= kPlayLock44k;
    WaveRecord* r = Ramp(100, false, 22050);
    WavData w = Play(*r, true, false);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(CurrentPlayerInfo().step, kFractionOne / 2);
}

TEST_F(Player, AttenuationShiftsTheOutputValues) {
    UseFileDevice();
    WaveRecord* r =
        MakeWave(10, false, [](int, uint32_t i) { return i ? Out16(-20000) : Out16(20000); });
    gPlayPrefs.attenuation = 12;
    WavData w = Play(*r, true, false);
    EXPECT_EQ(w.At(0), 5000);
    EXPECT_EQ(w.At(1), -5000);
    gPlayPrefs.attenuation = 18;
    w = Play(*r, true, false);
    EXPECT_EQ(w.At(0), 2500);
}

TEST_F(Player, TwentyFourBitOutputUsesThirtyTwoBitContainers) {
    UseFileDevice();
    gPlayPrefs.flags |= kPlay24Bit;
    WaveRecord* r = MakeWave(4, false, [](int, uint32_t i) {
        const float v[4] = {1.2f, 0.5f, -1.5f, 0.0f};
        return v[i];
    });
    WavData w = Play(*r, true, false);
    EXPECT_EQ(w.bits, 32u);
    EXPECT_EQ(w.validBits, 24u);
    EXPECT_EQ(w.At(0), int32_t(8388352u << 8));
    EXPECT_EQ(w.At(1), int32_t(uint32_t(4194176) << 8));
    EXPECT_EQ(w.At(2), int32_t(uint32_t(-8388608) << 8));
    EXPECT_EQ(w.At(3), 0);
    // The buffer holds as many frames as the 16-bit one (its bytes doubled).
    EXPECT_EQ(w.Frames(), 16384u);
    EXPECT_EQ(ToOutput16(1.2f), 32767);
    EXPECT_EQ(ToOutput16(-1.2f), -32768);
}

TEST_F(Player, BlocksFromAFillFunctionPlayInOrder) {
    UseFileDevice();
    int next = 0;
    const int total = 70000;  // several buffers and pulls
    ASSERT_EQ(PlayBlocks(44100, 2,
                         [&](float* left, float* right, uint32_t frames) {
                             uint32_t n = std::min<uint32_t>(frames, uint32_t(total - next));
                             for (uint32_t i = 0; i < n; ++i) {
                                 left[i] = Out16((next + int(i)) % 30000);
                                 right[i] = Out16(-((next + int(i)) % 30000));
                             }
                             next += int(n);
                             return n;
                         }),
              kPlayOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w;
    ASSERT_TRUE(ReadWav(out, w));
    ASSERT_GE(w.Frames(), size_t(total));
    for (int i = 0; i < total; ++i) {
        ASSERT_EQ(w.At(size_t(i), 0), i % 30000) << i;
        ASSERT_EQ(w.At(size_t(i), 1), -(i % 30000)) << i;
    }
    for (size_t i = total; i < w.Frames(); ++i) ASSERT_EQ(w.At(i, 0), 0);
}

TEST_F(Player, EditsAndClosingTheEditorNeverTouchWhatIsPlaying) {
    auto gate = std::make_shared<GateClock>();
    UseFileDevice({}, gate);
    gPlayPrefs.bufferSize = 1;  // 4096 mono frames a buffer
    WaveRecord* r = Ramp(30000);
    float* original = r->leftSamples;
    ASSERT_EQ(SetUpPlay(*r, true, false), kSetUpOk);
    ASSERT_EQ(StartPlay(), kPlayOk);
    EXPECT_TRUE(BlockIsShared(original));
    // An in-place edit gets its own copy; the player keeps the old samples.
    ASSERT_TRUE(UnshareSamples(*r));
    EXPECT_NE(r->leftSamples, original);
    for (uint32_t i = 0; i < r->frameCount; ++i) r->leftSamples[i] = 0.0f;
    // Closing the editor frees its buffers; the player's reference keeps them.
    CloseEditor(r->editorNumber);
    gate->open = true;
    ASSERT_TRUE(WaitForPlaybackEnd());
    StopPlay();
    WavData w;
    ASSERT_TRUE(ReadWav(out, w));
    EXPECT_EQ(Played(w, 30000), Span(0, 29999));
}

TEST_F(Player, PositionFollowsTheDeviceAndFoldsIntoTheLoop) {
    FillState st;
    st.rangeStart = 0;
    st.rangeCount = 1000;
    st.loopKind = kLoopSustain;
    st.loopStart = 100;
    st.loopEnd = 199;
    st.iterationsLeft = 3;
    FillBounds b = BoundsOf(st, 1000);
    EXPECT_EQ(PositionReadout(st, b, 150, 10000), 150);
    EXPECT_EQ(PositionReadout(st, b, 150, 100), 100);  // never beyond what was written
    EXPECT_EQ(PositionReadout(st, b, 199 + 30, 10000), 130);
    st.pingPong = true;
    EXPECT_EQ(PositionReadout(st, b, 199 + 30, 10000), 169);  // travelling back from the end

    auto gate = std::make_shared<GateClock>();
    UseFileDevice({}, gate);
    WaveRecord* r = Ramp(100000);
    ASSERT_EQ(SetUpPlay(*r, true, false), kSetUpOk);
    ASSERT_EQ(StartPlay(), kPlayOk);
    int64_t at = -1;
    ASSERT_TRUE(PlayPosition(&at));
    EXPECT_EQ(at, 0);
    EXPECT_EQ(PlayedEditor(), r->editorNumber);
    gate->open = true;
    ASSERT_TRUE(WaitForPlaybackEnd());
    ASSERT_TRUE(PlayPosition(&at));
    EXPECT_EQ(at, 99999);
    StopPlay();
    EXPECT_FALSE(PlayPosition(&at));
    gPlayPrefs.flags = 0;  // Show Position off
    ASSERT_EQ(SetUpPlay(*r, true, false), kSetUpOk);
    ASSERT_EQ(StartPlay(), kPlayOk);
    EXPECT_FALSE(PlayPosition(&at));
}

TEST_F(Player, ResultTextsAndDeviceErrors) {
    EXPECT_STREQ(PlayResultText(0), "Playback was successful.");
    EXPECT_STREQ(PlayResultText(7),
                 "Audio device cannot meet the requested capabilities.\nTry alternate Playback "
                 "Preferences.");
    EXPECT_STREQ(PlayResultText(42), "Internal Audio Error.");
    EXPECT_EQ(PlayResultOfDevice(kDeviceBadId), kPlayBadDevice);
    EXPECT_EQ(PlayResultOfDevice(kDeviceNoDriver), kPlayBadDevice);
    EXPECT_EQ(PlayResultOfDevice(kDeviceAllocated), kPlayDeviceAllocated);
    EXPECT_EQ(PlayResultOfDevice(kDeviceNoMemory), kPlayNoMemory);
    EXPECT_EQ(PlayResultOfDevice(kDeviceBadFormat), kPlayUnsupportedFormat);
    EXPECT_EQ(PlayResultOfDevice(kDeviceFailed), kPlayInternal);
    // A sound with no data does nothing.
    WaveRecord* empty = gEditorSlots[0];
    EXPECT_EQ(SetUpPlay(*empty, true, false), kSetUpNoSound);
}

TEST_F(Player, PlayRateSnapsNearStandardRates) {
    EXPECT_EQ(PlayRate(22050, 0, 12), 44100u);
    EXPECT_EQ(PlayRate(44101, 0, 0), 44100u);
    EXPECT_EQ(PlayRate(47999, 0, 0), 48000u);
    EXPECT_EQ(PlayRate(11013, 0, 0), 11014u);
    EXPECT_EQ(PlayRate(44102, 0, 0), 44102u);
    EXPECT_EQ(FallbackDeviceRate(33076, false), 44100u);
    EXPECT_EQ(FallbackDeviceRate(33075, false), 22050u);
    EXPECT_EQ(FallbackDeviceRate(16537, false), 11025u);
    EXPECT_EQ(FallbackDeviceRate(8000, true), 44100u);
}

}  // namespace
}  // namespace ob
