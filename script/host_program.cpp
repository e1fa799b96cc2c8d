// Host functions of the program, message and settings group, and the
// directory search.
#include <dirent.h>
#include <fnmatch.h>

#include <string>

#include "base/messages.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "formats/sound_io.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
#include "script/recorder.h"
#include "script/script_api.h"
#include "script/settings_store.h"
#include "wave/undo.h"

using namespace ob;

namespace {

// The one open directory search.
struct DirectorySearch {
    DIR* dir = nullptr;
    std::string pattern;
    std::string result;  // the text handed to the script until the next call
};
DirectorySearch gSearch;

const char* NextMatch() {
    gSearch.result.clear();
    if (!gSearch.dir) return "";
    while (dirent* entry = readdir(gSearch.dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (fnmatch(gSearch.pattern.c_str(), name.c_str(), FNM_PERIOD) == 0) {
            gSearch.result = name;
            break;
        }
    }
    return gSearch.result.c_str();
}

}  // namespace

extern "C" {

const char* obGetVersionInfo() {
    return VersionText();
}

int32_t obSetMsgType(int32_t x) {
    int32_t previous = gMessageType;
    gMessageType = (x < 0 || x > 3) ? kMsgTypeBox : x;
    return previous;
}

// A code that names no format selects WAV 16 bit; the previous code is
// returned either way.
int32_t obSetFormatType(int32_t x) {
    return SetDefaultSaveFormat(x);
}

int32_t obOpenMsgFile(const char* x) {
    if (!x || !*x) {
        CloseMessageFile();
        return 0;
    }
    return OpenMessageFile(x) ? 1 : 0;
}

int32_t obCloseMsgFile() {
    if (!MessageFileOpen()) return 0;
    CloseMessageFile();
    return 1;
}

int32_t obWriteMsgFile(const char* msg) {
    if (!msg || !MessageFileOpen()) return 0;
    std::string text = msg;
    return WriteMessageFile(text) ? int32_t(text.size()) : 0;
}

int32_t obSetMode(int32_t waveid, int32_t mode) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!WaveHasData(record)) return 0;
    if (mode > 3) mode = 3;
    if (mode < 1) mode = 0;
    int slot = EditorNumberOf(record);
    int32_t previous = gEditorModes[slot];
    gEditorModes[slot] = mode;
    return previous;
}

int32_t obSetAffectType(int32_t x) {
    int32_t previous = gEditing.affectArea;
    gEditing.affectArea = uint16_t(Clamp<int32_t>(x, 1, 4));
    return previous;
}

int32_t obSetEditChannel(int32_t x) {
    int32_t previous = int32_t(gEditing.editChannel);
    x = Clamp<int32_t>(x, 1, 3);
    // The Edit Left and Edit Right toggles, as the menu commands issue them.
    if ((x & 1) != int32_t(gEditing.editChannel & kEditLeft)) gEditing.editChannel ^= kEditLeft;
    bool right = (gEditing.editChannel & kEditRight) != 0;
    if ((x > 1 && !right) || (x == 1 && right)) gEditing.editChannel ^= kEditRight;
    return previous;
}

int32_t obLoadConfig(const char* path) {
    return path && LoadConfigFile(path) ? 1 : 0;
}

int32_t obLoadMacros(const char* path) {
    return path && ReadMacroKeys(path) == kMacroKeysOk ? 1 : 0;
}

int32_t obSetStatusMsg(const char* msg) {
    UI().SetStatusText(msg ? msg : "");
    return 1;
}

int32_t obSetProgressBar(int32_t val) {
    SetProgressPercent(Clamp<int32_t>(val, 0, 100));
    return 1;
}

int32_t obBackups(int32_t depth) {
    SetBackupDepth(Clamp<int32_t>(depth, 0, int32_t(kMaxBackups)));
    return 1;
}

const char* obFindFirstFile(const char* filename) {
    if (gSearch.dir || !filename || !*filename) return "";
    std::string pattern = filename;
    size_t slash = pattern.find_last_of('/');
    std::string folder(".");
    if (slash != std::string::npos) {
        folder.assign(pattern, 0, slash);
        if (slash == 0) folder.assign(1, '/');
        pattern.erase(0, slash + 1);
    }
    // "*.*" names every file, as on the system the macros come from.
    gSearch.pattern = pattern == "*.*" ? "*" : pattern;
    gSearch.dir = opendir(folder.c_str());
    const char* first = NextMatch();
    if (!*first && gSearch.dir) {
        // Nothing matches: no search stays open.
        closedir(gSearch.dir);
        gSearch.dir = nullptr;
    }
    return first;
}

const char* obFindNextFile() {
    return NextMatch();
}

int32_t obCloseFindFile() {
    if (!gSearch.dir) return 0;
    closedir(gSearch.dir);
    gSearch.dir = nullptr;
    return 1;
}

}  // extern "C"
