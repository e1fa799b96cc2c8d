// The result codes every sampler transfer returns, with their one text table.
#pragma once

#include <cstdint>

namespace ob {

enum TransferResult : int32_t {
    kTransferOk = 0,
    kTransferUserCancel = 1,
    kTransferUserAborted = 2,
    kTransferInUse = 3,
    kTransferNoMemory = 4,
    kTransferInitFailed = 5,
    kTransferSamplerAborted = 6,
    kTransferDataError = 7,
    kTransferTimeout = 8,
    kTransferIllegalParameter = 9,
    kTransferDeviceBusy = 10,
    kTransferSamplerBusy = 11,
    kTransferGeneralError = 12,  // and every code above
};
// "No event" of PeekEvent.
constexpr int32_t kTransferNoEvent = -1;

// "Procedure OK", ...; 12 and anything unknown give "General Error".
const char* TransferResultText(int32_t code);
// Codes 0 and 1 count as success for the callers (no message, script result 1).
inline bool TransferSucceeded(int32_t code) {
    return code == kTransferOk || code == kTransferUserCancel;
}

}  // namespace ob
