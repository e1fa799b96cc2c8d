// Host functions of the editors group: editor numbers, opening and saving,
// undo, view, markers and loops, inquiries, direct sample access.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "base/dialog_guard.h"
#include "base/messages.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "engine/tessel.h"
#include "formats/clip_files.h"
#include "formats/sound_io.h"
#include "script/cut_keep_list.h"
#include "script/host_state.h"
#include "script/script_api.h"
#include "wave/change_notice.h"
#include "wave/undo.h"

using namespace ob;

namespace {

float* Channel(WaveRecord& record, bool right) {
    return right ? record.rightSamples : record.leftSamples;
}

int32_t SetSample(int32_t waveid, int32_t offset, float value, bool right) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || offset < 0 || uint32_t(offset) >= record->frameCount) return 0;
    float* samples = Channel(*record, right);
    if (!samples) return 0;
    samples[offset] = value;
    return 1;
}

bool GetSample(int32_t waveid, int32_t offset, bool right, float& value) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || offset < 0 || uint32_t(offset) >= record->frameCount) return false;
    float* samples = Channel(*record, right);
    if (!samples) return false;
    value = samples[offset];
    return true;
}

int16_t ToInteger(float value) {
    double scaled = std::trunc(double(value) * 32767.0);
    return int16_t(Clamp(scaled, -32768.0, 32767.0));
}

// Empties an editor as its Delete Wave command does.
void DeleteWave(WaveRecord& record) {
    DiscardWave(record);
    NotifyChange(&record, kChangeAll);
}

// The elements of a one-dimensional Integer array handed over by reference.
int16_t* IntegerElements(TesArray** ary, uint32_t& count) {
    if (!ary || !*ary) return nullptr;
    TesArray* array = *ary;
    if (array->dims != 1 || array->elementSize != 2 || !array->data) return nullptr;
    count = array->bounds[0].elements;
    return static_cast<int16_t*>(array->data);
}

// Saves one channel of a stereo record as a mono sound.
int SaveChannel(WaveRecord& source, bool right, const std::string& path) {
    WaveRecord mono;
    mono.editorNumber = source.editorNumber;
    mono.leftSamples = Channel(source, right);
    mono.frameCount = source.frameCount;
    mono.sampleRate = source.sampleRate;
    mono.viewSpan = source.frameCount;
    mono.name = source.name;
    mono.keyLow = source.keyLow;
    mono.keyHigh = source.keyHigh;
    mono.keyRoot = source.keyRoot;
    mono.fineTune = source.fineTune;
    mono.filePath = path;
    int result = SaveSound(mono, gEditing.defaultSaveFormat, gEditing.wavOptions);
    // The samples stay the source's: the temporary record only borrowed them.
    mono.leftSamples = nullptr;
    mono.frameCount = 0;
    return result;
}

std::string TrimBlanks(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

}  // namespace

extern "C" {

int32_t obIsEditorOpen(int32_t x) {
    return ScriptEditor(x) ? 1 : 0;
}

int32_t obIsEditorLoaded(int32_t x) {
    return ScriptLoadedEditor(x) ? 1 : 0;
}

int32_t obGetNextOpenEditor(int32_t x) {
    return NextUsedEditor(x < 1 ? 1 : x);
}

int32_t obGetActiveEditorID() {
    return (gActiveEditor >= 1 && gActiveEditor < kEditorSlots && gEditorSlots[gActiveEditor])
               ? gActiveEditor
               : 0;
}

int32_t obOpenEditor() {
    int number = 0;
    if (CreateEditor(&number) != 0) return 0;
    MakeEditorActive(number);
    return number;
}

int32_t obCloseEditor(int32_t waveid) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return 0;
    int number = EditorNumberOf(record);
    gEditorModes[number] = 0;
    CloseEditor(number);
    ActivateAfterClose();
    return 1;
}

int32_t obDeleteWave(int32_t waveid) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return 0;
    DeleteWave(*record);
    return 1;
}

int32_t obDeleteWaveNV(int32_t waveid) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return 0;
    record->stateFlags &= ~kStateChanged;
    DeleteWave(*record);
    return 1;
}

