// System-exclusive reassembly.
#include "sampler/sysex_assembler.h"

namespace ob {

void SysexAssembler::Reset() {
    bytes_.clear();
    inside_ = false;
    oversize_ = false;
}

void SysexAssembler::Feed(const uint8_t* data, size_t size, Output& out) {
    for (size_t i = 0; i < size; ++i) {
        uint8_t b = data[i];
        if (b >= 0xF8) continue;  // real-time bytes may appear anywhere
        if (b == 0xF0) {
            if (inside_ && !oversize_) out.Error();  // the previous one was cut short
            bytes_.clear();
            bytes_.push_back(b);
            inside_ = true;
            oversize_ = false;
            continue;
        }
        if (!inside_) continue;  // channel and common messages are not ours
        if (b == 0xF7) {
            if (!oversize_ && bytes_.size() < cap_) {
                bytes_.push_back(b);
                out.Message(std::move(bytes_));
            } else if (!oversize_) {
                out.Error();
            }
            Reset();
            continue;
        }
        if (b & 0x80) {  // a status byte ends the message early
            if (!oversize_) out.Error();
            Reset();
            continue;
        }
        if (oversize_) continue;
        // Room must stay for the closing F7.
        if (bytes_.size() + 1 >= cap_) {
            oversize_ = true;
            bytes_.clear();
            out.Error();
            continue;
        }
        bytes_.push_back(b);
    }
}

}  // namespace ob
