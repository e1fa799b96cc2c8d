// The macro key slots and their "MACR" record.
#include "script/macro_keys.h"

#include <cstring>

#include "base/messages.h"
#include "dsp/preset_file.h"
#include "script/recorder.h"

namespace ob {

std::string gMacroKeys[kMacroKeyCount];

namespace {
constexpr const char* kMacroKind = "MACR";
static_assert(kMacroKeyCount * kMacroPathBytes == kMacroKeysRecordSize);
}  // namespace

bool SetMacroKey(int slot, const std::string& path) {
    if (slot < 0 || slot >= kMacroKeyCount) return false;
    if (path.size() > kMacroPathMax || path.find('\0') != std::string::npos) return false;
    gMacroKeys[slot] = path;
    return true;
}

bool BuildMacroKeysRecord(unsigned char record[kMacroKeysRecordSize]) {
    std::memset(record, 0, kMacroKeysRecordSize);
    for (int i = 0; i < kMacroKeyCount; ++i) {
        const std::string& path = gMacroKeys[i];
        if (path.size() > kMacroPathMax) return false;
        std::memcpy(record + i * kMacroPathBytes, path.data(), path.size());
    }
    return true;
}

int ReadMacroKeys(const std::string& path) {
    unsigned char record[kMacroKeysRecordSize];
    bool swapped = false;
    if (ReadPresetFile(path, kMacroKind, record, kMacroKeysRecordSize, &swapped) != 0)
        return kMacroKeysUnreadable;
    // Text only: the byte order does not matter. A slot without a terminator
    // is cut at its 260th character rather than read past its field.
    for (int i = 0; i < kMacroKeyCount; ++i) {
        std::string text = FieldText(record + i * kMacroPathBytes, kMacroPathBytes);
        if (text.size() > kMacroPathMax) text.resize(kMacroPathMax);
        gMacroKeys[i] = text;
    }
    return kMacroKeysOk;
}

int WriteMacroKeys(const std::string& path) {
    unsigned char record[kMacroKeysRecordSize];
    if (!BuildMacroKeysRecord(record)) return kMacroKeysTooLong;
    return WritePresetFile(path, kMacroKind, record, kMacroKeysRecordSize) == 0
               ? kMacroKeysOk
               : kMacroKeysWriteFailed;
}

bool LoadMacrosCommand(const std::string& path) {
    if (ReadMacroKeys(path) != kMacroKeysOk) {
        ReportMessage(nullptr, kPresetErrorCaption, "Error Reading Macros File");
        return false;
    }
    RecordLine([&] { return PathLine("obLoadMacros", path); });
    return true;
}

bool SaveMacrosCommand(const std::string& path) {
    if (WriteMacroKeys(path) != kMacroKeysOk) {
        ReportMessage(nullptr, kPresetErrorCaption, "Error Writing Macros File");
        return false;
    }
    return true;
}

void LoadStartupMacroKeys(const std::string& settingsFolder) {
    if (settingsFolder.empty()) return;
    ReadMacroKeys(settingsFolder + "/orbick.macro");
}

}  // namespace ob
