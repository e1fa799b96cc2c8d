// Memory helpers used by every subsystem: Allocate / Release with kind flags,
// and the memory budget that makes out-of-memory paths real on Linux.
//
// Linux overcommits memory, so a plain allocation of a huge sample buffer
// "succeeds" and the process dies later. Large blocks (sample buffers) are
// therefore counted against a budget: by default a share of the memory the
// kernel reports available at the first large allocation; the environment
// variable ORBICK_MEMORY_BUDGET (bytes, suffixes K, M, G allowed) overrides it,
// and tests may set it with SetMemoryBudget. A request that would pass the
// budget fails with null, exactly like a failed allocation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ob {

enum AllocFlags : unsigned {
    kAllocZero = 1,   // zero-fill the block
    kAllocLarge = 2,  // large block: sample buffers; counted against the budget
    kAllocHeap = 4,   // small block from the heap: nodes, chunks, scratch buffers
};

// Returns null on failure (never throws). size 0 returns null.
void* Allocate(size_t size, unsigned flags);
// Releases a block obtained with the same kind bit; null does nothing. A
// large block is reference-counted: Release drops one reference and frees
// the block with the last one.
void Release(void* block, size_t size, unsigned flags);

// Shared ownership of large blocks (the player holds the samples it plays
// this way, so an edit never frees what the playback thread reads).
// ShareBlock adds a reference and returns the block, or null when `block` is
// not a large block; each reference is dropped with Release.
void* ShareBlock(void* block);
// True when more than one reference holds the large block.
bool BlockIsShared(const void* block);
// Copy on write: when `block` is shared, returns a private copy of it and
// drops the caller's reference to the shared one; an unshared block comes
// back unchanged. Null when the copy cannot be allocated (the caller keeps
// its reference to the shared block).
void* UnshareBlock(void* block);

// Budget for large blocks in bytes; 0 means "compute from available memory".
void SetMemoryBudget(uint64_t bytes);
uint64_t MemoryBudget();
// Bytes of large blocks currently held.
uint64_t LargeBytesInUse();
// True when a further large block of `bytes` would fit within the budget.
bool LargeBlockWouldFit(uint64_t bytes);

// Counters for tests (for example: an undo exchange must not copy samples).
struct AllocationStats {
    uint64_t largeAllocations;  // large blocks obtained since start
    uint64_t largeBytes;        // bytes of those blocks
    uint64_t heapAllocations;
};
AllocationStats GetAllocationStats();

// Test hook: after `count` further heap blocks have been obtained, every heap
// request fails until the hook is turned off again with -1 (the default).
// Lets tests drive the out-of-memory paths of node and overview allocation.
void SetHeapFailureCountdown(int64_t count);

}  // namespace ob
