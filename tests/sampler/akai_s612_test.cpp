// Akai S612 send and receive over the MIDI loopback with the virtual clock.
#include "sampler/akai_s612.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "../dsp/recording_ui.h"
#include "fake_sampler.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

Bytes GoAhead(uint8_t cc) {
    return {0xF0, 0x47, cc, 0x4D, 0x20, 0xF7};
}

// Four bytes of a 16-bit value as the parameter reply holds it.
void PutValue(Bytes& m, size_t at, uint32_t v) {
    m[at] = uint8_t((v >> 8) & 0x7F);
    m[at + 1] = uint8_t((v >> 15) & 1);
    m[at + 2] = uint8_t(v & 0x7F);
    m[at + 3] = uint8_t((v >> 7) & 1);
}

class S612Transfer : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMidiTestDevice([this] { return loop.PortForA(); });
        gTransferTiming = TransferTiming();
    }
    void TearDown() override {
        SetMidiTestDevice({});
        DiscardWave(wave);
    }
    void Prepare(uint32_t frames) {
        DiscardWave(wave);
        if (frames) {
            wave.leftSamples = static_cast<float*>(Allocate(frames * 4, kAllocLarge | kAllocZero));
            wave.frameCount = frames;
            for (uint32_t i = 0; i < frames; ++i)
                wave.leftSamples[i] = float(std::cos(i * 0.07) * 0.95);
        }
        InitTransferContext(c, &wave);
        ASSERT_EQ(0, SetupSamplerType(c, kSamplerAkaiS612));
        c.clock = &clock;
        c.channel() = 3;
        sampler.received.clear();
    }
    Bytes Parameters(uint32_t loopStart, uint32_t loopEnd, uint32_t kind) const {
        Bytes m(59, 0);
        m[0] = 0xF0;
        m[1] = 0x47;
        m[3] = 0x44;
        PutValue(m, 6, loopStart + 33280);
        m[14] = uint8_t(kind & 0x7F);
        m[15] = uint8_t((kind >> 7) & 0x7F);
        PutValue(m, 54, loopEnd + 33280);
        m[58] = 0xF7;
        return m;
    }
    // Block b: sample i has the 14-bit value (b * 256 + i) * 5 % 16384.
    static uint32_t Value(uint32_t at) { return at * 5 % 16384; }
    Bytes Block(uint32_t b) const {
        Bytes m = {0xF0, 0x47, 2, 0x44, 0x20, 0x21};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = Value(b * 256 + i);
            m.push_back(uint8_t(v & 0x7F));
            m.push_back(uint8_t(v >> 7));
        }
        m.push_back(0xF7);
        return m;
    }
    void Giving(Bytes parameters, uint32_t endAt = 126) {
        sampler.reply = [this, parameters, endAt](const Bytes& m) -> std::vector<Bytes> {
            if (m.size() != 7) return {};
            if (m[3] == 0x41 && m[5] == 0x41) return {parameters};
            if ((m[3] == 0x41 || m[3] == 0x42) && m[5] == 0x21) {
                uint32_t b = blocksGiven++;
                if (b >= endAt) return {{0xF0, 0x47, 2, 0x4E, 0x20, 0xF7}};
                return {Block(b)};
            }
            return {};
        };
    }

    MidiLoopback loop;
    FakeSampler sampler{loop};
    VirtualTransferClock clock;
    TransferContext c;
    WaveRecord wave;
    RecordingUserInterface ui;
    uint32_t blocksGiven = 0;
};

}  // namespace

TEST_F(S612Transfer, SendOf1000SamplesIsStill126BlocksWithTheMiddleValueAfter) {
    Prepare(1000);
    sampler.reply = [](const Bytes& m) -> std::vector<Bytes> { return {GoAhead(m[2])}; };
    ASSERT_EQ(kTransferOk, c.SendWave(c));
    ASSERT_EQ(2u * 126, sampler.received.size());
    for (uint32_t b = 0; b < 126; ++b) {
        const Bytes& request = sampler.received[2 * b];
        EXPECT_EQ((Bytes{0xF0, 0x47, 2, 0x40, 0x20, 0x21, uint8_t(b), 0xF7}), request);
        const Bytes& data = sampler.received[2 * b + 1];
        ASSERT_EQ(519u, data.size());
        EXPECT_EQ((Bytes{0xF0, 0x47, 2, 0x44, 0x20, 0x21}), Bytes(data.begin(), data.begin() + 6));
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t at = b * 256 + i;
            uint32_t expected = 0x2000;  // the middle value past the wave
            if (at < 1000) {
                auto v = int32_t(wave.leftSamples[at] * 32767.0f);
                expected = (uint32_t(v + 32768) & 0xFFFF) >> 2;
            }
            ASSERT_EQ(expected & 0x7F, data[6 + 2 * i]) << at;
            ASSERT_EQ(expected >> 7, data[7 + 2 * i]) << at;
        }
    }
}

TEST_F(S612Transfer, ChannelIsLimitedToOneToNine) {
    for (auto [channel, cc] : {std::pair{0, 0}, std::pair{12, 8}, std::pair{-5, 0}}) {
        Prepare(10);
        c.channel() = channel;
        sampler.reply = [](const Bytes& m) -> std::vector<Bytes> { return {GoAhead(m[2])}; };
        ASSERT_EQ(kTransferOk, c.SendWave(c));
        for (const Bytes& m : sampler.received) ASSERT_EQ(cc, m[2]);
    }
}

