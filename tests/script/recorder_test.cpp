// The recorder: header, lines, "End Sub", C-locale numbers whatever the
// user's locale, quoting, and a recorded macro replayed through the engine
// reproducing the same sound bit for bit.
#include "script/recorder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "dsp/level.h"
#include "dsp/simple.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
#include "script/run_macro.h"
#include "script/script_api.h"
#include "script_support.h"
#include "wave/undo.h"

using namespace ob;
using namespace ob::test;

namespace {

// Makes a German locale in `folder` (decimal comma) and switches to it;
// false when the system cannot build one.
// The locale is built once per run of the test binary.
bool UseCommaLocale() {
    static TempFolder folder;
    static bool built =
        std::system(("localedef -i de_DE -f UTF-8 " + folder.path + "/de_DE.UTF-8 >/dev/null 2>&1")
                        .c_str()) == 0 ||
        std::filesystem::exists(folder / "de_DE.UTF-8");
    if (!built) return false;
    setenv("LOCPATH", folder.path.c_str(), 1);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) return false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 3.0);
    return std::strcmp(text, "3,0") == 0;
}

std::vector<float> Tone(size_t n) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = float((int(i * 37 % 101) - 50) / 128.0);
    return v;
}

// The commands of a short session as the shell runs them: the operation,
// then the command's recorder line.
void RunSession(int editor) {
    WaveRecord& r = *gEditorSlots[editor];
    Gain(r, GainParams{-4.5});
    RecordLine([&] { return GainMacroLine(editor, GainParams{-4.5}); });
    RunSimpleOperation(r, kSimpleInvert);
    RecordLine([&] { return SimpleMacroLine(kSimpleInvert, editor); });
    SetLoop(r, 10, 300, 1, 0);
    r.sustainLoopId = 0;
    RecordLine([&] { return SetLoopLine(editor, 0, 10, 300, 1, 1); });
    SetMarker(r, 77, 2, nullptr);
    RecordLine([&] { return SetMarkerLine(editor, 2, 77); });
    Normalize(r, NormalizeParams{-0.5});
    RecordLine([&] { return NormalizeMacroLine(editor, NormalizeParams{-0.5}); });
    Undo(r);
    RecordLine([&] { return EditorLine("obUndoWave", editor); });
    Redo(r);
    RecordLine([&] { return EditorLine("obRedoWave", editor); });
    gEditing.affectArea = kAffectAll;
    RecordLine([&] { return SetAffectTypeLine(kAffectAll); });
}

}  // namespace

class Recorder : public ScriptTest {
  protected:
    void TearDown() override {
        StopRecorder();
        std::setlocale(LC_ALL, "C");
        ScriptTest::TearDown();
    }
};