int32_t obOpenWave(int32_t waveid, const char* path) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record || !path) return 0;
    if (WaveHasData(record)) {
        record->stateFlags &= ~kStateChanged;
        DiscardWave(*record);
    }
    record->filePath = path;
    UI().SetStatusText(std::string("Loading: ") + path);
    int result = OpenSound(*record, false);
    if (result == 0) {
        MakeEditorActive(EditorNumberOf(record));
        NotifyChange(record, kChangeAll);
    }
    UI().SetStatusText("");
    // 1 whether or not the load succeeded: the failure was reported, and a
    // script tests the outcome with obIsEditorLoaded.
    return 1;
}

int32_t obSaveWave(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || record->filePath.empty()) return 0;
    return SaveSound(*record, gEditing.defaultSaveFormat, gEditing.wavOptions) == 0 ? 1 : 0;
}

int32_t obSaveAsWave(int32_t waveid, const char* path) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || !path || !*path) return 0;
    std::string previous = record->filePath;
    record->filePath = path;
    if (SaveSound(*record, gEditing.defaultSaveFormat, gEditing.wavOptions) != 0) {
        // A failed save leaves the editor pointing at its old file.
        record->filePath = previous;
        return 0;
    }
    NotifyChange(record, kChangeName);
    return 1;
}

int32_t obSaveSplit(int32_t waveid, const char* path) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || !record->rightSamples || !path) return 0;
    std::string base = TrimBlanks(path);
    if (base.empty()) return 0;
    uint32_t flags = record->stateFlags;
    bool ok =
        SaveChannel(*record, false, base + "L") == 0 && SaveChannel(*record, true, base + "R") == 0;
    record->stateFlags = flags;
    return ok ? 1 : 0;
}

// 1 whenever the editor holds a wave, also with nothing to undo.
int32_t obUndoWave(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    if (Undo(*record) == kUndoDone) NotifyChange(record, kChangeAll);
    return 1;
}

int32_t obRedoWave(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    if (Redo(*record) != kUndoDone) return 0;
    NotifyChange(record, kChangeAll);
    return 1;
}

int32_t obShowFull(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    record->viewStart = 0;
    record->viewSpan = record->frameCount;
    record->viewLevelCentre = 0;
    record->viewLevelSpan = 65535;
    NotifyChange(record, kChangeView);
    return 1;
}

int32_t obZoomScroll(int32_t waveid, int32_t zsid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || zsid < 1 || zsid > 8) return 0;
    WaveRecord& r = *record;
    uint32_t span = r.viewSpan ? r.viewSpan : r.frameCount;
    uint32_t step = span / 4 ? span / 4 : 1;
    int32_t levelStep = r.viewLevelSpan / 4 ? r.viewLevelSpan / 4 : 1;
    switch (zsid) {
        case 1:  // in, horizontally: half the frames
            r.viewSpan = span / 2 ? span / 2 : 1;
            break;
        case 2:  // out, horizontally: twice the frames, at most the sound
            r.viewSpan = uint32_t(std::min<uint64_t>(uint64_t(span) * 2, r.frameCount));
            if (r.viewStart + r.viewSpan > r.frameCount) r.viewStart = r.frameCount - r.viewSpan;
            break;
        case 3:  // in, vertically
            r.viewLevelSpan = uint16_t(r.viewLevelSpan / 2 ? r.viewLevelSpan / 2 : 1);
            break;
        case 4:  // out, vertically
            r.viewLevelSpan = uint16_t(std::min<uint32_t>(uint32_t(r.viewLevelSpan) * 2, 65535));
            break;
        case 5:  // scroll left
            r.viewStart = r.viewStart > step ? r.viewStart - step : 0;
            break;
        case 6:  // scroll right, keeping the view inside the sound
            r.viewStart = uint32_t(std::min<uint64_t>(
                uint64_t(r.viewStart) + step, r.frameCount > span ? r.frameCount - span : 0));
            break;
        case 7:  // scroll up
            r.viewLevelCentre =
                int16_t(Clamp<int32_t>(r.viewLevelCentre + levelStep, -32768, 32767));
            break;
        case 8:  // scroll down
            r.viewLevelCentre =
                int16_t(Clamp<int32_t>(r.viewLevelCentre - levelStep, -32768, 32767));
            break;
    }
    NotifyChange(record, kChangeView);
    return 1;
}

