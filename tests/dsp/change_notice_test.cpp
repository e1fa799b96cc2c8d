// Change notices: what an observer (the window) hears after an edit through
// the operation table, after undo, and that nothing is heard once it left.
#include "wave/change_notice.h"

#include <gtest/gtest.h>

#include "dsp/operation_table.h"
#include "dsp/operation_traits.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

const ChangeNotice* LastWith(const std::vector<ChangeNotice>& notices, uint32_t what) {
    for (auto it = notices.rbegin(); it != notices.rend(); ++it)
        if ((it->what & what) == what) return &*it;
    return nullptr;
}

TEST(ChangeNotice, GainOnARangeAnnouncesThatRangeAndTheUndoState) {
    GlobalStateGuard state;
    gBackups = 5;
    WaveRecord* w = MakeWave(2000, true, [](int, uint32_t i) { return (i % 7) * 0.01f; });
    ASSERT_NE(w, nullptr);
    SelectMouse(*w, 300, 450, 3);
    RecordingUserInterface ui;

    GainParams params{6.0};
    ASSERT_EQ(RunOperation(Operation(kOperationGain), *w, &params), kEditDone);
    const ChangeNotice* n = LastWith(ui.notices, kChangeSamples);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->record, w);
    EXPECT_EQ(n->firstFrame, 300u);
    EXPECT_EQ(n->endFrame, 750u);
    EXPECT_NE(n->what & kChangeUndo, 0u);
    EXPECT_EQ(n->what & kChangeLength, 0u);                          // a gain keeps the length
    EXPECT_FLOAT_EQ(w->leftSamples[302], float(0.01f * 1.9952623));  // 302 % 7 = 1
    EXPECT_FLOAT_EQ(w->leftSamples[299], 0.01f * (299 % 7));

    // Undo exchanges whole regions: everything is announced.
    ui.notices.clear();
    ASSERT_EQ(Undo(*w), kUndoDone);
    ASSERT_FALSE(ui.notices.empty());
    EXPECT_EQ(ui.notices.back().what, uint32_t(kChangeAll));
}

TEST(ChangeNotice, RefusedOperationAndRemovedObserverHearNothing) {
    GlobalStateGuard state;
    WaveRecord* w = MakeWave(100, false, [](int, uint32_t) { return 0.5f; });
    ASSERT_NE(w, nullptr);
    std::vector<ChangeNotice> heard;
    {
        RecordingUserInterface ui;
        GainParams bad{std::nan("")};
        EXPECT_EQ(RunOperation(Operation(kOperationGain), *w, &bad), kEditRefused);
        EXPECT_TRUE(ui.notices.empty());
        EXPECT_FLOAT_EQ(w->leftSamples[50], 0.5f);
    }
    // The recording observer is gone: a later edit must not reach it.
    GainParams params{-6.0};
    EXPECT_EQ(RunOperation(Operation(kOperationGain), *w, &params), kEditDone);
}

TEST(ChangeNotice, LengthChangeIsAnnounced) {
    GlobalStateGuard state;
    WaveRecord* w = MakeWave(100, false, [](int, uint32_t) { return 0.5f; });
    ASSERT_NE(w, nullptr);
    RecordingUserInterface ui;
    ReplicateParams params{3.0, kReplicateRepetitions};
    ASSERT_EQ(RunOperation(Operation(kOperationReplicate), *w, &params), kEditDone);
    EXPECT_EQ(w->frameCount, 400u);  // the sound and three repetitions
    EXPECT_NE(LastWith(ui.notices, kChangeLength), nullptr);
}

}  // namespace
}  // namespace ob
