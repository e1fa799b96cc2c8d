// Ensoniq EPS, EPS 16+ and ASR-10 send and receive against a sampler played
// in the test over the MIDI loopback with the virtual clock. The sampler
// here decodes and builds its bytes by hand from the wire layout, so the
// editor's message helpers are checked rather than trusted.
#include "sampler/ensoniq_transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <map>

#include "../dsp/recording_ui.h"
#include "fake_sampler.h"
#include "sampler/ensoniq_messages.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

// ---- the wire layout, written out independently ----
void Word(Bytes& b, size_t at, unsigned v) {
    b[at] = uint8_t(v >> 12 & 0xF);
    b[at + 1] = uint8_t(v >> 6 & 0x3F);
    b[at + 2] = uint8_t(v & 0x3F);
}
unsigned Word(const Bytes& b, size_t at) {
    return unsigned(b[at]) * 4096 + unsigned(b[at + 1]) * 64 + b[at + 2];
}
void Address(Bytes& b, size_t at, unsigned v) {
    // Bits 22..13, then 14..5 (two groups), then 6..0: the same bits twice
    // where the groups overlap.
    b[at] = uint8_t(v >> 19 & 15);
    b[at + 1] = uint8_t(v >> 13 & 63);
    b[at + 3] = uint8_t(v >> 11 & 15);
    b[at + 4] = uint8_t(v >> 5 & 63);
    b[at + 6] = uint8_t(v >> 3 & 15);
    b[at + 7] = uint8_t((v & 7) << 3);
    b[at + 2] = b[at + 5] = b[at + 8] = 0;
}
unsigned Address(const Bytes& b, size_t at) {
    unsigned high = (unsigned(b[at]) * 64 + b[at + 1]) * 8192;
    unsigned low = (unsigned(b[at + 6]) * 8) + (b[at + 7] / 8);
    unsigned middle = (unsigned(b[at + 3]) * 64 + b[at + 4]) * 32;
    return high | middle | low;
}
unsigned Group24(const Bytes& b, size_t at) {
    return ((unsigned(b[at]) * 64 + b[at + 1]) * 64 + b[at + 2]) * 64 + b[at + 3];
}
Bytes Group24(unsigned v) {
    return {uint8_t(v >> 18 & 63), uint8_t(v >> 12 & 63), uint8_t(v >> 6 & 63), uint8_t(v & 63)};
}
Bytes Response(int code, uint8_t cc = 0) {
    return {0xF0, 0x0F, 0x03, cc, 0x01, 0x00, uint8_t(code), 0xF7};
}
int16_t SampleWord(const Bytes& m, size_t i) {
    return int16_t(uint16_t(m[4 + 3 * i] << 12 | m[5 + 3 * i] << 6 | m[6 + 3 * i]));
}

// What the sampler holds: one wavesample's parameter block and its wave memory.
struct EpsModel {
    Bytes block = Bytes(kEpsParamBytes, 0);
    std::vector<int16_t> memory = std::vector<int16_t>(20000, 0);
    EpsModel() {
        block[0] = 0xF0;
        block[1] = 0x0F;
        block[2] = 0x03;
        block.back() = 0xF7;
        // Bytes the editor must send back untouched.
        for (size_t i = 46; i < 240; ++i) block[i] = uint8_t((i * 7) & 0x3F);
        for (size_t i = 410; i < 421; ++i) block[i] = uint8_t(i & 0x3F);
    }
};

class EnsoniqTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMidiTestDevice([this] { return loop.PortForA(); });
        gTransferTiming = TransferTiming();
        started = std::chrono::steady_clock::now();
    }
    void TearDown() override {
        SetMidiTestDevice({});
        DiscardWave(wave);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    }
    void Prepare(int32_t type, uint32_t frames = 0, uint32_t rate = 44100) {
        if (frames) {
            wave.leftSamples = static_cast<float*>(Allocate(frames * 4, kAllocLarge | kAllocZero));
            wave.frameCount = frames;
            for (uint32_t i = 0; i < frames; ++i)
                wave.leftSamples[i] = float(std::sin(i * 0.01) * 0.9);
        }
        wave.sampleRate = rate;
        InitTransferContext(c, &wave);
        ASSERT_EQ(0, SetupSamplerType(c, type));
        c.clock = &clock;
        c.channel() = 5;
        c.sampleNumber() = 100;
        c.words[kWordLayer] = 2;
        c.words[kWordInstrument] = 3;
        Serve();
    }
    // The sampler's side. `hook` may answer a message first (return true to
    // take the replies it put in `out`).
    void Serve() {
        sampler.reply = [this](const Bytes& m) -> std::vector<Bytes> {
            std::vector<Bytes> out;
            if (hook && hook(m, out)) return out;
            return Answer(m);
        };
    }
    std::vector<Bytes> Answer(const Bytes& m) {
        uint8_t cc = m.size() > 3 ? m[3] : 0;
        if (expectBlock && m.size() == kEpsParamBytes) {
            expectBlock = false;
            model.block = m;
            return {Response(0, cc)};
        }
        if (dataCount >= 0 && m.size() == size_t(dataCount) * 3 + 5) {
            for (int i = 0; i < dataCount; ++i)
                model.memory[size_t(dataStart + i)] = SampleWord(m, size_t(i));
            dataCount = -1;
            return {Response(0, cc)};
        }
        if (m.size() == 8 && m[4] == 1 && pendingBlock) {
            pendingBlock = false;
            return {model.block};
        }
        if (m.size() == 8 && m[4] == 1 && pendingData >= 0) {
            Bytes d{0xF0, 0x0F, 0x03, cc};
            for (int i = 0; i < pendingData; ++i) {
                auto v = uint16_t(model.memory[size_t(pendingStart + i)]);
                d.push_back(uint8_t(v >> 12 & 15));
                d.push_back(uint8_t(v >> 6 & 63));
                d.push_back(uint8_t(v & 63));
            }
            d.push_back(0xF7);
            pendingData = -1;
            return {d};
        }
        if (m.size() == 8 && m[4] == 0x40) return {Response(0, cc)};
        if (m.size() == 12) {
            commands.push_back(m[4]);
            if (m[4] == kEpsGetParameters) {
                pendingBlock = true;
                Bytes header(m);
                header[4] = 14;
                return {Response(0, cc), header};
            }
            if (m[4] == kEpsPutParameters) expectBlock = true;
            return {Response(0, cc)};
        }
        if (m.size() == 20) {
            unsigned start = Group24(m, 11), end = Group24(m, 15);
            ranges.push_back({m[4], start, end});
            if (m[4] == kEpsPutWaveData) {
                dataStart = int(start);
                dataCount = int(end - start + 1);
                return {Response(0, cc)};
            }
            if (m[4] == kEpsGetWaveData) {
                pendingStart = int(start);
                pendingData = int(end - start);
                Bytes header(m);
                header[4] = 15;
                return {Response(0, cc), header};
            }
        }
        return {};
    }
    std::vector<const Bytes*> Sent(size_t size) const {
        std::vector<const Bytes*> out;
        for (const Bytes& m : sampler.received)
            if (m.size() == size) out.push_back(&m);
        return out;
    }
    void SetReceiveBlock(unsigned start, unsigned end, unsigned loopStart, unsigned loopEnd,
                         int mode, int rateCode = 14) {
        Address(model.block, 349, start);
        Address(model.block, 361, end);
        Address(model.block, 373, loopStart);
        Address(model.block, 385, loopEnd);
        model.block[347] = uint8_t(mode << 2);
        Word(model.block, 397, unsigned(rateCode) << 8);
        const char* name = "BRASS HIT";
        for (size_t i = 0; i < 12; ++i)
            Word(model.block, 4 + 3 * i, unsigned(uint8_t(i < 9 ? name[i] : ' ')) << 8);
    }

    struct Range {
        int command;
        unsigned start, end;
    };
    MidiLoopback loop;
    FakeSampler sampler{loop};
    VirtualTransferClock clock;
    TransferContext c;
    WaveRecord wave;
    RecordingUserInterface ui;
    EpsModel model;
    std::function<bool(const Bytes&, std::vector<Bytes>&)> hook;
    std::vector<int> commands;
    std::vector<Range> ranges;
    bool pendingBlock = false, expectBlock = false;
    int pendingData = -1, pendingStart = 0, dataCount = -1, dataStart = 0;
    std::chrono::steady_clock::time_point started;
};

}  // namespace

