// SDS send and receive against a sampler played in the test over the MIDI
// loopback, with the virtual clock: handshakes, retries, numbering, timeouts,
// aborts and the received wave.
#include "sampler/sds_transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "../dsp/recording_ui.h"
#include "base/progress.h"
#include "fake_sampler.h"
#include "sampler/sampler_types.h"
#include "sampler/sds_messages.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

class SdsTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMidiTestDevice([this] { return loop.PortForA(); });
        gTransferTiming = TransferTiming();
        started = std::chrono::steady_clock::now();
    }
    void TearDown() override {
        SetMidiTestDevice({});
        DiscardWave(wave);
        // The virtual clock never sleeps for real.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
    void Prepare(int32_t type, uint32_t frames = 0, uint32_t rate = 44100) {
        if (frames) {
            wave.leftSamples = static_cast<float*>(Allocate(frames * 4, kAllocLarge | kAllocZero));
            wave.frameCount = frames;
            for (uint32_t i = 0; i < frames; ++i)
                wave.leftSamples[i] = float(std::sin(i * 0.1) * 0.8);
        }
        wave.sampleRate = rate;
        InitTransferContext(c, &wave);
        ASSERT_EQ(0, SetupSamplerType(c, type));
        c.clock = &clock;
        c.channel() = 1;
        c.sampleNumber() = 1;
    }
    // A sampler that takes a dump: ACK to everything unless `packetReply` says otherwise.
    void Taking(std::function<std::vector<Bytes>(int index, const Bytes&)> packetReply = {}) {
        sampler.reply = [this, packetReply](const Bytes& m) -> std::vector<Bytes> {
            if (m.size() == kSdsHeaderBytes) return {Handshake(kSdsAck, 0)};
            if (m.size() == kSdsPacketBytes) {
                int index = packetsSeen++;
                if (packetReply) return packetReply(index, m);
                return {Handshake(kSdsAck, m[4])};
            }
            return {};
        };
    }
    // A sampler that gives the packets of `words` (16-bit values) after a request.
    std::vector<Bytes> DumpPackets(const std::vector<float>& samples, int bits) {
        std::vector<Bytes> packets;
        size_t per = SdsSamplesPerPacket(bits);
        for (size_t i = 0, n = 0; i < samples.size(); i += per, ++n) {
            Bytes p(kSdsPacketBytes);
            BuildSdsPacket(p.data(), 0, int32_t(n), samples.data() + i,
                           std::min(per, samples.size() - i), bits);
            packets.push_back(p);
        }
        return packets;
    }
    Bytes Header(uint32_t length, uint32_t period, uint32_t loopStart, uint32_t loopEnd,
                 uint8_t loopType, uint32_t bits = 16) {
        SdsHeader h;
        h.bits = bits;
        h.length = length;
        h.period = period;
        h.loopStart = loopStart;
        h.loopEnd = loopEnd;
        h.loopType = loopType;
        Bytes b(kSdsHeaderBytes);
        BuildSdsHeader(b.data(), 0, h);
        return b;
    }
    // Gives `header` then `packets`; `answer`, when given, says what follows
    // each ACK or NAK instead.
    void Giving(Bytes header, std::vector<Bytes> packets,
                std::function<std::vector<Bytes>(size_t next, const Bytes& ack)> answer = {}) {
        sampler.reply = [this, header, packets, answer](const Bytes& m) -> std::vector<Bytes> {
            if (m.size() == kSdsRequestBytes) return {header};
            if (answer && m.size() == kSdsHandshakeBytes && (m[3] == kSdsAck || m[3] == kSdsNak))
                return answer(nextPacket++, m);
            if (m.size() == kSdsHandshakeBytes && m[3] == kSdsAck) {
                size_t next = nextPacket++;
                if (next < packets.size()) return {packets[next]};
            }
            if (m.size() == kSdsHandshakeBytes && m[3] == kSdsNak && nextPacket > 0 &&
                nextPacket <= packets.size())
                return {packets[nextPacket - 1]};
            return {};
        };
    }

    MidiLoopback loop;
    FakeSampler sampler{loop};
    VirtualTransferClock clock;
    TransferContext c;
    WaveRecord wave;
    RecordingUserInterface ui;
    int packetsSeen = 0;
    size_t nextPacket = 0;
    std::chrono::steady_clock::time_point started;
};

}  // namespace

