// SMDI message layout, classes and the Sample Header.
#include "sampler/smdi_messages.h"

#include <algorithm>
#include <cstring>

namespace ob {

namespace {

struct ClassRow {
    uint16_t id, subId;
    int cls;
};
const ClassRow kClasses[] = {
    {0x0000, 0x0000, kSmdiNull},
    {0x0001, 0x0000, kSmdiMasterIdentify},
    {0x0001, 0x0001, kSmdiSlaveIdentify},
    {0x0002, 0x0000, kSmdiMessageReject},
    {0x0200, 0x0000, kSmdiClass18},
    {0x0100, 0x0000, kSmdiAck},
    {0x0101, 0x0000, kSmdiNak},
    {0x0102, 0x0000, kSmdiWait},
    {0x0103, 0x0000, kSmdiSendNextPacket},
    {0x0104, 0x0000, kSmdiEndOfProcedure},
    {0x0105, 0x0000, kSmdiAbortProcedure},
    {0x0110, 0x0000, kSmdiDataPacket},
    {0x0120, 0x0000, kSmdiSampleHeaderRequest},
    {0x0121, 0x0000, kSmdiSampleHeader},
    {0x0122, 0x0000, kSmdiBeginSampleTransfer},
    {0x0122, 0x0001, kSmdiBeginTransferAck},
    {0x0123, 0x0000, kSmdiClass16},
    {0x0124, 0x0000, kSmdiClass17},
};

const char* const kErrorTexts[] = {
    "No errors encountered",     "User breakout",           "Low level IO failure",
    "Message content failure",   "SCSI sampler is busy",    "Sampler rejected message",
    "Sampler aborted procedure", "Sampler engaged in work", "User abort of transfer",
};

uint32_t Get(const uint8_t* p, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

void Put(std::vector<uint8_t>& out, uint32_t v, int n) {
    for (int shift = 8 * (n - 1); shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void Head(std::vector<uint8_t>& out, uint16_t id, uint16_t subId, uint32_t length) {
    out.clear();
    out.insert(out.end(), {'S', 'M', 'D', 'I'});
    Put(out, id, 2);
    Put(out, subId, 2);
    Put(out, length & 0xFFFFFF, 3);
}

}  // namespace

int ClassifySmdi(const uint8_t* b, size_t size) {
    if (!b || size < kSmdiHeadBytes || std::memcmp(b, "SMDI", 4) != 0 || b[6] != 0) return 0;
    if (Get(b + 8, 3) > size - kSmdiHeadBytes) return 0;
    uint16_t id = uint16_t(Get(b + 4, 2)), subId = uint16_t(Get(b + 6, 2));
    for (const ClassRow& row : kClasses)
        if (row.id == id && row.subId == subId) return row.cls;
    return 0;
}

uint32_t SmdiNumber24(const uint8_t* b, size_t size, size_t offset) {
    return b && offset + 3 <= size ? Get(b + offset, 3) : 0;
}

uint8_t SmdiRejectCode(const uint8_t* b, size_t size) {
    return b && size > 12 ? b[12] : 0;
}

uint8_t SmdiRejectSubCode(const uint8_t* b, size_t size) {
    return b && size > 14 ? b[14] : 0;
}

size_t SmdiDataLength(const uint8_t* b, size_t size) {
    if (!b || size < kSmdiHeadBytes) return 0;
    return std::min<size_t>(Get(b + 8, 3), size - kSmdiHeadBytes);
}

void BuildSmdiMasterIdentify(std::vector<uint8_t>& out) {
    Head(out, 0x0001, 0x0000, 0);
}

void BuildSmdiAbortProcedure(std::vector<uint8_t>& out) {
    Head(out, 0x0105, 0x0000, 0);
}

void BuildSmdiHeaderRequest(std::vector<uint8_t>& out, uint32_t sample) {
    Head(out, 0x0120, 0x0000, 3);
    Put(out, sample, 3);
}

void BuildSmdiBeginTransfer(std::vector<uint8_t>& out, uint32_t sample, uint32_t packetLength) {
    Head(out, 0x0122, 0x0000, 6);
    Put(out, sample, 3);
    Put(out, packetLength, 3);
}

void BuildSmdiSendNextPacket(std::vector<uint8_t>& out, uint32_t packet) {
    Head(out, 0x0103, 0x0000, 3);
    Put(out, packet, 3);
}

void BuildSmdiDataPacket(std::vector<uint8_t>& out, uint32_t packet, const uint8_t* data,
                         size_t count) {
    Head(out, 0x0110, 0x0000, uint32_t(count + 3));
    Put(out, packet, 3);
    out.insert(out.end(), data, data + count);
}

void BuildSmdiSampleHeader(std::vector<uint8_t>& out, const SmdiSampleHeader& h) {
    size_t nameLength = std::min<size_t>(h.name.size(), 255);
    Head(out, 0x0121, 0x0000, uint32_t(nameLength + 26));
    Put(out, h.sample, 3);
    out.push_back(h.bits);
    out.push_back(h.channels);
    Put(out, h.period, 3);
    Put(out, h.length, 4);
    Put(out, h.loopStart, 4);
    Put(out, h.loopEnd, 4);
    out.push_back(h.loopControl);
    Put(out, h.pitch, 2);
    Put(out, h.fraction, 2);
    out.push_back(uint8_t(nameLength));
    out.insert(out.end(), h.name.begin(), h.name.begin() + ptrdiff_t(nameLength));
    out.push_back(0);
}

bool ParseSmdiSampleHeader(const uint8_t* b, size_t size, SmdiSampleHeader& h) {
    // Only the bytes both received and inside the length field count.
    size_t end = kSmdiHeadBytes + SmdiDataLength(b, size);
    if (end < 37) return false;
    size_t nameLength = std::min<size_t>(b[36], kSmdiMaxName);
    if (37 + nameLength > end) return false;
    h.sample = Get(b + 11, 3);
    h.bits = b[14];
    h.channels = b[15];
    h.period = Get(b + 16, 3);
    h.length = Get(b + 19, 4);
    h.loopStart = Get(b + 23, 4);
    h.loopEnd = Get(b + 27, 4);
    h.loopControl = b[31];
    h.pitch = uint16_t(Get(b + 32, 2));
    h.fraction = uint16_t(Get(b + 34, 2));
    const char* name = reinterpret_cast<const char*>(b + 37);
    h.name.assign(name, strnlen(name, nameLength));
    return true;
}

const char* SmdiErrorText(int code) {
    if (code < 0 || code > kSmdiUserAbort) return "Message content failure";
    return kErrorTexts[code];
}

}  // namespace ob
