// For the sampler receive fuzz targets: a sampler on the far end of the
// loopback that answers each message the editor sends with the next message
// of the fuzz input (the bytes up to and including the next F7, or the rest).
#pragma once

#include <cstddef>
#include <cstdint>

#include "sampler/midi_loopback.h"

namespace ob {

class ReplyPlayer : public MidiInputSink {
  public:
    ReplyPlayer(MidiLoopback& loop, const uint8_t* data, size_t size)
        : loop_(loop), data_(data), size_(size) {}
    void OnBytes(const uint8_t* bytes, size_t n) override {
        // One reply for each message end the editor sent.
        for (size_t i = 0; i < n; ++i)
            if (bytes[i] == 0xF7) Next();
    }
    void OnOutputDone() override {}
    void OnInputError() override {}

  private:
    void Next() {
        if (position_ >= size_) return;
        size_t end = position_;
        while (end < size_ && data_[end] != 0xF7) ++end;
        if (end < size_) ++end;
        const uint8_t* at = data_ + position_;
        size_t n = end - position_;
        position_ = end;
        loop_.EndB().Send(at, n);
    }
    MidiLoopback& loop_;
    const uint8_t* data_;
    size_t size_, position_ = 0;
};

}  // namespace ob