TEST_F(SdsTransfer, SendsHeaderAndPacketsWithNumbersWrappingAt127) {
    Prepare(kSamplerSds16, 40 * 130 + 1, 44100);
    c.channel() = 3;
    c.sampleNumber() = 9;
    Taking();
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    ASSERT_EQ(sampler.received.size(), 1u + 131u);
    const Bytes& h = sampler.received[0];
    EXPECT_EQ((Bytes{0xF0, 0x7E, 2, 1, 9, 0, 16}), Bytes(h.begin(), h.begin() + 7));
    EXPECT_EQ(22675u, h[7] | h[8] << 7 | h[9] << 14);
    EXPECT_EQ(5201u, h[10] | h[11] << 7 | h[12] << 14);
    for (size_t i = 1; i < sampler.received.size(); ++i) {
        const Bytes& p = sampler.received[i];
        ASSERT_EQ(kSdsPacketBytes, p.size());
        EXPECT_EQ((i - 1) & 0x7F, p[4]) << i;
        EXPECT_EQ(SdsChecksum(p.data()), p[125]);
    }
    // The last packet carries one sample in bytes 5..7 and zeros after it.
    const Bytes& last = sampler.received.back();
    for (size_t i = 8; i < 125; ++i) EXPECT_EQ(0, last[i]);
    EXPECT_EQ(3, c.channel());  // put back
    EXPECT_EQ(9, c.sampleNumber());
    EXPECT_EQ(1, ui.abortWindowsStarted);
    EXPECT_EQ(1, ui.abortWindowsStopped);
}

TEST_F(SdsTransfer, FourNaksAreRetriedTheFifthEndsWithCancel) {
    Prepare(kSamplerSds16, 200);
    int naks = 0;
    Taking([&](int, const Bytes& m) -> std::vector<Bytes> {
        if (m[4] == 2 && naks < 4) return {Handshake(kSdsNak, (++naks, 2))};
        return {Handshake(kSdsAck, m[4])};
    });
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    int packet2 = 0;
    for (const Bytes& m : sampler.received)
        if (m.size() == kSdsPacketBytes && m[4] == 2) ++packet2;
    EXPECT_EQ(5, packet2);  // four NAKs, then the ACK
    EXPECT_EQ(1u + 5u + 4u, sampler.received.size());

    Prepare(kSamplerSds16, 0);
    sampler.received.clear();
    Taking([&](int, const Bytes& m) -> std::vector<Bytes> {
        if (m[4] == 2) return {Handshake(kSdsNak, 2)};
        return {Handshake(kSdsAck, m[4])};
    });
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
    // Packet 2 went out five times, then CANCEL with its number.
    int sends = 0;
    for (const Bytes& m : sampler.received)
        if (m.size() == kSdsPacketBytes && m[4] == 2) ++sends;
    EXPECT_EQ(5, sends);
    EXPECT_EQ(Handshake(kSdsCancel, 2), sampler.received.back());
}

TEST_F(SdsTransfer, WaitsBeforeTheHeaderAckAndTwoAnswersArrivingTogether) {
    Prepare(kSamplerSds12, 130);
    sampler.reply = [&](const Bytes& m) -> std::vector<Bytes> {
        // WAIT three times and the ACK, all in one piece.
        if (m.size() == kSdsHeaderBytes)
            return {Handshake(kSdsWait, 0), Handshake(kSdsWait, 0), Handshake(kSdsWait, 0),
                    Handshake(kSdsAck, 0)};
        if (m.size() == kSdsPacketBytes)
            return {Handshake(kSdsWait, m[4]), Handshake(kSdsAck, m[4])};
        return {};
    };
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(4u, sampler.received.size());  // header and three packets of 60
}

TEST_F(SdsTransfer, RepeatedAckOfThePreviousPacketIsNotTakenForTheNext) {
    Prepare(kSamplerSds16, 200);  // five packets
    Taking([&](int, const Bytes& m) -> std::vector<Bytes> {
        if (m[4] == 1) return {Handshake(kSdsAck, 1), Handshake(kSdsAck, 1)};
        return {Handshake(kSdsAck, m[4])};
    });
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(6u, sampler.received.size());
}

TEST_F(SdsTransfer, CancelFromTheSamplerIsSamplerAbortedWithoutCancelBack) {
    Prepare(kSamplerSds16, 200);
    Taking([&](int index, const Bytes& m) -> std::vector<Bytes> {
        if (index == 2) return {Handshake(kSdsCancel, m[4])};
        return {Handshake(kSdsAck, m[4])};
    });
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    EXPECT_EQ(0, sampler.Count(kSdsCancel));
    EXPECT_EQ(kTransferSamplerAborted, c.lastResult);

    // The header answered by something else than ACK/WAIT: 6, with CANCEL.
    sampler.received.clear();
    sampler.reply = [](const Bytes& m) -> std::vector<Bytes> {
        return m.size() == kSdsHeaderBytes ? std::vector<Bytes>{Handshake(kSdsNak, 0)}
                                           : std::vector<Bytes>{};
    };
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    EXPECT_EQ(1, sampler.Count(kSdsCancel));
}

