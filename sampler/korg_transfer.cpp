// The Korg DSS-1 and DSM-1 transfers.
#include "sampler/korg_transfer.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/progress.h"
#include "base/user_interface.h"
#include "sampler/korg_messages.h"
#include "sampler/sampler_types.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr int kMaxNaks = 6;          // the sixth NAK in a row ends a send
constexpr int kMaxBadBlocks = 5;     // the fifth bad block in a row ends a receive
constexpr uint8_t kProgramA = 0x3B;  // program commands around a new multisound
constexpr uint8_t kProgramB = 0x3A;

struct Korg {
    TransferContext& c;
    const KorgModel& m;
    WaveRecord* wave;
    uint8_t n = 0;  // channel byte
    int sound = 1, multisound = 1, bank = 1;
    bool quiet = false;

    Korg(TransferContext& context, bool dsm1)
        : c(context), m(KorgModelOf(dsm1)), wave(context.wave) {
        n = uint8_t(std::clamp(c.channel(), 1, 16) - 1);
        c.sampleNumber() = sound = std::clamp(c.sampleNumber(), 1, 16);
        c.words[kWordInstrument] = multisound =
            std::clamp(c.words[kWordInstrument], 1, m.dsm1 ? 8 : 16);
        if (m.dsm1) c.words[kWordLayer] = bank = std::clamp(c.words[kWordLayer], 1, 4);
        quiet = (c.messageFlags() & kMessageQuiet) != 0;
    }

    void Box(const std::string& text) const {
        if (!quiet) UI().MessageBox(wave ? wave->window : nullptr, m.caption, text);
    }
    // "DSS1 not accepting data" and the like.
    std::string Model(const char* text) const { return std::string(m.modelName) + text; }

    int32_t Send(const KorgBytes& message) {
        if (message.size() > c.outBuffer.size()) return kTransferGeneralError;
        std::copy(message.begin(), message.end(), c.outBuffer.begin());
        return c.SendSysEx(c, message.size());
    }
    int32_t Exchange(const KorgBytes& message) {
        int32_t r = Send(message);
        return r != kTransferOk ? r : c.WaitEvent(c);
    }
    const uint8_t* Reply() const { return c.currentMessage.data(); }
    size_t ReplySize() const { return c.currentMessage.size(); }
    int Function() const { return KorgReplyFunction(m, Reply(), ReplySize()); }
    uint8_t MultisoundByte() const {
        return m.dsm1 ? uint8_t((bank - 1) * 16 + (multisound - 1)) : uint8_t(multisound - 1);
    }

    int32_t Connect();
    // Sends `message` until the sampler answers ACK; the sixth NAK in a row
    // shows "<model><refusal>" and gives 7. `naks` counts the NAKs.
    int32_t SendAcknowledged(const KorgBytes& message, const char* refusal, int& naks);
    int32_t Finish(int32_t result) {
        c.CloseDriver(c);
        c.lastResult = result;
        UI().SetWaitPointer(wave, false);
        ResetProgress();
        return result;
    }
};

int32_t Korg::Connect() {
    int32_t r = Exchange(KorgInquiry(n));
    if (r != kTransferOk) return r;
    if (!KorgInquiryReplyOk(m, Reply(), ReplySize())) {
        Box(Model("").insert(0, "Incorrect Device, non "));
        return kTransferSamplerAborted;
    }
    if (!m.dsm1) {
        r = Send(KorgShortRequest(m, n, kKorgModeRequestA, 0));
        if (r == kTransferOk) r = Exchange(KorgShortRequest(m, n, kKorgModeRequestB, 0));
        if (r != kTransferOk) return r;
        if (!KorgFramed(m, Reply(), ReplySize(), 7) || Reply()[5] != 0) {
            Box("DSS1 not in correct mode");
            return kTransferSamplerAborted;
        }
        return kTransferOk;
    }
    r = Exchange(Dsm1ModeMessage(n));
    if (r != kTransferOk) return r;
    int f = Function();
    if (f != kKorgAck) {
        Box("DSM1 not in correct mode");
        return f == kKorgNak ? kTransferDataError : kTransferGeneralError;
    }
    return kTransferOk;
}

int32_t Korg::SendAcknowledged(const KorgBytes& message, const char* refusal, int& naks) {
    int inARow = 0;
    for (;;) {
        int32_t r = Exchange(message);
        if (r != kTransferOk) return r;
        int f = Function();
        if (f == kKorgAck) return kTransferOk;
        if (f < 0) return kTransferDataError;  // not a message of this model
        if (f != kKorgNak) return kTransferGeneralError;
        ++naks;
        if (++inARow >= kMaxNaks) {
            Box(Model(refusal));
            return kTransferDataError;
        }
    }
}