TEST(EnsoniqMessages, LayoutExamples) {
    // Wavesample 100 goes out as 01 24.
    EpsTarget t;
    t.cc = 4;
    t.instrument = 2;
    t.layer = 1;
    t.wavesample = 100;
    uint8_t m[kEpsCommandBytes];
    BuildEpsCommand(m, t, kEpsGetParameters);
    EXPECT_EQ((Bytes{0xF0, 0x0F, 0x03, 4, 5, 0, 2, 0, 1, 0x01, 0x24, 0xF7}), Bytes(m, m + 12));
    uint8_t r[kEpsRangeBytes];
    BuildEpsRange(r, t, kEpsPutWaveData, 0x123456, 0xABCDEF);
    Bytes rb(r, r + 20);
    EXPECT_EQ(0x123456u, Group24(rb, 11));
    EXPECT_EQ(0xABCDEFu, Group24(rb, 15));
    EXPECT_EQ(Group24(0x123456), Bytes(rb.begin() + 11, rb.begin() + 15));
    EXPECT_EQ(0xF7, r[19]);
    uint8_t mode[kEpsModeBytes];
    BuildEpsMode(mode, 15, kEpsModeAsr10);
    EXPECT_EQ((Bytes{0xF0, 0x0F, 0x03, 15, 0x40, 0, 13, 0xF7}), Bytes(mode, mode + 8));

    // Samples: full scale, its negative, the truncation toward zero.
    uint8_t s[3];
    PackEpsSample(1.0f, s);
    EXPECT_EQ((Bytes{7, 63, 63}), Bytes(s, s + 3));
    PackEpsSample(-1.0f, s);
    EXPECT_EQ((Bytes{8, 0, 1}), Bytes(s, s + 3));  // -32767
    PackEpsSample(-2.5f, s);
    EXPECT_EQ((Bytes{8, 0, 0}), Bytes(s, s + 3));  // limited to -32768
    EXPECT_FLOAT_EQ(-1.0f, UnpackEpsSample(s));
    PackEpsSample(100.9f / 32767.0f, s);
    EXPECT_EQ(100, SampleWord(Bytes{0, 0, 0, 0, s[0], s[1], s[2]}, 0));

    // Addresses: every 23-bit value survives; the layout matches the one here.
    for (unsigned v : {0u, 1u, 7u, 8u, 2500u, 0x7FFFu, 0x12345u, 0x400000u, 0x7FFFFFu}) {
        Bytes mine(9), ours(9);
        Address(mine, 0, v);
        PutEpsAddress(ours.data(), v);
        EXPECT_EQ(mine, ours) << v;
        EXPECT_EQ(v, GetEpsAddress(ours.data())) << v;
        EXPECT_EQ(v, Address(ours, 0)) << v;
    }
    // Rate codes: the period in units of 1600 ns, 1..127.
    EXPECT_EQ(14, EpsRateCode(44100));
    EXPECT_EQ(28, EpsRateCode(22050));
    EXPECT_EQ(78, EpsRateCode(8000));
    EXPECT_EQ(127, EpsRateCode(1000));
    EXPECT_EQ(3, EpsRateCode(200000));
    EXPECT_EQ(1, EpsRateCode(1000000));

    EXPECT_STREQ("Acknowledged", EpsResponseText(0));
    EXPECT_STREQ("Quiet layer", EpsResponseText(30));
    EXPECT_STREQ("Error: Reserved Internal", EpsResponseText(31));
    EXPECT_STREQ("Error: Reserved Internal", EpsResponseText(127));
}

