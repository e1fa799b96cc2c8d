// Fuzz entry for the SDS receive: the input is the byte stream a sampler
// sends in answer to a dump request (the first byte picks the type and the
// piece size, 1 to 64 bytes). It runs through the system-exclusive reassembly and the whole
// receive over the loopback with the virtual clock; any bytes give a result
// code, a wave no longer than its header says, and no hang.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sampler/midi_loopback.h"
#include "sampler/sampler_types.h"
#include "sampler/sds_messages.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace {

// Answers the editor's request and each of its handshakes with the next
// piece of the input.
class Player : public ob::MidiInputSink {
  public:
    Player(ob::MidiLoopback& loop, const uint8_t* data, size_t size, size_t piece)
        : loop_(loop), data_(data), size_(size), piece_(piece) {}
    void OnBytes(const uint8_t*, size_t) override {
        if (position_ >= size_) return;
        size_t n = std::min(piece_, size_ - position_);
        const uint8_t* at = data_ + position_;
        position_ += n;
        loop_.EndB().Send(at, n);
    }
    void OnOutputDone() override {}
    void OnInputError() override {}

  private:
    ob::MidiLoopback& loop_;
    const uint8_t* data_;
    size_t size_, piece_, position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ob;
    if (size < 1) return 0;
    const int32_t types[] = {kSamplerSds12, kSamplerSds16, kSamplerProphet2000};
    int32_t type = types[data[0] % 3];
    size_t piece = 1 + (data[0] >> 2);  // 1..64 bytes a piece
    ++data;
    --size;

    // Every parse of the raw input is bounded by its length.
    SdsMessage m = ParseSdsMessage(data, size);
    if (m.kind == kSdsPacketMsg && size != kSdsPacketBytes) std::abort();

    SetMemoryBudget(64u << 20);
    MidiLoopback loop;
    Player player(loop, data, size, piece);
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
    int32_t result = c.ReceiveWave(c);
    if (result < 0 || result > kTransferGeneralError) std::abort();
    if (WaveHasData(&wave) && wave.frameCount > 0x1FFFFF) std::abort();
    if (clock.NowMs() > 100000000) std::abort();  // bounded waiting
    DiscardWave(wave);
    SetMidiTestDevice({});
    loop.EndB().Close();
    return 0;
}
