// The dynamics and delay effect previews: the filler gives the samples the
// operation writes (in buffers of any size, the wave unchanged), the file
// device receives their 16-bit form, a change of settings restarts the
// effect a lead-in before the play position, and refused settings play
// nothing (or keep what plays).
#include "audio/effect_preview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "audio/play_fill.h"
#include "base/messages.h"
#include "dsp/operation.h"
#include "tests/audio/audio_test_support.h"
#include "wave/memory.h"

namespace ob {
namespace {

// Noise in bursts: loud (up to 0.95, so echoes and feedback pass full scale)
// and quiet stretches of 3000 frames, different on each channel.
float Burst(int channel, uint32_t i) {
    uint32_t h = (i + 1) * 2654435761u ^ (channel ? 0x9E3779B9u : 0u);
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    float level = (i / 3000) % 2 ? 0.95f : 0.004f;
    return float(int32_t(h % 20001) - 10000) / 10000.0f * level;
}

struct Case {
    const char* name;
    EffectSettings settings;
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    auto add = [&](const char* name, OperationId op, auto set) {
        Case c{name, {}};
        c.settings.operation = op;
        set(c.settings);
        cases.push_back(c);
    };
    add("compressor", kOperationCompressor, [](EffectSettings& s) {
        s.compressor = {-15, 5, 0.05, 0.5, 40};
    });
    add("expander", kOperationCompressor, [](EffectSettings& s) {
        s.compressor = {-20, 0.5, 1, 0.2, 40};
    });
    add("compressor at 0 dB", kOperationCompressor, [](EffectSettings& s) {
        s.compressor = {0, 5, 1, 0.5, 40};
    });
    add("noise gate", kOperationNoiseGate, [](EffectSettings& s) {
        s.noiseGate = {-20, 0.08, 0.03, 30};
    });
    add("echo", kOperationEcho, [](EffectSettings& s) { s.echo = {0.05, 60, 80}; });
    add("flange", kOperationFlange,
        [](EffectSettings& s) { s.sweep = {5, 75, 50, 0.2, 70, true}; });
    add("chorus", kOperationChorus,
        [](EffectSettings& s) { s.sweep = {22, 45, 45, 10, 30, false}; });
    add("reverb hall", kOperationReverb,
        [](EffectSettings& s) { s.reverb = {2, 40, 14, 35, 12, kReverbHall}; });
    add("reverb room", kOperationReverb,
        [](EffectSettings& s) { s.reverb = {0.8, 10, 5, 60, 5, kReverbRoom}; });
    add("reverb spring", kOperationReverb,
        [](EffectSettings& s) { s.reverb = {4, 0, 4, 75, 5, kReverbSpring}; });
    return cases;
}

// Whether the settings change anything (a compressor threshold of 0 dB does not).
bool Changes(const EffectSettings& s) {
    return s.operation != kOperationCompressor || s.compressor.threshold < 0;
}

// Runs the operation of `s` on the record's affect area.
int RunEffect(WaveRecord& w, const EffectSettings& s) {
    switch (s.operation) {
        case kOperationCompressor:
            return Compress(w, s.compressor);
        case kOperationNoiseGate:
            return NoiseGate(w, s.noiseGate);
        case kOperationEcho:
            return Echo(w, s.echo);
        case kOperationFlange:
            return Flange(w, s.sweep);
        case kOperationChorus:
            return Chorus(w, s.sweep);
        default:
            return Reverb(w, s.reverb);
    }
}

// Fills `frames` frames in buffers of varying sizes (none a multiple of the
// dynamics' three-sample steps or of the engines' blocks).
void FillAll(EffectPreviewFiller& filler, std::vector<float>& l, std::vector<float>& r,
             uint32_t frames, uint32_t from = 0) {
    static const uint32_t sizes[] = {1000, 1, 777, 4099, 2, 3001, 64};
    for (uint32_t done = from, k = 0; done < frames; ++k) {
        uint32_t n = filler.Fill(l.data() + done, r.empty() ? nullptr : r.data() + done,
                                 std::min(sizes[k % 7], frames - done));
        ASSERT_GT(n, 0u);
        done += n;
    }
}

class EffectPreview : public ::testing::Test, public AudioFixtureState {
  protected:
    void SetUp() override { gProcessing.smoothingOptions = 0; }
};

TEST_F(EffectPreview, FillsWhatTheOperationWritesAndLeavesTheWave) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        WaveRecord* w = MakeWave(40000, true, Burst);
        SelectMouse(*w, 3000, 30000, 3);
        const std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        auto control = std::make_shared<EffectPreviewControl>(*w);
        ASSERT_EQ(control->Set(c.settings), nullptr);
        EffectPreviewFiller filler(*w, control);
        ASSERT_EQ(filler.Channels(), 2u);
        std::vector<float> l(30000), r(30000);
        FillAll(filler, l, r, 30000);
        EXPECT_EQ(filler.Fill(l.data(), r.data(), 100), 0u);  // the end of the area
        EXPECT_EQ(Channel(*w, 0), left);
        EXPECT_EQ(Channel(*w, 1), right);
        ASSERT_EQ(RunEffect(*w, c.settings), Changes(c.settings) ? kEditDone : kEditNothing);
        int changed = 0;
        for (uint32_t i = 0; i < 30000; ++i) {
            ASSERT_EQ(l[i], w->leftSamples[3000 + i]) << i;
            ASSERT_EQ(r[i], w->rightSamples[3000 + i]) << i;
            changed += l[i] != left[3000 + i];
        }
        if (Changes(c.settings))
            EXPECT_GT(changed, 1000);  // the effect was heard
        else
            EXPECT_EQ(changed, 0);  // a threshold of 0 dB does nothing
        CloseAllEditors();
    }
}

