// Whole-wave backups that hand the original buffers to the undo step: the
// operations that write out of place give bit for bit the result of the same
// operation run in place (no backup), keep the samples outside the area and
// channel, take no copy, and undo and redo exactly; an abort leaves the same
// partial result as in place.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "dsp/level.h"
#include "dsp/operation.h"
#include "dsp/simple.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

using Op = std::function<int(WaveRecord&)>;

std::vector<std::pair<const char*, Op>> OutOfPlaceOps() {
    return {
        {"gain", [](WaveRecord& x) { return Gain(x, {-4.0}); }},
        {"normalize", [](WaveRecord& x) { return Normalize(x, {-2.0}); }},
        {"maximize", [](WaveRecord& x) { return Maximize(x); }},
        {"dc mean",
         [](WaveRecord& x) {
             return DcOffset(x, {0.0, kDcPercent});
         }},
        {"dc fixed",
         [](WaveRecord& x) {
             return DcOffset(x, {-3000, kDcSixteenBit});
         }},
        {"invert", [](WaveRecord& x) { return Invert(x); }},
        {"rectify full", [](WaveRecord& x) { return RectifyFull(x); }},
        {"rectify half", [](WaveRecord& x) { return RectifyHalf(x); }},
        {"mute", [](WaveRecord& x) { return Mute(x); }},
        {"reverse", [](WaveRecord& x) { return Reverse(x); }},
    };
}

struct Signal {
    std::vector<float> left, right;
    explicit Signal(uint32_t frames) : left(frames), right(frames) {
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> dist(-0.8f, 0.7f);
        for (auto& x : left) x = dist(rng);
        for (auto& x : right) x = dist(rng);
    }
    WaveRecord* Make() const {
        return MakeWave(uint32_t(left.size()), true,
                        [this](int c, uint32_t i) { return c ? right[i] : left[i]; });
    }
};

// The area settings each operation runs with: an odd-length mouse area of
// more than half the wave on the left channel, and the whole wave.
struct Area {
    uint32_t start, length, channels;
};

void Select(WaveRecord& w, const Area& a) {
    if (a.channels == 0) {
        gEditing.affectArea = kAffectAll;
        gEditing.editChannel = kEditLeftRight;
    } else {
        SelectMouse(w, a.start, a.length, a.channels);
    }
}

