// The Akai S612 messages and transfers.
#include "sampler/akai_s612.h"

#include <algorithm>
#include <cmath>

#include "base/progress.h"
#include "base/user_interface.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

void PackS612Sample(float x, uint8_t out[2]) {
    float c = std::isnan(x) ? 0.0f : std::clamp(x, -1.0f, 1.0f);
    auto v = int32_t(c * 32767.0f);
    uint32_t u = (uint32_t(v + 32768) & 0xFFFF) >> 2;
    out[0] = uint8_t(u & 0x7F);
    out[1] = uint8_t((u >> 7) & 0x7F);
}

float UnpackS612Sample(const uint8_t in[2]) {
    uint32_t w = ((uint32_t(in[1] & 0x7F) << 9) | (uint32_t(in[0] & 0x7F) << 2)) & 0xFFFF;
    return float(int32_t(w) - 32768) / 32768.0f;
}

S612Bytes S612Short(uint8_t c, uint8_t oo, uint8_t ss) {
    return {0xF0, kAkaiId, uint8_t(c & 0x7F), oo, 0x20, ss, 0xF7};
}

S612Bytes S612BlockRequest(uint8_t c, uint8_t block) {
    return {0xF0, kAkaiId, uint8_t(c & 0x7F), 0x40, 0x20, 0x21, uint8_t(block & 0x7F), 0xF7};
}

S612Bytes S612Data(uint8_t c, const float* samples, uint32_t frames, uint32_t block) {
    S612Bytes out = {0xF0, kAkaiId, uint8_t(c & 0x7F), 0x44, 0x20, 0x21};
    out.reserve(kS612DataBytes);
    for (uint32_t i = 0; i < kS612BlockSamples; ++i) {
        uint32_t at = block * kS612BlockSamples + i;
        uint8_t b[2] = {0x00, 0x40};
        if (at < frames) PackS612Sample(samples[at], b);
        out.push_back(b[0]);
        out.push_back(b[1]);
    }
    out.push_back(0xF7);
    return out;
}

bool S612Framed(const uint8_t* data, size_t size, size_t minSize) {
    if (!data || size < std::max<size_t>(minSize, 5)) return false;
    return data[0] == 0xF0 && data[1] == kAkaiId && data[size - 1] == 0xF7;
}

uint32_t S612Value(const uint8_t p[4]) {
    uint32_t high = ((uint32_t(p[1]) << 7) | p[0]) & 0xFF;
    uint32_t low = ((uint32_t(p[3]) << 7) | p[2]) & 0xFF;
    return (high << 8) | low;
}

bool ParseS612Parameters(const uint8_t* data, size_t size, S612Loop& loop) {
    loop = S612Loop();
    if (!S612Framed(data, size, kS612ParameterBytes)) return false;
    int64_t start = int64_t(S612Value(data + 6)) - kS612ValueOffset;
    int64_t end = int64_t(S612Value(data + 54)) - kS612ValueOffset;
    uint8_t kind = uint8_t(((uint32_t(data[15]) << 7) | data[14]) & 0xFF);
    // An end at the memory's end is its last frame.
    if (end == kS612Frames) end = kS612Frames - 1;
    bool isLoop = kind != 0 && kind != 2;
    if (isLoop && start >= 0 && start < end && end <= kS612Frames - 1) {
        loop.present = true;
        loop.start = uint32_t(start);
        loop.end = uint32_t(end);
        loop.type = kind == 1 ? 1 : 0;
    }
    return true;
}

