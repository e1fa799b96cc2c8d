// Reading the settings the editor persists, for runs without the windowed
// shell (batch mode): the settings folder rule, the settings store (an INI
// file, orbick.ini, written by the shell), the configuration record
// ("CFG1" in orbick.config, also read by obLoadConfig) and the start-up files.
// Nothing here writes settings.
#pragma once

#include <cstdint>
#include <map>
#include <string>

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

constexpr uint32_t kConfigBytes = 1688;
// Applies a configuration record (field ranges as for the store).
void ApplyConfigRecord(const uint8_t record[kConfigBytes], bool swapped);
// Reads a configuration file ("CFG1", or the older "CFG0") and applies it;
// true on success.
bool LoadConfigFile(const std::string& path);
// The Load Config command: on failure reports "Error Reading Configuration
// File" (caption "Sample Orbick 24/96"); on success records obLoadConfig.
bool LoadConfigCommand(const std::string& path);

// What batch mode reads at start-up, in the shell's order: the store, then
// "orbick.config", "orbick.play" and "orbick.macro" of the folder (missing
// files are skipped without a message).
void ReadStartupSettings(const std::string& settingsFolder);

}  // namespace ob
