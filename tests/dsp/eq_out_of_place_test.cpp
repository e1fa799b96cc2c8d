// The equalizer operations filter out of place when the backup takes the
// original buffers (the whole wave) and in place otherwise: both give the
// samples of the fused sections run in place over a copy, bit for bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "dsp/equalization.h"
#include "dsp/filter_sections.h"
#include "dsp/operation.h"
#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

float Wobble(uint32_t i, int channel) {
    uint32_t h = (i + 7) * 2246822519u ^ (channel ? 0x85EBCA6Bu : 0u);
    h ^= h >> 13;
    h *= 3266489917u;
    h ^= h >> 16;
    return float(int32_t(h % 40001) - 20000) / 25000.0f;  // beyond full scale too
}

struct Case {
    const char* what;
    std::function<int(WaveRecord&)> run;
    EqSections sections;
};

std::vector<Case> Cases() {
    const BassTrebleParams bt{3, 100, 6.0, 8000, -4.0};
    const FiltersParams hp{3, 5, 160, 2, 3000};
    const GraFreqParams gf{};
    const ParametricParams pm{3, {60, -20, 0.1}, {4000, 4, 1.0}};
    return {
        {"bass and treble", [bt](WaveRecord& w) { return BassTreble(w, bt); },
         BassTrebleSections(bt, 44100)},
        {"filters", [hp](WaveRecord& w) { return HighLowPass(w, hp); }, FiltersSections(hp, 44100)},
        {"grafreq", [gf](WaveRecord& w) { return GraFreq(w, gf); }, GraFreqSections(gf, 44100)},
        {"parametric", [pm](WaveRecord& w) { return Parametric(w, pm); },
         ParametricSections(pm, 44100)},
    };
}

// The channel filtered in place from `start` on (primed from the samples
// before it), as the operation filtered it before it could run out of place.
std::vector<float> InPlace(std::vector<float> x, const EqSections& s, uint32_t start,
                           uint32_t length) {
    SectionState states[kMaxEqSections];
    for (int k = 0; k < s.count; ++k) states[k] = PrimeSection(s.s[k], x.data() + start, start);
    for (uint32_t done = 0; done < length;) {
        const uint32_t n = std::min<uint32_t>(4096 + 17, length - done);  // blocks unlike the op's
        RunEqSections(s, states, x.data() + start + done, n);
        done += n;
    }
    return x;
}

TEST(EqualizationPlaces, WholeWaveOutOfPlaceEqualsInPlace) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    constexpr uint32_t kFrames = 70001;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        ASSERT_GT(c.sections.count, 0);
        WaveRecord* w = MakeWave(
            kFrames, true, [](int ch, uint32_t i) { return Wobble(i, ch); }, 44100);
        ASSERT_NE(w, nullptr);
        const std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        ASSERT_EQ(c.run(*w), kEditDone);
        EXPECT_EQ(Channel(*w, 0), InPlace(left, c.sections, 0, kFrames));
        EXPECT_EQ(Channel(*w, 1), InPlace(right, c.sections, 0, kFrames));
        ASSERT_EQ(Undo(*w), 0);
        EXPECT_EQ(Channel(*w, 0), left);
        EXPECT_EQ(Channel(*w, 1), right);
        CloseAllEditors();
    }
}

TEST(EqualizationPlaces, AreaInPlaceEqualsInPlaceReference) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        WaveRecord* w = MakeWave(
            30000, false, [](int ch, uint32_t i) { return Wobble(i, ch); }, 44100);
        ASSERT_NE(w, nullptr);
        const std::vector<float> left = Channel(*w, 0);
        SelectMouse(*w, 3001, 20000, 1);
        ASSERT_EQ(c.run(*w), kEditDone);
        EXPECT_EQ(Channel(*w, 0), InPlace(left, c.sections, 3001, 20000));
        CloseAllEditors();
    }
}

}  // namespace
}  // namespace ob
