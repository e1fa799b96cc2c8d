// 8SVX: octaves, the repeat part as sustain loop, the writer's one-shot and
// repeat lengths, and hostile headers.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/sound_formats.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

std::vector<uint8_t> SvxImage(uint32_t oneShot, uint32_t repeat, uint16_t rate, uint8_t octaves,
                              uint8_t compression, const std::vector<uint8_t>& body,
                              const std::string& name = "") {
    Bytes f;
    f.Id("FORM").Be32(0).Id("8SVX");
    f.Id("VHDR")
        .Be32(20)
        .Be32(oneShot)
        .Be32(repeat)
        .Be32(0)
        .Be16(rate)
        .U8(octaves)
        .U8(compression)
        .Be32(65536);
    if (!name.empty()) {
        f.Id("NAME").Be32(uint32_t(name.size())).Text(name);
        if (name.size() & 1) f.U8(0);
    }
    f.Id("BODY").Be32(uint32_t(body.size()));
    f.b.insert(f.b.end(), body.begin(), body.end());
    uint32_t size = uint32_t(f.b.size() - 8);
    for (int i = 0; i < 4; ++i) f.b[4 + i] = uint8_t(size >> (24 - 8 * i));
    return f.b;
}

TEST(Svx8, ThreeOctavesLoadTheLastWithTheScaledLoop) {
    TempFolder dir;
    // one-shot 100 + repeat 50: octaves of 150, 300 and 600 bytes.
    std::vector<uint8_t> body(150 + 300, 0x11);
    for (int i = 0; i < 600; ++i) body.push_back(uint8_t(i % 256));
    WriteBytes(dir / "o.svx", SvxImage(100, 50, 16000, 3, 0, body, "Oct"));
    Loaded in;
    ReadOutcome out = Read8svx(dir / "o.svx", in.record);
    ASSERT_EQ(kFileOk, out.result);
    EXPECT_EQ(kFormat8svx, out.format);
    WaveRecord& r = in.record;
    EXPECT_EQ(600u, r.frameCount);
    EXPECT_EQ(16000u, r.sampleRate);
    EXPECT_EQ("Oct", r.name);
    ASSERT_EQ(1, r.sustainLoopId);
    LoopNode* loop = FindLoop(r, 1);
    ASSERT_NE(nullptr, loop);
    EXPECT_EQ(400u, loop->start);
    EXPECT_EQ(599u, loop->end);
    for (int i = 0; i < 600; ++i)
        ASSERT_FLOAT_EQ(float(int8_t(i % 256)) / 128.0f, r.leftSamples[i]);
    // No NAME: "Untitled"; rate 0: 22050.
    WriteBytes(dir / "p.svx", SvxImage(4, 0, 0, 1, 0, {1, 2, 3, 4}));
    Loaded plain;
    ASSERT_EQ(kFileOk, Read8svx(dir / "p.svx", plain.record).result);
    EXPECT_EQ("Untitled", plain.record.name);
    EXPECT_EQ(22050u, plain.record.sampleRate);
    EXPECT_EQ(nullptr, plain.record.loops);
}

TEST(Svx8, WriterStoresOneShotAndRepeat) {
    TempFolder dir;
    TestWave w(10000, 2, 96000);
    SetLoop(w.record, 2000, 4999, 0, 2);
    w.record.sustainLoopId = 2;
    w.record.name = "Odd";
    ASSERT_EQ(kFileOk, Write8svx(dir / "w.svx", w.record));
    auto b = ReadBytes(dir / "w.svx");
    EXPECT_EQ(b.size() - 8, Be32At(b, 4));
    EXPECT_EQ(2000u, Be32At(b, 20));   // one-shot
    EXPECT_EQ(3000u, Be32At(b, 24));   // repeat
    EXPECT_EQ(65535u, Be16At(b, 32));  // 96000 Hz does not fit
    EXPECT_EQ(1, b[34]);
    EXPECT_EQ(0, b[35]);
    EXPECT_EQ(65536u, Be32At(b, 36));
    EXPECT_EQ(0, std::memcmp(&b[40], "NAME", 4));
    EXPECT_EQ(3u, Be32At(b, 44));
    EXPECT_EQ(0, b[51]);  // pad after the odd name
    EXPECT_EQ(0, std::memcmp(&b[52], "BODY", 4));
    EXPECT_EQ(5000u, Be32At(b, 56));
    EXPECT_EQ(60u + 5000, b.size());
    for (int i = 0; i < 5000; i += 97)
        ASSERT_EQ(int8_t(std::min(std::trunc(double(w.record.leftSamples[i]) * 128.0), 127.0)),
                  int8_t(b[60 + i]));
    Loaded in;
    ASSERT_EQ(kFileOk, Read8svx(dir / "w.svx", in.record).result);
    EXPECT_EQ(5000u, in.record.frameCount);
    EXPECT_EQ(nullptr, in.record.rightSamples);
    LoopNode* loop = FindLoop(in.record, 1);
    ASSERT_NE(nullptr, loop);
    EXPECT_EQ(2000u, loop->start);
    EXPECT_EQ(4999u, loop->end);
    // Without a loop the whole left channel is one-shot; the name is always written.
    TestWave plain(7, 1);
    plain.record.name = "Untitled";
    ASSERT_EQ(kFileOk, Write8svx(dir / "n.svx", plain.record));
    b = ReadBytes(dir / "n.svx");
    EXPECT_EQ(7u, Be32At(b, 20));
    EXPECT_EQ(0u, Be32At(b, 24));
    EXPECT_EQ(8u, Be32At(b, 44));
    EXPECT_EQ(b.size(), 12u + 28 + 16 + 8 + 8);  // odd BODY padded
}

TEST(Svx8, HostileHeaders) {
    TempFolder dir;
    struct Case {
        std::vector<uint8_t> bytes;
        int result;
    } cases[] = {
        {SvxImage(10, 0, 8000, 0, 0, std::vector<uint8_t>(10)), kFormatNotSupported},
        {SvxImage(10, 0, 8000, 1, 1, std::vector<uint8_t>(10)), kFormatNotSupported},
        {SvxImage(10, 0, 8000, 200, 0, std::vector<uint8_t>(10)), kFormatNotSupported},
        {SvxImage(0, 0, 8000, 1, 0, std::vector<uint8_t>(10)), kFormatNotSupported},
        // 2 octaves need 30 bytes; the body holds 20.
        {SvxImage(10, 0, 8000, 2, 0, std::vector<uint8_t>(20)), kFileReadError},
        {SvxImage(0xFFFFFFFFu, 0xFFFFFFFFu, 8000, 24, 0, std::vector<uint8_t>(4)),
         kFormatNotSupported},
    };
    for (auto& c : cases) {
        WriteBytes(dir / "h.svx", c.bytes);
        Loaded in;
        ReadOutcome out = Read8svx(dir / "h.svx", in.record);
        EXPECT_TRUE(out.recognised);
        EXPECT_EQ(c.result, out.result);
        EXPECT_EQ(nullptr, in.record.leftSamples);
    }
    auto whole = SvxImage(100, 20, 8000, 2, 0, std::vector<uint8_t>(240, 5), "abc");
    for (size_t n = 0; n < whole.size(); n += 5) {
        WriteBytes(dir / "t.svx", std::vector<uint8_t>(whole.begin(), whole.begin() + long(n)));
        Loaded t;
        if (Read8svx(dir / "t.svx", t.record).result != kFileOk) {
            EXPECT_EQ(nullptr, t.record.leftSamples);
        }
    }
}

}  // namespace
}  // namespace ob
