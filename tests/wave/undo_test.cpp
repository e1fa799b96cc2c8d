// Undo backups and the edit history: the cases that catch real faults.
#include "wave/undo.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dsp/level.h"
#include "dsp/simple.h"
#include "dsp/stereo.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"
#include "tests/wave/overview_reference.h"

namespace ob {
namespace {

float Ramp(int channel, uint32_t i) {
    return float(i % 1000) / 1000.0f - (channel ? 0.25f : 0.5f);
}

TEST(Undo, SingleLevelToggles) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(1000, false, Ramp);
    std::vector<float> original = Channel(*w, 0);
    ASSERT_EQ(Gain(*w, {6.0}), 0);
    std::vector<float> edited = Channel(*w, 0);
    ASSERT_NE(original, edited);
    EXPECT_EQ(BackupCount(*w), 1u);
    EXPECT_TRUE(CanUndo(*w));
    EXPECT_TRUE(CanRedo(*w));  // setting 1: the single backup serves both
    EXPECT_EQ(Undo(*w), kUndoDone);
    EXPECT_EQ(Channel(*w, 0), original);
    EXPECT_EQ(Undo(*w), kUndoDone);  // the second undo restores the edit
    EXPECT_EQ(Channel(*w, 0), edited);
    EXPECT_EQ(Redo(*w), kUndoDone);
    EXPECT_EQ(Channel(*w, 0), original);
    EXPECT_EQ(w->undoPosition, 0u);
}

TEST(Undo, TrimsToDepthAndNewEditDropsRedoSteps) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(3);
    WaveRecord* w = MakeWave(1000, false, Ramp);
    std::vector<std::vector<float>> states{Channel(*w, 0)};
    for (int i = 0; i < 4; ++i) {
        Gain(*w, {1.0});
        states.push_back(Channel(*w, 0));
    }
    EXPECT_EQ(BackupCount(*w), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Undo(*w), kUndoDone);
    EXPECT_EQ(Channel(*w, 0), states[1]);  // the oldest step was trimmed
    EXPECT_FALSE(CanUndo(*w));
    EXPECT_EQ(Undo(*w), kUndoNothing);
    EXPECT_EQ(ui.LastBoxText(), "Can't Undo at this point");
    EXPECT_TRUE(CanRedo(*w));
    EXPECT_EQ(Redo(*w, 2), kUndoDone);
    EXPECT_EQ(Channel(*w, 0), states[3]);
    Invert(*w);  // a new edit discards the undone step
    EXPECT_EQ(BackupCount(*w), 3u);
    EXPECT_EQ(w->undoPosition, 0u);
    EXPECT_FALSE(CanRedo(*w));
    EXPECT_EQ(UndoHistoryLines(*w), (std::vector<std::string>{"Invert", "Gain", "Gain"}));
    for (int i = 0; i < 3; ++i) Undo(*w);
    Mute(*w);
    EXPECT_EQ(UndoHistoryLines(*w), (std::vector<std::string>{"Silence"}));
}

TEST(Undo, ChangingTheDepthWithUndoneSteps) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(5);
    WaveRecord* w = MakeWave(1000, false, Ramp);
    Gain(*w, {1.0});  // oldest
    Invert(*w);
    Reverse(*w);
    Differentiate(*w);
    Integrate(*w);  // newest
    ASSERT_EQ(BackupCount(*w), 5u);
    Undo(*w, 2);
    EXPECT_EQ(w->undoPosition, 2u);
    std::vector<float> now = Channel(*w, 0);
    SetBackupDepth(2);  // drops the two undone steps, then the oldest
    EXPECT_EQ(UndoHistoryLines(*w), (std::vector<std::string>{"Reverse", "Invert"}));
    EXPECT_EQ(w->undoPosition, 0u);
    EXPECT_EQ(Channel(*w, 0), now);
    SetBackupDepth(-4);
    EXPECT_EQ(gBackups, 0u);
    EXPECT_EQ(BackupCount(*w), 0u);
    SetBackupDepth(5000);
    EXPECT_EQ(gBackups, 1000u);
    EXPECT_EQ(BackupsMacroLine(7), "obBackups 7\n");
}

