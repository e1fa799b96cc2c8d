// Editor slots and records: lookups, create, reset, discard, duplicate,
// close; sample-rate rules; format codes; titles.
#include <gtest/gtest.h>

#include <cstring>

#include "temp_folder.h"
#include "wave/memory.h"
#include "wave/undo.h"
#include "wave/wave_record.h"
#include "wave_fixture.h"

using namespace ob;

TEST(EditorSlots, CreateFindAndClose) {
    SlotsGuard guard;
    ASSERT_NE(gEditorSlots[0], nullptr);  // the default record
    gEditorSlots[0]->colours[2] = 0x123456;
    gEditorSlots[0]->timeUnit = 3;
    int a = 0, b = 0;
    ASSERT_EQ(CreateEditor(&a), 0);
    ASSERT_EQ(CreateEditor(&b), 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    WaveRecord* ra = FindEditor(a);
    ASSERT_NE(ra, nullptr);
    EXPECT_EQ(ra->colours[2], 0x123456u);  // display preferences copied
    EXPECT_EQ(ra->timeUnit, 3u);
    EXPECT_EQ(ra->name, "Untitled");
    EXPECT_EQ(ra->sustainLoopId, -1);
    EXPECT_EQ(TitleOf(*ra), " 1:  Untitled");
    EXPECT_EQ(EditorNumberOf(ra), 1);
    EXPECT_EQ(EditorNumberOf(gEditorSlots[0]), 0);

    // 0 addresses the active editor; 100 and more address nothing; the default record never.
    EXPECT_EQ(FindEditor(0), nullptr);
    gActiveEditor = b;
    EXPECT_EQ(FindEditor(0), FindEditor(b));
    EXPECT_EQ(FindEditor(100), nullptr);
    EXPECT_EQ(FindEditor(-1), nullptr);
    EXPECT_EQ(FindEditor(5), nullptr);

    // A record without a wave is found, but not by FindEditorWithWave.
    EXPECT_EQ(FindEditorWithWave(a), nullptr);
    ASSERT_TRUE(GiveWave(*ra, 100, false));
    EXPECT_EQ(FindEditorWithWave(a), ra);
    ra->viewStart = 100;  // a view start at or past the end means no wave
    EXPECT_FALSE(WaveHasData(ra));
    ra->viewStart = 0;

    int window = 0;
    ra->window = &window;
    EXPECT_EQ(RecordOfWindow(&window), ra);
    EXPECT_EQ(RecordOfWindow(nullptr), nullptr);

    EXPECT_EQ(NextUsedEditor(0), 1);
    EXPECT_EQ(NextUsedEditor(2), 2);
    EXPECT_EQ(NextUsedEditor(3), 0);
    CloseEditor(a);
    EXPECT_EQ(FindEditor(a), nullptr);
    EXPECT_EQ(NextUsedEditor(0), 2);
    int c = 0;
    ASSERT_EQ(CreateEditor(&c), 0);
    EXPECT_EQ(c, 1);  // the lowest free slot
    CloseEditor(b);
    EXPECT_EQ(gActiveEditor, 0);

    // All 99 slots in use: no editor can be created.
    for (int i = 0; i < 98; ++i) ASSERT_EQ(CreateEditor(nullptr), 0);
    EXPECT_EQ(CreateEditor(&c), 1);
    CloseAllEditors();
    EXPECT_EQ(NextUsedEditor(0), 0);
    gEditorSlots[0]->colours[2] = 0;
    gEditorSlots[0]->timeUnit = 0;
}

TEST(EditorSlots, DiscardReleasesEverythingAndResets) {
    SlotsGuard guard;
    TempFolder tmp;
    uint64_t before = LargeBytesInUse();
    WaveRecord r;
    ASSERT_TRUE(GiveWave(r, 100000, true));
    EXPECT_EQ(LargeBytesInUse(), before + 800000);
    UpdateOverview(r, 0, 0, 3);
    SetLoop(r, 1, 50, 0, 1);
    SetMarker(r, 5, 0, "m");
    r.sustainLoopId = 1;
    r.name = "Kick";
    r.filePath = "/x/kick.wav";
    r.sampleRate = 48000;
    r.stateFlags = kStateChanged;
    r.mouseChannels = 3;
    r.scratchPath = tmp / "scratch.tmp";
    WriteTextFile(r.scratchPath, "scratch");
    const uint32_t savedDepth = gBackups;
    SetBackupDepth(5);
    ASSERT_EQ(MakeBackup(r, kOpGain, kBackupWholeAllChannels), kBackupMade);
    ASSERT_NE(r.undoHead, nullptr);
    DiscardWave(r);
    EXPECT_EQ(r.undoHead, nullptr);  // the backups went with the wave
    SetBackupDepth(savedDepth);
    EXPECT_EQ(LargeBytesInUse(), before);
    EXPECT_FALSE(std::filesystem::exists(tmp / "scratch.tmp"));
    EXPECT_EQ(r.leftSamples, nullptr);
    EXPECT_EQ(r.rightSamples, nullptr);
    EXPECT_EQ(r.frameCount, 0u);
    EXPECT_EQ(r.leftOverview.pairs, nullptr);
    EXPECT_EQ(r.loops, nullptr);
    EXPECT_EQ(r.markers, nullptr);
    EXPECT_EQ(r.sustainLoopId, -1);
    EXPECT_EQ(r.name, "Untitled");
    EXPECT_EQ(r.filePath, "");
    EXPECT_EQ(r.sampleRate, 44100u);
    EXPECT_EQ(r.stateFlags, 0u);
    EXPECT_EQ(r.mouseChannels, 0u);
    EXPECT_EQ(r.sourceFormat, -1);
    EXPECT_EQ(r.tempo, 120u);
    EXPECT_EQ(r.beatsPerBar, 4u);
    EXPECT_EQ(r.viewLevelSpan, 65535);
}

TEST(EditorSlots, DuplicateCopiesTheWaveOrNothing) {
    SlotsGuard guard;
    ScopedRecord s;
    WaveRecord& src = s.record;
    EXPECT_EQ(DuplicateWave(src), 0);  // no wave
    ASSERT_TRUE(GiveWave(src, 120000, true));
    UpdateOverview(src, 0, 0, 3);
    SetLoop(src, 10, 500, 1, 2);
    SetMarker(src, 77, 0, "zero");
    src.sustainLoopId = 2;
    src.name = "Pad";
    src.sampleRate = 32000;
    src.keyRoot = 60;
    src.fineTune = -12;
    src.tempo = 90;
    src.displayOffset = 5;
    src.stateFlags = kStateChanged;
    src.viewStart = 400;
    src.viewSpan = 1000;
    src.filePath = "/somewhere/pad.wav";

    AllocationStats stats = GetAllocationStats();
    int n = DuplicateWave(src);
    ASSERT_GT(n, 0);
    EXPECT_EQ(GetAllocationStats().largeAllocations, stats.largeAllocations + 2);
    WaveRecord* copy = FindEditor(n);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->frameCount, 120000u);
    EXPECT_NE(copy->leftSamples, src.leftSamples);
    EXPECT_EQ(std::memcmp(copy->leftSamples, src.leftSamples, 120000 * 4), 0);
    EXPECT_EQ(std::memcmp(copy->rightSamples, src.rightSamples, 120000 * 4), 0);
    EXPECT_EQ(copy->leftOverview.blocks, src.leftOverview.blocks);
    EXPECT_EQ(std::memcmp(copy->rightOverview.pairs, src.rightOverview.pairs,
                          OverviewBytes(src.rightOverview.blocks)),
              0);
    EXPECT_EQ(FindLoop(*copy, 2)->end, 500u);
    EXPECT_EQ(FindMarker(*copy, 0)->name, "zero");
    EXPECT_EQ(copy->sustainLoopId, 2);
    EXPECT_EQ(copy->name, "Pad");
    EXPECT_EQ(copy->sampleRate, 32000u);
    EXPECT_EQ(copy->keyRoot, 60);
    EXPECT_EQ(copy->fineTune, -12);
    EXPECT_EQ(copy->tempo, 90u);
    EXPECT_EQ(copy->displayOffset, 5u);
    EXPECT_EQ(copy->stateFlags, kStateChanged);
    EXPECT_EQ(copy->viewStart, 0u);
    EXPECT_EQ(copy->viewSpan, 120000u);
    EXPECT_EQ(copy->filePath, "");
    EXPECT_EQ(copy->scratchPath, "");

    // Out of memory at any step: nothing is left behind.
    uint64_t inUse = LargeBytesInUse();
    SetMemoryBudget(inUse + 120000 * 4 + 100);  // room for one channel only
    EXPECT_EQ(DuplicateWave(src), 0);
    EXPECT_EQ(LargeBytesInUse(), inUse);
    EXPECT_EQ(NextUsedEditor(n + 1), 0);
    SetMemoryBudget(0);
    for (int fail = 0; fail < 4; ++fail) {
        SetHeapFailureCountdown(fail);  // loop, marker, left and right overview
        EXPECT_EQ(DuplicateWave(src), 0) << fail;
        SetHeapFailureCountdown(-1);
        EXPECT_EQ(LargeBytesInUse(), inUse);
        EXPECT_EQ(NextUsedEditor(n + 1), 0);
    }
}

