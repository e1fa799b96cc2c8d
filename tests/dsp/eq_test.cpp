// Equalization: area and channel untouched, undo exact, abort, the progress
// steps, the do-nothing cases (no undo step), the clamps, the recorder lines,
// the preset records (built-ins, both byte orders, out-of-range and hostile
// files) and the preview filler (the wave unchanged, the same samples as the
// operation, one copy of the settings per buffer).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/eq_preview.h"
#include "dsp/equalization.h"
#include "dsp/operation.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"
#include "wave/file_result.h"

namespace ob {
namespace {

float Noise(uint32_t i, int channel) {
    uint32_t h = (i + 1) * 2654435761u ^ (channel ? 0x9E3779B9u : 0u);
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return float(int32_t(h % 20001) - 10000) / 30000.0f;
}

WaveRecord* NoiseWave(uint32_t frames, bool stereo, uint32_t rate = 44100) {
    return MakeWave(
        frames, stereo, [](int c, uint32_t i) { return Noise(i, c); }, rate);
}

std::string TempPath(const char* name) {
    return ::testing::TempDir() + "/eq_" + name;
}

struct EqRun {
    const char* what;
    std::function<int(WaveRecord&)> run;
    const char* history;
};

const EqRun kRuns[] = {
    {"bass and treble",
     [](WaveRecord& w) {
         return BassTreble(w, {3, 100, 6.0, 8000, -4.0});
     },
     "EQ: Bass & Treble"},
    {"filters order 5 and 2",
     [](WaveRecord& w) {
         return HighLowPass(w, {3, 5, 160, 2, 3000});
     },
     "EQ: Filters"},
    {"grafreq", [](WaveRecord& w) { return GraFreq(w, GraFreqParams{}); }, "EQ: GraFreq"},
    {"parametric",
     [](WaveRecord& w) {
         return Parametric(w, {3, {60, -20, 0.1}, {4000, 4, 1.0}});
     },
     "EQ: Parametric"},
    {"vari-time",
     [](WaveRecord& w) {
         return VariTime(w, {1, 40, 1000});
     },
     "Time Variant Filter"},
};

TEST(Equalization, OutsideAreaAndChannelUntouchedUndoExactAndNamed) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    for (const EqRun& r : kRuns) {
        SCOPED_TRACE(r.what);
        WaveRecord* w = NoiseWave(30000, true);
        std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        SelectMouse(*w, 5000, 12000, 1);
        ASSERT_EQ(r.run(*w), kEditDone);
        std::vector<float> after = Channel(*w, 0);
        for (uint32_t i = 0; i < 5000; ++i) ASSERT_EQ(after[i], left[i]) << i;
        for (uint32_t i = 17000; i < 30000; ++i) ASSERT_EQ(after[i], left[i]) << i;
        int changed = 0;
        for (uint32_t i = 5000; i < 17000; ++i) changed += after[i] != left[i];
        EXPECT_GT(changed, 10000);
        EXPECT_EQ(Channel(*w, 1), right);
        std::vector<std::string> lines = UndoHistoryLines(*w);
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines[0].find(r.history), std::string::npos) << lines[0];
        ASSERT_EQ(Undo(*w), 0);
        EXPECT_EQ(Channel(*w, 0), left);
        ASSERT_EQ(Redo(*w), 0);
        EXPECT_EQ(Channel(*w, 0), after);
        CloseAllEditors();
    }
}

TEST(Equalization, AbortLeavesTheRestUntouchedAndUndoRestores) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    for (const EqRun& r : kRuns) {
        SCOPED_TRACE(r.what);
        RecordingUserInterface ui;
        ui.abortAtProgress = 50;
        WaveRecord* w = NoiseWave(60000, true);
        std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        EXPECT_EQ(r.run(*w), kEditAborted);
        std::vector<float> after = Channel(*w, 0);
        for (float v : after) ASSERT_TRUE(std::isfinite(v));
        EXPECT_NE(after, left);
        EXPECT_EQ(after.back(), left.back());
        EXPECT_EQ(Channel(*w, 1), right);
        ASSERT_EQ(Undo(*w), 0);
        EXPECT_EQ(Channel(*w, 0), left);
        CloseAllEditors();
    }
}

