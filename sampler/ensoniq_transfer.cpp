// The Ensoniq transfers. Every command is answered by a response; "Wait"
// answers are acknowledged (a bounded number of times) and "Sampler disk
// access in progress" counts as success. A message that is not a response
// ends the wait without being consumed: the read that follows takes it.
#include "sampler/ensoniq_transfer.h"

#include <algorithm>
#include <cstring>

#include "base/progress.h"
#include "base/user_interface.h"
#include "sampler/ensoniq_messages.h"
#include "sampler/sampler_types.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr const char* kErrorCaption = "EPS Error";
constexpr int64_t kPauseSliceMs = 50;

struct EpsSession {
    TransferContext& c;
    int32_t saved[4];  // channel, wavesample, layer, instrument as the user gave them
    EpsTarget target;
    bool quiet;
    bool held = false;  // currentMessage holds a message a response wait left

    explicit EpsSession(TransferContext& context) : c(context) {
        int32_t* w = c.words;
        saved[0] = w[kWordChannel];
        saved[1] = w[kWordSampleNumber];
        saved[2] = w[kWordLayer];
        saved[3] = w[kWordInstrument];
        w[kWordChannel] = std::clamp(w[kWordChannel], 1, 16) - 1;
        w[kWordSampleNumber] = std::clamp(w[kWordSampleNumber], 1, 127);
        w[kWordLayer] = std::clamp(w[kWordLayer], 1, 8) - 1;
        w[kWordInstrument] = std::clamp(w[kWordInstrument], 1, 8) - 1;
        quiet = (c.messageFlags() & kMessageQuiet) != 0;
        Retarget();
    }
    ~EpsSession() {
        c.words[kWordChannel] = saved[0];
        c.words[kWordSampleNumber] = saved[1];
        c.words[kWordLayer] = saved[2];
        c.words[kWordInstrument] = saved[3];
    }
    void Retarget() {
        target.cc = uint8_t(c.words[kWordChannel]);
        target.wavesample = uint8_t(c.words[kWordSampleNumber]);
        target.layer = uint8_t(c.words[kWordLayer]);
        target.instrument = uint8_t(c.words[kWordInstrument]);
    }
    const std::vector<uint8_t>& message() const { return c.currentMessage; }

    void Box(const char* text) {
        if (!quiet) UI().MessageBox(c.wave ? c.wave->window : nullptr, kErrorCaption, text);
    }

    int32_t Send(size_t count) { return c.SendSysEx(c, count); }

    // The next message: the one a response wait left, or a new one.
    int32_t Next() {
        if (held) {
            held = false;
            return kTransferOk;
        }
        return c.WaitEvent(c);
    }

    int32_t Respond(uint8_t code) {
        BuildEpsResponse(c.outBuffer.data(), target.cc, code);
        return Send(kEpsResponseBytes);
    }

    int32_t AwaitResponse() {
        int waits = 0;
        for (;;) {
            int32_t r = Next();
            if (r != kTransferOk) return r;
            const std::vector<uint8_t>& m = message();
            if (!IsEpsMessage(m.data(), m.size())) return kTransferDataError;
            if (m[4] != kEpsResponse) {
                held = true;  // for the read that follows
                c.samplerWaiting = false;
                return kTransferOk;
            }
            if (!IsEpsResponse(m.data(), m.size())) return kTransferDataError;
            uint8_t code = m[6];
            if (code == kEpsAcknowledged || code == kEpsDiskAccess) {
                c.samplerWaiting = false;
                return kTransferOk;
            }
            if (code == kEpsWait) {
                if (++waits > kEpsMaxWaitAnswers) {
                    c.samplerWaiting = false;
                    return kTransferSamplerBusy;
                }
                r = Respond(kEpsAcknowledged);
                if (r != kTransferOk) return r;
                c.samplerWaiting = true;  // the next wait runs to the long limit
                continue;
            }
            c.samplerWaiting = false;
            Box(EpsResponseText(code));
            return kTransferSamplerAborted;
        }
    }

