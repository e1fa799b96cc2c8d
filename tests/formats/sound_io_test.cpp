// The open chain, the RAW fallback and its questions, the save dispatch,
// Save As, the extension rule, the format table, and failed saves that
// leave the previous file intact.
#include "formats/sound_io.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/format_table.h"
#include "formats/sound_formats.h"
#include "formats/sound_io_ui.h"
#include "formats/wav.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

struct Recorder : SoundIoUi {
    int rawCode = -1;  // -1: cancel the RAW dialog
    int rawAsked = 0;
    std::string savePath;
    int saveCode = -1;
    std::string saveCaption;
    bool ChooseRawFormat(const std::string&, int& code) override {
        ++rawAsked;
        if (rawCode < 0) return false;
        code = rawCode;
        return true;
    }
    bool ChooseSavePath(const std::string& caption, std::string& path, int& code) override {
        saveCaption = caption;
        if (savePath.empty()) return false;
        path = savePath;
        if (saveCode >= 0) code = saveCode;
        return true;
    }
    void Report(const std::string& caption, const std::string& text) override {
        messages.push_back({caption, text});
    }
};

struct DefaultFormat {
    int saved = gEditing.defaultSaveFormat;
    explicit DefaultFormat(int code) { gEditing.defaultSaveFormat = code; }
    ~DefaultFormat() { gEditing.defaultSaveFormat = saved; }
};

int Open(const std::string& path, Loaded& in, bool interactive = false, SoundIoUi* ui = nullptr) {
    in.record.filePath = path;
    return OpenSound(in.record, interactive, ui);
}

TEST(SoundIo, FormatTableMatchesTheFormatCodes) {
    std::vector<int> list = SaveFormatList();
    ASSERT_EQ(18u, list.size());
    for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(kFormatDisplayOrder[i], list[i]);
    for (const FormatEntry& e : FormatTable()) {
        if (e.code == kFormatText1) continue;
        EXPECT_STREQ(FormatName(e.code), e.name) << e.code;
        EXPECT_STREQ(FormatExtension(e.code), e.extension) << e.code;
        EXPECT_NE(nullptr, e.write);
    }
    for (const FormatMenuEntry& m : kFormatMenu) EXPECT_NE(nullptr, FindFormat(m.code));
    auto first = [](const char* head) {
        uint8_t b[12];
        std::memcpy(b, head, 12);
        auto chain = OpenChain(b);
        return chain.empty() ? -1 : chain.front()->code;
    };
    EXPECT_EQ(kFormatWav16, first("RIFF\0\0\0\0AVI "));
    EXPECT_EQ(kFormatAiff16, first("FORM\0\0\0\0AIFF"));
    EXPECT_EQ(kFormat8svx, first("FORM\0\0\0\08SVX"));
    EXPECT_EQ(kFormatWav16, first("FORM\0\0\0\0ILBM"));
    EXPECT_EQ(kFormatSd1, first("KWK3\0\0\0\0\0\0\0\0"));
    uint8_t riff[12] = {'R', 'I', 'F', 'F'};
    auto chain = OpenChain(riff);
    std::vector<int> order;
    for (auto* e : chain) order.push_back(e->code);
    EXPECT_EQ((std::vector<int>{kFormatWav16, kFormatAiff16, kFormat8svx, kFormatSd1, kFormatS16v3,
                                kFormatAu, kFormatVoc, kFormatText1}),
              order);
}

