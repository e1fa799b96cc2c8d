// WAV reader and writer: the layout of every chunk we write, what the reader
// takes from each chunk, sample depths and clamping, and hostile files
// (truncated, lying sizes, random bytes) that must give a result code.
#include "formats/wav.h"

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "formats/sound_io.h"
#include "gtest/gtest.h"
#include "tests/formats/wav_test_support.h"
#include "tests/wave/overview_reference.h"
#include "wave/file_result.h"
#include "wave/memory.h"

namespace ob {
namespace {

using namespace wavtest;

// A record released at the end of the test.
struct Wave : WaveRecord {
    ~Wave() { DiscardWave(*this); }
};

// The wave that the layout tests write: stereo, 10 frames, every kind of metadata.
void Decorate(WaveRecord& r) {
    MakeWave(r, 10, true, 44101);
    r.keyRoot = 60;
    r.fineTune = -25;
    r.keyLow = 10;
    r.keyHigh = 100;
    r.name = "Piano C3";
    SetLoop(r, 1, 8, 1, 3);
    SetLoop(r, 2, 6, 0, 5);
    SetLoop(r, 0, 9, 0, 7);
    r.sustainLoopId = 5;
    r.releaseLoopId = 7;
    SetMarker(r, 2, 0, "start");
    SetMarker(r, 7, 1, nullptr);
    SetMarker(r, 4, 9, "ab");
}

TEST(WavWrite, LayoutOfEveryChunk) {
    TempDir dir;
    Wave r;
    Decorate(r);
    ASSERT_EQ(WriteWave(dir / "a.wav", r, 16, kWavOptionsAll), kFileOk);
    std::vector<uint8_t> b = ReadBytes(dir / "a.wav");
    ASSERT_GT(b.size(), 44u);
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(Le32(&b[4]), b.size() - 8);
    EXPECT_EQ(std::memcmp(&b[8], "WAVE", 4), 0);

    long fmt = FindChunk(b, "fmt ");
    ASSERT_EQ(fmt, 12);
    EXPECT_EQ(Le32(&b[fmt + 4]), 16u);
    EXPECT_EQ(Le16(&b[fmt + 8]), 1);         // PCM
    EXPECT_EQ(Le16(&b[fmt + 10]), 2);        // channels
    EXPECT_EQ(Le32(&b[fmt + 12]), 44100u);   // 44101 snapped
    EXPECT_EQ(Le32(&b[fmt + 16]), 176400u);  // bytes per second
    EXPECT_EQ(Le16(&b[fmt + 20]), 4);
    EXPECT_EQ(Le16(&b[fmt + 22]), 16);

    long inst = FindChunk(b, "inst");
    ASSERT_GT(inst, 0);
    EXPECT_EQ(Le32(&b[inst + 4]), 7u);
    const uint8_t instBytes[8] = {60, uint8_t(-25), 0, 10, 100, 127, 127, 0};
    EXPECT_EQ(std::memcmp(&b[inst + 8], instBytes, 8), 0);  // with its pad byte: 16 bytes

    long info = FindChunk(b, "LIST");
    ASSERT_GT(info, 0);
    EXPECT_EQ(Le32(&b[info + 4]), 48u + 10u);
    EXPECT_EQ(std::memcmp(&b[info + 8], "INFOISFT", 8), 0);
    EXPECT_EQ(Le32(&b[info + 16]), 28u);
    EXPECT_EQ(std::memcmp(&b[info + 20], "Sample Orbick by brightfold", 28), 0);
    EXPECT_EQ(std::memcmp(&b[info + 48], "INAM", 4), 0);
    EXPECT_EQ(Le32(&b[info + 52]), 9u);
    EXPECT_EQ(std::memcmp(&b[info + 56], "Piano C3\0\0", 10), 0);

    long smpl = FindChunk(b, "smpl");
    ASSERT_GT(smpl, 0);
    const uint8_t* s = &b[smpl + 8];
    EXPECT_EQ(Le32(&b[smpl + 4]), 36u + 3 * 24u);
    EXPECT_EQ(Le32(s + 8), 1000000000u / 44101u);  // period from the exact rate
    EXPECT_EQ(Le32(s + 12), 59u);                  // unity note one lower for negative tune
    EXPECT_EQ(Le32(s + 16), 75u * 42949672u);
    EXPECT_EQ(Le32(s + 28), 3u);
    EXPECT_EQ(Le32(s + 32), 0u);
    // Sustain loop first, then release, then the others; roles play 0 times.
    const uint32_t loops[3][6] = {{5, 0, 2, 6, 0, 0}, {7, 0, 0, 9, 0, 0}, {3, 1, 1, 8, 0, 1}};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 6; ++k) EXPECT_EQ(Le32(s + 36 + 24 * i + 4 * k), loops[i][k]) << i << k;