TEST_F(S612Transfer, WrongOrMissingGoAheadEndsTheSend) {
    Prepare(300);
    int answers = 0;
    sampler.reply = [&](const Bytes& m) -> std::vector<Bytes> {
        if (++answers == 5) return {{0xF0, 0x47, m[2], 0x4C, 0x20, 0xF7}};
        return {GoAhead(m[2])};
    };
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
    EXPECT_EQ(5u, sampler.received.size());
    Prepare(300);
    sampler.reply = [](const Bytes&) -> std::vector<Bytes> { return {{0xF0, 0x47, 0xF7}}; };
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
    Prepare(300);
    sampler.reply = {};
    EXPECT_EQ(kTransferTimeout, c.SendWave(c));
}

TEST_F(S612Transfer, ReceivesAllBlocksWithTheLoop) {
    Prepare(0);
    Giving(Parameters(1000, 32255, 3));  // the largest end the four bytes carry
    ASSERT_EQ(kTransferOk, c.ReceiveWave(c));
    ASSERT_EQ(32256u, wave.frameCount);
    EXPECT_EQ(16000u, wave.sampleRate);
    ASSERT_GE(sampler.received.size(), 2u);
    EXPECT_EQ((Bytes{0xF0, 0x47, 2, 0x41, 0x20, 0x41, 0xF7}), sampler.received[0]);
    EXPECT_EQ((Bytes{0xF0, 0x47, 2, 0x4D, 0x20, 0x41, 0xF7}), sampler.received[1]);
    EXPECT_EQ(0x41, sampler.received[2][3]);
    EXPECT_EQ(0x42, sampler.received[3][3]);
    for (uint32_t i = 0; i < 32256; ++i)
        ASSERT_FLOAT_EQ((float(Value(i) << 2) - 32768.0f) / 32768.0f, wave.leftSamples[i]) << i;
    ASSERT_EQ(0, wave.sustainLoopId);
    const LoopNode* l = FindLoop(wave, 0);
    ASSERT_NE(nullptr, l);
    EXPECT_EQ(1000u, l->start);
    EXPECT_EQ(32255u, l->end);
    EXPECT_EQ(0, l->type);
}

TEST_F(S612Transfer, LoopKindsAndLoopRules) {
    struct Case {
        uint32_t start, end, kind;
        bool looped;
        uint8_t type;
    } cases[] = {{10, 500, 1, true, 1},    {10, 500, 2, false, 0}, {10, 500, 0, false, 0},
                 {10, 500, 0x83, true, 0}, {500, 10, 3, false, 0}, {500, 500, 3, false, 0},
                 {10, 40000, 3, false, 0}};
    for (const Case& k : cases) {
        Prepare(0);
        blocksGiven = 0;
        Giving(Parameters(k.start, k.end, k.kind), 1);
        ASSERT_EQ(kTransferOk, c.ReceiveWave(c));
        EXPECT_EQ(k.looped, wave.sustainLoopId == 0) << k.start << " " << k.end << " " << k.kind;
        if (k.looped) EXPECT_EQ(k.type, FindLoop(wave, 0)->type);
    }
    // A start below 0 (a value under 33280) gives none.
    Prepare(0);
    blocksGiven = 0;
    Bytes p = Parameters(0, 500, 3);
    PutValue(p, 6, 100);
    Giving(p, 1);
    ASSERT_EQ(kTransferOk, c.ReceiveWave(c));
    EXPECT_EQ(-1, wave.sustainLoopId);
}

TEST_F(S612Transfer, EarlyNoMoreLeavesTheRestSilent) {
    Prepare(0);
    Giving(Parameters(0, 0, 2), 4);
    ASSERT_EQ(kTransferOk, c.ReceiveWave(c));
    ASSERT_EQ(32256u, wave.frameCount);
    EXPECT_NE(0.0f, wave.leftSamples[3 * 256 + 7]);
    for (uint32_t i = 4 * 256; i < 32256; ++i) ASSERT_EQ(0.0f, wave.leftSamples[i]) << i;
    EXPECT_EQ(2u + 5u, sampler.received.size());
}

TEST_F(S612Transfer, ShortOrForeignRepliesAreDataErrors) {
    Prepare(0);
    Bytes shortParameters = Parameters(0, 100, 3);
    shortParameters.resize(40);
    shortParameters.back() = 0xF7;
    Giving(shortParameters);
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    EXPECT_FALSE(WaveHasData(&wave));
    // A block cut short: the wave keeps what arrived, the rest is silence.
    Prepare(0);
    blocksGiven = 0;
    Giving(Parameters(0, 100, 3));
    auto giving = sampler.reply;
    sampler.reply = [&, giving](const Bytes& m) -> std::vector<Bytes> {
        auto r = giving(m);
        if (blocksGiven == 3 && !r.empty() && r[0].size() == 519) {
            r[0].resize(300);
            r[0].back() = 0xF7;
        }
        return r;
    };
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    ASSERT_EQ(32256u, wave.frameCount);
    EXPECT_NE(0.0f, wave.leftSamples[300]);
    EXPECT_EQ(0.0f, wave.leftSamples[2 * 256 + 5]);
}

TEST_F(S612Transfer, RandomRepliesNeverCrash) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        Prepare(round % 2 ? 500 : 0);
        sampler.reply = [&](const Bytes&) -> std::vector<Bytes> {
            Bytes r(rng() % 600 + 1);
            for (auto& b : r) b = uint8_t(rng() & 0x7F);
            r[0] = 0xF0;
            if (r.size() > 1) r[1] = 0x47;
            if (r.size() > 3 && rng() % 2) r[3] = uint8_t(0x4D + rng() % 2);
            r.back() = 0xF7;
            return {r};
        };
        int32_t result = wave.frameCount ? c.SendWave(c) : c.ReceiveWave(c);
        EXPECT_GE(result, 0);
        EXPECT_LE(result, 12);
    }
}
