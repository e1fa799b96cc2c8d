// Korg DSS-1 and DSM-1 transfers against a sampler played in the test over
// the MIDI loopback with the virtual clock. The replies are built here from
// the protocol's layout with the test's own number encoders.
#include "sampler/korg_transfer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "../dsp/recording_ui.h"
#include "fake_sampler.h"
#include "sampler/korg_messages.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

// ---- the test's own encoders ----
Bytes Six(uint32_t v) {
    return {uint8_t((v & 0xFF) >> 1), uint8_t((v & 1) ? 0x40 : 0),
            uint8_t((v >> 9) & 0x7F), uint8_t((v & 256) ? 0x40 : 0),
            uint8_t((v >> 17) & 3),   uint8_t((v & 65536) ? 0x40 : 0)};
}
Bytes Three(uint32_t v) {
    return {uint8_t(v & 0x7F), uint8_t((v >> 7) & 0x7F), uint8_t((v >> 14) & 0x7F)};
}
uint32_t ReadSix(const Bytes& m, size_t at) {
    return 2 * m[at] + (m[at + 1] ? 1 : 0) + 512 * m[at + 2] + (m[at + 3] ? 256 : 0) +
           (m[at + 5] ? 65536 : 0) + 131072 * m[at + 4];
}
uint32_t ReadThree(const Bytes& m, size_t at) {
    return m[at] + 128 * m[at + 1] + 16384 * m[at + 2];
}
uint8_t Sum(const Bytes& m, size_t from, size_t end) {
    unsigned s = 0;
    for (size_t i = from; i < end; ++i) s += m[i];
    return uint8_t(s & 0x7F);
}
void Put(Bytes& m, size_t at, const Bytes& v) {
    std::copy(v.begin(), v.end(), m.begin() + long(at));
}

struct Sound {
    uint8_t high = 96, root = 60;
    uint32_t start = 0, length = 3000, loopStart = 0, loopLength = 0;
    uint8_t rate = 0;
};

class KorgTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMidiTestDevice([this] { return loop.PortForA(); });
        gTransferTiming = TransferTiming();
    }
    void TearDown() override {
        SetMidiTestDevice({});
        DiscardWave(wave);
    }
    void Prepare(int32_t type, uint32_t frames, uint32_t rate = 44100) {
        DiscardWave(wave);
        if (frames) {
            wave.leftSamples = static_cast<float*>(Allocate(frames * 4, kAllocLarge | kAllocZero));
            wave.frameCount = frames;
            for (uint32_t i = 0; i < frames; ++i)
                wave.leftSamples[i] = float(std::sin(i * 0.05) * 0.9);
        }
        wave.sampleRate = rate;
        wave.name = "Bright Pad";
        dsm = type == kSamplerDsm1;
        id = dsm ? 0x15 : 0x0B;
        InitTransferContext(c, &wave);
        ASSERT_EQ(0, SetupSamplerType(c, type));
        c.clock = &clock;
        c.channel() = 2;
        c.sampleNumber() = 1;
        c.words[kWordInstrument] = 1;
        c.words[kWordLayer] = 1;
        c.messageFlags() = 0;
        c.optionFlags() = 0;
        sampler.received.clear();
        faults.clear();
        lengths = {5000, 3000};
        addresses = {0, 5000};
        sounds = {Sound{}};
        modeByte = 0;
        modeNak = false;
        inquiryReply.clear();
        sampler.reply = [this](const Bytes& m) { return Answer(m); };
    }
    Bytes Head(uint8_t function) const { return {0xF0, 0x42, 0x31, id, function}; }
    Bytes Short(uint8_t function) const {
        Bytes m = Head(function);
        m.push_back(0xF7);
        return m;
    }
    Bytes Number(uint32_t v) const { return dsm ? Three(v) : Six(v); }
    Bytes ListReply() const {
        Bytes m = Head(0x45);
        if (dsm) m.push_back(0);
        m.push_back(uint8_t(lengths.size()));
        m.resize(14 * lengths.size() + (dsm ? 7 : 6), ' ');
        for (size_t k = 1; k <= lengths.size(); ++k) {
            if (dsm) {
                Put(m, 14 * k + 1, Three(lengths[k - 1]));
                Put(m, 14 * k + 4, Three(addresses[k - 1]));
            } else {
                Put(m, 14 * k, Six(lengths[k - 1]));
            }
        }
        m.push_back(0xF7);
        return m;
    }
    Bytes ParamReply(uint8_t mm) const {
        Bytes m = Head(0x44);
        m.push_back(mm);
        size_t stride = dsm ? 18 : 36;
        m.resize((dsm ? 19 : 22) + stride * sounds.size(), 0);
        Put(m, 6, Bytes(msName.begin(), msName.end()));
        if (dsm) {
            m[17] = uint8_t(sounds.size());
            for (size_t s = 0; s < sounds.size(); ++s) {
                size_t e = 18 * s;
                m[e + 19] = sounds[s].high;
                m[e + 20] = sounds[s].root;
                Put(m, e + 24, Three(sounds[s].length));
                Put(m, e + 27, Three(sounds[s].start));
                Put(m, e + 30, Three(sounds[s].loopStart));
                Put(m, e + 33, Three(sounds[s].loopLength));
                m[e + 36] = sounds[s].rate;
            }
        } else {
            m[20] = uint8_t(sounds.size() | (loopFlag ? 0x40 : 0));
            for (size_t s = 0; s < sounds.size(); ++s) {
                size_t e = 36 * s;
                m[e + 22] = sounds[s].high;
                m[e + 23] = sounds[s].root;
                Put(m, e + 33, Six(sounds[s].start));
                Put(m, e + 39, Six(sounds[s].length));
                Put(m, e + 45, Six(sounds[s].loopStart));
                Put(m, e + 51, Six(sounds[s].loopLength));
                m[e + 57] = sounds[s].rate;
            }
        }
        m.push_back(Sum(m, 5, m.size()));
        m.push_back(0xF7);
        return m;
    }
    // The data of memory [start, end): word i is (i * 37) % 4096 shifted to 16 bits.
    static uint16_t Word(uint32_t address) { return uint16_t(((address * 37) % 4096) << 4); }
    Bytes DataReply(const Bytes& request) const {
        size_t at = dsm ? 6 : 5;
        uint32_t start = dsm ? ReadThree(request, at) : ReadSix(request, at);
        uint32_t end = dsm ? ReadThree(request, at + 3) : ReadSix(request, at + 6);
        Bytes m = Head(0x43);
        if (dsm) m.push_back(request[5]);
        Bytes a = Number(start), b = Number(end);
        m.insert(m.end(), a.begin(), a.end());
        m.insert(m.end(), b.begin(), b.end());
        for (uint32_t i = start; i < end; ++i) {
            uint16_t u = Word(i);
            m.push_back(uint8_t((u >> 2) & 0x7C));
            m.push_back(uint8_t(u >> 9));
        }
        m.push_back(Sum(m, 5, m.size()));
        m.push_back(0xF7);
        return m;
    }
    std::vector<Bytes> Answer(const Bytes& m) {
        if (m.size() == 4 && m[2] == 0x41) return {inquiryReply.empty() ? Short(0) : inquiryReply};
        if (m.size() < 6) return {};
        uint8_t f = m[4];
        auto faulty = [&](const char* kind) {
            auto it = faults.find(kind);
            if (it == faults.end() || it->second <= 0) return false;
            --it->second;
            return true;
        };
        switch (f) {
            case 0x13:
                return {};
            case 0x12: {
                Bytes r = Head(0x12);
                r.push_back(modeByte);
                r.push_back(0xF7);
                return {r};
            }
            case 0x42:
                return {modeNak ? Short(0x24) : Short(0x23)};
            case 0x16:
                return {ListReply()};
            case 0x15:
                return {ParamReply(m[5])};
            case 0x14: {
                Bytes r = DataReply(m);
                if (faulty("checksum")) r[r.size() - 2] ^= 0x11;
                return {r};
            }
            case 0x43:
                return {faulty("nak-data") ? Short(0x24) : Short(0x23)};
            case 0x44:
                return {faulty("nak-params") ? Short(0x24) : Short(0x23)};
            case 0x45:
                return {faulty("nak-name") ? Short(0x24) : Short(0x23)};
            case 0x11:
                return {Short(0x23)};
        }
        return {};
    }
    std::vector<Bytes> Sent(uint8_t function) const {
        std::vector<Bytes> out;
        for (const Bytes& m : sampler.received)
            if (m.size() > 5 && m[4] == function && m[2] != 0x41) out.push_back(m);
        return out;
    }

    MidiLoopback loop;
    FakeSampler sampler{loop};
    VirtualTransferClock clock;
    TransferContext c;
    WaveRecord wave;
    RecordingUserInterface ui;
    bool dsm = false;
    uint8_t id = 0x0B;
    std::vector<uint32_t> lengths{5000, 3000}, addresses{0, 5000};
    std::vector<Sound> sounds{Sound{}};
    std::string msName = "STRINGS ";
    bool loopFlag = true;
    uint8_t modeByte = 0;
    bool modeNak = false;
    Bytes inquiryReply;
    std::map<std::string, int> faults;
};

}  // namespace

