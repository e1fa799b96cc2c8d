// The settings folder, the INI settings store reader, the configuration
// record and the start-up files.
#include "script/settings_store.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "audio/audio_device.h"
#include "audio/play_prefs.h"
#include "base/byte_order.h"
#include "base/messages.h"
#include "dsp/frame.h"
#include "dsp/preset_file.h"
#include "dsp/preset_list.h"
#include "formats/format_table.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_events.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
#include "script/play_commands.h"
#include "script/recorder.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Unescape(const std::string& raw) {
    std::string value = raw;
    bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (quoted) value = value.substr(1, value.size() - 2);
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            char n = value[++i];
            out += n == 'n' ? '\n' : n == 't' ? '\t' : n;
        } else {
            out += c;
        }
    }
    return out;
}

// Fields of a record in the writer's byte order (swapped: the other one).
uint32_t Get16(const uint8_t* p, bool swapped) {
    return LoadU16(p, swapped ? ByteOrder::Big : ByteOrder::Little);
}
uint32_t Get32(const uint8_t* p, bool swapped) {
    return LoadU32(p, swapped ? ByteOrder::Big : ByteOrder::Little);
}

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Default save formats must name a format that can be written.
bool ValidFormat(int64_t code) {
    if (code < 0 || code > 20) return false;
    const FormatEntry* entry = FindFormat(int(code));
    return entry && entry->write;
}
bool ValidEditChannel(int64_t bits) {
    return bits >= 1 && bits <= 3;
}
bool ValidTimeUnit(int64_t unit) {
    return unit >= 1 && unit <= 13;
}
bool ValidLevelUnit(int64_t unit) {
    return unit >= 1 && unit <= 5;
}

// A folder or name copied bounded: at most `bytes` - 1 characters.
std::string Bounded(const std::string& text, size_t bytes) {
    return text.size() < bytes ? text : text.substr(0, bytes - 1);
}

std::string JoinFolder(const std::string& dir, const char* leaf) {
    if (dir.empty()) return leaf;
    return dir.back() == '/' ? dir + leaf : dir + "/" + leaf;
}

}  // namespace

const uint32_t kDefaultColours[kColourCount] = {
    244u | 246u << 8 | 245u << 16,
    0u,
    255u << 8,
    255u,
    55u << 8 | 155u << 16,
    255u | 255u << 8,
    155u | 55u << 16,
    255u << 16,
};

ShellSettings gShellSettings;

void ResetShellSettings() {
    gShellSettings = ShellSettings{};
    std::memcpy(gShellSettings.colours, kDefaultColours, sizeof kDefaultColours);
    gPlayPrefs = PlayPrefs{};
}

namespace {
struct ShellSettingsInit {
    ShellSettingsInit() { ResetShellSettings(); }
} gShellSettingsInit;
}  // namespace

int WaveOutputDeviceCount() {
    return int(Audio().OutputDevices().size());
}

uint32_t CurrentDisplayFlags() {
    uint32_t flags = gShellSettings.displayFlags & ~(kFlagAutoZoomOut | kFlagAbortable |
                                                     kFlagEditAndPlay | kSmoothStart | kSmoothEnd);
    if (gProcessing.autoZoomOut) flags |= kFlagAutoZoomOut;
    if (gProcessing.abortable) flags |= kFlagAbortable;
    if (gProcessing.editAndPlay) flags |= kFlagEditAndPlay;
    flags |= gProcessing.smoothingOptions & (kSmoothStart | kSmoothEnd);
    return flags & 0x7fff;
}

void SetDisplayFlags(uint32_t flags) {
    if (flags >= 32768) return;
    gShellSettings.displayFlags = flags;
    gProcessing.autoZoomOut = (flags & kFlagAutoZoomOut) != 0;
    gProcessing.abortable = (flags & kFlagAbortable) != 0;
    gProcessing.editAndPlay = (flags & kFlagEditAndPlay) != 0;
    gProcessing.smoothingOptions = flags & (kSmoothStart | kSmoothEnd);
    gSamplerDynamicDialog = (flags & kDisplayNoDynamicDialog) == 0;
}