    long cue = FindChunk(b, "cue ");
    ASSERT_GT(cue, 0);
    EXPECT_EQ(Le32(&b[cue + 4]), 4u + 3 * 24u);
    EXPECT_EQ(Le32(&b[cue + 8]), 3u);
    const uint32_t cues[3][2] = {{9, 4}, {1, 7}, {0, 2}};  // list order: newest first
    for (int i = 0; i < 3; ++i) {
        const uint8_t* c = &b[cue + 12 + 24 * i];
        EXPECT_EQ(Le32(c), cues[i][0]);
        EXPECT_EQ(Le32(c + 4), cues[i][1]);
        EXPECT_EQ(std::memcmp(c + 8, "data", 4), 0);
        EXPECT_EQ(Le32(c + 12), 0u);
        EXPECT_EQ(Le32(c + 16), cues[i][1] * 2);  // bytes per sample of 16 bit
        EXPECT_EQ(Le32(c + 20), cues[i][1]);
    }
    // adtl follows the cue chunk: notes for the named markers only.
    long adtl = cue + 8 + 76;
    ASSERT_EQ(std::memcmp(&b[adtl], "LIST", 4), 0);
    EXPECT_EQ(Le32(&b[adtl + 4]), 4u + 16u + 18u);
    EXPECT_EQ(std::memcmp(&b[adtl + 8], "adtlnote", 8), 0);
    EXPECT_EQ(Le32(&b[adtl + 16]), 7u);
    EXPECT_EQ(Le32(&b[adtl + 20]), 9u);
    EXPECT_EQ(std::memcmp(&b[adtl + 24], "ab\0\0", 4), 0);  // NUL and pad
    EXPECT_EQ(std::memcmp(&b[adtl + 28], "note", 4), 0);
    EXPECT_EQ(Le32(&b[adtl + 32]), 10u);
    EXPECT_EQ(Le32(&b[adtl + 36]), 0u);
    EXPECT_EQ(std::memcmp(&b[adtl + 40], "start\0", 6), 0);

    long data = FindChunk(b, "data");
    ASSERT_GT(data, adtl);
    EXPECT_EQ(Le32(&b[data + 4]), 40u);
    EXPECT_EQ(size_t(data) + 8 + 40, b.size());

