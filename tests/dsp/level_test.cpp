// Level and simple operations: the documented edge cases, the sox oracle,
// bit-identical samples outside the area and channel, bit-exact undo, and
// the macro-recorder lines.
#include "dsp/level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

#include "dsp/combine.h"
#include "dsp/insert.h"
#include "dsp/key_map.h"
#include "dsp/operation.h"
#include "dsp/simple.h"
#include "dsp/stereo.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

WaveRecord* FromValues(const std::vector<float>& values) {
    return MakeWave(uint32_t(values.size()), false, [&](int, uint32_t i) { return values[i]; });
}

TEST(Level, DocumentedCases) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = FromValues({0.6f, -0.1f});
    Gain(*w, {6.0});
    EXPECT_NEAR(w->leftSamples[0], 0.6 * 1.99526231, 1e-6);
    EXPECT_GT(w->leftSamples[0], 1.0f);  // no clipping

    w = FromValues({0.5f, -0.25f, 0.1f});
    Normalize(*w, {0.0});
    EXPECT_FLOAT_EQ(w->leftSamples[0], 1.0f);
    EXPECT_FLOAT_EQ(w->leftSamples[1], -0.5f);
    w = FromValues({0.0f, 0.0f});
    EXPECT_EQ(Normalize(*w, {0.0}), kEditDone);
    EXPECT_EQ(w->leftSamples[0], 0.0f);

    w = FromValues({0.9999999f, -0.5f});
    Maximize(*w);
    EXPECT_EQ(w->leftSamples[0], 0.9999999f);
    w = FromValues({1.5f, -0.75f});
    Maximize(*w);
    EXPECT_FLOAT_EQ(w->leftSamples[0], 0.99999976f);
    EXPECT_FLOAT_EQ(w->leftSamples[1], float(-0.75 * 0.99999976 / 1.5));
    w = FromValues({-0.5f, 0.25f});  // the negative peak counts
    Maximize(*w);
    EXPECT_FLOAT_EQ(w->leftSamples[0], -0.99999976f);

    w = MakeWave(100, true, [](int c, uint32_t) { return c ? -0.1f : 0.25f; });
    DcOffset(*w, {0.0, kDcPercent});
    EXPECT_EQ(w->leftSamples[50], 0.0f);
    EXPECT_NEAR(w->rightSamples[50], 0.0f, 1e-9);  // each channel removes its own mean
    w = FromValues({0.2f, 0.6f, -0.9f});
    DcOffset(*w, {16384, kDcSixteenBit});
    EXPECT_FLOAT_EQ(w->leftSamples[0], 0.7f);
    EXPECT_EQ(w->leftSamples[1], 1.0f);
    EXPECT_FLOAT_EQ(w->leftSamples[2], -0.4f);
    w = FromValues({-0.8f, 0.3f});
    DcOffset(*w, {-50.0, kDcPercent});
    EXPECT_EQ(w->leftSamples[0], -1.0f);
    EXPECT_FLOAT_EQ(w->leftSamples[1], -0.2f);

    w = FromValues({0.1f, 0.3f, 0.6f});
    Differentiate(*w);
    EXPECT_FLOAT_EQ(w->leftSamples[1], 0.2f);
    EXPECT_FLOAT_EQ(w->leftSamples[2], 0.3f);
    EXPECT_FLOAT_EQ(w->leftSamples[0], 0.1f);
    w = FromValues({0.1f, 0.2f, 0.3f});
    Integrate(*w);
    EXPECT_FLOAT_EQ(w->leftSamples[1], 0.3f);
    EXPECT_FLOAT_EQ(w->leftSamples[2], 0.6f);

    w = FromValues({1, 2, 3, 4, 5});
    Reverse(*w);
    EXPECT_EQ(Channel(*w, 0), (std::vector<float>{5, 4, 3, 2, 1}));
    w = FromValues({-0.5f, 0.5f});
    RectifyHalf(*w);
    EXPECT_EQ(Channel(*w, 0), (std::vector<float>{0.0f, 0.5f}));
    RectifyFull(*FromValues({-0.5f}));
    EXPECT_EQ(Unclip(*w, {0.0}), kEditRefused);
    EXPECT_EQ(Unclip(*w, {1.5}), kEditRefused);
}

