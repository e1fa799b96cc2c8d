// Fuzz target for the WAV reader: the input becomes an in-memory file that
// ReadWave opens by its /proc path; whatever it loads is released again.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/wav.h"
#include "wave/wave_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int fd = memfd_create("wav_reader", 0);
    if (fd < 0) return 0;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    if (done == size) {
        ob::WaveRecord record;
        ob::WaveReadResult result = ob::ReadWave("/proc/self/fd/" + std::to_string(fd), record);
        // A failed load keeps no samples; a successful one holds a consistent wave.
        if (result.result != 0 && record.leftSamples) __builtin_trap();
        if (result.result == 0 && (!record.leftSamples || record.frameCount == 0)) __builtin_trap();
        ob::DiscardWave(record);
    }
    close(fd);
    return 0;
}
