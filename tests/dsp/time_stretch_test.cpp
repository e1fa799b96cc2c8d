// Time stretch and pitch shift: sizes, refusals, lengths and pitch measured on
// tones, stereo lock, the growing capacity, undo, abort, hostile material.
#include "dsp/time_stretch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/operation_traits.h"
#include "script/op_bindings.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"

namespace ob {
namespace {

// The strongest frequency of x between lo and hi Hz (0.1 Hz steps after a
// 2 Hz scan), Hann-windowed.
double DominantHz(const std::vector<float>& x, double lo, double hi, double rate) {
    auto level = [&](double f) {
        double re = 0, im = 0;
        const size_t n = x.size();
        for (size_t i = 0; i < n; ++i) {
            double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n));
            re += w * x[i] * std::cos(2 * M_PI * f * double(i) / rate);
            im += w * x[i] * std::sin(2 * M_PI * f * double(i) / rate);
        }
        return re * re + im * im;
    };
    double best = lo, bestLevel = -1;
    for (double f = lo; f <= hi; f += 2)
        if (double l = level(f); l > bestLevel) bestLevel = l, best = f;
    double centre = best;
    for (double f = centre - 2; f <= centre + 2; f += 0.1)
        if (double l = level(f); l > bestLevel) bestLevel = l, best = f;
    return best;
}

WaveRecord* Tone(double hz, uint32_t frames, bool stereo, uint32_t rate = 44100) {
    return MakeWave(
        frames, stereo,
        [=](int c, uint32_t i) {
            return float(0.5 * std::sin(2 * M_PI * hz * i / rate + (c ? 0.3 : 0.0)));
        },
        rate);
}

TEST(TimeStretch, SizesAtTheRate) {
    StretchSizes s = StretchSizesAt(44100, false);
    EXPECT_EQ(s.window, 352u);
    EXPECT_EQ(s.step, 44u);
    s = StretchSizesAt(44100, true);
    EXPECT_EQ(s.window, 704u);
    EXPECT_EQ(s.step, 88u);
    s = StretchSizesAt(100, false);
    EXPECT_EQ(s.window, 10u);
    EXPECT_EQ(s.step, 2u);
}

TEST(TimeStretch, RefusalsChangeNothing) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = Tone(440, 2815, false);
    std::vector<float> before = Channel(*w, 0);
    EXPECT_EQ(TimeStretch(*w, {100.0}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Parameter Can't Be 0 or 100%");
    EXPECT_EQ(PitchShift(*w, {0.0}), kEditRefused);
    EXPECT_EQ(ui.LastBoxText(), "Parameter Can't Be 0 or 100%");
    EXPECT_EQ(TimeStretch(*w, {110.0}), kEditRefused);  // 2815 < 8 W
    EXPECT_EQ(ui.LastBoxText(), "Edit Size Too Small For Effect");
    EXPECT_EQ(BackupCount(*w), 0u);
    size_t boxes = ui.boxes.size();
    EXPECT_EQ(obTimeStretch(w->editorNumber, 100.0, 0, 0), 0);  // silent
    EXPECT_EQ(obPitchShift(w->editorNumber, 0.0, 0, 0), 0);
    EXPECT_EQ(ui.boxes.size(), boxes);
    EXPECT_EQ(Channel(*w, 0), before);
    // The clamps of the script functions.
    TimeStretchParams t;
    t.percent = 300;
    ASSERT_TRUE(TimeStretchOp::Validate(t));
    EXPECT_EQ(t.percent, 125.0);
    PitchShiftParams p;
    p.cents = 1200;
    ASSERT_TRUE(PitchShiftOp::Validate(p));
    EXPECT_EQ(p.cents, 400.0);
    EXPECT_EQ(TimeStretchMacroLine(2, {97.5, true, false}), "obTimeStretch 2, 97.5, 1, 0\n");
    EXPECT_EQ(PitchShiftMacroLine(2, {-250, false, true}), "obPitchShift 2, -250.0, 0, 1\n");
}

TEST(TimeStretch, TonesKeepPitchAndFollowTheRatio) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    for (double hz : {110.0, 440.0, 1000.0}) {
        for (double ratio : {75.0, 90.0, 110.0, 125.0}) {
            WaveRecord* w = Tone(hz, 44100, false);
            ASSERT_EQ(TimeStretch(*w, {ratio}), kEditDone);
            double length = w->frameCount / 44100.0 * 100;
            EXPECT_NEAR(length, ratio, ratio * 0.03) << hz << " Hz at " << ratio;
            std::vector<float> x = Channel(*w, 0);
            EXPECT_NEAR(DominantHz(x, hz * 0.9, hz * 1.1, 44100), hz, hz * 0.01)
                << hz << " Hz at " << ratio;
            CloseAllEditors();
        }
    }
}

