// SDS message building, sample packing and message classification.
#include "sampler/sds_messages.h"

#include <cmath>
#include <cstring>

namespace ob {

namespace {

void Put7x3(uint8_t* p, uint32_t v) {
    p[0] = v & 0x7F;
    p[1] = (v >> 7) & 0x7F;
    p[2] = (v >> 14) & 0x7F;
}

uint32_t Get7x3(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 7) | (uint32_t(p[2]) << 14);
}

}  // namespace

void BuildSdsHeader(uint8_t out[kSdsHeaderBytes], uint8_t cc, const SdsHeader& h) {
    out[0] = 0xF0;
    out[1] = 0x7E;
    out[2] = cc & 0x7F;
    out[3] = 0x01;
    out[4] = h.sampleNumber & 0x7F;
    out[5] = (h.sampleNumber >> 7) & 0x7F;
    out[6] = h.bits & 0x7F;
    Put7x3(out + 7, h.period);
    Put7x3(out + 10, h.length);
    Put7x3(out + 13, h.loopStart);
    Put7x3(out + 16, h.loopEnd);
    out[19] = h.loopType & 0x7F;
    out[20] = 0xF7;
}

void BuildSdsRequest(uint8_t out[kSdsRequestBytes], uint8_t cc, uint32_t sampleNumber) {
    const uint8_t bytes[kSdsRequestBytes] = {0xF0,
                                             0x7E,
                                             uint8_t(cc & 0x7F),
                                             0x03,
                                             uint8_t(sampleNumber & 0x7F),
                                             uint8_t((sampleNumber >> 7) & 0x7F),
                                             0xF7};
    std::memcpy(out, bytes, sizeof bytes);
}

void BuildSdsHandshake(uint8_t out[kSdsHandshakeBytes], uint8_t cc, uint8_t code, int32_t packet) {
    const uint8_t bytes[kSdsHandshakeBytes] = {
        0xF0, 0x7E, uint8_t(cc & 0x7F), uint8_t(code & 0x7F), uint8_t(packet & 0x7F), 0xF7};
    std::memcpy(out, bytes, sizeof bytes);
}

uint8_t SdsChecksum(const uint8_t* packet) {
    uint8_t sum = 0;
    for (size_t i = 1; i <= 124; ++i) sum ^= packet[i];
    return sum & 0x7F;
}

int16_t SdsSampleValue(float x) {
    double v = double(x) * 32767.0;
    if (!(v > -32768.0)) v = std::isnan(v) ? 0.0 : -32768.0;  // NaN is silence
    if (v > 32767.0) v = 32767.0;
    return int16_t(v);  // truncated toward zero
}

void PackSds16(float x, uint8_t out[3]) {
    uint16_t u = uint16_t(int32_t(SdsSampleValue(x)) + 32768);
    out[0] = (u >> 9) & 0x7F;
    out[1] = (u >> 2) & 0x7F;
    out[2] = (u << 5) & 0x60;
}

void PackSds12(float x, uint8_t out[2]) {
    int32_t v = SdsSampleValue(x);
    if (v >= 0)
        v = v <= 32759 ? v + 8 : 32767;
    else
        v = v >= -32760 ? v - 8 : -32768;
    uint16_t u = uint16_t(v + 32768);
    out[0] = (u >> 9) & 0x7F;
    out[1] = (u >> 2) & 0x7C;
}

float UnpackSds16(const uint8_t in[3]) {
    uint32_t u = (uint32_t(in[0]) << 9) + ((uint32_t(in[1]) << 2) & 0x1FC) + ((in[2] >> 5) & 3);
    return float((int32_t(u) - 32768) / 32768.0);
}

float UnpackSds12(const uint8_t in[2]) {
    uint32_t u = ((uint32_t(in[0]) << 9) & 0xFE00) | ((uint32_t(in[1]) << 2) & 0x1F0);
    return float((int32_t(u) - 32768) / 32768.0);
}

size_t SdsSamplesPerPacket(int32_t bits) {
    return bits > 14 ? 40 : 60;
}

void BuildSdsPacket(uint8_t out[kSdsPacketBytes], uint8_t cc, int32_t packet, const float* samples,
                    size_t count, int32_t bits) {
    std::memset(out, 0, kSdsPacketBytes);
    out[0] = 0xF0;
    out[1] = 0x7E;
    out[2] = cc & 0x7F;
    out[3] = 0x02;
    out[4] = packet & 0x7F;
    size_t capacity = SdsSamplesPerPacket(bits);
    if (count > capacity) count = capacity;
    uint8_t* p = out + 5;
    for (size_t i = 0; i < count; ++i) {
        if (bits > 14) {
            PackSds16(samples[i], p);
            p += 3;
        } else {
            PackSds12(samples[i], p);
            p += 2;
        }
    }
    out[125] = SdsChecksum(out);
    out[126] = 0xF7;
}

void UnpackSdsPacket(const uint8_t* packet, int32_t bits, float* out, size_t count) {
    size_t capacity = SdsSamplesPerPacket(bits);
    if (count > capacity) count = capacity;
    const uint8_t* p = packet + 5;
    for (size_t i = 0; i < count; ++i) {
        if (bits > 14) {
            out[i] = UnpackSds16(p);
            p += 3;
        } else {
            out[i] = UnpackSds12(p);
            p += 2;
        }
    }
}

SdsMessage ParseSdsMessage(const uint8_t* data, size_t size) {
    SdsMessage m;
    if (!data || size < 5 || data[0] != 0xF0 || data[size - 1] != 0xF7 || data[1] != 0x7E) return m;
    for (size_t i = 1; i + 1 < size; ++i)
        if (data[i] & 0x80) return m;
    m.channel = data[2];
    uint8_t sub = data[3];
    switch (sub) {
        case 0x01:
            if (size != kSdsHeaderBytes) return m;
            m.kind = kSdsHeaderMsg;
            m.header.sampleNumber = uint32_t(data[4]) | (uint32_t(data[5]) << 7);
            m.header.bits = data[6];
            m.header.period = Get7x3(data + 7);
            m.header.length = Get7x3(data + 10);
            m.header.loopStart = Get7x3(data + 13);
            m.header.loopEnd = Get7x3(data + 16);
            m.header.loopType = data[19];
            return m;
        case 0x02:
            if (size != kSdsPacketBytes) {
                m.kind = kSdsBadPacket;
                return m;
            }
            m.kind = kSdsPacketMsg;
            m.packet = data[4];
            m.checksumOk = SdsChecksum(data) == data[125];
            return m;
        case 0x03:
            if (size != kSdsRequestBytes) return m;
            m.kind = kSdsRequestMsg;
            m.header.sampleNumber = uint32_t(data[4]) | (uint32_t(data[5]) << 7);
            return m;
        case kSdsAck:
        case kSdsNak:
        case kSdsCancel:
        case kSdsWait:
            if (size != kSdsHandshakeBytes) return m;
            m.kind = kSdsHandshakeMsg;
            m.code = sub;
            m.packet = data[4];
            return m;
        default:
            return m;
    }
}

}  // namespace ob