TEST(Equalization, ProgressStepsAndShortAreas) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    {
        RecordingUserInterface ui;
        WaveRecord* w = NoiseWave(40000, false);
        ASSERT_EQ(HighLowPass(*w, {3, 5, 160, 2, 3000}), kEditDone);  // four passes
        EXPECT_EQ(ui.StepsSeen(), 20);
        CloseAllEditors();
    }
    // Areas of 1 and 19 samples: a progress interval of 0 means no steps.
    for (uint32_t length : {1u, 19u}) {
        for (const EqRun& r : kRuns) {
            SCOPED_TRACE(r.what);
            RecordingUserInterface ui;
            WaveRecord* w = NoiseWave(100, false);
            std::vector<float> left = Channel(*w, 0);
            SelectMouse(*w, 50, length, 1);
            EXPECT_EQ(r.run(*w), kEditDone);
            EXPECT_EQ(ui.StepsSeen(), 0);
            EXPECT_NE(Channel(*w, 0), left);
            CloseAllEditors();
        }
    }
}

TEST(Equalization, NothingToDoTakesNoUndoStep) {
    GlobalStateGuard guard;
    WaveRecord* w = NoiseWave(5000, false);
    std::vector<float> left = Channel(*w, 0);
    GraFreqParams flat;
    for (double& db : flat.db) db = 0;
    EXPECT_EQ(GraFreq(*w, flat), kEditNothing);
    // Bands above 0.425 of the rate or below 5 Hz count as 0 dB.
    GraFreqParams high = flat;
    high.hz[4] = 18800;  // above trunc(0.425 * 44100) = 18742
    high.db[4] = 10;
    high.hz[0] = 3;
    high.db[0] = -10;
    EXPECT_EQ(GraFreq(*w, high), kEditNothing);
    EXPECT_EQ(BassTreble(*w, {0, 100, 6, 8000, 6}), kEditNothing);
    EXPECT_EQ(HighLowPass(*w, {0, 2, 100, 2, 5000}), kEditNothing);
    EXPECT_EQ(Parametric(*w, {0, {100, 6, 1}, {1000, 6, 1}}), kEditNothing);
    SelectMouse(*w, 100, 0, 1);
    EXPECT_EQ(VariTime(*w, {1, 0, 0}), kEditNothing);  // an empty area
    EXPECT_EQ(w->undoHead, nullptr);
    EXPECT_EQ(Channel(*w, 0), left);
}

TEST(Equalization, ClampsAndRefusals) {
    BassTrebleParams bt{7, 0, 30.0, -5, -99.0};
    EXPECT_TRUE(ClampBassTreble(bt));
    EXPECT_EQ(bt.use, 3);
    EXPECT_EQ(bt.bassHz, 5);
    EXPECT_EQ(bt.bassDb, 20.0);
    EXPECT_EQ(bt.trebleHz, 5);
    EXPECT_EQ(bt.trebleDb, -20.0);
    bt.bassDb = NAN;
    EXPECT_FALSE(ClampBassTreble(bt));
    FiltersParams fi{1, 3, 100, 4, 100};
    EXPECT_FALSE(ClampFilters(fi));  // a used order 3
    fi.use = 0;
    EXPECT_TRUE(ClampFilters(fi));  // unused sides are not checked
    fi = {2, 3, 100, 5, 2};
    EXPECT_TRUE(ClampFilters(fi));
    EXPECT_EQ(fi.lowHz, 5);
    ParametricParams pa{3, {100, 25, 0.01}, {100, -25, 9}};
    EXPECT_TRUE(ClampParametric(pa));
    EXPECT_EQ(pa.a.octaves, 0.1);
    EXPECT_EQ(pa.b.octaves, 3.0);
    EXPECT_EQ(pa.a.db, 20.0);
    EXPECT_EQ(pa.b.db, -20.0);
    VariTimeParams vt{7, 0, -3};
    EXPECT_TRUE(ClampVariTime(vt));
    EXPECT_EQ(vt.kind, kVariTimeLowPass);
    EXPECT_EQ(vt.startHz, 5);
    EXPECT_EQ(vt.endHz, 5);
    // Frequencies above 0.475 of the rate act as 0.475 of it.
    EXPECT_EQ(NormalisedFrequency(30000, 44100), 0.475);
    EXPECT_EQ(NormalisedFrequency(1, 44100), 5.0 / 44100);
}

