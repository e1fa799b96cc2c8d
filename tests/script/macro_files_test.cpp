// Macro key records, the settings store and folder rule, the configuration
// record, and RunMacroFile with its failure texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dsp/frame.h"
#include "dsp/preset_file.h"
#include "engine/tessel.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
#include "script/recorder.h"
#include "script/run_macro.h"
#include "script/settings_store.h"
#include "script_support.h"

using namespace ob;
using namespace ob::test;

class MacroFiles : public ScriptTest {
  protected:
    void SetUp() override {
        ScriptTest::SetUp();
        for (std::string& key : gMacroKeys) key.clear();
    }
    void TearDown() override {
        for (std::string& key : gMacroKeys) key.clear();
        StopRecorder();
        ScriptTest::TearDown();
    }
};

TEST_F(MacroFiles, KeyRecordRoundTripAndRefusals) {
    TempFolder folder;
    ASSERT_TRUE(SetMacroKey(0, "/macros/f2.bas"));
    ASSERT_TRUE(SetMacroKey(10, std::string(260, 'x')));
    EXPECT_FALSE(SetMacroKey(11, "a"));
    EXPECT_FALSE(SetMacroKey(1, std::string(261, 'y')));
    EXPECT_EQ(gMacroKeys[1], "");

    std::string path = folder / "keys.obx";
    ASSERT_EQ(WriteMacroKeys(path), kMacroKeysOk);
    // The record: 11 slots of 261 bytes, zero-terminated paths.
    unsigned char record[2871];
    bool swapped = true;
    ASSERT_EQ(ReadPresetFile(path, "MACR", record, sizeof record, &swapped), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record)), "/macros/f2.bas");
    EXPECT_EQ(record[261], 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2610), 260), std::string(260, 'x'));
    EXPECT_EQ(record[2870], 0);

    for (std::string& key : gMacroKeys) key = "other";
    ASSERT_EQ(ReadMacroKeys(path), kMacroKeysOk);
    EXPECT_EQ(gMacroKeys[0], "/macros/f2.bas");
    EXPECT_EQ(gMacroKeys[5], "");
    EXPECT_EQ(gMacroKeys[10], std::string(260, 'x'));

    // A longer path is refused when the record is written, never cut.
    gMacroKeys[4] = std::string(300, 'z');
    EXPECT_EQ(WriteMacroKeys(folder / "long.obx"), kMacroKeysTooLong);
    EXPECT_FALSE(std::filesystem::exists(folder / "long.obx"));

    // Unreadable files leave the slots as they were.
    std::string bytes = ReadWholeFile(path);
    WriteTextFile(folder / "short.obx", bytes.substr(0, 1000));
    EXPECT_EQ(ReadMacroKeys(folder / "short.obx"), kMacroKeysUnreadable);
    EXPECT_EQ(ReadMacroKeys(folder / "missing.obx"), kMacroKeysUnreadable);
    EXPECT_EQ(gMacroKeys[4], std::string(300, 'z'));
    EXPECT_EQ(gMacroKeys[0], "/macros/f2.bas");

    // A slot without a terminator reads as its first 260 characters.
    std::memset(record + 261, 'q', 261);
    ASSERT_EQ(WritePresetFile(folder / "unterminated.obx", "MACR", record, sizeof record), 0);
    ASSERT_EQ(ReadMacroKeys(folder / "unterminated.obx"), kMacroKeysOk);
    EXPECT_EQ(gMacroKeys[1], std::string(260, 'q'));

    // The commands: Load Macros reports and records, Save Macros reports.
    BoxRecorder ui;
    EXPECT_FALSE(LoadMacrosCommand(folder / "missing.obx"));
    EXPECT_FALSE(SaveMacrosCommand(folder / "no/such/folder.obx"));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].caption, "Sample Orbick 24/96");
    EXPECT_EQ(ui.boxes[0].text, "Error Reading Macros File");
    EXPECT_EQ(ui.boxes[1].text, "Error Writing Macros File");
    ASSERT_EQ(StartRecorder(folder / "rec.bas"), kRecorderStarted);
    EXPECT_TRUE(LoadMacrosCommand(path));
    StopRecorder();
    EXPECT_NE(ReadWholeFile(folder / "rec.bas").find("obLoadMacros \"" + path + "\"\n"),
              std::string::npos);
}