TEST(EnsoniqMessages, FramingIsCheckedBeforeFields) {
    Bytes response = Response(20);
    EXPECT_TRUE(IsEpsResponse(response.data(), response.size()));
    Bytes longer = response;
    longer.insert(longer.end() - 1, 0);
    EXPECT_FALSE(IsEpsResponse(longer.data(), longer.size()));
    Bytes foreign{0xF0, 0x7E, 0, 0x7F, 0, 0xF7};
    EXPECT_FALSE(IsEpsMessage(foreign.data(), foreign.size()));
    Bytes noEnd{0xF0, 0x0F, 0x03, 0, 1, 0, 0, 0};
    EXPECT_FALSE(IsEpsMessage(noEnd.data(), noEnd.size()));
    Bytes shortest{0xF0, 0x0F, 0x03, 0, 0xF7};
    EXPECT_TRUE(IsEpsMessage(shortest.data(), shortest.size()));
    EXPECT_EQ(-1, EpsCommandOf(shortest.data(), shortest.size()));
    EXPECT_FALSE(IsEpsMessage(nullptr, 0));
}

TEST_F(EnsoniqTransfer, SendsBlocksOf1000And500WithTheEditedParameterBlock) {
    Prepare(kSamplerEps, 2500, 22050);
    wave.name = "Kick drum long name";
    wave.keyRoot = 48;
    wave.keyLow = 36;
    wave.keyHigh = 72;
    ASSERT_NE(nullptr, SetLoop(wave, 100, 2000, 1, 0));
    wave.sustainLoopId = 0;
    Bytes before = model.block;
    EXPECT_EQ(kTransferOk, c.SendWave(c));

    // Mode 19, command 14, then three blocks: 0..999, 1000..1999, 2000..2499.
    const Bytes* modeMsg = nullptr;
    for (const Bytes& m : sampler.received)
        if (m.size() == 8 && m[4] == 0x40) modeMsg = &m;
    ASSERT_TRUE(modeMsg);
    EXPECT_EQ(19, (*modeMsg)[6]);
    EXPECT_EQ((std::vector<int>{kEpsGetParameters, kEpsPutParameters}), commands);
    ASSERT_EQ(3u, ranges.size());
    EXPECT_EQ(0u, ranges[0].start);
    EXPECT_EQ(999u, ranges[0].end);
    EXPECT_EQ(1000u, ranges[1].start);
    EXPECT_EQ(1999u, ranges[1].end);
    EXPECT_EQ(2000u, ranges[2].start);
    EXPECT_EQ(2499u, ranges[2].end);
    EXPECT_EQ(2u, Sent(3005).size());
    EXPECT_EQ(1u, Sent(1505).size());
    for (uint32_t i = 0; i < 2500; ++i)
        ASSERT_EQ(int16_t(std::trunc(double(wave.leftSamples[i]) * 32767.0)), model.memory[i]) << i;

    // The target: channel 5 -> 4, instrument 3 -> 2, layer 2 -> 1, wavesample 100 -> 01 24.
    const Bytes& first = sampler.received[0];
    EXPECT_EQ((Bytes{0xF0, 0x0F, 0x03, 4, 5, 0, 2, 0, 1, 1, 36, 0xF7}), first);

    // The block: name, rate, loop, addresses, keys changed; the rest as received.
    const Bytes& b = model.block;
    std::string name;
    for (size_t i = 0; i < 12; ++i) name += char(Word(b, 4 + 3 * i) >> 8);
    EXPECT_EQ("KICK DRUM LO", name);
    EXPECT_EQ(28u, Word(b, 397) >> 8);
    EXPECT_EQ(3, b[347] >> 2 & 15);  // forward and backward
    EXPECT_EQ(0u, Address(b, 349));
    EXPECT_EQ(2500u, Address(b, 361));
    EXPECT_EQ(100u, Address(b, 373));
    EXPECT_EQ(2000u, Address(b, 385));
    EXPECT_EQ(48u, Word(b, 244) >> 8);
    EXPECT_EQ(36u, Word(b, 400) >> 8);
    EXPECT_EQ(72u, Word(b, 403) >> 8);
    for (size_t i = 46; i < 240; ++i) ASSERT_EQ(before[i], b[i]) << i;
    for (size_t i = 410; i < 421; ++i) ASSERT_EQ(before[i], b[i]) << i;
    // Two real pauses: after the Create step and after the parameter block.
    EXPECT_EQ(2 * kEpsCreatePauseMs, clock.sleptMs());
    // The numbers are put back.
    EXPECT_EQ(5, c.channel());
    EXPECT_EQ(100, c.sampleNumber());
    EXPECT_EQ(2, c.words[kWordLayer]);
    EXPECT_EQ(3, c.words[kWordInstrument]);
}

