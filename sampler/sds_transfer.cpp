// The SDS send and receive: dump header, packets, checksums and the
// ACK/NAK/WAIT/CANCEL handshakes. Every wait is bounded by the driver; a WAIT
// from the sampler lets the next wait run to the long limit.
#include "sampler/sds_transfer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/progress.h"
#include "base/user_interface.h"
#include "sampler/sampler_types.h"
#include "sampler/sds_messages.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr int kMaxNaksInARow = 5;        // the fifth NAK for one packet ends a send
constexpr int kMaxBadPacketsInARow = 6;  // the sixth bad packet in a row ends a receive
constexpr int64_t kAckDelayMs = 80;      // pause before the first ACK of a receive

bool IsProphet(const TransferContext& c) {
    return c.samplerType == kSamplerProphet2000;
}

// The channel byte and wire sample number of a transfer; both words are put
// back at the end whatever the result.
struct Adjusted {
    TransferContext& c;
    int32_t channel, sample;
    uint8_t cc;
    uint32_t wireSample;
    explicit Adjusted(TransferContext& context)
        : c(context), channel(context.channel()), sample(context.sampleNumber()) {
        int32_t ch = std::clamp<int32_t>(channel, 1, 16);
        cc = uint8_t(ch - 1);
        int32_t s = std::clamp<int32_t>(sample, 0, 16383);
        if (IsProphet(c) && s != 0) --s;
        wireSample = uint32_t(s);
    }
    ~Adjusted() {
        c.channel() = channel;
        c.sampleNumber() = sample;
    }
};

void PrepareBuffers(TransferContext& c, int32_t direction) {
    c.direction = direction;
    c.outBufferSize = kSdsBufferBytes;
    c.inBufferSize = kSdsBufferBytes;
    c.outBuffer.assign(kSdsBufferBytes, 0);
    c.currentMessage.clear();
}

int32_t SendHandshake(TransferContext& c, uint8_t cc, uint8_t code, int32_t packet) {
    BuildSdsHandshake(c.outBuffer.data(), cc, code, packet);
    return c.SendSysEx(c, kSdsHandshakeBytes);
}

void SendCancel(TransferContext& c, uint8_t cc) {
    SendHandshake(c, cc, kSdsCancel, c.packetNumber);
}

int32_t Finish(TransferContext& c, int32_t result) {
    c.CloseDriver(c);
    c.lastResult = result;
    c.samplerWaiting = false;
    UI().SetWaitPointer(c.wave, false);
    ResetProgress();
    return result;
}

bool Quiet(TransferContext& c) {
    return (c.messageFlags() & kMessageQuiet) != 0;
}

// Waits for the sampler's next message that is not a WAIT: a WAIT marks the
// sampler as waiting, so the next wait runs to the long limit, and the wait
// goes on.
// kTransferOk with the message in `m`, or the wait's failure.
int32_t NextAnswer(TransferContext& c, SdsMessage& m) {
    for (;;) {
        int32_t r = c.WaitEvent(c);
        if (r != kTransferOk) return r;
        m = ParseSdsMessage(c.currentMessage.data(), c.currentMessage.size());
        c.samplerWaiting = m.kind == kSdsHandshakeMsg && m.code == kSdsWait;
        if (!c.samplerWaiting) return kTransferOk;
    }
}

}  // namespace

SdsHeader SdsHeaderForWave(const TransferContext& c, const WaveRecord& w, uint32_t wireSample) {
    SdsHeader h;
    h.sampleNumber = wireSample;
    h.bits = uint32_t(c.bits);
    uint32_t rate = w.sampleRate ? w.sampleRate : 22050;
    h.period = 1000000000u / rate;
    h.length = w.frameCount;
    if (c.samplerType == kSamplerProphet2000) {
        h.period = h.period < 28000 ? 24000 : h.period <= 48000 ? 32000 : 64000;
        h.length = (h.length + 59) / 60 * 60;
    }
    h.period &= 0x1FFFFF;
    h.length = std::min<uint32_t>(h.length, 0x1FFFFF);
    h.loopStart = h.loopEnd = h.length;
    h.loopType = 0;
    if (w.sustainLoopId >= 0) {
        for (const LoopNode* loop = w.loops; loop; loop = loop->next) {
            if (loop->id != w.sustainLoopId) continue;
            h.loopEnd = std::min(loop->end, h.length);
            h.loopStart = std::min(loop->start, h.loopEnd);
            h.loopType = loop->type & 0x7F;
            break;
        }
    }
    return h;
}

