// The peak overview and its coarse level written straight from their
// definitions, for tests that check what an operation left behind.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "wave/wave_record.h"

// Pair b: the maximum and minimum of frames 200b .. 200b + 199 ((0, 0) for a
// block with no frames); coarse pair k: the extremes of pairs 16k .. 16k + 15.
inline ::testing::AssertionResult OverviewMatches(const float* samples, uint32_t frames,
                                                  const ob::PeakOverview& ov) {
    if (!ov.pairs) return ::testing::AssertionFailure() << "no overview";
    if (ov.blocks != frames / 200 + 1)
        return ::testing::AssertionFailure() << ov.blocks << " blocks for " << frames << " frames";
    std::vector<float> coarse;
    for (uint32_t b = 0; b < ov.blocks; ++b) {
        uint32_t begin = b * 200, end = std::min(begin + 200, frames);
        float hi = 0, lo = 0;
        if (begin < end) {
            hi = *std::max_element(samples + begin, samples + end);
            lo = *std::min_element(samples + begin, samples + end);
        }
        if (ov.pairs[2 * b] != hi || ov.pairs[2 * b + 1] != lo)
            return ::testing::AssertionFailure()
                   << "pair " << b << " is (" << ov.pairs[2 * b] << ", " << ov.pairs[2 * b + 1]
                   << "), not (" << hi << ", " << lo << ")";
        if (b % 16 == 0) {
            coarse.push_back(hi);
            coarse.push_back(lo);
        }
        coarse[coarse.size() - 2] = std::max(coarse[coarse.size() - 2], hi);
        coarse.back() = std::min(coarse.back(), lo);
    }
    if (coarse.size() != 2 * size_t(ob::CoarseBlockCount(ov.blocks)))
        return ::testing::AssertionFailure() << "coarse pair count";
    const float* c = ob::CoarsePairs(ov);
    for (size_t k = 0; k < coarse.size() / 2; ++k)
        if (c[2 * k] != coarse[2 * k] || c[2 * k + 1] != coarse[2 * k + 1])
            return ::testing::AssertionFailure()
                   << "coarse pair " << k << " is (" << c[2 * k] << ", " << c[2 * k + 1]
                   << "), not (" << coarse[2 * k] << ", " << coarse[2 * k + 1] << ")";
    return ::testing::AssertionSuccess();
}