TEST_F(EnsoniqTransfer, TwoThousandSamplesAreTwoFullBlocksAndNumbersAreLimited) {
    Prepare(kSamplerAsr10, 2000);
    c.sampleNumber() = 0;
    c.words[kWordLayer] = 0;
    c.words[kWordInstrument] = 99;
    c.channel() = 40;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    ASSERT_EQ(2u, ranges.size());
    EXPECT_EQ(1999u, ranges[1].end);
    EXPECT_EQ(2u, Sent(3005).size());
    const Bytes& first = sampler.received[0];
    EXPECT_EQ(15, first[3]);  // channel 16
    EXPECT_EQ(7, first[6]);   // instrument 8
    EXPECT_EQ(0, first[8]);   // layer 1
    EXPECT_EQ(0, first[9]);
    EXPECT_EQ(1, first[10]);  // wavesample 0 is sent as 1
    int modes = 0;
    for (const Bytes& m : sampler.received) {
        if (m.size() == 8 && m[4] == 0x40) {
            EXPECT_EQ(13, m[6]);  // the ASR-10's mode
            ++modes;
        }
    }
    EXPECT_EQ(1, modes);
    // No loop: mode 0, loop at the length; no key map: 60, 0, 127.
    EXPECT_EQ(0, model.block[347] >> 2 & 15);
    EXPECT_EQ(2000u, Address(model.block, 373));
    EXPECT_EQ(60u, Word(model.block, 244) >> 8);
    EXPECT_EQ(127u, Word(model.block, 403) >> 8);
    EXPECT_EQ(0, c.sampleNumber());
    EXPECT_EQ(40, c.channel());
    EXPECT_EQ(99, c.words[kWordInstrument]);
}

TEST_F(EnsoniqTransfer, CreateCommandsWithTheirPauses) {
    Prepare(kSamplerEps16Plus, 10);
    c.optionFlags() = kOptionCreateInstrument;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ((std::vector<int>{21, 22, 25, 5, 14}), commands);
    // Layer and wavesample 1 from the instrument option on.
    for (const Bytes& m : sampler.received)
        if (m.size() == 12) {
            EXPECT_EQ(0, m[8]);
            EXPECT_EQ(1, m[10]);
        }
    EXPECT_EQ(4 * kEpsCreatePauseMs, clock.sleptMs());
    EXPECT_EQ(2, c.words[kWordLayer]);  // put back
    EXPECT_EQ(100, c.sampleNumber());

    sampler.received.clear();
    commands.clear();
    Prepare(kSamplerEps16Plus);
    c.optionFlags() = kOptionCreateLayer;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ((std::vector<int>{22, 25, 5, 14}), commands);
    EXPECT_EQ(1, sampler.received[0][8]);  // the layer stays
    EXPECT_EQ(1, sampler.received[0][10]);

    sampler.received.clear();
    commands.clear();
    Prepare(kSamplerEps16Plus);
    c.optionFlags() = kOptionCreateWavesample;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ((std::vector<int>{25, 5, 14}), commands);
    EXPECT_EQ(36, sampler.received[0][10]);
}

TEST_F(EnsoniqTransfer, WaitIsAcknowledgedDiskAccessCountsAsSuccess) {
    Prepare(kSamplerEps, 1200);
    int waits = 0;
    hook = [&](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 20 && m[4] == kEpsPutWaveData && waits < 3) {
            ++waits;
            dataStart = int(Group24(m, 11));
            dataCount = int(Group24(m, 15) - Group24(m, 11) + 1);
            ranges.push_back({m[4], Group24(m, 11), Group24(m, 15)});
            out = {Response(1, m[3])};
            return true;
        }
        if (m.size() == 8 && m[4] == 1 && m[6] == 0 && waits > 0 && waits < 3) {
            out = {Response(1, m[3])};
            ++waits;
            return true;
        }
        if (m.size() == 8 && m[4] == 1 && waits >= 3 && waits < 10) {
            waits = 10;
            out = {Response(20, m[3])};
            return true;
        }
        return false;
    };
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(10, waits);
    for (uint32_t i = 0; i < 1200; ++i)
        ASSERT_EQ(int16_t(std::trunc(double(wave.leftSamples[i]) * 32767.0)), model.memory[i]);
}