int32_t SdsSendWave(TransferContext& c) {
    WaveRecord* wave = c.wave;
    if (!WaveHasData(wave)) return kTransferIllegalParameter;
    PrepareBuffers(c, 0);
    Adjusted adjusted(c);
    const uint8_t cc = adjusted.cc;
    const uint32_t spp = uint32_t(c.samplesPerPacket);
    const uint32_t frames = wave->frameCount;

    if (IsProphet(c) && !Quiet(c)) {
        char text[160];
        std::snprintf(text, sizeof text, "\nSet SOUND NUMBER to:  %d\n\nSet SIZE to:  %u\n",
                      adjusted.sample, (frames + 1023) / 1024);
        if (UI().Ask(wave->window, "Set Prophet Parameters:", text, kButtonsOkCancel, kAnswerOk) !=
            kAnswerOk) {
            c.lastResult = kTransferUserCancel;
            return kTransferUserCancel;
        }
    }
    int32_t r = c.OpenDriver(c);
    if (r != kTransferOk) {
        c.lastResult = kTransferInitFailed;
        return kTransferInitFailed;
    }
    UI().SetWaitPointer(wave, true);

    // The header's length (21 bits) bounds what is sent.
    SdsHeader header = SdsHeaderForWave(c, *wave, adjusted.wireSample);
    const uint32_t total = (header.length + spp - 1) / spp;
    BuildSdsHeader(c.outBuffer.data(), cc, header);
    r = c.SendSysEx(c, kSdsHeaderBytes);
    if (r != kTransferOk) return Finish(c, r);

    bool cancelled = false;  // the sampler sent CANCEL: no CANCEL goes back
    // The answer to the header.
    SdsMessage answer;
    r = NextAnswer(c, answer);
    if (r == kTransferOk && !(answer.kind == kSdsHandshakeMsg && answer.code == kSdsAck)) {
        if (answer.kind == kSdsHandshakeMsg && answer.code == kSdsCancel) cancelled = true;
        r = answer.kind == kSdsForeign ? kTransferDataError : kTransferSamplerAborted;
    }

    uint32_t index = 0;
    int naks = 0;
    std::vector<float> block(spp);
    while (r == kTransferOk && index < total) {
        c.packetNumber = int32_t(index & 0x7F);
        // Samples past the wave up to the announced length (the Prophet's
        // whole packets) go out as silence, not as the zero bytes' lowest value.
        uint32_t first = index * spp;
        uint32_t count = std::min(spp, header.length - std::min(first, header.length));
        std::fill(block.begin(), block.end(), 0.0f);
        std::copy_n(wave->leftSamples + first, std::min(spp, frames - std::min(first, frames)),
                    block.begin());
        BuildSdsPacket(c.outBuffer.data(), cc, c.packetNumber, block.data(), count, c.bits);
        r = c.SendSysEx(c, kSdsPacketBytes);
        if (r != kTransferOk) break;
        SetProgress(index, total);
        bool resend = false;
        while (r == kTransferOk && !resend) {
            r = c.WaitEvent(c);
            if (r != kTransferOk) break;
            SdsMessage m = ParseSdsMessage(c.currentMessage.data(), c.currentMessage.size());
            if (m.kind != kSdsHandshakeMsg) {
                r = kTransferDataError;
                break;
            }
            // A repeated answer to the previous packet is stale: skip it.
            if (index > 0 && m.code != kSdsCancel && m.packet == ((c.packetNumber - 1) & 0x7F) &&
                m.packet != c.packetNumber)
                continue;
            if (m.code == kSdsWait) {
                c.samplerWaiting = true;
                continue;
            }
            c.samplerWaiting = false;
            if (m.code == kSdsAck) {
                ++index;
                naks = 0;
                break;
            }
            if (m.code == kSdsNak) {
                if (++naks >= kMaxNaksInARow) r = kTransferDataError;
                resend = true;
                continue;
            }
            // CANCEL from the sampler.
            cancelled = true;
            r = kTransferSamplerAborted;
            if (IsProphet(c) && !Quiet(c)) {
                char text[120];
                std::snprintf(text, sizeof text, "Transfer cancelled after\n%u of %u packets sent",
                              index, total);
                UI().MessageBox(wave->window, "Prophet Aborted", text);
                r = kTransferOk;
            }
            break;
        }
        if (cancelled) break;
    }
    if (r != kTransferOk && !cancelled) SendCancel(c, cc);
    return Finish(c, r);
}