    // Reading it back gives the same wave (inst wins for key and tune).
    Wave back;
    WaveReadResult rr = ReadWave(dir / "a.wav", back);
    ASSERT_EQ(rr.result, kFileOk);
    EXPECT_TRUE(rr.recognised);
    EXPECT_EQ(rr.formatCode, kFormatWav16);
    EXPECT_EQ(back.frameCount, 10u);
    EXPECT_EQ(back.viewSpan, 10u);
    EXPECT_EQ(back.sampleRate, 44100u);
    EXPECT_EQ(back.keyRoot, 60);
    EXPECT_EQ(back.fineTune, -25);
    EXPECT_EQ(back.keyLow, 10);
    EXPECT_EQ(back.keyHigh, 100);
    EXPECT_EQ(back.name, "Piano C3");
    EXPECT_EQ(back.sustainLoopId, 5);
    EXPECT_EQ(back.releaseLoopId, 7);
    LoopNode* l3 = FindLoop(back, 3);
    ASSERT_TRUE(l3);
    EXPECT_EQ(l3->start, 1u);
    EXPECT_EQ(l3->end, 8u);
    EXPECT_EQ(l3->type, 1);
    EXPECT_EQ(l3->playCount, 1u);
    ASSERT_TRUE(FindLoop(back, 5));
    EXPECT_EQ(FindLoop(back, 5)->playCount, kLoopEndless);
    ASSERT_TRUE(FindMarker(back, 9));
    EXPECT_EQ(FindMarker(back, 9)->position, 4u);
    EXPECT_EQ(FindMarker(back, 9)->name, "ab");
    EXPECT_EQ(FindMarker(back, 0)->name, "start");
    EXPECT_EQ(FindMarker(back, 1)->position, 7u);
    EXPECT_EQ(FindMarker(back, 1)->name, "");
    for (uint32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(
            back.leftSamples[i],
            float(std::min(std::trunc(double(r.leftSamples[i]) * 32768.0), 32767.0) / 32768.0));
        EXPECT_EQ(
            back.rightSamples[i],
            float(std::min(std::trunc(double(r.rightSamples[i]) * 32768.0), 32767.0) / 32768.0));
    }
}

// Patches a u32 inside the first chunk `id` of a file.
void PatchChunk(const std::string& path, const char* id, size_t offset, uint32_t v) {
    std::vector<uint8_t> b = ReadBytes(path);
    long at = FindChunk(b, id);
    ASSERT_GT(at, 0) << id;
    std::memcpy(&b[at + 8 + offset], &v, 4);
    WriteBytes(path, b);
}

TEST(WavRead, KeyAndTuneFromSmpl) {
    TempDir dir;
    std::string path = dir / "k.wav";
    Wave r;
    MakeWave(r, 100, false);
    r.keyRoot = 60;
    r.fineTune = -25;
    // smpl only: unity 59 with 75 cents reads back as 60 and -25.
    ASSERT_EQ(WriteWave(path, r, 16, kWavOptionSmpl), kFileOk);
    {
        Wave back;
        ASSERT_EQ(ReadWave(path, back).result, kFileOk);
        EXPECT_EQ(back.keyRoot, 60);
        EXPECT_EQ(back.fineTune, -25);
    }
    PatchChunk(path, "smpl", 16, 2147483648u);  // 50 cents
    {
        Wave back;
        ASSERT_EQ(ReadWave(path, back).result, kFileOk);
        EXPECT_EQ(back.keyRoot, 59);
        EXPECT_EQ(back.fineTune, 50);
    }
    PatchChunk(path, "smpl", 16, 3221225472u);  // 75 cents
    PatchChunk(path, "smpl", 12, 127);
    {
        Wave back;
        ASSERT_EQ(ReadWave(path, back).result, kFileOk);
        EXPECT_EQ(back.keyRoot, 127);  // already at the top: not raised
        EXPECT_EQ(back.fineTune, -25);
    }
    PatchChunk(path, "smpl", 12, 500);
    PatchChunk(path, "smpl", 16, 0);
    {
        Wave back;
        ASSERT_EQ(ReadWave(path, back).result, kFileOk);
        EXPECT_EQ(back.keyRoot, 127);
        EXPECT_EQ(back.fineTune, 0);
    }
    // inst and smpl: inst wins.
    r.fineTune = 10;
    ASSERT_EQ(WriteWave(path, r, 16, kWavOptionSmpl | kWavOptionInst), kFileOk);
    PatchChunk(path, "smpl", 12, 70);
    {
        Wave back;
        ASSERT_EQ(ReadWave(path, back).result, kFileOk);
        EXPECT_EQ(back.keyRoot, 60);
        EXPECT_EQ(back.fineTune, 10);
    }
    // inst values beyond their ranges are limited.
    std::vector<uint8_t> b = ReadBytes(path);
    long inst = FindChunk(b, "inst");
    b[inst + 8] = 200;
    b[inst + 9] = uint8_t(-100);
    b[inst + 11] = 130;
    b[inst + 12] = 255;
    WriteBytes(path, b);
    {
        Wave back;
        ASSERT_EQ(ReadWave(path, back).result, kFileOk);
        EXPECT_EQ(back.keyRoot, 127);
        EXPECT_EQ(back.fineTune, -50);
        EXPECT_EQ(back.keyLow, 127);
        EXPECT_EQ(back.keyHigh, 127);
    }
}

TEST(WavRead, IdsOf256AndMoreAreSkipped) {
    TempDir dir;
    std::string path = dir / "ids.wav";
    Wave r;
    MakeWave(r, 100, false);
    SetLoop(r, 10, 20, 0, 4);
    SetMarker(r, 30, 6, "six");
    ASSERT_EQ(WriteWave(path, r, 8, kWavOptionsAll), kFileOk);
    PatchChunk(path, "smpl", 36, 256);  // loop id
    PatchChunk(path, "cue ", 4, 300);   // cue id
    Wave back;
    ASSERT_EQ(ReadWave(path, back).result, kFileOk);
    EXPECT_EQ(back.loops, nullptr);
    EXPECT_EQ(back.markers, nullptr);
}

TEST(WavWrite, OptionalChunksFollowTheOptions) {
    TempDir dir;
    std::string path = dir / "o.wav";
    Wave r;
    MakeWave(r, 3, false);
    r.name = "uNtItLeD";
    SetMarker(r, 1, 0, "m");
    ASSERT_EQ(WriteWave(path, r, 8, kWavOptionsAll & ~kWavOptionCue), kFileOk);
    std::vector<uint8_t> b = ReadBytes(path);
    EXPECT_EQ(FindChunk(b, "LIST"), -1);  // "Untitled" in any case: no name
    EXPECT_EQ(FindChunk(b, "inst"), -1);  // key map and tune all 0
    EXPECT_EQ(FindChunk(b, "cue "), -1);
    long smpl = FindChunk(b, "smpl");
    ASSERT_GT(smpl, 0);  // written with no loops
    EXPECT_EQ(Le32(&b[smpl + 4]), 36u);
    EXPECT_EQ(Le32(&b[smpl + 8 + 28]), 0u);

    // 8-bit mono of 3 frames: data size 3 and one pad byte.
    r.name = "";
    ASSERT_EQ(WriteWave(path, r, 7, 0), kFileOk);
    b = ReadBytes(path);
    EXPECT_EQ(b.size(), 12u + 24u + 8u + 4u);
    EXPECT_EQ(Le32(&b[4]), b.size() - 8);
    long data = FindChunk(b, "data");
    EXPECT_EQ(Le32(&b[data + 4]), 3u);
    EXPECT_EQ(b.back(), 0);

    // 32 bit: IEEE float with the 18-byte fmt.
    ASSERT_EQ(WriteWave(path, r, 32, 0), kFileOk);
    b = ReadBytes(path);
    EXPECT_EQ(Le32(&b[16]), 18u);
    EXPECT_EQ(Le16(&b[20]), 3);
    EXPECT_EQ(Le16(&b[34]), 32);
    EXPECT_EQ(Le16(&b[36]), 0);
    EXPECT_EQ(FindChunk(b, "data"), 38);
}

TEST(WavWrite, IntegerDepthsClampAndFloatKeepsValues) {
    TempDir dir;
    std::string path = dir / "c.wav";
    Wave r;
    MakeWave(r, 6, false);
    const float in[6] = {1.5f, -1.5f, NAN, 0.5f, -0.25f, 1.0f};
    std::memcpy(r.leftSamples, in, sizeof in);

    ASSERT_EQ(WriteWave(path, r, 16, 0), kFileOk);
    std::vector<uint8_t> b = ReadBytes(path);
    const int16_t want16[6] = {32767, -32768, -32768, 16384, -8192, 32767};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(int16_t(Le16(&b[44 + 2 * i])), want16[i]) << i;

    ASSERT_EQ(WriteWave(path, r, 24, 0), kFileOk);
    b = ReadBytes(path);
    const int32_t want24[6] = {8388607, -8388608, -8388608, 4194304, -2097152, 8388607};
    for (int i = 0; i < 6; ++i) {
        const uint8_t* p = &b[44 + 3 * i];
        int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
        EXPECT_EQ(v, want24[i]) << i;
    }

    ASSERT_EQ(WriteWave(path, r, 8, 0), kFileOk);
    b = ReadBytes(path);
    const uint8_t want8[6] = {255, 0, 0, 192, 96, 255};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b[44 + i], want8[i]) << i;