TEST_F(SdsTransfer, ForeignAndTruncatedAnswersAreDataErrors) {
    for (Bytes bad : {Bytes{0xF0, 0x43, 0x10, 0xF7}, Bytes{0xF0, 0x7E, 0, 0x7F, 0xF7},
                      Bytes{0xF0, 0x7E, 0, 0x7F, 0x00, 0x00, 0xF7}}) {
        Prepare(kSamplerSds16, 100);
        sampler.received.clear();
        packetsSeen = 0;
        Taking([&](int index, const Bytes& m) -> std::vector<Bytes> {
            if (index == 1) return {bad};
            return {Handshake(kSdsAck, m[4])};
        });
        EXPECT_EQ(kTransferDataError, c.SendWave(c));
        EXPECT_EQ(Handshake(kSdsCancel, 1), sampler.received.back());
        DiscardWave(wave);
    }
}

TEST_F(SdsTransfer, OversizeInputIsADataError) {
    Prepare(kSamplerSds16, 100);
    Taking([&](int index, const Bytes& m) -> std::vector<Bytes> {
        if (index == 0) {
            Bytes big(300, 0x11);
            big.front() = 0xF0;
            big.back() = 0xF7;
            return {big};
        }
        return {Handshake(kSdsAck, m[4])};
    });
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
}

TEST_F(SdsTransfer, SilentSamplerTimesOutOnTheVirtualClock) {
    Prepare(kSamplerSds16, 100);
    sampler.reply = {};
    EXPECT_EQ(kTransferTimeout, c.SendWave(c));
    EXPECT_EQ(10000, clock.NowMs());
    EXPECT_EQ(Handshake(kSdsCancel, 0), sampler.received.back());

    // After a WAIT the long limit holds; 0 waits until the user aborts.
    gTransferTiming.replyTimeoutMs = 500;
    gTransferTiming.waitLimitMs = 0;
    VirtualTransferClock second;
    c.clock = &second;
    sampler.reply = [](const Bytes& m) -> std::vector<Bytes> {
        return m.size() == kSdsHeaderBytes ? std::vector<Bytes>{Handshake(kSdsWait, 0)}
                                           : std::vector<Bytes>{};
    };
    second.Schedule(3600000, [] { RequestAbort(); });
    EXPECT_EQ(kTransferUserAborted, c.SendWave(c));
    EXPECT_EQ(3600000, second.NowMs());
    EXPECT_FALSE(AbortRequested());  // cleared when the driver closes
}

TEST_F(SdsTransfer, UserAbortEventEndsTheWait) {
    Prepare(kSamplerSds16, 100);
    sampler.reply = {};
    clock.Schedule(2500, [&] { c.events.Post({kEventUserAbort, {}}); });
    EXPECT_EQ(kTransferUserAborted, c.SendWave(c));
    EXPECT_EQ(2500, clock.NowMs());
}

// A user interface with a transfer window of its own: the window's Abort
// posts the transfer's user-abort event, and the transfer closes the window.
class TransferWindowUi : public RecordingUserInterface {
  public:
    void StartTransferWindow(WaveRecord*, const std::string& text, TransferAbort abort,
                             void* data) override {
        texts.push_back(text);
        abort_ = abort;
        data_ = data;
        ++open;
    }
    void StopTransferWindow() override {
        abort_ = nullptr;
        --open;
    }
    void PressAbort() {
        if (abort_) abort_(data_);
    }
    std::vector<std::string> texts;
    int open = 0;

  private:
    TransferAbort abort_ = nullptr;
    void* data_ = nullptr;
};

