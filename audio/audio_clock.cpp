// The real and the virtual clock of the file device.
#include "audio/audio_clock.h"

#include <time.h>

#include <algorithm>

namespace ob {

namespace {

class RealClock : public AudioClock {
  public:
    int64_t NowNs() override {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    // Sleeps in slices of at most 5 ms so a cancel is seen promptly.
    void WaitUntilNs(int64_t ns, const std::atomic<bool>& cancel) override {
        for (;;) {
            if (cancel.load(std::memory_order_acquire)) return;
            int64_t left = ns - NowNs();
            if (left <= 0) return;
            left = std::min<int64_t>(left, 5000000);
            timespec ts{time_t(left / 1000000000), long(left % 1000000000)};
            nanosleep(&ts, nullptr);
        }
    }
};

class VirtualClock : public AudioClock {
  public:
    int64_t NowNs() override { return now_.load(std::memory_order_acquire); }
    void WaitUntilNs(int64_t ns, const std::atomic<bool>&) override {
        int64_t current = now_.load(std::memory_order_acquire);
        while (current < ns &&
               !now_.compare_exchange_weak(current, ns, std::memory_order_acq_rel)) {
        }
    }

  private:
    std::atomic<int64_t> now_{0};
};

}  // namespace

std::shared_ptr<AudioClock> MakeRealClock() {
    return std::make_shared<RealClock>();
}

std::shared_ptr<AudioClock> MakeVirtualClock() {
    return std::make_shared<VirtualClock>();
}

}  // namespace ob
