// RealAudio export. The encoder is a separate library loaded at run time with
// dlopen from the path in gRealAudioEncoderLibrary (a setting); it owns the
// compressed format and writes the file. This side checks the rate and the
// channels, feeds 16-bit PCM and pads the last buffer. Without a library the
// export reports that no encoder is installed and fails. There is no reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_record.h"

namespace ob {

class SoundIoUi;

// Path of the encoder library; empty means none is installed.
extern std::string gRealAudioEncoderLibrary;

// The input format handed to the encoder: tag 1, rate, 16 bits, channels.
struct RealAudioInputFormat {
    uint16_t formatTag;
    uint32_t sampleRate;
    uint16_t bitsPerSample;
    uint16_t channels;
};

// The encoder library's entry points (exported under these names with the
// "RAenc_" prefix, C calling convention).
struct RealAudioEncoder {
    int (*PackageInit)(int version);
    uint32_t (*ProductVersion)();
    void* (*Create)();
    int (*GetNumFlavors)(void* handle);
    int (*GetFlavorByIndex)(void* handle, int index, uint32_t* flavor);
    // Property 0: the flavor's name; property 2: its format, whose fifth
    // 16-bit field is the channel count.
    int (*GetFlavorProperty)(void* handle, uint32_t flavor, int property, const void** data,
                             uint32_t* length);
    int (*InitializeEncoder)(void* handle, uint32_t flavor, const RealAudioInputFormat* format);
    int (*SetDestination)(void* handle, int destination);
    int (*SetOutputFile)(void* handle, const char* path);
    int (*GetBufferSizes)(void* handle, uint32_t* inputBytes, uint32_t* secondSize, int* resamples);
    int (*Title)(void* handle, const char* text);
    int (*Author)(void* handle, const char* text);
    int (*Copyright)(void* handle, const char* text);
    int (*SelRecBit)(void* handle, int on);
    int (*PerfPlayBit)(void* handle, int on);
    int (*Start)(void* handle);
    int (*Encode)(void* handle, const void* buffer, uint32_t bytes, int reserved1,
                  uint32_t* outValue, int reserved2, uint32_t* inOutBytes);
    int (*Done)(void* handle);
    int (*Destroy)(void* handle);
    void (*PackageRelease)();
};

// Loads the library at `path` and resolves every entry point. False when the
// path is empty, the library cannot be loaded or lacks an entry point.
bool LoadRealAudioEncoder(const std::string& path, RealAudioEncoder& encoder);

// What the export dialog shows and collects.
struct RealAudioExportParams {
    std::string versionLine;               // "Encoder Version: a.b.c.d"
    std::vector<std::string> flavorNames;  // the flavor list, by index
    int flavorIndex = 0;                   // the selected flavor
    std::string title, author, copyright;  // at most 259 characters each are passed
    bool selectiveRecord = false;          // RAenc_SelRecBit
    bool perfectPlay = false;              // RAenc_PerfPlayBit
};

// The rate the encoder is given for a wave at `hz` (one off a common rate
// counts as that rate, 7999 and 8001 as 8000): 44100, 22050, 11025 or 8000,
// else 0 (refused).
uint32_t RealAudioInputRate(uint32_t hz);

// The whole export with the encoder of gRealAudioEncoderLibrary, or with
// `encoder` when given (tests). Returns 0 only when every buffer was encoded
// and the file was completed; every failure is reported through `ui` with the
// record's title as caption. The file is written under a temporary name and
// renamed over `path` on success.
int ExportRealAudio(const std::string& path, const WaveRecord& record, SoundIoUi& ui,
                    const RealAudioEncoder* encoder = nullptr);

}  // namespace ob