TEST_F(EnsoniqTransfer, ErrorResponsesShowTheirTextAndEndWithSamplerAborted) {
    Prepare(kSamplerEps, 100);
    hook = [](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 12 && m[4] == kEpsGetParameters) {
            out = {Response(12, m[3])};
            return true;
        }
        return false;
    };
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("EPS Error", ui.boxes[0].caption);
    EXPECT_EQ("Memory full", ui.boxes[0].text);

    hook = [](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 12) {
            out = {Response(77, m[3])};
            return true;
        }
        return false;
    };
    Prepare(kSamplerEps, 0);
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    EXPECT_EQ("Error: Reserved Internal", ui.LastBoxText());
    // Quiet: no box of its own.
    Prepare(kSamplerEps, 0);
    c.messageFlags() = kMessageQuiet;
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    EXPECT_EQ(2u, ui.boxes.size());
}

TEST_F(EnsoniqTransfer, EndlessWaitIsBoundedAndTheParameterRequestRetried) {
    Prepare(kSamplerEps, 100);
    int requests = 0;
    hook = [&](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 12 && m[4] == kEpsGetParameters) ++requests;
        out = {Response(1, m.size() > 3 ? m[3] : 0)};
        return true;
    };
    EXPECT_EQ(kTransferSamplerBusy, c.SendWave(c));
    EXPECT_EQ(kEpsParameterTries, requests);
    // The pauses between the tries (after the Create step's pause).
    EXPECT_EQ(kEpsCreatePauseMs + (kEpsParameterTries - 1) * kEpsRetrySendPauseMs, clock.sleptMs());
}

TEST_F(EnsoniqTransfer, CopiedTargetAsksBeforeSending) {
    Prepare(kSamplerEps, 100);
    model.block[41] = 4;
    ui.answer = kAnswerNo;
    EXPECT_EQ(kTransferUserCancel, c.SendWave(c));
    ASSERT_EQ(1u, ui.questions.size());
    EXPECT_EQ("The target wave is a copy.\n\nWould you like to continue sending?\n",
              ui.questions[0]);
    EXPECT_TRUE(Sent(kEpsParamBytes).empty());
    EXPECT_TRUE(ranges.empty());

    // Yes sends, with the copy marks cleared; quiet sends without asking.
    ui.answer = kAnswerYes;
    Prepare(kSamplerEps, 0);
    model.block[44] = 5;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(2u, ui.questions.size());
    for (size_t i = 40; i < 46; ++i) EXPECT_EQ(0, model.block[i]);
    Prepare(kSamplerEps, 0);
    model.block[40] = 3;
    c.messageFlags() = kMessageQuiet;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(2u, ui.questions.size());
}

TEST_F(EnsoniqTransfer, TooLongOrEmptyWaveIsIllegalBeforeAnyMessage) {
    Prepare(kSamplerEps, kEpsMaxFrames + 1);
    EXPECT_EQ(kTransferIllegalParameter, c.SendWave(c));
    EXPECT_TRUE(sampler.received.empty());
    DiscardWave(wave);
    Prepare(kSamplerEps, 0);
    EXPECT_EQ(kTransferIllegalParameter, c.SendWave(c));
    EXPECT_TRUE(sampler.received.empty());
}

TEST_F(EnsoniqTransfer, SilentSamplerTimesOutHeaderMismatchIsDataError) {
    Prepare(kSamplerEps, 100);
    hook = [](const Bytes&, std::vector<Bytes>&) { return true; };
    EXPECT_EQ(kTransferTimeout, c.SendWave(c));

    hook = [](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 12 && m[4] == kEpsGetParameters) {
            Bytes header(m);
            header[4] = 14;
            header[8] = 7;  // another layer
            out = {Response(0, m[3]), header};
            return true;
        }
        return false;
    };
    Prepare(kSamplerEps, 0);
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
    EXPECT_EQ("EPS sent wrong layer", ui.LastBoxText());
}

