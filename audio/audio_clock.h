// The clock that paces the file device: the real monotonic clock, or a
// virtual one whose waits return at once and move its time forward, so tests
// play and record at full speed with the same pacing arithmetic.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace ob {

class AudioClock {
  public:
    virtual ~AudioClock() = default;
    virtual int64_t NowNs() = 0;
    // Waits until NowNs() >= ns; returns early when `cancel` becomes true.
    virtual void WaitUntilNs(int64_t ns, const std::atomic<bool>& cancel) = 0;
};

std::shared_ptr<AudioClock> MakeRealClock();
std::shared_ptr<AudioClock> MakeVirtualClock();

}  // namespace ob