TEST(SoundIo, OpenFindsEveryFormat) {
    TempFolder dir;
    TestWave w(300, 2, 22050);
    w.record.name = "Chain";
    struct Kind {
        int code;
        const char* file;
        int loaded;
    } kinds[] = {
        {kFormatWav24, "a.wav", kFormatWav24}, {kFormatAiff24, "a.aif", kFormatAiff24},
        {kFormat8svx, "a.svx", kFormat8svx},   {kFormatSd1, "a.sd", kFormatSd1},
        {kFormatS16v3, "a.s16", kFormatS16v3}, {kFormatAu, "a.au", kFormatAu},
        {kFormatVoc, "a.voc", kFormatVoc},     {kFormatRaw16m, "a.raw", kFormatRaw8u},
    };
    for (auto& k : kinds) {
        w.record.filePath = dir / k.file;
        w.record.stateFlags |= kStateChanged;
        ASSERT_EQ(kFileOk, SaveSound(w.record, k.code, 15)) << k.code;
        EXPECT_FALSE(w.record.stateFlags & kStateChanged);
        Loaded in;
        in.record.stateFlags = kStateChanged;
        ASSERT_EQ(kFileOk, Open(dir / k.file, in)) << k.code;
        EXPECT_EQ(k.loaded, in.record.sourceFormat);
        EXPECT_EQ(in.record.frameCount, in.record.viewSpan);
        EXPECT_FALSE(in.record.stateFlags & kStateChanged);
        EXPECT_EQ(dir / k.file, in.record.filePath);
    }
    // Text files come last in the chain (files shorter than 12 bytes go straight to RAW).
    std::string numbers = "0.1\r0.2\r-0.4\r";
    WriteBytes(dir / "t.txt", std::vector<uint8_t>(numbers.begin(), numbers.end()));
    Loaded text;
    ASSERT_EQ(kFileOk, Open(dir / "t.txt", text));
    EXPECT_EQ(kFormatText1, text.record.sourceFormat);
    EXPECT_EQ(3u, text.record.frameCount);
}

TEST(SoundIo, RawFallbackAndRecognisedFailures) {
    TempFolder dir;
    // Nobody recognises it: scripts take the default save format as the RAW code.
    std::vector<uint8_t> noise = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' ', 1, 2, 3};
    WriteBytes(dir / "n.bin", noise);
    {
        DefaultFormat raw(kFormatRaw8s);
        Loaded in;
        ASSERT_EQ(kFileOk, Open(dir / "n.bin", in));
        EXPECT_EQ(kFormatRaw8s, in.record.sourceFormat);
        EXPECT_EQ(15u, in.record.frameCount);
        EXPECT_EQ("n.bin", in.record.name);
    }
    {
        DefaultFormat wav(kFormatWav32);
        Loaded in;
        ASSERT_EQ(kFileOk, Open(dir / "n.bin", in));
        EXPECT_EQ(kFormatRaw8u, in.record.sourceFormat);
    }
    {  // Interactive: the RAW dialog, preselected on 8-bit unsigned; Cancel gives 1.
        DefaultFormat wav(kFormatWav32);
        Recorder ui;
        Loaded in;
        EXPECT_EQ(1, Open(dir / "n.bin", in, true, &ui));
        EXPECT_EQ(1, ui.rawAsked);
        EXPECT_EQ(nullptr, in.record.leftSamples);
        ui.rawCode = kFormatRawUlaw;
        Loaded chosen;
        ASSERT_EQ(kFileOk, Open(dir / "n.bin", chosen, true, &ui));
        EXPECT_EQ(kFormatRawUlaw, chosen.record.sourceFormat);
        EXPECT_EQ(8000u, chosen.record.sampleRate);
    }
    // A recognised file that fails: reported once with the path as caption. A
    // script gets the failure; an interactive open is offered RAW import.
    Bytes aiff;
    aiff.Id("FORM").Be32(30).Id("AIFF").Id("COMM").Be32(18).Be16(3).Be32(1).Be16(16).Zeros(10);
    WriteBytes(dir / "three.aif", aiff.b);
    {
        Recorder ui;
        Loaded in;
        EXPECT_EQ(kFormatNotSupported, Open(dir / "three.aif", in, false, &ui));
        ASSERT_EQ(1u, ui.messages.size());
        EXPECT_EQ(dir / "three.aif", ui.messages[0].caption);
        EXPECT_EQ("Format Not Supported", ui.messages[0].text);
        EXPECT_EQ(0, ui.rawAsked);
        EXPECT_EQ(nullptr, in.record.leftSamples);
        EXPECT_TRUE(in.record.filePath.empty());
        ui.rawCode = kFormatRaw8s;
        Loaded raw;
        ASSERT_EQ(kFileOk, Open(dir / "three.aif", raw, true, &ui));
        EXPECT_EQ(1, ui.rawAsked);
        EXPECT_EQ(kFormatRaw8s, raw.record.sourceFormat);
        EXPECT_EQ(aiff.b.size(), raw.record.frameCount);
    }
    {  // A missing file ends in the RAW reader, which cannot open it either.
        Recorder ui;
        Loaded in;
        EXPECT_EQ(kCantOpenFile, Open(dir / "missing.wav", in, false, &ui));
        ASSERT_EQ(1u, ui.messages.size());
        EXPECT_EQ("Can't Open File", ui.messages[0].text);
    }
}

