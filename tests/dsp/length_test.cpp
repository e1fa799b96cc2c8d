// Length-changing and channel operations: replicate, insert silence, append,
// combine, stereo to mono, mono to stereo; memory refusals.
#include <gtest/gtest.h>

#include "dsp/combine.h"
#include "dsp/insert.h"
#include "dsp/operation.h"
#include "dsp/stereo.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

float Index(int c, uint32_t i) {
    return float(i) + (c ? 0.5f : 0.0f);
}

TEST(Length, ReplicateInsertsWholeCopiesAndARest) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    gBackups = 3;
    WaveRecord* w = MakeWave(300, true, Index);
    SelectMouse(*w, 100, 100, 1);
    ASSERT_EQ(Replicate(*w, {2.5, kReplicateRepetitions}), kEditDone);
    ASSERT_EQ(w->frameCount, 550u);
    for (int c = 0; c < 2; ++c) {  // both channels, whatever the edit channel
        std::vector<float> x = Channel(*w, c);
        float off = c ? 0.5f : 0.0f;
        EXPECT_EQ(x[199], 199 + off);
        EXPECT_EQ(x[200], 100 + off);  // first copy
        EXPECT_EQ(x[399], 199 + off);
        EXPECT_EQ(x[400], 100 + off);  // the first 50 of the area
        EXPECT_EQ(x[449], 149 + off);
        EXPECT_EQ(x[450], 200 + off);  // the samples after the area
        EXPECT_EQ(x[549], 299 + off);
    }
    EXPECT_EQ(Undo(*w), 0);
    EXPECT_EQ(w->frameCount, 300u);
    EXPECT_EQ(Channel(*w, 1)[299], 299.5f);
    EXPECT_EQ(Redo(*w), 0);
    EXPECT_EQ(w->frameCount, 550u);

    EXPECT_EQ(Replicate(*w, {0.0, kReplicateRepetitions}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Replication must be greater than 0");
    EXPECT_EQ(Replicate(*w, {-1.0, kReplicateSeconds}), kEditRefused);
    // Beyond 2^32 - 1 frames or the memory budget: refused, nothing changes.
    EXPECT_EQ(Replicate(*w, {1e9, kReplicateRepetitions}), kEditNoMemory);
    EXPECT_EQ(ui.LastBoxText(), "Not enough memory for this operation.\n");
    SetMemoryBudget(LargeBytesInUse() + 1000);
    EXPECT_EQ(Replicate(*w, {10, kReplicateRepetitions}), kEditNoMemory);
    SetMemoryBudget(0);
    EXPECT_EQ(w->frameCount, 550u);
}

TEST(Length, InsertSilenceUnitsAndPlaces) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(100, false, Index);
    ASSERT_EQ(InsertSilence(*w, {0.5, kInsertMilliseconds, kInsertSampleStart, 0}), kEditDone);
    EXPECT_EQ(w->frameCount, 122u);  // 0.5 ms at 44100 Hz: 22 frames
    EXPECT_EQ(w->leftSamples[21], 0.0f);
    EXPECT_EQ(w->leftSamples[22], 0.0f + 0);
    EXPECT_EQ(w->leftSamples[23], 1.0f);
    EXPECT_EQ(InsertSilence(*w, {0.01, kInsertMilliseconds, kInsertSampleStart, 0}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Silence area must be greater than 0 length");
    EXPECT_EQ(w->frameCount, 122u);
    ASSERT_EQ(InsertSilence(*w, {3, kInsertSamplePoints, kInsertSampleEnd, 0}), kEditDone);
    EXPECT_EQ(w->frameCount, 125u);
    EXPECT_EQ(w->leftSamples[121], 99.0f);
    EXPECT_EQ(w->leftSamples[124], 0.0f);
    ASSERT_EQ(InsertSilence(*w, {2, kInsertSamplePoints, kInsertAtPosition, 1000}), kEditDone);
    EXPECT_EQ(w->frameCount, 127u);  // a position past the end is the end
    SelectMouse(*w, 30, 10, 1);
    ASSERT_EQ(InsertSilence(*w, {1, kInsertSamplePoints, kInsertAffectEnd, 0}), kEditDone);
    EXPECT_EQ(w->leftSamples[39], 17.0f);
    EXPECT_EQ(w->leftSamples[40], 0.0f);
    EXPECT_EQ(w->leftSamples[41], 18.0f);
    EXPECT_EQ(SilenceFrames(1.0, kInsertSeconds, 48000), 48000u);
    EXPECT_EQ(InsertSilence(*w, {1e12, kInsertSamplePoints, 1, 0}), kEditNoMemory);
}

TEST(Length, AppendBothOrdersAndItself) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* a = MakeWave(3, true, Index);
    WaveRecord* b = MakeWave(2, false, [](int, uint32_t i) { return -1.0f - float(i); });
    ASSERT_EQ(Append(*a, {b->editorNumber, 1}), kEditDone);
    EXPECT_EQ(Channel(*a, 0), (std::vector<float>{0, 1, 2, -1, -2}));
    EXPECT_EQ(Channel(*a, 1), (std::vector<float>{0.5f, 1.5f, 2.5f, -1, -2}));
    ASSERT_EQ(Append(*b, {b->editorNumber, 0}), kEditDone);  // itself
    EXPECT_EQ(Channel(*b, 0), (std::vector<float>{-1, -2, -1, -2}));
    EXPECT_EQ(b->rightSamples, nullptr);
    EXPECT_EQ(Append(*a, {77, 1}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Non-existant Editor!");
    int empty = 0;
    ASSERT_EQ(CreateEditor(&empty), 0);
    EXPECT_EQ(Append(*a, {empty, 1}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Empty Wave!");
}

TEST(Length, CombineBuildsInTheDestinationOnly) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* dest = MakeWave(4, false, [](int, uint32_t) { return 1.0f; });
    WaveRecord* src = MakeWave(4, false, [](int, uint32_t) { return 0.5f; });
    ASSERT_EQ(Combine(*dest, {src->editorNumber, 2, 1, 100.0}), kEditDone);
    // mix 100: base x 0.999, source x 0.001; longer result.
    std::vector<float> want{float(0.999),
                            float(0.999),
                            float(0.5 * 0.001 + 0.999),
                            float(0.5 * 0.001 + 0.999),
                            float(0.5 * 0.001),
                            float(0.5 * 0.001)};
    EXPECT_EQ(Channel(*dest, 0), want);
    EXPECT_EQ(Channel(*src, 0), std::vector<float>(4, 0.5f));  // the source is only read

    // Order 0 makes the source the base: still written into the destination.
    WaveRecord* d2 = MakeWave(6, false, [](int, uint32_t) { return 1.0f; });
    ASSERT_EQ(Combine(*d2, {src->editorNumber, 1, 0, 25.0}), kEditDone);
    EXPECT_EQ(d2->frameCount, 7u);
    EXPECT_EQ(d2->leftSamples[0], float(0.5 * 0.75));
    EXPECT_EQ(d2->leftSamples[1], float(1.0 * 0.25 + 0.5 * 0.75));
    EXPECT_EQ(d2->leftSamples[6], float(1.0 * 0.25));
    EXPECT_EQ(Channel(*src, 0), std::vector<float>(4, 0.5f));
    EXPECT_EQ(Undo(*d2), 0);
    EXPECT_EQ(d2->frameCount, 6u);

    // A source that is the destination, a shorter overlap kept within length.
    WaveRecord* self = MakeWave(5, false, [](int, uint32_t i) { return float(i); });
    ASSERT_EQ(Combine(*self, {self->editorNumber, 0, 1, 50.0}), kEditDone);
    EXPECT_EQ(Channel(*self, 0), (std::vector<float>{0, 1, 2, 3, 4}));
    // An offset past the end appends.
    ASSERT_EQ(Combine(*self, {src->editorNumber, 99, 1, 50.0}), kEditDone);
    EXPECT_EQ(self->frameCount, 9u);
}

TEST(Length, CombineAbortLeavesTheSoundAsItWas) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* dest = MakeWave(50000, false, [](int, uint32_t) { return 0.25f; });
    WaveRecord* src = MakeWave(60000, false, [](int, uint32_t) { return 0.5f; });
    ui.abortAtProgress = 30;
    EXPECT_EQ(Combine(*dest, {src->editorNumber, 100, 1, 50.0}), kEditAborted);
    EXPECT_EQ(dest->frameCount, 50000u);
    EXPECT_EQ(Channel(*dest, 0), std::vector<float>(50000, 0.25f));
}

TEST(Channels, StereoToMonoChoices) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    auto make = [] { return MakeWave(2, true, [](int c, uint32_t) { return c ? 0.6f : 0.7f; }); };
    WaveRecord* w = make();
    ASSERT_EQ(StereoToMono(*w, {kStereoLeftPlusRight}), kEditDone);
    EXPECT_EQ(w->leftSamples[0], 1.0f);
    EXPECT_EQ(w->rightSamples, nullptr);
    EXPECT_EQ(StereoToMono(*w, {kStereoLeftPlusRight}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Wave is already mono");
    w = make();
    w->mouseChannels = 3;
    ASSERT_EQ(StereoToMono(*w, {kStereoKeepRight}), kEditDone);
    EXPECT_EQ(w->leftSamples[0], 0.6f);
    EXPECT_EQ(w->mouseChannels, 1u);
    w = make();
    ASSERT_EQ(StereoToMono(*w, {kStereoLeftMinusRight}), kEditDone);
    EXPECT_EQ(w->leftSamples[0], float(double(0.7f) - double(0.6f)));
    w = make();
    ASSERT_EQ(StereoToMono(*w, {kStereoSwap}), kEditDone);
    EXPECT_EQ(w->leftSamples[0], 0.6f);
    EXPECT_EQ(w->rightSamples[0], 0.7f);
    EXPECT_TRUE(w->stateFlags & kStateChanged);
    w = make();
    ASSERT_EQ(StereoToMono(*w, {42}), kEditDone);  // any other choice keeps the left
    EXPECT_EQ(w->leftSamples[0], 0.7f);
}

TEST(Channels, MonoToStereoRefusals) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(5, false, Index);
    EXPECT_EQ(MonoToStereo(*w, {150}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "No wave data or editor\nfor source material");
    ASSERT_EQ(MonoToStereo(*w, {w->editorNumber}), kEditDone);  // its own channel
    EXPECT_EQ(Channel(*w, 1), Channel(*w, 0));
    EXPECT_EQ(MonoToStereo(*w, {w->editorNumber}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Wave is already stereo");
}

}  // namespace
}  // namespace ob
