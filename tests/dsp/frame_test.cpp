// The processing frame: channel walk, status texts, progress, abort,
// edit-and-play, elapsed time, dialog guard, message reporting.
#include "dsp/frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/dialog_guard.h"
#include "dsp/level.h"
#include "dsp/operation.h"
#include "dsp/simple.h"
#include "dsp/smoothing.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"
#include "wave/record_report.h"

namespace ob {
namespace {

float Quarter(int, uint32_t) {
    return 0.25f;
}

TEST(Frame, ChannelWalkFollowsAffectChannels) {
    GlobalStateGuard guard;
    WaveRecord* stereo = MakeWave(10, true, Quarter);
    WaveRecord* mono = MakeWave(10, false, Quarter);
    bool more = false, right = false;
    EXPECT_EQ(NextEditChannel(*stereo, more, &right), stereo->leftSamples);
    EXPECT_TRUE(more);
    EXPECT_EQ(NextEditChannel(*stereo, more, &right), stereo->rightSamples);
    EXPECT_TRUE(right);
    EXPECT_FALSE(more);

    gEditing.editChannel = kEditRight;
    more = false;
    EXPECT_EQ(NextEditChannel(*mono, more), nullptr);  // mono, right only: nothing
    EXPECT_EQ(NextEditChannel(*stereo, more), stereo->rightSamples);
    EXPECT_FALSE(more);

    // Affect area Mouse: the mouse channels decide, not the edit channel.
    gEditing.editChannel = kEditLeftRight;
    SelectMouse(*stereo, 0, 5, 2);
    more = false;
    EXPECT_EQ(NextEditChannel(*stereo, more), stereo->rightSamples);
    EXPECT_FALSE(more);
    // Any other affect area ignores an old mouse selection.
    gEditing.affectArea = kAffectAll;
    gEditing.editChannel = kEditLeft;
    more = false;
    EXPECT_EQ(NextEditChannel(*stereo, more), stereo->leftSamples);
    EXPECT_FALSE(more);
}

TEST(Frame, StatusTextsAndProgress) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(100, true, Quarter);
    ASSERT_EQ(Gain(*w, {1.0}), kEditDone);
    std::vector<std::string> expected{"Processing...", "Processing Left Channel...",
                                      "Processing Right Channel..."};
    ASSERT_GE(ui.statusTexts.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(ui.statusTexts.begin(), ui.statusTexts.begin() + 3),
              expected);
    EXPECT_EQ(ui.statusTexts.back().rfind("Elapsed Time: ", 0), 0u);
    EXPECT_EQ(ui.StepsSeen(), 40);  // 20 steps per channel
    EXPECT_EQ(ui.progress.back(), 0);
    EXPECT_EQ(ui.waitPointerOn, 1);
    EXPECT_EQ(ui.waitPointerOff, 1);
    EXPECT_TRUE(w->stateFlags & kStateChanged);

    ui.statusTexts.clear();
    ui.progress.clear();
    gEditing.editChannel = kEditLeft;
    SelectMouse(*w, 3, 1, 1);  // one sample: interval 0, no steps
    ASSERT_EQ(Gain(*w, {6.0}), kEditDone);
    EXPECT_EQ(ui.statusTexts[0], "Processing...");
    EXPECT_EQ(ui.statusTexts.size(), 2u);  // a single channel shows no channel text
    EXPECT_EQ(ui.StepsSeen(), 0);
    EXPECT_FLOAT_EQ(w->leftSamples[3], float(0.25 * 1.1220184543019633 * std::pow(10.0, 0.3)));

    EXPECT_EQ(ProgressPercent(0, 10), 0);
    EXPECT_EQ(ProgressPercent(5, 0), 0);
    EXPECT_EQ(ProgressPercent(15, 10), 100);
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(20000000, 40000000), 50);
    EXPECT_EQ(ProgressPercent(4000000000ull, 4000000000ull), 100);
    EXPECT_STREQ(EditStatusText(7), " ");
    EXPECT_STREQ(EditStatusText(1), "Ready");
    EXPECT_EQ(ElapsedTimeText(2345), "Elapsed Time: 2.3 seconds");
    EXPECT_EQ(ElapsedTimeText(0), "Elapsed Time: 0.0 seconds");
}

