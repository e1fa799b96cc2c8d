// Korg DSS-1 and DSM-1 messages: encodings, packing, building and reading.
#include "sampler/korg_messages.h"

#include <algorithm>
#include <cmath>

namespace ob {

namespace {

const KorgModel kDss1{false, kDss1Model, 6, (1u << 19) - 1, 17, 36, "DSS1 Message", "DSS1"};
const KorgModel kDsm1{true, kDsm1Model, 3, (1u << 21) - 1, 12, 18, "DSM1 Message", "DSM1"};

uint8_t Channel3(uint8_t n) {
    return uint8_t(0x30 | (n & 0x0F));
}

// Bytes 0..4 (and the DSM-1's bank byte) of a message.
KorgBytes Head(const KorgModel& m, uint8_t n, uint8_t function) {
    return {0xF0, kKorgId, Channel3(n), m.id, function};
}

void AppendNumber(const KorgModel& m, KorgBytes& out, uint32_t v) {
    uint8_t b[6];
    EncodeKorgNumber(m, v, b);
    out.insert(out.end(), b, b + m.numberBytes);
}

void Finish(KorgBytes& out) {
    out.push_back(KorgChecksum(out.data(), 5, out.size()));
    out.push_back(0xF7);
}

void PutNumber(const KorgModel& m, KorgBytes& block, size_t at, uint32_t v) {
    EncodeKorgNumber(m, v, block.data() + at);
}

}  // namespace

const KorgModel& KorgModelOf(bool dsm1) {
    return dsm1 ? kDsm1 : kDss1;
}

void EncodeDss1Number(uint32_t v, uint8_t out[6]) {
    out[0] = uint8_t((v & 0xFF) >> 1);
    out[1] = uint8_t((v << 6) & 0x40);
    out[2] = uint8_t((v >> 9) & 0x7F);
    out[3] = uint8_t((v >> 2) & 0x40);
    out[4] = uint8_t((v >> 17) & 3);
    out[5] = uint8_t((v >> 10) & 0x40);
}

uint32_t DecodeDss1Number(const uint8_t in[6]) {
    return 2u * (in[0] & 0x7F) + (in[1] ? 1u : 0u) + 512u * (in[2] & 0x7F) + (in[3] ? 256u : 0u) +
           (in[5] ? 65536u : 0u) + 131072u * (in[4] & 3);
}

void EncodeDsm1Number(uint32_t v, uint8_t out[3]) {
    out[0] = uint8_t(v & 0x7F);
    out[1] = uint8_t((v >> 7) & 0x7F);
    out[2] = uint8_t((v >> 14) & 0x7F);
}

uint32_t DecodeDsm1Number(const uint8_t in[3]) {
    return uint32_t(in[0] & 0x7F) + 128u * (in[1] & 0x7F) + 16384u * (in[2] & 0x7F);
}

void EncodeKorgNumber(const KorgModel& m, uint32_t v, uint8_t* out) {
    if (m.dsm1)
        EncodeDsm1Number(v, out);
    else
        EncodeDss1Number(v, out);
}

uint32_t DecodeKorgNumber(const KorgModel& m, const uint8_t* in) {
    return m.dsm1 ? DecodeDsm1Number(in) : DecodeDss1Number(in);
}

uint8_t KorgChecksum(const uint8_t* data, size_t from, size_t end) {
    unsigned sum = 0;
    for (size_t i = from; i < end; ++i) sum += data[i];
    return uint8_t(sum & 0x7F);
}

void PackKorgSample(float x, uint8_t out[2]) {
    // Clamped to full scale first (NaN is silence), then truncated.
    float c = std::isnan(x) ? 0.0f : std::clamp(x, -1.0f, 1.0f);
    auto v = int32_t(c * 32767.0f);
    auto u = uint16_t(v + 32768);
    out[0] = uint8_t((u >> 2) & 0x7C);
    out[1] = uint8_t(u >> 9);
}

float UnpackKorgSample(const uint8_t in[2]) {
    uint32_t u = (uint32_t(in[1] & 0x7F) << 9) | (uint32_t(in[0] & 0x7F) << 2);
    return float(int32_t(u) - 32768) / 32768.0f;
}

KorgBytes KorgInquiry(uint8_t n) {
    return {0xF0, kKorgId, uint8_t(0x40 | (n & 0x0F)), 0xF7};
}

KorgBytes KorgShortRequest(const KorgModel& m, uint8_t n, uint8_t function, uint8_t bank) {
    KorgBytes out = Head(m, n, function);
    if (m.dsm1) out.push_back(bank & 0x7F);
    out.push_back(0xF7);
    return out;
}

KorgBytes Dsm1ModeMessage(uint8_t n) {
    KorgBytes out = Head(kDsm1, n, kKorgMode);
    out.insert(out.end(), {0, 0, 0, 0, 0xF7});
    return out;
}

KorgBytes KorgParamRequest(const KorgModel& m, uint8_t n, uint8_t mm) {
    KorgBytes out = Head(m, n, kKorgParamRequest);
    out.push_back(mm & 0x7F);
    out.push_back(0xF7);
    return out;
}

KorgBytes KorgPcmRequest(const KorgModel& m, uint8_t n, uint8_t bank, uint32_t start,
                         uint32_t end) {
    KorgBytes out = Head(m, n, kKorgPcmRequest);
    if (m.dsm1) out.push_back(bank & 0x7F);
    AppendNumber(m, out, start);
    AppendNumber(m, out, end);
    out.push_back(0xF7);
    return out;
}

KorgBytes KorgPcmDump(const KorgModel& m, uint8_t n, uint8_t bank, uint32_t start, uint32_t end,
                      const float* samples, size_t count) {
    KorgBytes out = Head(m, n, kKorgPcmDump);
    if (m.dsm1) out.push_back(bank & 0x7F);
    AppendNumber(m, out, start);
    AppendNumber(m, out, end);
    out.reserve(out.size() + 2 * count + 2);
    for (size_t i = 0; i < count; ++i) {
        uint8_t b[2];
        PackKorgSample(samples[i], b);
        out.push_back(b[0]);
        out.push_back(b[1]);
    }
    Finish(out);
    return out;
}

KorgBytes KorgParamDump(uint8_t n, const KorgBytes& block, size_t bytes) {
    KorgBytes out(block.begin(), block.begin() + std::min(bytes, block.size()));
    if (out.size() > 4) {
        out[0] = 0xF0;
        out[1] = kKorgId;
        out[2] = Channel3(n);
        out[4] = kKorgParamDump;
    }
    for (size_t i = 1; i < out.size(); ++i) out[i] &= 0x7F;
    Finish(out);
    return out;
}

void KorgName(const std::string& name, uint8_t out[8]) {
    for (size_t i = 0; i < 8; ++i) {
        unsigned char ch = i < name.size() ? static_cast<unsigned char>(name[i]) : ' ';
        out[i] = ch >= 0x20 && ch < 0x7F ? ch : ' ';
    }
}

KorgBytes KorgNameMessage(const KorgModel& m, uint8_t n, uint8_t bank, const std::string& name,
                          uint32_t length) {
    KorgBytes out = Head(m, n, kKorgListOrName);
    if (m.dsm1) out.push_back(bank & 0x7F);
    out.push_back(0x01);
    uint8_t chars[8];
    KorgName(name, chars);
    out.insert(out.end(), chars, chars + 8);
    AppendNumber(m, out, length);
    if (m.dsm1) out.insert(out.end(), {0, 0, 0});
    Finish(out);
    return out;
}

KorgBytes Dss1Program(uint8_t n, uint8_t pp) {
    KorgBytes out = Head(kDss1, n, kKorgProgram);
    out.insert(out.end(), {uint8_t(pp & 0x7F), 0x00, 0xF7});
    return out;
}

KorgBytes Dss1Select(uint8_t n, uint8_t qq) {
    KorgBytes out = Head(kDss1, n, kKorgSelect);
    out.push_back(qq & 0x7F);
    out.push_back(0xF7);
    return out;
}

bool KorgFramed(const KorgModel& m, const uint8_t* data, size_t size, size_t minSize) {
    if (!data || size < std::max<size_t>(minSize, 5)) return false;
    return data[0] == 0xF0 && data[1] == kKorgId && data[3] == m.id && data[size - 1] == 0xF7;
}

int KorgReplyFunction(const KorgModel& m, const uint8_t* data, size_t size) {
    return KorgFramed(m, data, size, 6) ? data[4] : -1;
}

bool KorgInquiryReplyOk(const KorgModel& m, const uint8_t* data, size_t size) {
    return KorgFramed(m, data, size, 5);
}

bool ParseKorgList(const KorgModel& m, const uint8_t* data, size_t size,
                   std::vector<KorgMultisoundEntry>& out) {
    out.clear();
    const size_t countAt = m.dsm1 ? 6 : 5;
    if (KorgReplyFunction(m, data, size) != kKorgListOrName || size < countAt + 2) return false;
    const size_t count = data[countAt];
    if (size < 14 * count + (m.dsm1 ? 8 : 7)) return false;
    for (size_t k = 1; k <= count; ++k) {
        KorgMultisoundEntry e;
        const size_t nameAt = 14 * (k - 1) + (m.dsm1 ? 7 : 6);
        for (size_t i = 0; i < 8; ++i) {
            uint8_t ch = data[nameAt + i];
            e.name[i] = ch >= 0x20 && ch < 0x7F ? char(ch) : ' ';
        }
        if (m.dsm1) {
            e.length = DecodeDsm1Number(data + 14 * k + 1);
            e.address = DecodeDsm1Number(data + 14 * k + 4);
        } else {
            e.length = DecodeDss1Number(data + 14 * k);
        }
        out.push_back(e);
    }
    return true;
}

size_t KorgParameterBytes(const KorgModel& m, int sounds) {
    return m.dsm1 ? 18 * size_t(sounds) + 20 : 36 * size_t(sounds) + 23;
}

bool ParseKorgParameters(const KorgModel& m, const uint8_t* data, size_t size,
                         KorgParameters& out) {
    out = KorgParameters();
    const size_t countAt = m.dsm1 ? 17 : 20;
    if (KorgReplyFunction(m, data, size) != kKorgParamDump || size < countAt + 3) return false;
    for (size_t i = 0; i < 8; ++i) {
        uint8_t ch = data[6 + i];
        out.name[i] = ch >= 0x20 && ch < 0x7F ? char(ch) : ' ';
    }
    out.sounds = data[countAt] & 0x3F;
    out.loop = !m.dsm1 && (data[countAt] & 0xC0) != 0;
    if (size < KorgParameterBytes(m, out.sounds)) return false;
    for (int s = 1; s <= out.sounds; ++s) {
        KorgSoundEntry e;
        const size_t b = m.soundStride * size_t(s - 1);
        if (m.dsm1) {
            e.highKey = data[b + 19];
            e.rootKey = data[b + 20];
            e.length = DecodeDsm1Number(data + b + 24);
            e.start = DecodeDsm1Number(data + b + 27);
            e.loopStart = DecodeDsm1Number(data + b + 30);
            e.loopLength = DecodeDsm1Number(data + b + 33);
            e.rateCode = data[b + 36] & 31;
        } else {
            e.highKey = data[b + 22];
            e.rootKey = data[b + 23];
            e.start = DecodeDss1Number(data + b + 33);
            e.length = DecodeDss1Number(data + b + 39);
            e.loopStart = DecodeDss1Number(data + b + 45);
            e.loopLength = DecodeDss1Number(data + b + 51);
            e.rateCode = data[b + 57] & 31;
        }
        out.entries.push_back(e);
    }
    return true;
}

uint32_t KorgRateOfCode(uint8_t code) {
    switch (code & 31) {
        case 0:
            return 32000;
        case 1:
            return 24000;
        case 2:
            return 16000;
        default:
            return 48000;
    }
}

KorgRateChoice KorgRateFor(uint32_t rate, int high, int root) {
    int code, value;
    if (rate < 20000) {
        code = 2;
        value = high - root - 12;
    } else if (rate < 28000) {
        code = 1;
        value = high - root - 7;
    } else if (rate >= 40000) {
        code = 3;
        value = high - root + 5;
    } else {
        code = 0;
        value = high - root;
    }
    return {uint8_t(code), uint8_t(std::clamp(value, 0, 127))};
}

size_t EditKorgParameters(const KorgModel& m, KorgBytes& block, const KorgEdit& e) {
    const int sounds = e.newMultisound ? 1 : std::max(e.sounds, e.sound);
    const size_t bytes = KorgParameterBytes(m, std::max(sounds, e.sound)) - 1;
    if (block.size() < bytes) block.resize(bytes, 0);
    const size_t b = m.soundStride * size_t(e.sound - 1);
    block[5] = e.multisoundByte & 0x7F;
    if (m.dsm1) {
        if (e.newMultisound) {
            std::copy(e.name, e.name + 8, block.begin() + 6);
            block[17] = 1;
            block[18] = e.rate.keyRange;
            PutNumber(m, block, 14, e.length);
            block[b + 21] = 0x00;
            block[b + 22] = 0x40;
            block[b + 23] = 0x40;
            PutNumber(m, block, b + 24, e.length);
            PutNumber(m, block, b + 27, 0);
        }
        block[b + 19] = e.highKey;
        block[b + 20] = e.rootKey;
        PutNumber(m, block, b + 30, e.loopStart + e.soundStart);
        PutNumber(m, block, b + 33, e.loopLength);
        block[b + 36] = uint8_t((block[b + 36] & 0x60) | e.rate.code);
    } else {
        if (e.newMultisound) {
            std::copy(e.name, e.name + 8, block.begin() + 6);
            block[20] = 0x41;
            block[21] = e.rate.keyRange;
            PutNumber(m, block, 14, e.length);
            block[24] = 0x00;
            block[25] = 0x40;
            block[26] = 0x40;
            PutNumber(m, block, b + 27, e.length);
            PutNumber(m, block, b + 33, 0);
        }
        block[b + 22] = e.highKey;
        block[b + 23] = e.rootKey;
        PutNumber(m, block, b + 39, e.length);
        PutNumber(m, block, b + 45, e.loopStart + e.soundStart);
        PutNumber(m, block, b + 51, e.loopLength);
        block[b + 57] = uint8_t((block[b + 57] & 0x60) | e.rate.code);
    }
    // The dump covers all sounds of the multisound (one for a new one).
    return KorgParameterBytes(m, sounds) - 1;
}

}  // namespace ob
