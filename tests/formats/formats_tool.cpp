// Test helper for the script-driven format checks: writes a generated wave
// in any format code through SaveSound, and opens any file through OpenSound,
// printing what it holds as JSON for the python oracle script.
//   formats_tool write CODE OUT [stereo] [frames N] [rate R] [name TEXT]
//   formats_tool read IN [raw CODE]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/format_common.h"
#include "formats/sound_io.h"
#include "formats/sound_io_ui.h"
#include "wave/file_result.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

void PrintText(const std::string& s) {
    std::putchar('"');
    for (unsigned char c : s) {
        if (c == '"' || c == '\\')
            std::printf("\\%c", c);
        else if (c < 0x20 || c > 0x7E)
            std::printf("\\u%04x", c);
        else
            std::putchar(c);
    }
    std::putchar('"');
}

void PrintSamples(const char* key, const float* s, uint32_t n) {
    std::printf(",\"%s\":[", key);
    for (uint32_t i = 0; i < n; ++i) std::printf(i ? ",%.9g" : "%.9g", double(s[i]));
    std::printf("]");
}

void PrintRecord(const WaveRecord& r, int result) {
    std::printf("{\"result\":%d,\"text\":", result);
    PrintText(FileResultText(result));
    std::printf(",\"format\":%d,\"rate\":%u,\"frames\":%u,\"channels\":%d,\"name\":",
                r.sourceFormat, r.sampleRate, r.frameCount, r.rightSamples ? 2 : 1);
    PrintText(r.name);
    std::printf(",\"keyRoot\":%d,\"keyLow\":%d,\"keyHigh\":%d,\"fineTune\":%d", r.keyRoot, r.keyLow,
                r.keyHigh, r.fineTune);
    std::printf(",\"sustain\":%d,\"release\":%d,\"loops\":[", r.sustainLoopId, r.releaseLoopId);
    for (const LoopNode* l = r.loops; l; l = l->next)
        std::printf("%s{\"id\":%d,\"start\":%u,\"end\":%u,\"type\":%d,\"playCount\":%u}",
                    l == r.loops ? "" : ",", l->id, l->start, l->end, l->type, l->playCount);
    std::printf("],\"markers\":[");
    for (const MarkerNode* m = r.markers; m; m = m->next) {
        std::printf("%s{\"id\":%d,\"position\":%u,\"name\":", m == r.markers ? "" : ",", m->id,
                    m->position);
        PrintText(m->name);
        std::printf("}");
    }
    std::printf("]");
    if (r.leftSamples) PrintSamples("left", r.leftSamples, r.frameCount);
    if (r.rightSamples) PrintSamples("right", r.rightSamples, r.frameCount);
    std::printf("}\n");
}

// A wave with values at and beyond full scale, loops, markers, key map and name.
void MakeWave(WaveRecord& r, uint32_t frames, bool stereo, uint32_t rate) {
    if (AllocateWave(r, frames, stereo ? 2 : 1) != kFileOk) std::exit(3);
    for (uint32_t i = 0; i < frames; ++i) {
        r.leftSamples[i] = float(0.95 * std::sin(i * 0.07) + 0.04 * std::sin(i * 1.3));
        if (stereo) r.rightSamples[i] = float(0.6 * std::cos(i * 0.013) - 0.2);
    }
    const float specials[] = {0.0f, 1.0f, -1.0f, 0.5f, -0.5f, 1.5f, -1.5f, 1e-6f};
    for (uint32_t i = 0; i < 8 && i < frames; ++i) r.leftSamples[i] = specials[i];
    r.sampleRate = rate;
    r.viewSpan = frames;
    r.name = "Orbick test";
    r.keyRoot = 62;
    r.keyLow = 40;
    r.keyHigh = 90;
    r.fineTune = -12;
    if (frames >= 1000) {
        SetLoop(r, 100, 399, 0, 3);
        SetLoop(r, 500, 799, 1, 4);
        r.sustainLoopId = 3;
        r.releaseLoopId = 4;
        SetMarker(r, 10, 0, "start");
        SetMarker(r, 900, 1, nullptr);
        SetMarker(r, 50, 5, "five");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "write") == 0) {
        int code = std::atoi(argv[2]);
        bool stereo = false;
        uint32_t frames = 2000, rate = 44100;
        const char* name = nullptr;
        for (int i = 4; i < argc; ++i) {
            if (std::strcmp(argv[i], "stereo") == 0)
                stereo = true;
            else if (std::strcmp(argv[i], "frames") == 0 && i + 1 < argc)
                frames = uint32_t(std::atol(argv[++i]));
            else if (std::strcmp(argv[i], "rate") == 0 && i + 1 < argc)
                rate = uint32_t(std::atol(argv[++i]));
            else if (std::strcmp(argv[i], "name") == 0 && i + 1 < argc)
                name = argv[++i];
        }
        WaveRecord r;
        MakeWave(r, frames, stereo, rate);
        if (name) r.name = name;
        r.filePath = argv[3];
        SoundIoUi ui;
        int result = SaveSound(r, code, 15, &ui);
        PrintRecord(r, result);
        DiscardWave(r);
        return result == 0 ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "read") == 0) {
        if (argc >= 5 && std::strcmp(argv[3], "raw") == 0)
            gEditing.defaultSaveFormat = std::atoi(argv[4]);
        WaveRecord r;
        r.filePath = argv[2];
        SoundIoUi ui;
        int result = OpenSound(r, false, &ui);
        PrintRecord(r, result);
        DiscardWave(r);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: formats_tool write CODE OUT [stereo] [frames N] [rate R]\n"
                 "       formats_tool read IN [raw CODE]\n");
    return 2;
}