    ASSERT_EQ(WriteWave(path, r, 32, 0), kFileOk);
    Wave back;
    ASSERT_EQ(ReadWave(path, back).result, kFileOk);
    EXPECT_EQ(back.leftSamples[0], 1.5f);
    EXPECT_EQ(back.leftSamples[1], -1.5f);
    EXPECT_TRUE(std::isnan(back.leftSamples[2]));
    EXPECT_EQ(back.leftSamples[4], -0.25f);
}

TEST(WavRead, DecodesEveryDepthAndExtensible) {
    TempDir dir;
    std::string path = dir / "d.wav";
    struct Case {
        uint16_t tag, bits;
        std::vector<uint8_t> data;
        int code;
        float first, last;
    };
    const Case cases[] = {
        {1, 8, {0, 128, 255}, kFormatWav8, -1.0f, 127.0f / 128},
        {1, 16, {0x00, 0x80, 0, 0, 0xFF, 0x7F}, kFormatWav16, -1.0f, 32767.0f / 32768},
        {1, 24, {0, 0, 0x80, 0, 0, 0, 0xFF, 0xFF, 0x7F}, kFormatWav24, -1.0f, 8388607.0f / 8388608},
        {3, 32, {0, 0, 0xC0, 0xBF, 0, 0, 0, 0, 0, 0, 0x80, 0x3E}, kFormatWav32, -1.5f, 0.25f},
        // 32-bit integers at the 2^31 scale; saved again as float.
        {1,
         32,
         {0, 0, 0, 0x80, 0, 0, 0, 0, 0x00, 0x01, 0x00, 0x40},
         kFormatWav32,
         -1.0f,
         float(0x40000100 / 2147483648.0)},
    };
    for (const Case& c : cases) {
        WriteBytes(path, MinimalWave(c.tag, 1, 22050, c.bits, c.data));
        Wave back;
        WaveReadResult rr = ReadWave(path, back);
        ASSERT_EQ(rr.result, kFileOk) << c.bits;
        EXPECT_EQ(rr.formatCode, c.code);
        ASSERT_EQ(back.frameCount, 3u);
        EXPECT_EQ(back.rightSamples, nullptr);
        EXPECT_EQ(back.sampleRate, 22050u);
        EXPECT_EQ(back.leftSamples[0], c.first) << c.bits;
        EXPECT_EQ(back.leftSamples[1], 0.0f) << c.bits;
        EXPECT_EQ(back.leftSamples[2], c.last) << c.bits;
    }

    // WAVE_FORMAT_EXTENSIBLE with a PCM or float sub-format reads like tags 1 and 3.
    auto extensible = [](uint16_t channels, uint16_t bits, uint16_t subTag, uint16_t valid = 0) {
        std::vector<uint8_t> b;
        PutId(b, "RIFF");
        PutLe32(b, 0);
        PutId(b, "WAVE");
        PutId(b, "fmt ");
        PutLe32(b, 40);
        PutLe16(b, 0xFFFE);
        PutLe16(b, channels);
        PutLe32(b, 48000);
        PutLe32(b, 48000u * channels * bits / 8);
        PutLe16(b, uint16_t(channels * bits / 8));
        PutLe16(b, bits);
        PutLe16(b, 22);
        PutLe16(b, valid ? valid : bits);
        PutLe32(b, channels == 1 ? 4 : 3);
        PutLe16(b, subTag);
        const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail, tail + 14);
        PutId(b, "data");
        uint32_t size = 2u * channels * bits / 8;
        PutLe32(b, size);
        b.insert(b.end(), size, 0x40);
        return b;
    };
    WriteBytes(path, extensible(2, 24, 1));
    {
        Wave back;
        WaveReadResult rr = ReadWave(path, back);
        ASSERT_EQ(rr.result, kFileOk);
        EXPECT_EQ(rr.formatCode, kFormatWav24);
        EXPECT_EQ(back.frameCount, 2u);
        EXPECT_NE(back.rightSamples, nullptr);
        EXPECT_EQ(back.sampleRate, 48000u);
    }
    WriteBytes(path, extensible(1, 32, 3));
    {
        Wave back;
        WaveReadResult rr = ReadWave(path, back);
        ASSERT_EQ(rr.result, kFileOk);
        EXPECT_EQ(rr.formatCode, kFormatWav32);
        EXPECT_EQ(back.leftSamples[0], 3.0039215f);  // 0x40404040 as float
    }
    // 32-bit PCM, all bits valid or 24 of them at the top of the container:
    // both read at the 2^31 scale; 24 valid bits save again as 24-bit.
    for (uint16_t valid : {0, 32, 24}) {
        WriteBytes(path, extensible(2, 32, 1, valid));
        Wave back;
        WaveReadResult rr = ReadWave(path, back);
        ASSERT_EQ(rr.result, kFileOk) << valid;
        EXPECT_EQ(rr.formatCode, valid == 24 ? kFormatWav24 : kFormatWav32);
        ASSERT_EQ(back.frameCount, 2u);
        ASSERT_NE(back.rightSamples, nullptr);
        EXPECT_EQ(back.rightSamples[1], float(0x40404040 / 2147483648.0));
    }
    WriteBytes(path, extensible(1, 24, 1, 32));  // more valid bits than the container holds
    EXPECT_EQ(ReadWave(path, *std::make_unique<Wave>()).result, kFormatNotSupported);
    WriteBytes(path, extensible(1, 16, 2));  // ADPCM sub-format
    EXPECT_EQ(ReadWave(path, *std::make_unique<Wave>()).result, kFormatNotSupported);
    WriteBytes(path, extensible(4, 16, 1));  // more than 2 channels
    EXPECT_EQ(ReadWave(path, *std::make_unique<Wave>()).result, kFormatNotSupported);
}