int32_t obRedraw(int32_t waveid) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return 0;
    NotifyChange(record, kChangeAll);
    return 1;
}

int32_t obSetOffset(int32_t waveid, int32_t offset) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return 0;
    record->displayOffset = uint32_t(offset);
    NotifyChange(record, kChangeView);
    return 1;
}

int32_t obSetMarker(int32_t waveid, int32_t mrkid, int32_t posi) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || mrkid < 0 || mrkid > 255) return 0;
    if (!SetMarker(*record, uint32_t(posi < 0 ? 0 : posi), mrkid, nullptr)) return 0;
    NotifyChange(record, kChangeLoopsMarkers);
    return 1;
}

int32_t obSetLoop(int32_t waveid, int32_t lid, int32_t lstart, int32_t lend, int32_t ltype,
                  int32_t nsr) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || lid < 0 || lid > 255) return 0;
    uint32_t last = record->frameCount - 1;
    uint32_t start = Clamp<uint32_t>(uint32_t(lstart < 0 ? 0 : lstart), 0, last);
    uint32_t end = Clamp<uint32_t>(uint32_t(lend < 0 ? 0 : lend), 0, last);
    if (start == end) return 0;
    if (end < start) std::swap(start, end);
    if (!SetLoop(*record, start, end, uint8_t(ltype & 0xFF), lid)) return 0;
    if (nsr == 1) record->sustainLoopId = int16_t(lid);
    if (nsr == 2) record->releaseLoopId = int16_t(lid);
    NotifyChange(record, kChangeLoopsMarkers);
    return 1;
}

int32_t obInquire(int32_t waveid, int32_t which, int32_t lmid) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return -1;
    WaveRecord& r = *record;
    bool loaded = WaveHasData(record);
    switch (which) {
        case 0:
            return !loaded ? 0 : (r.rightSamples ? 2 : 1);
        case 1:
            return int32_t(r.frameCount);
        case 2:
            return r.sampleRate ? int32_t(1000000000u / r.sampleRate) : 22050;
        case 3:
            return int32_t(r.sampleRate);
        case 4: {
            MarkerNode* marker = FindMarker(r, lmid);
            return marker ? int32_t(marker->position) : -1;
        }
        case 5:
        case 6: {
            LoopNode* loop = FindLoop(r, lmid);
            if (!loop) return -1;
            return int32_t(which == 5 ? loop->start : loop->end);
        }
        case 7:
            return r.sustainLoopId;
        case 8:
            return r.releaseLoopId;
        case 9:
        case 10: {
            FrameRange area = AffectRange(r);
            return which == 9 ? int32_t(area.start) : int32_t(area.start + area.length) - 1;
        }
        case 11:
            return (AffectChannels(r) & kEditLeft) ? 1 : -1;
        case 12:
            return (AffectChannels(r) & kEditRight) ? 1 : -1;
        case 13:
            return r.sourceFormat;
        default:
            return -1;
    }
}

int32_t obSetWaitPointer(int32_t waveid) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return 0;
    UI().SetWaitPointer(record, true);
    return 1;
}

int32_t obResetPointer(int32_t waveid) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record) return 0;
    UI().SetWaitPointer(record, false);
    return 1;
}

int32_t obSetSampleValue(int32_t waveid, int32_t offset, int16_t val) {
    return SetSample(waveid, offset, float(val / 32768.0), false);
}

int32_t obSetSampleValueR(int32_t waveid, int32_t offset, int16_t val) {
    return SetSample(waveid, offset, float(val / 32768.0), true);
}

int16_t obGetSampleValue(int32_t waveid, int32_t offset) {
    float value = 0;
    return GetSample(waveid, offset, false, value) ? ToInteger(value) : 0;
}