// Undo and redo hand the overview saved with a step back with its coarse
// level: range steps and whole-wave steps, on both channels.
TEST(Undo, OverviewAndItsCoarseLevelFollowUndoAndRedo) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(5);
    gBackups = 5;
    WaveRecord* w = MakeWave(300123, true, Ramp);
    auto matches = [&] {
        return OverviewMatches(w->leftSamples, w->frameCount, w->leftOverview) &&
               OverviewMatches(w->rightSamples, w->frameCount, w->rightOverview);
    };
    ASSERT_TRUE(matches());
    SelectMouse(*w, 150001, 7000, 3);  // a range step in the middle
    ASSERT_EQ(Gain(*w, {12.0}), 0);
    EXPECT_EQ(BackupAt(*w, 0)->kind, kBackupRange);
    EXPECT_TRUE(matches());
    SelectMouse(*w, 0, 300123, 3);  // a whole-wave step
    ASSERT_EQ(Gain(*w, {-20.0}), 0);
    EXPECT_TRUE(matches());
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(Undo(*w), kUndoDone);
        EXPECT_TRUE(matches()) << "undo " << i;
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(Redo(*w), kUndoDone);
        EXPECT_TRUE(matches()) << "redo " << i;
    }
    CloseEditor(w->editorNumber);
}

TEST(Undo, RangeOrWholeWaveByLengthAndSetting) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(5);
    struct Case {
        uint32_t frames, area;
        uint32_t backups;
        uint32_t kind, length;
    } cases[] = {
        {40000, 100, 5, kBackupWholeEditChannels, 40000},  // too short for a range
        {200000, 100, 5, kBackupRange, 100},
        {100000, 50000, 5, kBackupRange, 50000},  // exactly half
        {100000, 50001, 5, kBackupWholeEditChannels, 100000},
        {49999, 10, 5, kBackupWholeEditChannels, 49999},
        {50000, 10, 5, kBackupRange, 10},
        {200000, 100, 1, kBackupWholeEditChannels, 200000},  // setting 1 never uses ranges
    };
    for (const Case& c : cases) {
        gBackups = c.backups;
        WaveRecord* w = MakeWave(c.frames, true, Ramp);
        SelectMouse(*w, 7, c.area, 2);
        std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        Gain(*w, {-3.0});
        const UndoBackup* b = BackupAt(*w, 0);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->kind, c.kind) << c.frames << " " << c.area;
        EXPECT_EQ(b->length, c.length) << c.frames << " " << c.area;
        EXPECT_EQ(b->channels, 2u);
        EXPECT_EQ(b->left, nullptr);
        EXPECT_EQ(Channel(*w, 0), left);  // edit channel outside the mouse channels untouched
        EXPECT_EQ(Undo(*w), kUndoDone);
        EXPECT_EQ(Channel(*w, 1), right);
        EXPECT_EQ(Redo(*w), kUndoDone);
        EXPECT_NE(Channel(*w, 1), right);
        CloseEditor(w->editorNumber);
    }
}

TEST(Undo, MonoToStereoAndBack) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(4);
    WaveRecord* w = MakeWave(3000, false, Ramp);
    WaveRecord* source = MakeWave(2000, false, [](int, uint32_t i) { return float(i) * 1e-4f; });
    ASSERT_EQ(MonoToStereo(*w, {source->editorNumber}), 0);
    ASSERT_NE(w->rightSamples, nullptr);
    std::vector<float> right = Channel(*w, 1);
    EXPECT_FLOAT_EQ(right[1999], 1999e-4f);
    EXPECT_EQ(right[2000], 0.0f);
    EXPECT_EQ(Undo(*w), kUndoDone);
    EXPECT_EQ(w->rightSamples, nullptr);
    EXPECT_EQ(Redo(*w), kUndoDone);
    ASSERT_NE(w->rightSamples, nullptr);
    EXPECT_EQ(Channel(*w, 1), right);
    EXPECT_EQ(UndoHistoryLines(*w)[0], "Mono to Stereo");

    std::vector<float> left = Channel(*w, 0);
    ASSERT_EQ(StereoToMono(*w, {kStereoLeftPlusRight}), 0);
    EXPECT_EQ(w->rightSamples, nullptr);
    EXPECT_EQ(Undo(*w), kUndoDone);
    EXPECT_EQ(Channel(*w, 0), left);
    EXPECT_EQ(Channel(*w, 1), right);
    EXPECT_EQ(Redo(*w), kUndoDone);
    EXPECT_EQ(w->rightSamples, nullptr);
}