TEST(KorgMessages, NumbersChecksumAndRates) {
    uint8_t b[6];
    EncodeDss1Number(300000, b);
    EXPECT_EQ((Bytes{0x70, 0x00, 0x49, 0x40, 0x02, 0x00}), Bytes(b, b + 6));
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        uint32_t v = rng() & 0x7FFFF;
        EncodeDss1Number(v, b);
        EXPECT_EQ(Six(v), Bytes(b, b + 6));
        EXPECT_EQ(v, DecodeDss1Number(b));
        uint32_t w = rng() & 0x1FFFFF;
        EncodeDsm1Number(w, b);
        EXPECT_EQ(Three(w), Bytes(b, b + 3));
        EXPECT_EQ(w, DecodeDsm1Number(b));
    }
    EXPECT_EQ(3, KorgRateFor(44100, 127, 60).code);
    EXPECT_EQ(1, KorgRateFor(22050, 127, 60).code);
    EXPECT_EQ(0, KorgRateFor(32000, 127, 60).code);
    EXPECT_EQ(2, KorgRateFor(16000, 127, 60).code);
    // The key-range value stays within 0..127 (negative at low rates).
    EXPECT_EQ(0, KorgRateFor(16000, 60, 60).keyRange);
    EXPECT_EQ(72, KorgRateFor(44100, 127, 60).keyRange);
    // 12-bit samples: full scale and the middle.
    uint8_t s[2];
    PackKorgSample(0.0f, s);
    EXPECT_EQ(0x00, s[0]);
    EXPECT_EQ(0x40, s[1]);
    PackKorgSample(1.0f, s);
    EXPECT_NEAR(1.0, UnpackKorgSample(s), 1.0 / 2048);
    PackKorgSample(-1.0f, s);
    EXPECT_NEAR(-1.0, UnpackKorgSample(s), 1.0 / 2048);
}

