// Fuzz entry for the Korg DSS-1 and DSM-1 receive: the first byte picks the
// model, the sound and the multisound; the rest are the sampler's replies,
// one for each message the editor sends. The list and parameter parsers also
// read the raw input. Any bytes give a result code, a wave within the
// model's address range with a loop inside it, and no hang.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/sampler_fuzz_replies.h"
#include "sampler/korg_messages.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ob;
    if (size < 1) return 0;
    const bool dsm1 = (data[0] & 1) != 0;
    const int sound = 1 + ((data[0] >> 1) & 3);
    const int multisound = 1 + ((data[0] >> 3) & 3);
    ++data;
    --size;

    const KorgModel& model = KorgModelOf(dsm1);
    std::vector<KorgMultisoundEntry> list;
    if (ParseKorgList(model, data, size, list) && list.size() > 127) std::abort();
    KorgParameters params;
    if (ParseKorgParameters(model, data, size, params) &&
        (params.entries.size() > 63 || size < KorgParameterBytes(model, params.sounds)))
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
    SetupSamplerType(c, dsm1 ? kSamplerDsm1 : kSamplerDss1);
    c.clock = &clock;
    c.channel() = 1;
    c.sampleNumber() = sound;
    c.words[kWordInstrument] = multisound;
    c.words[kWordLayer] = 1;
    c.messageFlags() = 1;
    int32_t result = c.ReceiveWave(c);
    if (result < 0 || result > kTransferGeneralError) std::abort();
    if (WaveHasData(&wave)) {
        if (wave.frameCount > model.numberLimit) std::abort();
        if (wave.sustainLoopId >= 0) {
            const LoopNode* l = FindLoop(wave, wave.sustainLoopId);
            if (!l || l->start >= l->end || l->end > wave.frameCount - 1) std::abort();
        }
    }
    if (clock.NowMs() > 100000000) std::abort();  // bounded waiting
    DiscardWave(wave);
    SetMidiTestDevice({});
    loop.EndB().Close();
    return 0;
}
