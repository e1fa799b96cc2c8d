// Loops and markers: set, clamp, delete, roles, tidy, list copies.
#include <gtest/gtest.h>

#include "wave/memory.h"
#include "wave/wave_record.h"
#include "wave_fixture.h"

using namespace ob;

namespace {
int CountLoops(const WaveRecord& r) {
    int n = 0;
    for (LoopNode* l = r.loops; l; l = l->next) ++n;
    return n;
}
int CountMarkers(const WaveRecord& r) {
    int n = 0;
    for (MarkerNode* m = r.markers; m; m = m->next) ++n;
    return n;
}
}  // namespace

TEST(Loops, SetClampSwapDeleteAndRoles) {
    ScopedRecord s;
    WaveRecord& r = s.record;
    ASSERT_TRUE(GiveWave(r, 1000, false));
    LoopNode* loop = SetLoop(r, 900, 5000, 1, 3);  // end clamped, then swapped order kept
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->start, 900u);
    EXPECT_EQ(loop->end, 999u);
    EXPECT_EQ(loop->type, 1);
    EXPECT_EQ(loop->playCount, 1u);
    loop = SetLoop(r, 700, 100, 0, 3);  // reversed ends are swapped, same node
    EXPECT_EQ(FindLoop(r, 3), loop);
    EXPECT_EQ(loop->start, 100u);
    EXPECT_EQ(loop->end, 700u);
    EXPECT_EQ(CountLoops(r), 1);

    SetLoop(r, 10, 20, 0, 7);
    EXPECT_EQ(r.loops->id, 7);  // new nodes go to the head
    r.sustainLoopId = 3;
    r.releaseLoopId = 7;
    // Equal ends after clamping delete the loop and clear its role.
    EXPECT_EQ(SetLoop(r, 5000, 6000, 0, 3), nullptr);
    EXPECT_EQ(FindLoop(r, 3), nullptr);
    EXPECT_EQ(r.sustainLoopId, -1);
    EXPECT_EQ(r.releaseLoopId, 7);
    DeleteLoop(r, 7);
    EXPECT_EQ(r.releaseLoopId, -1);
    EXPECT_EQ(r.loops, nullptr);
    EXPECT_EQ(SetLoop(r, 1, 2, 0, 256), nullptr);
    EXPECT_EQ(SetLoop(r, 1, 2, 0, -1), nullptr);

    // AddDefaultLoop covers the whole wave and resets an existing loop.
    LoopNode* def = AddDefaultLoop(r, 9);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->start, 0u);
    EXPECT_EQ(def->end, 999u);
    def->start = 50;
    def->type = 1;
    def->playCount = kLoopEndless;
    EXPECT_EQ(AddDefaultLoop(r, 9), def);
    EXPECT_EQ(def->start, 0u);
    EXPECT_EQ(def->type, 0);
    EXPECT_EQ(def->playCount, 1u);
    EXPECT_EQ(CountLoops(r), 1);

    // Out of memory: the node is simply not added.
    SetHeapFailureCountdown(0);
    EXPECT_EQ(AddDefaultLoop(r, 10), nullptr);
    EXPECT_EQ(SetLoop(r, 1, 5, 0, 11), nullptr);
    SetHeapFailureCountdown(-1);
    EXPECT_EQ(CountLoops(r), 1);
}

TEST(Markers, SetMoveReplaceFindAndDelete) {
    ScopedRecord s;
    WaveRecord& r = s.record;
    ASSERT_TRUE(GiveWave(r, 100, true));
    MarkerNode* m = SetMarker(r, 500, 4, "Attack");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->position, 99u);  // clamped to the last frame
    SetMarker(r, 10, 5, nullptr);
    EXPECT_EQ(FindMarker(r, 5)->name, "");
    // Without a name an existing marker only moves and keeps its name.
    MarkerNode* moved = SetMarker(r, 20, 4, nullptr);
    EXPECT_EQ(moved, m);
    EXPECT_EQ(m->position, 20u);
    EXPECT_EQ(m->name, "Attack");
    EXPECT_EQ(r.markers->id, 5);
    // With a name it is replaced by a new node at the head.
    MarkerNode* replaced = SetMarker(r, 30, 4, "Decay");
    EXPECT_EQ(r.markers, replaced);
    EXPECT_EQ(replaced->position, 30u);
    EXPECT_EQ(CountMarkers(r), 2);
    EXPECT_EQ(FindMarkerByName(r, "dEcAy"), replaced);
    EXPECT_EQ(FindMarkerByName(r, "Attack"), nullptr);
    // Running out of memory while replacing keeps the old marker.
    SetHeapFailureCountdown(0);
    EXPECT_EQ(SetMarker(r, 40, 4, "Sustain"), nullptr);
    SetHeapFailureCountdown(-1);
    EXPECT_EQ(FindMarker(r, 4), replaced);
    DeleteMarkerByName(r, "DECAY");
    EXPECT_EQ(FindMarker(r, 4), nullptr);
    DeleteMarker(r, 5);
    EXPECT_EQ(r.markers, nullptr);
    EXPECT_EQ(SetMarker(r, 1, 300, "x"), nullptr);
}

