// The waveform generator: preset files written byte by byte by the test
// (both byte orders, the older "GENE" kind, hostile and truncated files), the
// built-ins, the clamps, the no-memory refusal and the recorder lines.
#include "dsp/generate.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dsp/generate_presets.h"
#include "dsp/operation.h"
#include "dsp/preset_file.h"
#include "tests/dsp/recording_ui.h"
#include "tests/dsp/test_wave.h"
#include "wave/file_result.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {
namespace {

namespace fs = std::filesystem;

// A container with one chunk, written the way the format describes it: ids as
// characters, sizes and the record's words in the chosen byte order.
struct FileBuilder {
    bool big;
    std::vector<uint8_t> bytes;
    void Id(const char* id) { bytes.insert(bytes.end(), id, id + 4); }
    void Word(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (big ? 24 - 8 * i : 8 * i)));
    }
    void Text(const std::string& text, size_t size) {
        for (size_t i = 0; i < size; ++i) bytes.push_back(i < text.size() ? uint8_t(text[i]) : 0);
    }
};

// shape, rate, frequency (mHz), duration (ms), duty, name, reserved, chord.
std::vector<uint8_t> GeneratorFile(bool big, const char* kind, const uint32_t fields[5],
                                   const std::string& name, const uint32_t* chord) {
    uint32_t size = chord ? 116 : 104;
    FileBuilder f{big, {}};
    f.Id(big ? "kBRF" : "FRBk");
    f.Word(size + 12);
    f.Id("PRES");
    f.Id(kind);
    f.Word(size);
    for (int i = 0; i < 5; ++i) f.Word(fields[i]);
    f.Text(name, 80);
    f.Word(0);
    if (chord)
        for (int i = 0; i < 3; ++i) f.Word(chord[i]);
    return f.bytes;
}