TEST_F(EnsoniqTransfer, ReceivesBlocksRelativeToTheWaveStartWithItsLoop) {
    Prepare(kSamplerEps);
    for (size_t i = 0; i < model.memory.size(); ++i)
        model.memory[i] = int16_t((int(i) * 37) % 65536 - 32768);
    SetReceiveBlock(5000, 7500, 6000, 7400, 2);
    Word(model.block, 244, 48u << 8);
    Word(model.block, 400, 30u << 8);
    Word(model.block, 403, 90u << 8);
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    ASSERT_EQ(3u, ranges.size());
    EXPECT_EQ(5000u, ranges[0].start);
    EXPECT_EQ(6000u, ranges[0].end);  // start + n when receiving
    EXPECT_EQ(7000u, ranges[2].start);
    EXPECT_EQ(7500u, ranges[2].end);
    ASSERT_EQ(2500u, wave.frameCount);
    for (uint32_t i = 0; i < 2500; ++i)
        ASSERT_FLOAT_EQ(float(model.memory[5000 + i]) / 32768.0f, wave.leftSamples[i]) << i;
    EXPECT_EQ("BRASS HIT", wave.name);
    EXPECT_EQ(1000000000u / 22400u, wave.sampleRate);
    EXPECT_EQ(48, wave.keyRoot);
    EXPECT_EQ(30, wave.keyLow);
    EXPECT_EQ(90, wave.keyHigh);
    // The loop end is measured from the wave start (not the absolute address).
    ASSERT_EQ(0, wave.sustainLoopId);
    LoopNode* loopNode = FindLoop(wave, 0);
    ASSERT_NE(nullptr, loopNode);
    EXPECT_EQ(1000u, loopNode->start);
    EXPECT_EQ(2400u, loopNode->end);
    EXPECT_EQ(0, loopNode->type);
    EXPECT_EQ(5, c.channel());  // put back
}

TEST_F(EnsoniqTransfer, ReceivedKeysLoopModesAndLoopAtTheEnd) {
    Prepare(kSamplerEps);
    SetReceiveBlock(0, 1500, 200, 1500, 3);
    Word(model.block, 244, 0);  // root 0 stays with high >= low
    Word(model.block, 400, 10u << 8);
    Word(model.block, 403, 20u << 8);
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    EXPECT_EQ(0, wave.keyRoot);
    LoopNode* loopNode = FindLoop(wave, 0);
    ASSERT_NE(nullptr, loopNode);
    EXPECT_EQ(1, loopNode->type);     // forward and backward
    EXPECT_EQ(1499u, loopNode->end);  // the record's rule: end <= frameCount - 1

    DiscardWave(wave);
    ranges.clear();
    Prepare(kSamplerEps);
    SetReceiveBlock(0, 1500, 200, 1000, 1);  // mode 1 is no loop
    Word(model.block, 400, 50u << 8);
    Word(model.block, 403, 20u << 8);  // high below low
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    EXPECT_EQ(-1, wave.sustainLoopId);
    EXPECT_EQ(0, wave.keyLow);
    EXPECT_EQ(60, wave.keyRoot);
    EXPECT_EQ(127, wave.keyHigh);
}

TEST_F(EnsoniqTransfer, ReceiveFaults) {
    // Start not below end.
    Prepare(kSamplerEps);
    SetReceiveBlock(3000, 3000, 0, 0, 0);
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    EXPECT_FALSE(WaveHasData(&wave));

    // A data message cut short: 7, the wave keeps what arrived and silence after.
    Prepare(kSamplerEps);
    for (size_t i = 0; i < model.memory.size(); ++i) model.memory[i] = 1000;
    SetReceiveBlock(0, 2500, 0, 0, 0);
    hook = [&](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 8 && m[4] == 1 && pendingData >= 0 && pendingStart == 1000) {
            out = {Bytes{0xF0, 0x0F, 0x03, m[3], 0, 0, 1, 0xF7}};
            pendingData = -1;
            return true;
        }
        return false;
    };
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    ASSERT_EQ(2500u, wave.frameCount);
    EXPECT_FLOAT_EQ(1000.0f / 32768.0f, wave.leftSamples[999]);
    EXPECT_EQ(0.0f, wave.leftSamples[1000]);
    EXPECT_EQ(0.0f, wave.leftSamples[2499]);
    DiscardWave(wave);

    // A foreign message in place of the response.
    Prepare(kSamplerEps);
    hook = [](const Bytes& m, std::vector<Bytes>& out) {
        out = {Bytes{0xF0, 0x7E, 0, 0x7F, 0, 0xF7}};
        return m.size() == 12;
    };
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));

    // The data header with a wrong range.
    Prepare(kSamplerEps);
    SetReceiveBlock(0, 500, 0, 0, 0);
    hook = [&](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 20) {
            Bytes header(m);
            header[4] = 15;
            header[18] ^= 1;
            out = {Response(0, m[3]), header};
            return true;
        }
        return false;
    };
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    EXPECT_EQ("EPS sent wrong data", ui.LastBoxText());
    DiscardWave(wave);
}

