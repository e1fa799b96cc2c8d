// The Envelope Generator and the Transfer Function in the core: built-in
// presets, gains, the documented edge cases, area and channel, undo, preset
// files in both byte orders with clamped fields, the recorder lines.
#include "dsp/envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dsp/operation_traits.h"
#include "dsp/preset_file.h"
#include "dsp/transfer_function.h"
#include "script/op_bindings.h"
#include "script/script_api.h"
#include "tests/dsp/test_wave.h"
#include "wave/file_result.h"

namespace ob {
namespace {

std::string TempPath(const char* name) {
    return ::testing::TempDir() + "/envelope_" + name;
}

EnvelopeParams Flat(uint8_t v, int32_t scale) {
    EnvelopeParams p{};
    std::fill(p.curve, p.curve + kEnvelopePoints, v);
    p.scale = scale;
    return p;
}

TEST(Envelope, BuiltInsFollowTheirDescriptions) {
    const PresetKindInfo& kind = kPresetKinds[kPresetKindEnvelope];
    EXPECT_STREQ(kind.kind, "ENVG");
    EXPECT_EQ(kind.recordSize, kEnvelopeRecordSize);
    EXPECT_EQ(kind.builtIns, uint32_t(kEnvelopeBuiltInCount));
    EXPECT_STREQ(EnvelopeBuiltInName(0), "Fade In (Slow, 30 dB)");
    EXPECT_STREQ(EnvelopeBuiltInName(12), "Turn it on, turn it off, chop it up...");
    // The first is the start value of the current record.
    EnvelopeParams first = EnvelopeBuiltIn(0);
    EnvelopeParams start = DefaultParams<EnvelopeGeneratorOp>();
    EXPECT_EQ(std::memcmp(first.curve, start.curve, 100), 0);
    EXPECT_EQ(start.scale, 1);
    EXPECT_EQ(first.curve[0], 120);
    EXPECT_EQ(first.curve[59], 61);
    EXPECT_EQ(first.curve[60], 60);
    EnvelopeParams out = EnvelopeBuiltIn(1);
    EXPECT_EQ(out.curve[39], 60);
    EXPECT_EQ(out.curve[40], 61);
    EXPECT_EQ(out.curve[99], 120);
    EnvelopeParams fast = EnvelopeBuiltIn(7);
    EXPECT_EQ(fast.curve[14], 64);
    EXPECT_EQ(fast.curve[15], 60);
    EXPECT_EQ(fast.curve[85], 64);
    EXPECT_EQ(fast.curve[99], 120);
    EXPECT_EQ(EnvelopeBuiltIn(8).scale, 0);
    EXPECT_EQ(EnvelopeBuiltIn(8).curve[50], 100);
    EnvelopeParams isolate = EnvelopeBuiltIn(9);
    const uint8_t isolateHead[11] = {120, 120, 120, 120, 120, 110, 100, 90, 80, 70, 60};
    EXPECT_EQ(std::memcmp(isolate.curve, isolateHead, 11), 0);
    EXPECT_EQ(isolate.curve[89], 60);
    EXPECT_EQ(isolate.curve[90], 70);
    EXPECT_EQ(isolate.curve[94], 110);
    EXPECT_EQ(isolate.curve[95], 120);
    EXPECT_EQ(isolate.scale, 2);
    const uint8_t soften[10] = {120, 112, 104, 96, 88, 80, 72, 66, 62, 60};
    EXPECT_EQ(std::memcmp(EnvelopeBuiltIn(10).curve, soften, 10), 0);
    EXPECT_EQ(EnvelopeBuiltIn(11).curve[99], 21);
    const char pattern[] = "<x<x<x<x<x<x<x<";
    EnvelopeParams chop = EnvelopeBuiltIn(12);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(chop.curve[i], uint8_t(pattern[i % 15])) << i;
    EnvelopeParams swell = EnvelopeBuiltIn(13);
    EXPECT_EQ(swell.curve[0], 120);
    EXPECT_EQ(swell.curve[49], 60);
    EXPECT_EQ(swell.curve[50], 60);
    EXPECT_EQ(swell.curve[99], 120);
    for (int k = 0; k < kEnvelopeBuiltInCount; ++k)
        for (int i = 0; i < 100; ++i) EXPECT_LE(EnvelopeBuiltIn(k).curve[i], 120);
}

TEST(Envelope, GainTable) {
    double g[100];
    EnvelopeParams p = Flat(60, 1);
    p.curve[0] = 0;
    p.curve[1] = 120;
    p.curve[2] = 59;
    p.curve[3] = 80;
    for (int32_t scale : {0, 1, 2}) {
        p.scale = scale;
        EnvelopeGainTable(p, g);
        const double step = std::pow(10.0, (scale == 0 ? 0.25 : scale == 1 ? 0.5 : 1.0) / 20);
        EXPECT_NEAR(g[0], std::pow(step, 60), 1e-9 * g[0]);
        EXPECT_EQ(g[1], 0.0);
        EXPECT_NEAR(g[2], step, 1e-12);
        EXPECT_NEAR(g[3], 1 / std::pow(step, 20), 1e-12);
        EXPECT_EQ(g[4], 1.0);
    }
    EXPECT_STREQ(EnvelopeScaleLabel(0), "15 dB");
    EXPECT_STREQ(EnvelopeScaleLabel(2), "60 dB");
    // A scale outside 0 .. 2 is limited before it picks the step.
    p.scale = 7;
    double big[100];
    EnvelopeGainTable(p, big);
    p.scale = 2;
    EnvelopeGainTable(p, g);
    EXPECT_EQ(big[0], g[0]);
    p.scale = -3;
    EnvelopeGainTable(p, big);
    p.scale = 0;
    EnvelopeGainTable(p, g);
    EXPECT_EQ(big[0], g[0]);
}

TEST(Envelope, AreasOfAHundredUseTheTableAndLongerOnesInterpolate) {
    GlobalStateGuard guard;
    EnvelopeParams p = EnvelopeBuiltIn(11);  // the big ramp: codes 120 .. 21
    double g[100];
    EnvelopeGainTable(p, g);
    WaveRecord* w = MakeWave(100, false, [](int, uint32_t) { return 0.5f; });
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ApplyEnvelope(*w, p), kEditDone);
    for (uint32_t i = 0; i < 100; ++i) EXPECT_EQ(w->leftSamples[i], float(0.5 * g[i])) << i;
    WaveRecord* v = MakeWave(101, false, [](int, uint32_t) { return 0.5f; });
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(ApplyEnvelope(*v, p), kEditDone);
    const double step = 101.0 / 99;
    for (uint32_t i = 0; i < 101; ++i) {
        uint32_t k = uint32_t(i / step);
        double gain = k < 99 ? g[k] + (i - k * step) * (g[k + 1] - g[k]) / step : g[99];
        EXPECT_NEAR(v->leftSamples[i], float(0.5 * gain), 1.2e-7 * std::max(1.0, 0.5 * gain)) << i;
    }
    EXPECT_EQ(v->leftSamples[0], 0.0f);
    // Long areas: every sample against the interpolation.
    WaveRecord* l = MakeWave(123457, false, [](int, uint32_t i) { return float(i % 7) / 7; });
    ASSERT_NE(l, nullptr);
    ASSERT_EQ(ApplyEnvelope(*l, p), kEditDone);
    for (uint32_t i = 0; i < l->frameCount; i += 37) {
        double want = double(float(i % 7) / 7) * EnvelopeGainAt(g, i, l->frameCount);
        ASSERT_NEAR(l->leftSamples[i], want, 1.2e-7 * std::max(1.0, want)) << i;
    }
}

TEST(Envelope, SilenceAndSixtyDecibelsWithoutClipping) {
    GlobalStateGuard guard;
    WaveRecord* w = MakeWave(5000, true, [](int, uint32_t) { return 0.25f; });
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ApplyEnvelope(*w, Flat(120, 1)), kEditDone);
    for (uint32_t i = 0; i < 5000; ++i) ASSERT_EQ(w->leftSamples[i], 0.0f);
    for (uint32_t i = 0; i < 5000; ++i) ASSERT_EQ(w->rightSamples[i], 0.0f);
    WaveRecord* v = MakeWave(5000, false, [](int, uint32_t) { return 0.25f; });
    EXPECT_EQ(ApplyEnvelope(*v, Flat(0, 2)), kEditDone);
    EXPECT_NEAR(v->leftSamples[2500], 250.0f, 1e-3);
}

