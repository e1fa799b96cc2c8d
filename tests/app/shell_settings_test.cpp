// The settings store through QSettings, the configuration record, the
// recent-file list and the default folders.
#include "app/shell_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <cstring>

#include "audio/play_prefs.h"
#include "dsp/frame.h"
#include "dsp/preset_file.h"
#include "dsp/preset_list.h"
#include "script/host_state.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
void ResetAll() {
    ResetShellSettings();
    gProcessing = ProcessingSettings{};
    gEditing = EditingState{};
    gSamplerType = 0;
    gPresetsFolder.clear();
    SetBackupDepth(1);
    WaveRecord& defaults = *gEditorSlots[0];
    defaults.displayOptions = 0;
    defaults.timeUnit = 0;
    defaults.levelUnit = 0;
}
}  // namespace

void SettingsTest::cleanup() {
    ResetAll();
}

void SettingsTest::storeRoundTrip() {
    TempFolder folder;
    ResetAll();
    SetDisplayFlags(0x0002 | 0x0004 | 0x0200 | 0x1000);
    gEditing.affectArea = kAffectMouse;
    gEditing.editChannel = kEditRight;
    gEditing.defaultSaveFormat = kFormatAiff24;
    gEditing.wavOptions = 5;
    gSamplerType = 7;
    SetBackupDepth(1000);
    SetSmoothingTime(250);
    gShellSettings.nextTip = 4;
    gPlayPrefs.iterations = 99;
    gPlayPrefs.transpose = -12;
    WaveRecord& defaults = *gEditorSlots[0];
    defaults.displayOptions = 0x1f;
    defaults.timeUnit = 13;
    defaults.levelUnit = 5;
    for (int i = 0; i < kColourCount; ++i) gShellSettings.colours[i] = 0x010203u * uint32_t(i + 1);
    gShellSettings.recentFiles[0] = "/snd/Tone, with comma.wav";
    gShellSettings.recentFiles[1] = "/snd/b.aif";
    gShellSettings.soundsFolder = "/data/Sounds";
    gPresetsFolder = "/data/My Presets";
    gShellSettings.macrosFolder = "/data/Scripts";
    QVERIFY(WriteShellSettings(folder.path));

    ResetAll();
    QVERIFY(ReadShellSettings(folder.path));
    QCOMPARE(CurrentDisplayFlags(), 0x0002u | 0x0004u | 0x0200u | 0x1000u);
    QVERIFY(gProcessing.autoZoomOut && gProcessing.abortable && !gProcessing.editAndPlay);
    QCOMPARE(gProcessing.smoothingOptions, uint32_t(kSmoothEnd));
    QCOMPARE(int(gEditing.affectArea), int(kAffectMouse));
    QCOMPARE(gEditing.editChannel, uint32_t(kEditRight));
    QCOMPARE(gEditing.defaultSaveFormat, int(kFormatAiff24));
    QCOMPARE(gEditing.wavOptions, 5u);
    QCOMPARE(gSamplerType, 7);
    QCOMPARE(gBackups, 1000u);
    QCOMPARE(gProcessing.smoothingMs, 250u);
    QCOMPARE(gShellSettings.nextTip, int64_t(4));
    QCOMPARE(gPlayPrefs.iterations, 99);
    QCOMPARE(gPlayPrefs.transpose, -12);
    QCOMPARE(defaults.displayOptions, 0x1fu);
    QCOMPARE(defaults.timeUnit, 13u);
    QCOMPARE(defaults.levelUnit, 5u);
    for (int i = 0; i < kColourCount; ++i)
        QCOMPARE(gShellSettings.colours[i], 0x010203u * uint32_t(i + 1));
    QCOMPARE(gShellSettings.recentFiles[0], std::string("/snd/Tone, with comma.wav"));
    QCOMPARE(gShellSettings.recentFiles[1], std::string("/snd/b.aif"));
    QVERIFY(gShellSettings.recentFiles[2].empty());
    QCOMPARE(gShellSettings.soundsFolder, std::string("/data/Sounds"));
    QCOMPARE(gPresetsFolder, std::string("/data/My Presets"));
    QCOMPARE(gShellSettings.macrosFolder, std::string("/data/Scripts"));

    // Batch mode reads the same file with the core's own reader.
    ResetAll();
    SettingsStore store;
    QCOMPARE(ReadSettingsStore(folder.File(kSettingsFileName).toStdString(), store), 0);
    ApplyStoredSettings(store);
    QCOMPARE(gEditing.defaultSaveFormat, int(kFormatAiff24));
    QCOMPARE(gBackups, 1000u);
    QCOMPARE(gPresetsFolder, std::string("/data/My Presets"));
    QCOMPARE(gShellSettings.recentFiles[0], std::string("/snd/Tone, with comma.wav"));
    // TargetDir is never written.
    QVERIFY(!store.values.count("TargetDir"));
}

