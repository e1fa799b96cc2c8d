// The curve editors' model: drawing with clamped positions, lines to the
// right, restoring to the left, a drag within one point; the envelope curve
// operations and Trace.
#include "dsp/curve_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

EnvelopeParams Flat(uint8_t v, int32_t scale = 1) {
    EnvelopeParams p{};
    std::fill(p.curve, p.curve + kEnvelopePoints, v);
    p.scale = scale;
    return p;
}

TEST(CurveDrawing, PressSetsThePointUnderTheMouseWithClampedPositions) {
    EnvelopeParams p = Flat(60);
    CurveDrawing d(kEnvelopeGeometry);
    DrawEnvelope(p, d, 4 * 10 + 3, 17, true);  // x 43 lies on point 10
    EXPECT_EQ(p.curve[10], 17);
    EXPECT_EQ(p.curve[9], 60);
    EXPECT_EQ(p.curve[11], 60);
    d.Release();
    // Far outside the area: the last point, the bottom (silence).
    DrawEnvelope(p, d, 100000, 100000, true);
    EXPECT_EQ(p.curve[99], 120);
    d.Release();
    DrawEnvelope(p, d, -50, -50, true);
    EXPECT_EQ(p.curve[0], 0);
    d.Release();
    // A move without a press draws nothing.
    EnvelopeParams before = p;
    DrawEnvelope(p, d, 200, 5, false);
    EXPECT_EQ(std::vector<uint8_t>(p.curve, p.curve + 100),
              std::vector<uint8_t>(before.curve, before.curve + 100));
}

TEST(CurveDrawing, DragRightDrawsAStraightLineWithAConstantIntegerStep) {
    EnvelopeParams p = Flat(60);
    CurveDrawing d(kEnvelopeGeometry);
    DrawEnvelope(p, d, 0, 0, true);          // point 0 at 0
    DrawEnvelope(p, d, 4 * 10, 100, false);  // point 10 at 100: step 10 per point
    for (int q = 0; q <= 10; ++q) EXPECT_EQ(p.curve[q], 10 * q) << q;
    EXPECT_EQ(p.curve[11], 60);
    // A step that does not divide evenly: (67 - 100) / 4 = -8 per point,
    // the point under the mouse takes the mouse's y.
    DrawEnvelope(p, d, 4 * 14 + 2, 67, false);
    EXPECT_EQ(p.curve[11], 92);
    EXPECT_EQ(p.curve[12], 84);
    EXPECT_EQ(p.curve[13], 76);
    EXPECT_EQ(p.curve[14], 67);
    // Below the area: the line ends at the bottom (120).
    DrawEnvelope(p, d, 4 * 16, 500, false);
    EXPECT_EQ(p.curve[15], 93);
    EXPECT_EQ(p.curve[16], 120);
}

TEST(CurveDrawing, DragLeftRestoresThePointsPassedOver) {
    EnvelopeParams p = Flat(60);
    for (int i = 0; i < 100; ++i) p.curve[i] = uint8_t(i);
    const EnvelopeParams original = p;
    CurveDrawing d(kEnvelopeGeometry);
    DrawEnvelope(p, d, 4 * 20, 0, true);
    DrawEnvelope(p, d, 4 * 30, 0, false);
    for (int q = 20; q <= 30; ++q) EXPECT_EQ(p.curve[q], 0) << q;
    DrawEnvelope(p, d, 4 * 25, 5, false);
    for (int q = 26; q <= 30; ++q) EXPECT_EQ(p.curve[q], original.curve[q]) << q;
    EXPECT_EQ(p.curve[25], 5);
    for (int q = 20; q < 25; ++q) EXPECT_EQ(p.curve[q], 0) << q;
}

TEST(CurveDrawing, DragWithinOnePointSetsItWithoutDividingByZero) {
    EnvelopeParams p = Flat(60);
    CurveDrawing d(kEnvelopeGeometry);
    DrawEnvelope(p, d, 40, 10, true);
    DrawEnvelope(p, d, 41, 90, false);
    DrawEnvelope(p, d, 43, 33, false);
    EXPECT_EQ(p.curve[10], 33);
    EXPECT_EQ(p.curve[9], 60);
    EXPECT_EQ(p.curve[11], 60);
}

TEST(CurveDrawing, TransferMapsYToOutputUpwardsOnBothHalves) {
    TransferParams t = TransferBuiltIn(kTransferInitialPreset);
    CurveDrawing d(kTransferGeometry);
    DrawTransfer(t, d, 2 * 10 + 1, 0, true);  // point 10 (negative input), top
    EXPECT_EQ(t.curve[10], -64);
    d.Release();
    DrawTransfer(t, d, 2 * 100, 0, true);  // point 100, top
    EXPECT_EQ(t.curve[100], 64);
    d.Release();
    DrawTransfer(t, d, 5000, 5000, true);  // clamped: point 128, y 255
    EXPECT_EQ(t.curve[128], 64 - 255 / 2);
    d.Release();
    DrawTransfer(t, d, -5, 128, true);  // point 0, centre line
    EXPECT_EQ(t.curve[0], 0);
    // A line across the centre point: each point takes its own half's mapping.
    d.Release();
    DrawTransfer(t, d, 2 * 63, 0, true);
    DrawTransfer(t, d, 2 * 66, 0, false);
    EXPECT_EQ(t.curve[63], -64);
    EXPECT_EQ(t.curve[64], -64);
    EXPECT_EQ(t.curve[65], 64);
    EXPECT_EQ(t.curve[66], 64);
}