void DeriveDefaultFolders(const std::string& targetDir) {
    if (targetDir.size() < 251) {
        gShellSettings.soundsFolder = JoinFolder(targetDir, "Sounds");
        gPresetsFolder = JoinFolder(targetDir, "Presets");
        gShellSettings.macrosFolder = JoinFolder(targetDir, "Scripts");
    } else if (targetDir.size() <= 257) {
        gShellSettings.soundsFolder = targetDir;
        gPresetsFolder = targetDir;
        gShellSettings.macrosFolder = targetDir;
    } else {
        gShellSettings.soundsFolder.clear();
        gPresetsFolder.clear();
        gShellSettings.macrosFolder.clear();
    }
}

std::vector<std::pair<std::string, std::string>> StoredSettingsValues() {
    std::vector<std::pair<std::string, std::string>> out;
    auto num = [&](const char* name, int64_t v) { out.emplace_back(name, std::to_string(v)); };
    const WaveRecord& defaults = *gEditorSlots[0];
    num("DispF", CurrentDisplayFlags());
    num("ERan", gEditing.affectArea);
    num("EChan", gEditing.editChannel);
    num("Format", gEditing.defaultSaveFormat);
    num("WAVOptions", gEditing.wavOptions);
    num("Sampler", gSamplerType);
    num("Bups", gBackups);
    num("TipN", gShellSettings.nextTip);
    for (int i = 0; i < kPlayPrefCount; ++i) num(kPlayPrefNames[i], PlayPrefField(gPlayPrefs, i));
    num("SmoothS", gProcessing.smoothingMs);
    num("EdOpt", defaults.displayOptions);
    num("EdXU", defaults.timeUnit);
    num("EdYU", defaults.levelUnit);
    for (int i = 0; i < kColourCount; ++i)
        num(("Clr" + std::to_string(i + 1)).c_str(), gShellSettings.colours[i]);
    for (int i = 0; i < kRecentFileCount; ++i)
        if (!gShellSettings.recentFiles[i].empty())
            out.emplace_back("MRU" + std::to_string(i + 1), gShellSettings.recentFiles[i]);
    out.emplace_back("SoundsDir", gShellSettings.soundsFolder);
    out.emplace_back("PresetsDir", gPresetsFolder);
    out.emplace_back("MacrosDir", gShellSettings.macrosFolder);
    return out;
}

void AddRecentFile(const std::string& path) {
    if (path.empty()) return;
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    std::string key = error ? path : canonical.string();
    key = Bounded(key, kFolderBytes);
    std::string* slots = gShellSettings.recentFiles;
    int found = kRecentFileCount - 1;
    for (int i = 0; i < kRecentFileCount; ++i)
        if (slots[i] == key) found = i;
    for (int i = found; i > 0; --i) slots[i] = slots[i - 1];
    slots[0] = key;
}

std::string RecentFileLabel(int slot) {
    if (slot < 0 || slot >= kRecentFileCount || gShellSettings.recentFiles[slot].empty()) return "";
    const std::string& path = gShellSettings.recentFiles[slot];
    size_t slash = path.find_last_of('/');
    std::string label = "&" + std::to_string(slot + 1) + "  " +
                        (slash == std::string::npos ? path : path.substr(slash + 1));
    if (label.size() > 30) label = label.substr(0, 27) + "...";
    return label;
}

std::string SettingsFolder(const std::string& overrideFolder) {
    if (!overrideFolder.empty()) return overrideFolder;
    const char* home = std::getenv("ORBICK_HOME");
    if (home && *home) return home;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/orbick";
    const char* user = std::getenv("HOME");
    if (user && *user) return std::string(user) + "/.config/orbick";
    return "";
}

