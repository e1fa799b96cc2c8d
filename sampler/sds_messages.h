// MIDI Sample Dump Standard messages: building the dump header, dump
// request, data packets and handshakes, packing samples at 12 and 16 bits,
// and classifying a received message. A received message is checked for its
// exact length, its end byte and the range of every data byte before any
// field is read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ob {

constexpr size_t kSdsHeaderBytes = 21;
constexpr size_t kSdsRequestBytes = 7;
constexpr size_t kSdsPacketBytes = 127;
constexpr size_t kSdsHandshakeBytes = 6;
constexpr size_t kSdsPacketDataBytes = 120;
constexpr size_t kSdsBufferBytes = 127;  // in and out buffer size of the SDS types

enum SdsHandshakeCode : uint8_t {
    kSdsAck = 0x7F,
    kSdsNak = 0x7E,
    kSdsCancel = 0x7D,
    kSdsWait = 0x7C,
};

struct SdsHeader {
    uint32_t sampleNumber = 0;  // 14 bits
    uint32_t bits = 16;
    uint32_t period = 0;  // nanoseconds, 21 bits
    uint32_t length = 0;  // samples, 21 bits
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    uint8_t loopType = 0;
};

// cc: the channel byte 0..15 (or 0x7F).
void BuildSdsHeader(uint8_t out[kSdsHeaderBytes], uint8_t cc, const SdsHeader& header);
void BuildSdsRequest(uint8_t out[kSdsRequestBytes], uint8_t cc, uint32_t sampleNumber);
void BuildSdsHandshake(uint8_t out[kSdsHandshakeBytes], uint8_t cc, uint8_t code, int32_t packet);
// A data packet carrying `count` samples (at most 60 at 12 bits, 40 at 16);
// the rest of the data bytes are 0.
void BuildSdsPacket(uint8_t out[kSdsPacketBytes], uint8_t cc, int32_t packet, const float* samples,
                    size_t count, int32_t bits);
// XOR of bytes 1..124, AND 0x7F.
uint8_t SdsChecksum(const uint8_t* packet);

// Sample packing. A float becomes v = x * 32767 clamped and truncated; 12 bit
// rounds v to 12 bits first.
int16_t SdsSampleValue(float x);
void PackSds16(float x, uint8_t out[3]);
void PackSds12(float x, uint8_t out[2]);
float UnpackSds16(const uint8_t in[3]);
float UnpackSds12(const uint8_t in[2]);
// Unpacks `count` samples from the packet's data bytes (count at most the
// packet's capacity).
void UnpackSdsPacket(const uint8_t* packet, int32_t bits, float* out, size_t count);
size_t SdsSamplesPerPacket(int32_t bits);

enum SdsMessageKind : int {
    kSdsForeign = 0,   // not a Sample Dump Standard message of the kinds below
    kSdsHeaderMsg,     // 21 bytes, sub-id 01
    kSdsRequestMsg,    // 7 bytes, sub-id 03
    kSdsPacketMsg,     // 127 bytes, sub-id 02
    kSdsBadPacket,     // sub-id 02 but the wrong length
    kSdsHandshakeMsg,  // 6 bytes, sub-id 7C..7F
};
struct SdsMessage {
    SdsMessageKind kind = kSdsForeign;
    uint8_t channel = 0;
    uint8_t code = 0;    // the handshake's sub-id
    int32_t packet = 0;  // packet number (packets and handshakes)
    bool checksumOk = false;
    SdsHeader header;  // kSdsHeaderMsg and kSdsRequestMsg (sample number)
};
SdsMessage ParseSdsMessage(const uint8_t* data, size_t size);

}  // namespace ob