TEST(Envelope, AreaChannelUndoAndTheScriptFunction) {
    GlobalStateGuard guard;
    WaveRecord* w =
        MakeWave(3000, true, [](int c, uint32_t i) { return c ? -0.5f : float(i) / 3000; });
    ASSERT_NE(w, nullptr);
    const std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
    SelectMouse(*w, 1000, 1000, 1);
    EXPECT_EQ(ApplyEnvelope(*w, Flat(120, 0)), kEditDone);
    for (uint32_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(w->rightSamples[i], right[i]);
        if (i < 1000 || i >= 2000)
            ASSERT_EQ(w->leftSamples[i], left[i]) << i;
        else
            ASSERT_EQ(w->leftSamples[i], 0.0f) << i;
    }
    ASSERT_TRUE(CanUndo(*w));
    EXPECT_STREQ(OperationName(BackupAt(*w, 0)->operation), "Envelope Generator");
    ASSERT_EQ(Undo(*w), 0);
    EXPECT_EQ(Channel(*w, 0), left);
    EXPECT_EQ(EnvelopeMacroLine(3), "obEnvelopeGenerator 3\n");
    EXPECT_EQ(TransferMacroLine(4), "obTransferFunction 4\n");
    WaveRecord empty{};
    EXPECT_EQ(ApplyEnvelope(empty, Flat(60, 1)), kEditNothing);
}

