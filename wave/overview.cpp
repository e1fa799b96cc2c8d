// Peak overview: one (maximum, minimum) pair per 200-frame block of each
// channel, kept for waves of 500 blocks and more so drawing stays fast, and
// the coarse level of one pair per 16 blocks kept beside it.
#include <xmmintrin.h>

#include <algorithm>

#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

uint32_t OverviewBlockCount(uint32_t frameCount) {
    return frameCount / kOverviewBlockFrames + 1;
}

namespace {

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

// Coarse pairs first..last of `overview`, each folded from its blocks by the
// same scalar rule as the blocks from their frames.
void ComputeCoarse(PeakOverview& overview, uint32_t first, uint32_t last) {
    float* coarse = overview.pairs + 2 * size_t(overview.blocks);
    for (uint32_t k = first; k <= last; ++k) {
        const size_t begin = size_t(k) * kCoarseOverviewBlocks;
        const size_t end = std::min<size_t>(begin + kCoarseOverviewBlocks, overview.blocks);
        const float* p = overview.pairs + 2 * begin;
        float maximum = p[0], minimum = p[1];
        for (size_t b = 1; b < end - begin; ++b) {
            if (p[2 * b] > maximum) maximum = p[2 * b];
            if (p[2 * b + 1] < minimum) minimum = p[2 * b + 1];
        }
        coarse[2 * size_t(k)] = maximum;
        coarse[2 * size_t(k) + 1] = minimum;
    }
}

// Blocks first..last of one channel and the coarse pairs over them.
void Rebuild(const float* samples, uint32_t frameCount, PeakOverview& overview, uint32_t first,
             uint32_t last) {
    ComputeBlocks(samples, frameCount, overview.pairs, first, last);
    ComputeCoarse(overview, first / kCoarseOverviewBlocks, last / kCoarseOverviewBlocks);
}

// Makes sure `overview` has `blocks` pairs; false when memory runs out.
bool EnsureSize(PeakOverview& overview, uint32_t blocks) {
    if (overview.pairs && overview.blocks == blocks) return true;
    return AllocateOverview(overview, blocks);
}

}  // namespace

size_t OverviewBytes(uint32_t blocks) {
    return (size_t(blocks) + CoarseBlockCount(blocks)) * 2 * sizeof(float);
}

bool AllocateOverview(PeakOverview& overview, uint32_t blocks) {
    FreeOverview(overview);
    if (blocks == 0) return false;
    auto* pairs = static_cast<float*>(Allocate(OverviewBytes(blocks), kAllocHeap));
    if (!pairs) return false;
    overview.pairs = pairs;
    overview.blocks = blocks;
    return true;
}

void FreeOverview(PeakOverview& overview) {
    if (overview.pairs) Release(overview.pairs, OverviewBytes(overview.blocks), kAllocHeap);
    overview = PeakOverview{};
}

void UpdateCoarseOverview(PeakOverview& overview, uint32_t first, uint32_t last) {
    if (!overview.pairs || first > last || first >= overview.blocks) return;
    last = std::min(last, overview.blocks - 1);
    ComputeCoarse(overview, first / kCoarseOverviewBlocks, last / kCoarseOverviewBlocks);
}

void ComputeOverviewBlocks(const float* samples, uint32_t frameCount, PeakOverview& overview,
                           uint32_t first, uint32_t last) {
    if (!samples || !overview.pairs || first > last || last >= overview.blocks) return;
    ComputeBlocks(samples, frameCount, overview.pairs, first, last);
    // The coarse pairs whose last block is among these; the wave's last pair
    // ends at its last block, however few blocks it holds.
    const uint32_t end = last + 1;  // one past the last block
    const uint32_t k0 = first / kCoarseOverviewBlocks;
    uint32_t k1 = end / kCoarseOverviewBlocks;  // one past the last whole coarse pair
    if (end == overview.blocks) k1 = CoarseBlockCount(overview.blocks);
    if (k1 > k0) ComputeCoarse(overview, k0, k1 - 1);
}

void DropOverviews(WaveRecord& record) {
    FreeOverview(record.leftOverview);
    FreeOverview(record.rightOverview);
}

void UpdateOverview(WaveRecord& record, uint32_t start, uint32_t length, uint32_t channels) {
    const uint32_t count = record.frameCount;
    const uint32_t blocks = OverviewBlockCount(count);
    if (!record.leftSamples || count == 0 || blocks < kOverviewMinBlocks) {
        DropOverviews(record);
        return;
    }
    if (!record.rightSamples) FreeOverview(record.rightOverview);

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
    if (rebuildLeft) Rebuild(record.leftSamples, count, record.leftOverview, 0, blocks - 1);
    if (rebuildRight) Rebuild(record.rightSamples, count, record.rightOverview, 0, blocks - 1);

    uint32_t firstBlock = 0, lastBlock = blocks - 1;
    if (length != 0 && start < count) {
        uint64_t end = uint64_t(start) + length;  // one past the last frame
        if (end > count) end = count;
        firstBlock = start / kOverviewBlockFrames;
        lastBlock = static_cast<uint32_t>((end - 1) / kOverviewBlockFrames);
    }
    if ((channels & kEditLeft) && !rebuildLeft)
        Rebuild(record.leftSamples, count, record.leftOverview, firstBlock, lastBlock);
    if ((channels & kEditRight) && record.rightSamples && !rebuildRight)
        Rebuild(record.rightSamples, count, record.rightOverview, firstBlock, lastBlock);
}

}  // namespace ob
