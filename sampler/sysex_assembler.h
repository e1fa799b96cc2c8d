// Reassembles system-exclusive messages from the MIDI byte stream: pieces
// are joined, real-time bytes inside a message are skipped, other MIDI
// messages outside one are ignored. A message cut short by a status byte,
// or longer than the size cap, is an input error; the bytes up to its end
// are dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ob {

class SysexAssembler {
  public:
    // `cap`: the longest message accepted, F0 and F7 included.
    explicit SysexAssembler(size_t cap) : cap_(cap) {}

    struct Output {
        virtual ~Output() = default;
        virtual void Message(std::vector<uint8_t>&& bytes) = 0;
        virtual void Error() = 0;
    };
    void Feed(const uint8_t* data, size_t size, Output& out);
    void Reset();
    size_t cap() const { return cap_; }

  private:
    size_t cap_;
    std::vector<uint8_t> bytes_;
    bool inside_ = false;
    bool oversize_ = false;  // the current message passed the cap (error already reported)
};

}  // namespace ob