TEST(SampleRate, RangeSnapAndPeriod) {
    WaveRecord r;
    SetSampleRate(r, 99);
    EXPECT_EQ(GetSampleRate(r), 22050u);
    SetSampleRate(r, 100);
    EXPECT_EQ(GetSampleRate(r), 100u);
    SetSampleRate(r, 200000);
    EXPECT_EQ(GetSampleRate(r), 200000u);
    SetSampleRate(r, 200001);
    EXPECT_EQ(GetSampleRate(r), 22050u);
    SetSampleRate(r, 0);
    EXPECT_EQ(GetSampleRate(r), 22050u);
    const uint32_t common[] = {11014, 11025, 12000, 22028, 22050, 24000, 44056, 44100, 48000};
    for (uint32_t rate : common) {
        EXPECT_EQ(SnapSampleRate(rate - 1), rate);
        EXPECT_EQ(SnapSampleRate(rate), rate);
        EXPECT_EQ(SnapSampleRate(rate + 1), rate);
    }
    EXPECT_EQ(SnapSampleRate(44101), 44100u);
    EXPECT_EQ(SnapSampleRate(44102), 44102u);
    EXPECT_EQ(SnapSampleRate(47998), 47998u);
    EXPECT_EQ(SnapSampleRate(0), 0u);
    EXPECT_EQ(RateToPeriod(44100), 22675u);
    EXPECT_EQ(RateToPeriod(0), 22050u);
    EXPECT_EQ(PeriodToRate(22675), 44100u);  // 44101 snapped
    EXPECT_EQ(PeriodToRate(0), 22050u);
    EXPECT_EQ(PeriodToRate(1), 1000000000u);
    EXPECT_EQ(PeriodToRate(20833), 48000u);  // 48001 snapped
}

