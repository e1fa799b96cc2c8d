// Loop crossfade in the core: refusals leave the wave and the history alone,
// the backup covers what changed wherever the affect area is, the overview
// and the change notice follow the changed frames, progress and status texts,
// abort, and the operation table entry (no recorder line). The sample values
// of every mode are checked against numpy in tests/macros/crossfade_macros.py.
#include "dsp/crossfade_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dsp/operation.h"
#include "dsp/operation_table.h"
#include "recording_ui.h"
#include "test_wave.h"

namespace ob {
namespace {

float Noise(int c, uint32_t i) {
    uint32_t h = (i + 1) * 2654435761u ^ uint32_t(c) * 40503u;
    h ^= h >> 13;
    return float(int(h % 20001) - 10000) / 11000.0f;
}

struct CrossfadeTest : ::testing::Test {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
};

TEST_F(CrossfadeTest, RefusalsReportAndChangeNothing) {
    WaveRecord* r = MakeWave(10000, true, Noise);
    ASSERT_TRUE(r);
    const std::vector<float> left = Channel(*r, 0);
    CrossfadeLoopParams p;
    // No loop at all, then a sustain loop but the release loop asked for.
    EXPECT_EQ(CrossfadeLoop(*r, p), kEditRefused);
    SetLoop(*r, 1000, 5000, 0, 3);
    r->sustainLoopId = 3;
    p.sustain = false;
    EXPECT_EQ(CrossfadeLoop(*r, p), kEditRefused);
    // s = 1 (a loop from frame 2), and a loop too short for the seam (s + 3 >= e).
    p.sustain = true;
    SetLoop(*r, 2, 5000, 0, 3);
    EXPECT_EQ(CrossfadeLoop(*r, p), kEditRefused);
    SetLoop(*r, 1000, 1002, 0, 3);
    EXPECT_EQ(CrossfadeLoop(*r, p), kEditRefused);
    for (const auto& box : ui.boxes) EXPECT_EQ(box.text, kTextCantCrossfade);
    EXPECT_EQ(ui.boxes.size(), 4u);
    EXPECT_EQ(Channel(*r, 0), left);
    EXPECT_EQ(r->undoHead, nullptr);
    EXPECT_EQ(r->stateFlags & kStateChanged, 0u);
}

TEST_F(CrossfadeTest, NoChannelDoesNothing) {
    WaveRecord* r = MakeWave(10000, false, Noise);
    SetLoop(*r, 1000, 5000, 0, 0);
    r->sustainLoopId = 0;
    gEditing.editChannel = 2;  // right only on a mono wave
    const std::vector<float> left = Channel(*r, 0);
    EXPECT_EQ(CrossfadeLoop(*r, CrossfadeLoopParams{}), kEditNothing);
    EXPECT_EQ(Channel(*r, 0), left);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CrossfadeTest, DocumentedStartFigures) {
    WaveRecord* r = MakeWave(10000, false, Noise);
    SetLoop(*r, 1000, 5000, 0, 0);
    r->sustainLoopId = 0;
    const std::vector<float> x = Channel(*r, 0);
    ASSERT_EQ(CrossfadeLoop(*r, CrossfadeLoopParams{}), kEditDone);
    for (int k = 0; k < 50; ++k) {
        const double w = (k + 1) / 50.0;
        EXPECT_NEAR(r->leftSamples[949 + k], (1 - w) * x[949 + k] + w * x[4950 + k], 1e-6) << k;
        const double v = 1.0 - k / 50.0;
        EXPECT_NEAR(r->leftSamples[999 + k], (1 - v) * x[999 + k] + v * x[5000 + k], 1e-6) << k;
    }
    for (uint32_t i = 0; i < 10000; ++i)
        if (i < 949 || i > 1048) ASSERT_EQ(r->leftSamples[i], x[i]) << i;
    // A full-strength rise ends on the source sample itself.
    EXPECT_FLOAT_EQ(r->leftSamples[998], x[4999]);
    EXPECT_FLOAT_EQ(r->leftSamples[999], x[5000]);
    // Progress 10, 60, 100; one undo step named "Crossfade Loop".
    EXPECT_NE(std::find(ui.progress.begin(), ui.progress.end(), 60), ui.progress.end());
    ASSERT_NE(r->undoHead, nullptr);
    EXPECT_STREQ(OperationName(r->undoHead->operation), "Crossfade Loop");
    EXPECT_EQ(r->undoHead->kind, uint32_t(kBackupWholeAllChannels));
}

// The backup holds every frame and channel the crossfade changed although the
// affect area (a few frames of the right channel, by mouse) lies elsewhere,
// and the wave is long enough for range backups.
TEST_F(CrossfadeTest, UndoIsExactWithTheAffectAreaElsewhere) {
    for (int area = 0; area < 3; ++area) {
        WaveRecord* r = MakeWave(300000, true, Noise);
        SetLoop(*r, 100000, 150000, 0, 7);
        r->releaseLoopId = 7;
        gBackups = 10;
        SelectMouse(*r, 250000, 100, 2);
        const std::vector<float> left = Channel(*r, 0), right = Channel(*r, 1);
        CrossfadeLoopParams p;
        p.area = area;
        p.amount = 4000;
        p.sustain = false;
        p.logarithmic = area == 1;
        ASSERT_EQ(CrossfadeLoop(*r, p), kEditDone) << area;
        EXPECT_NE(Channel(*r, 0), left);
        EXPECT_NE(Channel(*r, 1), right);
        ASSERT_EQ(Undo(*r, 1), 0) << area;
        EXPECT_EQ(Channel(*r, 0), left) << area;
        EXPECT_EQ(Channel(*r, 1), right) << area;
        CloseAllEditors();
        gEditing = EditingState{};
    }
}

TEST_F(CrossfadeTest, OverviewAndNoticeFollowTheChangedFrames) {
    WaveRecord* r = MakeWave(200000, false, Noise);
    SetLoop(*r, 60000, 150000, 0, 0);
    r->sustainLoopId = 0;
    gEditing.affectArea = kAffectMarkers;  // no markers: frame 0 only
    CrossfadeLoopParams p;
    p.area = kCrossfadeBoth;
    p.amount = 20000;
    ui.notices.clear();
    ASSERT_EQ(CrossfadeLoop(*r, p), kEditDone);
    const CrossfadeSpan span = CrossfadeLoopSpan(*r, p);
    EXPECT_EQ(span.first, 59999u - 20000u);
    EXPECT_EQ(span.end, 150000u + 20000u);
    // The overview the edit left equals one computed afresh from the samples.
    const std::vector<float> pairs(r->leftOverview.pairs,
                                   r->leftOverview.pairs + 2 * r->leftOverview.blocks);
    UpdateOverview(*r, 0, 0, 1);
    EXPECT_EQ(pairs, std::vector<float>(r->leftOverview.pairs,
                                        r->leftOverview.pairs + 2 * r->leftOverview.blocks));
    bool noticed = false;
    for (const ChangeNotice& n : ui.notices)
        if ((n.what & kChangeSamples) && n.firstFrame <= span.first && n.endFrame >= span.end)
            noticed = true;
    EXPECT_TRUE(noticed);
}

TEST_F(CrossfadeTest, StereoStatusTextsAndEditChannel) {
    WaveRecord* r = MakeWave(10000, true, Noise);
    SetLoop(*r, 1000, 5000, 0, 0);
    r->sustainLoopId = 0;
    ASSERT_EQ(CrossfadeLoop(*r, CrossfadeLoopParams{}), kEditDone);
    auto seen = [&](const char* text) {
        return std::find(ui.statusTexts.begin(), ui.statusTexts.end(), text) !=
               ui.statusTexts.end();
    };
    EXPECT_TRUE(seen("Processing Left Channel..."));
    EXPECT_TRUE(seen("Processing Right Channel..."));
    const std::vector<float> left = Channel(*r, 0);
    gEditing.editChannel = 2;
    ASSERT_EQ(CrossfadeLoop(*r, CrossfadeLoopParams{}), kEditDone);
    EXPECT_EQ(Channel(*r, 0), left);
}

TEST_F(CrossfadeTest, BothWithoutMemoryLeavesEverything) {
    WaveRecord* r = MakeWave(100000, false, Noise);
    SetLoop(*r, 20000, 90000, 0, 0);
    r->sustainLoopId = 0;
    const std::vector<float> left = Channel(*r, 0);
    CrossfadeLoopParams p;
    p.area = kCrossfadeBoth;
    p.amount = 10000;
    SetMemoryBudget(LargeBytesInUse() + 1000);
    const int result = CrossfadeLoop(*r, p);
    SetMemoryBudget(0);
    EXPECT_EQ(result, kEditNoMemory);
    EXPECT_EQ(ui.LastBoxText(), "Not enough memory for this operation.\n");
    EXPECT_EQ(Channel(*r, 0), left);
    EXPECT_EQ(r->undoHead, nullptr);
}

TEST_F(CrossfadeTest, LogarithmicEndRunsToTheEndAndAbortStops) {
    WaveRecord* r =
        MakeWave(50000, false, [](int, uint32_t i) { return i < 30000 ? 0.5f : -0.5f; });
    SetLoop(*r, 10000, 30000, 0, 0);
    r->sustainLoopId = 0;
    CrossfadeLoopParams p;
    p.area = kCrossfadeEnd;
    p.amount = 100;
    p.logarithmic = true;
    ASSERT_EQ(CrossfadeLoop(*r, p), kEditDone);
    // The fall keeps dividing its weight: the frames right after the seam
    // lean toward the loop start's level (0.5 against -0.5) and the lean dies
    // away.
    EXPECT_GT(r->leftSamples[30000], 0.4f);
    EXPECT_LT(r->leftSamples[30300], -0.49f);
    EXPECT_EQ(CrossfadeLoopSpan(*r, p).end, 50000u);

    WaveRecord* a = MakeWave(50000, false, Noise);
    SetLoop(*a, 10000, 30000, 0, 0);
    a->sustainLoopId = 0;
    ui.abortAtProgress = 60;
    EXPECT_EQ(CrossfadeLoop(*a, p), kEditAborted);
    EXPECT_FALSE(AbortRequested());
}

TEST_F(CrossfadeTest, OperationTableEntry) {
    const OperationEntry& e = Operation(kOperationCrossfadeLoop);
    EXPECT_EQ(e.info.command, 40917);
    EXPECT_EQ(e.info.dialog, kDialogCrossfade);
    EXPECT_STREQ(DialogGuardText(e.info.dialog), "Crossfade area already in use");
    EXPECT_EQ(e.macroLine, nullptr);  // nothing is recorded
    EXPECT_STREQ(e.info.scriptName, "obCrossfadeLoop");
    CrossfadeLoopParams p;
    e.defaults(&p);
    EXPECT_EQ(p.amount, 50);
    EXPECT_EQ(p.area, kCrossfadeStart);
    EXPECT_TRUE(p.sustain);
    EXPECT_FALSE(p.tailor || p.logarithmic);
    p.amount = 0;
    EXPECT_TRUE(e.validate(&p));
    EXPECT_EQ(p.amount, 1);
    p.amount = -1;
    EXPECT_FALSE(e.validate(&p));
    p.amount = 5;
    p.area = 3;
    EXPECT_FALSE(e.validate(&p));
}

}  // namespace
}  // namespace ob
