// Dynamics and delay effects: refusals change nothing and take no undo step,
// runs keep the samples outside the area and channel and undo exactly, an
// abort keeps a complete wave, the clamps, the recorder lines, and the preset
// records (built-ins, both byte orders, out-of-range and hostile files).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "dsp/delay.h"
#include "dsp/dynamics.h"
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
    return float(int32_t(h % 20001) - 10000) / 12000.0f;
}

WaveRecord* NoiseWave(uint32_t frames, bool stereo, uint32_t rate = 44100) {
    return MakeWave(
        frames, stereo, [](int c, uint32_t i) { return Noise(i, c); }, rate);
}

struct Refusal {
    const char* what;
    std::function<int(WaveRecord&)> run;
    const char* text;
    uint32_t rate;
};

TEST(Effects, RefusalsChangeNothingAndTakeNoUndoStep) {
    GlobalStateGuard guard;
    const Refusal cases[] = {
        {"echo delay 0",
         [](WaveRecord& w) {
             return Echo(w, {0, 50, 50});
         },
         kTextParameterZero, 44100},
        {"echo loudness 0",
         [](WaveRecord& w) {
             return Echo(w, {0.1, 50, 0});
         },
         kTextParameterZero, 44100},
        {"echo too long",
         [](WaveRecord& w) {
             return Echo(w, {0.5, 50, 50});
         },
         kTextEditTooSmall, 44100},
        {"echo line under 2",
         [](WaveRecord& w) {
             return Echo(w, {0.00002, 50, 50});
         },
         kTextEditTooSmall, 44100},
        {"flange depth 0",
         [](WaveRecord& w) {
             return Flange(w, {5, 50, 50, 1, 0, false});
         },
         kTextParameterZero, 44100},
        {"chorus speed 0",
         [](WaveRecord& w) {
             return Chorus(w, {20, 50, 50, 0, 30, false});
         },
         kTextParameterZero, 44100},
        {"chorus too long",
         [](WaveRecord& w) {
             return Chorus(w, {60, 50, 50, 1, 30, false});
         },
         kTextEditTooSmall, 44100 * 2},
        {"reverb decay 0",
         [](WaveRecord& w) {
             return Reverb(w, {0, 10, 5, 50, 5, 1});
         },
         kTextParameterZero, 44100},
        {"reverb 100 Hz",
         [](WaveRecord& w) {
             return Reverb(w, {2, 10, 14, 35, 12, 0});
         },
         kTextBadParameter, 100},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingUserInterface ui;
        // 20000 frames at 44.1 kHz; the chorus case: 2000 frames at 88.2 kHz.
        uint32_t frames = c.rate == 88200 ? 2000 : 20000;
        WaveRecord* w = NoiseWave(frames, true, c.rate);
        w->name = "refused.wav";
        std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        EXPECT_EQ(c.run(*w), kEditRefused);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, c.text);
        EXPECT_EQ(ui.boxes[0].caption, TitleOf(*w));
        EXPECT_EQ(Channel(*w, 0), left);
        EXPECT_EQ(Channel(*w, 1), right);
        EXPECT_FALSE(CanUndo(*w));
        CloseAllEditors();
    }
}

TEST(Effects, ThresholdZeroDoesNothing) {
    GlobalStateGuard guard;
    RecordingUserInterface ui;
    WaveRecord* w = NoiseWave(5000, false);
    std::vector<float> before = Channel(*w, 0);
    EXPECT_EQ(Compress(*w, {0.0, 4, 1, 0.1, 10}), kEditNothing);
    EXPECT_EQ(Compress(*w, {3.0, 4, 1, 0.1, 10}), kEditNothing);  // clamped to 0
    EXPECT_EQ(Channel(*w, 0), before);
    EXPECT_FALSE(CanUndo(*w));
    EXPECT_TRUE(ui.boxes.empty());
}

struct EffectRun {
    const char* what;
    std::function<int(WaveRecord&)> run;
    uint32_t undoCode;
};

const EffectRun kRuns[] = {
    {"compressor",
     [](WaveRecord& w) {
         return Compress(w, {-30, 4, 1, 0.1, 10});
     },
     18},
    {"expander",
     [](WaveRecord& w) {
         return Compress(w, {-20, 0.5, 1, 0.2, 40});
     },
     18},
    {"noise gate",
     [](WaveRecord& w) {
         return NoiseGate(w, {-10, 0.05, 0.1, 40});
     },
     23},
    {"echo",
     [](WaveRecord& w) {
         return Echo(w, {0.01, 50, 50});
     },
     35},
    {"flange",
     [](WaveRecord& w) {
         return Flange(w, {5, 75, 50, 0.2, 70, true});
     },
     34},
    {"chorus",
     [](WaveRecord& w) {
         return Chorus(w, {10, 50, 50, 0.6, 37, false});
     },
     33},
    {"reverb",
     [](WaveRecord& w) {
         return Reverb(w, {1.5, 15, 15, 50, 12, kReverbHall});
     },
     36},
};