TEST_F(SdsTransfer, TransferWindowsAbortEndsTheTransferAndTellsTheSampler) {
    TransferWindowUi window;
    Prepare(kSamplerSds16, 400);  // ten packets
    Taking([&](int index, const Bytes& m) -> std::vector<Bytes> {
        if (index == 3) return {};  // no answer to packet 3
        return {Handshake(kSdsAck, m[4])};
    });
    gTransferTiming.replyTimeoutMs = 60000;
    clock.Schedule(1000, [&] { window.PressAbort(); });
    EXPECT_EQ(kTransferUserAborted, c.SendWave(c));
    EXPECT_EQ(1000, clock.NowMs());
    EXPECT_EQ(std::vector<std::string>{"Sending SDS 16 Bit"}, window.texts);
    EXPECT_EQ(0, window.open);                 // closed by the transfer
    EXPECT_EQ(0, window.abortWindowsStarted);  // the window replaces the abort window
    EXPECT_EQ(Handshake(kSdsCancel, 3), sampler.received.back());

    // A receive says so.
    DiscardWave(wave);
    Prepare(kSamplerSds12, 0);
    sampler.reply = {};
    clock.Schedule(clock.NowMs() + 10, [&] { window.PressAbort(); });
    EXPECT_EQ(kTransferUserAborted, c.ReceiveWave(c));
    EXPECT_EQ("Receiving SDS 12 Bit", window.texts.back());
    EXPECT_EQ(0, window.open);
}

TEST_F(SdsTransfer, NotReadyOutputIsOfferedAgainThenGivesBusy) {
    Prepare(kSamplerSds16, 40);
    Taking();
    loop.SetNotReady(3);
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(3, loop.notReadyAnswers());
    EXPECT_EQ(15, clock.sleptMs());  // three pauses, no busy spin

    loop.SetNotReady(1 << 30);
    EXPECT_EQ(kTransferDeviceBusy, c.SendWave(c));
    loop.SetNotReady(0);
    loop.SetFailing(true);
    EXPECT_EQ(kTransferDeviceBusy, c.SendWave(c));
}

TEST_F(SdsTransfer, ProphetAsksRoundsAndReportsItsOwnCancel) {
    Prepare(kSamplerProphet2000, 100, 44100);
    c.sampleNumber() = 5;
    ui.answer = kAnswerCancel;
    EXPECT_EQ(kTransferUserCancel, c.SendWave(c));
    EXPECT_TRUE(sampler.received.empty());
    ASSERT_EQ(1u, ui.questions.size());
    EXPECT_EQ("\nSet SOUND NUMBER to:  5\n\nSet SIZE to:  1\n", ui.questions[0]);

    ui.answer = kAnswerOk;
    Taking([&](int index, const Bytes& m) -> std::vector<Bytes> {
        if (index == 1) return {Handshake(kSdsCancel, m[4])};
        return {Handshake(kSdsAck, m[4])};
    });
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    const Bytes& h = sampler.received[0];
    EXPECT_EQ(4, h[4]);                                // the wire number is the user's minus one
    EXPECT_EQ(24000u, h[7] | h[8] << 7 | h[9] << 14);  // 44100 Hz
    EXPECT_EQ(120u, h[10] | h[11] << 7 | h[12] << 14);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Prophet Aborted", ui.boxes[0].caption);
    EXPECT_EQ("Transfer cancelled after\n1 of 2 packets sent", ui.boxes[0].text);

    // Quiet: no question, no box; the cancel is then result 6.
    ui.questions.clear();
    packetsSeen = 0;
    c.messageFlags() = kMessageQuiet;
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(1u, ui.boxes.size());
}

TEST_F(SdsTransfer, ProphetPeriods) {
    for (auto [rate, period] : {std::pair{44100u, 24000u},
                                {32000u, 32000u},
                                {22050u, 32000u},
                                {20833u, 32000u},
                                {15000u, 64000u}}) {
        Prepare(kSamplerProphet2000, 0, rate);
        wave.frameCount = 61;
        EXPECT_EQ(period, SdsHeaderForWave(c, wave, 0).period) << rate;
        EXPECT_EQ(120u, SdsHeaderForWave(c, wave, 0).length);
        wave.frameCount = 0;
    }
}

TEST_F(SdsTransfer, SustainLoopIsLimitedToTheLength) {
    Prepare(kSamplerSds16, 1000);
    LoopNode* loop = SetLoop(wave, 100, 900, 1, 3);
    ASSERT_NE(nullptr, loop);
    wave.sustainLoopId = 3;
    SdsHeader h = SdsHeaderForWave(c, wave, 0);
    EXPECT_EQ(100u, h.loopStart);
    EXPECT_EQ(900u, h.loopEnd);
    EXPECT_EQ(1, h.loopType);
    wave.sustainLoopId = -1;
    h = SdsHeaderForWave(c, wave, 0);
    EXPECT_EQ(1000u, h.loopStart);
    EXPECT_EQ(1000u, h.loopEnd);
    EXPECT_EQ(0, h.loopType);
}

