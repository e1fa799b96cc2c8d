// The curve previews' filler: the affect area through the envelope or the
// transfer curve, saturated to 16 bits, from a copy taken at the start (the
// wave may change while the preview plays).
#include "audio/curve_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

TEST(CurvePreview, TransferSaturatesAndReadsTheCopy) {
    GlobalStateGuard guard;
    WaveRecord* w = MakeWave(1000, true, [](int c, uint32_t i) { return c ? -1.0f : i / 1000.0f; });
    ASSERT_NE(w, nullptr);
    TransferParams fuzz = TransferBuiltIn(4);  // Hard Fuzz B: reaches 32768
    CurvePreviewFiller filler(*w, fuzz);
    ASSERT_EQ(filler.Channels(), 2u);
    std::vector<float> original(w->leftSamples, w->leftSamples + 1000);
    std::fill(w->leftSamples, w->leftSamples + 1000, 0.0f);  // changed after the start
    std::vector<float> l(1200), r(1200);
    ASSERT_EQ(filler.Fill(l.data(), r.data(), 1200), 1000u);
    EXPECT_EQ(filler.Fill(l.data(), r.data(), 10), 0u);
    TransferTable t;
    BuildTransferTable(fuzz, t);
    for (uint32_t i = 0; i < 1000; ++i) {
        int32_t level = std::clamp(ShapeLevel(t, original[i]), -32768, 32767);
        ASSERT_EQ(l[i], level / 32768.0f) << i;
        ASSERT_EQ(r[i], -1.0f) << i;
    }
    EXPECT_EQ(l[999], 32767 / 32768.0f);  // 32768 would wrap to -32768
}

TEST(CurvePreview, EnvelopeOverTheMouseAreaOfOneChannel) {
    GlobalStateGuard guard;
    WaveRecord* w = MakeWave(3000, true, [](int c, uint32_t) { return c ? 0.5f : 0.25f; });
    ASSERT_NE(w, nullptr);
    SelectMouse(*w, 1000, 500, 2);  // the right channel alone plays as one
    EnvelopeParams loud{};
    std::fill(loud.curve, loud.curve + kEnvelopePoints, uint8_t(0));
    loud.scale = 2;  // +60 dB: far beyond full scale, saturated
    CurvePreviewFiller filler(*w, loud);
    ASSERT_EQ(filler.Channels(), 1u);
    ASSERT_EQ(filler.Length(), 500u);
    std::vector<float> l(500);
    ASSERT_EQ(filler.Fill(l.data(), nullptr, 500), 500u);
    for (float v : l) ASSERT_EQ(v, 32767 / 32768.0f);
    EnvelopeParams fade = EnvelopeBuiltIn(0);
    CurvePreviewFiller second(*w, fade);
    ASSERT_EQ(second.Fill(l.data(), nullptr, 500), 500u);
    EXPECT_EQ(l[0], 0.0f);
    EXPECT_EQ(l[499], Saturate16(0.5 * 32767.0));
    // New settings are taken at the next buffer; the other kind is ignored.
    CurvePreviewFiller third(*w, fade);
    ASSERT_EQ(third.Fill(l.data(), nullptr, 100), 100u);
    EXPECT_EQ(l[0], 0.0f);
    third.Replace(loud);
    third.Replace(TransferBuiltIn(1));
    ASSERT_EQ(third.Fill(l.data(), nullptr, 400), 400u);
    for (int i = 0; i < 400; ++i) ASSERT_EQ(l[size_t(i)], 32767 / 32768.0f);
    // An editor without sound gives nothing to play.
    WaveRecord empty{};
    CurvePreviewFiller none(empty, fade);
    EXPECT_EQ(none.Channels(), 0u);
}

}  // namespace
}  // namespace ob
