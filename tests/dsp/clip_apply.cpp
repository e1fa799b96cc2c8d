// Applies one clip or length-changing edit to a sound held as raw float32
// channels (the left channel's frames, then the right channel's) and writes
// the result the same way. Used by the numpy reference test of the edits.
//
//   orbick_clip_apply IN OUT CHANNELS OPERATION ARGS... [--undo]
//   delete START LENGTH | trim START LENGTH   (Mouse area, both channels)
//   paste AT FIRST LAST | replace AT FIRST LAST | cut FIRST LAST
//                                            (a clip of frames FIRST..LAST)
//   shuffle START LENGTH CHANNELS DROP
// With --undo the edit is undone before writing (the input must come back).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dsp/clip_edit.h"
#include "dsp/length_edit.h"
#include "dsp/operation.h"
#include "wave/memory.h"
#include "wave/undo.h"

using namespace ob;

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: orbick_clip_apply IN OUT CHANNELS OPERATION ARGS [--undo]\n");
        return 2;
    }
    std::string op = argv[4];
    int channels = std::atoi(argv[3]);
    std::vector<long> n;
    bool undo = false;
    for (int i = 5; i < argc; ++i) {
        if (std::string(argv[i]) == "--undo")
            undo = true;
        else
            n.push_back(std::atol(argv[i]));
    }
    FILE* in = std::fopen(argv[1], "rb");
    if (!in || (channels != 1 && channels != 2)) return 2;
    std::vector<float> data;
    float x;
    while (std::fread(&x, 4, 1, in) == 1) data.push_back(x);
    std::fclose(in);
    uint32_t frames = uint32_t(data.size() / size_t(channels));
    int number = 0;
    if (frames == 0 || CreateEditor(&number) != 0) return 2;
    WaveRecord& r = *gEditorSlots[number];
    r.leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    if (channels == 2)
        r.rightSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    r.frameCount = frames;
    r.viewSpan = frames;
    for (uint32_t i = 0; i < frames; ++i) {
        r.leftSamples[i] = data[i];
        if (channels == 2) r.rightSamples[i] = data[frames + i];
    }
    gBackups = 5;
    gEditing.affectArea = kAffectMouse;
    auto arg = [&](size_t i) { return i < n.size() ? uint32_t(n[i]) : 0u; };
    int result = kEditNothing;
    if (op == "delete" || op == "trim") {
        r.mouseStart = arg(0);
        r.mouseLength = arg(1);
        r.mouseChannels = 3;
        result = op == "delete" ? DeleteArea(r) : TrimToArea(r);
    } else if (op == "paste" || op == "replace") {
        DefineClipByFrames(r, "clip", arg(1), arg(2));
        result = op == "paste" ? PasteActiveClip(r, arg(0)) : ReplaceActiveClip(r, arg(0));
    } else if (op == "cut") {
        DefineClipByFrames(r, "clip", arg(0), arg(1));
        result = CutActiveClip(r);
    } else if (op == "shuffle") {
        r.mouseStart = arg(0);
        r.mouseLength = arg(1);
        r.mouseChannels = arg(2);
        result = Shuffle(r, arg(3));
    } else {
        return 2;
    }
    if (result != kEditDone) {
        std::fprintf(stderr, "result %d\n", result);
        return 3;
    }
    if (undo && Undo(r) != kUndoDone) return 4;
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) return 2;
    std::fwrite(r.leftSamples, 4, r.frameCount, out);
    if (r.rightSamples) std::fwrite(r.rightSamples, 4, r.frameCount, out);
    std::fclose(out);
    CloseAllEditors();
    return 0;
}
