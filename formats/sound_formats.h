// The readers and writers of every sound file format but WAV (formats/wav.h):
// AIFF, 8SVX, AU, Sound Designer 1, Studio 16 V3, VOC, RAW and text import.
// Each lives in its own source. Readers expect a record that holds no wave;
// on failure they leave it without one. Writers take a record that holds a
// wave and never overwrite the target in place (safe save).
#pragma once

#include <cstdint>
#include <string>

#include "formats/format_common.h"

namespace ob {

class SoundIoUi;

// AIFF (formats/aiff.cpp): reads 8, 16, 24 and 32-bit integer samples; writes
// 16 or 24 bits. Format code 0 below 24 bits, 18 otherwise.
ReadOutcome ReadAiff(const std::string& path, WaveRecord& record);
int WriteAiff(const std::string& path, const WaveRecord& record, int bits);
// The 80-bit extended sample rate of COMM.
void EncodeAiffRate(uint32_t hz, uint8_t out[10]);
uint32_t DecodeAiffRate(const uint8_t in[10]);

// IFF 8SVX (formats/svx8.cpp), format code 3.
ReadOutcome Read8svx(const std::string& path, WaveRecord& record);
int Write8svx(const std::string& path, const WaveRecord& record);

// AU (formats/au.cpp), format code 14.
ReadOutcome ReadAu(const std::string& path, WaveRecord& record);
int WriteAu(const std::string& path, const WaveRecord& record);

// Sound Designer 1 (formats/sd1.cpp), format code 2.
ReadOutcome ReadSd1(const std::string& path, WaveRecord& record);
int WriteSd1(const std::string& path, const WaveRecord& record);

// Studio 16 V3 (formats/studio16.cpp), format code 13.
ReadOutcome ReadS16(const std::string& path, WaveRecord& record);
int WriteS16(const std::string& path, const WaveRecord& record);

// VOC (formats/voc.cpp), format code 15.
ReadOutcome ReadVoc(const std::string& path, WaveRecord& record);
int WriteVoc(const std::string& path, const WaveRecord& record);

// RAW (formats/raw.cpp): codes 7..12; any other code means 8. For the
// 16-bit kinds an odd file size asks `ui` whether to skip the first byte
// (no ui: the first byte is kept). The reader always sets `recognised`.
ReadOutcome ReadRaw(const std::string& path, WaveRecord& record, int code, SoundIoUi* ui = nullptr);
int WriteRaw(const std::string& path, const WaveRecord& record, int code);
// The code ReadRaw and WriteRaw really use for `code`.
int EffectiveRawCode(int code);

// Text import (formats/text_import.cpp): format code 21 (one column) or 22
// (two columns). Interactive imports tell `ui` when the rate was reduced.
constexpr int kFormatText1 = 21;
constexpr int kFormatText2 = 22;
ReadOutcome ReadText(const std::string& path, WaveRecord& record, bool interactive,
                     SoundIoUi* ui = nullptr);

}  // namespace ob
