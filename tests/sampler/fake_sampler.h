// A sampler played inside the test on the far end of a MIDI loopback: it
// answers synchronously on the sender's thread, so transfers run with a
// virtual clock and no threads. Its replies are scripted per message.
#pragma once

#include <functional>
#include <vector>

#include "sampler/midi_loopback.h"
#include "sampler/sysex_assembler.h"

namespace ob {

using Bytes = std::vector<uint8_t>;

inline Bytes Handshake(uint8_t code, int packet, uint8_t cc = 0) {
    return {0xF0, 0x7E, cc, code, uint8_t(packet & 0x7F), 0xF7};
}

class FakeSampler : public MidiInputSink, public SysexAssembler::Output {
  public:
    explicit FakeSampler(MidiLoopback& loop) : loop_(loop), assembler_(100000) {
        loop_.EndB().Open(this, true);
    }
    ~FakeSampler() override { loop_.EndB().Close(); }

    // Called for each complete message the editor sent; returns the replies
    // (sent back as one piece, so several replies arrive together).
    std::function<std::vector<Bytes>(const Bytes&)> reply;
    std::vector<Bytes> received;

    void Send(const std::vector<Bytes>& messages) {
        Bytes all;
        for (const Bytes& m : messages) all.insert(all.end(), m.begin(), m.end());
        if (!all.empty()) loop_.EndB().Send(all.data(), all.size());
    }
    int Count(uint8_t sub) const {
        int n = 0;
        for (const Bytes& m : received)
            if (m.size() > 3 && m[3] == sub) ++n;
        return n;
    }

    void OnBytes(const uint8_t* data, size_t size) override { assembler_.Feed(data, size, *this); }
    void OnOutputDone() override {}
    void OnInputError() override {}
    void Message(std::vector<uint8_t>&& bytes) override {
        received.push_back(bytes);
        if (reply) Send(reply(received.back()));
    }
    void Error() override { received.push_back({}); }

  private:
    MidiLoopback& loop_;
    SysexAssembler assembler_;
};

}  // namespace ob