TEST(Level, OutsideAreaAndChannelBitIdenticalAndUndoExact) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    gBackups = 4;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> l(120000), r(120000);
    for (auto& x : l) x = dist(rng);
    for (auto& x : r) x = dist(rng);
    WaveRecord* w = MakeWave(120000, true, [&](int c, uint32_t i) { return c ? r[i] : l[i]; });
    using Op = std::function<int(WaveRecord&)>;
    std::vector<Op> ops = {
        [](WaveRecord& x) { return Gain(x, {-4.0}); },
        [](WaveRecord& x) { return Normalize(x, {-2.0}); },
        [](WaveRecord& x) { return Maximize(x); },
        [](WaveRecord& x) {
            return DcOffset(x, {0.0, kDcPercent});
        },
        [](WaveRecord& x) { return Invert(x); },
        [](WaveRecord& x) { return RectifyFull(x); },
        [](WaveRecord& x) { return RectifyHalf(x); },
        [](WaveRecord& x) { return Mute(x); },
        [](WaveRecord& x) { return Reverse(x); },
        [](WaveRecord& x) { return Differentiate(x); },
        [](WaveRecord& x) { return Integrate(x); },
        [](WaveRecord& x) { return Unclip(x, {0.9}); },
    };
    gProcessing.smoothingOptions = kSmoothStart | kSmoothEnd;
    for (size_t k = 0; k < ops.size(); ++k) {
        SelectMouse(*w, 1000 + uint32_t(k), 40000, 1);
        ASSERT_EQ(ops[k](*w), kEditDone) << k;
        std::vector<float> nl = Channel(*w, 0);
        EXPECT_EQ(Channel(*w, 1), r) << k;
        EXPECT_TRUE(std::equal(l.begin(), l.begin() + 1000 + k, nl.begin())) << k;
        EXPECT_TRUE(std::equal(l.begin() + 41000 + k, l.end(), nl.begin() + 41000 + k)) << k;
        EXPECT_NE(nl, l) << k;
        ASSERT_EQ(Undo(*w), 0);
        EXPECT_EQ(Channel(*w, 0), l) << k;
        ASSERT_EQ(Redo(*w), 0);
        EXPECT_EQ(Channel(*w, 0), nl) << k;
        ASSERT_EQ(Undo(*w), 0);
    }
}

// ---- sox as the oracle ----

bool HaveSox() {
    return std::system("sox --version > /dev/null 2>&1") == 0;
}

std::vector<float> ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

std::vector<float> Sox(const std::vector<float>& in, const std::string& effect) {
    std::string dir = testing::TempDir();
    std::string src = dir + "orbick_sox_in.f32", dst = dir + "orbick_sox_out.f32";
    std::ofstream(src, std::ios::binary)
        .write(reinterpret_cast<const char*>(in.data()), std::streamsize(in.size() * 4));
    std::string cmd = "sox -D -t f32 -r 44100 -c 1 " + src + " -t f32 " + dst + " " + effect;
    if (std::system(cmd.c_str()) != 0) return {};
    std::vector<float> out = ReadRaw(dst);
    std::remove(src.c_str());
    std::remove(dst.c_str());
    return out;
}

TEST(Level, MatchesSox) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    std::vector<float> x(30000);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> dist(-0.45f, 0.4f);
    for (auto& v : x) v = dist(rng);
    struct Case {
        std::string effect;
        std::function<int(WaveRecord&)> op;
    } cases[] = {
        {"gain -6", [](WaveRecord& w) { return Gain(w, {-6.0}); }},
        {"gain 1.5", [](WaveRecord& w) { return Gain(w, {1.5}); }},
        {"reverse", [](WaveRecord& w) { return Reverse(w); }},
        {"dcshift 0.25",
         [](WaveRecord& w) {
             return DcOffset(w, {25.0, kDcPercent});
         }},
        {"dcshift -0.1",
         [](WaveRecord& w) {
             return DcOffset(w, {-10.0, kDcPercent});
         }},
        {"norm", [](WaveRecord& w) { return Normalize(w, {0.0}); }},
        {"norm -3", [](WaveRecord& w) { return Normalize(w, {-3.0}); }},
    };
    for (const Case& c : cases) {
        std::vector<float> want = Sox(x, c.effect);
        ASSERT_EQ(want.size(), x.size()) << c.effect;
        WaveRecord* w = FromValues(x);
        ASSERT_EQ(c.op(*w), kEditDone);
        double worst = 0;
        for (size_t i = 0; i < x.size(); ++i)
            worst = std::max(worst, std::fabs(double(w->leftSamples[i]) - want[i]));
        EXPECT_LE(worst, 1e-7) << c.effect;
        CloseEditor(w->editorNumber);
    }
}

