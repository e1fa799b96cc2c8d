// WAV (RIFF WAVE) files: the reader and the writer with the fmt, data, inst,
// smpl, cue, LIST/adtl and LIST/INFO chunks, and the WAV options bits.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

// WAV options: which optional chunks the writer adds.
enum WavOptionBits : uint32_t {
    kWavOptionInst = 1,  // inst: key map and fine tune
    kWavOptionSmpl = 2,  // smpl: loops (and key root, fine tune)
    kWavOptionCue = 4,   // cue with LIST/adtl: markers and their names
    kWavOptionName = 8,  // LIST/INFO with INAM and ISFT: the wave's name
    kWavOptionsAll = 15,
};

struct WaveReadResult {
    int result = 0;           // file result code (wave/file_result.h)
    bool recognised = false;  // the file is RIFF WAVE: report failures, do not try other readers
    int formatCode = -1;      // 5, 6, 19 or 17 from the fmt chunk
};

// Reads a WAV file into `record`, which should hold no wave (one that does is
// discarded first). On success the record holds the wave with its rate, loops,
// markers, key map, fine tune and name; loops and markers are tidied, viewSpan
// is frameCount and the changed flag is clear. The caller sets sourceFormat,
// filePath and the overview. On failure the record holds no samples.
WaveReadResult ReadWave(const std::string& path, WaveRecord& record);

// Writes the record as a WAV file of `bits` (up to 8 -> 8, up to 16 -> 16, up
// to 24 -> 24, more -> 32 float) with the chunks `options` selects. The file
// is written under a temporary name and renamed over `path` only when complete.
// Results: 0, 5 (cannot create), 7 (write failed, or the file would pass the
// 4 GiB RIFF limit), 9 (no memory), 12 (no wave).
int WriteWave(const std::string& path, const WaveRecord& record, int bits, uint32_t options);

// Bits the writer uses for a requested depth: 8, 16, 24 or 32.
int WaveBitsFor(int bits);

}  // namespace ob
