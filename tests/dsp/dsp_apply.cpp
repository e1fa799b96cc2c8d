// Applies one dsp operation to a sound held as raw float32 channels (the left
// channel's frames, then the right channel's) and writes the result the same
// way. Used by the numpy reference test and the side-by-side benchmark.
//
//   orbick_dsp_apply IN OUT CHANNELS RATE OPERATION [ARGS...] [options]
// options: --area START LENGTH (Mouse area on --mouse-channels, default both),
//          --edit-channel BITS, --smooth OPTIONS MS, --time (print seconds)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/combine.h"
#include "dsp/delay.h"
#include "dsp/dynamics.h"
#include "dsp/equalization.h"
#include "dsp/insert.h"
#include "dsp/level.h"
#include "dsp/operation.h"
#include "dsp/simple.h"
#include "dsp/stereo.h"
#include "dsp/time_stretch.h"
#include "dsp/transpose.h"
#include "wave/memory.h"
#include "wave/undo.h"

using namespace ob;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: orbick_dsp_apply IN OUT CHANNELS RATE OPERATION [ARGS] [--area S L] "
                 "[--mouse-channels B] [--edit-channel B] [--smooth OPT MS] [--time]\n");
    return 2;
}

double Arg(const std::vector<std::string>& args, size_t i, double fallback = 0) {
    return i < args.size() ? std::atof(args[i].c_str()) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) return Usage();
    std::string in = argv[1], out = argv[2], op = argv[5];
    int channels = std::atoi(argv[3]);
    uint32_t rate = uint32_t(std::atoi(argv[4]));
    if (channels != 1 && channels != 2) return Usage();
    std::vector<std::string> args;
    bool timed = false;
    long areaStart = -1, areaLength = 0;
    uint32_t mouseChannels = 3;
    for (int i = 6; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--area" && i + 2 < argc) {
            areaStart = std::atol(argv[++i]);
            areaLength = std::atol(argv[++i]);
        } else if (a == "--mouse-channels" && i + 1 < argc) {
            mouseChannels = uint32_t(std::atoi(argv[++i]));
        } else if (a == "--edit-channel" && i + 1 < argc) {
            gEditing.editChannel = uint32_t(std::atoi(argv[++i]));
        } else if (a == "--smooth" && i + 2 < argc) {
            gProcessing.smoothingOptions = uint32_t(std::atoi(argv[++i]));
            SetSmoothingTime(uint32_t(std::atoi(argv[++i])));
        } else if (a == "--time") {
            timed = true;
        } else {
            args.push_back(a);
        }
    }

    // Read straight into the channel buffers.
    std::FILE* f = std::fopen(in.c_str(), "rb");
    if (!f) return std::fprintf(stderr, "cannot open %s\n", in.c_str()), 1;
    std::fseek(f, 0, SEEK_END);
    long bytes = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    uint32_t frames = bytes > 0 ? uint32_t(size_t(bytes) / 4 / size_t(channels)) : 0;
    if (frames == 0) return std::fprintf(stderr, "no samples\n"), 1;

    int number = 0;
    if (CreateEditor(&number) != 0) return 1;
    WaveRecord& w = *gEditorSlots[number];
    gActiveEditor = number;
    w.leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    if (channels == 2)
        w.rightSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
    if (!w.leftSamples || (channels == 2 && !w.rightSamples)) return 1;
    bool read = std::fread(w.leftSamples, 4, frames, f) == frames;
    if (channels == 2) read = read && std::fread(w.rightSamples, 4, frames, f) == frames;
    std::fclose(f);
    if (!read) return std::fprintf(stderr, "cannot read %s\n", in.c_str()), 1;
    w.frameCount = frames;
    w.viewSpan = frames;
    w.sampleRate = rate;
    if (areaStart >= 0) {
        gEditing.affectArea = kAffectMouse;
        w.mouseStart = uint32_t(areaStart);
        w.mouseLength = uint32_t(areaLength);
        w.mouseChannels = mouseChannels;
    }
    gBackups = 0;  // no undo copies: the tool measures the operation itself

    auto begin = std::chrono::steady_clock::now();
    int result;
    if (op == "gain")
        result = Gain(w, {Arg(args, 0)});
    else if (op == "normalize")
        result = Normalize(w, {Arg(args, 0)});
    else if (op == "maximize")
        result = Maximize(w);
    else if (op == "dcoffset")
        result = DcOffset(w, {Arg(args, 0), int(Arg(args, 1, 2))});
    else if (op == "invert")
        result = Invert(w);
    else if (op == "rectifyfull")
        result = RectifyFull(w);
    else if (op == "rectifyhalf")
        result = RectifyHalf(w);
    else if (op == "mute")
        result = Mute(w);
    else if (op == "reverse")
        result = Reverse(w);
    else if (op == "differentiate")
        result = Differentiate(w);
    else if (op == "integrate")
        result = Integrate(w);
    else if (op == "unclip")
        result = Unclip(w, {Arg(args, 0, 0.99999976)});
    else if (op == "stereomono")
        result = StereoToMono(w, {int(Arg(args, 0, 1))});
    else if (op == "replicate")
        result = Replicate(w, {Arg(args, 0), int(Arg(args, 1, 2))});
    else if (op == "insertsilence")
        result = InsertSilence(
            w, {Arg(args, 0), int(Arg(args, 1)), int(Arg(args, 2, 1)), uint32_t(Arg(args, 3))});
    else if (op == "compress")
        result = Compress(
            w, {Arg(args, 0), Arg(args, 1), Arg(args, 2), Arg(args, 3), int32_t(Arg(args, 4))});
    else if (op == "noisegate")
        result = NoiseGate(w, {Arg(args, 0), Arg(args, 1), Arg(args, 2), int32_t(Arg(args, 3))});
    else if (op == "echo")
        result = Echo(w, {Arg(args, 0), Arg(args, 1), Arg(args, 2)});
    else if (op == "flange" || op == "chorus") {
        FlangeParams p{Arg(args, 0), Arg(args, 1), Arg(args, 2),
                       Arg(args, 3), Arg(args, 4), Arg(args, 5) != 0};
        result = op == "flange" ? Flange(w, p) : Chorus(w, p);
    } else if (op == "reverb")
        result = Reverb(w, {Arg(args, 0), Arg(args, 1), Arg(args, 2), Arg(args, 3), Arg(args, 4),
                            int32_t(Arg(args, 5))});
    else if (op == "combine") {
        // The source is the same sound read again into a second editor.
        int second = 0;
        if (CreateEditor(&second) != 0) return 1;
        WaveRecord& s = *gEditorSlots[second];
        s.leftSamples = static_cast<float*>(Allocate(size_t(frames) * 4, kAllocLarge));
        if (!s.leftSamples) return 1;
        std::memcpy(s.leftSamples, w.leftSamples, size_t(frames) * 4);
        s.frameCount = frames;
        s.sampleRate = rate;
        uint32_t keep = uint32_t(Arg(args, 3, frames));  // source length
        if (keep && keep < frames) s.frameCount = keep;
        result =
            Combine(w, {second, int64_t(Arg(args, 0)), int(Arg(args, 1, 1)), Arg(args, 2, 50)});
    } else if (op == "transpose")  // new rate, method 0..3, option bits
        result = TransposeRate(w, int64_t(Arg(args, 0)), int(Arg(args, 1)), uint32_t(Arg(args, 2)));
    else if (op == "timestretch")  // percent, extended bass, stereo lock
        result = TimeStretch(w, {Arg(args, 0), Arg(args, 1) != 0, Arg(args, 2) != 0});
    else if (op == "basstreble") {  // use, bass Hz, bass dB, treble Hz, treble dB
        BassTrebleParams p{int32_t(Arg(args, 0)), int32_t(Arg(args, 1)), Arg(args, 2),
                           int32_t(Arg(args, 3)), Arg(args, 4)};
        result = ClampBassTreble(p) ? BassTreble(w, p) : kEditRefused;
    } else if (op == "filters") {  // use, high order, high Hz, low order, low Hz
        FiltersParams p{int32_t(Arg(args, 0)), int32_t(Arg(args, 1)), int32_t(Arg(args, 2)),
                        int32_t(Arg(args, 3)), int32_t(Arg(args, 4))};
        result = ClampFilters(p) ? HighLowPass(w, p) : kEditRefused;
    } else if (op == "grafreq") {  // hz, dB for bands A to E
        GraFreqParams p;
        for (int i = 0; i < kGraFreqBands; ++i) {
            p.hz[i] = int32_t(Arg(args, size_t(2 * i)));
            p.db[i] = Arg(args, size_t(2 * i + 1));
        }
        result = ClampGraFreq(p) ? GraFreq(w, p) : kEditRefused;
    } else if (op == "parametric") {  // use, A hz dB octaves, B hz dB octaves
        ParametricParams p{int32_t(Arg(args, 0)),
                           {int32_t(Arg(args, 1)), Arg(args, 2), Arg(args, 3)},
                           {int32_t(Arg(args, 4)), Arg(args, 5), Arg(args, 6)}};
        result = ClampParametric(p) ? Parametric(w, p) : kEditRefused;
    } else if (op == "varitime")  // kind, start Hz, end Hz
        result = VariTime(w, {int32_t(Arg(args, 0)), int32_t(Arg(args, 1)), int32_t(Arg(args, 2))});
    else if (op == "pitchshift")  // cents, extended bass, stereo lock
        result = PitchShift(w, {Arg(args, 0), Arg(args, 1) != 0, Arg(args, 2) != 0});
    else
        return Usage();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (result != kEditDone) {
        std::fprintf(stderr, "%s: %s\n", op.c_str(), EditResultText(result));
        return 1;
    }
    if (timed) std::printf("%.6f\n", seconds);

    f = std::fopen(out.c_str(), "wb");
    if (!f) return 1;
    bool ok = std::fwrite(w.leftSamples, 4, w.frameCount, f) == w.frameCount;
    if (w.rightSamples) ok = ok && std::fwrite(w.rightSamples, 4, w.frameCount, f) == w.frameCount;
    ok = std::fclose(f) == 0 && ok;
    CloseAllEditors();
    return ok ? 0 : 1;
}
