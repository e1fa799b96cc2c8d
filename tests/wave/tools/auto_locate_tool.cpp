// Runs AutoLocate for the numpy reference test: reads raw float32 channels
// (left then right); each line of standard input holds
// "MULT OFFSET MIN MAX FLAGS MOUSECH EDITCH POS" and gets one result line.
// Usage: auto_locate_tool FILE CHANNELS
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "wave/auto_locate.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s file channels < settings\n", argv[0]);
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (!f) return 2;
    std::vector<float> data;
    float buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, sizeof(float), 4096, f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    std::fclose(f);
    const int channels = std::atoi(argv[2]);
    ob::WaveRecord record;
    record.frameCount = uint32_t(data.size() / size_t(channels));
    record.leftSamples = data.data();
    record.rightSamples = channels == 2 ? data.data() + record.frameCount : nullptr;
    ob::AutoLocateSettings s;
    double lo = 0, hi = 0;
    long long pos = 0;
    unsigned mult = 0, offset = 0, flags = 0, mouse = 0, edit = 0;
    while (std::scanf("%u %u %lf %lf %u %u %u %lld", &mult, &offset, &lo, &hi, &flags, &mouse,
                      &edit, &pos) == 8) {
        s.multiplier = mult;
        s.offset = offset;
        s.minLevel = lo;
        s.maxLevel = hi;
        s.flags = flags;
        record.mouseChannels = mouse;
        ob::gEditing.editChannel = edit;
        std::printf("%lld\n", (long long)ob::AutoLocate(record, pos, s));
    }
    record.leftSamples = record.rightSamples = nullptr;
    return 0;
}
