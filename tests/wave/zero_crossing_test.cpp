// The zero-crossing search the loop window snaps to.
#include <gtest/gtest.h>

#include <vector>

#include "wave/auto_locate.h"

namespace ob {
namespace {

struct Wave {
    std::vector<float> left, right;
    WaveRecord record;
    Wave(std::vector<float> l, std::vector<float> r = {})
        : left(std::move(l)), right(std::move(r)) {
        record.leftSamples = left.data();
        record.rightSamples = right.empty() ? nullptr : right.data();
        record.frameCount = uint32_t(left.size());
    }
    ~Wave() { record.leftSamples = record.rightSamples = nullptr; }
};

TEST(NearestZeroCrossing, NearestEarlierOnTieAndNoneWithoutSignChange) {
    const EditingState saved = gEditing;
    //             0     1     2    3    4     5     6     7
    Wave w({0.5f, 0.2f, -0.1f, -0.3f, 0.4f, 0.6f, 0.7f, 0.8f});
    EXPECT_EQ(NearestZeroCrossing(w.record, 0), 2);
    EXPECT_EQ(NearestZeroCrossing(w.record, 3), 2);  // 2 and 4 are both one away
    EXPECT_EQ(NearestZeroCrossing(w.record, 7), 4);
    Wave flat({0.1f, 0.2f, 0.3f});
    EXPECT_EQ(NearestZeroCrossing(flat.record, 1), -1);
    Wave one({0.1f});
    EXPECT_EQ(NearestZeroCrossing(one.record, 0), -1);
    // Stereo with both channels edited: only a frame where both cross counts.
    Wave s({0.5f, -0.5f, 0.5f, -0.5f, 0.5f}, {0.5f, 0.4f, 0.3f, -0.2f, -0.3f});
    gEditing.editChannel = kEditLeftRight;
    EXPECT_EQ(NearestZeroCrossing(s.record, 0), 3);
    gEditing.editChannel = kEditLeft;
    EXPECT_EQ(NearestZeroCrossing(s.record, 0), 1);
    gEditing = saved;
}

TEST(SnapPosition, OnlyWithTheKindsFlag) {
    Wave w(std::vector<float>(100, 0.0f));
    AutoLocateSettings s;
    s.multiplier = 16;
    EXPECT_EQ(SnapPosition(w.record, 17, kLocateMarkers, s), 17u);
    s.flags |= kLocateMarkers;
    EXPECT_EQ(SnapPosition(w.record, 17, kLocateMarkers, s), 32u);
    EXPECT_EQ(SnapPosition(w.record, 17, kLocateLoops, s), 17u);
    // Nothing found places at frame 0.
    EXPECT_EQ(SnapPosition(w.record, 97, kLocateMarkers, s), 0u);
}

}  // namespace
}  // namespace ob