TEST(Effects, OutsideAreaAndChannelUntouchedAndUndoExact) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    for (int backups : {0, 1}) {
        for (const EffectRun& r : kRuns) {
            SCOPED_TRACE(std::string(r.what) + (backups ? " backups" : " in place"));
            RecordingUserInterface ui;
            gBackups = backups ? 1 : 0;
            WaveRecord* w = NoiseWave(30000, true);
            SelectMouse(*w, 4000, 20000, 1);
            std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
            ASSERT_EQ(r.run(*w), kEditDone);
            std::vector<float> after = Channel(*w, 0);
            EXPECT_EQ(Channel(*w, 1), right);
            for (uint32_t i = 0; i < 30000; ++i) {
                if (i < 4000 || i >= 24000) {
                    ASSERT_EQ(after[i], left[i]) << i;
                } else {
                    ASSERT_TRUE(std::isfinite(after[i])) << i;
                }
            }
            int changed = 0;
            for (uint32_t i = 4000; i < 24000; ++i) changed += after[i] != left[i];
            EXPECT_GT(changed, 1000);
            if (backups) {
                ASSERT_TRUE(CanUndo(*w));
                EXPECT_EQ(BackupAt(*w, 0)->operation, r.undoCode);
                ASSERT_EQ(Undo(*w), 0);
                EXPECT_EQ(Channel(*w, 0), left);
                ASSERT_EQ(Redo(*w), 0);
                EXPECT_EQ(Channel(*w, 0), after);
            }
            CloseAllEditors();
        }
    }
}

TEST(Effects, AbortKeepsACompleteWaveThatUndoRestores) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    for (const EffectRun& r : kRuns) {
        SCOPED_TRACE(r.what);
        RecordingUserInterface ui;
        ui.abortAtProgress = 50;
        WaveRecord* w = NoiseWave(60000, true);
        std::vector<float> left = Channel(*w, 0), right = Channel(*w, 1);
        EXPECT_EQ(r.run(*w), kEditAborted);
        std::vector<float> after = Channel(*w, 0);
        for (float v : after) ASSERT_TRUE(std::isfinite(v));
        EXPECT_NE(after, left);
        EXPECT_EQ(after.back(), left.back());  // the end was not reached
        EXPECT_EQ(Channel(*w, 1), right);      // the right channel was not reached
        ASSERT_EQ(Undo(*w), 0);
        EXPECT_EQ(Channel(*w, 0), left);
        CloseAllEditors();
    }
}

TEST(Effects, EdgeCases) {
    GlobalStateGuard guard;
    gProcessing.smoothingOptions = 0;
    RecordingUserInterface ui;
    // Flange 1 ms at 2990 Hz: a two-entry line, sweep maximum 0.
    WaveRecord* w = NoiseWave(3000, false, 2990);
    EXPECT_EQ(Flange(*w, {1, 0, 100, 0.1, 99, false}), kEditDone);
    for (float v : Channel(*w, 0)) ASSERT_TRUE(std::isfinite(v));
    // Tiny areas: nothing wraps, nothing is read outside the area.
    for (uint32_t n : {1u, 2u, 3u, 5u, 21u}) {
        WaveRecord* t = NoiseWave(n, false);
        std::vector<float> before = Channel(*t, 0);
        EXPECT_EQ(NoiseGate(*t, {-10, 0.05, 0.1, 40}), kEditDone);
        EXPECT_EQ(Channel(*t, 0), before);  // shorter than W + 3: left alone
        EXPECT_EQ(Compress(*t, {-60, 10, 0.01, 0.01, 50}), kEditDone);
        for (float v : Channel(*t, 0)) ASSERT_TRUE(std::isfinite(v));
    }
    // An empty mouse area does nothing.
    WaveRecord* e = NoiseWave(100, false);
    SelectMouse(*e, 10, 0, 1);
    EXPECT_EQ(Compress(*e, {-30, 4, 1, 0.1, 10}), kEditNothing);
    EXPECT_EQ(NoiseGate(*e, {-30, 1, 0.1, 10}), kEditNothing);
    EXPECT_FALSE(CanUndo(*e));
}