    int32_t Command(uint8_t command) {
        held = false;  // a message left unread before a new command is stale
        BuildEpsCommand(c.outBuffer.data(), target, command);
        int32_t r = Send(kEpsCommandBytes);
        return r != kTransferOk ? r : AwaitResponse();
    }

    int32_t Range(uint8_t command, uint32_t start, uint32_t end) {
        held = false;
        BuildEpsRange(c.outBuffer.data(), target, command, start, end);
        int32_t r = Send(kEpsRangeBytes);
        return r != kTransferOk ? r : AwaitResponse();
    }

    // A real pause the sampler needs; an abort ends it.
    int32_t Pause(int64_t ms) {
        TransferClock& clock = c.clock ? *c.clock : SteadyClock();
        for (int64_t left = ms; left > 0; left -= kPauseSliceMs) {
            if (c.PeekEvent(c) == kTransferUserAborted) return kTransferUserAborted;
            clock.Sleep(std::min(left, kPauseSliceMs));
        }
        return kTransferOk;
    }

    // The header of a reply names this target: instrument, layer, wavesample.
    // Returns the text of the first mismatch, or null.
    const char* TargetMismatch(const char* instrument, const char* layer, const char* wave) {
        const std::vector<uint8_t>& m = message();
        if (m[6] != target.instrument) return instrument;
        if (m[8] != target.layer) return layer;
        if (m[9] != ((target.wavesample >> 6) & 63) || m[10] != (target.wavesample & 63))
            return wave;
        return nullptr;
    }

    int32_t Fail(const char* text) {
        Box(text);
        return kTransferDataError;
    }

    // One request of the parameter block into `block`.
    int32_t RequestParameters(std::vector<uint8_t>& block) {
        int32_t r = Command(kEpsGetParameters);
        if (r != kTransferOk) return r;
        r = Next();
        if (r != kTransferOk) return r;
        const std::vector<uint8_t>& m = message();
        if (!IsEpsMessage(m.data(), m.size()) || m.size() != kEpsCommandBytes ||
            m[4] != kEpsPutParameters)
            return Fail("EPS did not send wavesample parameters header");
        if (const char* t = TargetMismatch("EPS sent wrong instrument", "EPS sent wrong layer",
                                           "EPS sent wrong wavesample"))
            return Fail(t);
        r = Respond(kEpsAcknowledged);
        if (r != kTransferOk) return r;
        r = Next();
        if (r != kTransferOk) return r;
        if (!IsEpsMessage(message().data(), message().size()) || message().size() != kEpsParamBytes)
            return Fail("EPS did not send wavesample parameters");
        block = message();
        return kTransferOk;
    }

    // The parameter block; a busy sampler is asked again after a pause.
    int32_t GetParameters(std::vector<uint8_t>& block) {
        const int64_t pause = c.direction == 0 ? kEpsRetrySendPauseMs : kEpsRetryReceivePauseMs;
        for (int attempt = 1;; ++attempt) {
            int32_t r = RequestParameters(block);
            if (r != kTransferSamplerBusy || attempt >= kEpsParameterTries) return r;
            r = Pause(pause);
            if (r != kTransferOk) return r;
        }
    }
};

void PrepareBuffers(TransferContext& c, int32_t direction) {
    c.direction = direction;
    c.outBufferSize = kEpsBufferBytes;
    c.inBufferSize = kEpsBufferBytes;
    c.outBuffer.assign(kEpsBufferBytes, 0);
    c.currentMessage.clear();
}

int32_t Finish(TransferContext& c, int32_t result) {
    c.CloseDriver(c);
    c.lastResult = result;
    c.samplerWaiting = false;
    c.outBuffer.clear();
    c.outBuffer.shrink_to_fit();
    UI().SetWaitPointer(c.wave, false);
    ResetProgress();
    return result;
}

uint32_t BlockCount(uint32_t length) {
    return (length + kEpsBlockSamples - 1) / kEpsBlockSamples;
}

