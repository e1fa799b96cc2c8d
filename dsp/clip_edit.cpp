// Clip commands and the system clipboard's copy and paste.
#include "dsp/clip_edit.h"

#include <algorithm>
#include <cstring>

#include "base/messages.h"
#include "base/progress.h"
#include "dsp/frame.h"
#include "dsp/insert.h"
#include "dsp/length_edit.h"
#include "dsp/operation.h"
#include "wave/change_notice.h"
#include "wave/clipboard_image.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {

constexpr uint32_t kOpSystemPaste = 2;
constexpr uint32_t kOpCut = 6;
constexpr uint32_t kOpPaste = 7;
constexpr uint32_t kOpReplace = 8;

const char* const kNoMarker = "Can't find specified Marker.";

int Missing(WaveRecord& record, const char* text) {
    ReportMessage(record, text);
    return kEditNothing;
}

Clip* MakeClip(WaveRecord& record, const std::string& name) {
    Clip* clip = NewClip(name);
    if (!clip) {
        ReportMessage(record, kTextNoMemory);
        return nullptr;
    }
    SetActiveClip(record, clip);
    return clip;
}

// A clip that ended with no frames is deleted.
Clip* KeepIfNotEmpty(Clip* clip) {
    if (clip->length != 0) return clip;
    EraseClip(clip);
    return nullptr;
}

// Both channel blocks of a new wave, or none.
bool NewWaveBlocks(uint32_t frames, bool stereo, float*& left, float*& right) {
    left = NewChannelBlock(frames, false);
    right = stereo && left ? NewChannelBlock(frames, false) : nullptr;
    if (left && (right || !stereo)) return true;
    ReleaseChannelBlock(left, frames);
    left = right = nullptr;
    return false;
}

// Makes the record's wave from new blocks: view all, no backup.
void InstallNewWave(WaveRecord& record, float* left, float* right, uint32_t frames, uint32_t rate,
                    const std::string& name) {
    record.leftSamples = left;
    record.rightSamples = right;
    record.frameCount = frames;
    SetSampleRate(record, rate);
    record.name = name;
    record.viewStart = 0;
    record.viewSpan = frames;
    record.mouseStart = 0;
    record.mouseLength = 1;
    record.stateFlags |= kStateChanged;
    UpdateOverview(record, 0, 0, 3);
    NotifyChange(&record, kChangeAll);
}

}  // namespace

Clip* DefineClipByFrames(WaveRecord& record, const std::string& name, uint32_t first,
                         uint32_t last) {
    if (!WaveHasData(&record)) {
        ReportEmptyEditor(record);
        return nullptr;
    }
    Clip* clip = MakeClip(record, name);
    if (!clip) return nullptr;
    DefineClip(*clip, record, first, last);
    return KeepIfNotEmpty(clip);
}

Clip* DefineClipByMarkers(WaveRecord& record, const std::string& name, int marker1, int marker2) {
    if (!WaveHasData(&record)) {
        ReportEmptyEditor(record);
        return nullptr;
    }
    MarkerNode* a = marker1 >= 0 && marker1 <= 255 ? FindMarker(record, marker1) : nullptr;
    MarkerNode* b = marker2 >= 0 && marker2 <= 255 ? FindMarker(record, marker2) : nullptr;
    if (!a || !b) {
        ReportMessage(record, kNoMarker);
        return nullptr;
    }
    return DefineClipByFrames(record, name, a->position, b->position);
}

Clip* DefineClipByArea(WaveRecord& record, const std::string& name) {
    if (!WaveHasData(&record)) {
        ReportEmptyEditor(record);
        return nullptr;
    }
    FrameRange area = AffectRange(record);
    if (area.length == 0) {
        ReportNoAffectArea(record);
        return nullptr;
    }
    return DefineClipByFrames(record, name, area.start, area.start + area.length - 1);
}

int CopyActiveClip(WaveRecord& record) {
    Clip* clip = ActiveClip(record);
    if (clip && clip->leftCopy) {
        ReportMessage(record, "Clip already copied.");
        return kEditRefused;
    }
    int result = clip ? TakeClipCopy(*clip) : kClipNone;
    if (result == kClipNone)
        return Missing(record,
                       "No clip to copy. Use Multi-Clips/Edit\n to select a clip for this wave.");
    if (result == kClipNoMemory) {
        ReportMessage(record, kTextNoMemory);
        return kEditNoMemory;
    }
    return kEditDone;
}

