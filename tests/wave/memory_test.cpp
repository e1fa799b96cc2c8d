// Allocate / Release, the large-block budget and the allocation counters.
#include "wave/memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace ob;

namespace {
// Restores the computed budget when a test ends.
struct BudgetGuard {
    ~BudgetGuard() {
        ::unsetenv("ORBICK_MEMORY_BUDGET");
        SetMemoryBudget(0);
    }
};
}  // namespace

TEST(Memory, HeapAndLargeBlocksZeroFillAndRelease) {
    EXPECT_EQ(Allocate(0, kAllocHeap), nullptr);
    EXPECT_EQ(Allocate(0, kAllocLarge), nullptr);
    Release(nullptr, 10, kAllocHeap);
    Release(nullptr, 10, kAllocLarge);

    AllocationStats before = GetAllocationStats();
    auto* heap = static_cast<unsigned char*>(Allocate(1000, kAllocHeap | kAllocZero));
    ASSERT_NE(heap, nullptr);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(heap[i], 0);
    Release(heap, 1000, kAllocHeap);

    uint64_t inUse = LargeBytesInUse();
    auto* large = static_cast<float*>(Allocate(4 * 100000, kAllocLarge | kAllocZero));
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(large) % 16, 0u);
    for (int i = 0; i < 100000; ++i) ASSERT_EQ(large[i], 0.0f);
    EXPECT_EQ(LargeBytesInUse(), inUse + 400000);
    AllocationStats after = GetAllocationStats();
    EXPECT_EQ(after.largeAllocations, before.largeAllocations + 1);
    EXPECT_EQ(after.largeBytes, before.largeBytes + 400000);
    EXPECT_EQ(after.heapAllocations, before.heapAllocations + 1);
    // The accounting follows the block, not the size a caller passes back.
    Release(large, 12345, kAllocLarge);
    EXPECT_EQ(LargeBytesInUse(), inUse);
}

TEST(Memory, BudgetRefusesLargeBlocksThatDoNotFit) {
    BudgetGuard guard;
    SetMemoryBudget(1 << 20);
    EXPECT_EQ(MemoryBudget(), 1u << 20);
    ASSERT_EQ(LargeBytesInUse(), 0u);
    EXPECT_EQ(Allocate((1 << 20) + 1, kAllocLarge), nullptr);
    EXPECT_TRUE(LargeBlockWouldFit(1 << 20));
    void* a = Allocate(600 << 10, kAllocLarge);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(LargeBlockWouldFit(600 << 10));
    EXPECT_EQ(Allocate(600 << 10, kAllocLarge | kAllocZero), nullptr);
    void* b = Allocate(424 << 10, kAllocLarge);  // exactly fills the budget
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Allocate(1, kAllocLarge), nullptr);
    // Heap blocks are not counted against the budget.
    void* h = Allocate(2 << 20, kAllocHeap);
    EXPECT_NE(h, nullptr);
    Release(h, 2 << 20, kAllocHeap);
    Release(a, 600 << 10, kAllocLarge);
    void* c = Allocate(600 << 10, kAllocLarge);
    EXPECT_NE(c, nullptr);
    Release(b, 424 << 10, kAllocLarge);
    Release(c, 600 << 10, kAllocLarge);
    EXPECT_EQ(LargeBytesInUse(), 0u);
    // A size near the top of size_t fails cleanly instead of wrapping.
    SetMemoryBudget(UINT64_MAX);
    EXPECT_EQ(Allocate(SIZE_MAX - 8, kAllocLarge), nullptr);
    EXPECT_EQ(LargeBytesInUse(), 0u);
}

TEST(Memory, BudgetFromEnvironmentAndAvailableMemory) {
    BudgetGuard guard;
    ::setenv("ORBICK_MEMORY_BUDGET", "3M", 1);
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryBudget(), 3u << 20);
    ::setenv("ORBICK_MEMORY_BUDGET", "64k", 1);
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryBudget(), 64u << 10);
    ::setenv("ORBICK_MEMORY_BUDGET", "2G", 1);
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryBudget(), 2ull << 30);
    ::setenv("ORBICK_MEMORY_BUDGET", "123456", 1);
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryBudget(), 123456u);
    // Unreadable values fall back to the share of available memory.
    ::setenv("ORBICK_MEMORY_BUDGET", "lots", 1);
    SetMemoryBudget(0);
    uint64_t fallback = MemoryBudget();
    EXPECT_GT(fallback, 1u << 20);
    ::unsetenv("ORBICK_MEMORY_BUDGET");
    SetMemoryBudget(0);
    EXPECT_GT(MemoryBudget(), 1u << 20);
}

TEST(Memory, SharedLargeBlocksLiveUntilTheLastReferenceAndCopyOnWrite) {
    BudgetGuard guard;
    SetMemoryBudget(1 << 20);
    uint64_t before = LargeBytesInUse();
    auto* block = static_cast<float*>(Allocate(4096, kAllocLarge));
    ASSERT_NE(block, nullptr);
    block[0] = 1.5f;
    EXPECT_FALSE(BlockIsShared(block));
    EXPECT_EQ(UnshareBlock(block), block);  // not shared: the same block
    ASSERT_EQ(ShareBlock(block), block);
    EXPECT_TRUE(BlockIsShared(block));
    // Copy on write: the writer gets a copy, the other owner keeps the block.
    auto* copy = static_cast<float*>(UnshareBlock(block));
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, block);
    EXPECT_EQ(copy[0], 1.5f);
    EXPECT_FALSE(BlockIsShared(block));
    EXPECT_EQ(LargeBytesInUse(), before + 8192);
    Release(copy, 4096, kAllocLarge);
    // Two references: the first Release keeps the block, the second frees it.
    ASSERT_EQ(ShareBlock(block), block);
    Release(block, 4096, kAllocLarge);
    EXPECT_EQ(block[0], 1.5f);
    EXPECT_EQ(LargeBytesInUse(), before + 4096);
    Release(block, 4096, kAllocLarge);
    EXPECT_EQ(LargeBytesInUse(), before);
    // A copy that does not fit the budget leaves the caller with its reference.
    auto* big = Allocate(700 * 1024, kAllocLarge);
    ASSERT_NE(big, nullptr);
    ASSERT_EQ(ShareBlock(big), big);
    EXPECT_EQ(UnshareBlock(big), nullptr);
    EXPECT_TRUE(BlockIsShared(big));
    Release(big, 0, kAllocLarge);
    Release(big, 0, kAllocLarge);
    EXPECT_EQ(LargeBytesInUse(), before);
    EXPECT_EQ(ShareBlock(nullptr), nullptr);
}
