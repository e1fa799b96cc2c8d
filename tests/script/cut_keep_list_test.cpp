// The Cut or Keep List's pieces that the batch test cannot reach: the file
// name rule, the sections, running out of memory, an abort, a failed file,
// and the recorder line.
#include "script/cut_keep_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/progress.h"
#include "script/recorder.h"
#include "script/script_api.h"
#include "script_support.h"
#include "wave/clips.h"
#include "wave/memory.h"

namespace ob::test {
namespace {

class CutKeepTest : public ScriptTest {
  protected:
    void TearDown() override {
        SetMemoryBudget(0);
        ClearAbort();
        ScriptTest::TearDown();
    }
};

std::vector<float> Ramp(size_t n) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = float(i) / float(n);
    return v;
}

TEST(SectionFilePath, DotOfTheNameOnlyAndNeverCut) {
    EXPECT_EQ(SectionFilePath("/a/take.wav", 3, kFormatWav16), "/a/take.3.wav");
    EXPECT_EQ(SectionFilePath("/a.b/take", 1, kFormatAiff16), "/a.b/take.1.aif");
    EXPECT_EQ(SectionFilePath("/a.b/.hidden", 2, kFormatWav32), "/a.b/.hidden.2.wav");
    EXPECT_EQ(SectionFilePath("take.x.wav", 12, kFormatAu), "take.x.12.au");
    EXPECT_EQ(SectionFilePath("", 1, kFormatWav16), "");
    const std::string longPath = "/" + std::string(300, 'p') + "/" + std::string(250, 'n') + ".wav";
    const std::string made = SectionFilePath(longPath, 1, kFormatWav16);
    EXPECT_EQ(made, longPath.substr(0, longPath.size() - 4) + ".1.wav");
}

TEST_F(CutKeepTest, SectionsArePairsOfDistinctSortedPositions) {
    WaveRecord& r = MakeEditor(1, Ramp(1000));
    for (auto [id, pos] : {std::pair{0, 300}, {1, 100}, {2, 200}, {3, 200}, {4, 5000}})
        SetMarker(r, uint32_t(pos), id, nullptr);
    // 5000 is clamped to 999: positions 100, 200, 300, 999.
    const std::vector<CutSection> s = MarkerSections(r);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].first, 100u);
    EXPECT_EQ(s[0].last, 200u);
    EXPECT_EQ(s[1].first, 300u);
    EXPECT_EQ(s[1].last, 999u);
    DeleteMarker(r, 4);
    EXPECT_EQ(MarkerSections(r).size(), 1u);  // the single 300 is ignored
}

TEST_F(CutKeepTest, RefusalsChangeNothing) {
    BoxRecorder ui;
    WaveRecord& r = MakeEditor(1, Ramp(1000));
    EXPECT_EQ(CutKeepList(r, kCutKeepCut), kCutKeepNoSections);
    SetMarker(r, 10, 0, nullptr);
    SetMarker(r, 20, 1, nullptr);
    EXPECT_EQ(CutKeepList(r, 3), kCutKeepBadMode);
    r.filePath.clear();
    EXPECT_EQ(CutKeepList(r, kCutKeepFiles), kCutKeepNoPath);
    EXPECT_EQ(NextUsedEditor(2), 0);
    // The script function reports and answers 0.
    EXPECT_EQ(obCutKeepList(1, kCutKeepFiles), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("no file name"), std::string::npos);
    EXPECT_EQ(obCutKeepList(1, 7), 0);
    EXPECT_EQ(ui.boxes.size(), 1u);  // its own argument check is silent
}

TEST_F(CutKeepTest, NoMemoryLeavesNoEditorAndTheWaveIntact) {
    WaveRecord& r = MakeEditor(1, Ramp(100000), Ramp(100000));
    SetMarker(r, 10, 0, nullptr);
    SetMarker(r, 20, 1, nullptr);
    SetMemoryBudget(LargeBytesInUse() + 1000);
    CutKeepOutcome outcome;
    EXPECT_EQ(CutKeepList(r, kCutKeepCut, &outcome), kCutKeepNoMemory);
    EXPECT_EQ(outcome.newEditor, 0);
    EXPECT_EQ(NextUsedEditor(2), 0);
    EXPECT_EQ(r.frameCount, 100000u);
    EXPECT_STREQ(CutKeepResultText(kCutKeepNoMemory), "Not enough memory for this operation.\n");
}

