// Korg DSS-1 (type 6) and DSM-1 (type 9) send and receive: the device
// inquiry and mode handshake, the multisound list and parameters, PCM data
// in blocks of 1000 samples with NAK repeats and checksum re-requests, the
// edited parameter dump and, for a new multisound, its name (and on the
// DSS-1 the program and select messages).
//
// Context words: channel 1..16, sample number = sound 1..16, instrument =
// multisound (1..16 DSS-1, 1..8 DSM-1), layer = bank 1..4 (DSM-1), option
// bit 0 Chop To Fit, message bit 0 quiet. The numbers are limited to their
// ranges before a transfer (the limits stay); the channel word is untouched.
#pragma once

#include <cstdint>

#include "sampler/transfer_context.h"

namespace ob {

constexpr uint32_t kOptionChopToFit = 1;  // option bit 0 of the Korg types
constexpr const char* kKorgLengthErrorText = "DSS-1 Sound Length Error";

int32_t KorgSendWave(TransferContext& context);
int32_t KorgReceiveWave(TransferContext& context);

}  // namespace ob
