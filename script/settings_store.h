// Reading the settings the editor persists, for runs without the windowed
// shell (batch mode): the settings folder rule, the settings store (an INI
// file, orbick.ini, written by the shell), the configuration record
// ("CFG1" in orbick.config, also read by obLoadConfig) and the start-up files;
// the values the store holds for writing (the shell writes them) and the
// configuration record for Save Config. Every value read is range-checked;
// one out of range leaves the built-in default.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ob {

// The settings folder: `overrideFolder` (--config-dir) when not empty, else
// $ORBICK_HOME, else $XDG_CONFIG_HOME/orbick, else $HOME/.config/orbick.
// "" when none of them can be formed.
std::string SettingsFolder(const std::string& overrideFolder);
constexpr const char* kSettingsFileName = "orbick.ini";

// The values of the store's [General] section (and of lines before any
// section), by name. Quoted values lose their quotes; backslash escapes
// (\\, \", \n, \t) are resolved.
struct SettingsStore {
    std::map<std::string, std::string> values;
    bool Text(const char* name, std::string& out) const;
    // A whole decimal number (optionally signed); false otherwise.
    bool Number(const char* name, int64_t& out) const;
};
// Results: 0 read, 1 no such file, 2 unreadable.
int ReadSettingsStore(const std::string& path, SettingsStore& store);
int ParseSettingsText(const std::string& text, SettingsStore& store);

// Takes each known value that lies in its range into the global settings;
// others keep their built-in defaults.
void ApplyStoredSettings(const SettingsStore& store);

// The settings only the shell uses, kept here so that they round-trip through
// the store and the configuration record (batch mode reads them too). The
// presets folder is gPresetsFolder (dsp/preset_list.h).
constexpr int kRecentFileCount = 5;
constexpr int kColourCount = 8;
constexpr int kPlayPrefCount = 10;
constexpr size_t kFolderBytes = 261;  // folders: 260 bytes and the terminator
// Default colours, red in the low byte: Background, Waveform, Axis, Labels,
// Markers, Loops, Color Point, and the eighth slot.
extern const uint32_t kDefaultColours[kColourCount];
// Display flag bits besides those the processing frame keeps.
constexpr uint32_t kFlagAutoZoomOut = 0x0002;
constexpr uint32_t kFlagNoTips = 0x0004;
constexpr uint32_t kFlagAbortable = 0x0200;
constexpr uint32_t kFlagEditAndPlay = 0x0400;
// The play preferences (PlPfIter .. PlPfAtten) are the player's own record,
// gPlayPrefs (audio/play_prefs.h).
struct ShellSettings {
    uint32_t displayFlags = 0;  // DispF; the frame's bits live in gProcessing
    uint32_t colours[kColourCount] = {};
    std::string recentFiles[kRecentFileCount];  // newest first; "" = empty slot
    std::string soundsFolder;
    std::string macrosFolder;
    int64_t nextTip = 0;
    uint32_t dialogOptions[3] = {};    // configuration offsets 8, 12, 20
    uint8_t displaySettings[29] = {};  // configuration offsets 564..592, copied unchanged
    uint8_t font[60] = {};             // configuration offset 628, copied unchanged
};
extern ShellSettings gShellSettings;
// Built-in values of everything above (and of the globals the store sets).
void ResetShellSettings();
// DispF as written: the stored flags with the frame's bits from gProcessing.
uint32_t CurrentDisplayFlags();
// Takes DispF (below 32768) into gProcessing and gShellSettings.
void SetDisplayFlags(uint32_t flags);
// Number of output devices of the current audio backend (limits PlPfDID).
int WaveOutputDeviceCount();
// Derives the three default folders from the install folder: shorter than
// 251 bytes gives <dir>/Sounds, <dir>/Presets and <dir>/Scripts; 251..257
// bytes the folder itself; longer leaves all three empty.
void DeriveDefaultFolders(const std::string& targetDir);

// Every value the store holds, by name, for writing (all but TargetDir;
// empty recent-file slots are left out).
std::vector<std::pair<std::string, std::string>> StoredSettingsValues();

// The recent-file list: a path (canonical when it exists) goes first; one
// already listed (same path, compared case-sensitively) moves to the front;
// the oldest falls off.
void AddRecentFile(const std::string& path);
// The menu label of slot 0..4: "&1  name", cut to 30 characters ending "...".
std::string RecentFileLabel(int slot);

constexpr uint32_t kConfigBytes = 1688;
// Applies a configuration record (field ranges as for the store).
void ApplyConfigRecord(const uint8_t record[kConfigBytes], bool swapped);
// Fills a configuration record from the current settings.
void BuildConfigRecord(uint8_t record[kConfigBytes]);
// Writes "orbick.config"-style files; true on success.
bool SaveConfigFile(const std::string& path);
// The Save Config command: reports "Error Writing Configuration File"
// (caption "Sample Orbick 24/96") on failure.
bool SaveConfigCommand(const std::string& path);
// Reads a configuration file ("CFG1", or the older "CFG0") and applies it;
// true on success. A record shorter than 1688 bytes is refused.
bool LoadConfigFile(const std::string& path);
// The Load Config command: on failure reports "Error Reading Configuration
// File" (caption "Sample Orbick 24/96"); on success records obLoadConfig.
bool LoadConfigCommand(const std::string& path);

// What batch mode reads at start-up, in the shell's order: the store, then
// "orbick.config", "orbick.play" and "orbick.macro" of the folder (missing
// files are skipped without a message).
void ReadStartupSettings(const std::string& settingsFolder);

}  // namespace ob