// The Create commands: instrument (which also makes layer 1 and wavesample
// 1), layer (which also makes wavesample 1), wavesample; then the pause.
int32_t CreateTargets(EpsSession& s) {
    TransferContext& c = s.c;
    const int32_t options = c.optionFlags();
    int32_t r = kTransferOk;
    bool create = false;
    if (options & kOptionCreateInstrument) {
        c.words[kWordLayer] = 0;
        c.words[kWordSampleNumber] = 1;
        s.Retarget();
        r = s.Command(kEpsCreateInstrument);
        if (r == kTransferOk) r = s.Pause(kEpsCreatePauseMs);
        create = true;
    }
    if (r == kTransferOk && (create || (options & kOptionCreateLayer))) {
        c.words[kWordSampleNumber] = 1;
        s.Retarget();
        r = s.Command(kEpsCreateLayer);
        if (r == kTransferOk) r = s.Pause(kEpsCreatePauseMs);
        create = true;
    }
    if (r == kTransferOk && (create || (options & kOptionCreateWavesample)))
        r = s.Command(kEpsCreateWavesample);
    if (r == kTransferOk) r = s.Pause(kEpsCreatePauseMs);
    return r;
}

struct SendLoop {
    uint32_t start, end;
    uint8_t mode;
};

SendLoop LoopForSend(const WaveRecord& w, uint32_t length) {
    SendLoop loop{length, length, 0};
    uint8_t type = 0;
    bool found = false;
    if (w.sustainLoopId >= 0)
        for (const LoopNode* n = w.loops; n; n = n->next)
            if (n->id == w.sustainLoopId) {
                loop.start = n->start;
                loop.end = n->end;
                type = n->type & 1;
                found = true;
                break;
            }
    loop.mode = found && type != 0 ? 3 : 2;
    if (loop.start >= loop.end) loop.mode = 0;
    loop.end = std::min(loop.end, length);
    loop.start = std::min(loop.start, loop.end);
    return loop;
}

// The fields a send changes in the block the sampler gave; the rest goes
// back as received.
void EditBlock(std::vector<uint8_t>& block, const WaveRecord& w, uint32_t length) {
    uint8_t* b = block.data();
    std::memset(b + kEpsParamCopyMarks, 0, 6);
    PutEpsName(b, w.name);
    PutEpsByte(b + kEpsParamRate, EpsRateCode(w.sampleRate));
    SendLoop loop = LoopForSend(w, length);
    b[kEpsParamLoopMode] = uint8_t((loop.mode & 15) << 2);
    PutEpsAddress(b + kEpsParamWaveStart, 0);
    PutEpsAddress(b + kEpsParamWaveEnd, length);
    PutEpsAddress(b + kEpsParamLoopStart, loop.start);
    PutEpsAddress(b + kEpsParamLoopEnd, loop.end);
    uint8_t root = std::min<uint8_t>(w.keyRoot, 127), low = std::min<uint8_t>(w.keyLow, 127),
            high = std::min<uint8_t>(w.keyHigh, 127);
    if (high == 0 || root == 0 || high < low) {
        root = 60;
        low = 0;
        high = 127;
    }
    PutEpsByte(b + kEpsParamRootKey, root);
    PutEpsByte(b + kEpsParamLowKey, low);
    PutEpsByte(b + kEpsParamHighKey, high);
}

int32_t SendBlocks(EpsSession& s, const WaveRecord& w, uint32_t length) {
    TransferContext& c = s.c;
    const uint32_t blocks = BlockCount(length);
    for (uint32_t k = 0; k < blocks; ++k) {
        uint32_t start = k * kEpsBlockSamples;
        uint32_t n = std::min(kEpsBlockSamples, length - start);
        int32_t r = s.Range(kEpsPutWaveData, start, start + n - 1);
        if (r != kTransferOk) return r;
        s.held = false;
        BuildEpsWaveData(c.outBuffer.data(), s.target.cc, w.leftSamples + start, n);
        r = s.Send(EpsWaveDataBytes(n));
        if (r == kTransferOk) r = s.AwaitResponse();
        if (r != kTransferOk) return r;
        SetProgress(k + 1, blocks);
    }
    return kTransferOk;
}