TEST(Equalization, FrequenciesPastNyquistStayFinite) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    WaveRecord* w = NoiseWave(20000, false, 8000);
    ASSERT_EQ(VariTime(*w, {2, 20, 30000}), kEditDone);  // glides past Nyquist
    for (float v : Channel(*w, 0)) ASSERT_TRUE(std::isfinite(v));
    ASSERT_EQ(GraFreq(*w, {{50, 150, 1000, 3000, 3300}, {6, 3, -20, 20, 20}}), kEditDone);
    for (float v : Channel(*w, 0)) ASSERT_TRUE(std::isfinite(v));
}

TEST(Equalization, MacroLines) {
    EXPECT_EQ(BassTrebleMacroLine(2, {3, 80, 6.0, 10000, 3.0}),
              "obEQBass 2, 80, 6.0\nobEQTreble 2, 10000, 3.0\n");
    EXPECT_EQ(BassTrebleMacroLine(2, {2, 80, 6.0, 8000, -3.04}), "obEQTreble 2, 8000, -3.0\n");
    EXPECT_EQ(FiltersMacroLine(1, {3, 5, 160, 2, 3000}),
              "obEQLowPass 1, 3000, 2\nobEQHighPass 1, 160, 5\n");
    EXPECT_EQ(FiltersMacroLine(1, {1, 1, 200, 2, 3000}), "obEQHighPass 1, 200, 1\n");
    EXPECT_EQ(GraFreqMacroLine(3, GraFreqParams{}),
              "obEQGraFreq 3, 50, 6.0, 150, 3.0, 1000, 0.0, 4000, 0.0, 15000, 4.0\n");
    EXPECT_EQ(ParametricMacroLine(1, {3, {60, -20, 0.1}, {120, -20, 0.1}}),
              "obEQParametric 1, 60, -20.0, 0.10\nobEQParametric 1, 120, -20.0, 0.10\n");
    EXPECT_EQ(VariTimeMacroLine(4, {1, 40, 1000}), "obEQVT 4, 1, 40, 1000\n");
}

// ---- Presets ----

const EffectPresetFormat* const kFormats[] = {&kBassTreblePreset, &kFiltersPreset, &kGraFreqPreset,
                                              &kParametricPreset, &kVariTimePreset};

TEST(EqPresets, KindsSizesAndBuiltIns) {
    const char* kinds[] = {"EQBT", "EQFI", "EQGF", "EQPA", "EQVT"};
    const uint32_t sizes[] = {104, 104, 124, 112, 104};
    const size_t counts[] = {7, 8, 6, 10, 8};
    for (int k = 0; k < 5; ++k) {
        const EffectPresetFormat& f = *kFormats[k];
        EXPECT_STREQ(f.Kind().kind, kinds[k]);
        EXPECT_EQ(f.RecordSize(), sizes[k]);
        EXPECT_EQ(f.Kind().recordSize, sizes[k]);
        EXPECT_EQ(f.builtInCount, counts[k]);
        EXPECT_EQ(f.Kind().builtIns, counts[k]);
        std::vector<uint8_t> all = EffectPresetBuiltIns(f);
        ASSERT_EQ(all.size(), sizes[k] * counts[k]);
        for (size_t i = 0; i < counts[k]; ++i) {
            int32_t fields[kEffectPresetMaxFields];
            std::string name;
            ASSERT_TRUE(DecodeEffectPreset(f, all.data() + i * sizes[k], fields, &name)) << i;
            EXPECT_EQ(name, f.builtIns[i].name);
        }
    }
    // The start values are the named built-ins.
    int32_t f[kEffectPresetMaxFields];
    BassTrebleToFields(BassTrebleParams{}, f);
    EXPECT_STREQ(kBassTreblePreset.builtIns[2].name, "Boom that bass");
    EXPECT_EQ(std::vector<int32_t>(f, f + 5),
              std::vector<int32_t>(kBassTreblePreset.builtIns[2].fields,
                                   kBassTreblePreset.builtIns[2].fields + 5));
    FiltersToFields(FiltersParams{}, f);
    EXPECT_STREQ(kFiltersPreset.builtIns[2].name, "Remove sub-sonics");
    EXPECT_EQ(f[0], 1);
    EXPECT_EQ(f[1], 5);
    EXPECT_EQ(f[2], 20);
    FiltersParams tel = FiltersFromFields(kFiltersPreset.builtIns[6].fields);
    EXPECT_EQ(tel.use, 3);
    EXPECT_EQ(tel.highOrder, 5);
    EXPECT_EQ(tel.highHz, 160);
    EXPECT_EQ(tel.lowOrder, 2);
    EXPECT_EQ(tel.lowHz, 3000);
    ParametricParams hum = ParametricFromFields(kParametricPreset.builtIns[1].fields);
    EXPECT_EQ(hum.use, 3);
    EXPECT_EQ(hum.b.hz, 120);
    EXPECT_DOUBLE_EQ(hum.b.octaves, 0.1);
    EXPECT_DOUBLE_EQ(hum.a.db, -20.0);
    GraFreqParams honk = GraFreqFromFields(kGraFreqPreset.builtIns[2].fields);
    EXPECT_DOUBLE_EQ(honk.db[2], -5.0);
    EXPECT_EQ(honk.hz[4], 14000);
    VariTimeParams chop = VariTimeFromFields(kVariTimePreset.builtIns[7].fields);
    EXPECT_STREQ(kVariTimePreset.builtIns[7].name, "Chop Bass");
    EXPECT_EQ(chop.kind, kVariTimeHighPass);
    EXPECT_EQ(chop.startHz, 40);
    EXPECT_EQ(chop.endHz, 1000);
}

