// Ensoniq EPS-family message layout, sample packing and parameter fields.
#include "sampler/ensoniq_messages.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace ob {

namespace {

const char* const kResponseTexts[] = {
    "Acknowledged",
    "Wait",
    "Insert system disk",
    "Invalid parameter number",
    "Invalid parameter value",
    "Invalid instrument",
    "Invalid layer",
    "Layer in use",
    "Invalid wavesample number",
    "Wavesample in use",
    "Invalid wave data range",
    "File not found",
    "Memory full",
    "Instrument in use",
    "No more layers",
    "No more wavesamples",
    "Error: Reserved Internal",
    "Wavesample is a copy",
    "Zone too large",
    "Sequencer must be stopped",
    "Sampler disk access in progress",
    "Sampler disk is full",
    "Loop is too long",
    "Not acknowledged",
    "No layer edit",
    "No pitch tables left",
    "Crossfade is zero",
    "Crossfade is greater than 50%",
    "LoopStart too close to Start",
    "LoopEnd too close to End",
    "Quiet layer",
};
constexpr int kLastResponseCode = 30;

void PutHead(uint8_t* out, uint8_t cc) {
    out[0] = 0xF0;
    out[1] = 0x0F;
    out[2] = 0x03;
    out[3] = cc & 0x0F;
}

void PutTarget(uint8_t* out, const EpsTarget& t, uint8_t command) {
    PutHead(out, t.cc);
    out[4] = command & 0x7F;
    out[5] = 0;
    out[6] = t.instrument & 0x7F;
    out[7] = 0;
    out[8] = t.layer & 0x7F;
    out[9] = (t.wavesample >> 6) & 63;
    out[10] = t.wavesample & 63;
}

}  // namespace

const char* EpsResponseText(int code) {
    if (code < 0 || code > kLastResponseCode) code = kEpsReservedInternal;
    return kResponseTexts[code];
}

void BuildEpsCommand(uint8_t out[kEpsCommandBytes], const EpsTarget& target, uint8_t command) {
    PutTarget(out, target, command);
    out[11] = 0xF7;
}

void BuildEpsRange(uint8_t out[kEpsRangeBytes], const EpsTarget& target, uint8_t command,
                   uint32_t start, uint32_t end) {
    PutTarget(out, target, command);
    PutEps24(out + 11, start);
    PutEps24(out + 15, end);
    out[19] = 0xF7;
}

void BuildEpsResponse(uint8_t out[kEpsResponseBytes], uint8_t cc, uint8_t code) {
    PutHead(out, cc);
    out[4] = kEpsResponse;
    out[5] = 0;
    out[6] = code & 0x7F;
    out[7] = 0xF7;
}

void BuildEpsMode(uint8_t out[kEpsModeBytes], uint8_t cc, uint8_t mode) {
    PutHead(out, cc);
    out[4] = kEpsMode;
    out[5] = 0;
    out[6] = mode & 0x7F;
    out[7] = 0xF7;
}

void PackEpsSample(float x, uint8_t out[3]) {
    double scaled = std::isnan(x) ? 0.0 : double(x) * 32767.0;
    if (scaled > 32767.0) scaled = 32767.0;
    if (scaled < -32768.0) scaled = -32768.0;
    auto v = uint16_t(int16_t(scaled));  // truncated toward zero
    out[0] = (v >> 12) & 15;
    out[1] = (v >> 6) & 63;
    out[2] = v & 63;
}

float UnpackEpsSample(const uint8_t in[3]) {
    auto u = uint16_t(((in[0] & 15) << 12) | ((in[1] & 63) << 6) | (in[2] & 63));
    return float(int16_t(u)) / 32768.0f;
}

void BuildEpsWaveData(uint8_t* out, uint8_t cc, const float* samples, uint32_t count) {
    PutHead(out, cc);
    for (uint32_t i = 0; i < count; ++i) PackEpsSample(samples[i], out + 4 + 3 * size_t(i));
    out[4 + 3 * size_t(count)] = 0xF7;
}