TEST(Undo, LoopsAndMarkersStayWhereTheyAre) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(2);  // range backups need a depth of 2 or more
    WaveRecord* w = MakeWave(200000, false, Ramp);
    SetLoop(*w, 100, 5000, 0, 1);
    SetMarker(*w, 300, 0, "a");
    SelectMouse(*w, 1000, 500, 1);
    std::vector<float> original = Channel(*w, 0);
    Invert(*w);
    EXPECT_EQ(BackupAt(*w, 0)->kind, uint32_t(kBackupRange));
    SetLoop(*w, 2000, 9000, 0, 1);
    SetMarker(*w, 700, 0, nullptr);
    EXPECT_EQ(Undo(*w), kUndoDone);
    EXPECT_EQ(Channel(*w, 0), original);
    EXPECT_EQ(FindLoop(*w, 1)->start, 2000u);
    EXPECT_EQ(FindLoop(*w, 1)->end, 9000u);
    EXPECT_EQ(FindMarker(*w, 0)->position, 700u);
}

// The view (start, span, level) is part of the exchange: undo shows the
// passage as it was before the edit, redo as it was after it, for range and
// whole-wave backups alike.
TEST(Undo, RestoresTheView) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(4);
    WaveRecord* w = MakeWave(200000, false, Ramp);
    for (bool range : {true, false}) {
        if (range)
            SelectMouse(*w, 1000, 500, 1);
        else
            gEditing.affectArea = kAffectAll;
        w->viewStart = 12345;
        w->viewSpan = 777;
        w->viewLevelCentre = -100;
        w->viewLevelSpan = 4000;
        Invert(*w);
        EXPECT_EQ(BackupAt(*w, 0)->kind, uint32_t(range ? kBackupRange : kBackupWholeEditChannels));
        w->viewStart = 50000;
        w->viewSpan = 99;
        w->viewLevelCentre = 7;
        w->viewLevelSpan = 100;
        ASSERT_EQ(Undo(*w), kUndoDone);
        EXPECT_EQ(w->viewStart, 12345u);
        EXPECT_EQ(w->viewSpan, 777u);
        EXPECT_EQ(w->viewLevelCentre, -100);
        EXPECT_EQ(w->viewLevelSpan, 4000);
        ASSERT_EQ(Redo(*w), kUndoDone);
        EXPECT_EQ(w->viewStart, 50000u);
        EXPECT_EQ(w->viewSpan, 99u);
        EXPECT_EQ(w->viewLevelCentre, 7);
        EXPECT_EQ(w->viewLevelSpan, 100);
    }
}

TEST(Undo, WholeWaveExchangeSwapsBuffersWithoutCopying) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(44100 * 60, true, Ramp);  // one minute of stereo
    std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
    ASSERT_EQ(Gain(*w, {-6.0}), 0);
    std::vector<float> editedLeft = Channel(*w, 0);
    AllocationStats before = GetAllocationStats();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Undo(*w), kUndoDone);
        ASSERT_EQ(Redo(*w), kUndoDone);
    }
    ASSERT_EQ(Undo(*w), kUndoDone);
    AllocationStats after = GetAllocationStats();
    EXPECT_EQ(after.largeAllocations, before.largeAllocations);
    EXPECT_EQ(after.largeBytes, before.largeBytes);
    EXPECT_EQ(Channel(*w, 0), left);
    EXPECT_EQ(Channel(*w, 1), right);
    ASSERT_EQ(Redo(*w), kUndoDone);
    EXPECT_EQ(Channel(*w, 0), editedLeft);
}