TEST(EqPresets, FilesInBothByteOrdersAndHostileOnes) {
    for (const EffectPresetFormat* f : kFormats) {
        for (bool big : {false, true}) {
            std::string path = TempPath(big ? "big.obx" : "little.obx");
            const int32_t* fields = f->builtIns[f->builtInCount - 1].fields;
            ASSERT_EQ(WriteEffectPreset(path, *f, fields, "Mine", big), kFileOk);
            int32_t got[kEffectPresetMaxFields] = {};
            std::string name;
            ASSERT_EQ(ReadEffectPreset(path, *f, got, &name), kFileOk);
            EXPECT_EQ(name, "Mine");
            for (size_t i = 0; i < f->fieldCount; ++i) EXPECT_EQ(got[i], fields[i]) << i;
            std::remove(path.c_str());
        }
    }
    std::string path = TempPath("bad.obx");
    int32_t gain[kEffectPresetMaxFields] = {1, 250, 100, 0, 10000};  // +25 dB
    ASSERT_EQ(WriteEffectPreset(path, kBassTreblePreset, gain, "x"), kFileOk);
    int32_t got[kEffectPresetMaxFields];
    EXPECT_EQ(ReadEffectPreset(path, kBassTreblePreset, got, nullptr), kCorruptFile);
    int32_t width[kEffectPresetMaxFields] = {1, 0, 1000, 5, 0, 1000, 100};  // 0.05 octave
    ASSERT_EQ(WriteEffectPreset(path, kParametricPreset, width, "x"), kFileOk);
    EXPECT_EQ(ReadEffectPreset(path, kParametricPreset, got, nullptr), kCorruptFile);
    int32_t order[kEffectPresetMaxFields] = {1, 3, 100, 2, 5000};  // order 3
    ASSERT_EQ(WriteEffectPreset(path, kFiltersPreset, order, "x"), kFileOk);
    FiltersParams fp;
    EXPECT_EQ(ReadFiltersPreset(path, &fp, nullptr), kCorruptFile);
    int32_t good[kEffectPresetMaxFields] = {2, 2, 100, 1, 3000};
    ASSERT_EQ(WriteEffectPreset(path, kFiltersPreset, good, "ok"), kFileOk);
    std::string name;
    EXPECT_EQ(ReadFiltersPreset(path, &fp, &name), kFileOk);
    EXPECT_EQ(fp.lowOrder, 1);
    EXPECT_EQ(name, "ok");
    // A record shorter than the kind's size, and a file of another kind.
    std::vector<uint8_t> record =
        EncodeEffectPreset(kGraFreqPreset, kGraFreqPreset.builtIns[0].fields, "x");
    ASSERT_EQ(WritePresetFile(path, "EQGF", record.data(), 60), kFileOk);
    EXPECT_EQ(ReadEffectPreset(path, kGraFreqPreset, got, nullptr), kFileReadError);
    EXPECT_EQ(ReadEffectPreset(path, kVariTimePreset, got, nullptr), kItemNotFound);
    std::remove(path.c_str());
}

