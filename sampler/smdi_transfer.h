// Sampler type 8: SMDI over SCSI. The driver operations (a SCSI bus opened
// for one transfer, each command run on a worker thread that posts to the
// transfer's event queue, so the Abort button stays live), the message
// exchange with the sampler's Wait and the bus's BUSY, the target test, the
// bus scan of the parameter dialog, and the send and receive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sampler/scsi_bus.h"
#include "sampler/transfer_context.h"

namespace ob {

int32_t SmdiSendWave(TransferContext& context);
int32_t SmdiReceiveWave(TransferContext& context);
// Without SCSI pass-through: the box kSmdiNoPassThrough (unless quiet) and
// result 1. Otherwise the windowed editor's dialog (gSmdiParamDialogHook;
// Cancel gives 1), then the send or receive.
int32_t SmdiParamDialog(int32_t direction, TransferContext& context);

// The driver operations a send or receive installs: open makes the bus and
// starts the transfer window, close ends both.
int32_t OpenSmdiDriver(TransferContext& context);
int32_t CloseSmdiDriver(TransferContext& context);
void InstallSmdiDriver(TransferContext& context);

constexpr const char* kSmdiNoPassThrough = "SCSI pass-through is not available.";
constexpr const char* kSmdiDevicesLabel = "Devices &Found:\nAdapter,   Device,   Name";
// True when the bus of this run can carry commands.
bool SmdiPassThroughAvailable();

// One device that passed the target test in a scan.
struct SmdiFoundDevice {
    int adapter = 0;
    int target = 0;
    std::string name;  // INQUIRY bytes 8..35, or the system's name
    std::string line;  // "%2d %2d  %s": adapter, target, name
    int value = 0;     // target + adapter * 256
};
// Every adapter and target of the bus, LUN 0; each command at most 2 s.
std::vector<SmdiFoundDevice> ScanSmdiBus(ScsiBus& bus);

// The windowed editor's "Send: SMDI" / "Receive: SMDI" dialog: true for OK.
using SmdiParamDialogHook = bool (*)(int32_t direction, TransferContext& context);
extern SmdiParamDialogHook gSmdiParamDialogHook;

// Timing of the exchange.
constexpr int64_t kSmdiTestLimitMs = 2000;  // each command of the scan and the target test
constexpr int64_t kSmdiPollMs = 20;         // BUSY repeats and Wait polls
constexpr int64_t kSmdiRetryPauseMs = 300;  // before a target test is made again
constexpr int kSmdiSendAttempts = 6;        // header and Begin Sample Transfer: five retries

}  // namespace ob