TEST_F(CutKeepTest, SectionsBecomeClipsWithTheirOwnSamples) {
    WaveRecord& r = MakeEditor(1, Ramp(1000), Ramp(1000));
    Clip* before = NewClip("kept");
    ASSERT_NE(before, nullptr);
    DefineClip(*before, r, 0, 4);
    SetActiveClip(r, before);
    SetMarker(r, 10, 0, nullptr);
    SetMarker(r, 19, 1, nullptr);
    SetMarker(r, 500, 2, nullptr);
    SetMarker(r, 599, 3, nullptr);
    CutKeepOutcome outcome;
    ASSERT_EQ(CutKeepList(r, kCutKeepClips, &outcome), kCutKeepDone);
    EXPECT_EQ(outcome.sectionsDone, 2);
    EXPECT_EQ(ActiveClip(r), before);
    Clip* first = FindClipByName("Editor 1: Clip 1");
    Clip* second = FindClipByName("Editor 1: Clip 2");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->number, 2u);
    EXPECT_EQ(second->number, 3u);
    ASSERT_EQ(first->length, 10u);
    ASSERT_EQ(second->length, 100u);
    ASSERT_TRUE(first->leftCopy && first->rightCopy && second->leftCopy && second->rightCopy);
    const std::vector<float> ramp = Ramp(1000);
    // The copies outlive a change of the wave.
    std::fill(r.leftSamples, r.leftSamples + 1000, 0.0f);
    for (uint32_t i = 0; i < 100; ++i) {
        ASSERT_EQ(second->leftCopy[i], ramp[500 + i]);
        ASSERT_EQ(second->rightCopy[i], ramp[500 + i]);
    }
    for (uint32_t i = 0; i < 10; ++i) ASSERT_EQ(first->leftCopy[i], ramp[10 + i]);
    EXPECT_FALSE(r.stateFlags & kStateChanged);
    // Without memory for a copy no half-made clip stays.
    const size_t clips = AllClips().size();
    SetMemoryBudget(LargeBytesInUse() + 16);
    EXPECT_EQ(CutKeepList(r, kCutKeepClips, &outcome), kCutKeepNoMemory);
    EXPECT_EQ(AllClips().size(), clips);
    SetMemoryBudget(0);
    EraseAllClips();
}

TEST_F(CutKeepTest, CutKeepsRateNameAndMarksChanged) {
    WaveRecord& r = MakeEditor(1, Ramp(1000), {}, 22050);
    r.name = "drums";
    SetMarker(r, 0, 0, nullptr);
    SetMarker(r, 9, 1, nullptr);
    SetMarker(r, 990, 2, nullptr);
    SetMarker(r, 999, 3, nullptr);
    CutKeepOutcome outcome;
    ASSERT_EQ(CutKeepList(r, kCutKeepCut, &outcome), kCutKeepDone);
    ASSERT_GT(outcome.newEditor, 1);
    WaveRecord& c = *gEditorSlots[outcome.newEditor];
    ASSERT_EQ(c.frameCount, 980u);
    EXPECT_EQ(c.rightSamples, nullptr);
    for (uint32_t i = 0; i < 980; ++i) ASSERT_EQ(c.leftSamples[i], r.leftSamples[i + 10]);
    EXPECT_EQ(c.sampleRate, 22050u);
    EXPECT_EQ(c.name, "drums, Cut List");
    EXPECT_EQ(c.sourceFormat, -1);
    EXPECT_TRUE(c.stateFlags & kStateChanged);
    EXPECT_FALSE(r.stateFlags & kStateChanged);  // the wave itself is unchanged
    // A long title keeps the name as it is.
    r.name = std::string(70, 'n');
    ASSERT_EQ(CutKeepList(r, kCutKeepCut, &outcome), kCutKeepDone);
    EXPECT_EQ(gEditorSlots[outcome.newEditor]->name, r.name);
}

TEST_F(CutKeepTest, FailedFileIsReportedWithItsPath) {
    BoxRecorder ui;
    TempFolder folder;
    WaveRecord& r = MakeEditor(1, Ramp(1000));
    SetMarker(r, 10, 0, nullptr);
    SetMarker(r, 20, 1, nullptr);
    SetMarker(r, 30, 2, nullptr);
    SetMarker(r, 40, 3, nullptr);
    // The first section's file name is taken by a folder.
    r.filePath = folder / "take.wav";
    gEditing.defaultSaveFormat = kFormatWav16;
    std::filesystem::create_directory(folder / "take.1.wav");
    CutKeepOutcome outcome;
    EXPECT_EQ(CutKeepList(r, kCutKeepFiles, &outcome), kCutKeepSaveFailed);
    EXPECT_EQ(outcome.failedPath, folder / "take.1.wav");
    EXPECT_FALSE(std::filesystem::exists(folder / "take.2.wav"));
    ReportCutKeepResult(r, kCutKeepSaveFailed, outcome);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, folder / "take.1.wav");
    // The wave's lists and path are as before.
    EXPECT_EQ(r.filePath, folder / "take.wav");
    EXPECT_EQ(MarkerSections(r).size(), 2u);
}

TEST_F(CutKeepTest, RecorderLineNamesTheMode) {
    EXPECT_EQ(CutKeepListLine(3, kCutKeepClips), "obCutKeepList 3, OB_CUTKEEPLIST_CLIP\n");
    EXPECT_EQ(CutKeepListLine(12, kCutKeepFiles), "obCutKeepList 12, OB_CUTKEEPLIST_FILE\n");
    EXPECT_EQ(CutKeepListLine(1, kCutKeepCut), "obCutKeepList 1, OB_CUTKEEPLIST_CUT\n");
}

}  // namespace
}  // namespace ob::test
