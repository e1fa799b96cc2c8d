// AIFF: rate encoding, the chunk layout the writer produces, round trips of
// loops, markers, key map and name, and hostile files.
#include <gtest/gtest.h>

#include "formats/sound_formats.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

// Offset of the first chunk `id` in an IFF image, or -1.
long FindIff(const std::vector<uint8_t>& b, const char* id) {
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        if (std::memcmp(&b[pos], id, 4) == 0) return long(pos);
        uint32_t size = Be32At(b, pos + 4);
        pos += 8 + size + (size & 1);
    }
    return -1;
}

std::vector<uint8_t> AiffImage(uint16_t channels, uint32_t frames, uint16_t bits,
                               const std::vector<uint8_t>& extraChunks,
                               const std::vector<uint8_t>& sampleBytes, const char* type = "AIFF") {
    Bytes comm;
    comm.Id("COMM").Be32(18).Be16(channels).Be32(frames).Be16(bits);
    uint8_t rate[10];
    EncodeAiffRate(22050, rate);
    comm.b.insert(comm.b.end(), rate, rate + 10);
    Bytes ssnd;
    ssnd.Id("SSND").Be32(uint32_t(sampleBytes.size() + 8)).Be32(0).Be32(0);
    ssnd.b.insert(ssnd.b.end(), sampleBytes.begin(), sampleBytes.end());
    Bytes file;
    file.Id("FORM").Be32(0).Id(type);
    file.b.insert(file.b.end(), comm.b.begin(), comm.b.end());
    file.b.insert(file.b.end(), extraChunks.begin(), extraChunks.end());
    file.b.insert(file.b.end(), ssnd.b.begin(), ssnd.b.end());
    uint32_t size = uint32_t(file.b.size() - 8);
    for (int i = 0; i < 4; ++i) file.b[4 + i] = uint8_t(size >> (24 - 8 * i));
    return file.b;
}

