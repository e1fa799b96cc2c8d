// Allocate / Release and the memory budget for large blocks.
//
// Large blocks (sample buffers) come from malloc/calloc with a small header
// that records the block size, so the budget accounting never depends on the
// size a caller passes back. glibc serves blocks of this size with fresh
// anonymous mappings, so a zero-filled large block costs no extra pass. Every
// large request is first reserved against the budget; a request that would
// pass it returns null exactly as a failed allocation does. Big blocks of
// either kind are populated in one call (huge pages for the biggest), since
// they are filled right after they are obtained.
#include "wave/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace ob {

namespace {

constexpr uint64_t kLargeMagic = 0x4F424C4B4C524745ull;  // "OBLKLRGE"
constexpr size_t kHeaderSize = 32;                       // keeps 16-byte alignment
constexpr unsigned kBudgetSharePercent = 75;
constexpr size_t kHugePageMinBytes = size_t(4) << 20;
constexpr size_t kPopulateMinBytes = size_t(256) << 10;

struct LargeHeader {
    uint64_t magic;
    uint64_t size;
    std::atomic<uint64_t> extraReferences;  // owners beyond the first
    uint64_t reserved;
};
static_assert(sizeof(LargeHeader) == kHeaderSize);

std::atomic<uint64_t> gBudget{0};  // 0 = not computed yet
std::atomic<uint64_t> gInUse{0};
std::atomic<uint64_t> gLargeAllocations{0};
std::atomic<uint64_t> gLargeBytes{0};
std::atomic<uint64_t> gHeapAllocations{0};
std::atomic<int64_t> gHeapCountdown{-1};  // -1 = no injected failures
std::mutex gBudgetMutex;

// Parses "123", "64K", "512M", "2G" (case-insensitive); 0 on anything else.
uint64_t ParseByteCount(const char* text) {
    if (!text || !*text) return 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text) return 0;
    uint64_t scale = 1;
    switch (*end) {
        case 'k':
        case 'K':
            scale = 1ull << 10;
            ++end;
            break;
        case 'm':
        case 'M':
            scale = 1ull << 20;
            ++end;
            break;
        case 'g':
        case 'G':
            scale = 1ull << 30;
            ++end;
            break;
        default:
            break;
    }
    if (*end == 'b' || *end == 'B') ++end;
    if (*end != '\0') return 0;
    if (value > UINT64_MAX / scale) return UINT64_MAX;
    return value * scale;
}

// MemAvailable from /proc/meminfo in bytes, or free physical pages when the
// kernel is too old to report it.
uint64_t AvailableMemory() {
    if (FILE* f = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        unsigned long long kib = 0;
        bool found = false;
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
                found = true;
                break;
            }
        }
        std::fclose(f);
        if (found) return static_cast<uint64_t>(kib) * 1024;
    }
    long pages = sysconf(_SC_AVPHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    return 1ull << 30;
}

uint64_t ComputeDefaultBudget() {
    uint64_t fromEnv = ParseByteCount(std::getenv("ORBICK_MEMORY_BUDGET"));
    if (fromEnv) return fromEnv;
    uint64_t available = AvailableMemory();
    uint64_t budget = available / 100 * kBudgetSharePercent;
    return budget ? budget : 1;
}

uint64_t EffectiveBudget() {
    uint64_t budget = gBudget.load(std::memory_order_relaxed);
    if (budget) return budget;
    std::lock_guard<std::mutex> lock(gBudgetMutex);
    budget = gBudget.load(std::memory_order_relaxed);
    if (!budget) {
        budget = ComputeDefaultBudget();
        gBudget.store(budget, std::memory_order_relaxed);
    }
    return budget;
}

