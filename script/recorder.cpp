// The macro recorder and the recorder lines of the commands the script host,
// the wave model and the file commands own.
#include "script/recorder.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/messages.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
#include "script/script_table.h"
#include "wave/file_io.h"
#include "wave/file_result.h"

namespace ob {

namespace {

// The recording goes into a temporary file beside the macro file and replaces
// it when recording stops, so a failed recording never destroys the macro
// that was there (and a device or FIFO is never taken for the file).
SafeSave gRecorderSave;
bool gRecorderFailed = false;  // a line could not be written
std::string gRecorderPath;

// Makes the C locale the calling thread's locale for its lifetime.
class CLocaleScope {
  public:
    CLocaleScope() {
        c_ = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        if (c_) previous_ = uselocale(c_);
    }
    ~CLocaleScope() {
        if (c_) {
            uselocale(previous_);
            freelocale(c_);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t c_ = static_cast<locale_t>(0);
    locale_t previous_ = static_cast<locale_t>(0);
};

std::string VFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return "";
    std::vector<char> text(size_t(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    return std::string(text.data(), size_t(n));
}

std::string ConstantOr(const char* prefix, int value) {
    std::string name = ScriptConstantName(prefix, value);
    return name.empty() ? std::to_string(value) : name;
}

}  // namespace

std::string RecorderHeader() {
    return RecorderFormat(
        "REM %s\nREM Generated with the Sample Orbick Auto-Script recorder\n\n"
        "Sub Main ()\n",
        VersionText());
}

int StartRecorder(const std::string& path, int autoAssign) {
    if (gRecorderSave.fd >= 0) return kRecorderBusy;
    if (BeginSafeSave(path, gRecorderSave) != kFileOk) {
        ReportMessage(nullptr, "Macro Recorder", "Could not open file for recording");
        return kRecorderCannotOpen;
    }
    std::string header = RecorderHeader();
    if (WriteBlock(gRecorderSave.fd, header.data(), header.size()) != header.size()) {
        AbortSafeSave(gRecorderSave);
        ReportMessage(nullptr, "Macro Recorder", "Could not open file for recording");
        return kRecorderCannotOpen;
    }
    gRecorderFailed = false;
    gRecorderPath = path;
    if (autoAssign >= 0 && autoAssign < kMacroKeyCount) SetMacroKey(autoAssign, path);
    return kRecorderStarted;
}

void StopRecorder() {
    if (gRecorderSave.fd < 0) return;
    static const char kEnd[] = "End Sub\n";
    if (WriteBlock(gRecorderSave.fd, kEnd, sizeof kEnd - 1) != sizeof kEnd - 1)
        gRecorderFailed = true;
    int result = kFileWriteError;
    if (gRecorderFailed)
        AbortSafeSave(gRecorderSave);
    else
        result = CommitSafeSave(gRecorderSave);
    if (result != kFileOk)
        ReportMessage(nullptr, "Macro Recorder",
                      "Could not write the recording; " + gRecorderPath + " is unchanged");
    gRecorderSave = SafeSave{};
    gRecorderPath.clear();
}

bool RecorderRunning() {
    return gRecorderSave.fd >= 0;
}
const std::string& RecorderPath() {
    return gRecorderPath;
}

size_t WriteRecorderLine(const std::string& text) {
    if (gRecorderSave.fd < 0) return 0;
    size_t written = WriteBlock(gRecorderSave.fd, text.data(), text.size());
    if (written != text.size()) gRecorderFailed = true;
    return written;
}

size_t RecordLine(const std::function<std::string()>& build) {
    if (gRecorderSave.fd < 0) return 0;
    std::string line;
    {
        CLocaleScope scope;
        line = build();
    }
    return WriteRecorderLine(line);
}

std::string RecorderFormat(const char* format, ...) {
    CLocaleScope scope;
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    return text;
}

void WithCLocale(const std::function<void()>& fn) {
    CLocaleScope scope;
    fn();
}

std::string ScriptString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += "\" & Chr(34) & \"";
        else
            out += c;
    }
    out += '"';
    return out;
}

std::string OpenEditorLine() {
    return "obOpenEditor\n";
}

std::string EditorLine(const char* function, int editor) {
    return RecorderFormat("%s %d\n", function, editor);
}

std::string OpenWaveLine(int editor, const std::string& path) {
    return RecorderFormat("obOpenWave %d, %s\n", editor, ScriptString(path).c_str());
}

std::string SaveAsWaveLine(int editor, const std::string& path) {
    return RecorderFormat("obSaveAsWave %d, %s\n", editor, ScriptString(path).c_str());
}

std::string PathLine(const char* function, const std::string& path) {
    return RecorderFormat("%s %s\n", function, ScriptString(path).c_str());
}

std::string SetAffectTypeLine(int type) {
    return "obSetAffectType " + ConstantOr("OB_AFFECT_", type) + "\n";
}

std::string SetEditChannelLine(int bits) {
    return "obSetEditChannel " + ConstantOr("OB_EDIT_", bits) + "\n";
}

std::string SetFormatTypeLine(int code) {
    return "obSetFormatType " + ConstantOr("OB_FORMAT_", code) + "\n";
}

std::string SetSamplerTypeLine(int type) {
    return "obSetSamplerType " + ConstantOr("OB_SAMPLER_", type) + "\n";
}

std::string TransferLine(int direction, int editor, int sample, int layer, int instrument,
                         int channel, int midiIn, int midiOut) {
    return RecorderFormat("%s %d, %d, %d, %d, %d, 0, %d, %d\n",
                          direction == 1 ? "obReceive" : "obSend", editor, sample, layer,
                          instrument, channel, midiIn, midiOut);
}

std::string SetModeLine(int editor, int mode) {
    return RecorderFormat("obSetMode %d, %s\n", editor, ConstantOr("OB_MODE_", mode).c_str());
}

std::string SetOffsetLine(int editor, int offset) {
    return RecorderFormat("obSetOffset %d, %d\n", editor, offset);
}

std::string SetMarkerLine(int editor, int id, uint32_t position) {
    return RecorderFormat("obSetMarker %d, %d, %d\n", editor, id, int(position));
}

std::string SetLoopLine(int editor, int id, uint32_t start, uint32_t end, int type, int role) {
    const char* typeName = (type & 1) ? "OB_SETLOOP_FORWARDBACKWARD" : "OB_SETLOOP_FORWARD";
    const char* roleName = role == 1   ? "OB_SETLOOP_SUSTAIN"
                           : role == 2 ? "OB_SETLOOP_RELEASE"
                                       : "OB_SETLOOP_NONE";
    return RecorderFormat("obSetLoop %d, %d, %d, %d, %s, %s\n", editor, id, int(start), int(end),
                          typeName, roleName);
}

std::string ZoomScrollLine(int editor, int zsid) {
    return RecorderFormat("obZoomScroll %d, %s\n", editor,
                          ConstantOr("OB_ZOOMSCROLL_", zsid).c_str());
}

std::string EqVtLine(int editor, int kind, int startHz, int endHz) {
    return RecorderFormat("obEQVT %d, %d, %d, %d\n", editor, kind, startHz, endHz);
}

std::string BackupsLine(int depth) {
    return RecorderFormat("obBackups %d\n", depth);
}

}  // namespace ob