TEST(Aiff, SampleRateIsEightyBitExtended) {
    uint8_t bytes[10];
    EncodeAiffRate(44100, bytes);
    const uint8_t expected[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(bytes, expected, 10));
    for (uint32_t hz :
         {1u, 100u, 8000u, 11025u, 22050u, 44100u, 48000u, 96000u, 200000u, 4000000000u}) {
        EncodeAiffRate(hz, bytes);
        EXPECT_EQ(hz, DecodeAiffRate(bytes)) << hz;
    }
    // 44100.5 Hz: the fraction is dropped.
    const uint8_t fraction[10] = {0x40, 0x0E, 0xAC, 0x44, 0x80, 0, 0, 0, 0, 0};
    EXPECT_EQ(44100u, DecodeAiffRate(fraction));
    // Exponents below 1 Hz, beyond 32 bits and negative values give 0 without undefined shifts.
    const uint8_t tiny[10] = {0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t huge[10] = {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const uint8_t negative[10] = {0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0u, DecodeAiffRate(tiny));
    EXPECT_EQ(0u, DecodeAiffRate(huge));
    EXPECT_EQ(0u, DecodeAiffRate(negative));
}

TEST(Aiff, WriterLayout) {
    TempFolder dir;
    TestWave w(9, 1, 44101);
    WaveRecord& r = w.record;
    r.name = "Tone";
    r.keyRoot = 60;
    r.fineTune = -7;
    r.keyLow = 10;
    r.keyHigh = 100;
    SetMarker(r, 2, 0, "zero");
    SetMarker(r, 4, 252, "hidden");  // ids 251..255 are not written
    SetLoop(r, 1, 6, 1, 9);
    r.sustainLoopId = 9;
    ASSERT_EQ(kFileOk, WriteAiff(dir / "t.aif", r, 16));
    auto b = ReadBytes(dir / "t.aif");
    EXPECT_EQ(0, std::memcmp(b.data(), "FORM", 4));
    EXPECT_EQ(b.size() - 8, Be32At(b, 4));
    long comm = FindIff(b, "COMM"), mark = FindIff(b, "MARK"), inst = FindIff(b, "INST"),
         name = FindIff(b, "NAME"), ssnd = FindIff(b, "SSND");
    ASSERT_EQ(12, comm);
    ASSERT_TRUE(comm < mark && mark < inst && inst < name && name < ssnd);
    EXPECT_EQ(18u, Be32At(b, comm + 4));
    EXPECT_EQ(1u, Be16At(b, comm + 8));
    EXPECT_EQ(9u, Be32At(b, comm + 10));
    EXPECT_EQ(16u, Be16At(b, comm + 14));
    EXPECT_EQ(0x400E, Be16At(b, comm + 16));  // 44101 snapped to 44100
    EXPECT_EQ(0xAC440000u, Be32At(b, comm + 18));
    // MARK: 251 "zero" (7 + 4 + pad), 252 "beg Loop", 253 "end Loop" (7 + 8 + pad each).
    EXPECT_EQ(3u, Be16At(b, mark + 8));
    EXPECT_EQ(2u + 12 + 16 + 16, Be32At(b, mark + 4));
    EXPECT_EQ(251u, Be16At(b, mark + 10));
    EXPECT_EQ(2u, Be32At(b, mark + 12));
    EXPECT_EQ(4, b[mark + 16]);
    EXPECT_EQ(252u, Be16At(b, mark + 22));
    EXPECT_EQ(1u, Be32At(b, mark + 24));
    EXPECT_EQ(253u, Be16At(b, mark + 38));
    EXPECT_EQ(6u, Be32At(b, mark + 40));
    // INST: keys, detune, zero velocities and gain, the loop modes and marker ids.
    const uint8_t instData[20] = {60, uint8_t(-7), 10, 100, 0, 0, 0, 0, 0, 2,
                                  0,  252,         0,  253, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(20u, Be32At(b, inst + 4));
    EXPECT_EQ(0, std::memcmp(&b[inst + 8], instData, 20));
    EXPECT_EQ(4u, Be32At(b, name + 4));
    EXPECT_EQ(9u * 2 + 8, Be32At(b, ssnd + 4));
    EXPECT_EQ(size_t(ssnd) + 16 + 18, b.size());
    // First samples: trunc(x * 32768), big-endian.
    int16_t first = int16_t(Be16At(b, ssnd + 16 + 2));
    EXPECT_EQ(int16_t(std::trunc(double(r.leftSamples[1]) * 32768.0)), first);
}

TEST(Aiff, RoundTripKeepsLoopsMarkersKeyMapAndName) {
    TempFolder dir;
    for (int bits : {16, 24}) {
        TestWave w(3000, 2, 48000);
        WaveRecord& r = w.record;
        r.name = "Round trip";
        r.keyRoot = 72;
        r.fineTune = 33;
        r.keyLow = 1;
        r.keyHigh = 126;
        SetMarker(r, 0, 0, "first");
        SetMarker(r, 2999, 17, nullptr);
        SetLoop(r, 100, 999, 0, 7);
        SetLoop(r, 1500, 2500, 1, 3);
        r.sustainLoopId = 7;
        r.releaseLoopId = 3;
        ASSERT_EQ(kFileOk, WriteAiff(dir / "r.aif", r, bits));
        Loaded in;
        ReadOutcome out = ReadAiff(dir / "r.aif", in.record);
        ASSERT_EQ(kFileOk, out.result);
        EXPECT_EQ(bits == 16 ? kFormatAiff16 : kFormatAiff24, out.format);
        WaveRecord& g = in.record;
        EXPECT_EQ(3000u, g.frameCount);
        EXPECT_EQ(48000u, g.sampleRate);
        EXPECT_NE(nullptr, g.rightSamples);
        EXPECT_EQ("Round trip", g.name);
        EXPECT_EQ(72, g.keyRoot);
        EXPECT_EQ(33, g.fineTune);
        EXPECT_EQ(1, g.keyLow);
        EXPECT_EQ(126, g.keyHigh);
        ASSERT_EQ(0, g.sustainLoopId);
        ASSERT_EQ(1, g.releaseLoopId);
        LoopNode* sustain = FindLoop(g, 0);
        LoopNode* release = FindLoop(g, 1);
        ASSERT_TRUE(sustain && release);
        EXPECT_EQ(100u, sustain->start);
        EXPECT_EQ(999u, sustain->end);
        EXPECT_EQ(0, sustain->type);
        EXPECT_EQ(1500u, release->start);
        EXPECT_EQ(2500u, release->end);
        EXPECT_EQ(1, release->type);
        // The loop markers became loops; the plain markers stay.
        ASSERT_NE(nullptr, FindMarker(g, 0));
        EXPECT_EQ("first", FindMarker(g, 0)->name);
        ASSERT_NE(nullptr, FindMarker(g, 17));
        EXPECT_EQ(2999u, FindMarker(g, 17)->position);
        int markers = 0;
        for (MarkerNode* m = g.markers; m; m = m->next) ++markers;
        EXPECT_EQ(2, markers);
        // Written at the reader's scale and truncated: within one step below.
        double step = bits == 16 ? 1.0 / 32768 : 1.0 / 8388608;
        for (uint32_t i = 0; i < 3000; ++i) {
            ASSERT_NEAR(r.leftSamples[i], g.leftSamples[i], step);
            ASSERT_NEAR(r.rightSamples[i], g.rightSamples[i], step);
        }
    }
}

TEST(Aiff, MarkerEdgeCases) {
    TempFolder dir;
    {  // A sustain loop and no markers: MARK with 252 and 253, INST; back as loop 0, no markers.
        TestWave w(100, 1);
        SetLoop(w.record, 10, 50, 0, 0);
        w.record.sustainLoopId = 0;
        ASSERT_EQ(kFileOk, WriteAiff(dir / "a.aif", w.record, 16));
        Loaded in;
        ASSERT_EQ(kFileOk, ReadAiff(dir / "a.aif", in.record).result);
        EXPECT_EQ(nullptr, in.record.markers);
        EXPECT_EQ(0, in.record.sustainLoopId);
        EXPECT_EQ(-1, in.record.releaseLoopId);
    }
    {  // Only markers 251..255 and no loops: a MARK chunk with count 0, no INST.
        TestWave w(100, 1);
        SetMarker(w.record, 3, 251, "x");
        SetMarker(w.record, 4, 255, nullptr);
        ASSERT_EQ(kFileOk, WriteAiff(dir / "b.aif", w.record, 16));
        auto b = ReadBytes(dir / "b.aif");
        long mark = FindIff(b, "MARK");
        ASSERT_GT(mark, 0);
        EXPECT_EQ(2u, Be32At(b, mark + 4));
        EXPECT_EQ(0u, Be16At(b, mark + 8));
        EXPECT_EQ(-1, FindIff(b, "INST"));
        // Without INST the key map takes its defaults.
        Loaded in;
        ASSERT_EQ(kFileOk, ReadAiff(dir / "b.aif", in.record).result);
        EXPECT_EQ(60, in.record.keyRoot);
        EXPECT_EQ(0, in.record.keyLow);
        EXPECT_EQ(127, in.record.keyHigh);
        EXPECT_EQ("Untitled", in.record.name);
    }
    {  // INST without MARK: its key map is not taken. An 8-bit file loads as code 0.
        Bytes inst;
        inst.Id("INST").Be32(20).U8(40).U8(10).U8(30).U8(50).Zeros(16);
        WriteBytes(dir / "c.aif", AiffImage(1, 4, 8, inst.b, {0x00, 0x40, 0x80, 0xC0}));
        Loaded in;
        ReadOutcome out = ReadAiff(dir / "c.aif", in.record);
        ASSERT_EQ(kFileOk, out.result);
        EXPECT_EQ(kFormatAiff16, out.format);
        EXPECT_EQ(60, in.record.keyRoot);
        EXPECT_EQ(127, in.record.keyHigh);
        EXPECT_FLOAT_EQ(0.5f, in.record.leftSamples[1]);
        EXPECT_FLOAT_EQ(-1.0f, in.record.leftSamples[2]);
        EXPECT_FLOAT_EQ(-0.5f, in.record.leftSamples[3]);
    }
    {  // INST key numbers and fine tune out of range are limited.
        Bytes extra;
        extra.Id("MARK").Be32(2).Be16(0);
        extra.Id("INST").Be32(20).U8(0x90).U8(100).U8(0xFF).U8(0x7F).Zeros(16);
        WriteBytes(dir / "d.aif", AiffImage(1, 2, 16, extra.b, {0, 1, 0, 2}));
        Loaded in;
        ASSERT_EQ(kFileOk, ReadAiff(dir / "d.aif", in.record).result);
        EXPECT_EQ(0, in.record.keyRoot);
        EXPECT_EQ(50, in.record.fineTune);
        EXPECT_EQ(0, in.record.keyLow);
        EXPECT_EQ(127, in.record.keyHigh);
    }
}

TEST(Aiff, HostileFilesGiveResultCodes) {
    TempFolder dir;
    std::vector<uint8_t> four = {0, 1, 0, 2, 0, 3, 0, 4};
    struct Case {
        std::vector<uint8_t> bytes;
        int result;
        bool recognised;
    } cases[] = {
        {AiffImage(3, 1, 16, {}, {0, 0, 0, 0, 0, 0}), kFormatNotSupported, true},
        {AiffImage(0, 4, 16, {}, four), kFormatNotSupported, true},
        {AiffImage(1, 4, 0, {}, four), kFormatNotSupported, true},
        {AiffImage(1, 4, 33, {}, four), kFormatNotSupported, true},
        {AiffImage(1, 0, 16, {}, four), kFormatNotSupported, true},
        // Frames beyond the bytes in the file: a read error, nothing allocated.
        {AiffImage(2, 0xFFFFFFF0u, 16, {}, four), kFileReadError, true},
        {AiffImage(1, 4, 16, {}, four, "AIFC"), kFormatNotSupported, true},
        {AiffImage(1, 4, 16, {}, four, "WAVE"), kFileTypeImproper, false},
        {{'F', 'O', 'R'}, kFileReadError, false},
    };
    for (auto& c : cases) {
        WriteBytes(dir / "h.aif", c.bytes);
        Loaded in;
        ReadOutcome out = ReadAiff(dir / "h.aif", in.record);
        EXPECT_EQ(c.result, out.result);
        EXPECT_EQ(c.recognised, out.recognised);
        EXPECT_EQ(nullptr, in.record.leftSamples);
        EXPECT_EQ(0u, in.record.frameCount);
    }
    // A MARK whose records run past the chunk and whose name lengths lie.
    Bytes mark;
    mark.Id("MARK").Be32(12).Be16(50).Be16(1).Be32(1).U8(200).Text("abc");
    WriteBytes(dir / "m.aif", AiffImage(1, 4, 16, mark.b, four));
    Loaded in;
    EXPECT_EQ(kFileOk, ReadAiff(dir / "m.aif", in.record).result);
    EXPECT_EQ(nullptr, in.record.markers);
    // Every truncation of a valid file gives a result, never a fault.
    TestWave w(50, 2);
    SetLoop(w.record, 5, 20, 0, 1);
    w.record.sustainLoopId = 1;
    SetMarker(w.record, 7, 3, "m");
    ASSERT_EQ(kFileOk, WriteAiff(dir / "v.aif", w.record, 24));
    auto whole = ReadBytes(dir / "v.aif");
    for (size_t n = 0; n < whole.size(); n += 3) {
        WriteBytes(dir / "t.aif", std::vector<uint8_t>(whole.begin(), whole.begin() + long(n)));
        Loaded t;
        ReadOutcome out = ReadAiff(dir / "t.aif", t.record);
        if (out.result != kFileOk) {
            EXPECT_EQ(nullptr, t.record.leftSamples);
        }
    }
}

}  // namespace
}  // namespace ob