bool SettingsStore::Text(const char* name, std::string& out) const {
    auto it = values.find(name);
    if (it == values.end()) return false;
    out = it->second;
    return true;
}

bool SettingsStore::Number(const char* name, int64_t& out) const {
    std::string text;
    if (!Text(name, text) || text.empty() || text.size() > 20) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

int ParseSettingsText(const std::string& text, SettingsStore& store) {
    std::istringstream in(text);
    std::string line;
    bool general = true;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            general = line == "[General]";
            continue;
        }
        size_t eq = line.find('=');
        if (!general || eq == std::string::npos) continue;
        std::string name = Trim(line.substr(0, eq));
        if (!name.empty()) store.values[name] = Unescape(Trim(line.substr(eq + 1)));
    }
    return 0;
}

int ReadSettingsStore(const std::string& path, SettingsStore& store) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return 1;
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return 2;
    return ParseSettingsText(text.str(), store);
}

void ApplyStoredSettings(const SettingsStore& store) {
    int64_t v = 0;
    if (store.Number("DispF", v) && v >= 0 && v < 32768) SetDisplayFlags(uint32_t(v));
    if (store.Number("ERan", v) && v >= 1 && v < 5) gEditing.affectArea = uint16_t(v);
    if (store.Number("EChan", v) && ValidEditChannel(v)) gEditing.editChannel = uint32_t(v);
    if (store.Number("Format", v) && ValidFormat(v)) gEditing.defaultSaveFormat = int(v);
    if (store.Number("WAVOptions", v) && v >= 0 && v < 16) gEditing.wavOptions = uint32_t(v);
    if (store.Number("Sampler", v) && ValidSamplerType(v)) gSamplerType = int32_t(v);
    // Transfer waits in milliseconds: the reply timeout, and the limit after the
    // sampler asked to wait (0 = until the user aborts).
    if (store.Number("MidiTimeout", v) && v >= 1 && v <= 3600000)
        gTransferTiming.replyTimeoutMs = v;
    if (store.Number("MidiWaitLimit", v) && v >= 0 && v <= 86400000)
        gTransferTiming.waitLimitMs = v;
    if (store.Number("Bups", v) && v >= 0 && v <= 1000) SetBackupDepth(v);
    if (store.Number("SmoothS", v) && v >= 0 && v <= 1000000) SetSmoothingTime(uint32_t(v));
    WaveRecord& defaults = *gEditorSlots[0];
    if (store.Number("EdOpt", v) && v >= 0 && v < 512) defaults.displayOptions = uint32_t(v);
    if (store.Number("EdXU", v) && ValidTimeUnit(v)) defaults.timeUnit = uint32_t(v);
    if (store.Number("EdYU", v) && ValidLevelUnit(v)) defaults.levelUnit = uint32_t(v);
    if (store.Number("TipN", v) && v >= INT32_MIN && v <= INT32_MAX) gShellSettings.nextTip = v;
    // The play preferences go straight into the player's record; each field
    // keeps its value when the stored one lies outside its range (the device
    // number outside the device list).
    const int outputDevices = WaveOutputDeviceCount();
    for (int field = 0; field < kPlayPrefCount; ++field)
        if (store.Number(kPlayPrefNames[field], v))
            SetPlayPrefField(gPlayPrefs, field, v, outputDevices);
    // The colours: all eight or none.
    uint32_t colours[kColourCount];
    int present = 0;
    for (int i = 0; i < kColourCount; ++i) {
        std::string name = "Clr" + std::to_string(i + 1);
        if (store.Number(name.c_str(), v) && v >= 0 && v <= 0xffffff) {
            colours[i] = uint32_t(v);
            ++present;
        }
    }
    if (present == kColourCount) std::memcpy(gShellSettings.colours, colours, sizeof colours);
    std::string text;
    for (int i = 0; i < kRecentFileCount; ++i) {
        std::string name = "MRU" + std::to_string(i + 1);
        if (store.Text(name.c_str(), text) && !text.empty() && text.size() <= 260)
            gShellSettings.recentFiles[i] = text;
    }
    if (store.Text("TargetDir", text)) DeriveDefaultFolders(text);
    if (store.Text("SoundsDir", text) && text.size() <= 260) gShellSettings.soundsFolder = text;
    if (store.Text("PresetsDir", text) && text.size() <= 260) gPresetsFolder = text;
    if (store.Text("MacrosDir", text) && text.size() <= 260) gShellSettings.macrosFolder = text;
}