TEST(Effects, Clamps) {
    CompressorParams c{5, 0.01, 100, 10, 99};
    ASSERT_TRUE(ClampCompressor(c));
    EXPECT_EQ(c.threshold, 0);
    EXPECT_EQ(c.ratio, 0.2);
    EXPECT_EQ(c.attackMs, 20);
    EXPECT_EQ(c.releaseS, 2);
    EXPECT_EQ(c.detectionMs, 50);
    c = {-100, 20, 0, 0, -4};
    ASSERT_TRUE(ClampCompressor(c));
    EXPECT_EQ(c.threshold, -60);
    EXPECT_EQ(c.ratio, 10);
    EXPECT_EQ(c.attackMs, 0.01);
    EXPECT_EQ(c.releaseS, 0.01);
    EXPECT_EQ(c.detectionMs, 1);
    NoiseGateParams g{-5, 1, 1, 40};
    ASSERT_TRUE(ClampNoiseGate(g));
    EXPECT_EQ(g.threshold, -10);
    g.threshold = -200;
    ASSERT_TRUE(ClampNoiseGate(g));
    EXPECT_EQ(g.threshold, -90);
    EchoParams echo{-0.5, 150, -200};
    ASSERT_TRUE(ClampEcho(echo));
    EXPECT_EQ(echo.delayS, 0.5);
    EXPECT_EQ(echo.feedback, 99);
    EXPECT_EQ(echo.loudness, 100);
    echo.delayS = 30;
    ASSERT_TRUE(ClampEcho(echo));
    EXPECT_EQ(echo.delayS, 10);
    FlangeParams f{-80, 5, 5, 0.01, 120, true};
    ASSERT_TRUE(ClampFlange(f));
    EXPECT_EQ(f.delayMs, 60);
    EXPECT_EQ(f.speedS, 0.1);
    EXPECT_EQ(f.depth, 99);
    f.speedS = 0;  // stays 0 for the operation to refuse with its message
    ASSERT_TRUE(ClampFlange(f));
    EXPECT_EQ(f.speedS, 0);
    f.speedS = 99;
    ASSERT_TRUE(ClampFlange(f));
    EXPECT_EQ(f.speedS, 50);
    ReverbParams r{0.05, 500, 30, 150, -25, 7};
    ASSERT_TRUE(ClampReverb(r));
    EXPECT_EQ(r.decayS, 0.2);
    EXPECT_EQ(r.preDelayMs, 200);
    EXPECT_EQ(r.damping, 20);
    EXPECT_EQ(r.loudness, 100);
    EXPECT_EQ(r.diffusion, 20);
    EXPECT_EQ(r.enclosure, kReverbSpring);
    r.enclosure = -1;
    ASSERT_TRUE(ClampReverb(r));
    EXPECT_EQ(r.enclosure, kReverbRoom);
    r.decayS = 25;
    ASSERT_TRUE(ClampReverb(r));
    EXPECT_EQ(r.decayS, 20);
    for (double bad : {std::nan(""), double(INFINITY)}) {
        CompressorParams cc;
        cc.ratio = bad;
        EXPECT_FALSE(ClampCompressor(cc));
        NoiseGateParams gg;
        gg.releaseS = bad;
        EXPECT_FALSE(ClampNoiseGate(gg));
        EchoParams ee;
        ee.feedback = bad;
        EXPECT_FALSE(ClampEcho(ee));
        FlangeParams ff;
        ff.depth = bad;
        EXPECT_FALSE(ClampFlange(ff));
        ReverbParams rr;
        rr.diffusion = bad;
        EXPECT_FALSE(ClampReverb(rr));
    }
}

TEST(Effects, MacroLines) {
    EXPECT_EQ(CompressorMacroLine(3, {-20, 4, 1, 0.1, 10}),
              "obCompress 3, -20.0, 4.00, 1.00, 0.10, 10\n");
    EXPECT_EQ(NoiseGateMacroLine(1, {-40, 0.05, 0.1, 40}),
              "obNoiseGate 1, -40.0, 0.05, 0.10, 40\n");
    EXPECT_EQ(EchoMacroLine(2, {0.1, 50, 50}), "obEcho 2, 0.100000, 50.0, 50.0\n");
    EXPECT_EQ(FlangeMacroLine(1, {5, 75, 50, 0.2, 70, true}),
              "obFlange 1, 5.00, 75.0, 50.0, 0.200, 70.0, 1\n");
    EXPECT_EQ(ChorusMacroLine(4, {22, 45, 45, 10, 30, false}),
              "obChorus 4, 22.00, 45.0, 45.0, 10.000, 30.0\n");
    EXPECT_EQ(ReverbMacroLine(2, {2, 40, 14, 35, 12, kReverbHall}),
              "obReverb 2, 2.00, 40.0, 14.0, 35.0, 12.0, OB_REVERB_HALL\n");
    EXPECT_EQ(ReverbMacroLine(1, {0.3, 100, 4, 85, 15, kReverbSpring}),
              "obReverb 1, 0.30, 100.0, 4.0, 85.0, 15.0, OB_REVERB_SPRING\n");
    EXPECT_STREQ(ReverbEnclosureName(kReverbRoom), "OB_REVERB_ROOM");
}

