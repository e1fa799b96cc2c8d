#include "script/cut_keep_list.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "audio/player.h"
#include "base/messages.h"
#include "base/progress.h"
#include "formats/sound_io.h"
#include "script/recorder.h"
#include "wave/clips.h"
#include "wave/file_result.h"
#include "wave/memory.h"
#include "wave/record_report.h"

namespace ob {

namespace {

const char* const kTexts[] = {
    "",
    "No wave data here.\n",
    "No Marker sections established.\nCreate sections with pairs of Markers\n(SHIFT+click) then "
    "retry.",
    "This wave has no file name yet: save it first, so the section files can be named after it.",
    "Not enough memory for this operation.\n",
    "A section file could not be written.",
    "Cut/Keep List aborted.",
    "",  // (kept free: the clip mode has no result of its own)
    "Unknown Cut/Keep List mode.",
    "No free editor for the result.",
};

uint64_t SectionFrames(const CutSection& s) {
    return uint64_t(s.last) - s.first + 1;
}

// Allocates `frames` frames per channel of `like` into `target`.
bool AllocateLike(WaveRecord& target, const WaveRecord& like, uint64_t frames) {
    const size_t bytes = size_t(frames) * sizeof(float);
    target.leftSamples = static_cast<float*>(Allocate(bytes, kAllocLarge));
    if (!target.leftSamples) return false;
    if (like.rightSamples) {
        target.rightSamples = static_cast<float*>(Allocate(bytes, kAllocLarge));
        if (!target.rightSamples) {
            Release(target.leftSamples, bytes, kAllocLarge);
            target.leftSamples = nullptr;
            return false;
        }
    }
    target.frameCount = uint32_t(frames);
    return true;
}

void CopyFrames(WaveRecord& to, uint64_t at, const WaveRecord& from, uint64_t first,
                uint64_t count) {
    std::memcpy(to.leftSamples + at, from.leftSamples + first, size_t(count) * sizeof(float));
    if (from.rightSamples)
        std::memcpy(to.rightSamples + at, from.rightSamples + first, size_t(count) * sizeof(float));
}

int SaveSections(WaveRecord& record, const std::vector<CutSection>& sections,
                 CutKeepOutcome& outcome) {
    const int code = gEditing.defaultSaveFormat;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (AbortRequested()) return kCutKeepAborted;
        WaveRecord part;
        if (!AllocateLike(part, record, SectionFrames(sections[i]))) return kCutKeepNoMemory;
        CopyFrames(part, 0, record, sections[i].first, SectionFrames(sections[i]));
        part.sampleRate = record.sampleRate;
        part.keyLow = record.keyLow;
        part.keyHigh = record.keyHigh;
        part.keyRoot = record.keyRoot;
        part.fineTune = record.fineTune;
        part.name = record.name;
        part.filePath = SectionFilePath(record.filePath, int(i) + 1, code);
        const int result = SaveSound(part, code, gEditing.wavOptions);
        const std::string path = part.filePath;
        DiscardWave(part);
        if (result != 0) {
            outcome.failedPath = path;
            outcome.fileResult = result;
            return kCutKeepSaveFailed;
        }
        outcome.sectionsDone = int(i) + 1;
        SetProgress(i + 2, sections.size() + 2);
    }
    return kCutKeepDone;
}

// Each section becomes a clip of its own samples, "Editor %d: Clip %d", with
// the lowest free number; the editor's active clip stays what it was.
int SaveClips(WaveRecord& record, const std::vector<CutSection>& sections,
              CutKeepOutcome& outcome) {
    const int editor = EditorNumberOf(&record);
    for (size_t i = 0; i < sections.size(); ++i) {
        if (AbortRequested()) return kCutKeepAborted;
        Clip* clip =
            NewClip("Editor " + std::to_string(editor) + ": Clip " + std::to_string(i + 1));
        if (!clip) return kCutKeepNoMemory;
        DefineClip(*clip, record, sections[i].first, sections[i].last);
        if (TakeClipCopy(*clip) != kClipDone) {
            EraseClip(clip);
            return kCutKeepNoMemory;
        }
        outcome.sectionsDone = int(i) + 1;
        SetProgress(i + 2, sections.size() + 2);
    }
    return kCutKeepDone;
}

int CutSections(WaveRecord& record, const std::vector<CutSection>& sections,
                CutKeepOutcome& outcome) {
    uint64_t inside = 0;
    for (const CutSection& s : sections) inside += SectionFrames(s);
    const uint64_t left = uint64_t(record.frameCount) - inside;
    if (left == 0) return kCutKeepDone;  // the sections cover everything: no editor
    WaveRecord result;
    if (!AllocateLike(result, record, left)) return kCutKeepNoMemory;
    uint64_t at = 0, from = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (AbortRequested()) {
            DiscardWave(result);
            return kCutKeepAborted;
        }
        CopyFrames(result, at, record, from, sections[i].first - from);
        at += sections[i].first - from;
        from = uint64_t(sections[i].last) + 1;
        outcome.sectionsDone = int(i) + 1;
        SetProgress(i + 2, sections.size() + 2);
    }
    CopyFrames(result, at, record, from, record.frameCount - from);
    int number = 0;
    if (CreateEditor(&number) != 0) {
        DiscardWave(result);
        return kCutKeepNoEditor;
    }
    WaveRecord& target = *gEditorSlots[number];
    target.leftSamples = result.leftSamples;
    target.rightSamples = result.rightSamples;
    target.frameCount = result.frameCount;
    result.leftSamples = result.rightSamples = nullptr;
    result.frameCount = 0;
    SetSampleRate(target, record.sampleRate);
    target.viewStart = 0;
    target.viewSpan = target.frameCount;
    target.sourceFormat = -1;
    target.name = record.name;
    if (TitleOf(record).size() < 68) target.name += ", Cut List";
    target.stateFlags |= kStateChanged;
    UpdateOverview(target, 0, 0, 3);
    outcome.newEditor = number;
    return kCutKeepDone;
}