// Reads `bytes` as a WAV file; the record never keeps samples on failure.
WaveReadResult ReadImage(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteBytes(path, bytes);
    Wave r;
    WaveReadResult rr = ReadWave(path, r);
    if (rr.result != kFileOk) {
        EXPECT_EQ(r.leftSamples, nullptr);
    }
    EXPECT_GE(rr.result, 0);
    EXPECT_LT(rr.result, kFileResultCount);
    return rr;
}

TEST(WavRead, BadHeadersGiveResultCodes) {
    TempDir dir;
    std::string p = dir / "h.wav";
    std::vector<uint8_t> good = MinimalWave(1, 1, 44100, 16, {1, 2, 3, 4});

    std::vector<uint8_t> b = good;
    std::memcpy(b.data(), "RIFX", 4);
    WaveReadResult rr = ReadImage(p, b);
    EXPECT_EQ(rr.result, kFileFormImproper);
    EXPECT_FALSE(rr.recognised);
    b = good;
    std::memcpy(&b[8], "AVI ", 4);
    rr = ReadImage(p, b);
    EXPECT_EQ(rr.result, kFileTypeImproper);
    EXPECT_FALSE(rr.recognised);
    EXPECT_FALSE(ReadImage(p, {'R', 'I', 'F'}).recognised);
    EXPECT_EQ(ReadWave(dir / "missing.wav", *std::make_unique<Wave>()).result, kCantOpenFile);

    // No fmt, no data.
    b.assign(good.begin(), good.begin() + 12);
    EXPECT_EQ(ReadImage(p, b).result, kItemNotFound);
    b.assign(good.begin(), good.begin() + 36);
    rr = ReadImage(p, b);
    EXPECT_EQ(rr.result, kItemNotFound);
    EXPECT_TRUE(rr.recognised);

    // fmt too small, zero channels, unsupported combinations.
    b = good;
    b[16] = 14;
    EXPECT_EQ(ReadImage(p, b).result, kCorruptFile);
    EXPECT_EQ(ReadImage(p, MinimalWave(1, 0, 44100, 16, {1, 2})).result, kCorruptFile);
    EXPECT_EQ(ReadImage(p, MinimalWave(1, 3, 44100, 16, {1, 2, 3, 4, 5, 6})).result,
              kFormatNotSupported);
    EXPECT_EQ(ReadImage(p, MinimalWave(1, 1, 44100, 20, {1, 2, 3, 4})).result, kFormatNotSupported);
    EXPECT_EQ(ReadImage(p, MinimalWave(3, 1, 44100, 64, {1, 2, 3, 4, 5, 6, 7, 8})).result,
              kFormatNotSupported);
    EXPECT_EQ(ReadImage(p, MinimalWave(2, 1, 44100, 4, {1, 2, 3, 4})).result, kFormatNotSupported);
    EXPECT_EQ(ReadImage(p, MinimalWave(6, 1, 44100, 16, {1, 2, 3, 4})).result, kFormatNotSupported);
    // An empty data chunk holds no wave.
    EXPECT_EQ(ReadImage(p, MinimalWave(1, 1, 44100, 16, {})).result, kFormatNotSupported);

    // A rate outside 100..200000 becomes 22050.
    WriteBytes(p, MinimalWave(1, 1, 99, 8, {1, 2}));
    Wave low;
    ASSERT_EQ(ReadWave(p, low).result, kFileOk);
    EXPECT_EQ(low.sampleRate, 22050u);
}