class GenerateFiles : public testing::Test {
  protected:
    void SetUp() override {
        dir = fs::path(testing::TempDir()) / ("orbick_generate_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Write(const char* name, const std::vector<uint8_t>& bytes) {
        std::string path = (dir / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    fs::path dir;
};

TEST_F(GenerateFiles, Gen2LoadsInBothByteOrders) {
    const uint32_t fields[5] = {kGenTriangle, 32000, 440000, 2500, 30};
    const uint32_t chord[3] = {550000, 660000, 0};
    for (bool big : {false, true}) {
        GenerateSettings s;
        std::string path = Write(big ? "big.gen" : "little.gen",
                                 GeneratorFile(big, "GEN2", fields, "Triad", chord));
        ASSERT_EQ(ReadGeneratePreset(path, s), kFileOk) << big;
        EXPECT_EQ(s.shape, kGenTriangle);
        EXPECT_EQ(s.rate, 32000);
        EXPECT_EQ(s.frequency, 440000);
        EXPECT_EQ(s.duration, 2500);
        EXPECT_EQ(s.duty, 30);
        EXPECT_EQ(s.name, "Triad");
        EXPECT_EQ(s.chord[0], 550000);
        EXPECT_EQ(s.chord[1], 660000);
        EXPECT_EQ(s.chord[2], 1);  // 0 counts as none (1 mHz after the clamp)
        EXPECT_EQ(GenerateChordCount(s), 2);
    }
}

TEST_F(GenerateFiles, OldKindLoadsWithoutChord) {
    const uint32_t fields[5] = {kGenPulse, 22050, 1000000, 1000, 10};
    for (bool big : {false, true}) {
        GenerateSettings s;
        s.chord[0] = 123456;
        std::string path = Write("old.gen", GeneratorFile(big, "GENE", fields, "Old", nullptr));
        ASSERT_EQ(ReadGeneratePreset(path, s), kFileOk);
        EXPECT_EQ(s.shape, kGenPulse);
        EXPECT_EQ(s.duty, 10);
        EXPECT_EQ(s.name, "Old");
        EXPECT_EQ(GenerateChordCount(s), 0);
    }
}

TEST_F(GenerateFiles, SavedFilesReadBackInBothByteOrders) {
    GenerateSettings want = GenerateBuiltIn(19);  // the C, E, G squares
    for (bool big : {false, true}) {
        std::string path = (dir / "saved.gen").string();
        ASSERT_EQ(WriteGeneratePreset(path, want, big), kFileOk);
        std::ifstream in(path, std::ios::binary);
        char head[4];
        in.read(head, 4);
        EXPECT_EQ(std::string(head, 4), big ? "kBRF" : "FRBk");
        GenerateSettings s;
        ASSERT_EQ(ReadGeneratePreset(path, s), kFileOk);
        EXPECT_EQ(s.shape, want.shape);
        EXPECT_EQ(s.frequency, want.frequency);
        EXPECT_EQ(s.chord[0], want.chord[0]);
        EXPECT_EQ(s.chord[1], want.chord[1]);
        EXPECT_EQ(s.name, want.name);
    }
}

TEST_F(GenerateFiles, OutOfRangeFieldsAreClampedOnLoad) {
    const uint32_t fields[5] = {0xFFFFFFFFu, 5000000, 0x80000000u, 0xFFFFFFF0u, 250};
    const uint32_t chord[3] = {0x7FFFFFFF, 0xFFFFFFFFu, 2};
    GenerateSettings s;
    std::string name(80, 'x');  // no terminating zero
    std::string path = Write("hostile.gen", GeneratorFile(false, "GEN2", fields, name, chord));
    ASSERT_EQ(ReadGeneratePreset(path, s), kFileOk);
    EXPECT_EQ(s.shape, kGenSilence);
    EXPECT_EQ(s.rate, kGenMaxRate);
    EXPECT_EQ(s.frequency, 1);
    EXPECT_EQ(s.duration, 1);
    EXPECT_EQ(s.duty, 99);
    EXPECT_EQ(s.chord[0], 99999999);  // just under half of 200 kHz
    EXPECT_EQ(s.chord[1], 1);
    EXPECT_EQ(s.chord[2], 2);
    EXPECT_EQ(s.name, name);
}

TEST_F(GenerateFiles, DamagedFilesAreRefusedAndLeaveTheSettings) {
    const uint32_t fields[5] = {kGenSine, 8000, 100000, 100, 50};
    const uint32_t chord[3] = {0, 0, 0};
    std::vector<uint8_t> good = GeneratorFile(false, "GEN2", fields, "Good", chord);
    GenerateSettings before = GenerateBuiltIn(3);
    for (size_t cut :
         {size_t(0), size_t(11), size_t(16), size_t(20), size_t(60), good.size() - 1}) {
        std::vector<uint8_t> part(good.begin(), good.begin() + long(cut));
        GenerateSettings s = before;
        EXPECT_NE(ReadGeneratePreset(Write("cut.gen", part), s), kFileOk) << cut;
        EXPECT_EQ(s.name, before.name);
        EXPECT_EQ(s.shape, before.shape);
    }
    // A foreign chunk claiming more bytes than the file holds, before the record.
    std::vector<uint8_t> lying = GeneratorFile(false, "ECHO", fields, "Echo", chord);
    lying[16] = 0xFF, lying[17] = 0xFF, lying[18] = 0xFF, lying[19] = 0x7F;
    lying.insert(lying.end(), good.begin() + 12, good.end());
    GenerateSettings s = before;
    EXPECT_NE(ReadGeneratePreset(Write("lying.gen", lying), s), kFileOk);
    std::vector<uint8_t> other = GeneratorFile(false, "ECHO", fields, "Echo", chord);
    EXPECT_NE(ReadGeneratePreset(Write("other.gen", other), s), kFileOk);
    EXPECT_NE(ReadGeneratePreset((dir / "missing.gen").string(), s), kFileOk);
    EXPECT_EQ(s.name, before.name);
}

TEST(GenerateBuiltIns, TwentyOneWithTheFirstAsInitial) {
    EXPECT_EQ(kPresetKinds[kPresetKindGenerate].builtIns, uint32_t(kGenerateBuiltInCount));
    EXPECT_STREQ(kPresetKinds[kPresetKindGenerate].kind, "GEN2");
    EXPECT_EQ(kPresetKinds[kPresetKindGenerate].recordSize, kGenerateRecordSize);
    GenerateSettings initial, first = GenerateBuiltIn(0);
    EXPECT_EQ(initial.shape, first.shape);
    EXPECT_EQ(initial.rate, first.rate);
    EXPECT_EQ(initial.frequency, first.frequency);
    EXPECT_EQ(initial.duration, first.duration);
    EXPECT_EQ(first.name, "1 kHz test tone for 10 seconds, CD rate");
    GenerateSettings last = GenerateBuiltIn(20);
    EXPECT_EQ(last.frequency, 261626);
    EXPECT_EQ(last.chord[0], 329628);
    EXPECT_EQ(last.chord[1], 391995);
    EXPECT_EQ(last.chord[2], 233082);
    EXPECT_EQ(GenerateBuiltIn(7).frequency, 233082);
    EXPECT_EQ(GenerateBuiltIn(2).duration, 2000);
    // The records the preset list shows decode to the same settings.
    const uint8_t* records = GenerateBuiltInRecords();
    for (int i = 0; i < kGenerateBuiltInCount; ++i) {
        GenerateSettings s = GenerateFromRecord(records + i * kGenerateRecordSize, 116, false);
        EXPECT_EQ(s.name, GenerateBuiltIn(i).name) << i;
        EXPECT_EQ(s.frequency, GenerateBuiltIn(i).frequency) << i;
    }
}

TEST(GenerateRules, ClampsAndSixtyFourBitFigures) {
    EXPECT_EQ(GeneratePhaseIncrement(1000000, 44100), 47554u);
    EXPECT_EQ(GeneratePhaseIncrement(1000, 2048), 1024u);
    EXPECT_EQ(GeneratePhaseIncrement(1, 200000), 1u);  // at least 1
    // 99.999 kHz at 200 kHz: the product needs more than 32 bits.
    EXPECT_EQ(GeneratePhaseIncrement(99999000, 200000),
              uint32_t(2097152ull * 99999000 / 200000000));
    EXPECT_EQ(GenerateHarmonicLimit(1000, 44100), 1023);
    EXPECT_EQ(GenerateHarmonicLimit(1, 200000), 1023);
    EXPECT_EQ(GenerateHarmonicLimit(261626, 44100), 84);
    GenerateSettings s;
    s.rate = 44100;
    s.duration = 100000;
    EXPECT_EQ(GenerateFrameCount(s), 4410000u);
    s.duration = 1000000000000;  // 10^9 s
    EXPECT_GT(GenerateFrameCount(s), 0xFFFFFFFFull);
    s.rate = 100;
    s.duration = 1;
    EXPECT_EQ(GenerateFrameCount(s), 1u);
    GenerateSettings h;
    h.rate = 8000;
    h.frequency = 4000000;
    EXPECT_TRUE(GenerateFrequencyTooHigh(h));
    h.frequency = 3999999;
    EXPECT_FALSE(GenerateFrequencyTooHigh(h));
    h.frequency = 4000000;
    ClampGenerateSettings(h);
    EXPECT_EQ(h.frequency, 3999999);
}

TEST(GenerateRules, ScriptArgumentsClampBeforeConversion) {
    const double chord[3] = {1e300, -5.0, 0.0 / 0.0};
    GenerateSettings s = GenerateFromScript(-1, 10, 1e300, -2.0, 0, chord, 3);
    EXPECT_EQ(s.shape, kGenSilence);
    EXPECT_EQ(s.rate, kGenMinRate);
    EXPECT_EQ(s.frequency, 49999);  // under half of 100 Hz
    EXPECT_EQ(s.duration, 1);
    EXPECT_EQ(s.duty, 1);
    EXPECT_EQ(s.chord[0], 49999);
    EXPECT_EQ(s.chord[1], 1);
    EXPECT_EQ(s.chord[2], 1);
    s = GenerateFromScript(0, 44100, 1000.0009, 1e12, 50, nullptr, 0);
    EXPECT_EQ(s.frequency, 1000000);  // truncated toward zero
    EXPECT_GT(GenerateFrameCount(s), 0xFFFFFFFFull);
}

TEST(GenerateRules, RecorderLines) {
    GenerateSettings s = GenerateBuiltIn(0);
    EXPECT_EQ(GenerateMacroLine(3, s), "obGenerate 3, OB_GEN_SINE, 44100, 1000.0000, 10.000, 50\n");
    s = GenerateBuiltIn(18);
    ClampGenerateSettings(s);
    EXPECT_EQ(GenerateMacroLine(1, s),
              "obGenerate4 1, OB_GEN_SINE, 44100, 261.6260, 1.000, 50, 329.6280, 0.0000, 0.0000\n");
}

class GenerateEditor : public testing::Test {
  protected:
    void TearDown() override {
        SetMemoryBudget(0);
        CloseAllEditors();
    }
    RecordingUserInterface ui;
};

TEST_F(GenerateEditor, FillsAnEmptyEditorAndRefusesAFullOne) {
    int number = 0;
    ASSERT_EQ(CreateEditor(&number), 0);
    WaveRecord& r = *gEditorSlots[number];
    GenerateSettings s;
    s.rate = 22050;
    s.duration = 500;
    ASSERT_EQ(Generate(r, s), kEditDone);
    EXPECT_EQ(r.frameCount, 11025u);
    EXPECT_EQ(r.sampleRate, 22050u);
    EXPECT_EQ(r.viewSpan, 11025u);
    EXPECT_EQ(r.rightSamples, nullptr);
    EXPECT_TRUE(r.stateFlags & kStateChanged);
    EXPECT_FALSE(ui.notices.empty());
    EXPECT_EQ(ui.progress.empty() ? -1 : ui.progress.back(), 0);  // reset after the last step
    float first = r.leftSamples[100];
    s.shape = kGenSilence;
    EXPECT_EQ(Generate(r, s), kEditRefused);
    EXPECT_EQ(r.frameCount, 11025u);
    EXPECT_EQ(r.leftSamples[100], first);
}

TEST_F(GenerateEditor, NoMemoryLeavesTheEditorEmpty) {
    int number = 0;
    ASSERT_EQ(CreateEditor(&number), 0);
    WaveRecord& r = *gEditorSlots[number];
    SetMemoryBudget(LargeBytesInUse() + 1000);
    GenerateSettings s;  // 10 s at 44.1 kHz
    EXPECT_EQ(Generate(r, s), kEditNoMemory);
    EXPECT_FALSE(WaveHasData(&r));
    EXPECT_EQ(r.frameCount, 0u);
    EXPECT_EQ(ui.LastBoxText(), kTextNoMemory);
    SetMemoryBudget(0);
    s.duration = int64_t(1) << 40;
    EXPECT_EQ(Generate(r, s), kEditNoMemory);
    EXPECT_FALSE(WaveHasData(&r));
}

}  // namespace
}  // namespace ob