TEST(FormatCodes, NamesExtensionsAndOrder) {
    EXPECT_STREQ(FormatName(0), "AIFF 16 bit");
    EXPECT_STREQ(FormatName(3), "8SVX (8 bit)");
    EXPECT_STREQ(FormatName(17), "WAVE 32 bit");
    EXPECT_STREQ(FormatName(13), "Studio 16 V3");
    for (int code : {1, 4, 20, -1, 21, 99}) {
        EXPECT_STREQ(FormatName(code), "Unspecified");
        EXPECT_STREQ(FormatExtension(code), "");
    }
    EXPECT_STREQ(FormatExtension(2), ".sd");
    EXPECT_STREQ(FormatExtension(14), ".au");
    EXPECT_STREQ(FormatExtension(19), ".wav");
    EXPECT_EQ(kFormatDisplayOrder[0], 5);
    EXPECT_EQ(kFormatDisplayOrder[3], 17);
    EXPECT_EQ(kFormatDisplayOrder[4], 3);
    EXPECT_EQ(kFormatDisplayOrder[14], 16);
    EXPECT_EQ(kFormatDisplayOrder[18], -1);
    // Every named format appears exactly once.
    int seen = 0;
    for (int code = 0; code <= 20; ++code) {
        int n = 0;
        for (int c : kFormatDisplayOrder) n += c == code;
        if (std::string(FormatName(code)) != "Unspecified") {
            EXPECT_EQ(n, 1) << code;
            ++seen;
        }
    }
    EXPECT_EQ(seen, 18);
}