TEST(WavRead, LyingSizesAreBoundedByTheFile) {
    TempDir dir;
    std::string p = dir / "s.wav";
    std::vector<uint8_t> good = MinimalWave(1, 2, 44100, 16, std::vector<uint8_t>(400, 7));

    // A data size far beyond the file: File Read Error without a large allocation.
    std::vector<uint8_t> b = good;
    long data = FindChunk(b, "data");
    uint32_t huge = 0xFFFFFFF0u;
    std::memcpy(&b[data + 4], &huge, 4);
    uint64_t before = GetAllocationStats().largeAllocations;
    WaveReadResult rr = ReadImage(p, b);
    EXPECT_EQ(rr.result, kFileReadError);
    EXPECT_TRUE(rr.recognised);
    EXPECT_EQ(GetAllocationStats().largeAllocations, before);

    // A data chunk one frame short of its size.
    b = good;
    b.resize(b.size() - 2);
    EXPECT_EQ(ReadImage(p, b).result, kFileReadError);

    // fmt claiming 4 GiB.
    b = good;
    uint32_t most = 0xFFFFFFFFu;
    std::memcpy(&b[16], &most, 4);
    EXPECT_EQ(ReadImage(p, b).result, kFileReadError);

    // An odd chunk of size 0xFFFFFFFF before fmt: the walk must not wrap around.
    b.assign(good.begin(), good.begin() + 12);
    PutId(b, "junk");
    PutLe32(b, 0xFFFFFFFFu);
    b.insert(b.end(), good.begin() + 12, good.end());
    EXPECT_EQ(ReadImage(p, b).result, kItemNotFound);

    // Metadata chunks with lying counts and sizes are bounded or skipped.
    b = good;
    PutId(b, "cue ");  // count 1000 with one cue point in the chunk
    PutLe32(b, 28);
    PutLe32(b, 1000);
    PutLe32(b, 4);
    PutLe32(b, 50);
    PutId(b, "data");
    PutLe32(b, 0);
    PutLe32(b, 0);
    PutLe32(b, 50);
    PutId(b, "inst");  // too small: skipped
    PutLe32(b, 3);
    b.insert(b.end(), {90, 5, 0, 0});
    PutId(b, "smpl");  // loop count and sampler data beyond the chunk
    PutLe32(b, 36 + 24);
    for (uint32_t v : {0u, 0u, 0u, 61u, 0u, 0u, 0u, 0x7FFFFFFFu, 0u, 2u, 0u, 10u, 20u, 0u, 0u})
        PutLe32(b, v);
    PutId(b, "LIST");  // INAM without a NUL, longer than a name may be
    PutLe32(b, 4 + 8 + 200);
    PutId(b, "INFO");
    PutId(b, "INAM");
    PutLe32(b, 200);
    b.insert(b.end(), 200, 'x');
    PutId(b, "LIST");  // adtl with a labl shorter than its cue id, then one for marker 4
    PutLe32(b, 4 + 10 + 16);
    PutId(b, "adtl");
    PutId(b, "labl");
    PutLe32(b, 2);
    b.insert(b.end(), {4, 0});
    PutId(b, "labl");
    PutLe32(b, 8);
    PutLe32(b, 4);
    b.insert(b.end(), {'c', 'u', 'e', '4'});  // no NUL: bounded by the sub-chunk
    PutId(b, "cue ");                         // a second cue chunk: only the first one counts
    PutLe32(b, 2);
    PutLe16(b, 0);
    {
        WriteBytes(p, b);
        Wave r;
        ASSERT_EQ(ReadWave(p, r).result, kFileOk);
        EXPECT_EQ(r.keyRoot, 61);  // from smpl: the short inst was skipped
        ASSERT_TRUE(FindMarker(r, 4));
        EXPECT_EQ(FindMarker(r, 4)->position, 50u);
        EXPECT_EQ(FindMarker(r, 4)->name, "cue4");
        EXPECT_EQ(r.markers->next, nullptr);
        ASSERT_TRUE(FindLoop(r, 2));
        EXPECT_EQ(FindLoop(r, 2)->end, 20u);
        EXPECT_EQ(r.loops->next, nullptr);
        EXPECT_EQ(r.name, std::string(kMaxNameLength, 'x'));
    }
    // A cue chunk smaller than its count field and a smpl with a huge sampler data size.
    b = good;
    PutId(b, "cue ");
    PutLe32(b, 2);
    PutLe16(b, 9);
    PutId(b, "smpl");
    PutLe32(b, 36 + 24);
    for (uint32_t v : {0u, 0u, 0u, 0u, 0u, 0u, 0u, 1u, 0xFFFFFFFFu, 2u, 0u, 10u, 20u, 0u, 0u})
        PutLe32(b, v);
    {
        WriteBytes(p, b);
        Wave r;
        ASSERT_EQ(ReadWave(p, r).result, kFileOk);
        EXPECT_EQ(r.markers, nullptr);
        EXPECT_EQ(r.loops, nullptr);
    }
}

