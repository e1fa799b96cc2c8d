// SCSI pass-through for the SMDI transfers: a bus lists the addresses that
// may hold a device and runs one command at a time (address, command bytes,
// data out or a data-in allocation, time limit), giving the host status, the
// SCSI status, sense bytes and the data that came in. Backends: the Linux
// generic SCSI driver (/dev/sgN) and a Unix stream socket named by
// ORBICK_SCSI_SOCKET (for the simulator and tests); tests may install their
// own bus through gScsiBusFactory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob {

enum ScsiDirection : uint8_t { kScsiNoData = 0, kScsiDataOut = 1, kScsiDataIn = 2 };

// Host status of a command.
enum ScsiHostStatus : uint8_t {
    kScsiHostDone = 0,      // the target answered; see the SCSI status
    kScsiHostNoTarget = 1,  // no such adapter, target or LUN (or no bus at all)
    kScsiHostFailure = 2,   // the transport failed
    kScsiHostTimedOut = 3,  // no answer within the command's time limit
};
// SCSI status bytes.
constexpr uint8_t kScsiGood = 0x00;
constexpr uint8_t kScsiCheckCondition = 0x02;
constexpr uint8_t kScsiBusy = 0x08;

constexpr uint32_t kScsiMaxData = 1u << 20;  // data out and data-in allocation
constexpr size_t kScsiMaxSense = 32;

struct ScsiAddress {
    int adapter = 0;
    int target = 0;
    int lun = 0;
};

struct ScsiCommand {
    ScsiAddress address;
    std::vector<uint8_t> cdb;  // 6 to 16 bytes
    ScsiDirection direction = kScsiNoData;
    std::vector<uint8_t> dataOut;  // direction out
    uint32_t allocation = 0;       // direction in: most bytes taken
    int64_t timeoutMs = 2000;
};

struct ScsiReply {
    ScsiHostStatus host = kScsiHostFailure;
    uint8_t status = kScsiGood;
    std::vector<uint8_t> sense;
    std::vector<uint8_t> data;  // at most the allocation
    bool Good() const { return host == kScsiHostDone && status == kScsiGood; }
};

// One place on the bus that may hold a device: its address and the name the
// system knows it by (may be empty).
struct ScsiDeviceEntry {
    ScsiAddress address;
    std::string name;
};

class ScsiBus {
  public:
    virtual ~ScsiBus() = default;
    // False when the system offers no usable pass-through.
    virtual bool Available() = 0;
    // The addresses a bus scan tries (LUN 0 of every target there may be).
    virtual std::vector<ScsiDeviceEntry> List() = 0;
    // Runs one command; never throws. Commands run one at a time; Execute
    // may run on a worker thread while Interrupt is called from another.
    virtual ScsiReply Execute(const ScsiCommand& command) = 0;
    // Makes a running Execute return soon (a user abort). May do nothing when
    // the backend cannot cut a command short; its time limit still holds.
    virtual void Interrupt() {}
    // Ends the connection a transfer or scan used.
    virtual void Close() {}
};

// The bus of this run: the socket when ORBICK_SCSI_SOCKET is set, else the
// generic SCSI driver.
std::unique_ptr<ScsiBus> NewScsiBus();
// Tests replace the bus; null restores the system's.
using ScsiBusFactory = std::unique_ptr<ScsiBus> (*)();
extern ScsiBusFactory gScsiBusFactory;

// The command bytes used by the transfers.
std::vector<uint8_t> ScsiTestUnitReadyCdb();
std::vector<uint8_t> ScsiInquiryCdb(uint8_t length);
std::vector<uint8_t> ScsiSendCdb(uint32_t length);     // 24-bit length
std::vector<uint8_t> ScsiReceiveCdb(uint32_t length);  // 24-bit length

}  // namespace ob