TEST_F(SdsTransfer, ReceivesAWaveWithItsLoopAndRate) {
    Prepare(kSamplerSds16);
    std::vector<float> samples(130);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = float(int(i) * 200 - 13000) / 32768.0f;
    Giving(Header(130, 22675, 10, 100, 1), DumpPackets(samples, 16));
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    ASSERT_TRUE(WaveHasData(&wave));
    EXPECT_EQ(130u, wave.frameCount);
    EXPECT_EQ(44101u, wave.sampleRate);  // 1e9 / 22675, truncated
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(SdsSampleValue(samples[i]) / 32768.0f, wave.leftSamples[i]);
    ASSERT_EQ(0, wave.sustainLoopId);
    LoopNode* loop = FindLoop(wave, 0);
    ASSERT_NE(nullptr, loop);
    EXPECT_EQ(10u, loop->start);
    EXPECT_EQ(100u, loop->end);
    EXPECT_EQ(1, loop->type);
    EXPECT_EQ(80, clock.sleptMs());  // the pause before the first ACK
    // Request, ACK 0 after the header, then an ACK per packet.
    EXPECT_EQ(1, sampler.Count(0x03));
    EXPECT_EQ(5, sampler.Count(kSdsAck));
}

TEST_F(SdsTransfer, ReceivedLoopRules) {
    struct Case {
        uint32_t start, end;
        uint8_t type;
        bool looped;
    };
    for (Case k : {Case{10, 50, 0x7F, false}, Case{10, 200, 0, false}, Case{60, 50, 0, false},
                   Case{10, 100, 0, true}}) {
        Prepare(kSamplerSds16);
        nextPacket = 0;
        Giving(Header(100, 22675, k.start, k.end, k.type),
               DumpPackets(std::vector<float>(100), 16));
        EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
        EXPECT_EQ(k.looped, wave.sustainLoopId == 0) << k.start << " " << k.end;
        if (k.looped) {
            EXPECT_EQ(99u, FindLoop(wave, 0)->end);  // within the wave
        }
        DiscardWave(wave);
    }
}

TEST_F(SdsTransfer, PeriodZeroAndLengthZero) {
    Prepare(kSamplerSds16);
    Giving(Header(100, 0, 100, 100, 0), {});
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    EXPECT_FALSE(WaveHasData(&wave));
    EXPECT_EQ(Handshake(kSdsCancel, 0), sampler.received.back());

    Prepare(kSamplerSds12);
    nextPacket = 0;
    Giving(Header(60, 0, 60, 60, 0, 12), DumpPackets(std::vector<float>(60), 12));
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    EXPECT_EQ(31250u, wave.sampleRate);
    DiscardWave(wave);

    Prepare(kSamplerSds12);
    Giving(Header(0, 20000, 0, 0, 0, 12), {});
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
}

TEST_F(SdsTransfer, RepeatedPacketIsAcknowledgedNotStoredTwiceWrongNumberIsNaked) {
    Prepare(kSamplerSds16);
    std::vector<float> samples(120);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = float(i) / 256.0f;
    std::vector<Bytes> packets = DumpPackets(samples, 16);
    Giving(Header(120, 22675, 120, 120, 0), packets,
           [&](size_t next, const Bytes&) -> std::vector<Bytes> {
               // Packet 0, then packet 0 again, then packet 2 out of turn, then 1 and 2.
               static const int order[] = {0, 0, 2, 1, 2};
               if (next < 5) return {packets[size_t(order[next])]};
               return {};
           });
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(SdsSampleValue(samples[i]) / 32768.0f, wave.leftSamples[i]);
    EXPECT_EQ(1, sampler.Count(kSdsNak));
}

TEST_F(SdsTransfer, SixBadChecksumsInARowEndTheReceiveWithTheWaveKept) {
    Prepare(kSamplerSds16);
    std::vector<float> samples(200, 0.5f);
    std::vector<Bytes> packets = DumpPackets(samples, 16);
    Bytes bad = packets[2];
    bad[125] ^= 1;
    // ACK 0 after the header asks for packet 0, ACK 0 after packet 0 for packet 1, ...
    int acks = 0;
    sampler.reply = [&](const Bytes& m) -> std::vector<Bytes> {
        if (m.size() == kSdsRequestBytes) return {Header(200, 22675, 200, 200, 0)};
        if (m[3] == kSdsAck) ++acks;
        if (m[3] == kSdsAck && acks <= 2) return {packets[size_t(acks - 1)]};
        if (m[3] == kSdsAck || m[3] == kSdsNak) return {bad};
        return {};
    };
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    EXPECT_EQ(5, sampler.Count(kSdsNak));
    EXPECT_EQ(Handshake(kSdsCancel, 2), sampler.received.back());
    ASSERT_TRUE(WaveHasData(&wave));
    EXPECT_EQ(200u, wave.frameCount);
    EXPECT_EQ(SdsSampleValue(0.5f) / 32768.0f, wave.leftSamples[79]);
    EXPECT_EQ(0.0f, wave.leftSamples[80]);  // the missing tail is silence
    EXPECT_EQ(0.0f, wave.leftSamples[199]);
}

