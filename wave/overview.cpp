// Peak overview: one (maximum, minimum) pair per 200-frame block of each
// channel, kept for waves of 500 blocks and more so drawing stays fast.
#include <xmmintrin.h>

#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

uint32_t OverviewBlockCount(uint32_t frameCount) {
    return frameCount / kOverviewBlockFrames + 1;
}

namespace {

void DropOne(PeakOverview& overview) {
    if (overview.pairs)
        Release(overview.pairs, size_t(overview.blocks) * 2 * sizeof(float), kAllocHeap);
    overview = PeakOverview{};
}

// Maximum and minimum of one full 200-frame block, four lanes at a time.
// _mm_max_ps(v, m) keeps m when v is not a number, exactly like the scalar
// "if (v > maximum) maximum = v" rule, so both paths give the same pair.
inline void FullBlockPeaks(const float* p, float& maximum, float& minimum) {
    static_assert(kOverviewBlockFrames % 8 == 0, "full blocks are walked eight frames at a time");
    __m128 max0 = _mm_set1_ps(p[0]), max1 = max0, min0 = max0, min1 = max0;
    for (uint32_t i = 0; i < kOverviewBlockFrames; i += 8) {
        __m128 a = _mm_loadu_ps(p + i), b = _mm_loadu_ps(p + i + 4);
        max0 = _mm_max_ps(a, max0);
        max1 = _mm_max_ps(b, max1);
        min0 = _mm_min_ps(a, min0);
        min1 = _mm_min_ps(b, min1);
    }
    alignas(16) float maxLanes[4], minLanes[4];
    _mm_store_ps(maxLanes, _mm_max_ps(max1, max0));
    _mm_store_ps(minLanes, _mm_min_ps(min1, min0));
    maximum = minimum = p[0];
    for (int lane = 0; lane < 4; ++lane) {
        if (maxLanes[lane] > maximum) maximum = maxLanes[lane];
        if (minLanes[lane] < minimum) minimum = minLanes[lane];
    }
}

// Pairs for blocks first..lastBlock of one channel. A block with no frames
// (the last one when frameCount is a multiple of 200) gets (0, 0).
void ComputeBlocks(const float* samples, uint32_t frameCount, float* pairs, uint32_t first,
                   uint32_t lastBlock) {
    for (uint32_t block = first; block <= lastBlock; ++block) {
        uint64_t begin = uint64_t(block) * kOverviewBlockFrames;
        float maximum = 0.0f, minimum = 0.0f;
        if (begin + kOverviewBlockFrames <= frameCount) {
            FullBlockPeaks(samples + begin, maximum, minimum);
        } else if (begin < frameCount) {
            maximum = minimum = samples[begin];
            for (uint64_t i = begin + 1; i < frameCount; ++i) {
                float v = samples[i];
                if (v > maximum) maximum = v;
                if (v < minimum) minimum = v;
            }
        }
        pairs[2 * size_t(block)] = maximum;
        pairs[2 * size_t(block) + 1] = minimum;
    }
}

// Makes sure `overview` has `blocks` pairs; false when memory runs out.
bool EnsureSize(PeakOverview& overview, uint32_t blocks) {
    if (overview.pairs && overview.blocks == blocks) return true;
    DropOne(overview);
    auto* pairs = static_cast<float*>(Allocate(size_t(blocks) * 2 * sizeof(float), kAllocHeap));
    if (!pairs) return false;
    overview.pairs = pairs;
    overview.blocks = blocks;
    return true;
}

}  // namespace

void ComputeOverviewBlocks(const float* samples, uint32_t frameCount, float* pairs, uint32_t first,
                           uint32_t last) {
    if (samples && pairs && first <= last) ComputeBlocks(samples, frameCount, pairs, first, last);
}

void DropOverviews(WaveRecord& record) {
    DropOne(record.leftOverview);
    DropOne(record.rightOverview);
}

void UpdateOverview(WaveRecord& record, uint32_t start, uint32_t length, uint32_t channels) {
    const uint32_t count = record.frameCount;
    const uint32_t blocks = OverviewBlockCount(count);
    if (!record.leftSamples || count == 0 || blocks < kOverviewMinBlocks) {
        DropOverviews(record);
        return;
    }
    if (!record.rightSamples) DropOne(record.rightOverview);

    // A channel whose overview is missing or of the wrong size is rebuilt
    // whole, whatever range and channels were asked for.
    bool rebuildLeft = !(record.leftOverview.pairs && record.leftOverview.blocks == blocks);
    bool rebuildRight = record.rightSamples &&
                        !(record.rightOverview.pairs && record.rightOverview.blocks == blocks);
    if ((rebuildLeft && !EnsureSize(record.leftOverview, blocks)) ||
        (rebuildRight && !EnsureSize(record.rightOverview, blocks))) {
        DropOverviews(record);
        return;
    }
    if (rebuildLeft)
        ComputeBlocks(record.leftSamples, count, record.leftOverview.pairs, 0, blocks - 1);
    if (rebuildRight)
        ComputeBlocks(record.rightSamples, count, record.rightOverview.pairs, 0, blocks - 1);

    uint32_t firstBlock = 0, lastBlock = blocks - 1;
    if (length != 0 && start < count) {
        uint64_t end = uint64_t(start) + length;  // one past the last frame
        if (end > count) end = count;
        firstBlock = start / kOverviewBlockFrames;
        lastBlock = static_cast<uint32_t>((end - 1) / kOverviewBlockFrames);
    }
    if ((channels & kEditLeft) && !rebuildLeft)
        ComputeBlocks(record.leftSamples, count, record.leftOverview.pairs, firstBlock, lastBlock);
    if ((channels & kEditRight) && record.rightSamples && !rebuildRight)
        ComputeBlocks(record.rightSamples, count, record.rightOverview.pairs, firstBlock,
                      lastBlock);
}

}  // namespace ob