TEST(SoundIo, OpeningOverAWaveAsksFirst) {
    TempFolder dir;
    TestWave source(50, 1);
    source.record.filePath = dir / "s.au";
    ASSERT_EQ(kFileOk, SaveSound(source.record, kFormatAu, 15));
    struct No : SoundIoUi {
        bool AskYesNo(const std::string&, const std::string& text, bool) override {
            EXPECT_EQ("A wave already exists here!\nDo you want to delete it?", text);
            return false;
        }
    } no;
    TestWave held(10, 2);
    held.record.filePath = dir / "s.au";
    EXPECT_EQ(1, OpenSound(held.record, true, &no));
    EXPECT_EQ(10u, held.record.frameCount);
    EXPECT_NE(nullptr, held.record.rightSamples);
    EXPECT_EQ(kFileOk, OpenSound(held.record, false));  // the default answers yes
    EXPECT_EQ(50u, held.record.frameCount);
    EXPECT_EQ(nullptr, held.record.rightSamples);
}

TEST(SoundIo, SaveDispatchAndSaveAs) {
    TempFolder dir;
    TestWave w(20, 1);
    Recorder ui;
    // Codes without a writer write nothing and give 1.
    for (int code : {1, 4, int(kFormatMp3), 21, -1}) {
        w.record.filePath = dir / ("c" + std::to_string(code));
        EXPECT_EQ(1, SaveSound(w.record, code, 15, &ui));
        EXPECT_FALSE(FileExists(w.record.filePath));
    }
    // No wave.
    Loaded empty;
    empty.record.filePath = dir / "e.wav";
    EXPECT_EQ(1, SaveSound(empty.record, kFormatWav16, 15, &ui));
    EXPECT_EQ("No wave to save!", ui.messages.back().text);
    // No path: Save As. The default has no dialog and cancels.
    w.record.filePath.clear();
    EXPECT_EQ(1, SaveSound(w.record, kFormatAu, 15));
    w.record.sourceFormat = kFormatVoc;
    DefaultFormat def(kFormatAiff24);
    ui.savePath = dir / "chosen.svx";
    ui.saveCode = kFormat8svx;
    ASSERT_EQ(kFileOk, SaveSoundAs(w.record, kFormatAu, 15, &ui));
    EXPECT_EQ("Save As (Default AIFF 24 bit, originally VOC):", ui.saveCaption);
    EXPECT_EQ(dir / "chosen.svx", w.record.filePath);
    Loaded back;
    ASSERT_EQ(kFileOk, Open(dir / "chosen.svx", back));
    EXPECT_EQ(kFormat8svx, back.record.sourceFormat);
    // The extension rule.
    EXPECT_EQ("a/b.aif", PathWithFormatExtension("a/b.wav", kFormatAiff16));
    EXPECT_EQ("a.d/b.au", PathWithFormatExtension("a.d/b", kFormatAu));
    EXPECT_EQ("c:x\\y.sd", PathWithFormatExtension("c:x\\y.raw", kFormatSd1));
    EXPECT_EQ("a/b.wav", PathWithFormatExtension("a/b.wav", kFormatMp3));
    // The default save format as the script command sets it.
    EXPECT_EQ(kFormatAiff24, SetDefaultSaveFormat(1));
    EXPECT_EQ(kFormatWav16, SetDefaultSaveFormat(4));
    EXPECT_EQ(kFormatWav16, gEditing.defaultSaveFormat);
    SetDefaultSaveFormat(21);
    EXPECT_EQ(kFormatWav16, gEditing.defaultSaveFormat);
    SetDefaultSaveFormat(kFormatMp3);
    EXPECT_EQ(kFormatMp3, gEditing.defaultSaveFormat);
    SetDefaultSaveFormat(kFormatVoc);
    EXPECT_EQ(kFormatVoc, gEditing.defaultSaveFormat);
}

TEST(SoundIo, SavingWritesThePeakCacheBeside) {
    TempFolder dir;
    TestWave w(100000, 1);
    UpdateOverview(w.record, 0, 0, kEditLeftRight);
    ASSERT_NE(nullptr, w.record.leftOverview.pairs);
    w.record.filePath = dir / "long.aif";
    ASSERT_EQ(kFileOk, SaveSound(w.record, kFormatAiff16, 15));
    EXPECT_TRUE(FileExists(dir / "long.aif.pkc"));
    Loaded in;
    ASSERT_EQ(kFileOk, Open(dir / "long.aif", in));
    EXPECT_NE(nullptr, in.record.leftOverview.pairs);
}