int32_t SdsReceiveWave(TransferContext& c) {
    WaveRecord* wave = c.wave;
    if (!wave || WaveHasData(wave)) return kTransferIllegalParameter;
    PrepareBuffers(c, 1);
    Adjusted adjusted(c);
    const uint8_t cc = adjusted.cc;
    const uint32_t spp = uint32_t(c.samplesPerPacket);

    int32_t r = c.OpenDriver(c);
    if (r != kTransferOk) {
        c.lastResult = kTransferInitFailed;
        return kTransferInitFailed;
    }
    UI().SetWaitPointer(wave, true);
    BuildSdsRequest(c.outBuffer.data(), cc, adjusted.wireSample);
    r = c.SendSysEx(c, kSdsRequestBytes);
    if (r != kTransferOk) return Finish(c, r);

    bool cancelled = false;
    SdsHeader header;
    SdsMessage answer;
    r = NextAnswer(c, answer);
    if (r == kTransferOk) {
        if (answer.kind == kSdsHandshakeMsg && answer.code == kSdsCancel) {
            cancelled = true;
            r = kTransferSamplerAborted;
        } else if (answer.kind != kSdsHeaderMsg) {
            r = kTransferDataError;
        } else {
            header = answer.header;
        }
    }
    if (r == kTransferOk) {
        if (header.period == 0 && c.bits == 12) header.period = 32000;
        if (header.length == 0 || header.period == 0) r = kTransferDataError;
    }
    if (r != kTransferOk) {
        if (!cancelled) SendCancel(c, cc);
        return Finish(c, r);
    }

    const uint32_t length = header.length;
    uint32_t total = length / spp;
    uint32_t rest = length % spp;
    if (IsProphet(c) ? rest == 59 : rest != 0) ++total;
    auto* samples =
        static_cast<float*>(Allocate(size_t(length) * sizeof(float), kAllocLarge | kAllocZero));
    if (!samples) {
        SendHandshake(c, cc, kSdsNak, c.packetNumber);
        return Finish(c, kTransferNoMemory);
    }
    // The wave takes the buffer now: what arrives stays, the missing tail is silence.
    wave->leftSamples = samples;
    wave->frameCount = length;
    wave->viewStart = 0;
    wave->viewSpan = length;
    wave->sustainLoopId = -1;
    SetSampleRate(*wave, 1000000000u / header.period);
    bool looped =
        header.loopType != 0x7F && header.loopEnd <= length && header.loopEnd >= header.loopStart;
    if (looped && SetLoop(*wave, header.loopStart, header.loopEnd, header.loopType & 1, 0))
        wave->sustainLoopId = 0;

    (c.clock ? *c.clock : SteadyClock()).Sleep(kAckDelayMs);
    c.packetNumber = 0;
    r = SendHandshake(c, cc, kSdsAck, 0);

    uint32_t index = 0, position = 0;
    int bad = 0, repeats = 0;
    while (r == kTransferOk && index < total) {
        c.packetNumber = int32_t(index & 0x7F);
        r = c.WaitEvent(c);
        if (r != kTransferOk) break;
        std::vector<uint8_t> packet = c.currentMessage;
        if (c.optionFlags() & kOptionSdsWait) {
            r = SendHandshake(c, cc, kSdsWait, c.packetNumber);
            if (r != kTransferOk) break;
        }
        SetProgress(index, total);
        SdsMessage m = ParseSdsMessage(packet.data(), packet.size());
        if (m.kind == kSdsHandshakeMsg && m.code == kSdsCancel) {
            cancelled = true;
            r = kTransferSamplerAborted;
            break;
        }
        if (m.kind != kSdsPacketMsg && m.kind != kSdsBadPacket) {
            r = kTransferDataError;
            break;
        }
        bool good = m.kind == kSdsPacketMsg && m.checksumOk;
        if (good && index > 0 && m.packet == ((c.packetNumber - 1) & 0x7F)) {
            // The previous packet again: acknowledged, not stored twice.
            if (++repeats >= kMaxBadPacketsInARow) {
                r = kTransferDataError;
                break;
            }
            r = SendHandshake(c, cc, kSdsAck, m.packet);
            continue;
        }
        if (good && m.packet == c.packetNumber) {
            uint32_t count = std::min(spp, length - std::min(position, length));
            UnpackSdsPacket(packet.data(), c.bits, samples + position, count);
            position += spp;
            r = SendHandshake(c, cc, kSdsAck, c.packetNumber);
            ++index;
            bad = 0;
            repeats = 0;
            continue;
        }
        if (++bad >= kMaxBadPacketsInARow) {
            r = kTransferDataError;
            break;
        }
        r = SendHandshake(c, cc, kSdsNak, c.packetNumber);
    }
    if (r != kTransferOk && !cancelled) SendCancel(c, cc);
    return Finish(c, r);
}

int32_t SdsParamDialog(int32_t direction, TransferContext& c) {
    if (gSamplerParamDialogHook && !gSamplerParamDialogHook(direction, c))
        return kTransferUserCancel;
    return direction == 1 ? c.ReceiveWave(c) : c.SendWave(c);
}

}  // namespace ob
