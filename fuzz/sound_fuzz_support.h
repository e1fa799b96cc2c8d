// Shared by the sound reader fuzz targets: the input becomes an in-memory
// file that the reader opens by its /proc path; a failed load must leave no
// samples, a successful one a consistent wave, which is then released.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "formats/format_common.h"
#include "wave/wave_record.h"

namespace ob::fuzz {

template <typename Read>
void RunReader(const uint8_t* data, size_t size, Read read) {
    int fd = memfd_create("sound_reader", 0);
    if (fd < 0) return;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    if (done == size) {
        WaveRecord record;
        int result = read("/proc/self/fd/" + std::to_string(fd), record);
        if (result != 0 && record.leftSamples) __builtin_trap();
        if (result == 0 && (!record.leftSamples || record.frameCount == 0)) __builtin_trap();
        if (result == 0) {
            // Every loop and marker the reader made is addressable after a tidy.
            TidyLoopsAndMarkers(record);
            for (const LoopNode* l = record.loops; l; l = l->next)
                if (l->start >= l->end || l->end >= record.frameCount) __builtin_trap();
            for (const MarkerNode* m = record.markers; m; m = m->next)
                if (m->position >= record.frameCount) __builtin_trap();
        }
        DiscardWave(record);
    }
    close(fd);
}

}  // namespace ob::fuzz