TEST_F(SdsTransfer, WaitOptionAndCancelDuringReceive) {
    Prepare(kSamplerSds16);
    c.optionFlags() = kOptionSdsWait;
    std::vector<Bytes> packets = DumpPackets(std::vector<float>(80, 0.25f), 16);
    Giving(Header(80, 22675, 80, 80, 0), packets);
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    EXPECT_EQ(2, sampler.Count(kSdsWait));  // one after each packet
    DiscardWave(wave);

    Prepare(kSamplerSds16);
    c.optionFlags() = 0;
    nextPacket = 0;
    Giving(Header(80, 22675, 80, 80, 0), packets,
           [&](size_t next, const Bytes&) -> std::vector<Bytes> {
               if (next == 1) return {Handshake(kSdsCancel, 1)};
               return {packets[next]};
           });
    sampler.received.clear();
    EXPECT_EQ(kTransferSamplerAborted, c.ReceiveWave(c));
    EXPECT_EQ(0, sampler.Count(kSdsCancel));
}

TEST_F(SdsTransfer, ForeignMessageAndSilenceDuringReceive) {
    Prepare(kSamplerSds16);
    Giving(Header(80, 22675, 80, 80, 0), {}, [&](size_t, const Bytes&) -> std::vector<Bytes> {
        return {Bytes{0xF0, 0x41, 0x10, 0x42, 0xF7}};
    });
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    EXPECT_EQ(1, sampler.Count(kSdsCancel));
    DiscardWave(wave);

    Prepare(kSamplerSds16);
    sampler.reply = {};
    EXPECT_EQ(kTransferTimeout, c.ReceiveWave(c));
    EXPECT_FALSE(WaveHasData(&wave));
}

TEST_F(SdsTransfer, NoMemoryForTheWaveSendsNak) {
    Prepare(kSamplerSds16);
    SetMemoryBudget(1024);
    Giving(Header(100000, 22675, 0, 0, 0), {});
    EXPECT_EQ(kTransferNoMemory, c.ReceiveWave(c));
    SetMemoryBudget(0);
    EXPECT_EQ(Handshake(kSdsNak, 0), sampler.received.back());
    EXPECT_FALSE(WaveHasData(&wave));
}

TEST_F(SdsTransfer, ProphetReceiveCountsPacketsItsOwnWay) {
    Prepare(kSamplerProphet2000);
    c.sampleNumber() = 3;
    std::vector<float> samples(119, 0.125f);
    Giving(Header(119, 24000, 119, 119, 0, 12), DumpPackets(samples, 12));
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));  // remainder 59: two packets
    EXPECT_EQ(2, sampler.received[0][4]);      // requested as 3 - 1
    EXPECT_EQ(3, c.sampleNumber());
    EXPECT_EQ(41666u, wave.sampleRate);
    EXPECT_EQ(0.125f, wave.leftSamples[118]);
}

TEST_F(SdsTransfer, NoDevicesGiveInitializationFailed) {
    SetMidiTestDevice({});
    if (access("/dev/snd", F_OK) == 0) GTEST_SKIP() << "this machine has sound devices";
    unsetenv("ORBICK_MIDI_SOCKET");
    Prepare(kSamplerSds16, 100);
    EXPECT_EQ(0, c.midiOutCount);
    EXPECT_EQ(0, c.midiInCount);
    EXPECT_EQ(std::vector<std::string>{"None Available"}, MidiDeviceNames(c.devices.outputs));
    EXPECT_EQ(std::vector<std::string>{"None Available"}, MidiDeviceNames(c.devices.inputs));
    EXPECT_EQ(kTransferInitFailed, c.SendWave(c));
    DiscardWave(wave);
    Prepare(kSamplerSds16);
    EXPECT_EQ(kTransferInitFailed, c.ReceiveWave(c));
}