void SettingsTest::outOfRangeValuesFallBack() {
    TempFolder folder;
    ResetAll();
    {
        QSettings ini(folder.File(kSettingsFileName), QSettings::IniFormat);
        ini.setValue("DispF", 32768);
        ini.setValue("ERan", 5);
        ini.setValue("EChan", 0);
        ini.setValue("Format", 20);  // a code without a writer
        ini.setValue("WAVOptions", 16);
        ini.setValue("Sampler", 11);
        ini.setValue("Bups", 1001);
        ini.setValue("SmoothS", 1000001);
        ini.setValue("EdOpt", 512);
        ini.setValue("EdXU", 14);
        ini.setValue("EdYU", 0);
        ini.setValue("PlPfTrans", 128);
        ini.setValue("PlPfBfSz", 0);
        ini.setValue("PlPfDID", 5);
        for (int i = 1; i <= 7; ++i) ini.setValue(QString("Clr%1").arg(i), 0x123456);
        ini.setValue("MRU1", QString(300, 'x'));
        ini.setValue("TipN", "three");
    }
    QVERIFY(ReadShellSettings(folder.path));
    QCOMPARE(CurrentDisplayFlags(), 0u);
    QCOMPARE(int(gEditing.affectArea), int(kAffectAll));
    QCOMPARE(gEditing.editChannel, uint32_t(kEditLeftRight));
    QCOMPARE(gEditing.defaultSaveFormat, int(kFormatWav32));
    QCOMPARE(gEditing.wavOptions, 15u);
    QCOMPARE(gSamplerType, 0);
    QCOMPARE(gBackups, 1u);
    QCOMPARE(gProcessing.smoothingMs, 10u);
    QCOMPARE(gEditorSlots[0]->displayOptions, 0u);
    QCOMPARE(gEditorSlots[0]->timeUnit, 0u);
    QCOMPARE(gEditorSlots[0]->levelUnit, 0u);
    QCOMPARE(gPlayPrefs.transpose, 0);
    QCOMPARE(gPlayPrefs.bufferSize, 2);
    QCOMPARE(gPlayPrefs.device, 0);
    // Seven colours and one missing: none is taken.
    for (int i = 0; i < kColourCount; ++i) QCOMPARE(gShellSettings.colours[i], kDefaultColours[i]);
    QVERIFY(gShellSettings.recentFiles[0].empty());
    QCOMPARE(gShellSettings.nextTip, int64_t(0));
    // The first default colour is (244, 246, 245) with red in the low byte.
    QCOMPARE(kDefaultColours[0], 244u | 246u << 8 | 245u << 16);
}

