// Send and receive of one wavesample for the Ensoniq EPS, EPS 16+ and ASR-10
// (types 3, 4, 5): the parameter block round trip, the Create commands and
// the wave data in blocks of 1000 samples.
#pragma once

#include "sampler/transfer_context.h"

namespace ob {

int32_t EnsoniqSendWave(TransferContext& context);
int32_t EnsoniqReceiveWave(TransferContext& context);

bool IsEnsoniqType(int32_t code);

// Option bits of the Ensoniq types: the three "Create" boxes.
constexpr int32_t kOptionCreateWavesample = 1;
constexpr int32_t kOptionCreateLayer = 2;
constexpr int32_t kOptionCreateInstrument = 4;

// The pause the sampler needs after a Create command and after taking the
// parameter block; the pauses before a retry of the parameter request.
constexpr int64_t kEpsCreatePauseMs = 2200;
constexpr int64_t kEpsRetrySendPauseMs = 3000;
constexpr int64_t kEpsRetryReceivePauseMs = 2200;
// At most this many "Wait" answers in a row to one command (each wait also
// bounded by the long wait limit), then 11 "Sampler is Busy".
constexpr int kEpsMaxWaitAnswers = 50;
// Tries of the parameter request while the sampler stays busy (result 11).
constexpr int kEpsParameterTries = 3;

// The rate code of a sample rate: the period in units of 1600 ns, 1..127.
uint8_t EpsRateCode(uint32_t sampleRate);

}  // namespace ob