// ---- Presets ----

const EffectPresetFormat* const kFormats[] = {&kCompressorPreset, &kNoiseGatePreset,
                                              &kEchoPreset,       &kFlangePreset,
                                              &kChorusPreset,     &kReverbPreset};

std::string TempPath(const char* name) {
    return ::testing::TempDir() + "/effects_" + name;
}

TEST(EffectPresets, KindsSizesAndBuiltIns) {
    const char* kinds[] = {"COMP", "NSGT", "ECHO", "FLAN", "CHOR", "RVRB"};
    const uint32_t sizes[] = {104, 100, 96, 108, 104, 108};
    const size_t counts[] = {7, 6, 7, 7, 7, 10};
    for (int k = 0; k < 6; ++k) {
        const EffectPresetFormat& f = *kFormats[k];
        SCOPED_TRACE(kinds[k]);
        EXPECT_STREQ(f.Kind().kind, kinds[k]);
        EXPECT_EQ(f.RecordSize(), sizes[k]);
        EXPECT_EQ(f.Kind().recordSize, sizes[k]);
        EXPECT_EQ(f.builtInCount, counts[k]);
        EXPECT_EQ(f.Kind().builtIns, counts[k]);
        std::vector<uint8_t> all = EffectPresetBuiltIns(f);
        ASSERT_EQ(all.size(), counts[k] * sizes[k]);
        for (size_t i = 0; i < counts[k]; ++i) {
            int32_t fields[kEffectPresetMaxFields];
            std::string name;
            ASSERT_TRUE(DecodeEffectPreset(f, all.data() + i * sizes[k], fields, &name)) << i;
            EXPECT_EQ(name, f.builtIns[i].name);
            EXPECT_FALSE(name.empty());
            EXPECT_LT(name.size(), kPresetNameBytes);
        }
    }
    // The start values are the initial presets.
    CompressorParams soften = CompressorFromFields(kCompressorPreset.builtIns[6].fields);
    EXPECT_STREQ(kCompressorPreset.builtIns[6].name, "Soften peaks");
    CompressorParams start;
    EXPECT_EQ(soften.threshold, start.threshold);
    EXPECT_EQ(soften.ratio, start.ratio);
    EXPECT_EQ(soften.attackMs, start.attackMs);
    EXPECT_EQ(soften.releaseS, start.releaseS);
    EXPECT_EQ(soften.detectionMs, start.detectionMs);
    // Units: "Koalas on Mars" is invert first, 5.0 ms, period 0.2 s.
    FlangeParams koalas = FlangeFromFields(kFlangePreset.builtIns[3].fields);
    EXPECT_TRUE(koalas.invert);
    EXPECT_EQ(koalas.delayMs, 5.0);
    EXPECT_EQ(koalas.speedS, 0.2);
    EXPECT_EQ(koalas.depth, 70);
    ReverbParams cave = ReverbFromFields(kReverbPreset.builtIns[3].fields);
    EXPECT_EQ(cave.decayS, 10);
    EXPECT_EQ(cave.preDelayMs, 100);
    EXPECT_EQ(cave.loudness, 40);
    EXPECT_EQ(cave.damping, 4);
    EXPECT_EQ(cave.diffusion, 16);
    EXPECT_EQ(cave.enclosure, kReverbHall);
    EchoParams bouncy = EchoFromFields(kEchoPreset.builtIns[1].fields);
    EXPECT_EQ(bouncy.delayS, 0.2);
    EXPECT_EQ(bouncy.loudness, 34);
}

