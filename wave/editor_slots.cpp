// The editor slots and the records in them: lookups by number and window,
// creating, resetting, discarding, duplicating and closing editors.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "wave/clips.h"
#include "wave/memory.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

namespace {
WaveRecord gDefaultRecord;

void ReleaseSamples(WaveRecord& record) {
    size_t bytes = size_t(record.frameCount) * sizeof(float);
    Release(record.leftSamples, bytes, kAllocLarge);
    Release(record.rightSamples, bytes, kAllocLarge);
    record.leftSamples = nullptr;
    record.rightSamples = nullptr;
}

bool CopyOverview(const PeakOverview& from, PeakOverview& to) {
    if (!from.pairs) return true;
    if (!AllocateOverview(to, from.blocks)) return false;
    std::memcpy(to.pairs, from.pairs, OverviewBytes(from.blocks));  // with its coarse level
    return true;
}
}  // namespace

WaveRecord* gEditorSlots[kEditorSlots] = {&gDefaultRecord};
int gActiveEditor = 0;

std::string TitleOf(const WaveRecord& record) {
    char number[16];
    std::snprintf(number, sizeof number, "%2d:  ", record.editorNumber);
    return number + record.name;
}

WaveRecord* FindEditor(int number) {
    if (number < 0 || number >= kEditorSlots) return nullptr;
    if (number == 0) {
        if (gActiveEditor <= 0 || gActiveEditor >= kEditorSlots) return nullptr;
        number = gActiveEditor;
    }
    return gEditorSlots[number];
}

WaveRecord* FindEditorWithWave(int number) {
    WaveRecord* record = FindEditor(number);
    return WaveHasData(record) ? record : nullptr;
}

bool WaveHasData(const WaveRecord* record) {
    return record && record->leftSamples && record->frameCount != 0 &&
           record->frameCount > record->viewStart;
}

int EditorNumberOf(const WaveRecord* record) {
    if (!record) return 0;
    for (int i = 1; i < kEditorSlots; ++i)
        if (gEditorSlots[i] == record) return i;
    return 0;
}

WaveRecord* RecordOfWindow(const void* window) {
    if (!window) return nullptr;
    for (int i = 1; i < kEditorSlots; ++i)
        if (gEditorSlots[i] && gEditorSlots[i]->window == window) return gEditorSlots[i];
    return nullptr;
}

int NextUsedEditor(int from) {
    for (int i = from < 1 ? 1 : from; i < kEditorSlots; ++i)
        if (gEditorSlots[i]) return i;
    return 0;
}

void ResetRecord(WaveRecord& record) {
    record.leftSamples = nullptr;
    record.rightSamples = nullptr;
    record.frameCount = 0;
    record.viewStart = 0;
    record.viewSpan = 0;
    record.viewLevelCentre = 0;
    record.viewLevelSpan = 65535;
    record.sampleRate = 44100;
    record.displayOffset = 0;
    record.sustainLoopId = -1;
    record.releaseLoopId = -1;
    record.loops = nullptr;
    record.markers = nullptr;
    record.keyLow = record.keyHigh = record.keyRoot = 0;
    record.fineTune = 0;
    record.name = "Untitled";
    record.leftOverview = PeakOverview{};
    record.rightOverview = PeakOverview{};
    record.tempo = 120;
    record.beatsPerBar = 4;
    record.mouseStart = record.mouseLength = record.mouseChannels = 0;
    record.sourceFormat = -1;
    record.filePath.clear();
    record.stateFlags = 0;
    record.scratchPath.clear();
    record.undoHead = nullptr;
    record.undoPosition = 0;
    record.clipLink = nullptr;
}

void DiscardWave(WaveRecord& record) {
    DetachClipsOf(record);
    DropOverviews(record);
    ClearLists(record, kListLoops | kListMarkers);
    DropBackups(record);
    ReleaseSamples(record);
    if (!record.scratchPath.empty()) ::unlink(record.scratchPath.c_str());
    ResetRecord(record);
}

int CreateEditor(int* numberOut) {
    int number = 0;
    for (int i = 1; i < kEditorSlots && !number; ++i)
        if (!gEditorSlots[i]) number = i;
    if (!number) return 1;
    auto* record = new (std::nothrow) WaveRecord;
    if (!record) return 2;
    record->editorNumber = number;
    ResetRecord(*record);
    // The display preferences come from the default record.
    const WaveRecord& prefs = *gEditorSlots[0];
    std::memcpy(record->colours, prefs.colours, sizeof record->colours);
    record->timeUnit = prefs.timeUnit;
    record->levelUnit = prefs.levelUnit;
    record->displayOptions = prefs.displayOptions;
    gEditorSlots[number] = record;
    if (numberOut) *numberOut = number;
    return 0;
}

void CloseEditor(int number) {
    if (number < 1 || number >= kEditorSlots || !gEditorSlots[number]) return;
    WaveRecord* record = gEditorSlots[number];
    DiscardWave(*record);
    gEditorSlots[number] = nullptr;
    if (gActiveEditor == number) gActiveEditor = 0;
    delete record;
}

void CloseAllEditors() {
    for (int i = 1; i < kEditorSlots; ++i) CloseEditor(i);
}

int DuplicateWave(const WaveRecord& source) {
    if (!source.leftSamples || source.frameCount == 0) return 0;
    int number = 0;
    if (CreateEditor(&number) != 0) return 0;
    WaveRecord& copy = *gEditorSlots[number];
    size_t bytes = size_t(source.frameCount) * sizeof(float);
    copy.frameCount = source.frameCount;
    bool ok = (copy.leftSamples = static_cast<float*>(Allocate(bytes, kAllocLarge))) != nullptr;
    if (ok && source.rightSamples)
        ok = (copy.rightSamples = static_cast<float*>(Allocate(bytes, kAllocLarge))) != nullptr;
    ok = ok && CopyLists(kListLoops | kListMarkers, source, copy) == 1;
    ok = ok && CopyOverview(source.leftOverview, copy.leftOverview) &&
         CopyOverview(source.rightOverview, copy.rightOverview);
    if (!ok) {
        CloseEditor(number);
        return 0;
    }
    std::memcpy(copy.leftSamples, source.leftSamples, bytes);
    if (source.rightSamples) std::memcpy(copy.rightSamples, source.rightSamples, bytes);
    copy.sampleRate = source.sampleRate;
    copy.keyLow = source.keyLow;
    copy.keyHigh = source.keyHigh;
    copy.keyRoot = source.keyRoot;
    copy.fineTune = source.fineTune;
    copy.name = source.name;
    copy.tempo = source.tempo;
    copy.beatsPerBar = source.beatsPerBar;
    copy.displayOffset = source.displayOffset;
    copy.stateFlags = source.stateFlags;
    copy.viewStart = 0;
    copy.viewSpan = source.frameCount;
    copy.viewLevelCentre = 0;
    copy.viewLevelSpan = 65535;
    return number;
}

}  // namespace ob
