// wav_io_timer: times the WAV reader and writer in-process on one file.
//   wav_io_timer load IN          ReadWave only
//   wav_io_timer save IN OUT BITS ReadWave, then WriteWave (only the write is timed)
// Prints "load_seconds S" / "save_seconds S"; exit 1 on a file error.
// bench/wav_io.sh runs it beside sox on the same data.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/wav.h"
#include "wave/file_result.h"
#include "wave/wave_record.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
    bool load = argc == 3 && std::strcmp(argv[1], "load") == 0;
    bool save = argc == 5 && std::strcmp(argv[1], "save") == 0;
    if (!load && !save) {
        std::fprintf(stderr, "usage: wav_io_timer load IN | save IN OUT BITS\n");
        return 2;
    }
    ob::WaveRecord record;
    auto start = std::chrono::steady_clock::now();
    ob::WaveReadResult read = ob::ReadWave(argv[2], record);
    double loadSeconds = Seconds(start);
    if (read.result != ob::kFileOk) {
        std::fprintf(stderr, "%s: %s\n", argv[2], ob::FileResultText(read.result));
        return 1;
    }
    if (load) std::printf("load_seconds %.3f\n", loadSeconds);
    int status = 0;
    if (save) {
        start = std::chrono::steady_clock::now();
        int written = ob::WriteWave(argv[3], record, std::atoi(argv[4]), ob::kWavOptionsAll);
        double saveSeconds = Seconds(start);
        if (written != ob::kFileOk) {
            std::fprintf(stderr, "%s: %s\n", argv[3], ob::FileResultText(written));
            status = 1;
        } else {
            std::printf("save_seconds %.3f\n", saveSeconds);
        }
    }
    ob::DiscardWave(record);
    return status;
}
