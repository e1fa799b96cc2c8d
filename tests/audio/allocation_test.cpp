// Once playing, the audio path allocates nothing per buffer: every
// allocation of the process (operator new and malloc) is counted, and the
// file device's clock notes the count each time the playback thread waits
// for the device, once per buffer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/audio/audio_test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORBICK_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORBICK_COUNT_ALLOCATIONS 0
#else
#define ORBICK_COUNT_ALLOCATIONS 1
#endif
#else
#define ORBICK_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<uint64_t> gAllocations{0};
}

// Under the sanitizers the allocator belongs to them: nothing is replaced and
// the tests are skipped.
#if ORBICK_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* malloc(size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
}

// operator new goes through malloc above; these make it count even where the
// library's own operator new would not call malloc.
void* operator new(size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
#endif

namespace ob {
namespace {

// A virtual clock that notes the allocation count at every wait.
class CountingClock : public AudioClock {
  public:
    int64_t NowNs() override { return now_.load(); }
    void WaitUntilNs(int64_t ns, const std::atomic<bool>&) override {
        int n = waits.load();
        if (n < kMax) counts[n] = gAllocations.load();
        waits.store(n + 1);
        int64_t current = now_.load();
        while (current < ns && !now_.compare_exchange_weak(current, ns)) {
        }
    }
    static constexpr int kMax = 4096;
    uint64_t counts[kMax] = {};
    std::atomic<int> waits{0};

  private:
    std::atomic<int64_t> now_{0};
};

class AudioAllocations : public ::testing::Test, public AudioFixtureState {
  protected:
    void SetUp() override {
        if (!ORBICK_COUNT_ALLOCATIONS)
            GTEST_SKIP() << "allocations are not counted under the sanitizers";
    }
    void ExpectNoAllocationBetweenWaits(const CountingClock& clock) {
        int waits = std::min(clock.waits.load(), CountingClock::kMax);
        ASSERT_GT(waits, 20);
        ASSERT_GT(clock.counts[0], 0u);  // the counter does count (set-up allocated)
        for (int i = 1; i < waits; ++i)
            ASSERT_EQ(clock.counts[i], clock.counts[0]) << "allocation before wait " << i;
    }
};

TEST_F(AudioAllocations, PlayingASoundAllocatesNothingPerBuffer) {
    auto clock = std::make_shared<CountingClock>();
    UseFileDevice({44100}, clock);  // 48000 Hz sound: the interpolating path
    gPlayPrefs.bufferSize = 1;
    gPlayPrefs.iterations = 50;
    WaveRecord* r = MakeWave(
        20000, true, [](int c, uint32_t i) { return c ? 0.25f : float(i % 100) / 100; }, 48000);
    ASSERT_TRUE(SetLoop(*r, 1000, 15000, 1, 0));
    r->sustainLoopId = 0;
    ASSERT_EQ(SetUpPlay(*r, true, false), kSetUpOk);
    ASSERT_EQ(StartPlay(), kPlayOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    ExpectNoAllocationBetweenWaits(*clock);
}

TEST_F(AudioAllocations, PlayingBlocksAllocatesNothingPerBuffer) {
    auto clock = std::make_shared<CountingClock>();
    UseFileDevice({}, clock);
    gPlayPrefs.bufferSize = 1;
    int64_t left = 200000;
    ASSERT_EQ(PlayBlocks(44100, 2,
                         [&](float* l, float* r, uint32_t frames) {
                             uint32_t n = uint32_t(std::min<int64_t>(frames, left));
                             for (uint32_t i = 0; i < n; ++i) l[i] = r[i] = 0.5f;
                             left -= n;
                             return n;
                         }),
              kPlayOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    ExpectNoAllocationBetweenWaits(*clock);
}

}  // namespace
}  // namespace ob
