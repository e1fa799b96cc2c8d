// The choice of SCSI backend and the command bytes of the SMDI transfers.
#include "sampler/scsi_bus.h"

#include <cstdlib>

#include "sampler/scsi_sg.h"
#include "sampler/scsi_socket.h"

namespace ob {

ScsiBusFactory gScsiBusFactory = nullptr;

std::unique_ptr<ScsiBus> NewScsiBus() {
    if (gScsiBusFactory) return gScsiBusFactory();
    const char* path = std::getenv("ORBICK_SCSI_SOCKET");
    if (path && *path) return NewSocketScsiBus(path);
    return NewSgScsiBus("/sys/class/scsi_generic", "/dev");
}

namespace {

std::vector<uint8_t> SixByte(uint8_t opcode, uint32_t length) {
    return {opcode, 0, uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length), 0};
}

}  // namespace

std::vector<uint8_t> ScsiTestUnitReadyCdb() {
    return {0x00, 0, 0, 0, 0, 0};
}

std::vector<uint8_t> ScsiInquiryCdb(uint8_t length) {
    return {0x12, 0, 0, 0, length, 0};
}

std::vector<uint8_t> ScsiSendCdb(uint32_t length) {
    return SixByte(0x0A, length & 0xFFFFFF);
}

std::vector<uint8_t> ScsiReceiveCdb(uint32_t length) {
    return SixByte(0x08, length & 0xFFFFFF);
}

}  // namespace ob
