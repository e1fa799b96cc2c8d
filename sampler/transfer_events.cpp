// The transfer event queue, the clocks and the input sink.
#include "sampler/transfer_events.h"

#include <algorithm>
#include <thread>

namespace ob {

TransferTiming gTransferTiming;

void TransferEventQueue::Post(TransferEvent event) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
        ++generation_;
    }
    posted_.notify_all();
}

bool TransferEventQueue::Take(unsigned kinds, TransferEvent* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = events_.begin(); it != events_.end(); ++it) {
        if (kinds & EventBit(it->kind)) {
            *out = std::move(*it);
            events_.erase(it);
            return true;
        }
    }
    return false;
}

bool TransferEventQueue::Has(unsigned kinds) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const TransferEvent& e : events_)
        if (kinds & EventBit(e.kind)) return true;
    return false;
}

void TransferEventQueue::Drop(unsigned kinds) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(events_,
                  [kinds](const TransferEvent& e) { return (kinds & EventBit(e.kind)) != 0; });
}

size_t TransferEventQueue::Size() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_.size();
}

uint64_t TransferEventQueue::Generation() {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

void TransferEventQueue::WaitPosted(uint64_t seen, std::chrono::steady_clock::time_point until) {
    std::unique_lock<std::mutex> lock(mutex_);
    posted_.wait_until(lock, until, [&] { return generation_ != seen; });
}

int64_t SteadyTransferClock::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyTransferClock::WaitPosted(TransferEventQueue& queue, uint64_t seen, int64_t untilMs) {
    using namespace std::chrono;
    queue.WaitPosted(seen, steady_clock::time_point(milliseconds(untilMs)));
}

void SteadyTransferClock::Sleep(int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TransferClock& SteadyClock() {
    static SteadyTransferClock clock;
    return clock;
}

void VirtualTransferClock::RunDue(int64_t untilMs) {
    // Earliest first; an action may schedule further ones.
    for (;;) {
        auto due = std::min_element(scheduled_.begin(), scheduled_.end(),
                                    [](const auto& a, const auto& b) { return a.first < b.first; });
        if (due == scheduled_.end() || due->first > untilMs) return;
        if (due->first > now_) now_ = due->first;
        std::function<void()> action = std::move(due->second);
        scheduled_.erase(due);
        action();
    }
}

void VirtualTransferClock::WaitPosted(TransferEventQueue& queue, uint64_t seen, int64_t untilMs) {
    if (queue.Generation() != seen) return;
    auto due = std::min_element(scheduled_.begin(), scheduled_.end(),
                                [](const auto& a, const auto& b) { return a.first < b.first; });
    if (due != scheduled_.end() && due->first <= untilMs) {
        RunDue(due->first);
        return;
    }
    if (untilMs > now_) now_ = untilMs;
}

void VirtualTransferClock::Sleep(int64_t ms) {
    if (ms <= 0) return;
    slept_ += ms;
    int64_t target = now_ + ms;
    RunDue(target);
    now_ = target;
}

void VirtualTransferClock::Schedule(int64_t atMs, std::function<void()> action) {
    scheduled_.emplace_back(atMs, std::move(action));
}

void TransferInput::Poster::Message(std::vector<uint8_t>&& bytes) {
    queue->Post({kEventMessage, std::move(bytes)});
}

void TransferInput::Poster::Error() {
    queue->Post({kEventInputError, {}});
}

void TransferInput::OnBytes(const uint8_t* data, size_t size) {
    std::lock_guard<std::mutex> lock(feeding_);
    Poster poster;
    poster.queue = &queue_;
    assembler_.Feed(data, size, poster);
}

void TransferInput::OnOutputDone() {
    queue_.Post({kEventOutputDone, {}});
}

void TransferInput::OnInputError() {
    queue_.Post({kEventInputError, {}});
}

}  // namespace ob