TEST(EnvelopeCurve, Operations) {
    EnvelopeParams p{};
    for (int i = 0; i < 100; ++i) p.curve[i] = uint8_t(i + 21 > 120 ? 120 : i + 21);
    p.curve[0] = 0;
    EnvelopeParams q = p;
    EnvelopeInvert(q);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(q.curve[i], 120 - p.curve[i]);
    EnvelopeParams unity = Flat(60);
    EnvelopeInvert(unity);
    EXPECT_EQ(unity.curve[7], 60);
    q = p;
    EnvelopeShift(q, -1);
    EXPECT_EQ(q.curve[0], 0);  // clamped
    EXPECT_EQ(q.curve[1], 21);
    EnvelopeShift(q, +3);
    EXPECT_EQ(q.curve[0], 3);
    EXPECT_EQ(q.curve[99], 120);  // clamped
    q = p;
    EnvelopeReverse(q);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(q.curve[i], p.curve[99 - i]);
    EnvelopeZero(q);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(q.curve[i], 60);
}

TEST(EnvelopeCurve, TraceOfFullScaleSilenceAndOversizedSamples) {
    std::vector<float> loud(1000);
    for (size_t i = 0; i < loud.size(); ++i) loud[i] = (i % 2) ? 1.0f : -1.0f;
    EnvelopeParams p = Flat(7, 0);
    EnvelopeTrace(p, loud.data(), uint32_t(loud.size()));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(p.curve[i], 60) << i;
    EXPECT_EQ(p.scale, 1);

    std::vector<float> quiet(1000, 0.0f);
    EnvelopeTrace(p, quiet.data(), uint32_t(quiet.size()));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(p.curve[i], 90) << i;

    // Samples far beyond full scale, infinite or not a number: capped.
    std::vector<float> wild(1000, 0.0f);
    wild[5] = 1e30f;
    wild[15] = -std::numeric_limits<float>::infinity();
    wild[25] = std::numeric_limits<float>::quiet_NaN();
    EnvelopeTrace(p, wild.data(), uint32_t(wild.size()));
    EXPECT_EQ(p.curve[0], 60);
    EXPECT_EQ(p.curve[1], 60);
    EXPECT_EQ(p.curve[2], 90);

    // -10 dB peaks: 60 - trunc(30 log10(peak / 32767)) with peak trunc(x 32767).
    std::vector<float> mid(500, 0.316227766f);
    EnvelopeTrace(p, mid.data(), 500);
    int peak = int(0.316227766f * 32767.0);
    EXPECT_EQ(p.curve[50], 60 - int(30 * std::log10(peak / 32767.0)));
}

TEST(EnvelopeCurve, ShortAreasTraceOneSamplePerPointAndKeepTheRest) {
    EnvelopeParams p = Flat(33);
    float samples[3] = {1.0f, 0.0f, 1.0f / 32767};
    EnvelopeTrace(p, samples, 3);
    EXPECT_EQ(p.curve[0], 60);
    EXPECT_EQ(p.curve[1], 90);  // raised to 1, floored at -30 dB
    EXPECT_EQ(p.curve[2], 90);
    EXPECT_EQ(p.curve[3], 33);
    EXPECT_EQ(p.curve[99], 33);
}

TEST(EnvelopeCurve, TraceFromARecordUsesTheFirstEditChannelOfTheArea) {
    GlobalStateGuard guard;
    WaveRecord* r = MakeWave(2000, true, [](int c, uint32_t) { return c == 0 ? 0.0f : 1.0f; });
    ASSERT_NE(r, nullptr);
    EnvelopeParams p = Flat(10);
    SelectMouse(*r, 0, 2000, 2);  // the right channel only
    EXPECT_TRUE(EnvelopeTraceRecord(p, *r));
    EXPECT_EQ(p.curve[40], 60);
    SelectMouse(*r, 0, 2000, 3);  // both: the left one
    EXPECT_TRUE(EnvelopeTraceRecord(p, *r));
    EXPECT_EQ(p.curve[40], 90);
    // No edit channel, or no wave: nothing.
    p = Flat(10);
    WaveRecord* mono = MakeWave(500, false, [](int, uint32_t) { return 1.0f; });
    ASSERT_NE(mono, nullptr);
    gEditing.affectArea = kAffectAll;
    gEditing.editChannel = kEditRight;
    EXPECT_FALSE(EnvelopeTraceRecord(p, *mono));
    EXPECT_EQ(p.curve[40], 10);
    WaveRecord empty{};
    EXPECT_FALSE(EnvelopeTraceRecord(p, empty));
    EXPECT_EQ(p.curve[40], 10);
}

}  // namespace
}  // namespace ob