int32_t ReceiveBlocks(EpsSession& s, float* samples, uint32_t waveStart, uint32_t length) {
    const uint32_t blocks = BlockCount(length);
    for (uint32_t k = 0; k < blocks; ++k) {
        uint32_t offset = k * kEpsBlockSamples;
        uint32_t n = std::min(kEpsBlockSamples, length - offset);
        uint32_t start = offset + waveStart, end = start + n;
        int32_t r = s.Range(kEpsGetWaveData, start, end);
        if (r == kTransferOk) r = s.Next();
        if (r != kTransferOk) return r;
        const std::vector<uint8_t>& m = s.message();
        if (!IsEpsMessage(m.data(), m.size()) || m.size() != kEpsRangeBytes ||
            m[4] != kEpsPutWaveData)
            return s.Fail("EPS did not send data");
        if (const char* t = s.TargetMismatch("EPS sent wrong Instrument", "EPS sent wrong Layer",
                                             "EPS sent wrong Wavesample"))
            return s.Fail(t);
        if (GetEps24(m.data() + 11) != start || GetEps24(m.data() + 15) != end)
            return s.Fail("EPS sent wrong data");
        r = s.Respond(kEpsAcknowledged);
        if (r == kTransferOk) r = s.Next();
        if (r != kTransferOk) return r;
        const std::vector<uint8_t>& d = s.message();
        if (!IsEpsMessage(d.data(), d.size()) || d.size() < EpsWaveDataBytes(n))
            return s.Fail("EPS did not send data");
        UnpackEpsWaveData(d.data(), samples + offset, n);
        SetProgress(k + 1, blocks);
    }
    return kTransferOk;
}

// What a receive takes from the parameter block.
struct ReceivedParameters {
    std::string name;
    uint32_t period = 1;
    uint8_t root = 60, low = 0, high = 127;
    uint32_t waveStart = 0, length = 0;
    bool looped = false;
    uint32_t loopStart = 0, loopEnd = 0;  // relative to the wave start
    uint8_t loopType = 0;
};

bool ReadParameters(const uint8_t* b, ReceivedParameters& p) {
    p.name = GetEpsName(b);
    p.period = uint32_t(GetEpsByte(b + kEpsParamRate)) * 1600u;
    if (p.period == 0) p.period = 1;
    p.root = GetEpsKey(b + kEpsParamRootKey);
    p.low = GetEpsKey(b + kEpsParamLowKey);
    p.high = GetEpsKey(b + kEpsParamHighKey);
    if (p.high < p.low) {
        p.low = 0;
        p.root = 60;
        p.high = 127;
    }
    uint32_t start = GetEpsAddress(b + kEpsParamWaveStart);
    uint32_t end = GetEpsAddress(b + kEpsParamWaveEnd);
    if (start >= end) return false;
    p.waveStart = start;
    p.length = end - start;
    uint32_t ls = std::clamp(GetEpsAddress(b + kEpsParamLoopStart), start, end);
    uint32_t le = std::clamp(GetEpsAddress(b + kEpsParamLoopEnd), start, end);
    uint8_t mode = (b[kEpsParamLoopMode] >> 2) & 15;
    p.loopType = mode == 3 ? 1 : 0;
    // The loop end is measured from the wave start.
    p.looped = le - start <= p.length && ls < le && mode != 0 && mode != 1;
    p.loopStart = ls - start;
    p.loopEnd = le - start;
    return true;
}

}  // namespace

bool IsEnsoniqType(int32_t code) {
    return code == kSamplerEps || code == kSamplerEps16Plus || code == kSamplerAsr10;
}