TEST_F(EnsoniqTransfer, NonResponseEndsTheWaitAndIsReadNext) {
    // The sampler skips the response and sends the headers at once; extra
    // samples past the count are ignored.
    Prepare(kSamplerEps16Plus);
    for (size_t i = 0; i < model.memory.size(); ++i) model.memory[i] = int16_t(i);
    SetReceiveBlock(0, 1200, 0, 0, 0);
    hook = [&](const Bytes& m, std::vector<Bytes>& out) {
        if (m.size() == 12 && m[4] == kEpsGetParameters) {
            Bytes header(m);
            header[4] = 14;
            pendingBlock = true;
            out = {header};
            return true;
        }
        if (m.size() == 20) {
            Bytes header(m);
            header[4] = 15;
            pendingStart = int(Group24(m, 11));
            pendingData = int(Group24(m, 15) - Group24(m, 11)) + 2;
            out = {header};
            return true;
        }
        return false;
    };
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    ASSERT_EQ(1200u, wave.frameCount);
    EXPECT_FLOAT_EQ(1199.0f / 32768.0f, wave.leftSamples[1199]);
}

TEST_F(EnsoniqTransfer, HostileAnswersGiveAResultCodeAndNoOverrun) {
    // Random answers: Ensoniq-framed messages of random sizes and bytes,
    // foreign and unframed bytes, mixed with proper answers now and then.
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    for (int round = 0; round < 300; ++round) {
        const bool send = round % 2 == 0;
        Prepare(round % 3 == 0   ? kSamplerEps
                : round % 3 == 1 ? kSamplerEps16Plus
                                 : kSamplerAsr10,
                send && !WaveHasData(&wave) ? 1500 : 0);
        if (!send) DiscardWave(wave);
        c.messageFlags() = round % 4 < 2 ? kMessageQuiet : 0;
        SetReceiveBlock(next() % 3000, next() % 5000, next() % 6000, next() % 6000,
                        int(next() % 16));
        hook = [&](const Bytes& m, std::vector<Bytes>& out) {
            uint32_t r = next();
            if (r % 4 == 0) return false;  // a proper answer
            Bytes a;
            size_t size = r % 3 == 0 ? 8 : r % 3 == 1 ? 12 + next() % 20 : next() % 600;
            if (next() % 5 != 0) a = {0xF0, 0x0F, 0x03, m.size() > 3 ? m[3] : uint8_t(0)};
            while (a.size() + 1 < size) a.push_back(uint8_t(next() & 0x7F));
            if (a.size() > 4 && next() % 3 == 0) a[4] = uint8_t(next() % 2 ? 1 : 14 + next() % 2);
            a.push_back(next() % 7 ? 0xF7 : uint8_t(next() & 0xFF));
            out = {a};
            return true;
        };
        int32_t r = send ? c.SendWave(c) : c.ReceiveWave(c);
        ASSERT_GE(r, 0);
        ASSERT_LE(r, kTransferGeneralError);
        if (!send && WaveHasData(&wave)) {
            ASSERT_LE(wave.frameCount, kEpsMaxFrames);
            for (LoopNode* n = wave.loops; n; n = n->next) ASSERT_LT(n->end, wave.frameCount);
        }
        EXPECT_EQ(5, c.channel());
        EXPECT_EQ(100, c.sampleNumber());
    }
}