// A full disk, simulated with a file size limit: every writer fails with
// "File Write Error", the previous file stays whole and no temporary is left.
TEST(SoundIo, FailedSaveLeavesThePreviousFile) {
    TempFolder dir;
    TestWave w(40000, 2);
    std::vector<uint8_t> old = {'o', 'l', 'd'};
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    for (FormatCode code : {kFormatAiff16, kFormatAiff24, kFormat8svx, kFormatSd1, kFormatS16v3,
                            kFormatAu, kFormatVoc, kFormatRaw16i, kFormatWav16}) {
        std::string path = dir / ("old" + std::to_string(code));
        WriteBytes(path, old);
        w.record.filePath = path;
        w.record.stateFlags |= kStateChanged;
        Recorder ui;
        rlimit small = saved;
        small.rlim_cur = 20000;
        setrlimit(RLIMIT_FSIZE, &small);
        int result = SaveSound(w.record, code, 15, &ui);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(kFileWriteError, result) << code;
        EXPECT_EQ(old, ReadBytes(path)) << code;
        EXPECT_TRUE(w.record.stateFlags & kStateChanged);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(path, ui.messages.back().caption);
        EXPECT_EQ("File Write Error", ui.messages.back().text);
    }
    sigaction(SIGXFSZ, &previous, nullptr);
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(9u, files);
}

}  // namespace
}  // namespace ob

namespace ob {
namespace {

using namespace soundtest;

// WAV -> AIFF 24 -> WAV through the open and save chains keeps the loops and
// their roles, the markers with their names, key map, fine tune and name.
TEST(SoundIo, WavToAiff24ToWavKeepsTheInstrument) {
    TempFolder dir;
    TestWave w(5000, 2, 96000);
    WaveRecord& r = w.record;
    r.name = "Instrument";
    r.keyRoot = 57;
    r.keyLow = 12;
    r.keyHigh = 99;
    r.fineTune = -37;
    SetLoop(r, 1000, 3999, 0, 0);
    SetLoop(r, 4000, 4900, 1, 1);
    r.sustainLoopId = 0;
    r.releaseLoopId = 1;
    SetMarker(r, 0, 0, "attack");
    SetMarker(r, 4999, 1, "tail");
    SetMarker(r, 2500, 9, "middle");
    SetMarker(r, 300, 250, nullptr);
    r.filePath = dir / "a.wav";
    ASSERT_EQ(kFileOk, SaveSound(r, kFormatWav24, 15));
    Loaded step1;
    ASSERT_EQ(kFileOk, Open(dir / "a.wav", step1));
    step1.record.filePath = dir / "b.aif";
    ASSERT_EQ(kFileOk, SaveSound(step1.record, kFormatAiff24, 15));
    Loaded step2;
    ASSERT_EQ(kFileOk, Open(dir / "b.aif", step2));
    EXPECT_EQ(kFormatAiff24, step2.record.sourceFormat);
    step2.record.filePath = dir / "c.wav";
    ASSERT_EQ(kFileOk, SaveSound(step2.record, kFormatWav24, 15));
    Loaded end;
    ASSERT_EQ(kFileOk, Open(dir / "c.wav", end));
    WaveRecord& g = end.record;
    EXPECT_EQ(kFormatWav24, g.sourceFormat);
    EXPECT_EQ(5000u, g.frameCount);
    EXPECT_EQ(96000u, g.sampleRate);
    EXPECT_NE(nullptr, g.rightSamples);
    EXPECT_EQ("Instrument", g.name);
    EXPECT_EQ(57, g.keyRoot);
    EXPECT_EQ(12, g.keyLow);
    EXPECT_EQ(99, g.keyHigh);
    EXPECT_EQ(-37, g.fineTune);
    ASSERT_EQ(0, g.sustainLoopId);
    ASSERT_EQ(1, g.releaseLoopId);
    for (const LoopNode* want = r.loops; want; want = want->next) {
        LoopNode* got = FindLoop(g, want->id);
        ASSERT_NE(nullptr, got) << int(want->id);
        EXPECT_EQ(want->start, got->start);
        EXPECT_EQ(want->end, got->end);
        EXPECT_EQ(want->type, got->type);
    }
    int markers = 0;
    for (const MarkerNode* want = r.markers; want; want = want->next, ++markers) {
        MarkerNode* got = FindMarker(g, want->id);
        ASSERT_NE(nullptr, got) << int(want->id);
        EXPECT_EQ(want->position, got->position);
        EXPECT_EQ(want->name, got->name);
    }
    int back = 0;
    for (const MarkerNode* m = g.markers; m; m = m->next) ++back;
    EXPECT_EQ(markers, back);
    for (uint32_t i = 0; i < 5000; i += 7) ASSERT_NEAR(r.leftSamples[i], g.leftSamples[i], 2e-4);
}

}  // namespace
}  // namespace ob