TEST_F(EffectPreview, OneChannelOfAStereoSoundPlaysAlone) {
    WaveRecord* w = MakeWave(20000, true, Burst);
    SelectMouse(*w, 1000, 15000, 2);  // the right channel
    EffectSettings s;
    s.operation = kOperationEcho;
    s.echo = {0.1, 50, 50};
    auto control = std::make_shared<EffectPreviewControl>(*w);
    ASSERT_EQ(control->Set(s), nullptr);
    EffectPreviewFiller filler(*w, control);
    ASSERT_EQ(filler.Channels(), 1u);
    std::vector<float> l(15000), none;
    FillAll(filler, l, none, 15000);
    ASSERT_EQ(Echo(*w, s.echo), kEditDone);
    for (uint32_t i = 0; i < 15000; ++i) ASSERT_EQ(l[i], w->rightSamples[1000 + i]) << i;
}

TEST_F(EffectPreview, TheDeviceGetsTheSixteenBitFormOfTheEffect) {
    UseFileDevice();
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        WaveRecord* w = MakeWave(26000, true, Burst);
        SelectMouse(*w, 2000, 22000, 3);
        auto control = std::make_shared<EffectPreviewControl>(*w);
        ASSERT_EQ(control->Set(c.settings), nullptr);
        ASSERT_EQ(PlayEffectPreview(*w, control), kPlayOk);
        ASSERT_TRUE(WaitForPlaybackEnd());
        StopPlay();
        WavData played;
        ASSERT_TRUE(ReadWav(out, played));
        ASSERT_EQ(played.channels, 2u);
        ASSERT_GE(played.Frames(), 22000u);
        ASSERT_EQ(RunEffect(*w, c.settings), Changes(c.settings) ? kEditDone : kEditNothing);
        int saturated = 0;
        for (uint32_t i = 0; i < 22000; ++i) {
            const float a = w->leftSamples[2000 + i], b = w->rightSamples[2000 + i];
            ASSERT_EQ(played.At(i, 0), ToOutput16(a)) << i;
            ASSERT_EQ(played.At(i, 1), ToOutput16(b)) << i;
            saturated += std::fabs(a) > 1 || std::fabs(b) > 1;
        }
        if (c.settings.operation == kOperationEcho) {
            EXPECT_GT(saturated, 0);
        }
        for (size_t i = 22000; i < played.Frames(); ++i) ASSERT_EQ(played.At(i, 0), 0);
        CloseAllEditors();
    }
}

TEST_F(EffectPreview, ChangedSettingsRestartTheEffectALeadInBeforeThePosition) {
    // A short area: the lead-in reaches back to its start, so after the
    // change the preview goes on exactly as the new settings' whole run.
    WaveRecord* w = MakeWave(30000, false, Burst);
    SelectMouse(*w, 0, 30000, 1);
    EffectSettings first, second;
    first.operation = second.operation = kOperationChorus;
    first.sweep = {22, 45, 45, 10, 30, false};
    second.sweep = {40, 70, 60, 1, 50, false};
    auto control = std::make_shared<EffectPreviewControl>(*w);
    ASSERT_EQ(control->Set(first), nullptr);
    EffectPreviewFiller filler(*w, control);
    std::vector<float> l(30000), none;
    FillAll(filler, l, none, 10000);
    ASSERT_EQ(control->Set(second), nullptr);
    FillAll(filler, l, none, 30000, 10000);
    EXPECT_EQ(filler.Origin(), 0u);
    std::vector<float> dry = Channel(*w, 0);
    ASSERT_EQ(Chorus(*w, first.sweep), kEditDone);
    for (uint32_t i = 0; i < 10000; ++i) ASSERT_EQ(l[i], w->leftSamples[i]) << i;
    std::copy(dry.begin(), dry.end(), w->leftSamples);
    ASSERT_EQ(Chorus(*w, second.sweep), kEditDone);
    for (uint32_t i = 10000; i < 30000; ++i) ASSERT_EQ(l[i], w->leftSamples[i]) << i;
    CloseAllEditors();

    // A long area: the new engines start 2 s plus the echo line before the
    // position, as the operation over the rest of the area from there.
    const uint32_t frames = 250000, at = 200000;
    w = MakeWave(frames, false, Burst);
    SelectMouse(*w, 0, frames, 1);
    first.operation = second.operation = kOperationEcho;
    first.echo = {0.2, 50, 50};
    second.echo = {0.3, 80, 40};
    control = std::make_shared<EffectPreviewControl>(*w);
    ASSERT_EQ(control->Set(first), nullptr);
    EffectPreviewFiller later(*w, control);
    l.assign(frames, 0);
    FillAll(later, l, none, at);
    ASSERT_EQ(control->Set(second), nullptr);
    FillAll(later, l, none, frames, at);
    const uint32_t origin = at - (2 * 44100 + uint32_t(44100 * 0.3));
    EXPECT_EQ(later.Origin(), origin);
    SelectMouse(*w, origin, frames - origin, 1);
    ASSERT_EQ(Echo(*w, second.echo), kEditDone);
    for (uint32_t i = at; i < frames; ++i) ASSERT_EQ(l[i], w->leftSamples[i]) << i;
}