void ApplyConfigRecord(const uint8_t record[kConfigBytes], bool swapped) {
    uint32_t flags = Get16(record + 0, swapped);
    if (flags < 32768) SetDisplayFlags(flags);
    uint32_t affect = Get16(record + 4, swapped);
    if (affect >= 1 && affect < 5) gEditing.affectArea = uint16_t(affect);
    if (ValidEditChannel(record[6])) gEditing.editChannel = record[6];
    gShellSettings.dialogOptions[0] = Get32(record + 8, swapped);
    gShellSettings.dialogOptions[1] = Get32(record + 12, swapped);
    gShellSettings.dialogOptions[2] = Get32(record + 20, swapped);
    if (record[16] != gBackups) SetBackupDepth(record[16]);
    uint32_t format = Get32(record + 24, swapped);
    if (ValidFormat(format)) gEditing.defaultSaveFormat = int(format);
    uint32_t sampler = Get32(record + 28, swapped);
    if (ValidSamplerType(sampler)) gSamplerType = int32_t(sampler);
    uint32_t smoothing = Get32(record + 32, swapped);
    if (smoothing <= 1000000) SetSmoothingTime(smoothing);
    WaveRecord& defaults = *gEditorSlots[0];
    uint32_t options = Get16(record + 558, swapped);
    if (options < 512) defaults.displayOptions = options;
    if (ValidTimeUnit(record[560])) defaults.timeUnit = record[560];
    if (ValidLevelUnit(record[561])) defaults.levelUnit = record[561];
    // Folders: bounded by their fields, up to the first terminator.
    std::string sounds = Bounded(FieldText(record + 36, kFolderBytes), kFolderBytes);
    std::string presets = Bounded(FieldText(record + 297, kFolderBytes), kFolderBytes);
    if (!sounds.empty()) gShellSettings.soundsFolder = sounds;
    if (!presets.empty()) gPresetsFolder = presets;
    // The display words of the default record and the font travel unchanged
    // (in file byte order fixed up to little-endian).
    std::memcpy(gShellSettings.displaySettings, record + 564,
                sizeof gShellSettings.displaySettings);
    if (swapped) SwapWords32(gShellSettings.displaySettings, 0, 7);
    for (int i = 0; i < kColourCount; ++i) {
        uint32_t colour = Get32(record + 596 + 4 * i, swapped);
        if (colour > 0xffffff) return;  // a broken colour table keeps the current colours
    }
    for (int i = 0; i < kColourCount; ++i)
        gShellSettings.colours[i] = Get32(record + 596 + 4 * i, swapped);
    std::memcpy(gShellSettings.font, record + 628, sizeof gShellSettings.font);
}