TEST_F(MacroFiles, SettingsFolderStoreAndConfiguration) {
    TempFolder folder;
    setenv("ORBICK_HOME", "/home/o", 1);
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(SettingsFolder("/given"), "/given");
    EXPECT_EQ(SettingsFolder(""), "/home/o");
    unsetenv("ORBICK_HOME");
    EXPECT_EQ(SettingsFolder(""), "/xdg/orbick");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/users/me", 1);
    EXPECT_EQ(SettingsFolder(""), "/users/me/.config/orbick");

    SettingsStore store;
    ParseSettingsText(
        "; comment\n[General]\nERan=3\nEChan = 2\nFormat=4\nBups=1000\n"
        "SmoothS=25\nDispF=1538\nSoundsDir=\"C:\\\\Sounds\"\nSampler=12\n"
        "[Other]\nERan=2\n",
        store);
    std::string text;
    ASSERT_TRUE(store.Text("SoundsDir", text));
    EXPECT_EQ(text, "C:\\Sounds");
    int64_t n = 0;
    EXPECT_FALSE(store.Number("SoundsDir", n));
    ApplyStoredSettings(store);
    EXPECT_EQ(gEditing.affectArea, 3);  // [Other] is not read
    EXPECT_EQ(gEditing.editChannel, 2u);
    EXPECT_EQ(gEditing.defaultSaveFormat, kFormatWav32);  // 4 names no format
    EXPECT_EQ(gBackups, 1000u);
    EXPECT_EQ(gProcessing.smoothingMs, 25u);
    EXPECT_TRUE(gProcessing.autoZoomOut);
    EXPECT_TRUE(gProcessing.abortable);
    EXPECT_TRUE(gProcessing.editAndPlay);
    EXPECT_NE(gSamplerType, 12);

    // A configuration record: undo depth, format, affect type.
    uint8_t record[kConfigBytes] = {};
    record[4] = 2;    // In View
    record[6] = 1;    // left
    record[16] = 7;   // undo depth
    record[24] = 19;  // WAV 24
    record[28] = 5;
    record[32] = 40;
    ASSERT_EQ(WritePresetFile(folder / "orbick.config", "CFG1", record, sizeof record), 0);
    gProcessing = ProcessingSettings{};
    ASSERT_TRUE(LoadConfigFile(folder / "orbick.config"));
    EXPECT_EQ(gEditing.affectArea, 2);
    EXPECT_EQ(gEditing.editChannel, 1u);
    EXPECT_EQ(gBackups, 7u);
    EXPECT_EQ(gEditing.defaultSaveFormat, 19);
    EXPECT_EQ(gSamplerType, 5);
    EXPECT_EQ(gProcessing.smoothingMs, 40u);
    EXPECT_FALSE(LoadConfigFile(folder / "nothing"));
    {
        BoxRecorder ui;
        EXPECT_FALSE(LoadConfigCommand(folder / "nothing"));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].caption, "Sample Orbick 24/96");
        EXPECT_EQ(ui.boxes[0].text, "Error Reading Configuration File");
        ASSERT_EQ(StartRecorder(folder / "rec.bas"), kRecorderStarted);
        EXPECT_TRUE(LoadConfigCommand(folder / "orbick.config"));
        StopRecorder();
        EXPECT_EQ(
            ReadWholeFile(folder / "rec.bas"),
            RecorderHeader() + "obLoadConfig \"" + (folder / "orbick.config") + "\"\nEnd Sub\n");
    }

    // The start-up files of the folder; the store file first, then the rest.
    WriteTextFile(folder / kSettingsFileName, "[General]\nERan=4\nBups=3\n");
    ASSERT_TRUE(SetMacroKey(2, "/m/f4.bas"));
    ASSERT_EQ(WriteMacroKeys(folder / "orbick.macro"), kMacroKeysOk);
    gMacroKeys[2].clear();
    ReadStartupSettings(folder.path);
    EXPECT_EQ(gEditing.affectArea, 2);  // orbick.config comes after the store
    EXPECT_EQ(gBackups, 7u);
    EXPECT_EQ(gMacroKeys[2], "/m/f4.bas");
    gSamplerType = 0;
    gProcessing = ProcessingSettings{};
}