void SettingsTest::configRecordRoundTrip() {
    TempFolder folder;
    ResetAll();
    SetDisplayFlags(0x0400 | 0x0800);
    gEditing.affectArea = kAffectMarkers;
    gEditing.editChannel = kEditLeft;
    gShellSettings.dialogOptions[0] = 0x11223344;
    gShellSettings.dialogOptions[1] = 0x55667788;
    gShellSettings.dialogOptions[2] = 0x99aabbcc;
    SetBackupDepth(1000);  // stored as 255
    gEditing.defaultSaveFormat = kFormatWav24;
    gSamplerType = 3;
    SetSmoothingTime(42);
    gShellSettings.soundsFolder = std::string(300, 's');  // cut to 260 bytes
    gPresetsFolder = "/presets/here";
    gEditorSlots[0]->displayOptions = 0x05;
    gEditorSlots[0]->timeUnit = 3;
    gEditorSlots[0]->levelUnit = 2;
    for (int i = 0; i < 29; ++i) gShellSettings.displaySettings[i] = uint8_t(i + 1);
    for (int i = 0; i < kColourCount; ++i) gShellSettings.colours[i] = uint32_t(i) * 0x100u;
    for (int i = 0; i < 60; ++i) gShellSettings.font[i] = uint8_t(200 - i);
    QString path = folder.File("saved.config");
    QVERIFY(SaveConfigCommand(path.toStdString()));

    // The file is the container with one "CFG1" record of 1688 bytes.
    uint8_t record[kConfigBytes];
    bool swapped = true;
    QCOMPARE(ReadPresetFile(path.toStdString(), "CFG1", record, kConfigBytes, &swapped), 0);
    QVERIFY(!swapped);
    QCOMPARE(int(record[16]), 255);
    QCOMPARE(record[36 + 259], uint8_t('s'));
    QCOMPARE(record[36 + 260], uint8_t(0));
    QCOMPARE(std::string(reinterpret_cast<char*>(record + 297)), std::string("/presets/here"));
    for (int i = 688; i < 1688; ++i) QCOMPARE(int(record[i]), 0);

    ResetAll();
    QVERIFY(LoadConfigFile(path.toStdString()));
    QCOMPARE(CurrentDisplayFlags(), 0x0400u | 0x0800u);
    QCOMPARE(int(gEditing.affectArea), int(kAffectMarkers));
    QCOMPARE(gEditing.editChannel, uint32_t(kEditLeft));
    QCOMPARE(gShellSettings.dialogOptions[0], 0x11223344u);
    QCOMPARE(gShellSettings.dialogOptions[1], 0x55667788u);
    QCOMPARE(gShellSettings.dialogOptions[2], 0x99aabbccu);
    QCOMPARE(gBackups, 255u);
    QCOMPARE(gEditing.defaultSaveFormat, int(kFormatWav24));
    QCOMPARE(gSamplerType, 3);
    QCOMPARE(gProcessing.smoothingMs, 42u);
    QCOMPARE(gShellSettings.soundsFolder, std::string(260, 's'));
    QCOMPARE(gPresetsFolder, std::string("/presets/here"));
    QCOMPARE(gEditorSlots[0]->displayOptions, 0x05u);
    QCOMPARE(gEditorSlots[0]->timeUnit, 3u);
    QCOMPARE(gEditorSlots[0]->levelUnit, 2u);
    for (int i = 0; i < 29; ++i) QCOMPARE(int(gShellSettings.displaySettings[i]), i + 1);
    for (int i = 0; i < kColourCount; ++i)
        QCOMPARE(gShellSettings.colours[i], uint32_t(i) * 0x100u);
    for (int i = 0; i < 60; ++i) QCOMPARE(int(gShellSettings.font[i]), 200 - i);
}