// ---- Preview ----

TEST(EqPreview, FillsTheSameSamplesAsTheOperationAndLeavesTheWave) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    for (int function :
         {kEqPreviewBassTreble, kEqPreviewFilters, kEqPreviewGraFreq, kEqPreviewParametric}) {
        SCOPED_TRACE(function);
        WaveRecord* w = NoiseWave(20000, true);
        SelectMouse(*w, 3000, 9000, 3);
        std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        EqPreviewSettings s;
        s.function = function;
        s.bassTreble = {3, 100, 6, 8000, -4};
        s.filters = {3, 2, 160, 1, 3000};
        auto control = std::make_shared<EqPreviewControl>(s);
        EqPreviewFiller filler(*w, control);
        ASSERT_EQ(filler.Channels(), 2u);
        std::vector<float> l(9000), r(9000);
        uint32_t done = 0;
        while (done < 9000) {
            uint32_t n = filler.Fill(l.data() + done, r.data() + done, 1024);
            ASSERT_GT(n, 0u);
            done += n;
        }
        EXPECT_EQ(filler.Fill(l.data(), r.data(), 1024), 0u);  // the end of the area
        EXPECT_EQ(Channel(*w, 0), left);
        EXPECT_EQ(Channel(*w, 1), right);
        int result = function == kEqPreviewBassTreble ? BassTreble(*w, s.bassTreble)
                     : function == kEqPreviewFilters  ? HighLowPass(*w, s.filters)
                     : function == kEqPreviewGraFreq  ? GraFreq(*w, s.graFreq)
                                                      : Parametric(*w, s.parametric);
        ASSERT_EQ(result, kEditDone);
        for (uint32_t i = 0; i < 9000; ++i) {
            ASSERT_EQ(l[i], w->leftSamples[3000 + i]) << i;
            ASSERT_EQ(r[i], w->rightSamples[3000 + i]) << i;
        }
        CloseAllEditors();
    }
}

TEST(EqPreview, HoldsItsSamplesWhenTheEditorCloses) {
    GlobalStateGuard guard;
    WaveRecord* w = NoiseWave(6000, true);
    SelectMouse(*w, 100, 4096, 3);
    EqPreviewSettings s;
    s.bassTreble = {3, 100, 6, 8000, -4};
    auto control = std::make_shared<EqPreviewControl>(s);
    EqPreviewFiller before(*w, control), after(*w, control);
    std::vector<float> l1(4096), r1(4096), l2(4096), r2(4096);
    ASSERT_EQ(before.Fill(l1.data(), r1.data(), 4096), 4096u);
    // The sound goes while the second filler still has its whole area to play.
    CloseAllEditors();
    ASSERT_EQ(after.Fill(l2.data(), r2.data(), 4096), 4096u);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
}

TEST(EqPreview, ChangesApplyFromTheNextBufferAndOrderFiveIsRefused) {
    GlobalStateGuard guard;
    WaveRecord* w = NoiseWave(8192, false);
    EqPreviewSettings s;
    s.function = kEqPreviewParametric;
    auto control = std::make_shared<EqPreviewControl>(s);
    EqPreviewFiller filler(*w, control);
    std::vector<float> buffer(1024);
    filler.Fill(buffer.data(), nullptr, 1024);
    EqSections first = filler.Sections();
    EXPECT_EQ(first.count, 1);
    s.parametric.use = 3;
    control->Set(s);
    EXPECT_EQ(filler.Sections().count, 1);  // not inside the running buffer
    filler.Fill(buffer.data(), nullptr, 1024);
    EXPECT_EQ(filler.Sections().count, 2);
    s.function = kEqPreviewFilters;
    s.filters = {1, 5, 100, 2, 5000};
    EXPECT_FALSE(EqPreviewAvailable(s));
    EXPECT_EQ(EqPreviewSections(s, 44100).count, 0);
    s.filters.highOrder = 2;
    EXPECT_TRUE(EqPreviewAvailable(s));
    EXPECT_EQ(std::string(kEqPreviewOrderFiveText), "Preview not available for 5th order filters");
}

}  // namespace
}  // namespace ob