TEST(WavRead, TruncatedAndRandomFilesGiveResultCodes) {
    TempDir dir;
    std::string full = dir / "full.wav";
    std::string p = dir / "t.wav";
    Wave r;
    Decorate(r);
    ASSERT_EQ(WriteWave(full, r, 24, kWavOptionsAll), kFileOk);
    std::vector<uint8_t> good = ReadBytes(full);
    for (size_t len = 0; len < good.size(); ++len) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(len));
        WaveReadResult rr = ReadImage(p, cut);
        EXPECT_NE(rr.result, kFileOk) << len;  // the data chunk is last: every cut loses samples
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> b = good;
        int flips = 1 + int(random() % 8);
        for (int i = 0; i < flips; ++i) b[12 + random() % (b.size() - 12)] = uint8_t(random());
        ReadImage(p, b);
        std::vector<uint8_t> noise(12 + random() % 300);
        for (uint8_t& x : noise) x = uint8_t(random());
        std::memcpy(noise.data(), "RIFF\0\0\0\0WAVE", 12);
        ReadImage(p, noise);
    }
}

TEST(WavRead, OutOfMemoryGivesNotEnoughMemory) {
    TempDir dir;
    std::string p = dir / "m.wav";
    Wave r;
    MakeWave(r, 20000, true);
    ASSERT_EQ(WriteWave(p, r, 16, 0), kFileOk);
    SetMemoryBudget(LargeBytesInUse() + 100000);  // room for one channel, not two
    Wave back;
    WaveReadResult rr = ReadWave(p, back);
    SetMemoryBudget(0);
    EXPECT_EQ(rr.result, kNotEnoughMemory);
    EXPECT_EQ(back.leftSamples, nullptr);
    EXPECT_EQ(back.frameCount, 0u);
}

TEST(WavWrite, RefusalsLeaveTheTargetUntouched) {
    TempDir dir;
    std::string target = dir / "keep.wav";
    WriteBytes(target, {'o', 'l', 'd'});
    auto onlyTarget = [&] {
        int n = 0;
        for (auto& e : std::filesystem::directory_iterator(dir.path)) n += e.path() != target;
        return n == 0;
    };

    Wave empty;
    EXPECT_EQ(WriteWave(target, empty, 16, kWavOptionsAll), kGeneralFileError);

    // Past the 4 GiB RIFF limit: refused before anything is written. The
    // samples are never read, so small buffers stand in for the huge wave.
    float left[4] = {}, right[4] = {};
    WaveRecord huge;
    huge.leftSamples = left;
    huge.rightSamples = right;
    huge.frameCount = 600000000;  // 4.8 GB of 32-bit stereo
    EXPECT_EQ(WriteWave(target, huge, 32, kWavOptionsAll), kFileWriteError);
    huge.frameCount = 0x3FFFFFF8u;  // 16-bit stereo: the data fits, the headers pass the limit
    EXPECT_EQ(WriteWave(target, huge, 16, kWavOptionsAll), kFileWriteError);
    EXPECT_EQ(ReadBytes(target), std::vector<uint8_t>({'o', 'l', 'd'}));
    EXPECT_TRUE(onlyTarget());

    // A write that fails midway (file size limit) removes only the temporary file.
    Wave r;
    MakeWave(r, 100000, true);
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 50000;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    int result = WriteWave(target, r, 16, kWavOptionsAll);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(result, kFileWriteError);
    EXPECT_EQ(ReadBytes(target), std::vector<uint8_t>({'o', 'l', 'd'}));
    EXPECT_TRUE(onlyTarget());

    // And a complete write replaces it.
    ASSERT_EQ(WriteWave(target, r, 16, kWavOptionsAll), kFileOk);
    EXPECT_EQ(ReadBytes(target).size(), 12u + 24u + 8u + 44u + 400000u);
    EXPECT_TRUE(onlyTarget());
}

}  // namespace
}  // namespace ob

namespace ob {
namespace {

using namespace wavtest;

// Mono 32-bit float moves between file and buffer without conversion: every
// bit pattern survives (NaN payloads, negative zero, denormals, beyond full
// scale), a chunk with a partial last frame gives the whole frames, and a
// file cut inside the samples is a read error.
TEST(WavRead, MonoFloatKeepsEveryBitPattern) {
    TempDir dir;
    const uint32_t bits[8] = {0x7FC12345u, 0xFF800001u, 0x80000000u, 0x00000001u,
                              0x3FC00000u, 0xBF800000u, 0x7F800000u, 0x3E800000u};
    auto image = [&](uint32_t dataBytes, size_t keep) {
        std::vector<uint8_t> b;
        PutId(b, "RIFF");
        PutLe32(b, 36 + dataBytes);
        PutId(b, "WAVE");
        PutId(b, "fmt ");
        PutLe32(b, 16);
        PutLe16(b, 3);
        PutLe16(b, 1);
        PutLe32(b, 48000);
        PutLe32(b, 192000);
        PutLe16(b, 4);
        PutLe16(b, 32);
        PutId(b, "data");
        PutLe32(b, dataBytes);
        for (uint32_t v : bits) PutLe32(b, v);
        b.resize(keep);
        return b;
    };
    std::string in = dir / "in.wav", out = dir / "out.wav";
    WriteBytes(in, image(32, 44 + 32));
    Wave r;
    ASSERT_EQ(ReadWave(in, r).result, kFileOk);
    ASSERT_EQ(r.frameCount, 8u);
    EXPECT_EQ(r.rightSamples, nullptr);
    EXPECT_EQ(std::memcmp(r.leftSamples, bits, sizeof bits), 0);
    ASSERT_EQ(WriteWave(out, r, 32, 0), kFileOk);
    std::vector<uint8_t> written = ReadBytes(out);
    long data = FindChunk(written, "data");
    ASSERT_GE(data, 0);
    EXPECT_EQ(Le32(&written[size_t(data) + 4]), 32u);
    EXPECT_EQ(std::memcmp(&written[size_t(data) + 8], bits, sizeof bits), 0);
    EXPECT_EQ(written.size(), size_t(data) + 8 + 32);

    Wave partial;
    WriteBytes(in, image(30, 44 + 32));  // 7 whole frames and 2 bytes
    ASSERT_EQ(ReadWave(in, partial).result, kFileOk);
    EXPECT_EQ(partial.frameCount, 7u);
    EXPECT_EQ(std::memcmp(partial.leftSamples, bits, 28), 0);
    for (size_t keep = 44; keep < 44 + 32; keep += 3)
        EXPECT_EQ(ReadImage(in, image(32, keep)).result, kFileReadError) << keep;
}

}  // namespace
}  // namespace ob