// Feeds the sections, one after another, to the player.
class SectionFiller {
  public:
    SectionFiller(const WaveRecord& record, std::vector<CutSection> sections)
        : sections_(std::move(sections)), bytes_(size_t(record.frameCount) * sizeof(float)) {
        left_ = static_cast<float*>(ShareBlock(record.leftSamples));
        if (record.rightSamples) right_ = static_cast<float*>(ShareBlock(record.rightSamples));
    }
    ~SectionFiller() {
        Release(left_, bytes_, kAllocLarge);
        Release(right_, bytes_, kAllocLarge);
    }
    SectionFiller(const SectionFiller&) = delete;
    SectionFiller& operator=(const SectionFiller&) = delete;
    bool Ready() const { return left_ != nullptr; }
    uint32_t Channels() const { return right_ ? 2 : 1; }
    uint32_t Fill(float* left, float* right, uint32_t frames) {
        uint32_t done = 0;
        while (done < frames && index_ < sections_.size()) {
            const CutSection& s = sections_[index_];
            const uint64_t from = uint64_t(s.first) + offset_;
            const uint64_t n = std::min<uint64_t>(frames - done, uint64_t(s.last) + 1 - from);
            std::memcpy(left + done, left_ + from, size_t(n) * sizeof(float));
            if (right && right_)
                std::memcpy(right + done, right_ + from, size_t(n) * sizeof(float));
            done += uint32_t(n);
            offset_ += n;
            if (uint64_t(s.first) + offset_ > s.last) {
                ++index_;
                offset_ = 0;
            }
        }
        return done;
    }

  private:
    std::vector<CutSection> sections_;
    size_t bytes_;
    float* left_ = nullptr;
    float* right_ = nullptr;
    size_t index_ = 0;
    uint64_t offset_ = 0;
};

}  // namespace

int PlayCutKeepPreview(WaveRecord& record) {
    std::vector<CutSection> sections = MarkerSections(record);
    if (sections.empty()) return kPlayBadRange;
    auto filler = std::make_shared<SectionFiller>(record, std::move(sections));
    if (!filler->Ready()) return kPlayNoMemory;
    StopPlay();
    return PlayBlocks(record.sampleRate, filler->Channels(),
                      [filler](float* l, float* r, uint32_t n) { return filler->Fill(l, r, n); });
}

const char* CutKeepResultText(int result) {
    if (result < 0 || result >= int(sizeof kTexts / sizeof kTexts[0])) return "";
    return kTexts[result];
}

std::vector<CutSection> MarkerSections(WaveRecord& record) {
    std::vector<CutSection> sections;
    if (!WaveHasData(&record)) return sections;
    TidyLoopsAndMarkers(record);
    std::vector<uint32_t> positions;
    for (const MarkerNode* m = record.markers; m; m = m->next) positions.push_back(m->position);
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (size_t i = 0; i + 1 < positions.size(); i += 2)
        sections.push_back({positions[i], positions[i + 1]});
    return sections;
}

std::string SectionFilePath(const std::string& path, int number, int code) {
    if (path.empty()) return {};
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    // A dot that leads the name (a hidden file) is no extension dot.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    std::string base = hasExtension ? path.substr(0, dot) : path;
    return base + "." + std::to_string(number) + FormatExtension(code);
}

int CutKeepList(WaveRecord& record, int mode, CutKeepOutcome* outcomeOut) {
    CutKeepOutcome local;
    CutKeepOutcome& outcome = outcomeOut ? *outcomeOut : local;
    outcome = CutKeepOutcome{};
    if (!WaveHasData(&record)) return kCutKeepNoWave;
    if (mode < kCutKeepClips || mode > kCutKeepCut) return kCutKeepBadMode;
    const std::vector<CutSection> sections = MarkerSections(record);
    if (sections.empty()) return kCutKeepNoSections;
    if (mode == kCutKeepFiles && record.filePath.empty()) return kCutKeepNoPath;
    ClearAbort();
    SetProgress(1, sections.size() + 2);
    const int result = mode == kCutKeepClips   ? SaveClips(record, sections, outcome)
                       : mode == kCutKeepFiles ? SaveSections(record, sections, outcome)
                                               : CutSections(record, sections, outcome);
    ResetProgress();
    return result;
}

void ReportCutKeepResult(const WaveRecord& record, int result, const CutKeepOutcome& outcome) {
    if (result == kCutKeepDone) return;
    if (result == kCutKeepSaveFailed && !outcome.failedPath.empty()) {
        ReportMessage(record.window, outcome.failedPath, FileResultText(outcome.fileResult));
        return;
    }
    ReportMessage(record, CutKeepResultText(result));
}

std::string CutKeepListLine(int editor, int mode) {
    static const char* const kNames[3] = {"OB_CUTKEEPLIST_CLIP", "OB_CUTKEEPLIST_FILE",
                                          "OB_CUTKEEPLIST_CUT"};
    return RecorderFormat("obCutKeepList %d, %s\n", editor, kNames[std::clamp(mode, 0, 2)]);
}

}  // namespace ob