std::vector<uint8_t> Container(const char* kind, const uint8_t* record, uint32_t size, bool big) {
    auto word = [&](std::vector<uint8_t>& v, uint32_t x) {
        for (int b = 0; b < 4; ++b) v.push_back(uint8_t(x >> (big ? 24 - 8 * b : 8 * b)));
    };
    std::vector<uint8_t> file;
    const char* id = big ? "kBRF" : "FRBk";
    file.insert(file.end(), id, id + 4);
    word(file, size + 12 + (size & 1));
    file.insert(file.end(), {'P', 'R', 'E', 'S'});
    file.insert(file.end(), kind, kind + 4);
    word(file, size);
    file.insert(file.end(), record, record + size);
    if (size & 1) file.push_back(0);
    return file;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

TEST(EnvelopePresets, BothByteOrdersClampedFieldsAndShortRecords) {
    EnvelopeParams p = EnvelopeBuiltIn(9);
    for (bool big : {false, true}) {
        std::string path = TempPath(big ? "big.obx" : "little.obx");
        ASSERT_EQ(WriteEnvelopePreset(path, p, "mine", big), kFileOk);
        EnvelopeParams q = Flat(1, 0);
        std::string name;
        ASSERT_EQ(ReadEnvelopePreset(path, q, &name), kFileOk);
        EXPECT_EQ(name, "mine");
        EXPECT_EQ(std::memcmp(q.curve, p.curve, 100), 0);
        EXPECT_EQ(q.scale, 2);
    }
    // Written here byte by byte: scale 7 and codes above 120.
    uint8_t record[188] = {};
    for (int i = 0; i < 100; ++i) record[i] = uint8_t(i * 2 + 50);
    record[103] = 7;  // big-endian 7
    std::memcpy(record + 104, "wild", 4);
    WriteBytes(TempPath("wild.obx"), Container("ENVG", record, 188, true));
    EnvelopeParams q = Flat(1, 0);
    std::string name;
    ASSERT_EQ(ReadEnvelopePreset(TempPath("wild.obx"), q, &name), kFileOk);
    EXPECT_EQ(name, "wild");
    EXPECT_EQ(q.scale, 2);
    EXPECT_EQ(q.curve[0], 50);
    EXPECT_EQ(q.curve[35], 120);
    EXPECT_EQ(q.curve[99], 120);
    // A record of 100 bytes: refused, the curve kept.
    WriteBytes(TempPath("short.obx"), Container("ENVG", record, 100, false));
    EnvelopeParams kept = Flat(33, 1);
    EXPECT_NE(ReadEnvelopePreset(TempPath("short.obx"), kept, nullptr), kFileOk);
    EXPECT_EQ(kept.curve[50], 33);
    // The script load: 1, then the current record is the file's; 0 for a
    // short record with the current record kept.
    EnvelopeParams saved = CurrentSettings<EnvelopeGeneratorOp>();
    EXPECT_EQ(obLoadEnvGenPreset(TempPath("wild.obx").c_str()), 1);
    EXPECT_EQ(CurrentSettings<EnvelopeGeneratorOp>().curve[99], 120);
    EXPECT_EQ(obLoadEnvGenPreset(TempPath("short.obx").c_str()), 0);
    EXPECT_EQ(CurrentSettings<EnvelopeGeneratorOp>().curve[0], 50);
    CurrentSettings<EnvelopeGeneratorOp>() = saved;
}

// ---- Transfer Function ----

TEST(Transfer, BuiltInsFollowTheirDescriptions) {
    const PresetKindInfo& kind = kPresetKinds[kPresetKindTransferFunction];
    EXPECT_STREQ(kind.kind, "TRFN");
    EXPECT_EQ(kind.recordSize, kTransferRecordSize);
    EXPECT_EQ(kind.builtIns, uint32_t(kTransferBuiltInCount));
    EXPECT_STREQ(TransferBuiltInName(kTransferInitialPreset), "Linear");
    TransferParams start = DefaultParams<TransferFunctionOp>();
    for (int i = 0; i < 129; ++i) EXPECT_EQ(start.curve[i], std::abs(i - 64));
    EXPECT_EQ(start.mirror, 0);
    EXPECT_EQ(TransferBuiltIn(0).curve[0], -64);  // absolute value: T = d
    EXPECT_EQ(TransferBuiltIn(1).curve[128], -64);
    TransferParams c = TransferBuiltIn(5);
    EXPECT_EQ(c.curve[64 + 6], 60);
    EXPECT_EQ(c.curve[64 - 6], 60);
    EXPECT_EQ(c.curve[64 + 7], 64);
    TransferParams softer = TransferBuiltIn(7);
    EXPECT_EQ(softer.curve[64 - 19], 55);
    EXPECT_EQ(softer.curve[64 + 19], 54);
    EXPECT_EQ(softer.curve[64 + 55], 64);
    TransferParams p = TransferBuiltIn(9);
    EXPECT_EQ(p.curve[64 + 22], 60);
    EXPECT_EQ(p.curve[64 + 23], 64);
    TransferParams fold2 = TransferBuiltIn(11);
    EXPECT_EQ(fold2.curve[0], 0);
    EXPECT_EQ(fold2.curve[16], 64);
    EXPECT_EQ(fold2.curve[32], 0);
    EXPECT_EQ(fold2.curve[17], 60);
    EXPECT_EQ(fold2.curve[128], 0);
    TransferParams partial = TransferBuiltIn(12);
    EXPECT_EQ(partial.curve[64 + 32], 32);
    EXPECT_EQ(partial.curve[64 + 33], 30);
    EXPECT_EQ(partial.curve[128], -32);
    EXPECT_EQ(partial.curve[0], -32);
    EXPECT_EQ(TransferBuiltIn(13).curve[64 - 1], -5);
    EXPECT_EQ(TransferBuiltIn(14).curve[64 - 1], 5);
    EXPECT_EQ(TransferBuiltIn(14).curve[128], 64);
}

TEST(Transfer, ShapingEdgeCases) {
    TransferTable linear, absolute, fuzz;
    BuildTransferTable(TransferBuiltIn(2), linear);
    BuildTransferTable(TransferBuiltIn(0), absolute);
    BuildTransferTable(TransferBuiltIn(4), fuzz);
    for (int i = -32768; i <= 32767; i += 7) {
        float x = float(i / 32767.0);
        ASSERT_NEAR(ShapeSample(linear, x), x, 1.0 / 32767) << i;
    }
    EXPECT_NEAR(ShapeSample(absolute, -0.5f), 0.5f, 1.0 / 32767);
    EXPECT_EQ(ShapeLevel(linear, -1.0001f), -32768);  // the lowest input: -T[0] x 512
    EXPECT_EQ(ShapeLevel(linear, -7.0f), -32768);
    // Above full scale the curve's end holds (no saw-tooth back down).
    EXPECT_EQ(ShapeLevel(linear, 1.01f), 32767);
    EXPECT_EQ(ShapeLevel(linear, 1.016f), 32767);
    EXPECT_EQ(ShapeLevel(linear, 1e30f), 32767);
    EXPECT_EQ(ShapeLevel(linear, std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ShapeLevel(absolute, -std::numeric_limits<float>::infinity()), 0);
    // The preview saturates to 16 bits: Hard Fuzz B reaches 32768.
    EXPECT_EQ(ShapeLevel(fuzz, 1.0f), 32768);
    float in = 1.0f, out = 0;
    TransferRun16(fuzz, &in, &out, 1);
    EXPECT_EQ(out, 32767.0f / 32768.0f);
    // Mirror: negative inputs take the negated positive half.
    TransferParams m = TransferBuiltIn(0);  // the negative half would rectify
    m.mirror = 1;
    TransferTable mirror;
    BuildTransferTable(m, mirror);
    EXPECT_NEAR(ShapeSample(mirror, -0.5f), -0.5f, 1.0 / 32767);
    EXPECT_EQ(ShapeLevel(mirror, -1.5f), -32768);
}

TEST(Transfer, ApplyUndoAndPresets) {
    GlobalStateGuard guard;
    WaveRecord* w = MakeWave(4000, false, [](int, uint32_t i) { return float(i) / 2000 - 1; });
    ASSERT_NE(w, nullptr);
    const std::vector<float> before = Channel(*w, 0);
    EXPECT_EQ(ApplyTransferFunction(*w, TransferBuiltIn(1)), kEditDone);  // inversion
    EXPECT_NEAR(w->leftSamples[100], -before[100], 1.0 / 32767);
    EXPECT_STREQ(OperationName(BackupAt(*w, 0)->operation), "Transfer Function");
    ASSERT_EQ(Undo(*w), 0);
    EXPECT_EQ(Channel(*w, 0), before);

    TransferParams p = TransferBuiltIn(12);
    p.mirror = 1;
    for (bool big : {false, true}) {
        std::string path = TempPath(big ? "tbig.obx" : "tlittle.obx");
        ASSERT_EQ(WriteTransferPreset(path, p, "fold", big), kFileOk);
        TransferParams q = TransferBuiltIn(0);
        std::string name;
        ASSERT_EQ(ReadTransferPreset(path, q, &name), kFileOk);
        EXPECT_EQ(name, "fold");
        EXPECT_EQ(std::memcmp(q.curve, p.curve, 129), 0);
        EXPECT_EQ(q.mirror, 1);
    }
    uint8_t record[220] = {};
    record[0] = 0x7F;  // 127
    record[1] = 0x80;  // -128
    record[2] = 65;
    record[132] = 0xFF;  // flags: bit 0 set among others
    WriteBytes(TempPath("twild.obx"), Container("TRFN", record, 220, false));
    TransferParams q = TransferBuiltIn(2);
    ASSERT_EQ(ReadTransferPreset(TempPath("twild.obx"), q, nullptr), kFileOk);
    EXPECT_EQ(q.curve[0], 64);
    EXPECT_EQ(q.curve[1], -64);
    EXPECT_EQ(q.curve[2], 64);
    EXPECT_EQ(q.mirror, 1);
    WriteBytes(TempPath("tshort.obx"), Container("TRFN", record, 200, false));
    TransferParams kept = TransferBuiltIn(2);
    EXPECT_NE(ReadTransferPreset(TempPath("tshort.obx"), kept, nullptr), kFileOk);
    EXPECT_EQ(kept.curve[0], 64);
    EXPECT_EQ(kept.curve[1], 63);
}

}  // namespace
}  // namespace ob