TEST(TimeStretch, StereoLockKeepsBothChannelsAndUndoIsExact) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    gEditing.editChannel = kEditLeft;  // both channels change all the same
    WaveRecord* w = Tone(330, 44100, true);
    std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
    EXPECT_EQ(obTimeStretch(w->editorNumber, 115.0, 0, 1), 1);
    EXPECT_NEAR(w->frameCount / 44100.0, 1.15, 0.035);
    for (int c = 0; c < 2; ++c)
        EXPECT_NEAR(DominantHz(Channel(*w, c), 300, 360, 44100), 330, 3.3) << c;
    EXPECT_EQ(BackupAt(*w, 0)->operation, uint32_t(kOpTimeStretch));
    EXPECT_EQ(BackupAt(*w, 0)->kind, uint32_t(kBackupWholeAllChannels));
    EXPECT_EQ(Undo(*w), 0);
    EXPECT_EQ(Channel(*w, 0), left);
    EXPECT_EQ(Channel(*w, 1), right);
    // Per channel, with an area inside the wave: the samples around it stay.
    SelectMouse(*w, 5000, 30000, 3);
    ASSERT_EQ(TimeStretch(*w, {92.0, true, false}), kEditDone);
    for (uint32_t i = 0; i < 5000; ++i) ASSERT_EQ(w->leftSamples[i], left[i]);
    uint32_t shift = 44100 - w->frameCount;
    for (uint32_t i = 35000 + 32767; i < 44100; ++i)
        ASSERT_EQ(w->rightSamples[i - shift], right[i]);
}

TEST(TimeStretch, PitchShiftMovesTheTone) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    for (double cents : {-400.0, -100.0, 300.0}) {
        WaveRecord* w = Tone(440, 44100, false);
        EXPECT_EQ(obPitchShift(w->editorNumber, cents, 0, 0), 1);
        // The length follows the stretch's deviation from the ratio; the pitch is exact.
        EXPECT_NEAR(w->frameCount, 44100, 44100 * 0.03) << cents;
        double want = 440 * std::pow(2.0, cents / 1200);
        EXPECT_NEAR(DominantHz(Channel(*w, 0), want * 0.9, want * 1.1, 44100), want, want * 0.01)
            << cents;
        EXPECT_EQ(BackupAt(*w, 0)->operation, uint32_t(kOpPitchShift));
        CloseAllEditors();
    }
}

TEST(TimeStretch, HostileMaterialAndTheShortestAreas) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    // The growing capacity: a low tone at 105 % on the shortest area.
    WaveRecord* w = Tone(44, 2816, false);
    EXPECT_EQ(TimeStretch(*w, {105.0}), kEditDone);
    w = Tone(44, 5632, true);
    EXPECT_EQ(TimeStretch(*w, {125.0, true, true}), kEditDone);
    // Silence: every candidate matches exactly, splices are still made.
    w = MakeWave(44100, false, [](int, uint32_t) { return 0.0f; });
    EXPECT_EQ(TimeStretch(*w, {80.0}), kEditDone);
    EXPECT_LT(w->frameCount, 44100u);  // each splice drops the nearest candidate's step
    // Samples far beyond full scale, and noise.
    w = MakeWave(20000, true, [](int c, uint32_t i) {
        return float(((i * 2654435761u + c) >> 16) % 2000) / 100.0f - 10.0f;
    });
    EXPECT_EQ(TimeStretch(*w, {120.0}), kEditDone);
    EXPECT_EQ(PitchShift(*w, {-400.0, true, false}), kEditDone);
    for (uint32_t i = 0; i < w->frameCount; ++i) ASSERT_TRUE(std::isfinite(w->leftSamples[i]));
}

TEST(TimeStretch, AbortAndMemoryNoLeaveTheWaveUnchanged) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = Tone(200, 88200, true);
    std::vector<float> left = Channel(*w, 0);
    ui.abortAtProgress = 30;
    EXPECT_EQ(TimeStretch(*w, {80.0}), kEditAborted);
    EXPECT_EQ(w->frameCount, 88200u);
    EXPECT_EQ(Channel(*w, 0), left);
    ui.abortAtProgress = -1;
    ClearAbort();
    // Progress points of a finished run.
    ui.progress.clear();
    ASSERT_EQ(TimeStretch(*w, {80.0}), kEditDone);
    for (int point : {5, 10, 30, 50, 70, 75, 80, 85, 90, 95})
        EXPECT_NE(std::find(ui.progress.begin(), ui.progress.end(), point), ui.progress.end())
            << point;
}

}  // namespace
}  // namespace ob
