// The in-process loopback.
#include "sampler/midi_loopback.h"

namespace ob {

namespace {

class LoopEnd : public MidiPort {
  public:
    bool Open(MidiInputSink* sink, bool input) override {
        sink_ = sink;
        input_ = input;
        return true;
    }
    MidiSendStatus Send(const uint8_t* data, size_t size) override {
        if (failing) return kMidiSendFailed;
        if (notReady > 0) {
            --notReady;
            ++notReadyAnswers;
            return kMidiNotReady;
        }
        if (peer && peer->sink_ && peer->input_) peer->sink_->OnBytes(data, size);
        if (sink_) sink_->OnOutputDone();
        return kMidiSent;
    }
    void Close() override { sink_ = nullptr; }

    LoopEnd* peer = nullptr;
    int notReady = 0;
    int notReadyAnswers = 0;
    bool failing = false;

  private:
    MidiInputSink* sink_ = nullptr;
    bool input_ = false;
};

class Forwarder : public MidiPort {
  public:
    explicit Forwarder(MidiPort& end) : end_(end) {}
    ~Forwarder() override { Close(); }
    bool Open(MidiInputSink* sink, bool input) override { return open_ = end_.Open(sink, input); }
    MidiSendStatus Send(const uint8_t* data, size_t size) override { return end_.Send(data, size); }
    void Close() override {
        if (open_) end_.Close();
        open_ = false;
    }

  private:
    MidiPort& end_;
    bool open_ = false;
};

}  // namespace

struct MidiLoopback::State {
    LoopEnd a, b;
};

MidiLoopback::MidiLoopback() : state_(std::make_unique<State>()) {
    state_->a.peer = &state_->b;
    state_->b.peer = &state_->a;
}
MidiLoopback::~MidiLoopback() = default;

MidiPort& MidiLoopback::EndA() {
    return state_->a;
}
MidiPort& MidiLoopback::EndB() {
    return state_->b;
}
std::unique_ptr<MidiPort> MidiLoopback::PortForA() {
    return std::make_unique<Forwarder>(state_->a);
}
void MidiLoopback::SetNotReady(int count) {
    state_->a.notReady = count;
}
void MidiLoopback::SetFailing(bool fail) {
    state_->a.failing = fail;
}
int MidiLoopback::notReadyAnswers() const {
    return state_->a.notReadyAnswers;
}

}  // namespace ob
