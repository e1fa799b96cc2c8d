// Loading and saving clips, and the emergency save of a right channel.
#include "formats/clip_files.h"

#include <cstdio>

#include "formats/format_table.h"
#include "formats/sound_io.h"
#include "formats/sound_io_ui.h"
#include "wave/memory.h"

namespace ob {

namespace {

// Lets go of borrowed samples and frees what the scratch record holds itself.
void ReleaseScratch(WaveRecord& scratch) {
    scratch.leftSamples = nullptr;
    scratch.rightSamples = nullptr;
    scratch.frameCount = 0;
    DiscardWave(scratch);
}

}  // namespace

uint32_t LoadClip(WaveRecord& editor, const std::string& path, bool interactive, SoundIoUi* ui,
                  int* fileResult) {
    WaveRecord scratch;
    scratch.filePath = path;
    int result = OpenSound(scratch, interactive, ui);
    if (fileResult) *fileResult = result;
    if (result != 0 || !WaveHasData(&scratch)) {
        DiscardWave(scratch);
        return 0;
    }
    Clip* clip = NewClip(scratch.name);
    if (!clip) {
        DiscardWave(scratch);
        return 0;
    }
    AdoptClipSamples(*clip, scratch.leftSamples, scratch.rightSamples, scratch.frameCount,
                     scratch.sampleRate);
    clip->source = &editor;
    clip->clipFlags |= kClipDetached;
    ReleaseScratch(scratch);
    return clip->number;
}

int SaveClip(const Clip& clip, const std::string& path, SoundIoUi* ui, std::string* savedPath) {
    ClipSamples samples;
    if (!ResolveClip(&clip, samples)) return 1;
    WaveRecord scratch;  // borrows the clip's samples
    scratch.leftSamples = const_cast<float*>(samples.left);
    scratch.rightSamples = const_cast<float*>(samples.right);
    scratch.frameCount = samples.length;
    scratch.viewSpan = samples.length;
    scratch.sampleRate = clip.sampleRate;
    scratch.name = clip.name.empty() ? "Untitled" : clip.name;
    scratch.filePath = path;
    int result = path.empty() ? SaveSoundAs(scratch, gEditing.defaultSaveFormat, 0, ui)
                              : SaveSound(scratch, gEditing.defaultSaveFormat, 0, ui);
    if (savedPath) *savedPath = scratch.filePath;
    ReleaseScratch(scratch);
    return result;
}

std::string LoadClipMacroLine(int editor, const std::string& quotedPath) {
    return "obLoadClip " + std::to_string(editor) + ", " + quotedPath + "\n";
}

std::string SaveClipMacroLine(int editor, uint32_t clip, const std::string& quotedPath) {
    return "obSaveClipByID " + std::to_string(editor) + ", " + std::to_string(clip) + ", " +
           quotedPath + "\n";
}

bool EmergencySaveRightChannel(WaveRecord& rightChannel, SoundIoUi* ui) {
    if (!ui) return false;
    std::string path =
        PathWithFormatExtension(rightChannel.name + " right", gEditing.defaultSaveFormat);
    int code = gEditing.defaultSaveFormat;
    if (!ui->ChooseSavePath("EMERGENCY Save Right Channel As:", path, code) || path.empty())
        return false;
    rightChannel.filePath = path;
    return SaveSound(rightChannel, code, gEditing.wavOptions, ui) == 0;
}

}  // namespace ob
