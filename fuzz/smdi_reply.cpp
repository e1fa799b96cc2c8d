// Fuzz entry for the SMDI reply parser and the transfers that read replies:
// the first byte picks send or receive; the rest is a row of replies, each a
// two-byte big-endian length and that many bytes, handed out one per RECEIVE
// of the transfer by an in-process bus (the target test is answered
// properly). Any replies give a result code, a wave no longer than its header
// says, and no hang.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sampler/sampler_types.h"
#include "sampler/scsi_bus.h"
#include "sampler/smdi_messages.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace {

std::vector<std::vector<uint8_t>> gReplies;
size_t gNext = 0;

class ReplayBus : public ob::ScsiBus {
  public:
    bool Available() override { return true; }
    std::vector<ob::ScsiDeviceEntry> List() override { return {{{0, 0, 0}, ""}}; }
    ob::ScsiReply Execute(const ob::ScsiCommand& c) override {
        ob::ScsiReply r;
        r.host = ob::kScsiHostDone;
        if (c.cdb[0] == 0x12) {
            r.data = {3, 0, 2, 2, 0x1F, 0, 0, 0};
            r.data.resize(36, ' ');
        } else if (c.cdb[0] == 0x0A) {
            identify_ =
                ob::ClassifySmdi(c.dataOut.data(), c.dataOut.size()) == ob::kSmdiMasterIdentify;
        } else if (c.cdb[0] == 0x08) {
            if (identify_) {
                r.data = {'S', 'M', 'D', 'I', 0, 1, 0, 1, 0, 0, 0};
                identify_ = false;
            } else if (gNext < gReplies.size()) {
                r.data = gReplies[gNext++];
            }
            if (r.data.size() > c.allocation) r.data.resize(c.allocation);
        }
        return r;
    }

  private:
    bool identify_ = false;
};

std::unique_ptr<ob::ScsiBus> MakeReplayBus() {
    return std::make_unique<ReplayBus>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ob;
    if (size < 1) return 0;
    const bool receive = data[0] & 1;
    gReplies.clear();
    gNext = 0;
    for (size_t at = 1; at + 2 <= size;) {
        size_t n = size_t(data[at]) << 8 | data[at + 1];
        at += 2;
        n = std::min(n, size - at);
        gReplies.emplace_back(data + at, data + at + n);
        at += n;
        // Every parse is bounded by the bytes given.
        const std::vector<uint8_t>& m = gReplies.back();
        int cls = ClassifySmdi(m.data(), m.size());
        if (cls < 0 || cls > kSmdiClass18) std::abort();
        SmdiSampleHeader h;
        if (ParseSmdiSampleHeader(m.data(), m.size(), h) && h.name.size() > kSmdiMaxName)
            std::abort();
        if (SmdiDataLength(m.data(), m.size()) + (m.size() >= kSmdiHeadBytes ? kSmdiHeadBytes : 0) >
            m.size())
            std::abort();
    }

    SetMemoryBudget(64u << 20);
    gScsiBusFactory = MakeReplayBus;
    gTransferTiming = TransferTiming();
    gTransferTiming.replyTimeoutMs = 200;
    gTransferTiming.waitLimitMs = 100;
    WaveRecord wave;
    if (!receive) {
        wave.frameCount = 300;
        wave.leftSamples = static_cast<float*>(Allocate(300 * 4, kAllocLarge | kAllocZero));
        wave.rightSamples = static_cast<float*>(Allocate(300 * 4, kAllocLarge | kAllocZero));
    }
    TransferContext c;
    InitTransferContext(c, &wave);
    SetupSamplerType(c, kSamplerSmdi);
    c.messageFlags() = kMessageQuiet;
    int32_t result = receive ? c.ReceiveWave(c) : c.SendWave(c);
    if (result < 0 || result > kTransferGeneralError) std::abort();
    if (receive && WaveHasData(&wave) && result != kTransferOk) std::abort();
    DiscardWave(wave);
    gScsiBusFactory = nullptr;
    return 0;
}