// The sustain loop of a send, or the last frame when there is none.
void LoopOfWave(const WaveRecord& w, uint32_t& start, uint32_t& end) {
    start = w.frameCount - 1;
    end = w.frameCount - 1;
    if (w.sustainLoopId < 0) return;
    for (const LoopNode* loop = w.loops; loop; loop = loop->next)
        if (loop->id == w.sustainLoopId) {
            start = loop->start;
            end = loop->end;
            return;
        }
}

// The list and the parameters of the chosen multisound; shared by both directions.
struct Target {
    std::vector<KorgMultisoundEntry> list;
    KorgParameters params;
    KorgBytes saved;       // the parameter reply
    uint32_t address = 0;  // of the multisound (DSS-1: the lengths before it)
};

int32_t ReadList(Korg& k, Target& t, bool sending) {
    int32_t r = k.Exchange(KorgShortRequest(k.m, k.n, kKorgListRequest, uint8_t(k.bank - 1)));
    if (r != kTransferOk) return r;
    if (!ParseKorgList(k.m, k.Reply(), k.ReplySize(), t.list)) {
        k.Box("Error receiving Multisound list");
        return kTransferDataError;
    }
    if (t.list.empty()) {
        k.Box(sending ? "Error, DSS-1 reports no Multisounds"
                      : "DSS-1 reports no Multisounds are available!");
        return kTransferSamplerAborted;
    }
    if (size_t(k.multisound) > t.list.size()) {
        if (!sending) {
            k.Box("That Multisound number is too high");
            return kTransferIllegalParameter;
        }
        k.multisound = int(t.list.size());
    }
    if (k.m.dsm1) {
        t.address = t.list[size_t(k.multisound - 1)].address;
    } else {
        uint64_t base = 0;
        for (int i = 0; i + 1 < k.multisound; ++i) base += t.list[size_t(i)].length;
        if (base > k.m.numberLimit) return kTransferDataError;
        t.address = uint32_t(base);
    }
    return kTransferOk;
}

int32_t ReadParameters(Korg& k, Target& t, bool sending) {
    int32_t r = k.Exchange(KorgParamRequest(k.m, k.n, k.MultisoundByte()));
    if (r != kTransferOk) return r;
    if (!ParseKorgParameters(k.m, k.Reply(), k.ReplySize(), t.params)) {
        k.Box("Error receiving Multisound parameters");
        return kTransferDataError;
    }
    t.saved = k.c.currentMessage;
    if (t.params.sounds == 0) {
        if (sending) {
            k.Box("Error receiving Multisound parameters");
            return kTransferDataError;
        }
        k.Box("DSS-1 reports no Sounds are available!");
        return kTransferSamplerAborted;
    }
    if (k.sound > t.params.sounds) {
        if (!sending) {
            k.Box("That Sound number is too high");
            return kTransferIllegalParameter;
        }
        k.sound = t.params.sounds;
    }
    return kTransferOk;
}

// DSM-1: the sum of the lengths of sounds 1..s.
int64_t LengthsUpTo(const KorgParameters& p, int sound) {
    int64_t sum = 0;
    for (int i = 0; i < sound; ++i) sum += p.entries[size_t(i)].length;
    return sum;
}

void PrepareBuffers(TransferContext& c, int32_t direction) {
    c.direction = direction;
    c.outBufferSize = kKorgBufferBytes;
    c.inBufferSize = kKorgBufferBytes;
    c.outBuffer.assign(kKorgBufferBytes, 0);
    c.currentMessage.clear();
}

bool IsDsm1(const TransferContext& c) {
    return c.samplerType == kSamplerDsm1;
}

int32_t Refuse(TransferContext& c, int32_t result) {
    c.lastResult = result;
    return result;
}

}  // namespace

