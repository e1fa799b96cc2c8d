// The settings folder, the INI settings store reader, the configuration
// record and the start-up files.
#include "script/settings_store.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/byte_order.h"
#include "base/messages.h"
#include "dsp/frame.h"
#include "dsp/preset_file.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_events.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
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

bool ValidFormat(int64_t code) {
    return code >= 0 && code <= 20 && code != 1 && code != 4;
}

// The display-flag bits the processing frame keeps.
void ApplyDisplayFlags(uint32_t flags) {
    gProcessing.autoZoomOut = (flags & 0x0002) != 0;
    gProcessing.abortable = (flags & 0x0200) != 0;
    gProcessing.editAndPlay = (flags & 0x0400) != 0;
    gProcessing.smoothingOptions = flags & (kSmoothStart | kSmoothEnd);
    gSamplerDynamicDialog = (flags & kDisplayNoDynamicDialog) == 0;
}

}  // namespace

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
    if (store.Number("DispF", v) && v >= 0 && v < 32768) ApplyDisplayFlags(uint32_t(v));
    if (store.Number("ERan", v) && v >= 1 && v < 5) gEditing.affectArea = uint16_t(v);
    if (store.Number("EChan", v) && v >= 0 && v <= 3) gEditing.editChannel = uint32_t(v);
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
    if (store.Number("EdXU", v) && v >= 0 && v < 14) defaults.timeUnit = uint32_t(v);
    if (store.Number("EdYU", v) && v >= 0 && v < 6) defaults.levelUnit = uint32_t(v);
}

void ApplyConfigRecord(const uint8_t record[kConfigBytes], bool swapped) {
    uint32_t flags = Get16(record + 0, swapped);
    if (flags < 32768) ApplyDisplayFlags(flags);
    uint32_t affect = Get16(record + 4, swapped);
    if (affect >= 1 && affect < 5) gEditing.affectArea = uint16_t(affect);
    if (record[6] <= 3) gEditing.editChannel = record[6];
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
    if (record[560] < 14) defaults.timeUnit = record[560];
    if (record[561] < 6) defaults.levelUnit = record[561];
}

bool LoadConfigFile(const std::string& path) {
    uint8_t record[kConfigBytes];
    bool swapped = false;
    if (ReadPresetFile(path, "CFG1", record, kConfigBytes, &swapped) != 0 &&
        ReadPresetFile(path, "CFG0", record, kConfigBytes, &swapped) != 0)
        return false;
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
    LoadStartupMacroKeys(settingsFolder);
}

}  // namespace ob