int CutActiveClip(WaveRecord& record) {
    Clip* clip = ActiveClip(record);
    ClipSamples samples;
    if (!ResolveClip(clip, samples)) return Missing(record, "No clip to cut.");
    if (clip->source != &record || (clip->clipFlags & kClipDetached)) {
        ReportMessage(record,
                      "Inappropriate cut.\nClip does not refer to this wave,\nor data has been "
                      "altered.");
        return kEditRefused;
    }
    // The frames the clip names now (it may hold a copy of an older state).
    if (clip->start >= record.frameCount) return Missing(record, "No clip to cut.");
    uint32_t length = std::min(clip->length, record.frameCount - clip->start);
    if (length >= record.frameCount) {
        ReportMessage(record, "Cut Clip error.");
        return kEditRefused;
    }
    // The cut audio must survive in the clip: it takes its copy first.
    if (!clip->leftCopy) {
        if (TakeClipCopy(*clip) == kClipNoMemory) {
            ReportMessage(record, kTextNoMemory);
            return kEditNoMemory;
        }
    }
    int result = DeleteFrames(record, clip->start, length, kOpCut);
    return result;
}

int PasteClipIntoEmpty(WaveRecord& record, const Clip* clip) {
    ClipSamples samples;
    if (!ResolveClip(clip, samples)) return kEditNothing;
    float* left;
    float* right;
    if (!NewWaveBlocks(samples.length, samples.right != nullptr, left, right)) {
        ReportMessage(record, kTextNoMemory);
        return kEditNoMemory;
    }
    size_t bytes = size_t(samples.length) * sizeof(float);
    std::memcpy(left, samples.left, bytes);
    if (right) std::memcpy(right, samples.right, bytes);
    InstallNewWave(record, left, right, samples.length, clip->sampleRate,
                   clip->name.empty() ? "Pasted from Orbick" : clip->name);
    return kEditDone;
}

int PasteActiveClip(WaveRecord& record, uint32_t frame) {
    Clip* clip = ActiveClip(record);
    ClipSamples samples;
    if (!ResolveClip(clip, samples))
        return Missing(record,
                       "No clip to paste. Use Multi-Clips/Edit\nto select a clip for this wave.");
    if (!WaveHasData(&record)) return PasteClipIntoEmpty(record, clip);
    uint32_t at = std::min(frame, record.frameCount);
    const float* l = record.leftSamples;
    const float* r = record.rightSamples;
    SplicePiece pieces[3] = {{l, r, at},
                             {samples.left, samples.right, samples.length},
                             {l + at, r ? r + at : nullptr, record.frameCount - at}};
    SpliceEdit edit;
    edit.operation = kOpPaste;
    edit.pieces = pieces;
    edit.count = 3;
    edit.stereo = r != nullptr;
    edit.position = at;
    edit.inserted = samples.length;
    return RebuildWave(record, edit);
}

int ReplaceActiveClip(WaveRecord& record, uint32_t frame) {
    Clip* clip = ActiveClip(record);
    ClipSamples samples;
    if (!ResolveClip(clip, samples))
        return Missing(
            record, "No clip for replace. Use Multi-Clips/Edit\n to select a clip for this wave.");
    if (!WaveHasData(&record)) return PasteClipIntoEmpty(record, clip);
    uint32_t at = std::min(frame, record.frameCount);
    if (uint64_t(at) + samples.length <= record.frameCount) {
        // Fits: overwrite in place. The clip may name frames of this very
        // wave, so it is read after the backup and copied overlap-safe.
        EditToken token = BeginEdit(&record, kOpReplace, kBackupWholeAllChannels, false);
        if (!token) return kEditNothing;
        ResolveClip(clip, samples);
        size_t bytes = size_t(samples.length) * sizeof(float);
        std::memmove(record.leftSamples + at, samples.left, bytes);
        if (record.rightSamples)
            std::memmove(record.rightSamples + at, samples.right ? samples.right : samples.left,
                         bytes);
        UpdateOverview(record, at, samples.length, 3);
        NotifyChange(ChangeNotice{&record, kChangeSamples, at, at + samples.length});
        EndEdit(token);
        return kEditDone;
    }
    const float* l = record.leftSamples;
    const float* r = record.rightSamples;
    SplicePiece pieces[2] = {{l, r, at}, {samples.left, samples.right, samples.length}};
    SpliceEdit edit;
    edit.operation = kOpReplace;
    edit.pieces = pieces;
    edit.count = 2;
    edit.stereo = r != nullptr;
    edit.position = at;
    edit.removed = record.frameCount - at;
    edit.inserted = samples.length;
    return RebuildWave(record, edit);
}