// Reserves `bytes` of the budget; false when they do not fit.
bool Reserve(uint64_t bytes) {
    uint64_t budget = EffectiveBudget();
    uint64_t used = gInUse.load(std::memory_order_relaxed);
    do {
        if (bytes > budget || used > budget - bytes) return false;
    } while (!gInUse.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
    return true;
}

void Unreserve(uint64_t bytes) {
    gInUse.fetch_sub(bytes, std::memory_order_relaxed);
}

// Huge-page advice (4 MB and more) and one populate call (256 KB and more)
// for a block that is about to be filled; only hints, failures are ignored
// (the pages then fault in one by one).
void PrepareForFill(void* block, size_t bytes) {
    static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    uintptr_t start = (uintptr_t(block) + page - 1) & ~(page - 1);
    uintptr_t end = (uintptr_t(block) + bytes) & ~(page - 1);
    if (end <= start || end - start < kPopulateMinBytes) return;
#ifdef MADV_HUGEPAGE
    if (end - start >= kHugePageMinBytes)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#endif
}

void* AllocateLarge(size_t size, bool zero) {
    if (size > SIZE_MAX - kHeaderSize) return nullptr;
    if (!Reserve(size)) return nullptr;
    size_t total = size + kHeaderSize;
    void* raw = zero ? std::calloc(1, total) : std::malloc(total);
    if (!raw) {
        Unreserve(size);
        return nullptr;
    }
    auto* header = new (raw) LargeHeader;
    header->magic = kLargeMagic;
    header->size = size;
    header->extraReferences.store(0, std::memory_order_relaxed);
    gLargeAllocations.fetch_add(1, std::memory_order_relaxed);
    gLargeBytes.fetch_add(size, std::memory_order_relaxed);
    PrepareForFill(static_cast<char*>(raw) + kHeaderSize, size);
    return static_cast<char*>(raw) + kHeaderSize;
}

LargeHeader* HeaderOf(const void* block) {
    return reinterpret_cast<LargeHeader*>(static_cast<char*>(const_cast<void*>(block)) -
                                          kHeaderSize);
}

void ReleaseLarge(void* block) {
    auto* header = HeaderOf(block);
    if (header->magic != kLargeMagic) {
        // Releasing a block that was not a large block corrupts the heap;
        // stop here rather than later at a place unrelated to the fault.
        std::fputs("orbick: Release of a block that is not a large block\n", stderr);
        std::abort();
    }
    // Another owner still holds the block: drop this reference only.
    uint64_t extra = header->extraReferences.load(std::memory_order_acquire);
    while (extra > 0) {
        if (header->extraReferences.compare_exchange_weak(extra, extra - 1,
                                                          std::memory_order_acq_rel))
            return;
    }
    header->magic = 0;
    Unreserve(header->size);
    std::free(header);
}

}  // namespace

void* Allocate(size_t size, unsigned flags) {
    if (size == 0) return nullptr;
    bool zero = (flags & kAllocZero) != 0;
    if (flags & kAllocLarge) return AllocateLarge(size, zero);
    if (gHeapCountdown.load(std::memory_order_relaxed) >= 0 &&
        gHeapCountdown.fetch_sub(1, std::memory_order_relaxed) <= 0) {
        gHeapCountdown.store(0, std::memory_order_relaxed);
        return nullptr;
    }
    void* block = zero ? std::calloc(1, size) : std::malloc(size);
    if (block) {
        gHeapAllocations.fetch_add(1, std::memory_order_relaxed);
        PrepareForFill(block, size);
    }
    return block;
}

void Release(void* block, size_t /*size*/, unsigned flags) {
    if (!block) return;
    if (flags & kAllocLarge)
        ReleaseLarge(block);
    else
        std::free(block);
}

void* ShareBlock(void* block) {
    if (!block) return nullptr;
    auto* header = HeaderOf(block);
    if (header->magic != kLargeMagic) return nullptr;
    header->extraReferences.fetch_add(1, std::memory_order_relaxed);
    return block;
}

bool BlockIsShared(const void* block) {
    if (!block) return false;
    auto* header = HeaderOf(block);
    return header->magic == kLargeMagic &&
           header->extraReferences.load(std::memory_order_acquire) > 0;
}

void* UnshareBlock(void* block) {
    if (!BlockIsShared(block)) return block;
    size_t size = size_t(HeaderOf(block)->size);
    void* copy = AllocateLarge(size, false);
    if (!copy) return nullptr;
    std::memcpy(copy, block, size);
    ReleaseLarge(block);
    return copy;
}

void SetMemoryBudget(uint64_t bytes) {
    std::lock_guard<std::mutex> lock(gBudgetMutex);
    gBudget.store(bytes ? bytes : ComputeDefaultBudget(), std::memory_order_relaxed);
}

uint64_t MemoryBudget() {
    return EffectiveBudget();
}

uint64_t LargeBytesInUse() {
    return gInUse.load(std::memory_order_relaxed);
}

bool LargeBlockWouldFit(uint64_t bytes) {
    uint64_t budget = EffectiveBudget();
    uint64_t used = gInUse.load(std::memory_order_relaxed);
    return bytes <= budget && used <= budget - bytes;
}

void SetHeapFailureCountdown(int64_t count) {
    gHeapCountdown.store(count < 0 ? -1 : count, std::memory_order_relaxed);
}

AllocationStats GetAllocationStats() {
    return AllocationStats{gLargeAllocations.load(std::memory_order_relaxed),
                           gLargeBytes.load(std::memory_order_relaxed),
                           gHeapAllocations.load(std::memory_order_relaxed)};
}

}  // namespace ob