int32_t KorgSendWave(TransferContext& c) {
    WaveRecord* w = c.wave;
    if (!WaveHasData(w)) return Refuse(c, kTransferIllegalParameter);
    PrepareBuffers(c, 0);
    Korg k(c, IsDsm1(c));
    const bool chop = (c.optionFlags() & int32_t(kOptionChopToFit)) != 0;
    const uint32_t frames = w->frameCount;
    if (frames > kKorgMaxFrames && !chop) {
        k.Box(k.m.dsm1 ? "Wave cannot fit into the DSM-1, max = 256k"
                       : "Wave cannot fit into the DSS-1, max = 256k");
        return Refuse(c, kTransferGeneralError);
    }
    uint32_t loopStart, loopEnd;
    LoopOfWave(*w, loopStart, loopEnd);

    if (c.OpenDriver(c) != kTransferOk) return Refuse(c, kTransferInitFailed);
    UI().SetWaitPointer(w, true);
    int32_t r = k.Connect();
    Target t;
    if (r == kTransferOk) r = ReadList(k, t, true);
    if (r == kTransferOk) r = ReadParameters(k, t, true);
    if (r != kTransferOk) return k.Finish(r);

    const KorgSoundEntry& entry = t.params.entries[size_t(k.sound - 1)];
    int64_t start = entry.start;
    int64_t room;
    if (k.m.dsm1) {
        room = LengthsUpTo(t.params, k.sound) - int64_t(entry.start);
    } else {
        start = std::min(entry.start, entry.loopStart);
        room = entry.length;
    }
    bool newMultisound = false;
    int64_t length = std::min<int64_t>(frames, kKorgMaxFrames);
    if (int64_t(frames) > room) {
        if (chop) {
            length = std::min<int64_t>(room, kKorgMaxFrames);
        } else if (k.quiet) {
            return k.Finish(kTransferGeneralError);  // too large, nobody to ask
        } else {
            QuestionAnswer a = UI().Ask(
                w->window, k.m.caption,
                "Wave is larger than the target DSS-1 sound.\nWould you like to make a new one?",
                kButtonsYesNo, kAnswerNo);
            if (a != kAnswerYes) return k.Finish(kTransferUserCancel);
            newMultisound = true;
            k.multisound = k.sound = k.bank = 1;
            start = 0;
            t.address = 0;
            length = frames;
        }
    }
    if (length <= 0) {
        k.Box(kKorgLengthErrorText);
        return k.Finish(kTransferGeneralError);
    }
    const auto len = uint32_t(length);
    loopEnd = std::min(loopEnd, len - 1);
    loopStart = std::min(loopStart, loopEnd);
    const uint32_t loopLength = loopEnd - loopStart + 1;
    const uint64_t address = uint64_t(start) + t.address;
    if (address + len > k.m.numberLimit) return k.Finish(kTransferDataError);

    // The samples, in blocks of 1000.
    const uint32_t blocks = (len + kKorgBlockSamples - 1) / kKorgBlockSamples;
    int naks = 0;
    for (uint32_t b = 0; b < blocks && r == kTransferOk; ++b) {
        const uint32_t first = b * kKorgBlockSamples;
        const uint32_t count = std::min(kKorgBlockSamples, len - first);
        const auto blockStart = uint32_t(address + first);
        SetProgress(b, blocks);
        int dataNaks = 0;
        r = k.SendAcknowledged(KorgPcmDump(k.m, k.n, uint8_t(k.bank - 1), blockStart,
                                           blockStart + count, w->leftSamples + first, count),
                               " not accepting data", dataNaks);
    }
    if (r != kTransferOk) return k.Finish(r);

    // The parameters.
    KorgEdit e;
    e.multisoundByte = k.MultisoundByte();
    e.sound = k.sound;
    e.sounds = t.params.sounds;
    e.newMultisound = newMultisound;
    e.highKey = w->keyHigh;
    e.rootKey = w->keyRoot;
    if (e.highKey == 0 || e.rootKey == 0) {
        e.highKey = 127;
        e.rootKey = 60;
    }
    e.highKey = std::min<uint8_t>(e.highKey, 127);
    e.rootKey = std::min<uint8_t>(e.rootKey, 127);
    e.rate = KorgRateFor(w->sampleRate, e.highKey, e.rootKey);
    e.length = len;
    e.soundStart = uint32_t(start);
    e.loopStart = loopStart;
    e.loopLength = loopLength;
    KorgName(w->name, e.name);
    size_t bytes = EditKorgParameters(k.m, t.saved, e);
    r = k.SendAcknowledged(KorgParamDump(k.n, t.saved, bytes), " not accepting parameters", naks);
    if (r == kTransferOk && newMultisound) {
        r = k.SendAcknowledged(KorgNameMessage(k.m, k.n, uint8_t(k.bank - 1), w->name, len),
                               " not accepting list", naks);
        if (r == kTransferOk && !k.m.dsm1) {
            const uint8_t qq = uint8_t(std::min(naks, 127));
            r = k.Send(Dss1Program(k.n, kProgramA));
            if (r == kTransferOk) r = k.Exchange(Dss1Select(k.n, qq));
            if (r == kTransferOk) r = k.Send(Dss1Program(k.n, kProgramB));
            if (r == kTransferOk) r = k.Exchange(Dss1Select(k.n, qq));
        }
    }
    if (r == kTransferOk) SetProgress(blocks, blocks);
    return k.Finish(r);
}

