// SMDI messages: the layout ("SMDI", id, sub-id, 24-bit length, data; all
// numbers big-endian), the classes a reply is sorted into, the messages the
// editor sends, the Sample Header both ways, and the texts of the exchange
// error codes. Every parser reads only the bytes it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ob {

// Reply classes.
enum SmdiClass : int {
    kSmdiUnknown = 0,
    kSmdiNull = 1,
    kSmdiMasterIdentify = 2,
    kSmdiSlaveIdentify = 3,
    kSmdiMessageReject = 4,
    kSmdiAck = 5,
    kSmdiNak = 6,
    kSmdiWait = 7,
    kSmdiSendNextPacket = 8,
    kSmdiEndOfProcedure = 9,
    kSmdiAbortProcedure = 10,
    kSmdiDataPacket = 11,
    kSmdiSampleHeaderRequest = 12,
    kSmdiSampleHeader = 13,
    kSmdiBeginSampleTransfer = 14,
    kSmdiBeginTransferAck = 15,
    kSmdiClass16 = 16,  // recognised, not used
    kSmdiClass17 = 17,
    kSmdiClass18 = 18,
};

constexpr size_t kSmdiHeadBytes = 11;             // "SMDI", id, sub-id, length
constexpr size_t kSmdiBufferBytes = 65536 + 128;  // one message or reply
constexpr uint32_t kSmdiMaxPacket = 65536;
constexpr size_t kSmdiMaxName = 74;  // name bytes taken from a received header

// The class of a received reply: class 0 when it is shorter than the head,
// its magic is not "SMDI", byte 6 is not 0, its length field passes the bytes
// received or its id and sub-id are unknown.
int ClassifySmdi(const uint8_t* bytes, size_t size);
// The 24-bit number at `offset`; 0 when the bytes end before it.
uint32_t SmdiNumber24(const uint8_t* bytes, size_t size, size_t offset);
// Low bytes of a Message Reject's code and sub-code (offsets 12 and 14; 0 when absent).
uint8_t SmdiRejectCode(const uint8_t* bytes, size_t size);
uint8_t SmdiRejectSubCode(const uint8_t* bytes, size_t size);
// The data bytes of a message: from offset 11, as far as both the length
// field and the received bytes reach. Empty for a message under 11 bytes.
size_t SmdiDataLength(const uint8_t* bytes, size_t size);

// Messages the editor sends (each appended to `out`, which is cleared first).
void BuildSmdiMasterIdentify(std::vector<uint8_t>& out);
void BuildSmdiAbortProcedure(std::vector<uint8_t>& out);
void BuildSmdiHeaderRequest(std::vector<uint8_t>& out, uint32_t sample);
void BuildSmdiBeginTransfer(std::vector<uint8_t>& out, uint32_t sample, uint32_t packetLength);
void BuildSmdiSendNextPacket(std::vector<uint8_t>& out, uint32_t packet);
// Data Packet: length field = data bytes + 3, then the packet number and the data.
void BuildSmdiDataPacket(std::vector<uint8_t>& out, uint32_t packet, const uint8_t* data,
                         size_t count);

struct SmdiSampleHeader {
    uint32_t sample = 0;
    uint8_t bits = 16;
    uint8_t channels = 1;
    uint32_t period = 0;  // nanoseconds, 24 bits
    uint32_t length = 0;  // frames
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    uint8_t loopControl = 0;
    uint16_t pitch = 0;
    uint16_t fraction = 0;
    std::string name;
};
// The Sample Header as sent: length field = name length + 26, the name and a
// NUL after it (name cut to 255 bytes).
void BuildSmdiSampleHeader(std::vector<uint8_t>& out, const SmdiSampleHeader& header);
// A received Sample Header (class 13 checked by the caller). False when the
// bytes received (and its length field) do not hold the fields and the name
// (37 + name length, the name length taken after cutting it to 74).
bool ParseSmdiSampleHeader(const uint8_t* bytes, size_t size, SmdiSampleHeader& header);

// Codes of one message exchange and their texts ("No errors encountered" ...).
enum SmdiError : int {
    kSmdiNoError = 0,
    kSmdiUserBreak = 1,
    kSmdiIoFailure = 2,
    kSmdiContentFailure = 3,
    kSmdiBusy = 4,
    kSmdiRejected = 5,
    kSmdiAborted = 6,
    kSmdiEngaged = 7,
    kSmdiUserAbort = 8,
};
const char* SmdiErrorText(int code);
constexpr const char* kSmdiErrorCaption = "SMDI Error Message";

}  // namespace ob