TEST(HandOver, OutOfPlaceEqualsInPlaceAndUndoesExactly) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    const uint32_t frames = 120001;
    Signal signal(frames);
    const Area areas[] = {{5000, 90001, 1}, {0, 0, 0}};
    gProcessing.smoothingOptions = kSmoothStart | kSmoothEnd;
    for (uint32_t backups : {1u, 3u}) {
        for (const Area& area : areas) {
            for (auto& [name, op] : OutOfPlaceOps()) {
                SCOPED_TRACE(testing::Message() << name << " backups " << backups << " area "
                                                << area.start << "+" << area.length);
                // The reference: the same operation in place, without a backup.
                gBackups = 0;
                WaveRecord* reference = signal.Make();
                Select(*reference, area);
                ASSERT_EQ(op(*reference), kEditDone);
                EXPECT_EQ(reference->undoHead, nullptr);

                gBackups = backups;
                WaveRecord* w = signal.Make();
                Select(*w, area);
                const float* oldLeft = w->leftSamples;
                const float* oldRight = w->rightSamples;
                AllocationStats before = GetAllocationStats();
                ASSERT_EQ(op(*w), kEditDone);
                AllocationStats after = GetAllocationStats();
                const uint64_t channels = area.channels == 1 ? 1 : 2;
                // The backup obtained the new buffers and copied nothing into
                // a block of its own: the originals are the undo step's now.
                EXPECT_EQ(after.largeAllocations - before.largeAllocations, channels);
                ASSERT_NE(w->undoHead, nullptr);
                EXPECT_EQ(w->undoHead->left, oldLeft);
                EXPECT_NE(w->leftSamples, oldLeft);
                if (channels == 2) {
                    EXPECT_EQ(w->undoHead->right, oldRight);
                } else {
                    EXPECT_EQ(w->rightSamples, oldRight);
                    EXPECT_EQ(Channel(*w, 1), signal.right);
                }
                std::vector<float> resultLeft = Channel(*w, 0), resultRight = Channel(*w, 1);
                EXPECT_EQ(resultLeft, Channel(*reference, 0));
                EXPECT_EQ(resultRight, Channel(*reference, 1));
                EXPECT_NE(resultLeft, signal.left);
                if (area.channels == 1) {
                    EXPECT_TRUE(std::equal(signal.left.begin(), signal.left.begin() + area.start,
                                           resultLeft.begin()));
                    uint32_t end = area.start + area.length;
                    EXPECT_TRUE(std::equal(signal.left.begin() + end, signal.left.end(),
                                           resultLeft.begin() + end));
                }
                // The overview describes the new samples.
                WaveRecord* fresh = signal.Make();
                std::memcpy(fresh->leftSamples, w->leftSamples, size_t(frames) * 4);
                std::memcpy(fresh->rightSamples, w->rightSamples, size_t(frames) * 4);
                UpdateOverview(*fresh, 0, 0, 3);
                ASSERT_EQ(w->leftOverview.blocks, fresh->leftOverview.blocks);
                EXPECT_EQ(std::memcmp(w->leftOverview.pairs, fresh->leftOverview.pairs,
                                      size_t(fresh->leftOverview.blocks) * 8),
                          0);

                ASSERT_EQ(Undo(*w), kUndoDone);
                EXPECT_EQ(Channel(*w, 0), signal.left);
                EXPECT_EQ(Channel(*w, 1), signal.right);
                ASSERT_EQ(Redo(*w), kUndoDone);
                EXPECT_EQ(Channel(*w, 0), resultLeft);
                EXPECT_EQ(Channel(*w, 1), resultRight);
                ASSERT_EQ(Undo(*w), kUndoDone);
                EXPECT_EQ(Channel(*w, 0), signal.left);
                CloseAllEditors();
            }
        }
    }
}

TEST(HandOver, AbortLeavesTheInPlacePartialResult) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    gProcessing.abortable = true;
    const uint32_t frames = 100001;
    Signal signal(frames);
    for (auto& [name, op] : OutOfPlaceOps()) {
        for (int abortAt : {5, 50, 100}) {
            SCOPED_TRACE(testing::Message() << name << " abort at " << abortAt);
            gEditing.affectArea = kAffectAll;
            gEditing.editChannel = kEditLeftRight;
            gBackups = 0;
            WaveRecord* reference = signal.Make();
            ui.abortAtProgress = abortAt;
            int inPlace = op(*reference);
            gBackups = 1;
            WaveRecord* w = signal.Make();
            ui.abortAtProgress = abortAt;
            EXPECT_EQ(op(*w), inPlace);
            ui.abortAtProgress = -1;
            EXPECT_FALSE(AbortRequested());
            EXPECT_EQ(Channel(*w, 0), Channel(*reference, 0));
            EXPECT_EQ(Channel(*w, 1), Channel(*reference, 1));
            ASSERT_EQ(Undo(*w), kUndoDone);
            EXPECT_EQ(Channel(*w, 0), signal.left);
            EXPECT_EQ(Channel(*w, 1), signal.right);
            CloseAllEditors();
        }
    }
}

TEST(HandOver, NoMemoryForTheBackupEditsInPlaceUnprotected) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    Signal signal(60000);
    WaveRecord* w = signal.Make();
    WaveRecord* reference = signal.Make();
    gBackups = 0;
    ASSERT_EQ(Reverse(*reference), kEditDone);
    gBackups = 1;
    const float* oldLeft = w->leftSamples;
    SetMemoryBudget(LargeBytesInUse() + 1000);
    EXPECT_EQ(Reverse(*w), kEditDone);
    SetMemoryBudget(0);
    EXPECT_EQ(w->leftSamples, oldLeft);
    EXPECT_EQ(w->undoHead, nullptr);
    EXPECT_EQ(Channel(*w, 0), Channel(*reference, 0));
    EXPECT_EQ(Channel(*w, 1), Channel(*reference, 1));
}

}  // namespace
}  // namespace ob
