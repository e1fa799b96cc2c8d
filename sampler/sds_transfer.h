// Send and receive of the three Sample Dump Standard types: SDS 12 bit,
// SDS 16 bit and the Prophet 2000 variant (12 bit, sample numbers counted
// from 1 by the user, fixed periods, lengths in whole packets).
#pragma once

#include "sampler/transfer_context.h"

namespace ob {

int32_t SdsSendWave(TransferContext& context);
int32_t SdsReceiveWave(TransferContext& context);
// The own parameter dialog (through gSamplerParamDialogHook): Cancel gives 1,
// OK runs the send or receive.
int32_t SdsParamDialog(int32_t direction, TransferContext& context);

// The header a send announces for a wave (period and length rules of the type).
struct WaveRecord;
struct SdsHeader;
SdsHeader SdsHeaderForWave(const TransferContext& context, const WaveRecord& wave,
                           uint32_t wireSampleNumber);

}  // namespace ob