TEST_F(MacroFiles, RunMacroFileAndItsFailures) {
    TempFolder folder;
    BoxRecorder ui;
    EXPECT_STREQ(EngineResultText(0), "Tessel: Success");
    EXPECT_STREQ(EngineResultText(TES_E_SYNTAX), "Tessel: Syntax error");
    EXPECT_STREQ(EngineResultText(TES_E_CODEGEN2),
                 "Tessel: Unhandled exception during code generation");
    EXPECT_STREQ(EngineResultText(TES_E_BADCODEFILE),
                 "Tessel: Compiled code file is out of date or corrupted");
    EXPECT_STREQ(EngineResultText(5), "Tessel: Relatively catastrophic failure");
    EXPECT_STREQ(EngineResultText(int32_t(0x8000001B)), "Tessel: Relatively catastrophic failure");

    // A missing file: the host's own message, the engine's code.
    EXPECT_EQ(RunMacroFile(nullptr, folder / "missing.bas"), TES_E_FILENOTFOUND);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Tessel Macro Error");
    EXPECT_EQ(ui.boxes[0].text, "Error loading macro file");

    // A syntax error: only the engine's message.
    ui.boxes.clear();
    WriteTextFile(folder / "bad.bas", "Sub Main ()\n  x = = 1\nEnd Sub\n");
    EXPECT_EQ(RunMacroFile(nullptr, folder / "bad.bas"), TES_E_SYNTAX);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Sample Orbick: Tessel Script");
    // The message names the file, the line and the column of the offending token.
    EXPECT_EQ(ui.boxes[0].text, folder / "bad.bas" + ":2:7: Syntax error at: =");
    // A run-time error names the file and the line.
    ui.boxes.clear();
    WriteTextFile(folder / "overflow.bas",
                  "Sub Main ()\n  Dim i As Integer\n  i = 32767\n  i = i + 1\nEnd Sub\n");
    EXPECT_NE(RunMacroFile(nullptr, folder / "overflow.bas"), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, folder / "overflow.bas" + ":4: Overflow");

    // The declarations compile as they stand, and a macro uses the API;
    // Print output reaches the message callback (a box outside batch mode).
    ui.boxes.clear();
    MakeEditor(3, {0.5f, -0.25f, 0.125f});
    WriteTextFile(folder / "ok.bas",
                  "Sub Main ()\n"
                  "  r = obGain(3, -6.0)\n"
                  "  Print obInquire(3, OB_INQUIRE_SIZE, 0)\n"
                  "  Print obGetVersionInfo()\n"
                  "  obSetMarker 3, 1, 2\n"
                  "  Print obGetSampleValue(3, 0)\n"
                  "End Sub\n");
    ASSERT_EQ(RunMacroFile(nullptr, folder / "ok.bas"), 0);
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_NE(ui.boxes[0].text.find("3"), std::string::npos);
    EXPECT_NE(ui.boxes[1].text.find(VersionText()), std::string::npos);
    EXPECT_NE(ui.boxes[2].text.find(std::to_string(int(0.5 * std::pow(10.0, -6.0 / 20.0) * 32767))),
              std::string::npos);
    EXPECT_FLOAT_EQ(gEditorSlots[3]->leftSamples[0], float(0.5 * std::pow(10.0, -6.0 / 20.0)));
    EXPECT_EQ(FindMarker(*gEditorSlots[3], 1)->position, 2u);

    // Each run has its own context: a second run works the same way, and a
    // failed run frees its context too (no context is left behind).
    ASSERT_EQ(RunMacroFile(nullptr, folder / "ok.bas"), 0);
    TesContext left = 0;
    EXPECT_EQ(tesContextFromUserName("OrbickTessel", &left), TES_E_NOTFOUND);

    // Macro keys: an empty slot does nothing; a set one runs its macro.
    ui.boxes.clear();
    EXPECT_EQ(RunMacroKey(nullptr, 0), 0);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_TRUE(SetMacroKey(0, folder / "ok.bas"));
    EXPECT_EQ(RunMacroKey(nullptr, 0), 0);
    EXPECT_EQ(ui.boxes.size(), 3u);

    // The start-up macro runs from the settings folder only.
    ui.boxes.clear();
    EXPECT_EQ(RunStartupMacro(nullptr, folder.path), 0);
    EXPECT_TRUE(ui.boxes.empty());
    WriteTextFile(folder / "orbick.macroinit", "Sub Main ()\n  Print \"started\"\nEnd Sub\n");
    EXPECT_EQ(RunStartupMacro(nullptr, folder.path), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("started"), std::string::npos);
}

TEST_F(MacroFiles, HostileStoreAndKeyFilesAreRefusedCleanly) {
    TempFolder folder;
    // Random bytes as a settings store: parsed without harm, and nothing
    // outside a value's range is taken.
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0xFF; };
    const char* pieces[] = {
        "[General]\n",          "ERan=", "Bups=", "Format=", "\"",    "\\", "=", "\n",
        "99999999999999999999", "-1",    "4",     "[x]\n",   "EChan="};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            uint32_t r = next();
            text += r < 128 ? std::string(pieces[r % 13]) : std::string(1, char(next()));
        }
        SettingsStore store;
        ParseSettingsText(text, store);
        ApplyStoredSettings(store);
        EXPECT_GE(gEditing.affectArea, 1);
        EXPECT_LE(gEditing.affectArea, 4);
        EXPECT_LE(gEditing.editChannel, 3u);
        EXPECT_LE(gBackups, 1000u);
        int f = gEditing.defaultSaveFormat;
        EXPECT_TRUE(f >= 0 && f <= 20 && f != 1 && f != 4) << f;
    }

    // Every truncation of a key file is either read whole or refused with
    // the slots untouched.
    ASSERT_TRUE(SetMacroKey(0, "/a.bas"));
    ASSERT_EQ(WriteMacroKeys(folder / "keys.obx"), kMacroKeysOk);
    std::string bytes = ReadWholeFile(folder / "keys.obx");
    gMacroKeys[0] = "kept";
    for (size_t n = 0; n < 20 + 2871; n += 7) {  // short of the whole record
        WriteTextFile(folder / "cut.obx", bytes.substr(0, n));
        EXPECT_EQ(ReadMacroKeys(folder / "cut.obx"), kMacroKeysUnreadable) << n;
        EXPECT_EQ(gMacroKeys[0], "kept");
    }
    gProcessing = ProcessingSettings{};
}
