// Fuzz entry for the Ensoniq receive. The first input byte picks the type
// (EPS, EPS 16+, ASR-10) and whether the transfer is quiet; the rest is a
// list of answers, each a two-byte big-endian length and that many bytes,
// sent one after another as the editor's messages arrive. Any bytes give a
// result code, a wave within the 23-bit address range, and no hang.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sampler/ensoniq_messages.h"
#include "sampler/midi_loopback.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace {

class Player : public ob::MidiInputSink {
  public:
    Player(ob::MidiLoopback& loop, const uint8_t* data, size_t size)
        : loop_(loop), data_(data), size_(size) {}
    // One answer for each complete message of the editor.
    void OnBytes(const uint8_t* bytes, size_t n) override {
        for (size_t i = 0; i < n; ++i)
            if (bytes[i] == 0xF7) Answer();
    }
    void OnOutputDone() override {}
    void OnInputError() override {}

  private:
    void Answer() {
        if (position_ + 2 > size_) return;
        size_t length = size_t(data_[position_]) << 8 | data_[position_ + 1];
        position_ += 2;
        length = std::min(length, size_ - position_);
        const uint8_t* at = data_ + position_;
        position_ += length;
        if (length) loop_.EndB().Send(at, length);
    }
    ob::MidiLoopback& loop_;
    const uint8_t* data_;
    size_t size_, position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ob;
    if (size < 1) return 0;
    const int32_t types[] = {kSamplerEps, kSamplerEps16Plus, kSamplerAsr10};
    int32_t type = types[data[0] % 3];
    bool quiet = (data[0] & 4) != 0;
    ++data;
    --size;

    // The message checks read nothing past the input.
    if (IsEpsResponse(data, size) && size != kEpsResponseBytes) std::abort();
    if (EpsCommandOf(data, size) >= 0x80) std::abort();

    SetMemoryBudget(64u << 20);
    MidiLoopback loop;
    Player player(loop, data, size);
    loop.EndB().Open(&player, true);
    SetMidiTestDevice([&loop] { return loop.PortForA(); });
    gTransferTiming = TransferTiming();
    VirtualTransferClock clock;
    WaveRecord wave;
    TransferContext c;
    InitTransferContext(c, &wave);
    SetupSamplerType(c, type);
    c.clock = &clock;
    c.channel() = 1;
    c.sampleNumber() = 1;
    c.messageFlags() = quiet ? 1 : 0;
    int32_t result = c.ReceiveWave(c);
    if (result < 0 || result > kTransferGeneralError) std::abort();
    if (WaveHasData(&wave) && wave.frameCount > kEpsMaxFrames) std::abort();
    for (LoopNode* n = wave.loops; n; n = n->next)
        if (n->start >= n->end || n->end >= wave.frameCount) std::abort();
    if (clock.NowMs() > 1000000000) std::abort();  // bounded waiting
    DiscardWave(wave);
    SetMidiTestDevice({});
    loop.EndB().Close();
    return 0;
}