void BuildConfigRecord(uint8_t record[kConfigBytes]) {
    std::memset(record, 0, kConfigBytes);
    Put16(record + 0, CurrentDisplayFlags());
    Put16(record + 4, gEditing.affectArea);
    record[6] = uint8_t(gEditing.editChannel);
    Put32(record + 8, gShellSettings.dialogOptions[0]);
    Put32(record + 12, gShellSettings.dialogOptions[1]);
    record[16] = uint8_t(gBackups > 255 ? 255 : gBackups);
    Put32(record + 20, gShellSettings.dialogOptions[2]);
    Put32(record + 24, uint32_t(gEditing.defaultSaveFormat));
    Put32(record + 28, uint32_t(gSamplerType));
    Put32(record + 32, gProcessing.smoothingMs ? gProcessing.smoothingMs : 1);
    StoreFieldText(record + 36, kFolderBytes, Bounded(gShellSettings.soundsFolder, kFolderBytes));
    StoreFieldText(record + 297, kFolderBytes, Bounded(gPresetsFolder, kFolderBytes));
    const WaveRecord& defaults = *gEditorSlots[0];
    Put16(record + 558, defaults.displayOptions);
    record[560] = uint8_t(defaults.timeUnit);
    record[561] = uint8_t(defaults.levelUnit);
    std::memcpy(record + 564, gShellSettings.displaySettings,
                sizeof gShellSettings.displaySettings);
    for (int i = 0; i < kColourCount; ++i) Put32(record + 596 + 4 * i, gShellSettings.colours[i]);
    std::memcpy(record + 628, gShellSettings.font, sizeof gShellSettings.font);
}

bool SaveConfigFile(const std::string& path) {
    uint8_t record[kConfigBytes];
    BuildConfigRecord(record);
    return WritePresetFile(path, "CFG1", record, kConfigBytes) == 0;
}

bool SaveConfigCommand(const std::string& path) {
    if (SaveConfigFile(path)) return true;
    ReportMessage(nullptr, kPresetErrorCaption, "Error Writing Configuration File");
    return false;
}

namespace {
// The stated size of the first chunk of `kind` in a container file; 0 when
// there is none. The container reader reads a record's bytes without
// comparing sizes, and a short record followed by its pad byte or another
// chunk would pass it.
uint32_t ChunkSize(const std::string& path, const char* kind) {
    std::ifstream file(path, std::ios::binary);
    uint8_t head[12];
    if (!file.read(reinterpret_cast<char*>(head), 12)) return 0;
    bool swapped = std::memcmp(head, "kBRF", 4) == 0;
    if (!swapped && std::memcmp(head, "FRBk", 4) != 0) return 0;
    for (int chunks = 0; chunks < 1000; ++chunks) {
        uint8_t chunk[8];
        if (!file.read(reinterpret_cast<char*>(chunk), 8)) return 0;
        uint32_t size = Get32(chunk + 4, swapped);
        if (std::memcmp(chunk, kind, 4) == 0) return size;
        file.seekg(std::streamoff(size) + (size & 1), std::ios::cur);
        if (!file) return 0;
    }
    return 0;
}
}  // namespace

bool LoadConfigFile(const std::string& path) {
    uint8_t record[kConfigBytes];
    bool swapped = false;
    const char* kind = "CFG1";
    if (ReadPresetFile(path, kind, record, kConfigBytes, &swapped) != 0) {
        kind = "CFG0";
        if (ReadPresetFile(path, kind, record, kConfigBytes, &swapped) != 0) return false;
    }
    if (ChunkSize(path, kind) < kConfigBytes) return false;
    ApplyConfigRecord(record, swapped);
    return true;
}

bool LoadConfigCommand(const std::string& path) {
    if (!LoadConfigFile(path)) {
        ReportMessage(nullptr, kPresetErrorCaption, "Error Reading Configuration File");
        return false;
    }
    RecordLine([&] { return PathLine("obLoadConfig", path); });
    return true;
}

void ReadStartupSettings(const std::string& settingsFolder) {
    if (settingsFolder.empty()) return;
    SettingsStore store;
    if (ReadSettingsStore(settingsFolder + "/" + kSettingsFileName, store) == 0)
        ApplyStoredSettings(store);
    LoadConfigFile(settingsFolder + "/orbick.config");
    LoadStartupPlayPrefs(settingsFolder);
    LoadStartupMacroKeys(settingsFolder);
}

}  // namespace ob
