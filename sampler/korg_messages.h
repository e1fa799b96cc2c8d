// Korg DSS-1 and DSM-1 system-exclusive messages: the two number encodings,
// the checksum, 12-bit sample packing, building the requests and dumps the
// editor sends, and reading the replies. Every reply is checked for its
// framing (F0, the maker id 42, the model id, F7 last) and for a size that
// holds every field read before any field is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ob {

using KorgBytes = std::vector<uint8_t>;

constexpr uint8_t kKorgId = 0x42;
constexpr uint8_t kDss1Model = 0x0B;
constexpr uint8_t kDsm1Model = 0x15;
constexpr size_t kKorgBufferBytes = 3000;  // out buffer, each in buffer, the saved parameters
constexpr uint32_t kKorgBlockSamples = 1000;
constexpr uint32_t kKorgMaxFrames = 261886;  // the most a sound can hold

// Function codes (byte 4).
enum KorgFunction : uint8_t {
    kKorgSelect = 0x11,
    kKorgModeRequestA = 0x13,
    kKorgModeRequestB = 0x12,
    kKorgPcmRequest = 0x14,
    kKorgParamRequest = 0x15,
    kKorgListRequest = 0x16,
    kKorgAck = 0x23,
    kKorgNak = 0x24,
    kKorgProgram = 0x41,
    kKorgMode = 0x42,
    kKorgPcmDump = 0x43,
    kKorgParamDump = 0x44,
    kKorgListOrName = 0x45,
};

// The model's wire layout.
struct KorgModel {
    bool dsm1;              // false: DSS-1
    uint8_t id;             // byte 3
    int numberBytes;        // 6 (19 bits) or 3 (21 bits)
    uint32_t numberLimit;   // the largest number the encoding carries
    size_t pcmHeader;       // bytes before the first sample of a PCM dump
    size_t soundStride;     // bytes of one sound entry of the parameters
    const char* caption;    // "DSS1 Message"
    const char* modelName;  // "DSS1"
};
const KorgModel& KorgModelOf(bool dsm1);

// Numbers: six bytes of up to 19 bits (DSS-1), three 7-bit bytes of up to 21
// bits, least significant first (DSM-1).
void EncodeDss1Number(uint32_t v, uint8_t out[6]);
uint32_t DecodeDss1Number(const uint8_t in[6]);
void EncodeDsm1Number(uint32_t v, uint8_t out[3]);
uint32_t DecodeDsm1Number(const uint8_t in[3]);
void EncodeKorgNumber(const KorgModel& m, uint32_t v, uint8_t* out);
uint32_t DecodeKorgNumber(const KorgModel& m, const uint8_t* in);

// The sum of bytes [from, end) AND 0x7F.
uint8_t KorgChecksum(const uint8_t* data, size_t from, size_t end);

// 12-bit samples in two bytes.
void PackKorgSample(float x, uint8_t out[2]);
float UnpackKorgSample(const uint8_t in[2]);

// ---- messages the editor sends (n: the channel byte 0..15) ----
KorgBytes KorgInquiry(uint8_t n);
// DSS-1: F0 42 3n 0B ff F7; DSM-1: F0 42 3n 15 ff bb F7.
KorgBytes KorgShortRequest(const KorgModel& m, uint8_t n, uint8_t function, uint8_t bank);
KorgBytes Dsm1ModeMessage(uint8_t n);
// mm: DSS-1 multisound - 1; DSM-1 the multisound byte.
KorgBytes KorgParamRequest(const KorgModel& m, uint8_t n, uint8_t mm);
KorgBytes KorgPcmRequest(const KorgModel& m, uint8_t n, uint8_t bank, uint32_t start, uint32_t end);
KorgBytes KorgPcmDump(const KorgModel& m, uint8_t n, uint8_t bank, uint32_t start, uint32_t end,
                      const float* samples, size_t count);
// The first `bytes` bytes of `block` (byte 2 set to 3n), the checksum from byte 5, F7.
KorgBytes KorgParamDump(uint8_t n, const KorgBytes& block, size_t bytes);
KorgBytes KorgNameMessage(const KorgModel& m, uint8_t n, uint8_t bank, const std::string& name,
                          uint32_t length);
KorgBytes Dss1Program(uint8_t n, uint8_t pp);
KorgBytes Dss1Select(uint8_t n, uint8_t qq);
// Eight characters, space padded; anything but printable ASCII is a space.
void KorgName(const std::string& name, uint8_t out[8]);

// ---- replies ----
// Framed as the model's message: F0 42 .. id .., F7 last, at least `minSize`.
bool KorgFramed(const KorgModel& m, const uint8_t* data, size_t size, size_t minSize = 6);
// The function code of a framed reply (byte 4), or -1 when not framed.
int KorgReplyFunction(const KorgModel& m, const uint8_t* data, size_t size);
// Device inquiry reply: F0 42 .. id .. F7, at least 5 bytes.
bool KorgInquiryReplyOk(const KorgModel& m, const uint8_t* data, size_t size);

struct KorgMultisoundEntry {
    char name[9] = {};
    uint32_t length = 0;
    uint32_t address = 0;  // DSM-1
};
// List reply: false when the message is not a list or too short for its count.
bool ParseKorgList(const KorgModel& m, const uint8_t* data, size_t size,
                   std::vector<KorgMultisoundEntry>& out);

struct KorgSoundEntry {
    uint8_t highKey = 0, rootKey = 0;
    uint32_t start = 0, length = 0, loopStart = 0, loopLength = 0;
    uint8_t rateCode = 0;
};
struct KorgParameters {
    char name[9] = {};
    int sounds = 0;
    bool loop = false;
    std::vector<KorgSoundEntry> entries;
};
bool ParseKorgParameters(const KorgModel& m, const uint8_t* data, size_t size, KorgParameters& out);
// The smallest parameter reply holding `sounds` sounds (F7 included).
size_t KorgParameterBytes(const KorgModel& m, int sounds);

// 0 = 32000, 1 = 24000, 2 = 16000, others 48000.
uint32_t KorgRateOfCode(uint8_t code);
// The rate code and the key-range value (limited to 0..127) of a send.
struct KorgRateChoice {
    uint8_t code;
    uint8_t keyRange;
};
KorgRateChoice KorgRateFor(uint32_t sampleRate, int high, int root);

// ---- editing the saved parameter reply for a send ----
struct KorgEdit {
    uint8_t multisoundByte = 0;  // byte 5
    int sound = 1;               // 1-based
    int sounds = 1;              // sounds of the multisound (the dump covers them all)
    uint8_t highKey = 127, rootKey = 60;
    KorgRateChoice rate{0, 0};
    uint32_t length = 0;      // samples sent
    uint32_t soundStart = 0;  // within the multisound
    uint32_t loopStart = 0;   // relative to the sound
    uint32_t loopLength = 0;
    bool newMultisound = false;
    uint8_t name[8] = {};
};
// Edits `block` (at least KorgParameterBytes for the sounds it names) in
// place; returns the bytes of the dump before its checksum.
size_t EditKorgParameters(const KorgModel& m, KorgBytes& block, const KorgEdit& e);

}  // namespace ob
