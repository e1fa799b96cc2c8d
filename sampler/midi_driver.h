// The MIDI layer's driver operations of a transfer: open and close the
// devices, wait for and peek at transfer events, send one system-exclusive
// message. Every wait is bounded (gTransferTiming) and notices the abort flag.
#pragma once

#include "sampler/transfer_context.h"

namespace ob {

int32_t OpenMidiDriver(TransferContext& context);
int32_t CloseMidiDriver(TransferContext& context);
// Waits for a received message (left in context.currentMessage), an input
// error (7), a user abort (2) or the time limit (8). Output-done events are
// not what it waits for and stay aside.
int32_t WaitMidiEvent(TransferContext& context);
// Without waiting: 2 abort, 0 message, 7 input error, else kTransferNoEvent.
int32_t PeekMidiEvent(TransferContext& context);
// Sends outBuffer[0..count) and waits until it is out: 0; 2 abort; 8 when
// it is not out within the reply timeout; 10 when the output refuses it or
// stays not ready. Messages arriving meanwhile stay queued.
int32_t SendMidiSysEx(TransferContext& context, size_t count);

// Waits until the queue holds an event of `kinds` (EventBit mask) or an
// abort, at most `limitMs` (0 = no limit) on the context's clock. True when
// something is there; the caller takes it.
bool WaitForTransferEvent(TransferContext& context, unsigned kinds, int64_t limitMs);

// The context's clock (the steady clock when none is set).
TransferClock& TransferClockOf(TransferContext& context);
// The Abort button of the transfer window: posts the user-abort event to the
// context (`data`) given to StartTransferWindow.
void PostTransferUserAbort(void* data);
// Takes a pending user-abort event; true also when the abort flag is set.
bool TakeTransferAbort(TransferContext& context);

// Installs the five operations above into the context.
void InstallMidiDriver(TransferContext& context);

}  // namespace ob
