// The macro recorder: its file, header and start/stop rules, the one call
// every command handler makes after its work (WriteRecorderLine), number
// formatting in the C locale whatever the user's locale, quoting of paths
// for script text, and the lines of the commands the script host, the wave
// model and the file commands own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ob {

// Results of StartRecorder.
enum RecorderResult : int {
    kRecorderStarted = 0,
    kRecorderCannotOpen =
        1,              // "Could not open file for recording" reported (caption "Macro Recorder")
    kRecorderBusy = 2,  // already recording: nothing changed
};
// Opens (truncates) `path`, writes the header and starts recording. `autoAssign`
// 0..10 stores the path in macro key F2..F12; -1 assigns none. A path that the
// key record cannot hold (more than 260 characters) is recorded but not assigned.
int StartRecorder(const std::string& path, int autoAssign = -1);
// Writes "End Sub\n" and closes the file; nothing when not recording.
void StopRecorder();
bool RecorderRunning();
const std::string& RecorderPath();

// The header of a recorded macro, with the program's version text.
std::string RecorderHeader();

// Writes the text unchanged when the recorder is open; returns the bytes written.
size_t WriteRecorderLine(const std::string& text);
// Builds a line in the C locale (so numbers always use a decimal point) and
// writes it when the recorder is open; `build` is not called otherwise.
size_t RecordLine(const std::function<std::string()>& build);

// printf-style formatting in the C locale.
std::string RecorderFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Runs `fn` with the C locale as the calling thread's locale.
void WithCLocale(const std::function<void()>& fn);

// A path as a script string literal: in double quotes, an inner double quote
// written as " & Chr(34) & " so the line still compiles.
std::string ScriptString(const std::string& text);

// Lines of commands owned by the script host, the wave model and the file
// commands. Paths are quoted with ScriptString.
std::string OpenEditorLine();                                         // "obOpenEditor\n"
std::string EditorLine(const char* function, int editor);             // "obUndoWave 1\n", ...
std::string OpenWaveLine(int editor, const std::string& path);        // obOpenWave %d, "%s"
std::string SaveAsWaveLine(int editor, const std::string& path);      // obSaveAsWave %d, "%s"
std::string PathLine(const char* function, const std::string& path);  // obLoadMacros "%s", ...
std::string SetAffectTypeLine(int type);   // obSetAffectType OB_AFFECT_...
std::string SetEditChannelLine(int bits);  // obSetEditChannel OB_EDIT_...
std::string SetFormatTypeLine(int code);   // obSetFormatType OB_FORMAT_...
std::string SetSamplerTypeLine(int type);  // obSetSamplerType OB_SAMPLER_...
// "obSend %d, %d, %d, %d, %d, 0, %d, %d\n" (direction 0) or the obReceive line:
// editor, sample number, layer, instrument, channel, MIDI in, MIDI out.
std::string TransferLine(int direction, int editor, int sample, int layer, int instrument,
                         int channel, int midiIn, int midiOut);
std::string SetModeLine(int editor, int mode);  // obSetMode %d, OB_MODE_...
std::string SetOffsetLine(int editor, int offset);
std::string SetMarkerLine(int editor, int id, uint32_t position);
// obSetLoop %d, %d, %d, %d, OB_SETLOOP_FORWARD|FORWARDBACKWARD, OB_SETLOOP_NONE|SUSTAIN|RELEASE
std::string SetLoopLine(int editor, int id, uint32_t start, uint32_t end, int type, int role);
std::string ZoomScrollLine(int editor, int zsid);  // obZoomScroll %d, OB_ZOOMSCROLL_...
// The Vari-Time filter with its kind: "obEQVT %d, %d, %d, %d\n" (the comma restored).
std::string EqVtLine(int editor, int kind, int startHz, int endHz);
std::string BackupsLine(int depth);  // "obBackups %d\n"

}  // namespace ob