TEST_F(KorgTransfer, Dss1SendsBlocksOf1000AndTheEditedParameters) {
    Prepare(kSamplerDss1, 2500, 44100);
    wave.keyHigh = 100;
    wave.keyRoot = 64;
    c.words[kWordInstrument] = 2;  // the second multisound: base 5000
    sounds = {Sound{}, Sound{}};
    sounds[1].start = 400;
    sounds[1].loopStart = 300;  // the start is limited to the loop start
    sounds[1].length = 2600;
    c.sampleNumber() = 2;
    ASSERT_EQ(kTransferOk, c.SendWave(c));
    // Inquiry, the two mode requests, list and parameter requests.
    ASSERT_GE(sampler.received.size(), 5u);
    EXPECT_EQ((Bytes{0xF0, 0x42, 0x41, 0xF7}), sampler.received[0]);
    EXPECT_EQ((Bytes{0xF0, 0x42, 0x31, 0x0B, 0x13, 0xF7}), sampler.received[1]);
    EXPECT_EQ((Bytes{0xF0, 0x42, 0x31, 0x0B, 0x12, 0xF7}), sampler.received[2]);
    EXPECT_EQ((Bytes{0xF0, 0x42, 0x31, 0x0B, 0x16, 0xF7}), sampler.received[3]);
    EXPECT_EQ((Bytes{0xF0, 0x42, 0x31, 0x0B, 0x15, 0x01, 0xF7}), sampler.received[4]);
    auto dumps = Sent(0x43);
    ASSERT_EQ(3u, dumps.size());
    const uint32_t counts[] = {1000, 1000, 500};
    for (size_t k = 0; k < 3; ++k) {
        const Bytes& d = dumps[k];
        ASSERT_EQ(2 * counts[k] + 19, d.size());
        uint32_t start = ReadSix(d, 5);
        EXPECT_EQ(5000u + 300u + 1000u * k, start);
        EXPECT_EQ(start + counts[k], ReadSix(d, 11));
        EXPECT_EQ(Sum(d, 5, d.size() - 2), d[d.size() - 2]);
        for (uint32_t i = 0; i < counts[k]; ++i) {
            float x = wave.leftSamples[1000 * k + i];
            uint16_t u = uint16_t(int32_t(x * 32767.0f) + 32768);
            ASSERT_EQ((u >> 2) & 0x7C, d[17 + 2 * i]) << k << ":" << i;
            ASSERT_EQ(u >> 9, d[18 + 2 * i]);
        }
    }
    auto params = Sent(0x44);
    ASSERT_EQ(1u, params.size());
    const Bytes& p = params[0];
    ASSERT_EQ(36u * 2 + 22 + 2, p.size());
    EXPECT_EQ(1, p[5]);
    const size_t e = 36;
    EXPECT_EQ(100, p[e + 22]);
    EXPECT_EQ(64, p[e + 23]);
    EXPECT_EQ(2500u, ReadSix(p, e + 39));
    // No sustain loop: the last frame, relative to the sound's start.
    EXPECT_EQ(2499u + 300u, ReadSix(p, e + 45));
    EXPECT_EQ(1u, ReadSix(p, e + 51));
    EXPECT_EQ(3, p[e + 57] & 31);
    EXPECT_EQ(Sum(p, 5, p.size() - 2), p[p.size() - 2]);
    EXPECT_TRUE(Sent(0x45).empty());
    EXPECT_EQ(2, c.channel());
}

TEST_F(KorgTransfer, Dss1RateCodesAndASingleBlock) {
    const std::pair<uint32_t, int> rates[] = {{44100, 3}, {22050, 1}, {32000, 0}};
    for (auto [rate, code] : rates) {
        Prepare(kSamplerDss1, 1000, rate);
        ASSERT_EQ(kTransferOk, c.SendWave(c));
        EXPECT_EQ(1u, Sent(0x43).size());
        EXPECT_EQ(code, Sent(0x44).at(0)[57] & 31) << rate;
    }
}

TEST_F(KorgTransfer, NakRepeatsTheSixthEnds) {
    Prepare(kSamplerDss1, 1500);
    faults["nak-data"] = 5;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(2u + 5u, Sent(0x43).size());
    Prepare(kSamplerDss1, 1500);
    faults["nak-data"] = 6;
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
    EXPECT_EQ(6u, Sent(0x43).size());
    EXPECT_EQ("DSS1 not accepting data", ui.LastBoxText());
    EXPECT_EQ("DSS1 Message", ui.boxes.back().caption);
    Prepare(kSamplerDsm1, 1500);
    faults["nak-params"] = 6;
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
    EXPECT_EQ("DSM1 not accepting parameters", ui.LastBoxText());
    EXPECT_EQ("DSM1 Message", ui.boxes.back().caption);
}

