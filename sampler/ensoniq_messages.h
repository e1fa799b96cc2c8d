// Ensoniq EPS-family system-exclusive messages: commands, range commands,
// responses and mode commands, the wave data message (three 4/6/6-bit bytes a
// sample), the fields of the 422-byte wavesample parameter block (16-bit
// words and 8-bit fields in three bytes, 23-bit addresses in nine) and the
// response texts. A received message is checked for its framing and its
// exact (or least) size before any field is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ob {

constexpr size_t kEpsBufferBytes = 3100;  // out buffer and the cap on received messages
constexpr size_t kEpsCommandBytes = 12;
constexpr size_t kEpsRangeBytes = 20;
constexpr size_t kEpsResponseBytes = 8;
constexpr size_t kEpsModeBytes = 8;
constexpr size_t kEpsParamBytes = 422;
constexpr uint32_t kEpsBlockSamples = 1000;
constexpr uint32_t kEpsMaxFrames = 0x7FFFFF;  // addresses carry 23 bits

// 3n + 5 bytes: F0 0F 03 cc, three bytes a sample, F7.
constexpr size_t EpsWaveDataBytes(uint32_t samples) {
    return size_t(samples) * 3 + 5;
}

enum EpsCommandCode : uint8_t {
    kEpsResponse = 1,
    kEpsGetParameters = 5,
    kEpsGetWaveData = 6,
    kEpsPutParameters = 14,
    kEpsPutWaveData = 15,
    kEpsCreateInstrument = 21,
    kEpsCreateLayer = 22,
    kEpsCreateWavesample = 25,
    kEpsMode = 0x40,
};
constexpr uint8_t kEpsModeAsr10 = 13;
constexpr uint8_t kEpsModeEps = 19;

enum EpsResponseCode : uint8_t {
    kEpsAcknowledged = 0,
    kEpsWait = 1,
    kEpsReservedInternal = 16,
    kEpsDiskAccess = 20,
};
// The text of a response code; codes above 30 read as 16.
const char* EpsResponseText(int code);

// Where a command points: the wire numbers (channel 0..15, instrument and
// layer 0..7, wavesample 1..127).
struct EpsTarget {
    uint8_t cc = 0;
    uint8_t instrument = 0;
    uint8_t layer = 0;
    uint8_t wavesample = 1;
};

void BuildEpsCommand(uint8_t out[kEpsCommandBytes], const EpsTarget& target, uint8_t command);
// Start and end are 24-bit addresses.
void BuildEpsRange(uint8_t out[kEpsRangeBytes], const EpsTarget& target, uint8_t command,
                   uint32_t start, uint32_t end);
void BuildEpsResponse(uint8_t out[kEpsResponseBytes], uint8_t cc, uint8_t code);
void BuildEpsMode(uint8_t out[kEpsModeBytes], uint8_t cc, uint8_t mode);
// The wave data message for `count` samples; out holds EpsWaveDataBytes(count).
void BuildEpsWaveData(uint8_t* out, uint8_t cc, const float* samples, uint32_t count);
// `count` samples from byte 4 on; the message holds at least EpsWaveDataBytes(count).
void UnpackEpsWaveData(const uint8_t* message, float* out, uint32_t count);

// One sample: v = x * 32767 clamped and truncated (NaN is 0), in three bytes.
void PackEpsSample(float x, uint8_t out[3]);
float UnpackEpsSample(const uint8_t in[3]);

// A 16-bit word in three bytes (bits 15..12, 11..6, 5..0); an 8-bit field is
// the word's high byte.
void PutEpsWord(uint8_t* at, uint16_t value);
uint16_t GetEpsWord(const uint8_t* at);
void PutEpsByte(uint8_t* at, uint8_t value);
uint8_t GetEpsByte(const uint8_t* at);
// A 7-bit field (keys): the 8-bit field limited to 0..127.
uint8_t GetEpsKey(const uint8_t* at);
// A 23-bit address in nine bytes.
void PutEpsAddress(uint8_t* at, uint32_t value);
uint32_t GetEpsAddress(const uint8_t* at);
// A 24-bit address in four 6-bit groups, most significant first.
void PutEps24(uint8_t* at, uint32_t value);
uint32_t GetEps24(const uint8_t* at);

// Offsets of the parameter block's fields.
enum EpsParamOffset : size_t {
    kEpsParamName = 4,  // 12 characters, three bytes each
    kEpsParamCopyMarks = 40,
    kEpsParamRootKey = 244,
    kEpsParamLoopMode = 347,
    kEpsParamWaveStart = 349,
    kEpsParamWaveEnd = 361,
    kEpsParamLoopStart = 373,
    kEpsParamLoopEnd = 385,
    kEpsParamRate = 397,
    kEpsParamLowKey = 400,
    kEpsParamHighKey = 403,
};
constexpr size_t kEpsNameChars = 12;
// Upper case, at most 12 characters, padded with spaces.
void PutEpsName(uint8_t* block, const std::string& name);
// Printable characters only; trailing spaces dropped.
std::string GetEpsName(const uint8_t* block);
// The copy marks say the wavesample is a copy of another.
bool EpsIsCopy(const uint8_t* block);

// A received message's framing: F0 0F 03 ... F7 with 7-bit data bytes.
bool IsEpsMessage(const uint8_t* data, size_t size);
// A response: exactly 8 bytes with command byte 1.
bool IsEpsResponse(const uint8_t* data, size_t size);
// The command byte of an Ensoniq message (byte 4), or -1 when it has none.
int EpsCommandOf(const uint8_t* data, size_t size);

}  // namespace ob