int32_t KorgReceiveWave(TransferContext& c) {
    WaveRecord* w = c.wave;
    if (!w || WaveHasData(w)) return Refuse(c, kTransferIllegalParameter);
    PrepareBuffers(c, 1);
    Korg k(c, IsDsm1(c));
    if (c.OpenDriver(c) != kTransferOk) return Refuse(c, kTransferInitFailed);
    UI().SetWaitPointer(w, true);
    int32_t r = k.Connect();
    Target t;
    if (r == kTransferOk) r = ReadList(k, t, false);
    if (r == kTransferOk) r = ReadParameters(k, t, false);
    if (r != kTransferOk) return k.Finish(r);

    const KorgSoundEntry& entry = t.params.entries[size_t(k.sound - 1)];
    int64_t start = entry.start, length, loopStart = entry.loopStart, loopLength;
    bool looped;
    if (k.m.dsm1) {
        length = LengthsUpTo(t.params, k.sound) - start;
        looped =
            start + length >= int64_t(entry.loopStart) + entry.loopLength && loopStart >= start;
        loopStart -= start;
        loopLength = entry.loopLength;
    } else {
        start = std::min<int64_t>(start, loopStart);
        length = entry.length;
        loopStart -= start;
        loopLength = std::min<int64_t>(entry.loopLength, length);
        looped = t.params.loop;
    }
    if (length <= 0) {
        k.Box(kKorgLengthErrorText);
        return k.Finish(kTransferGeneralError);
    }
    const uint64_t address = uint64_t(start) + t.address;
    if (address + uint64_t(length) > k.m.numberLimit) return k.Finish(kTransferDataError);
    const auto len = uint32_t(length);
    auto* samples =
        static_cast<float*>(Allocate(size_t(len) * sizeof(float), kAllocLarge | kAllocZero));
    if (!samples) return k.Finish(kTransferNoMemory);

    // The wave takes the buffer now: a block that fails stays silence.
    w->leftSamples = samples;
    w->frameCount = len;
    w->viewStart = 0;
    w->viewSpan = len;
    w->viewLevelCentre = 0;
    w->viewLevelSpan = 65535;
    SetSampleRate(*w, KorgRateOfCode(entry.rateCode));
    w->keyHigh = std::min<uint8_t>(entry.highKey, 127);
    w->keyRoot = std::min<uint8_t>(entry.rootKey, 127);
    w->sustainLoopId = -1;
    // A loop passes the record's rules (start < end <= the last frame).
    if (looped && loopLength > 0 && loopStart >= 0) {
        int64_t loopEnd = std::min<int64_t>(loopStart + loopLength - 1, len - 1);
        if (loopStart < loopEnd && SetLoop(*w, uint32_t(loopStart), uint32_t(loopEnd), 0, 0))
            w->sustainLoopId = 0;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%.8s %02d", t.params.name, k.sound);
    w->name = name;

    const uint32_t blocks = (len + kKorgBlockSamples - 1) / kKorgBlockSamples;
    for (uint32_t b = 0; b < blocks && r == kTransferOk; ++b) {
        const uint32_t first = b * kKorgBlockSamples;
        const uint32_t count = std::min(kKorgBlockSamples, len - first);
        const auto blockStart = uint32_t(address + first);
        const KorgBytes request =
            KorgPcmRequest(k.m, k.n, uint8_t(k.bank - 1), blockStart, blockStart + count);
        SetProgress(b, blocks);
        for (int bad = 0;;) {
            r = k.Exchange(request);
            if (r != kTransferOk) break;
            if (k.Function() != kKorgPcmDump) {
                r = kTransferDataError;
                break;
            }
            const uint8_t* m = k.Reply();
            const size_t size = k.ReplySize();
            const size_t at = k.m.pcmHeader - size_t(2 * k.m.numberBytes);
            bool good =
                size == 2 * size_t(count) + k.m.pcmHeader + 2 &&
                KorgChecksum(m, 5, size - 2) == m[size - 2] &&
                DecodeKorgNumber(k.m, m + at) == blockStart &&
                DecodeKorgNumber(k.m, m + at + size_t(k.m.numberBytes)) == blockStart + count;
            if (good) {
                for (uint32_t i = 0; i < count; ++i)
                    samples[first + i] = UnpackKorgSample(m + k.m.pcmHeader + 2 * i);
                break;
            }
            if (++bad >= kMaxBadBlocks) {
                r = kTransferDataError;
                break;
            }
        }
    }
    return k.Finish(r);
}

}  // namespace ob