TEST_F(KorgTransfer, TooLargeWaveAsksChopsOrEnds) {
    // Quiet: too large ends with 12, nothing sent.
    Prepare(kSamplerDss1, 4000);
    c.messageFlags() = 1;
    EXPECT_EQ(kTransferGeneralError, c.SendWave(c));
    EXPECT_TRUE(Sent(0x43).empty());
    EXPECT_TRUE(ui.questions.empty());
    // No gives 1.
    Prepare(kSamplerDss1, 4000);
    ui.answer = kAnswerNo;
    EXPECT_EQ(kTransferUserCancel, c.SendWave(c));
    ASSERT_EQ(1u, ui.questions.size());
    EXPECT_TRUE(Sent(0x43).empty());
    // Chop To Fit sends the sound's length.
    Prepare(kSamplerDss1, 4000);
    c.optionFlags() = 1;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(3u, Sent(0x43).size());
    EXPECT_EQ(3000u, ReadSix(Sent(0x44).at(0), 39));
    // Yes makes a new multisound: name, program and select messages.
    Prepare(kSamplerDss1, 4000);
    ui.answer = kAnswerYes;
    faults["nak-params"] = 1;
    faults["nak-name"] = 2;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(4u, Sent(0x43).size());
    EXPECT_EQ(0u, ReadSix(Sent(0x43)[0], 5));  // base 0, start 0
    const Bytes p = Sent(0x44).back();
    ASSERT_EQ(36u + 22 + 2, p.size());
    EXPECT_EQ(0x41, p[20]);
    EXPECT_EQ("Bright P", std::string(p.begin() + 6, p.begin() + 14));
    EXPECT_EQ(4000u, ReadSix(p, 14));
    EXPECT_EQ((Bytes{0x00, 0x40, 0x40}), Bytes(p.begin() + 24, p.begin() + 27));
    const Bytes n = Sent(0x45).back();
    ASSERT_EQ(22u, n.size());
    EXPECT_EQ(4000u, ReadSix(n, 14));
    auto programs = Sent(0x41);
    ASSERT_EQ(2u, programs.size());
    EXPECT_EQ(0x3B, programs[0][5]);
    EXPECT_EQ(0x3A, programs[1][5]);
    auto selects = Sent(0x11);
    ASSERT_EQ(2u, selects.size());
    EXPECT_EQ(3, selects[0][5]);  // three NAKs for the parameters and the name
}

TEST_F(KorgTransfer, TooLongForAnySoundAndEmptyRoom) {
    Prepare(kSamplerDss1, kKorgMaxFrames + 1);
    EXPECT_EQ(kTransferGeneralError, c.SendWave(c));
    EXPECT_EQ("Wave cannot fit into the DSS-1, max = 256k", ui.LastBoxText());
    EXPECT_TRUE(sampler.received.empty());
    // A DSM-1 sound whose start lies past the lengths: no room.
    Prepare(kSamplerDsm1, 100);
    c.optionFlags() = 1;
    sounds[0].start = 5000;
    EXPECT_EQ(kTransferGeneralError, c.SendWave(c));
    EXPECT_EQ(kKorgLengthErrorText, ui.LastBoxText());
    EXPECT_TRUE(Sent(0x43).empty());
}

TEST_F(KorgTransfer, ConnectionFailures) {
    Prepare(kSamplerDss1, 100);
    inquiryReply = {0xF0, 0x42, 0x31, 0x15, 0xF7};  // a DSM-1 answering
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    EXPECT_EQ("Incorrect Device, non DSS1", ui.LastBoxText());
    Prepare(kSamplerDss1, 100);
    modeByte = 1;
    EXPECT_EQ(kTransferIllegalParameter, c.ReceiveWave(c));  // the editor holds a wave
    EXPECT_EQ(kTransferSamplerAborted, c.SendWave(c));
    EXPECT_EQ("DSS1 not in correct mode", ui.LastBoxText());
    Prepare(kSamplerDsm1, 100);
    modeNak = true;
    EXPECT_EQ(kTransferDataError, c.SendWave(c));
    EXPECT_EQ("DSM1 not in correct mode", ui.LastBoxText());
    // Silence: the reply timeout.
    Prepare(kSamplerDsm1, 100);
    sampler.reply = {};
    EXPECT_EQ(kTransferTimeout, c.SendWave(c));
}

TEST_F(KorgTransfer, Dss1ReceivesSoundNameLoopAndRate) {
    Prepare(kSamplerDss1, 0);
    sounds = {Sound{}, Sound{}};
    sounds[1] = {90, 48, 700, 2500, 900, 5000, 2};
    c.words[kWordInstrument] = 2;
    c.sampleNumber() = 2;
    faults["checksum"] = 4;  // four bad blocks, then good
    ASSERT_EQ(kTransferOk, c.ReceiveWave(c));
    ASSERT_EQ(2500u, wave.frameCount);
    EXPECT_EQ(16000u, wave.sampleRate);
    EXPECT_EQ(90, wave.keyHigh);
    EXPECT_EQ(48, wave.keyRoot);
    EXPECT_EQ("STRINGS  02", wave.name);
    auto requests = Sent(0x14);
    ASSERT_EQ(3u + 4u, requests.size());
    EXPECT_EQ(5000u + 700u, ReadSix(requests[0], 5));
    EXPECT_EQ(5000u + 700u + 1000u, ReadSix(requests[0], 11));
    for (uint32_t i = 0; i < 2500; ++i)
        ASSERT_FLOAT_EQ((Word(5700 + i) - 32768) / 32768.0f, wave.leftSamples[i]) << i;
    // Loop start 900 - 700 = 200, its length limited to the 2500: end past
    // the last frame is the last frame.
    ASSERT_EQ(0, wave.sustainLoopId);
    const LoopNode* l = FindLoop(wave, 0);
    ASSERT_NE(nullptr, l);
    EXPECT_EQ(200u, l->start);
    EXPECT_EQ(2499u, l->end);
}

