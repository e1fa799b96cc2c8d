// A macro under the debugger: one engine context that holds the edited text
// with the constant and declaration blocks, runs it to the end or to a
// breakpoint, steps it line by line (into calls or over them), pauses it on
// request, and lists its global variables with their values while paused.
// The macro editor window drives it; it knows nothing of windows.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "script/run_macro.h"

namespace ob {

class MacroSession {
  public:
    enum class State { Idle, Paused, Finished, Failed };
    // Messages (Print lines and errors) go to `output`.
    using Output = std::function<void(const MacroMessage&)>;

    MacroSession(void* owner, Output output);
    ~MacroSession();
    MacroSession(const MacroSession&) = delete;
    MacroSession& operator=(const MacroSession&) = delete;

    // Breakpoints by line of the macro text (from 1); they hold across runs.
    void SetBreakpoint(int line, bool set);
    const std::set<int>& Breakpoints() const { return breakpoints_; }

    // Runs on (starting the text when no run is paused) until the end, a
    // breakpoint, a pause request or an error.
    int32_t Go(const std::string& text, const std::string& path);
    // Starts paused before the first line, or runs one line entering calls.
    int32_t Step(const std::string& text, const std::string& path);
    // Starts paused before the first line, or runs one line with calls as one step.
    int32_t StepOver(const std::string& text, const std::string& path);
    // Ends a paused run (frees the context); while running, ends it at the
    // next poll.
    void Stop();
    // Asked from `events` while running: pauses before the next instruction.
    void RequestPause() { pauseRequested_ = true; }
    // Called every few thousand instructions while running (the window
    // handles its events there); empty for none.
    void SetEvents(std::function<void()> events) { events_ = std::move(events); }

    State GetState() const { return state_; }
    bool Running() const { return running_; }
    // The macro line where the run is paused (from 1), or 0.
    int PausedLine() const { return state_ == State::Paused ? line_ : 0; }
    // The global variables and their values as text ("(array)" for arrays);
    // empty unless paused.
    std::vector<std::pair<std::string, std::string>> Globals() const;

  private:
    int32_t Start(const std::string& text, const std::string& path);
    int32_t Continue(int mode);
    static void Deliver(const MacroMessage& message, void* user);
    static int32_t Poll(uint32_t context, void* user);

    void* owner_;
    Output output_;
    std::function<void()> events_;
    std::set<int> breakpoints_;
    uint32_t context_ = 0;
    State state_ = State::Idle;
    int line_ = 0;
    bool running_ = false;
    bool pauseRequested_ = false;
    bool stopRequested_ = false;
};

}  // namespace ob