TEST(Undo, FailedBackupDropsHistoryAndExchangesCheckBounds) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(5);
    WaveRecord* w = MakeWave(200000, false, Ramp);
    SelectMouse(*w, 150000, 1000, 1);
    Invert(*w);
    Gain(*w, {2.0});
    ASSERT_EQ(BackupCount(*w), 2u);

    // No memory for the next backup: the edit goes on and the history goes.
    SetMemoryBudget(LargeBytesInUse() + 100);
    gEditing.affectArea = kAffectAll;
    EXPECT_EQ(MakeBackup(*w, kOpGain, kBackupRange), kBackupNoMemory);
    SetMemoryBudget(0);
    EXPECT_EQ(ui.LastBoxText(), "Could not create backup for Undo");
    EXPECT_EQ(BackupCount(*w), 0u);

    // A range backup that no longer fits the wave is refused, not overrun.
    SelectMouse(*w, 150000, 1000, 1);
    Invert(*w);
    ASSERT_EQ(BackupAt(*w, 0)->kind, uint32_t(kBackupRange));
    w->frameCount = 100000;  // the length changed behind the history's back
    EXPECT_EQ(Undo(*w), kUndoError);
    EXPECT_EQ(ui.LastBoxText(), "Error processing Undo");
    w->frameCount = 200000;
    EXPECT_EQ(Undo(*w), kUndoDone);
}

TEST(Undo, HistoryListChoosesSteps) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    SetBackupDepth(10);
    WaveRecord* w = MakeWave(500, false, Ramp);
    std::vector<float> original = Channel(*w, 0);
    Gain(*w, {1.0});
    Invert(*w);
    Reverse(*w);
    RectifyFull(*w);
    EXPECT_EQ(UndoHistoryLines(*w),
              (std::vector<std::string>{"Rectify Fullwave", "Reverse", "Invert", "Gain"}));
    EXPECT_EQ(UndoHistoryPreselected(*w), 0u);
    EXPECT_EQ(UndoHistoryChoose(w, 0), kUndoDone);  // newest line, nothing undone: one undo
    EXPECT_EQ(w->undoPosition, 1u);
    EXPECT_EQ(UndoHistoryChoose(w, 3), kUndoDone);  // back through the oldest
    EXPECT_EQ(w->undoPosition, 4u);
    EXPECT_EQ(Channel(*w, 0), original);
    HistoryChoice c = UndoHistoryStepsFor(*w, 1);
    EXPECT_FALSE(c.undo);
    EXPECT_EQ(c.steps, 3u);
    EXPECT_EQ(UndoHistoryChoose(w, 1), kUndoDone);
    EXPECT_EQ(w->undoPosition, 1u);
    EXPECT_EQ(UndoHistoryChoose(w, 9), kUndoNoChoice);
    EXPECT_EQ(ui.LastBoxText(), "No wave or undo to process");
    EXPECT_EQ(UndoHistoryChoose(nullptr, 0), kUndoNoChoice);
}

TEST(Undo, OperationNamesAsUsersSeeThem) {
    EXPECT_STREQ(OperationName(1), "Sytem Cut");
    EXPECT_STREQ(OperationName(52), "Impluse Modeling");
    EXPECT_STREQ(OperationName(58), "Three Dimension");
    EXPECT_STREQ(OperationName(59), "Unspecified");
    EXPECT_STREQ(OperationName(14), "EQ: Bass & Treble");
}

TEST(Undo, NoWaveMessages) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord empty;
    EXPECT_EQ(Undo(empty), kUndoNoWave);
    EXPECT_EQ(ui.LastBoxText(), "No wave here to Undo.");
    EXPECT_EQ(Redo(empty), kUndoNoWave);
    EXPECT_EQ(ui.LastBoxText(), "No wave here to Redo.");
    EXPECT_EQ(MakeBackup(empty, 0, 2), kBackupNone);
}

}  // namespace
}  // namespace ob
