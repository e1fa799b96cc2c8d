// Multi-clips, the clipboard paste, and the length-changing edits (Delete,
// Trim, Shuffle) with their undo, memory refusals and the right-channel
// fallback.
#include "wave/clips.h"

#include <gtest/gtest.h>

#include <numeric>

#include "dsp/clip_edit.h"
#include "dsp/insert.h"
#include "dsp/length_edit.h"
#include "dsp/operation.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"
#include "wave/clipboard_image.h"

namespace ob {
namespace {

float Index(int c, uint32_t i) {
    return float(i) + (c ? 0.5f : 0.0f);
}

std::vector<float> Range(uint32_t first, uint32_t end, float off = 0.0f) {
    std::vector<float> v;
    for (uint32_t i = first; i < end; ++i) v.push_back(float(i) + off);
    return v;
}
std::vector<float> Cat(std::initializer_list<std::vector<float>> parts) {
    std::vector<float> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

struct ClipGuard : GlobalStateGuard {
    ~ClipGuard() {
        EraseAllClips();
        gEmergencySaveHook = nullptr;
        SetMemoryBudget(0);
    }
};

TEST(Clips, NumbersListsAndLinks) {
    ClipGuard guard;
    RecordingUserInterface ui;
    WaveRecord* a = MakeWave(100, true, Index);
    WaveRecord* b = MakeWave(50, false, Index);
    Clip* one = DefineClipByFrames(*a, "one", 30, 10);  // ordered
    ASSERT_TRUE(one);
    EXPECT_EQ(one->number, 1u);
    EXPECT_EQ(one->start, 10u);
    EXPECT_EQ(one->length, 21u);
    EXPECT_EQ(ActiveClip(*a), one);
    Clip* two = DefineClipByFrames(*a, "two", 0, 500);  // end limited to the last frame
    EXPECT_EQ(two->length, 100u);
    EXPECT_EQ(ClipListLine(*two), " 2   \ttwo" + std::string(29, ' ') + " \t100");
    EraseClip(one);
    Clip* three = DefineClipByFrames(*b, std::string(100, 'x'), 0, 0);
    EXPECT_EQ(three->number, 1u);  // the lowest free number
    EXPECT_EQ(three->name.size(), kClipNameMax);
    SetActiveClip(*a, three);
    EXPECT_TRUE(ClipUsedElsewhere(three, b));
    EXPECT_EQ(EraseClipQuestion(*b, three),
              "This clip is referenced by other windows.\nDo you still want to Erase?");
    EXPECT_EQ(EraseClipQuestion(*b, two), "Erase this clip... Are you sure?");
    EXPECT_EQ(InitialActiveClipText(*b), "Initial active clip for this wave: 1");
    EraseClip(three);
    EXPECT_EQ(ActiveClip(*a), nullptr);
    EXPECT_EQ(ActiveClip(*b), nullptr);
    EXPECT_EQ(InitialActiveClipText(*b), "Initial active clip for this wave: None");
    EXPECT_EQ(FindClipByName("TWO"), two);

    // By markers: both must exist.
    EXPECT_EQ(DefineClipByMarkers(*a, "m", 0, 1), nullptr);
    EXPECT_EQ(ui.LastBoxText(), "Can't find specified Marker.");
    SetMarker(*a, 70, 0, nullptr);
    SetMarker(*a, 40, 1, nullptr);
    Clip* m = DefineClipByMarkers(*a, "m", 0, 1);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 40u);
    EXPECT_EQ(m->length, 31u);
}

TEST(Clips, ReferringClipsFollowTheSourceAndDetachOnClose) {
    ClipGuard guard;
    RecordingUserInterface ui;
    WaveRecord* a = MakeWave(100, true, Index);
    WaveRecord* b = MakeWave(10, true, Index);
    Clip* c = DefineClipByFrames(*a, "c", 80, 99);
    SetActiveClip(*b, c);
    // The source shrinks: the clip is limited to the frames that remain.
    gEditing.affectArea = kAffectMouse;
    SelectMouse(*a, 90, 10, 3);
    ASSERT_EQ(DeleteArea(*a), kEditDone);
    ClipSamples s;
    ASSERT_TRUE(ResolveClip(c, s));
    EXPECT_EQ(s.length, 10u);
    SelectMouse(*a, 50, 40, 3);
    ASSERT_EQ(DeleteArea(*a), kEditDone);
    EXPECT_FALSE(ResolveClip(c, s));  // none left: no clip
    EXPECT_EQ(PasteActiveClip(*b, 0), kEditNothing);
    EXPECT_EQ(ui.LastBoxText(),
              "No clip to paste. Use Multi-Clips/Edit\nto select a clip for this wave.");

    // A copied clip survives its source's closing, detached; one without a
    // copy is freed with it.
    Clip* kept = DefineClipByFrames(*a, "kept", 10, 19);
    ASSERT_EQ(CopyActiveClip(*a), kEditDone);
    EXPECT_EQ(CopyActiveClip(*a), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Clip already copied.");
    Clip* lost = DefineClipByFrames(*a, "lost", 0, 5);
    SetActiveClip(*b, lost);
    uint32_t lostNumber = lost->number;
    CloseEditor(EditorNumberOf(a));
    EXPECT_EQ(FindClip(lostNumber), nullptr);
    EXPECT_EQ(ActiveClip(*b), nullptr);
    EXPECT_TRUE(kept->clipFlags & kClipDetached);
    SetActiveClip(*b, kept);
    ASSERT_EQ(PasteActiveClip(*b, 10), kEditDone);
    EXPECT_EQ(Channel(*b, 0), Cat({Range(0, 10), Range(10, 20)}));
    EXPECT_EQ(Channel(*b, 1), Cat({Range(0, 10, 0.5f), Range(10, 20, 0.5f)}));
    // A detached clip cannot be cut.
    EXPECT_EQ(CutActiveClip(*b), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(),
              "Inappropriate cut.\nClip does not refer to this wave,\nor data has been altered.");
}

TEST(Clips, CutTakesTheCopyFirstAndUndoRestores) {
    ClipGuard guard;
    RecordingUserInterface ui;
    gBackups = 3;
    WaveRecord* a = MakeWave(100, true, Index);
    Clip* c = DefineClipByFrames(*a, "c", 20, 29);
    ASSERT_EQ(CutActiveClip(*a), kEditDone);
    EXPECT_EQ(Channel(*a, 0), Cat({Range(0, 20), Range(30, 100)}));
    ASSERT_TRUE(c->leftCopy);
    EXPECT_EQ(std::vector<float>(c->leftCopy, c->leftCopy + 10), Range(20, 30));
    EXPECT_EQ(std::vector<float>(c->rightCopy, c->rightCopy + 10), Range(20, 30, 0.5f));
    EXPECT_EQ(BackupAt(*a, 0)->operation, 6u);
    // The cut audio pastes back where it was.
    ASSERT_EQ(PasteActiveClip(*a, 20), kEditDone);
    EXPECT_EQ(Channel(*a, 0), Range(0, 100));
    EXPECT_EQ(Channel(*a, 1), Range(0, 100, 0.5f));
    EXPECT_EQ(Undo(*a), kUndoDone);
    EXPECT_EQ(Undo(*a), kUndoDone);
    EXPECT_EQ(Channel(*a, 1), Range(0, 100, 0.5f));

    // A clip as long as the wave cannot be cut; no clip at all.
    DefineClipByFrames(*a, "all", 0, 99);
    EXPECT_EQ(CutActiveClip(*a), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Cut Clip error.");
    SetActiveClip(*a, nullptr);
    EXPECT_EQ(CutActiveClip(*a), kEditNothing);
    EXPECT_EQ(ui.LastBoxText(), "No clip to cut.");

    // Without memory for the copy the cut changes nothing.
    DefineClipByFrames(*a, "big", 0, 49);
    SetMemoryBudget(LargeBytesInUse() + 10);
    EXPECT_EQ(CutActiveClip(*a), kEditNoMemory);
    SetMemoryBudget(0);
    EXPECT_EQ(a->frameCount, 100u);
}

TEST(Clips, ReplaceOverlapsSafelyAndAppendsPastTheEnd) {
    ClipGuard guard;
    RecordingUserInterface ui;
    WaveRecord* a = MakeWave(100, false, Index);
    // From the wave's own clip onto an overlapping stretch.
    DefineClipByFrames(*a, "own", 10, 39);
    ASSERT_EQ(ReplaceActiveClip(*a, 20), kEditDone);
    EXPECT_EQ(Channel(*a, 0), Cat({Range(0, 20), Range(10, 40), Range(50, 100)}));
    EXPECT_EQ(BackupAt(*a, 0)->operation, 8u);
    EXPECT_EQ(Undo(*a), kUndoDone);
    EXPECT_EQ(Channel(*a, 0), Range(0, 100));
    // Replace at 90 with 30 frames gives 120 frames.
    DefineClipByFrames(*a, "thirty", 0, 29);
    ASSERT_EQ(ReplaceActiveClip(*a, 90), kEditDone);
    EXPECT_EQ(a->frameCount, 120u);
    EXPECT_EQ(Channel(*a, 0), Cat({Range(0, 90), Range(0, 30)}));
    // Paste beyond the end appends.
    DefineClipByFrames(*a, "two", 5, 6);
    ASSERT_EQ(PasteActiveClip(*a, 1000), kEditDone);
    EXPECT_EQ(a->frameCount, 122u);
    EXPECT_EQ(Channel(*a, 0)[120], 5.0f);
    EXPECT_EQ(a->mouseStart, 0u);
    EXPECT_EQ(a->mouseLength, 1u);
}

TEST(Clips, PasteIntoAnEmptyEditorMakesTheClipItsWave) {
    ClipGuard guard;
    RecordingUserInterface ui;
    WaveRecord* a = MakeWave(3000, true, Index, 32000);
    int number = 0;
    ASSERT_EQ(CreateEditor(&number), 0);
    WaveRecord* empty = gEditorSlots[number];
    Clip* c = DefineClipByFrames(*a, "", 1000, 1999);
    SetActiveClip(*empty, c);
    ASSERT_EQ(PasteActiveClip(*empty, 0), kEditDone);
    EXPECT_EQ(Channel(*empty, 0), Range(1000, 2000));
    EXPECT_EQ(Channel(*empty, 1), Range(1000, 2000, 0.5f));
    EXPECT_EQ(empty->sampleRate, 32000u);
    EXPECT_EQ(empty->name, "Pasted from Orbick");
    EXPECT_EQ(empty->viewSpan, 1000u);
    EXPECT_EQ(BackupCount(*empty), 0u);
}

TEST(Clips, MonoLoadedClipStaysMonoInAStereoEditor) {
    ClipGuard guard;
    RecordingUserInterface ui;
    WaveRecord* a = MakeWave(10, true, Index);
    Clip* c = NewClip("mono");
    float* left = NewChannelBlock(4, false);
    for (int i = 0; i < 4; ++i) left[i] = -float(i);
    AdoptClipSamples(*c, left, nullptr, 4, 8000);
    c->source = a;
    c->clipFlags |= kClipDetached;
    SetActiveClip(*a, c);
    ASSERT_EQ(PasteActiveClip(*a, 2), kEditDone);
    // The right channel reads the left copy.
    EXPECT_EQ(Channel(*a, 1), Cat({Range(0, 2, 0.5f), {0, -1, -2, -3}, Range(2, 10, 0.5f)}));
    CloseEditor(EditorNumberOf(a));
    ASSERT_EQ(FindClip(c->number), c);  // survives the closing
    int number = 0;
    ASSERT_EQ(CreateEditor(&number), 0);
    SetActiveClip(*gEditorSlots[number], c);
    ASSERT_EQ(PasteActiveClip(*gEditorSlots[number], 0), kEditDone);
    EXPECT_EQ(gEditorSlots[number]->rightSamples, nullptr);
    EXPECT_EQ(Channel(*gEditorSlots[number], 0), (std::vector<float>{0, -1, -2, -3}));
}

TEST(LengthEdits, DeleteAndTrimOnEveryAffectAreaWithUndo) {
    ClipGuard guard;
    RecordingUserInterface ui;
    for (uint16_t area : {kAffectAll, kAffectInView, kAffectMarkers, kAffectMouse}) {
        for (bool trim : {false, true}) {
            WaveRecord* a = MakeWave(1000, true, Index);
            gEditing.affectArea = area;
            gEditing.editChannel = kEditLeft;  // both channels whatever the edit channel
            a->viewStart = 100;
            a->viewSpan = 200;
            a->viewWidth = 200;
            SetMarker(*a, 500, 0, nullptr);
            SetMarker(*a, 300, 1, nullptr);
            a->mouseStart = 700;
            a->mouseLength = 50;
            a->mouseChannels = 1;
            FrameRange r = AffectRange(*a);
            int result = trim ? TrimToArea(*a) : DeleteArea(*a);
            if (area == kAffectAll) {
                EXPECT_EQ(result, kEditNothing);  // the whole wave: nothing happens
                EXPECT_EQ(a->frameCount, 1000u);
                CloseEditor(EditorNumberOf(a));
                continue;
            }
            ASSERT_EQ(result, kEditDone) << area;
            uint32_t end = r.start + r.length;
            for (int c = 0; c < 2; ++c) {
                float off = c ? 0.5f : 0.0f;
                EXPECT_EQ(Channel(*a, c),
                          trim ? Range(r.start, end, off)
                               : Cat({Range(0, r.start, off), Range(end, 1000, off)}))
                    << area << trim;
            }
            EXPECT_EQ(BackupAt(*a, 0)->operation, trim ? 5u : 3u);
            ASSERT_EQ(Undo(*a), kUndoDone);
            EXPECT_EQ(Channel(*a, 0), Range(0, 1000));
            EXPECT_EQ(Channel(*a, 1), Range(0, 1000, 0.5f));
            EXPECT_EQ(a->viewStart, 100u);
            CloseEditor(EditorNumberOf(a));
        }
    }
}

TEST(LengthEdits, EditsCostOnlyTheNewWave) {
    ClipGuard guard;
    RecordingUserInterface ui;
    gBackups = 2;
    WaveRecord* a = MakeWave(200000, true, Index);
    SelectMouse(*a, 1000, 50000, 3);
    AllocationStats before = GetAllocationStats();
    ASSERT_EQ(DeleteArea(*a), kEditDone);
    AllocationStats after = GetAllocationStats();
    // Two new channel blocks of 150000 frames; the backup took the old ones.
    EXPECT_EQ(after.largeBytes - before.largeBytes, 2u * 150000u * 4u);
    EXPECT_EQ(LargeBytesInUse(), 2u * (200000u + 150000u) * 4u);
    ASSERT_EQ(Undo(*a), kUndoDone);
    EXPECT_EQ(a->frameCount, 200000u);
    EXPECT_EQ(a->leftOverview.blocks, OverviewBlockCount(200000));
    ASSERT_EQ(Redo(*a), kUndoDone);
    EXPECT_EQ(a->frameCount, 150000u);
    EXPECT_EQ(a->leftOverview.blocks, OverviewBlockCount(150000));
    // Without backups the old buffers are simply released.
    gBackups = 0;
    SelectMouse(*a, 0, 50000, 3);
    ASSERT_EQ(TrimToArea(*a), kEditDone);
    EXPECT_EQ(LargeBytesInUse(), 2u * 50000u * 4u);
}

TEST(LengthEdits, MemoryRefusalsAndTheRightChannelFallback) {
    ClipGuard guard;
    RecordingUserInterface ui;
    ui.answer = kAnswerNo;
    gBackups = 1;
    WaveRecord* a = MakeWave(10000, true, Index);
    SelectMouse(*a, 0, 100, 3);
    ASSERT_EQ(DeleteArea(*a), kEditDone);  // a backup of 2 x 10000 frames
    ASSERT_EQ(BackupCount(*a), 1u);
    // Room for one new channel only once the backup goes.
    SetMemoryBudget(LargeBytesInUse() + 9000 * 4);
    SelectMouse(*a, 0, 900, 3);
    ASSERT_EQ(DeleteArea(*a), kEditDone);
    EXPECT_EQ(ui.LastBoxText(), "Warning: Back-up had to be deleted.");
    EXPECT_EQ(a->frameCount, 9000u);
    EXPECT_EQ(Channel(*a, 1), Range(1000, 10000, 0.5f));

    // No room at all for the right channel: the user says No; without a
    // save the wave stays as it was, with the memory message.
    gBackups = 0;
    DropBackups(*a);
    SetMemoryBudget(LargeBytesInUse() + 8990 * 4);
    SelectMouse(*a, 0, 10, 3);
    ASSERT_EQ(DeleteArea(*a), kEditNoMemory);
    EXPECT_EQ(ui.questions.back(),
              "No memory for Right Channel.\nFree memory, then select YES to retry.\n,NO removes "
              "Right after saving it to disk.");
    EXPECT_EQ(ui.LastBoxText(), "Not enough memory for this operation.\n");
    EXPECT_EQ(a->frameCount, 9000u);
    EXPECT_TRUE(a->rightSamples);
    // Yes keeps asking (a budget that never grows): still nothing changes.
    ui.answer = kAnswerYes;
    size_t asked = ui.questions.size();
    ASSERT_EQ(DeleteArea(*a), kEditNoMemory);
    EXPECT_GT(ui.questions.size(), asked + 1);
    EXPECT_EQ(a->frameCount, 9000u);
    // No with a successful emergency save: the right channel goes.
    ui.answer = kAnswerNo;
    static std::vector<float> saved;
    gEmergencySaveHook = [](WaveRecord& right) {
        saved = Channel(right, 0);
        return true;
    };
    ASSERT_EQ(DeleteArea(*a), kEditDone);
    EXPECT_EQ(saved, Range(1000, 10000, 0.5f));
    EXPECT_EQ(a->rightSamples, nullptr);
    EXPECT_EQ(Channel(*a, 0), Range(1010, 10000));
    // A clip claiming more frames than its source holds is limited when used.
    SetMemoryBudget(0);
    Clip* c = DefineClipByFrames(*a, "c", 0, 10);
    c->length = 0xFFFFFFF0u;  // a clip that claims more than its source holds
    ClipSamples s;
    ASSERT_TRUE(ResolveClip(c, s));
    EXPECT_EQ(s.length, a->frameCount);  // limited when used
}

TEST(LengthEdits, ShuffleMovesTheMouseArea) {
    ClipGuard guard;
    RecordingUserInterface ui;
    WaveRecord* a = MakeWave(100, true, Index);
    SelectMouse(*a, 10, 10, 1);             // left channel only
    ASSERT_EQ(Shuffle(*a, 50), kEditDone);  // dropped after: ends at 50
    EXPECT_EQ(Channel(*a, 0), Cat({Range(0, 10), Range(20, 50), Range(10, 20), Range(50, 100)}));
    EXPECT_EQ(Channel(*a, 1), Range(0, 100, 0.5f));
    EXPECT_EQ(a->mouseStart, 40u);
    SelectMouse(*a, 40, 10, 3);
    ASSERT_EQ(Shuffle(*a, 10), kEditDone);  // dropped before: starts at 10
    EXPECT_EQ(Channel(*a, 0), Range(0, 100));
    EXPECT_EQ(Channel(*a, 1), Cat({Range(0, 10, 0.5f), Range(40, 50, 0.5f), Range(10, 40, 0.5f),
                                   Range(50, 100, 0.5f)}));
    EXPECT_EQ(a->mouseStart, 10u);
    std::vector<float> before = Channel(*a, 1);
    ASSERT_EQ(Shuffle(*a, 15), kEditDone);  // inside: nothing moves
    EXPECT_EQ(Channel(*a, 1), before);
    EXPECT_EQ(BackupAt(*a, 0)->operation, 51u);
    ASSERT_EQ(Undo(*a), kUndoDone);
}

TEST(SystemPaste, ReplacesTheAffectAreaAndFillsEmptyEditors) {
    ClipGuard guard;
    RecordingUserInterface ui;
    // Values within -1..1: pasted floats are brought into range.
    WaveRecord* a = MakeWave(20, true, [](int c, uint32_t i) { return Index(c, i) / 64.0f; });
    auto scaled = [](std::vector<float> v) {
        for (float& x : v) x /= 64.0f;
        return v;
    };
    // Copy frames 5..9 of the right channel only: a mono image.
    SelectMouse(*a, 5, 5, 2);
    std::vector<uint8_t> image;
    ASSERT_EQ(SystemCopyImage(*a, image), kEditDone);
    ClipboardAudio audio;
    ASSERT_EQ(ParseClipboardImage(image.data(), image.size(), audio), kImageOk);
    EXPECT_EQ(audio.channels, 1u);
    // Paste it over frames 0..1 of the stereo wave: both channels get it.
    SelectMouse(*a, 0, 2, 3);
    ASSERT_EQ(SystemPasteImage(*a, image.data(), image.size()), kEditDone);
    EXPECT_EQ(a->frameCount, 23u);
    EXPECT_EQ(Channel(*a, 0), scaled(Cat({Range(5, 10, 0.5f), Range(2, 20)})));
    EXPECT_EQ(Channel(*a, 1), scaled(Cat({Range(5, 10, 0.5f), Range(2, 20, 0.5f)})));
    EXPECT_EQ(BackupAt(*a, 0)->operation, 2u);

    // A stereo image into a mono wave keeps its left channel; into an empty
    // editor it makes a stereo wave with the image's rate.
    std::vector<float> l = {0.25f, 0.5f}, r = {-0.25f, -0.5f};
    ASSERT_EQ(BuildClipboardImage(l.data(), r.data(), 2, 44101, image), kImageOk);
    WaveRecord* m = MakeWave(4, false, Index);
    SelectMouse(*m, 4, 1, 1);  // limited to the last frame
    ASSERT_EQ(SystemPasteImage(*m, image.data(), image.size()), kEditDone);
    EXPECT_EQ(Channel(*m, 0), (std::vector<float>{0, 1, 2, 0.25f, 0.5f}));
    int number = 0;
    ASSERT_EQ(CreateEditor(&number), 0);
    WaveRecord* e = gEditorSlots[number];
    ASSERT_EQ(SystemPasteImage(*e, image.data(), image.size()), kEditDone);
    EXPECT_EQ(Channel(*e, 1), r);
    EXPECT_EQ(e->sampleRate, 44100u);
    EXPECT_EQ(e->name, "Pasted from System");
    // A rate out of range becomes 22050.
    ASSERT_EQ(BuildClipboardImage(l.data(), nullptr, 2, 50, image), kImageOk);
    DiscardWave(*e);
    ASSERT_EQ(SystemPasteImage(*e, image.data(), image.size()), kEditDone);
    EXPECT_EQ(e->sampleRate, 22050u);
    // Bad data.
    image.resize(20);
    EXPECT_EQ(SystemPasteImage(*e, image.data(), image.size()), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Bad paste format");
    // No memory: caption and text, nothing changes.
    ASSERT_EQ(BuildClipboardImage(l.data(), r.data(), 2, 8000, image), kImageOk);
    SetMemoryBudget(LargeBytesInUse());
    EXPECT_EQ(SystemPasteImage(*a, image.data(), image.size()), kEditNoMemory);
    EXPECT_EQ(ui.boxes.back().caption, "System Clipboard Paste");
    EXPECT_EQ(a->frameCount, 23u);
    SelectMouse(*a, 0, 10, 3);
    EXPECT_EQ(SystemCopyImage(*a, image), kEditNoMemory);
    EXPECT_EQ(ui.boxes.back().caption, "System Clipboard Copy");
}

}  // namespace
}  // namespace ob