TEST_F(EffectPreview, RefusedSettingsPlayNothingOrKeepWhatPlays) {
    UseFileDevice();
    WaveRecord* w = MakeWave(10000, false, Burst);
    SelectMouse(*w, 0, 10000, 1);
    auto control = std::make_shared<EffectPreviewControl>(*w);
    EffectSettings s;
    s.operation = kOperationEcho;
    s.echo = {0.5, 20, 50};  // a line longer than the area
    EXPECT_STREQ(control->Set(s), kTextEditTooSmall);
    EXPECT_EQ(PlayEffectPreview(*w, control), kEffectPreviewRefused);
    EXPECT_FALSE(PlayerOpen());
    s.echo = {0.05, 20, 0};
    EXPECT_STREQ(control->Set(s), kTextParameterZero);
    s.operation = kOperationReverb;
    s.reverb = {1, 10, 5, 50, 5, kReverbRoom};
    WaveRecord* low = MakeWave(10000, false, Burst, 100);
    SelectMouse(*low, 0, 10000, 1);
    auto slow = std::make_shared<EffectPreviewControl>(*low);
    EXPECT_STREQ(slow->Set(s), kTextBadParameter);  // lines under 10 samples at 100 Hz
    s.reverb.decayS = NAN;
    EXPECT_STREQ(control->Set(s), kTextBadParameter);

    // A refusal while playing keeps the engines in use.
    s.operation = kOperationEcho;
    s.echo = {0.05, 20, 50};
    ASSERT_EQ(control->Set(s), nullptr);
    EffectPreviewFiller filler(*w, control);
    std::vector<float> l(10000), none;
    FillAll(filler, l, none, 5000);
    EffectSettings bad = s;
    bad.echo.delayS = 1;
    EXPECT_STREQ(control->Set(bad), kTextEditTooSmall);
    FillAll(filler, l, none, 10000, 5000);
    ASSERT_EQ(Echo(*w, s.echo), kEditDone);
    for (uint32_t i = 0; i < 10000; ++i) ASSERT_EQ(l[i], w->leftSamples[i]) << i;

    // Nothing to play: no channel in the area.
    WaveRecord* empty = MakeWave(1000, false, Burst);
    SelectMouse(*empty, 0, 0, 1);
    auto none2 = std::make_shared<EffectPreviewControl>(*empty);
    EXPECT_EQ(PlayEffectPreview(*empty, none2), kEffectPreviewNothing);
}

TEST_F(EffectPreview, TheFillerHoldsTheSamplesItReads) {
    WaveRecord* w = MakeWave(20000, false, Burst);
    SelectMouse(*w, 0, 20000, 1);
    float* original = w->leftSamples;
    auto control = std::make_shared<EffectPreviewControl>(*w);
    EffectSettings s;
    s.operation = kOperationNoiseGate;
    ASSERT_EQ(control->Set(s), nullptr);
    {
        EffectPreviewFiller filler(*w, control);
        EXPECT_TRUE(BlockIsShared(original));
    }
    EXPECT_FALSE(BlockIsShared(original));
}

TEST_F(EffectPreview, SettingsComeFromTheOperationsParameters) {
    EffectSettings s;
    FlangeParams flange{3, 45, 45, 5, 30, true};
    ASSERT_TRUE(EffectSettingsFrom(kOperationFlange, &flange, &s));
    EXPECT_EQ(s.operation, kOperationFlange);
    EXPECT_TRUE(s.sweep.invert);
    EXPECT_EQ(s.sweep.delayMs, 3);
    ReverbParams reverb{0.3, 100, 4, 85, 15, kReverbSpring};
    ASSERT_TRUE(EffectSettingsFrom(kOperationReverb, &reverb, &s));
    EXPECT_EQ(s.reverb.enclosure, kReverbSpring);
    EXPECT_TRUE(HasEffectPreview(kOperationCompressor));
    EXPECT_FALSE(HasEffectPreview(kOperationGain));
    EXPECT_FALSE(EffectSettingsFrom(kOperationGain, &reverb, &s));
}

}  // namespace
}  // namespace ob