uint8_t EpsRateCode(uint32_t sampleRate) {
    if (sampleRate == 0) return 127;
    uint32_t code = 1000000000u / sampleRate / 1600u;
    return uint8_t(std::clamp<uint32_t>(code, 1, 127));
}

int32_t EnsoniqSendWave(TransferContext& c) {
    WaveRecord* wave = c.wave;
    if (!WaveHasData(wave) || wave->frameCount > kEpsMaxFrames) {
        c.lastResult = kTransferIllegalParameter;
        return kTransferIllegalParameter;
    }
    PrepareBuffers(c, 0);
    EpsSession s(c);
    int32_t r = c.OpenDriver(c);
    if (r != kTransferOk) {
        c.lastResult = r;
        return r;
    }
    UI().SetWaitPointer(wave, true);
    const uint32_t length = wave->frameCount;

    r = CreateTargets(s);
    std::vector<uint8_t> block;
    if (r == kTransferOk) r = s.GetParameters(block);
    if (r == kTransferOk && EpsIsCopy(block.data()) && !s.quiet &&
        UI().Ask(wave->window, "EPS Query",
                 "The target wave is a copy.\n\nWould you like to continue sending?\n",
                 kButtonsYesNo, kAnswerNo) != kAnswerYes)
        return Finish(c, kTransferUserCancel);
    if (r == kTransferOk) {
        EditBlock(block, *wave, length);
        uint8_t mode = c.samplerType == kSamplerAsr10 ? kEpsModeAsr10 : kEpsModeEps;
        s.held = false;
        BuildEpsMode(c.outBuffer.data(), s.target.cc, mode);
        r = s.Send(kEpsModeBytes);
        if (r == kTransferOk) r = s.AwaitResponse();
        if (r == kTransferOk) r = s.Command(kEpsPutParameters);
    }
    if (r == kTransferOk) {
        s.held = false;
        std::copy(block.begin(), block.end(), c.outBuffer.begin());
        r = s.Send(kEpsParamBytes);
        if (r == kTransferOk) r = s.AwaitResponse();
        if (r == kTransferOk) r = s.Pause(kEpsCreatePauseMs);
    }
    if (r == kTransferOk) r = SendBlocks(s, *wave, length);
    return Finish(c, r);
}

int32_t EnsoniqReceiveWave(TransferContext& c) {
    WaveRecord* wave = c.wave;
    if (!wave || WaveHasData(wave)) {
        c.lastResult = kTransferIllegalParameter;
        return kTransferIllegalParameter;
    }
    PrepareBuffers(c, 1);
    EpsSession s(c);
    int32_t r = c.OpenDriver(c);
    if (r != kTransferOk) {
        c.lastResult = r;
        return r;
    }
    UI().SetWaitPointer(wave, true);

    std::vector<uint8_t> block;
    r = s.GetParameters(block);
    ReceivedParameters p;
    if (r == kTransferOk && !ReadParameters(block.data(), p)) r = kTransferDataError;
    if (r != kTransferOk) return Finish(c, r);

    auto* samples =
        static_cast<float*>(Allocate(size_t(p.length) * sizeof(float), kAllocLarge | kAllocZero));
    if (!samples) return Finish(c, kTransferNoMemory);
    // The wave takes the buffer now: what arrives stays, the rest is silence.
    wave->leftSamples = samples;
    wave->frameCount = p.length;
    wave->viewStart = 0;
    wave->viewSpan = p.length;
    if (!p.name.empty()) wave->name = p.name;
    SetSampleRate(*wave, 1000000000u / p.period);
    wave->keyRoot = p.root;
    wave->keyLow = p.low;
    wave->keyHigh = p.high;
    wave->sustainLoopId = -1;
    if (p.looped && SetLoop(*wave, p.loopStart, p.loopEnd, p.loopType, 0)) wave->sustainLoopId = 0;

    r = ReceiveBlocks(s, samples, p.waveStart, p.length);
    return Finish(c, r);
}

}  // namespace ob