TEST_F(KorgTransfer, FifthBadChecksumEndsWithTheBlockSilent) {
    Prepare(kSamplerDss1, 0);
    sounds[0].length = 2200;
    faults["checksum"] = 5;
    EXPECT_EQ(kTransferDataError, c.ReceiveWave(c));
    ASSERT_EQ(2200u, wave.frameCount);
    for (uint32_t i = 0; i < 2200; ++i) ASSERT_EQ(0.0f, wave.leftSamples[i]);
    EXPECT_EQ(5u, Sent(0x14).size());
}

TEST_F(KorgTransfer, ReceiveRefusalsAndLengthZero) {
    Prepare(kSamplerDss1, 0);
    c.words[kWordInstrument] = 3;
    EXPECT_EQ(kTransferIllegalParameter, c.ReceiveWave(c));
    EXPECT_EQ("That Multisound number is too high", ui.LastBoxText());
    Prepare(kSamplerDss1, 0);
    c.sampleNumber() = 2;
    EXPECT_EQ(kTransferIllegalParameter, c.ReceiveWave(c));
    EXPECT_EQ("That Sound number is too high", ui.LastBoxText());
    Prepare(kSamplerDss1, 0);
    sounds[0].length = 0;
    EXPECT_EQ(kTransferGeneralError, c.ReceiveWave(c));
    EXPECT_EQ(kKorgLengthErrorText, ui.LastBoxText());
    EXPECT_FALSE(WaveHasData(&wave));
    Prepare(kSamplerDss1, 0);
    lengths.clear();
    EXPECT_EQ(kTransferSamplerAborted, c.ReceiveWave(c));
    EXPECT_EQ("DSS-1 reports no Multisounds are available!", ui.LastBoxText());
    Prepare(kSamplerDss1, 0);
    sounds.clear();
    EXPECT_EQ(kTransferSamplerAborted, c.ReceiveWave(c));
    EXPECT_EQ("DSS-1 reports no Sounds are available!", ui.LastBoxText());
    // Quiet: the same results, no boxes.
    Prepare(kSamplerDss1, 0);
    sounds.clear();
    c.messageFlags() = 1;
    size_t boxes = ui.boxes.size();
    EXPECT_EQ(kTransferSamplerAborted, c.ReceiveWave(c));
    EXPECT_EQ(boxes, ui.boxes.size());
}