namespace {

struct S612 {
    TransferContext& c;
    uint8_t cc;
    explicit S612(TransferContext& context, int32_t direction) : c(context) {
        c.direction = direction;
        c.outBufferSize = kS612BufferBytes;
        c.inBufferSize = kS612BufferBytes;
        c.outBuffer.assign(kS612BufferBytes, 0);
        c.currentMessage.clear();
        c.channel() = std::clamp(c.channel(), 1, 9);
        cc = uint8_t(c.channel() - 1);
    }
    int32_t Send(const S612Bytes& m) {
        if (m.size() > c.outBuffer.size()) return kTransferGeneralError;
        std::copy(m.begin(), m.end(), c.outBuffer.begin());
        return c.SendSysEx(c, m.size());
    }
    int32_t Exchange(const S612Bytes& m) {
        int32_t r = Send(m);
        return r != kTransferOk ? r : c.WaitEvent(c);
    }
    // The sampler's go-ahead: F0 47 .. 4D .. F7.
    bool GoAhead() const {
        const auto& m = c.currentMessage;
        return S612Framed(m.data(), m.size(), 5) && m[3] == kS612Reply;
    }
    int32_t Finish(int32_t result) {
        c.CloseDriver(c);
        c.lastResult = result;
        UI().SetWaitPointer(c.wave, false);
        ResetProgress();
        return result;
    }
};

}  // namespace

int32_t S612SendWave(TransferContext& c) {
    WaveRecord* w = c.wave;
    if (!WaveHasData(w)) {
        c.lastResult = kTransferIllegalParameter;
        return kTransferIllegalParameter;
    }
    S612 s(c, 0);
    if (c.OpenDriver(c) != kTransferOk) {
        c.lastResult = kTransferInitFailed;
        return kTransferInitFailed;
    }
    UI().SetWaitPointer(w, true);
    int32_t r = kTransferOk;
    for (uint32_t b = 0; b < kS612Blocks && r == kTransferOk; ++b) {
        r = s.Exchange(S612BlockRequest(s.cc, uint8_t(b)));
        SetProgress(b, kS612Blocks);
        if (r == kTransferOk && !s.GoAhead()) r = kTransferDataError;
        if (r == kTransferOk) r = s.Exchange(S612Data(s.cc, w->leftSamples, w->frameCount, b));
        if (r == kTransferOk && !s.GoAhead()) r = kTransferDataError;
    }
    return s.Finish(r);
}

int32_t S612ReceiveWave(TransferContext& c) {
    WaveRecord* w = c.wave;
    if (!w || WaveHasData(w)) {
        c.lastResult = kTransferIllegalParameter;
        return kTransferIllegalParameter;
    }
    S612 s(c, 1);
    if (c.OpenDriver(c) != kTransferOk) {
        c.lastResult = kTransferInitFailed;
        return kTransferInitFailed;
    }
    UI().SetWaitPointer(w, true);
    S612Loop loop;
    int32_t r = s.Exchange(S612Short(s.cc, 0x41, 0x41));
    if (r == kTransferOk &&
        !ParseS612Parameters(c.currentMessage.data(), c.currentMessage.size(), loop))
        r = kTransferDataError;
    if (r == kTransferOk) r = s.Send(S612Short(s.cc, kS612Reply, 0x41));
    if (r != kTransferOk) return s.Finish(r);

    auto* samples =
        static_cast<float*>(Allocate(kS612Frames * sizeof(float), kAllocLarge | kAllocZero));
    if (!samples) return s.Finish(kTransferNoMemory);
    // The wave takes the buffer now: blocks that do not arrive stay silence.
    w->leftSamples = samples;
    w->frameCount = kS612Frames;
    w->viewStart = 0;
    w->viewSpan = kS612Frames;
    SetSampleRate(*w, kS612Rate);
    w->sustainLoopId = -1;
    if (loop.present && SetLoop(*w, loop.start, loop.end, loop.type, 0)) w->sustainLoopId = 0;

    for (uint32_t b = 0; b < kS612Blocks && r == kTransferOk; ++b) {
        r = s.Exchange(S612Short(s.cc, b == 0 ? 0x41 : 0x42, 0x21));
        SetProgress(b, kS612Blocks);
        if (r != kTransferOk) break;
        const auto& m = c.currentMessage;
        if (S612Framed(m.data(), m.size(), 5) && m[3] == kS612NoMore) break;  // no more blocks
        if (m.size() != kS612DataBytes || !S612Framed(m.data(), m.size(), kS612DataBytes)) {
            r = kTransferDataError;
            break;
        }
        for (uint32_t i = 0; i < kS612BlockSamples; ++i)
            samples[b * kS612BlockSamples + i] = UnpackS612Sample(m.data() + 6 + 2 * i);
    }
    return s.Finish(r);
}

}  // namespace ob
