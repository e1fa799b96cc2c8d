// The script functions of the dynamics and delay effects: 1 after a run (also
// an aborted one, and a compressor threshold of 0 dB, which does nothing and
// takes no undo step), 0 for a refusal (with its message), a non-finite
// argument (silently) or an open dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/progress.h"
#include "script/op_bindings.h"
#include "script_support.h"
#include "wave/undo.h"

using namespace ob;
using namespace ob::test;

namespace {

std::vector<float> Noise(size_t n, float scale = 0.5f) {
    std::vector<float> v(n);
    uint32_t h = 12345;
    for (size_t i = 0; i < n; ++i) {
        h = h * 1664525u + 1013904223u;
        v[i] = scale * (float(h >> 8) / float(1 << 24) * 2 - 1);
    }
    return v;
}

// Requests an abort once the progress bar reaches half way.
class AbortingUi : public BoxRecorder {
  public:
    void SetProgressBar(int percent) override {
        if (percent >= 50) RequestAbort();
    }
};

class EffectScripts : public ScriptTest {};

TEST_F(EffectScripts, ResultsRefusalsAndDialogs) {
    BoxRecorder ui;
    WaveRecord& w = MakeEditor(1, Noise(20000));
    std::vector<float> before(w.leftSamples, w.leftSamples + w.frameCount);
    auto unchanged = [&] {
        return std::vector<float>(w.leftSamples, w.leftSamples + w.frameCount) == before;
    };
    EXPECT_EQ(obEcho(1, 0.5, 50, 50), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Edit Size Too Small For Effect");
    EXPECT_EQ(obEcho(1, 0, 50, 50), 0);
    EXPECT_EQ(obFlange(1, 5, 50, 50, 1, 0, 1), 0);
    EXPECT_EQ(obChorus(1, 20, 50, 0, 1, 30), 0);
    EXPECT_EQ(obReverb(1, 0, 10, 5, 50, 5, 1), 0);
    ASSERT_EQ(ui.boxes.size(), 5u);
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(ui.boxes[i].text, "Parameter Can't Be 0 or 100%");
    EXPECT_EQ(obEcho(1, NAN, 50, 50), 0);
    EXPECT_EQ(obReverb(1, 2, INFINITY, 5, 50, 5, 1), 0);
    EXPECT_EQ(obCompress(1, -20, NAN, 1, 0.1, 10), 0);
    EXPECT_EQ(ui.boxes.size(), 5u);  // no message for a non-finite argument
    EXPECT_TRUE(unchanged());
    EXPECT_FALSE(CanUndo(w));

    // Threshold 0 dB (and above, clamped to 0): 1, nothing done, no undo step.
    EXPECT_EQ(obCompress(1, 0, 4, 1, 0.1, 10), 1);
    EXPECT_EQ(obCompress(1, 12, 4, 1, 0.1, 10), 1);
    EXPECT_TRUE(unchanged());
    EXPECT_FALSE(CanUndo(w));

    const ProcessDialog dialogs[] = {kDialogCompressor, kDialogNoiseGate, kDialogEcho,
                                     kDialogFlange,     kDialogChorus,    kDialogReverb};
    for (ProcessDialog d : dialogs) SetDialogInUse(d, true);
    EXPECT_EQ(obCompress(1, -30, 4, 1, 0.1, 10), 0);
    EXPECT_EQ(obNoiseGate(1, -10, 0.05, 0.1, 40), 0);
    EXPECT_EQ(obEcho(1, 0.1, 50, 50), 0);
    EXPECT_EQ(obFlange(1, 5, 50, 50, 1, 30, 1), 0);
    EXPECT_EQ(obChorus(1, 20, 50, 50, 1, 30), 0);
    EXPECT_EQ(obReverb(1, 2, 40, 14, 35, 12, 0), 0);
    EXPECT_TRUE(unchanged());
    for (ProcessDialog d : dialogs) SetDialogInUse(d, false);

    EXPECT_EQ(obCompress(1, -30, 4, 1, 0.1, 10), 1);
    EXPECT_EQ(obNoiseGate(1, -10, 0.05, 0.1, 40), 1);
    EXPECT_EQ(obEcho(1, -0.1, 50, 50), 1);  // the absolute value
    EXPECT_EQ(obFlange(1, 5, 50, 50, 1, 30, 1), 1);
    EXPECT_EQ(obChorus(1, 20, 50, 50, 1, 30), 1);
    EXPECT_EQ(obReverb(1, 2, 40, 14, 35, 12, 7), 1);  // 7 becomes spring
    EXPECT_EQ(BackupCount(w), 6u);
    EXPECT_EQ(BackupAt(w, 0)->operation, uint32_t(kOpReverb));
    EXPECT_EQ(BackupAt(w, 5)->operation, uint32_t(kOpCompressor));
    EXPECT_EQ(ui.boxes.size(), 5u);
    EXPECT_FALSE(unchanged());
    EXPECT_EQ(obEcho(2, 0.1, 50, 50), 0);  // no such editor
}

TEST_F(EffectScripts, SmallRatesAndAnAbortedRun) {
    BoxRecorder ui;
    MakeEditor(1, Noise(3000), {}, 2990);
    EXPECT_EQ(obFlange(1, 1, 0, 100, 0.1, 99, 0), 1);  // a two-entry line
    MakeEditor(2, Noise(20000), {}, 100);
    EXPECT_EQ(obReverb(2, 2, 10, 14, 35, 12, 0), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Bad Parameter For Waveform");
    {
        AbortingUi aborting;
        WaveRecord& w = MakeEditor(3, Noise(50000));
        float last = w.leftSamples[49999];
        EXPECT_EQ(obEcho(3, 0.01, 50, 50), 1);
        EXPECT_EQ(w.leftSamples[49999], last);  // stopped half way
        EXPECT_EQ(obNoiseGate(3, -10, 0.05, 0.1, 40), 1);
        EXPECT_EQ(w.leftSamples[49999], last);
    }
}

}  // namespace