TEST_F(KorgTransfer, Dsm1ReceiveAndSendUseTheListAddress) {
    Prepare(kSamplerDsm1, 0);
    // Bank 2, multisound 2: address from the list entry.
    c.words[kWordLayer] = 2;
    c.words[kWordInstrument] = 2;
    c.sampleNumber() = 2;
    addresses = {100000, 200000};
    sounds = {Sound{}, Sound{}};
    sounds[0].length = 1200;
    sounds[1] = {80, 50, 300, 1500, 500, 400, 0};
    ASSERT_EQ(kTransferOk, c.ReceiveWave(c));
    // Length = 1200 + 1500 - 300.
    ASSERT_EQ(2400u, wave.frameCount);
    EXPECT_EQ(32000u, wave.sampleRate);
    EXPECT_EQ((Bytes{0xF0, 0x42, 0x31, 0x15, 0x16, 0x01, 0xF7}), Sent(0x16).at(0));
    EXPECT_EQ(0x11, Sent(0x15).at(0)[5]);  // (bank - 1) * 16 + multisound - 1
    auto requests = Sent(0x14);
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ(13u, requests[0].size());
    EXPECT_EQ(200300u, ReadThree(requests[0], 6));
    for (uint32_t i = 0; i < 2400; ++i)
        ASSERT_FLOAT_EQ((Word(200300 + i) - 32768) / 32768.0f, wave.leftSamples[i]) << i;
    const LoopNode* l = FindLoop(wave, 0);
    ASSERT_NE(nullptr, l);
    EXPECT_EQ(200u, l->start);
    EXPECT_EQ(599u, l->end);

    // Send into the same sound: room 2400, 2000 frames fit.
    Prepare(kSamplerDsm1, 2000, 22050);
    c.words[kWordLayer] = 2;
    c.words[kWordInstrument] = 2;
    c.sampleNumber() = 2;
    addresses = {100000, 200000};
    sounds = {Sound{}, Sound{}};
    sounds[0].length = 1200;
    sounds[1] = {80, 50, 300, 1500, 500, 400, 0};
    SetLoop(wave, 100, 999, 0, 0);
    wave.sustainLoopId = 0;
    ASSERT_EQ(kTransferOk, c.SendWave(c));
    auto dumps = Sent(0x43);
    ASSERT_EQ(2u, dumps.size());
    EXPECT_EQ(2u * 1000 + 14, dumps[0].size());
    EXPECT_EQ(1, dumps[0][5]);
    EXPECT_EQ(200300u, ReadThree(dumps[0], 6));
    const Bytes p = Sent(0x44).at(0);
    ASSERT_EQ(18u * 2 + 19 + 2, p.size());
    EXPECT_EQ(0x11, p[5]);
    EXPECT_EQ(400u, ReadThree(p, 18 + 30));  // loop start + the sound's start
    EXPECT_EQ(900u, ReadThree(p, 18 + 33));
    EXPECT_EQ(1, p[18 + 36] & 31);
    EXPECT_TRUE(Sent(0x41).empty());
}

TEST_F(KorgTransfer, Dsm1NewMultisoundSendsTheNameButNoProgram) {
    Prepare(kSamplerDsm1, 5000);
    ui.answer = kAnswerYes;
    ASSERT_EQ(kTransferOk, c.SendWave(c));
    const Bytes n = Sent(0x45).at(0);
    ASSERT_EQ(23u, n.size());
    EXPECT_EQ(0, n[5]);
    EXPECT_EQ(1, n[6]);
    EXPECT_EQ(5000u, ReadThree(n, 15));
    EXPECT_EQ(Sum(n, 5, 21), n[21]);
    EXPECT_TRUE(Sent(0x41).empty());
    EXPECT_TRUE(Sent(0x11).empty());
    const Bytes p = Sent(0x44).at(0);
    EXPECT_EQ(1, p[17]);
    EXPECT_EQ(5000u, ReadThree(p, 24));
}

TEST_F(KorgTransfer, HostileRepliesGiveErrorsNeverReadPastTheEnd) {
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        const bool dsm1 = round % 2 == 1;
        Prepare(dsm1 ? kSamplerDsm1 : kSamplerDss1, round % 3 == 0 ? 1500 : 0);
        int step = 0;
        const int corruptAt = int(rng() % 6);
        sampler.reply = [&, corruptAt](const Bytes& m) -> std::vector<Bytes> {
            std::vector<Bytes> good = Answer(m);
            if (good.empty() || step++ != corruptAt) return good;
            Bytes r = good[0];
            switch (rng() % 4) {
                case 0:  // truncated, F7 kept
                    r.resize(rng() % r.size() + 1);
                    r.back() = 0xF7;
                    break;
                case 1:  // random data bytes
                    for (size_t i = 2; i + 1 < r.size(); ++i)
                        if (rng() % 3 == 0) r[i] = uint8_t(rng() & 0x7F);
                    break;
                case 2:  // a count byte far too large
                    if (r.size() > 21) r[dsm1 ? 17 : 20] = 0x3F;
                    if (r.size() > 6) r[dsm1 ? 6 : 5] = 0x7F;
                    break;
                default:  // foreign
                    r = {0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7};
            }
            return {r};
        };
        int32_t result = wave.frameCount ? c.SendWave(c) : c.ReceiveWave(c);
        EXPECT_GE(result, 0);
        EXPECT_LE(result, 12);
        if (WaveHasData(&wave) && wave.sustainLoopId >= 0) {
            const LoopNode* l = FindLoop(wave, 0);
            ASSERT_NE(nullptr, l);
            EXPECT_LT(l->start, l->end);
            EXPECT_LE(l->end, wave.frameCount - 1);
        }
    }
}