TEST_F(Recorder, WritesHeaderLinesAndEndSubInTheCLocale) {
    TempFolder folder;
    bool comma = UseCommaLocale();
    if (!comma) std::fprintf(stderr, "note: no de_DE locale could be built; C locale only\n");
    MakeEditor(1, Tone(400));
    std::string path = folder / "rec.bas";
    EXPECT_EQ(WriteRecorderLine("ignored\n"), 0u);
    ASSERT_EQ(StartRecorder(path, 3), kRecorderStarted);
    EXPECT_EQ(StartRecorder(path), kRecorderBusy);
    EXPECT_EQ(gMacroKeys[3], path);  // auto-assigned to F5
    RunSession(1);
    RecordLine([] { return EqVtLine(1, 1, 200, 4000); });
    RecordLine([] { return OpenWaveLine(2, "/tmp/say \"hi\".wav"); });
    RecordLine([] { return SetEditChannelLine(2); });
    RecordLine([] { return SetFormatTypeLine(19); });
    RecordLine(
        [] { return RecorderFormat("obReplicate %d, %.3f, %s\n", 1, 1.5, "OB_REPLICATE_SECS"); });
    StopRecorder();
    EXPECT_FALSE(RecorderRunning());
    std::string expected =
        std::string("REM ") + VersionText() +
        "\nREM Generated with the Sample Orbick Auto-Script recorder\n\nSub Main ()\n"
        "obGain 1, -4.5\n"
        "obInvert 1\n"
        "obSetLoop 1, 0, 10, 300, OB_SETLOOP_FORWARDBACKWARD, OB_SETLOOP_SUSTAIN\n"
        "obSetMarker 1, 2, 77\n"
        "obNormalize 1, -0.5\n"
        "obUndoWave 1\n"
        "obRedoWave 1\n"
        "obSetAffectType OB_AFFECT_ALL\n"
        "obEQVT 1, 1, 200, 4000\n"
        "obOpenWave 2, \"/tmp/say \" & Chr(34) & \"hi\" & Chr(34) & \".wav\"\n"
        "obSetEditChannel OB_EDIT_RIGHT\n"
        "obSetFormatType OB_FORMAT_WAV24\n"
        "obReplicate 1, 1.500, OB_REPLICATE_SECS\n"
        "End Sub\n";
    EXPECT_EQ(ReadWholeFile(path), expected);
    // Stopping again writes nothing more.
    StopRecorder();
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST_F(Recorder, CannotOpenReportsAndDoesNotStart) {
    BoxRecorder ui;
    EXPECT_EQ(StartRecorder("/nonexistent-folder/x/rec.bas"), kRecorderCannotOpen);
    EXPECT_FALSE(RecorderRunning());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Macro Recorder");
    EXPECT_EQ(ui.boxes[0].text, "Could not open file for recording");
}

// The recording replaces the file only when it stops: the old macro stays
// while recording and after a recording that could not be written; a FIFO is
// refused and left alone.
TEST_F(Recorder, NeverDestroysTheFileItReplaces) {
    TempFolder folder;
    std::string path = folder / "rec.bas";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fputs("old macro\n", f);
        std::fclose(f);
    }
    ASSERT_EQ(StartRecorder(path), kRecorderStarted);
    WriteRecorderLine("obInvert 1\n");
    EXPECT_EQ(ReadWholeFile(path), "old macro\n");
    StopRecorder();
    EXPECT_NE(ReadWholeFile(path).find("obInvert 1\nEnd Sub\n"), std::string::npos);

    // A file-size limit that the header fits under but the lines do not.
    {
        BoxRecorder ui;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("old macro\n", f);
        std::fclose(f);
        ASSERT_EQ(StartRecorder(path), kRecorderStarted);
        struct rlimit old, small;
        getrlimit(RLIMIT_FSIZE, &old);
        small = old;
        small.rlim_cur = 400;
        setrlimit(RLIMIT_FSIZE, &small);
        for (int i = 0; i < 100; ++i) WriteRecorderLine("obInvert 1\n");
        StopRecorder();
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(RecorderRunning());
        EXPECT_EQ(ReadWholeFile(path), "old macro\n");
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, "Could not write the recording; " + path + " is unchanged");
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"rec.bas"});  // no temporary file left

    std::string fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    BoxRecorder ui;
    EXPECT_EQ(StartRecorder(fifo), kRecorderCannotOpen);
    struct stat st;
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(Recorder, ARecordedMacroReplaysBitForBit) {
    TempFolder folder;
    // Recorded in a decimal-comma locale, replayed in the C locale (the
    // engine reads number literals with the process locale).
    bool comma = UseCommaLocale();
    (void)comma;
    std::vector<float> tone = Tone(600);
    MakeEditor(1, tone);
    std::string path = folder / "session.bas";
    ASSERT_EQ(StartRecorder(path), kRecorderStarted);
    RunSession(1);
    StopRecorder();
    std::vector<float> recorded(gEditorSlots[1]->leftSamples, gEditorSlots[1]->leftSamples + 600);
    LoopNode loop = *FindLoop(*gEditorSlots[1], 0);

    // Start again from the same sound and run the recorded file.
    std::setlocale(LC_ALL, "C");
    CloseAllEditors();
    MakeEditor(1, tone);
    BoxRecorder ui;
    ASSERT_EQ(RunMacroFile(nullptr, path), 0) << (ui.boxes.empty() ? "" : ui.boxes[0].text);
    EXPECT_TRUE(ui.boxes.empty());
    WaveRecord& r = *gEditorSlots[1];
    ASSERT_EQ(r.frameCount, 600u);
    EXPECT_EQ(std::memcmp(r.leftSamples, recorded.data(), 600 * sizeof(float)), 0);
    ASSERT_NE(FindLoop(r, 0), nullptr);
    EXPECT_EQ(FindLoop(r, 0)->start, loop.start);
    EXPECT_EQ(FindLoop(r, 0)->end, loop.end);
    EXPECT_EQ(FindLoop(r, 0)->type, loop.type);
    EXPECT_EQ(r.sustainLoopId, 0);
    EXPECT_EQ(FindMarker(r, 2)->position, 77u);
}

TEST_F(Recorder, AMacroRunWhileRecordingAddsOnlyWhatTheSamplerMenuRecords) {
    TempFolder folder;
    MakeEditor(1, Tone(100));
    WriteTextFile(folder / "m.bas",
                  "Sub Main ()\n  obGain 1, 2.0\n  obSetSamplerType OB_SAMPLER_SMDI\n"
                  "  obSetLoop 1, 0, 5, 50, 0, 1\nEnd Sub\n");
    ASSERT_EQ(StartRecorder(folder / "rec.bas"), kRecorderStarted);
    ASSERT_EQ(RunMacroFile(nullptr, folder / "m.bas"), 0);
    StopRecorder();
    EXPECT_EQ(ReadWholeFile(folder / "rec.bas"),
              RecorderHeader() + "obSetSamplerType OB_SAMPLER_SMDI\nEnd Sub\n");
    EXPECT_EQ(gSamplerType, 8);
    gSamplerType = 0;
}