TEST(Lists, TidyClearAndCopy) {
    ScopedRecord a, b;
    ASSERT_TRUE(GiveWave(a.record, 1000, false));
    ASSERT_TRUE(GiveWave(b.record, 10, false));
    WaveRecord& r = a.record;
    SetLoop(r, 100, 900, 0, 1);
    SetLoop(r, 5, 8, 1, 2);
    SetLoop(r, 950, 990, 0, 3);
    SetMarker(r, 3, 0, "start");
    SetMarker(r, 500, 1, "mid");
    SetMarker(r, 9, 2, nullptr);
    r.sustainLoopId = 1;
    r.releaseLoopId = 3;

    // Copies keep order and roles.
    ASSERT_EQ(CopyLists(kListLoops | kListMarkers, r, b.record), 1);
    EXPECT_EQ(b.record.loops->id, 3);
    EXPECT_EQ(b.record.loops->next->id, 2);
    EXPECT_EQ(b.record.markers->id, 2);
    EXPECT_EQ(b.record.markers->next->name, "mid");
    EXPECT_EQ(b.record.sustainLoopId, 1);
    EXPECT_EQ(b.record.releaseLoopId, 3);
    EXPECT_NE(b.record.loops, r.loops);  // deep copies

    // Tidy on the 10-frame wave: loops 1 and 3 collapse, loop 2 stays, marker at 500 goes.
    b.record.loops->next->next->start = 9;  // loop 1 reversed beyond the end
    TidyLoopsAndMarkers(b.record);
    EXPECT_EQ(CountLoops(b.record), 1);
    EXPECT_EQ(b.record.loops->id, 2);
    EXPECT_EQ(b.record.sustainLoopId, -1);
    EXPECT_EQ(b.record.releaseLoopId, -1);
    EXPECT_EQ(CountMarkers(b.record), 2);
    EXPECT_EQ(FindMarker(b.record, 1), nullptr);
    // A loop with end < start is put in order.
    b.record.loops->start = 8;
    b.record.loops->end = 2;
    TidyLoopsAndMarkers(b.record);
    EXPECT_EQ(b.record.loops->start, 2u);
    EXPECT_EQ(b.record.loops->end, 8u);

    // Only the selected list is replaced.
    ASSERT_EQ(CopyLists(kListMarkers, r, b.record), 1);
    EXPECT_EQ(CountMarkers(b.record), 3);
    EXPECT_EQ(CountLoops(b.record), 1);

    // Failure midway clears the selected lists of the target.
    SetHeapFailureCountdown(2);
    EXPECT_EQ(CopyLists(kListLoops | kListMarkers, r, b.record), 0);
    SetHeapFailureCountdown(-1);
    EXPECT_EQ(b.record.loops, nullptr);
    EXPECT_EQ(b.record.markers, nullptr);
    EXPECT_EQ(b.record.sustainLoopId, -1);

    ClearLists(r, kListMarkers);
    EXPECT_EQ(r.markers, nullptr);
    EXPECT_EQ(CountLoops(r), 3);
    EXPECT_EQ(r.sustainLoopId, 1);
    ClearLists(r, kListLoops);
    EXPECT_EQ(r.loops, nullptr);
    EXPECT_EQ(r.sustainLoopId, -1);
    EXPECT_EQ(r.releaseLoopId, -1);
}