namespace ob {
namespace {

using namespace soundtest;

// Writers refuse sizes past their format's limits before writing anything.
TEST(SoundIo, WritersRefuseSizesBeyondTheirFormat) {
    TempFolder dir;
    float samples[4] = {};
    WaveRecord r;
    r.leftSamples = samples;
    r.rightSamples = samples;
    r.frameCount = 0x7FFFFFF0u;  // 8 GiB of 16-bit stereo
    WriteBytes(dir / "keep", {1});
    EXPECT_EQ(kFileWriteError, WriteAiff(dir / "keep", r, 16));
    r.rightSamples = nullptr;
    r.frameCount = 0xFFFFFFF0u;
    EXPECT_EQ(kFileWriteError, Write8svx(dir / "keep", r));
    EXPECT_EQ(kFileWriteError, WriteSd1(dir / "keep", r));
    r.leftSamples = nullptr;
    r.frameCount = 0;
    EXPECT_EQ((std::vector<uint8_t>{1}), ReadBytes(dir / "keep"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path),
                               std::filesystem::directory_iterator()));
}

// A folder that cannot be written: the save fails and the old file stays.
TEST(SoundIo, SaveIntoAFolderThatCannotBeWritten) {
    TestWave w(100, 1);
    Recorder ui;
    w.record.filePath = "/proc/orbick-cannot-create.aif";
    EXPECT_EQ(kCantOpenFile, SaveSound(w.record, kFormatAiff16, 15, &ui));
    w.record.filePath = "/proc/orbick-cannot-create.au";
    EXPECT_EQ(kCantOpenFile, SaveSound(w.record, kFormatAu, 15, &ui));
    EXPECT_TRUE(ui.messages.empty());  // returned, not reported, like every writer's open failure
    if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
    TempFolder dir;
    WriteBytes(dir / "old.voc", {9, 9});
    ASSERT_EQ(0, chmod(dir.path.c_str(), 0555));
    w.record.filePath = dir / "old.voc";
    EXPECT_NE(kFileOk, SaveSound(w.record, kFormatVoc, 15, &ui));
    chmod(dir.path.c_str(), 0755);
    EXPECT_EQ((std::vector<uint8_t>{9, 9}), ReadBytes(dir / "old.voc"));
}

}  // namespace
}  // namespace ob

namespace ob {
namespace {

using namespace soundtest;

// A WAV with an encoding we do not read (ADPCM): "Format Not Supported", then
// an interactive open offers RAW import; a script gets the failure.
TEST(SoundIo, UnsupportedWavOffersRawImport) {
    TempFolder dir;
    Bytes wav;
    wav.Id("RIFF").Le32(4 + 24 + 8 + 16).Id("WAVE");
    wav.Id("fmt ").Le32(16).Le16(2).Le16(1).Le32(8000).Le32(4000).Le16(256).Le16(4);
    wav.Id("data").Le32(16).Zeros(16);
    WriteBytes(dir / "adpcm.wav", wav.b);
    Recorder ui;
    ui.rawCode = kFormatRaw16i;
    Loaded in;
    ASSERT_EQ(kFileOk, Open(dir / "adpcm.wav", in, true, &ui));
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ("Format Not Supported", ui.messages[0].text);
    EXPECT_EQ(1, ui.rawAsked);
    EXPECT_EQ(kFormatRaw16i, in.record.sourceFormat);
    EXPECT_EQ(wav.b.size() / 2, in.record.frameCount);
    Recorder script;
    Loaded failed;
    EXPECT_EQ(kFormatNotSupported, Open(dir / "adpcm.wav", failed, false, &script));
    EXPECT_EQ(0, script.rawAsked);
}

}  // namespace
}  // namespace ob
