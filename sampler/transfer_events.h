// The waiting loop of a transfer: a queue of typed events (a received message
// with its own copy of the bytes, output done, input error, user abort) that
// the port's reader thread feeds and the transfer takes from, and the clock
// the waits run on. The steady clock waits for real; the virtual clock lets
// tests run timeouts without sleeping: waiting on an empty queue moves its
// time to the next scheduled action or to the deadline at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "sampler/midi_port.h"
#include "sampler/sysex_assembler.h"

namespace ob {

enum TransferEventKind : int {
    kEventMessage = 0,
    kEventOutputDone = 1,
    kEventInputError = 2,
    kEventUserAbort = 3,
};
constexpr unsigned EventBit(TransferEventKind kind) {
    return 1u << kind;
}

struct TransferEvent {
    TransferEventKind kind = kEventMessage;
    std::vector<uint8_t> bytes;  // the message (kEventMessage only)
};

class TransferEventQueue {
  public:
    void Post(TransferEvent event);
    // Removes the first event whose kind is in `kinds` (EventBit mask).
    bool Take(unsigned kinds, TransferEvent* out);
    bool Has(unsigned kinds);
    // Drops every event whose kind is in `kinds`.
    void Drop(unsigned kinds);
    size_t Size();
    // Counts posts; a waiter reads it before looking and waits for a change.
    uint64_t Generation();
    // Blocks until Generation() != seen or the time point passes.
    void WaitPosted(uint64_t seen, std::chrono::steady_clock::time_point until);

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<TransferEvent> events_;
    uint64_t generation_ = 0;
};

class TransferClock {
  public:
    virtual ~TransferClock() = default;
    virtual int64_t NowMs() = 0;
    // Returns when something was posted after `seen` or at `untilMs`
    // (whichever is first; may return earlier).
    virtual void WaitPosted(TransferEventQueue& queue, uint64_t seen, int64_t untilMs) = 0;
    virtual void Sleep(int64_t ms) = 0;
};

class SteadyTransferClock : public TransferClock {
  public:
    int64_t NowMs() override;
    void WaitPosted(TransferEventQueue& queue, uint64_t seen, int64_t untilMs) override;
    void Sleep(int64_t ms) override;
};

class VirtualTransferClock : public TransferClock {
  public:
    int64_t NowMs() override { return now_; }
    void WaitPosted(TransferEventQueue& queue, uint64_t seen, int64_t untilMs) override;
    void Sleep(int64_t ms) override;
    // Runs `action` when the virtual time reaches `atMs` during a wait.
    void Schedule(int64_t atMs, std::function<void()> action);
    int64_t sleptMs() const { return slept_; }

  private:
    void RunDue(int64_t untilMs);
    int64_t now_ = 0;
    int64_t slept_ = 0;
    std::vector<std::pair<int64_t, std::function<void()>>> scheduled_;
};

// The clock of real transfers.
TransferClock& SteadyClock();

// Waiting limits. A reply is awaited at most replyTimeoutMs (then result 8);
// after the sampler asked to WAIT, at most waitLimitMs, 0 meaning until the
// user aborts (the windowed editor sets 0; batch runs keep a limit).
struct TransferTiming {
    int64_t replyTimeoutMs = 10000;
    int64_t waitLimitMs = 120000;
    int64_t notReadyRetryMs = 5;  // pause before offering a refused message again
    int64_t abortPollMs = 50;     // how often a real wait looks at the abort flag
};
extern TransferTiming gTransferTiming;

// The sink a transfer's input port feeds: reassembles system-exclusive
// messages (capped at the transfer's input buffer size) and posts events.
class TransferInput : public MidiInputSink {
  public:
    TransferInput(TransferEventQueue& queue, size_t cap) : queue_(queue), assembler_(cap) {}
    void OnBytes(const uint8_t* data, size_t size) override;
    void OnOutputDone() override;
    void OnInputError() override;

  private:
    struct Poster : SysexAssembler::Output {
        TransferEventQueue* queue;
        void Message(std::vector<uint8_t>&& bytes) override;
        void Error() override;
    };
    TransferEventQueue& queue_;
    std::mutex feeding_;  // the assembler is fed by one reader at a time
    SysexAssembler assembler_;
};

}  // namespace ob
