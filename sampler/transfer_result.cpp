// The texts of the transfer results.
#include "sampler/transfer_result.h"

namespace ob {

namespace {
const char* const kTexts[] = {
    "Procedure OK",
    "User Cancel",
    "User Aborted Transfer",
    "Resources Already In Use",
    "Out Of Memory",
    "Initialization Failed",
    "Sampler Aborted",
    "MIDI/SMDI Data Error",
    "MIDI/SMDI Timeout Error",
    "Illegal Parameter",
    "MIDI/SMDI Device Is Busy",
    "Sampler is Busy",
    "General Error",
};
static_assert(sizeof kTexts / sizeof kTexts[0] == kTransferGeneralError + 1,
              "one text per transfer result");
}  // namespace

const char* TransferResultText(int32_t code) {
    if (code < 0 || code > kTransferGeneralError) return kTexts[kTransferGeneralError];
    return kTexts[code];
}

}  // namespace ob