bool ClipPositionOfMarker(WaveRecord& record, int marker, uint32_t& frame) {
    MarkerNode* m = marker >= 0 && marker <= 255 ? FindMarker(record, marker) : nullptr;
    if (!m) {
        ReportMessage(record, kNoMarker);
        return false;
    }
    frame = m->position;
    return true;
}

std::string EraseClipQuestion(const WaveRecord& record, const Clip* clip) {
    if (ClipUsedElsewhere(clip, &record))
        return "This clip is referenced by other windows.\nDo you still want to Erase?";
    return "Erase this clip... Are you sure?";
}

int SystemCopyImage(WaveRecord& record, std::vector<uint8_t>& image) {
    image.clear();
    if (!WaveHasData(&record)) return kEditNothing;
    FrameRange area = AffectRange(record);
    uint32_t channels = AffectChannels(record);
    if (area.length == 0 || channels == 0) return kEditNothing;
    const float* first = (channels & 1) ? record.leftSamples : record.rightSamples;
    const float* second = channels == 3 ? record.rightSamples : nullptr;
    int result = BuildClipboardImage(first + area.start, second ? second + area.start : nullptr,
                                     area.length, record.sampleRate, image);
    if (result != kImageOk) {
        ReportMessage(record.window, "System Clipboard Copy", kTextNoMemory);
        return kEditNoMemory;
    }
    return kEditDone;
}

int SystemPasteImage(WaveRecord& record, const uint8_t* bytes, size_t size) {
    ClipboardAudio audio;
    if (ParseClipboardImage(bytes, size, audio) != kImageOk || audio.frames == 0) {
        ReportMessage(record, "Bad paste format");
        return kEditRefused;
    }
    SetProgressPercent(5);
    const bool empty = !WaveHasData(&record);
    const bool stereo = empty ? audio.channels == 2 : record.rightSamples != nullptr;
    // The pasted sound in blocks of its own first.
    float* left;
    float* right;
    if (!NewWaveBlocks(audio.frames, audio.channels == 2 && stereo, left, right)) {
        ReportMessage(record.window, "System Clipboard Paste", kTextNoMemory);
        return kEditNoMemory;
    }
    DecodeClipboardChannel(audio, 0, 0, audio.frames, left);
    if (right) DecodeClipboardChannel(audio, 1, 0, audio.frames, right);
    SetProgressPercent(25);
    if (empty) {
        InstallNewWave(record, left, right, audio.frames, SnapSampleRate(audio.rate),
                       "Pasted from System");
        SetProgressPercent(100);
        return kEditDone;
    }
    FrameRange area = AffectRange(record);
    uint32_t at = std::min(area.start, record.frameCount);
    uint32_t removed = std::min(area.length, record.frameCount - at);
    const float* l = record.leftSamples;
    const float* r = record.rightSamples;
    SplicePiece pieces[3] = {
        {l, r, at},
        {left, right, audio.frames},
        {l + at + removed, r ? r + at + removed : nullptr, record.frameCount - at - removed}};
    SpliceEdit edit;
    edit.operation = kOpSystemPaste;
    edit.pieces = pieces;
    edit.count = 3;
    edit.stereo = stereo;
    edit.position = at;
    edit.removed = removed;
    edit.inserted = audio.frames;
    edit.caption = "System Clipboard Paste";
    int result = RebuildWave(record, edit);
    ReleaseChannelBlock(left, audio.frames);
    ReleaseChannelBlock(right, audio.frames);
    return result;
}

}  // namespace ob