TEST(Frame, AbortKeepsPartialResultAndUndoRestores) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    gProcessing.abortable = true;
    WaveRecord* w = MakeWave(100000, true, Quarter);
    std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
    ui.abortAtProgress = 50;
    EXPECT_EQ(Invert(*w), kEditAborted);
    EXPECT_EQ(ui.abortWindowsStarted, 1);
    EXPECT_EQ(ui.abortWindowsStopped, 1);
    EXPECT_FALSE(AbortRequested());  // EndEdit clears it
    EXPECT_EQ(w->leftSamples[0], -0.25f);
    EXPECT_EQ(w->leftSamples[99999], 0.25f);
    EXPECT_EQ(Channel(*w, 1), right);  // the right channel never started
    EXPECT_TRUE(w->stateFlags & kStateChanged);
    ui.abortAtProgress = -1;
    EXPECT_EQ(Undo(*w), 0);
    EXPECT_EQ(Channel(*w, 0), left);

    // Length-changing operations switch the abort window off.
    gProcessing.abortable = true;
    EditToken token = BeginEdit(w, kOpReplicate, kBackupWholeAllChannels, false);
    EXPECT_FALSE(token.abortWindow);
    EndEdit(token);
    EXPECT_EQ(ui.abortWindowsStarted, 1);
}

int gPlayed = 0;
void CountPlay(WaveRecord&) {
    ++gPlayed;
}

TEST(Frame, EditAndPlayHookAndNoWave) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(10, false, Quarter);
    gEditAndPlayHook = CountPlay;
    Invert(*w);
    EXPECT_EQ(gPlayed, 0);
    gProcessing.editAndPlay = true;
    Invert(*w);
    EXPECT_EQ(gPlayed, 1);
    gEditAndPlayHook = nullptr;
    WaveRecord empty;
    EXPECT_FALSE(BeginEdit(&empty, kOpGain, kBackupRange));
    EXPECT_EQ(Gain(empty, {1.0}), kEditNothing);
    EXPECT_EQ(ui.statusTexts.size(), 4u);  // two edits, nothing for the empty one
}

TEST(Frame, EndEditTidiesLoopsAndMarkers) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(1000, false, Quarter);
    SetMarker(*w, 900, 3, nullptr);
    SetLoop(*w, 100, 900, 0, 0);
    w->frameCount = 500;  // as a length-changing edit would leave it
    EditToken token = BeginEdit(w, kOpGain, kBackupWholeAllChannels);
    EndEdit(token);
    EXPECT_EQ(FindMarker(*w, 3), nullptr);
    ASSERT_NE(FindLoop(*w, 0), nullptr);
    EXPECT_EQ(FindLoop(*w, 0)->end, 499u);
    w->frameCount = 1000;
}

TEST(Frame, DialogGuard) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = MakeWave(10, false, Quarter);
    int runs = 0;
    EXPECT_TRUE(OpenProcessDialog(w, kDialogGain, [&] {
        ++runs;
        EXPECT_TRUE(DialogInUse(kDialogGain));
        EXPECT_FALSE(OpenProcessDialog(w, kDialogGain, [&] { ++runs; }));
    }));
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(DialogInUse(kDialogGain));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Gain area already in use.");
    EXPECT_EQ(ui.boxes[0].caption, TitleOf(*w));
    EXPECT_STREQ(DialogGuardText(kDialogAm), "AM already in use");
    EXPECT_STREQ(DialogGuardText(kDialogViewOptions), "View Options already in use");
    EXPECT_STREQ(DialogGuardText(kDialogStatistics), "Statistics area already in use");
    EXPECT_STREQ(DialogGuardText(kDialogReplicate), "Replicate already open");
    SetDialogInUse(kDialogBackups, true);
    EXPECT_FALSE(OpenProcessDialog(nullptr, kDialogBackups, [] {}));
    EXPECT_EQ(ui.boxes.back().caption, "Sample Orbick");
    EXPECT_EQ(ui.boxes.back().text, "Backups area already open");
    SetDialogInUse(kDialogBackups, false);
    for (int d = 0; d < kDialogCount; ++d)
        EXPECT_NE(std::string(DialogGuardText(ProcessDialog(d))).find("already"),
                  std::string::npos);
}

