// Sound Designer 1: golden header bytes built from the layout, the round
// trip of name, rate, loops and markers 0..9, and hostile headers.
#include <gtest/gtest.h>

#include "formats/sound_formats.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}
void PutCounted(std::vector<uint8_t>& b, size_t at, const std::string& s) {
    b[at] = uint8_t(s.size());
    std::memcpy(&b[at + 1], s.data(), s.size());
}

// The header of a 4-frame wave named "Bell" at 44101 Hz with marker 0 "hit"
// at frame 1, unnamed marker 3 at frame 2 and a forward/backward sustain loop 1..3.
std::vector<uint8_t> GoldenHeader() {
    std::vector<uint8_t> h(1336, 0);
    h[0] = 5;
    h[1] = 56;
    Put16(h, 2, 11);
    Put16(h, 56, 65280);
    Put32(h, 58, 1);
    Put32(h, 62, 327);
    h[66] = 4;
    PutCounted(h, 68, "%Scale");
    h[105] = 1;
    PutCounted(h, 108, "      ");
    Put16(h, 172, 15);
    Put16(h, 174, 15);
    Put32(h, 184, 8);
    PutCounted(h, 254, "Bell");
    for (int k = 0; k < 10; ++k) {
        size_t slot = 348 + 40 * size_t(k);
        h[slot] = 1;
        PutCounted(h, slot + 6, "Untitled");
    }
    h[348] = 0;
    Put32(h, 348 + 2, 2);
    std::memset(&h[348 + 6], 0, 9);
    PutCounted(h, 348 + 6, "hit");
    h[348 + 120] = 0;
    Put32(h, 348 + 120 + 2, 4);
    Put32(h, 752, 2);
    Put32(h, 756, 6);
    h[764] = 74;
    std::string credit = "Created or edited with Sample Orbick, from brightfold - for the Amiga";
    std::memcpy(&h[765], credit.data(), credit.size());
    Put32(h, 1020, 44100);
    Put32(h, 1024, 1000000 / 44101);
    Put16(h, 1028, 16);
    PutCounted(h, 1030, "Linear");
    Put32(h, 1324, 0xFFFFFFFFu);
    Put32(h, 1328, 0xFFFFFFFFu);
    h[1332] = 2;
    h[1333] = 0;
    return h;
}

TEST(Sd1, GoldenHeaderAndRoundTrip) {
    TempFolder dir;
    TestWave w(4, 2, 44101);
    WaveRecord& r = w.record;
    float values[4] = {0.0f, 0.5f, -0.5f, 1.0f};
    for (int i = 0; i < 4; ++i) r.leftSamples[i] = values[i];
    r.name = "Bell";
    SetMarker(r, 1, 0, "hit");
    SetMarker(r, 2, 3, nullptr);
    SetMarker(r, 3, 12, "late");  // only markers 0..9 are kept
    SetLoop(r, 1, 3, 1, 5);
    r.sustainLoopId = 5;
    ASSERT_EQ(kFileOk, WriteSd1(dir / "b.sd", r));
    auto b = ReadBytes(dir / "b.sd");
    ASSERT_EQ(1336u + 8, b.size());
    std::vector<uint8_t> header(b.begin(), b.begin() + 1336);
    EXPECT_EQ(GoldenHeader(), header);
    std::vector<uint8_t> samples(b.begin() + 1336, b.end());
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0x40, 0x00, 0xC0, 0x00, 0x7F, 0xFF}), samples);

    Loaded in;
    ReadOutcome out = ReadSd1(dir / "b.sd", in.record);
    ASSERT_EQ(kFileOk, out.result);
    EXPECT_EQ(kFormatSd1, out.format);
    WaveRecord& g = in.record;
    EXPECT_EQ(4u, g.frameCount);
    EXPECT_EQ(nullptr, g.rightSamples);
    EXPECT_EQ(44100u, g.sampleRate);
    EXPECT_EQ("Bell", g.name);
    EXPECT_FLOAT_EQ(0.5f, g.leftSamples[1]);
    ASSERT_EQ(0, g.sustainLoopId);
    EXPECT_EQ(-1, g.releaseLoopId);
    LoopNode* loop = FindLoop(g, 0);
    ASSERT_NE(nullptr, loop);
    EXPECT_EQ(1u, loop->start);
    EXPECT_EQ(3u, loop->end);
    EXPECT_EQ(1, loop->type);
    ASSERT_NE(nullptr, FindMarker(g, 0));
    EXPECT_EQ("hit", FindMarker(g, 0)->name);
    ASSERT_NE(nullptr, FindMarker(g, 3));
    EXPECT_EQ("Untitled", FindMarker(g, 3)->name);
    EXPECT_EQ(2u, FindMarker(g, 3)->position);
    EXPECT_EQ(nullptr, FindMarker(g, 12));
}

TEST(Sd1, HostileHeaders) {
    TempFolder dir;
    std::vector<uint8_t> good = GoldenHeader();
    good.insert(good.end(), 8, 0x10);
    {  // A slot name length beyond the slot and a file name length of 255 stay bounded.
        auto b = good;
        b[348 + 6] = 255;
        std::memset(&b[348 + 7], 'x', 33);
        b[254] = 255;
        std::memset(&b[255], 'n', 93);
        WriteBytes(dir / "n.sd", b);
        Loaded in;
        ASSERT_EQ(kFileOk, ReadSd1(dir / "n.sd", in.record).result);
        EXPECT_EQ(std::string(33, 'x'), FindMarker(in.record, 0)->name);
        EXPECT_EQ(std::string(64, 'n'), in.record.name);
    }
    auto wrongSize = good;
    Put32(wrongSize, 184, 10);
    auto wrongMagic = good;
    wrongMagic[1] = 55;
    std::vector<uint8_t> tooShort(good.begin(), good.begin() + 1337);
    Put32(tooShort, 184, 1);
    for (auto* bytes : {&wrongSize, &wrongMagic, &tooShort}) {
        WriteBytes(dir / "h.sd", *bytes);
        Loaded in;
        ReadOutcome out = ReadSd1(dir / "h.sd", in.record);
        EXPECT_EQ(kGeneralFileError, out.result);
        EXPECT_FALSE(out.recognised);
        EXPECT_EQ(nullptr, in.record.leftSamples);
    }
}

}  // namespace
}  // namespace ob
