// The debugger's engine context: set-up, breakpoints, stepping, globals.
#include "script/macro_session.h"

#include "engine/tessel.h"

namespace ob {

namespace {
constexpr uint32_t kPollInterval = 20000;  // instructions between two polls
constexpr int32_t kValueBytes = 256;
}  // namespace

MacroSession::MacroSession(void* owner, Output output)
    : owner_(owner), output_(std::move(output)) {}

MacroSession::~MacroSession() {
    Stop();
}

void MacroSession::SetBreakpoint(int line, bool set) {
    if (line < 1) return;
    if (set)
        breakpoints_.insert(line);
    else
        breakpoints_.erase(line);
    if (context_) tesSetBreakpoint(context_, MacroSourceNumber(), line, set ? 1 : 0);
}

void MacroSession::Deliver(const MacroMessage& message, void* user) {
    auto* self = static_cast<MacroSession*>(user);
    if (self->output_) self->output_(message);
}

int32_t MacroSession::Poll(uint32_t, void* user) {
    auto* self = static_cast<MacroSession*>(user);
    if (self->events_) self->events_();
    return self->pauseRequested_ ? 1 : 0;
}

void MacroSession::Stop() {
    if (running_) {
        stopRequested_ = pauseRequested_ = true;
        return;
    }
    if (!context_) return;
    ForgetMacroContext(context_);
    tesFreeContext(context_);
    context_ = 0;
    if (state_ == State::Paused) state_ = State::Idle;
    line_ = 0;
}

int32_t MacroSession::Start(const std::string& text, const std::string& path) {
    Stop();
    state_ = State::Failed;
    TesResult r = tesCreateContext("OrbickDebug", 0, reinterpret_cast<intptr_t>(owner_), &context_);
    if (r != TES_OK) {
        if (context_) tesFreeContext(context_);
        context_ = 0;
        return r;
    }
    r = PrepareMacroContext(context_, owner_, {}, path, &MacroSession::Deliver, this);
    if (r == TES_OK) r = tesAppendText(context_, text.c_str());
    for (int line : breakpoints_)
        if (r == TES_OK) r = tesSetBreakpoint(context_, MacroSourceNumber(), line, 1);
    if (r == TES_OK) r = tesRegisterDebugPoll(context_, &MacroSession::Poll, kPollInterval, this);
    if (r == TES_OK) r = tesCompile(context_);
    if (r != TES_OK) {
        ForgetMacroContext(context_);
        tesFreeContext(context_);
        context_ = 0;
        return r;
    }
    state_ = State::Idle;
    return TES_OK;
}

// mode: 0 go, 1 step over, 2 step into.
int32_t MacroSession::Continue(int mode) {
    int32_t source = 0, line = 0;
    running_ = true;
    TesResult r = mode == 0   ? tesDebugGo(context_, &source, &line)
                  : mode == 1 ? tesDebugStep(context_, &source, &line)
                              : tesDebugStepInto(context_, &source, &line);
    running_ = false;
    bool stop = stopRequested_;
    stopRequested_ = pauseRequested_ = false;
    if (r != TES_OK) {
        state_ = State::Failed;
        line_ = 0;
        Stop();
        return r;
    }
    if (line > 0 && !stop) {
        state_ = State::Paused;
        line_ = source == MacroSourceNumber() ? line : 0;
        return TES_OK;
    }
    state_ = stop ? State::Idle : State::Finished;
    line_ = 0;
    Stop();
    return TES_OK;
}

int32_t MacroSession::Go(const std::string& text, const std::string& path) {
    if (running_) return TES_E_STATE;
    if (state_ != State::Paused) {
        TesResult r = Start(text, path);
        if (r != TES_OK) return r;
    }
    return Continue(0);
}

int32_t MacroSession::Step(const std::string& text, const std::string& path) {
    if (running_) return TES_E_STATE;
    if (state_ != State::Paused) {
        TesResult r = Start(text, path);
        if (r != TES_OK) return r;
        // Pause before the first instruction, so the first step runs the first line.
        pauseRequested_ = true;
        tesRegisterDebugPoll(context_, &MacroSession::Poll, 1, this);
        r = Continue(0);
        if (context_) tesRegisterDebugPoll(context_, &MacroSession::Poll, kPollInterval, this);
        return r;
    }
    return Continue(2);
}

int32_t MacroSession::StepOver(const std::string& text, const std::string& path) {
    if (running_) return TES_E_STATE;
    if (state_ != State::Paused) return Step(text, path);
    return Continue(1);
}

std::vector<std::pair<std::string, std::string>> MacroSession::Globals() const {
    std::vector<std::pair<std::string, std::string>> list;
    if (!context_ || state_ != State::Paused) return list;
    char name[kValueBytes];
    int32_t type = 0;
    for (int32_t i = 0; tesGetGlobalInfo(context_, i, name, kValueBytes, &type) == TES_OK; ++i) {
        std::string value = "(array)";
        if (!(type & TES_VT_ARRAY)) {
            char buffer[kValueBytes];
            if (tesGetVarValueString(context_, name, buffer, kValueBytes) == TES_OK)
                value = buffer;
            else
                value = "?";
            if (type == TES_VT_STRING) value = "\"" + value + "\"";
        }
        list.emplace_back(name, value);
    }
    return list;
}

}  // namespace ob