namespace ob {
namespace {

using namespace wavtest;

// The overview the mono float reader builds piece by piece while it reads is
// the one computed from the finished channel, bit for bit: lengths on and
// beside the 260000-frame piece border, a multiple of 200 (empty last block),
// NaN and infinities in the data; under 500 blocks there is none. Opening
// through OpenSound keeps it (no second pass changes it) and a stereo file
// still gets both overviews.
TEST(WavRead, MonoFloatOverviewBuiltWhileReading) {
    TempDir dir;
    std::string path = dir / "o.wav";
    for (uint32_t frames : {260000u, 260001u, 259999u, 520000u, 100037u, 99799u}) {
        SCOPED_TRACE(frames);
        Wave source;
        MakeWave(source, frames, false);
        source.leftSamples[7] = NAN;
        source.leftSamples[frames - 1] = INFINITY;
        source.leftSamples[frames / 2] = -INFINITY;
        ASSERT_EQ(WriteWave(path, source, 32, 0), kFileOk);
        Wave read;
        ASSERT_EQ(ReadWave(path, read).result, kFileOk);
        Wave reference;
        MakeWave(reference, frames, false);
        std::memcpy(reference.leftSamples, read.leftSamples, size_t(frames) * 4);
        UpdateOverview(reference, 0, 0, kEditLeftRight);
        ASSERT_EQ(read.leftOverview.blocks, reference.leftOverview.blocks);
        if (reference.leftOverview.blocks == 0) {
            EXPECT_EQ(read.leftOverview.pairs, nullptr);
            continue;
        }
        EXPECT_EQ(std::memcmp(read.leftOverview.pairs, reference.leftOverview.pairs,
                              OverviewBytes(reference.leftOverview.blocks)),
                  0);

        Wave opened;
        opened.filePath = path;
        ASSERT_EQ(OpenSound(opened, false), kFileOk);
        ASSERT_EQ(opened.leftOverview.blocks, reference.leftOverview.blocks);
        EXPECT_EQ(std::memcmp(opened.leftOverview.pairs, reference.leftOverview.pairs,
                              OverviewBytes(reference.leftOverview.blocks)),
                  0);
        EXPECT_EQ(opened.rightOverview.pairs, nullptr);
    }
    Wave stereo;
    MakeWave(stereo, 150000, true);
    ASSERT_EQ(WriteWave(path, stereo, 32, 0), kFileOk);
    Wave opened;
    opened.filePath = path;
    ASSERT_EQ(OpenSound(opened, false), kFileOk);
    EXPECT_EQ(opened.leftOverview.blocks, OverviewBlockCount(150000));
    EXPECT_EQ(opened.rightOverview.blocks, OverviewBlockCount(150000));
}

// A long file is decoded by several threads, each building the overview and
// its coarse level over its own share: every pair equals the definition. The
// level differs from block to block and never reaches zero, so a coarse pair
// folded before all its blocks were filled shows.
TEST(WavRead, OverviewOfAFileDecodedInSharesIsComplete) {
    TempDir dir;
    std::string path = dir / "long.wav";
    const uint32_t frames = 1100017;
    Wave source;
    MakeWave(source, frames, true);
    for (uint32_t i = 0; i < frames; ++i) {
        source.leftSamples[i] =
            0.2f + 0.5f * float((i / 200) % 29) / 29 + 0.05f * std::sin(float(i) * 0.05f);
        source.rightSamples[i] = -source.leftSamples[i];
    }
    ASSERT_EQ(WriteWave(path, source, 16, 0), kFileOk);
    Wave read;
    ASSERT_EQ(ReadWave(path, read).result, kFileOk);
    ASSERT_EQ(read.frameCount, frames);
    EXPECT_TRUE(OverviewMatches(read.leftSamples, frames, read.leftOverview));
    EXPECT_TRUE(OverviewMatches(read.rightSamples, frames, read.rightOverview));
}

}  // namespace
}  // namespace ob
