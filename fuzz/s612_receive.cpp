// Fuzz entry for the Akai S612 receive: the input is the sampler's replies,
// one for each message the editor sends (the first byte picks the channel).
// The parameter parser also reads the raw input. Any bytes give a result
// code, a wave of 32256 frames or none, a loop inside it, and no hang.
#include <cstdint>
#include <cstdlib>

#include "fuzz/sampler_fuzz_replies.h"
#include "sampler/akai_s612.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ob;
    if (size < 1) return 0;
    const int channel = data[0] % 12;
    ++data;
    --size;

    S612Loop parsed;
    if (ParseS612Parameters(data, size, parsed) && parsed.present &&
        (parsed.start >= parsed.end || parsed.end >= kS612Frames))
        std::abort();

    SetMemoryBudget(64u << 20);
    MidiLoopback loop;
    ReplyPlayer player(loop, data, size);
    loop.EndB().Open(&player, true);
    SetMidiTestDevice([&loop] { return loop.PortForA(); });
    gTransferTiming = TransferTiming();
    VirtualTransferClock clock;
    WaveRecord wave;
    TransferContext c;
    InitTransferContext(c, &wave);
    SetupSamplerType(c, kSamplerAkaiS612);
    c.clock = &clock;
    c.channel() = channel;
    int32_t result = c.ReceiveWave(c);
    if (result < 0 || result > kTransferGeneralError) std::abort();
    if (c.channel() < 1 || c.channel() > 9) std::abort();
    if (WaveHasData(&wave)) {
        if (wave.frameCount != kS612Frames) std::abort();
        if (wave.sustainLoopId >= 0) {
            const LoopNode* l = FindLoop(wave, wave.sustainLoopId);
            if (!l || l->start >= l->end || l->end > wave.frameCount - 1) std::abort();
        }
    }
    if (clock.NowMs() > 100000000) std::abort();
    DiscardWave(wave);
    SetMidiTestDevice({});
    loop.EndB().Close();
    return 0;
}
