// The Sampler menu's type items and the "Sampler Transfer" dialog's OK as the
// script host sees them: both change the sampler type or run a transfer and
// write their macro-recorder line.
#pragma once

#include <cstdint>

#include "sampler/transfer_commands.h"

namespace ob {

// A Sampler menu item 40300..40309 or obSetSamplerType: selects the type
// (codes without an item select SDS 16 bit), records
// "obSetSamplerType OB_SAMPLER_...", returns the previous type.
int32_t SelectSamplerType(int32_t code);

// The dialog's OK: AcceptTransferDialog, then the obSend/obReceive line for
// the active editor (the flags written as 0).
int32_t AcceptTransferDialogRecorded(TransferDialogState& state);

}  // namespace ob