TEST(Messages, ReportingByMessageType) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    ReportMessage(nullptr, "Cap", "boxed");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Cap");
    gMessageType = kMsgTypeStatus;
    ReportMessage(nullptr, "Cap", "status");
    EXPECT_EQ(ui.statusTexts.back(), "status");
    gMessageType = kMsgTypeFile;
    ReportMessage(nullptr, "Cap", "dropped");  // no file open: dropped silently
    std::string path = testing::TempDir() + "orbick_messages.txt";
    ASSERT_TRUE(OpenMessageFile(path));
    ReportMessage(nullptr, "Cap", "one");
    ReportMessage(nullptr, "Cap", kTextNoMemory);
    EXPECT_TRUE(WriteMessageFile("raw"));
    CloseMessageFile();
    EXPECT_FALSE(WriteMessageFile("after close"));
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_EQ(all.str(), "one\nNot enough memory for this operation.\n\nraw");
    ASSERT_TRUE(OpenMessageFile(path));  // truncates
    CloseMessageFile();
    std::ifstream again(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), "");
    std::remove(path.c_str());
    gMessageType = kMsgTypeNone;
    ReportMessage(nullptr, "Cap", "nothing");
    gMessageType = 9;
    ReportMessage(nullptr, "Cap", "nothing");
    EXPECT_EQ(ui.boxes.size(), 1u);

    gMessageType = kMsgTypeBox;
    ReportEditorMissing();
    EXPECT_EQ(ui.boxes.back().caption, "Internal Error");
    EXPECT_EQ(ui.boxes.back().text, "Wave Editor not available.\n");
    ReportNotAvailable();
    EXPECT_EQ(ui.boxes.back().text, "This item is not yet available.\n");
    ReportSystemError(2);
    EXPECT_EQ(ui.boxes.back().caption, "System Error Msg:");
    EXPECT_FALSE(ui.boxes.back().text.empty());
}

TEST(Messages, BatchInterfaceWritesCaptionAndText) {
    BatchUserInterface batch;
    testing::internal::CaptureStderr();
    batch.MessageBox(nullptr, "Title", "No wave data here.\n");
    batch.MessageBox(nullptr, "Title", "plain");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Title: No wave data here.\nTitle: plain\n");
    EXPECT_EQ(batch.Ask(nullptr, "c", "t", kButtonsYesNoCancel, kAnswerNo), kAnswerNo);
}

}  // namespace
}  // namespace ob

namespace ob {
namespace {

TEST(Smoothing, LengthAndWhenNothingIsCaptured) {
    EXPECT_EQ(SmoothingLength(44100, 10, 100000), 441u);
    EXPECT_EQ(SmoothingLength(44100, 10, 600), 300u);
    EXPECT_EQ(SmoothingLength(44100, 10, 1), 0u);
    EXPECT_EQ(SmoothingLength(200000, 1000000, 4000000000u), 200000000u);
    GlobalStateGuard guard;
    WaveRecord* w = MakeWave(1000, true, [](int, uint32_t) { return 0.5f; });
    SmoothingEdges edges;
    CaptureSmoothing(*w, {0, 1000}, 0, 10, edges);  // no option
    EXPECT_EQ(edges.n, 0u);
    CaptureSmoothing(*w, {900, 200}, kSmoothStart, 10, edges);  // past the end
    EXPECT_EQ(edges.n, 0u);
    gEditing.editChannel = kEditRight;
    CaptureSmoothing(*w, {0, 1000}, kSmoothStart | kSmoothEnd, 10, edges);
    EXPECT_EQ(edges.n, 441u);
    EXPECT_EQ(edges.channels, 2u);
    EXPECT_EQ(edges.head[0], nullptr);
    ASSERT_NE(edges.tail[1], nullptr);
    for (uint32_t i = 0; i < 1000; ++i) w->rightSamples[i] = 1.0f;  // "processed"
    ApplySmoothing(*w, edges);
    EXPECT_EQ(w->rightSamples[0], 0.5f);    // w = 1: unprocessed
    EXPECT_EQ(w->rightSamples[441], 1.0f);  // past the start edge
    EXPECT_EQ(w->rightSamples[558], 1.0f);  // before the end edge
    EXPECT_EQ(w->rightSamples[559], 1.0f);  // end edge starts at w = 0
    EXPECT_FLOAT_EQ(w->rightSamples[999], float(1.0 - 440.0 / 441 * 0.5));
    EXPECT_EQ(w->leftSamples[0], 0.5f);
}

}  // namespace
}  // namespace ob

namespace ob {
namespace {

TEST(EditResults, EveryCodeHasItsText) {
    EXPECT_STREQ(EditResultText(kEditDone), "Done");
    EXPECT_STREQ(EditResultText(kEditNoMemory), "Not enough memory for this operation.\n");
    for (int code = 0; code < kEditResultCount; ++code) EXPECT_STRNE(EditResultText(code), "");
    EXPECT_STREQ(EditResultText(-1), "Unknown result");
    EXPECT_STREQ(EditResultText(kEditResultCount), "Unknown result");
}

}  // namespace
}  // namespace ob
