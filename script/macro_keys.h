// Macro key assignments: eleven slots F2..F12, each a path of at most 260
// characters; the "MACR" record (11 x 261 bytes, zero-terminated paths) in
// the preset container; the Load Macros and Save Macros commands.
#pragma once

#include <string>

namespace ob {

constexpr int kMacroKeyCount = 11;       // F2..F12
constexpr size_t kMacroPathBytes = 261;  // 260 characters and the terminator
constexpr size_t kMacroPathMax = 260;
extern std::string gMacroKeys[kMacroKeyCount];

// Results of the macro key operations.
enum MacroKeysResult : int {
    kMacroKeysOk = 0,
    kMacroKeysUnreadable = 1,  // missing file, not a container, no "MACR" record, short record
    kMacroKeysTooLong = 2,     // a path longer than 260 characters: nothing written
    kMacroKeysWriteFailed = 3,
};

// Stores a path in slot 0..10; false (slot unchanged) for a bad slot or a
// path longer than 260 characters.
bool SetMacroKey(int slot, const std::string& path);
// Reads the record into the slots; on failure the slots stay as they were.
int ReadMacroKeys(const std::string& path);
// Writes the slots as a "MACR" container; refuses paths that do not fit.
int WriteMacroKeys(const std::string& path);
// The 2871-byte record of the slots (false when a path does not fit).
bool BuildMacroKeysRecord(unsigned char record[2871]);

// The Load Macros command: reads, reports "Error Reading Macros File"
// (caption "Sample Orbick 24/96") on failure, records obLoadMacros on success.
bool LoadMacrosCommand(const std::string& path);
// The Save Macros command: reports "Error Writing Macros File" on failure.
bool SaveMacrosCommand(const std::string& path);

// The start-up record "orbick.macro" of the settings folder; a missing or
// unreadable file leaves the slots empty without a message.
void LoadStartupMacroKeys(const std::string& settingsFolder);

}  // namespace ob