TEST(EffectPresets, ParamsRoundTripThroughFields) {
    int32_t f[kEffectPresetMaxFields];
    CompressorToFields({-25, 5, 0.05, 2, 40}, f);
    EXPECT_EQ(std::vector<int32_t>(f, f + 5), (std::vector<int32_t>{-25, 5000, 50, 2000, 40}));
    NoiseGateToFields({-65, 0.1, 1, 40}, f);
    EXPECT_EQ(std::vector<int32_t>(f, f + 4), (std::vector<int32_t>{-65, 100, 1000, 40}));
    EchoToFields({0.03, 80, 50}, f);
    EXPECT_EQ(std::vector<int32_t>(f, f + 3), (std::vector<int32_t>{30, 80, 50}));
    FlangeToFields({10, 75, 50, 40, 80, true}, f);
    EXPECT_EQ(std::vector<int32_t>(f, f + 6), (std::vector<int32_t>{1, 100, 75, 50, 40000, 80}));
    ChorusToFields({60, 10, 50, 40, 30, false}, f);
    EXPECT_EQ(std::vector<int32_t>(f, f + 5), (std::vector<int32_t>{600, 10, 50, 40000, 30}));
    ReverbToFields({0.3, 100, 4, 85, 15, kReverbSpring}, f);
    EXPECT_EQ(std::vector<int32_t>(f, f + 6), (std::vector<int32_t>{300, 100, 85, 4, 15, 2}));
}

TEST(EffectPresets, FilesInBothByteOrders) {
    for (const EffectPresetFormat* f : kFormats) {
        SCOPED_TRACE(f->Kind().kind);
        const int32_t* fields = f->builtIns[f->builtInCount - 1].fields;
        for (bool big : {false, true}) {
            std::string path = TempPath(big ? "big.obx" : "little.obx");
            ASSERT_EQ(WriteEffectPreset(path, *f, fields, "My preset", big), kFileOk);
            std::ifstream in(path, std::ios::binary);
            char id[4];
            in.read(id, 4);
            EXPECT_EQ(std::string(id, 4), big ? "kBRF" : "FRBk");
            int32_t got[kEffectPresetMaxFields] = {};
            std::string name;
            ASSERT_EQ(ReadEffectPreset(path, *f, got, &name), kFileOk);
            EXPECT_EQ(name, "My preset");
            for (size_t i = 0; i < f->fieldCount; ++i) EXPECT_EQ(got[i], fields[i]) << i;
            std::remove(path.c_str());
        }
    }
}

TEST(EffectPresets, OutOfRangeTruncatedAndHostileFiles) {
    std::string path = TempPath("bad.obx");
    // A field outside its range: 13, the fields untouched.
    int32_t bad[] = {-20, 3000, 5000, 200, 51};
    ASSERT_EQ(WriteEffectPreset(path, kCompressorPreset, bad, "bad"), kFileOk);
    int32_t got[kEffectPresetMaxFields] = {7, 7, 7, 7, 7};
    EXPECT_EQ(ReadEffectPreset(path, kCompressorPreset, got, nullptr), kCorruptFile);
    EXPECT_EQ(got[0], 7);
    // Another kind's file: 4.
    EXPECT_EQ(ReadEffectPreset(path, kEchoPreset, got, nullptr), kItemNotFound);
    // Truncated record: 6.
    std::vector<uint8_t> record =
        EncodeEffectPreset(kEchoPreset, kEchoPreset.builtIns[0].fields, "x");
    ASSERT_EQ(WritePresetFile(path, "ECHO", record.data(), 60), kFileOk);
    EXPECT_EQ(ReadEffectPreset(path, kEchoPreset, got, nullptr), kFileReadError);
    // Mutated files: never a crash, and a record that loads is within range.
    ASSERT_EQ(WriteEffectPreset(path, kReverbPreset, kReverbPreset.builtIns[0].fields, "r"),
              kFileOk);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> good((std::istreambuf_iterator<char>(in)), {});
    std::mt19937 rng(7);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        int flips = 1 + int(rng() % 4);
        for (int k = 0; k < flips; ++k) bytes[rng() % 44] = uint8_t(rng());
        if (rng() % 5 == 0) bytes.resize(rng() % bytes.size());
        int32_t fields[kEffectPresetMaxFields];
        std::vector<uint8_t> out(kReverbPreset.RecordSize());
        bool swapped = false;
        int result = ReadPresetBytes(bytes.data(), bytes.size(), "RVRB", out.data(),
                                     kReverbPreset.RecordSize(), &swapped);
        if (result != kFileOk) continue;
        if (swapped) SwapWords32(out.data(), 0, kReverbPreset.fieldCount);
        if (!DecodeEffectPreset(kReverbPreset, out.data(), fields, nullptr)) continue;
        ++loaded;
        for (size_t i = 0; i < kReverbPreset.fieldCount; ++i) {
            EXPECT_GE(fields[i], kReverbPreset.ranges[i].low);
            EXPECT_LE(fields[i], kReverbPreset.ranges[i].high);
        }
    }
    EXPECT_GT(loaded, 0);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace ob