int16_t obGetSampleValueR(int32_t waveid, int32_t offset) {
    float value = 0;
    return GetSample(waveid, offset, true, value) ? ToInteger(value) : 0;
}

int32_t obSetSampleValueFloat(int32_t waveid, int32_t offset, float val) {
    return SetSample(waveid, offset, val, false);
}

int32_t obSetSampleValueRFloat(int32_t waveid, int32_t offset, float val) {
    return SetSample(waveid, offset, val, true);
}

float obGetSampleValueFloat(int32_t waveid, int32_t offset) {
    float value = 0;
    return GetSample(waveid, offset, false, value) ? value : 0.0f;
}

float obGetSampleValueRFloat(int32_t waveid, int32_t offset) {
    float value = 0;
    return GetSample(waveid, offset, true, value) ? value : 0.0f;
}

int32_t obBackupEditor(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    if (MakeBackup(*record, kOpUnspecified, kBackupWholeAllChannels) != kBackupMade) return 0;
    NotifyChange(record, kChangeUndo);
    return 1;
}

int32_t obCleanUpEditor(int32_t waveid) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    UpdateOverview(*record, 0, 0, kEditLeftRight);
    UI().SetWaitPointer(record, false);
    UI().SetStatusText("");
    ResetProgress();
    record->stateFlags |= kStateChanged;
    NotifyChange(record, kChangeAll);
    return 1;
}

// A block transfer: `size` samples of the left (or mono) channel from frame
// `offset`, as Integer values (x 32767, truncated), into the array's first
// elements; limited by the array's length and the sound's end.
int32_t obGetSampleBuffer(int32_t waveid, int32_t offset, int32_t size, TesArray** ary) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    uint32_t count = 0;
    int16_t* elements = IntegerElements(ary, count);
    if (!record || !elements || offset < 0 || size < 0 || uint32_t(offset) >= record->frameCount)
        return 0;
    uint32_t n = std::min({uint32_t(size), count, record->frameCount - uint32_t(offset)});
    for (uint32_t i = 0; i < n; ++i) elements[i] = ToInteger(record->leftSamples[offset + i]);
    return 1;
}

// The reverse: array elements / 32768 stored as samples from frame `offset`.
int32_t obSetSampleBuffer(int32_t waveid, int32_t offset, int32_t size, TesArray** ary) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    uint32_t count = 0;
    int16_t* elements = IntegerElements(ary, count);
    if (!record || !elements || offset < 0 || size < 0 || uint32_t(offset) >= record->frameCount)
        return 0;
    uint32_t n = std::min({uint32_t(size), count, record->frameCount - uint32_t(offset)});
    for (uint32_t i = 0; i < n; ++i) record->leftSamples[offset + i] = float(elements[i] / 32768.0);
    return 1;
}

// Loads a sound file as a new clip of the editor: the clip's number, 0 on failure.
int32_t obLoadClip(int32_t waveid, const char* path) {
    WaveRecord* record = ScriptEditor(waveid);
    if (!record || !path || !*path) return 0;
    return int32_t(LoadClip(*record, path, false));
}

int32_t obSaveClipByID(int32_t waveid, int32_t ID, const char* path) {
    if (!ScriptEditor(waveid) || ID <= 0 || !path || !*path) return 0;
    const Clip* clip = FindClip(uint32_t(ID));
    return clip && SaveClip(*clip, path) == 0 ? 1 : 0;
}

int32_t obSaveClipByName(int32_t waveid, const char* name, const char* path) {
    if (!ScriptEditor(waveid) || !name || !path || !*path) return 0;
    const Clip* clip = FindClipByName(name);
    return clip && SaveClip(*clip, path) == 0 ? 1 : 0;
}

int32_t obCutKeepList(int32_t waveid, int32_t process) {
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record || process < kCutKeepClips || process > kCutKeepCut) return 0;
    CutKeepOutcome outcome;
    const int result = CutKeepList(*record, process, &outcome);
    if (result != kCutKeepDone) {
        ReportCutKeepResult(*record, result, outcome);
        return 0;
    }
    if (outcome.newEditor) MakeEditorActive(outcome.newEditor);
    return 1;
}

}  // extern "C"
