// The file device: an audio backend with one output device that writes what
// would play to a WAV file and one input device that records from a WAV file,
// both paced by an AudioClock (real time, or virtual for tests).
//
// Selected by ORBICK_AUDIO="file:OUT.wav[,IN.wav][,rates=44100|48000][,clock=virtual]".
// It takes only the listed rates (every rate from 100 to 200000 when none are
// listed), 1 or 2 channels, 16 bits or 24 bits in a 32-bit container. Each
// opening of the output starts OUT.wav anew (16-bit PCM, or 32-bit containers
// with 24 valid bits as WAVE_FORMAT_EXTENSIBLE); its header sizes are right
// after every drain and when the stream closes. The input plays IN.wav once
// (8, 16, 24 or 32-bit PCM or 32-bit float, mono or stereo) converted to the
// asked format, then reports its end.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/audio_clock.h"
#include "audio/audio_device.h"

namespace ob {

struct FileDeviceConfig {
    std::string outputPath;
    std::string inputPath;        // empty: no input device
    std::vector<uint32_t> rates;  // empty: every rate
    bool virtualClock = false;
};

// Parses the text after "file:"; false when it names no output file or an
// item is malformed.
bool ParseFileDeviceConfig(const std::string& text, FileDeviceConfig& config);

// `clock` null: the real clock, or a virtual one when the config asks for it.
std::unique_ptr<AudioBackend> MakeFileBackend(const FileDeviceConfig& config,
                                              std::shared_ptr<AudioClock> clock = nullptr);

}  // namespace ob