void SettingsTest::shortOrBrokenConfigIsRefused() {
    TempFolder folder;
    ResetAll();
    // A record one byte short is refused as a whole.
    std::vector<uint8_t> shortRecord(kConfigBytes - 1, 0);
    shortRecord[4] = 2;
    QString shortPath = folder.File("short.config");
    QCOMPARE(WritePresetFile(shortPath.toStdString(), "CFG1", shortRecord.data(),
                             uint32_t(shortRecord.size())),
             0);
    QVERIFY(!LoadConfigFile(shortPath.toStdString()));
    QCOMPARE(int(gEditing.affectArea), int(kAffectAll));
    // Out-of-range fields keep their values; unterminated folders are bounded.
    uint8_t record[kConfigBytes];
    std::memset(record, 0, sizeof record);
    record[4] = 9;   // affect type
    record[6] = 0;   // no edit channel
    record[24] = 4;  // names no format
    record[560] = 14;
    record[561] = 6;
    std::memset(record + 36, 'a', 261);  // no terminator in the field
    std::memset(record + 297, 'b', 261);
    record[596 + 3] = 0x7f;  // a colour beyond 24 bits
    record[16] = 1;
    QString path = folder.File("bad.config");
    QCOMPARE(WritePresetFile(path.toStdString(), "CFG1", record, kConfigBytes), 0);
    QVERIFY(LoadConfigFile(path.toStdString()));
    QCOMPARE(int(gEditing.affectArea), int(kAffectAll));
    QCOMPARE(gEditing.editChannel, uint32_t(kEditLeftRight));
    QCOMPARE(gEditing.defaultSaveFormat, int(kFormatWav32));
    QCOMPARE(gEditorSlots[0]->timeUnit, 0u);
    QCOMPARE(gEditorSlots[0]->levelUnit, 0u);
    QCOMPARE(gShellSettings.soundsFolder.size(), size_t(260));
    QCOMPARE(gPresetsFolder.size(), size_t(260));
    QCOMPARE(gShellSettings.colours[0], kDefaultColours[0]);
}

void SettingsTest::recentFilesMoveAndLabel() {
    ResetAll();
    TempFolder folder;
    QString a = folder.File("a.wav"), b = folder.File("B.wav");
    QVERIFY(WriteTestWav(a, 1, 10, "a"));
    QVERIFY(WriteTestWav(b, 1, 10, "b"));
    AddRecentFile(a.toStdString());
    AddRecentFile(b.toStdString());
    AddRecentFile((folder.path + "/./a.wav").toStdString());  // the same file
    std::string canonicalA = QFileInfo(a).canonicalFilePath().toStdString();
    QCOMPARE(gShellSettings.recentFiles[0], canonicalA);
    QVERIFY(gShellSettings.recentFiles[2].empty());
    // Case matters on Linux: b.wav is another path than B.wav.
    AddRecentFile(folder.File("b.wav").toStdString());
    QCOMPARE(QString::fromStdString(gShellSettings.recentFiles[0]).section('/', -1),
             QString("b.wav"));
    QCOMPARE(QString::fromStdString(gShellSettings.recentFiles[2]).section('/', -1),
             QString("B.wav"));
    for (int i = 0; i < 6; ++i) AddRecentFile("/x/file" + std::to_string(i) + ".wav");
    QCOMPARE(gShellSettings.recentFiles[0], std::string("/x/file5.wav"));
    QCOMPARE(gShellSettings.recentFiles[4], std::string("/x/file1.wav"));
    QCOMPARE(RecentFileLabel(0), std::string("&1  file5.wav"));
    AddRecentFile("/x/a_rather_long_sound_file_name_indeed.wav");
    std::string label = RecentFileLabel(0);
    QCOMPARE(label.size(), size_t(30));
    QCOMPARE(label, std::string("&1  a_rather_long_sound_fil..."));
}

void SettingsTest::defaultFoldersFromTargetDir() {
    ResetAll();
    TempFolder folder;
    {
        QSettings ini(folder.File(kSettingsFileName), QSettings::IniFormat);
        ini.setValue("TargetDir", "/opt/orbick/");
        ini.setValue("MacrosDir", "/home/me/macros");
    }
    QVERIFY(ReadShellSettings(folder.path));
    QCOMPARE(gShellSettings.soundsFolder, std::string("/opt/orbick/Sounds"));
    QCOMPARE(gPresetsFolder, std::string("/opt/orbick/Presets"));
    QCOMPARE(gShellSettings.macrosFolder, std::string("/home/me/macros"));
    DeriveDefaultFolders(std::string(255, 'd'));
    QCOMPARE(gPresetsFolder, std::string(255, 'd'));
    DeriveDefaultFolders(std::string(258, 'd'));
    QVERIFY(gPresetsFolder.empty() && gShellSettings.soundsFolder.empty());
}

}  // namespace shelltest