TEST(Level, MacroLines) {
    EXPECT_EQ(GainMacroLine(3, {-6.0}), "obGain 3, -6.0\n");
    EXPECT_EQ(NormalizeMacroLine(1, {-0.25}), "obNormalize 1, -0.2\n");
    EXPECT_EQ(MaximizeMacroLine(2), "obMaximize 2\n");
    EXPECT_EQ(DcOffsetMacroLine(4, {10.0, kDcPercent}), "obDCOffset 4, 3276\n");
    EXPECT_EQ(DcOffsetMacroLine(4, {-16384.0, kDcSixteenBit}), "obDCOffset 4, -16384\n");
    EXPECT_EQ(SimpleMacroLine(kSimpleInvert, 5), "obInvert 5\n");
    EXPECT_EQ(SimpleMacroLine(kSimpleRectifyFull, 5), "obRectifyFull 5\n");
    EXPECT_EQ(SimpleMacroLine(kSimpleRectifyHalf, 5), "obRectifyHalf 5\n");
    EXPECT_EQ(SimpleMacroLine(kSimpleMute, 5), "obMute 5\n");
    EXPECT_EQ(SimpleMacroLine(kSimpleReverse, 5), "obReverse 5\n");
    EXPECT_EQ(SimpleMacroLine(kSimpleDifferentiate, 5), "obDifferentiate 5\n");
    EXPECT_EQ(SimpleMacroLine(kSimpleIntegrate, 5), "obIntegrate 5\n");
    EXPECT_EQ(UnclipMacroLine(6), "obUnClip 6\n");
    EXPECT_EQ(StereoToMonoMacroLine(1, {kStereoLeftPlusRight}), "obStereoMono 1, OB_SM_LPR\n");
    EXPECT_EQ(StereoToMonoMacroLine(1, {kStereoSwap}), "obStereoMono 1, OB_SM_SWAP\n");
    EXPECT_EQ(MonoToStereoMacroLine(1, {2}), "obMonoStereo 1, 2\n");
    EXPECT_EQ(KeyMapMacroLine(1, {10, 60, 90, 12}), "obKeyMap 1, 10, 60, 90\n");
    EXPECT_EQ(ReplicateMacroLine(2, {2.5, kReplicateRepetitions}),
              "obReplicate 2, 2.500, OB_REPLICATE_REPS\n");
    EXPECT_EQ(ReplicateMacroLine(2, {1.0, kReplicateMilliseconds}),
              "obReplicate 2, 1.000, OB_REPLICATE_MILLISECS\n");
    EXPECT_EQ(InsertSilenceMacroLine(1, {0.5, kInsertMilliseconds, kInsertAffectEnd, 0}),
              "obInsertSilence 1, 0.500000, OB_INSERT_MILLISECONDS, OB_INSERT_AFFECTEND\n");
    EXPECT_EQ(AppendMacroLine(1, {3, 0}), "obAppend 1, 3\n");
    EXPECT_EQ(CombineMacroLine(1, {2, 500, 1, 75.0}), "obCombine 1, 2, 500, 75\n");
}

TEST(Level, KeyMapAndName) {
    GlobalStateGuard guard;
    WaveRecord* w = FromValues({0.1f});
    SetKeyMap(*w, {-5, 200, 64, -80});
    EXPECT_EQ(w->keyLow, 0);
    EXPECT_EQ(w->keyRoot, 127);
    EXPECT_EQ(w->keyHigh, 64);
    EXPECT_EQ(w->fineTune, -50);
    SetWaveName(*w, std::string(100, 'n'));
    EXPECT_EQ(w->name.size(), 73u);
}

}  // namespace
}  // namespace ob