void UnpackEpsWaveData(const uint8_t* message, float* out, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) out[i] = UnpackEpsSample(message + 4 + 3 * size_t(i));
}

void PutEpsWord(uint8_t* at, uint16_t value) {
    at[0] = (value >> 12) & 15;
    at[1] = (value >> 6) & 63;
    at[2] = value & 63;
}

uint16_t GetEpsWord(const uint8_t* at) {
    return uint16_t(((at[0] & 15) << 12) | ((at[1] & 63) << 6) | (at[2] & 63));
}

void PutEpsByte(uint8_t* at, uint8_t value) {
    PutEpsWord(at, uint16_t(value << 8));
}

uint8_t GetEpsByte(const uint8_t* at) {
    return uint8_t(GetEpsWord(at) >> 8);
}

uint8_t GetEpsKey(const uint8_t* at) {
    return uint8_t(((at[0] << 4) & 127) | ((at[1] >> 2) & 15));
}

void PutEpsAddress(uint8_t* at, uint32_t v) {
    at[0] = (v >> 19) & 15;
    at[1] = (v >> 13) & 63;
    at[2] = 0;
    at[3] = (v >> 11) & 15;
    at[4] = (v >> 5) & 63;
    at[5] = 0;
    at[6] = (v >> 3) & 15;
    at[7] = (v << 3) & 63;
    at[8] = 0;
}

uint32_t GetEpsAddress(const uint8_t* at) {
    uint32_t high = ((uint32_t(at[0] & 15) << 6) | (at[1] & 63)) << 13;
    uint32_t middle = ((uint32_t(at[3] & 15) << 6) | (at[4] & 63)) << 5;
    uint32_t low = (uint32_t(at[6] & 15) << 3) | ((at[7] & 63) >> 3);
    return (high | middle | low) & kEpsMaxFrames;
}

void PutEps24(uint8_t* at, uint32_t v) {
    at[0] = (v >> 18) & 63;
    at[1] = (v >> 12) & 63;
    at[2] = (v >> 6) & 63;
    at[3] = v & 63;
}

uint32_t GetEps24(const uint8_t* at) {
    return (uint32_t(at[0] & 63) << 18) | (uint32_t(at[1] & 63) << 12) |
           (uint32_t(at[2] & 63) << 6) | (at[3] & 63);
}

void PutEpsName(uint8_t* block, const std::string& name) {
    for (size_t i = 0; i < kEpsNameChars; ++i) {
        auto c = uint8_t(i < name.size() ? name[i] : ' ');
        c = uint8_t(std::toupper(c));
        if (c < 0x20 || c > 0x7E) c = ' ';
        PutEpsByte(block + kEpsParamName + 3 * i, c);
    }
}

std::string GetEpsName(const uint8_t* block) {
    std::string name;
    for (size_t i = 0; i < kEpsNameChars; ++i) {
        char c = char(GetEpsByte(block + kEpsParamName + 3 * i));
        if (c == 0) break;
        name += c >= 0x20 && c <= 0x7E ? c : ' ';
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

bool EpsIsCopy(const uint8_t* block) {
    const uint8_t* m = block + kEpsParamCopyMarks;
    return m[1] >= 4 || (m[0] & 15) != 0 || (m[3] & 15) != 0 || m[4] > 3;
}

bool IsEpsMessage(const uint8_t* data, size_t size) {
    if (!data || size < 5 || data[0] != 0xF0 || data[1] != 0x0F || data[2] != 0x03 ||
        data[size - 1] != 0xF7)
        return false;
    for (size_t i = 1; i + 1 < size; ++i)
        if (data[i] & 0x80) return false;
    return true;
}

bool IsEpsResponse(const uint8_t* data, size_t size) {
    return size == kEpsResponseBytes && IsEpsMessage(data, size) && data[4] == kEpsResponse;
}

int EpsCommandOf(const uint8_t* data, size_t size) {
    return IsEpsMessage(data, size) && size > 5 ? data[4] : -1;
}

}  // namespace ob
