// The MIDI driver operations over MidiPort and the transfer event queue.
#include "sampler/midi_driver.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/progress.h"
#include "base/user_interface.h"

namespace ob {

TransferClock& TransferClockOf(TransferContext& c) {
    return c.clock ? *c.clock : SteadyClock();
}

void PostTransferUserAbort(void* data) {
    TransferEvent e;
    e.kind = kEventUserAbort;
    static_cast<TransferContext*>(data)->events.Post(std::move(e));
}

bool TakeTransferAbort(TransferContext& c) {
    TransferEvent e;
    if (c.events.Take(EventBit(kEventUserAbort), &e)) return true;
    return AbortRequested();
}

bool WaitForTransferEvent(TransferContext& c, unsigned kinds, int64_t limitMs) {
    TransferClock& clock = TransferClockOf(c);
    const int64_t deadline = limitMs > 0 ? clock.NowMs() + limitMs : INT64_MAX;
    for (;;) {
        uint64_t seen = c.events.Generation();
        if (AbortRequested() || c.events.Has(kinds | EventBit(kEventUserAbort))) return true;
        int64_t now = clock.NowMs();
        if (now >= deadline) return false;
        int64_t slice = std::max<int64_t>(1, gTransferTiming.abortPollMs);
        clock.WaitPosted(c.events, seen, std::min(deadline, now + slice));
    }
}

int32_t OpenMidiDriver(TransferContext& c) {
    c.lastResult = 0;
    c.packetNumber = 0;
    c.samplerWaiting = false;
    c.currentMessage.clear();
    c.events.Drop(~0u);
    ClearAbort();
    const auto& outs = c.devices.outputs;
    const auto& ins = c.devices.inputs;
    if (c.midiOutDevice < 0 || size_t(c.midiOutDevice) >= outs.size() || c.midiInDevice < 0 ||
        size_t(c.midiInDevice) >= ins.size())
        return kTransferInitFailed;
    const MidiDevice& out = outs[size_t(c.midiOutDevice)];
    const MidiDevice& in = ins[size_t(c.midiInDevice)];
    c.input = std::make_unique<TransferInput>(c.events, std::max<size_t>(c.inBufferSize, 8));
    c.outPort = NewMidiPort(out);
    bool shared = SameMidiConnection(out, in);
    if (!c.outPort || !c.outPort->Open(c.input.get(), shared)) {
        c.outPort.reset();
        c.input.reset();
        return kTransferInitFailed;
    }
    if (!shared) {
        c.inPort = NewMidiPort(in);
        if (!c.inPort || !c.inPort->Open(c.input.get(), true)) {
            c.inPort.reset();
            c.outPort->Close();
            c.outPort.reset();
            c.input.reset();
            return kTransferInitFailed;
        }
    }
    UI().StartTransferWindow(c.wave, (c.direction == 1 ? "Receiving " : "Sending ") + c.typeName,
                             PostTransferUserAbort, &c);
    return kTransferOk;
}

int32_t CloseMidiDriver(TransferContext& c) {
    UI().StopTransferWindow();
    if (c.inPort) c.inPort->Close();
    if (c.outPort) c.outPort->Close();
    c.inPort.reset();
    c.outPort.reset();
    c.input.reset();
    c.events.Drop(~0u);
    ClearAbort();
    return 0;
}

int32_t WaitMidiEvent(TransferContext& c) {
    const unsigned wanted = EventBit(kEventMessage) | EventBit(kEventInputError);
    int64_t limit = c.samplerWaiting ? gTransferTiming.waitLimitMs : gTransferTiming.replyTimeoutMs;
    if (!WaitForTransferEvent(c, wanted, limit)) return kTransferTimeout;
    if (TakeTransferAbort(c)) return kTransferUserAborted;
    TransferEvent e;
    if (!c.events.Take(wanted, &e)) return kTransferTimeout;
    if (e.kind == kEventInputError) return kTransferDataError;
    c.currentMessage = std::move(e.bytes);
    return kTransferOk;
}

int32_t PeekMidiEvent(TransferContext& c) {
    if (AbortRequested() || c.events.Has(EventBit(kEventUserAbort))) return kTransferUserAborted;
    if (c.events.Has(EventBit(kEventMessage))) return kTransferOk;
    if (c.events.Has(EventBit(kEventInputError))) return kTransferDataError;
    return kTransferNoEvent;
}

int32_t SendMidiSysEx(TransferContext& c, size_t count) {
    if (!c.outPort || count > c.outBuffer.size()) return kTransferDeviceBusy;
    TransferClock& clock = TransferClockOf(c);
    const int64_t giveUp = clock.NowMs() + gTransferTiming.replyTimeoutMs;
    c.events.Drop(EventBit(kEventOutputDone));
    for (;;) {
        MidiSendStatus status = c.outPort->Send(c.outBuffer.data(), count);
        if (status == kMidiSent) break;
        if (status == kMidiSendFailed) return kTransferDeviceBusy;
        // Not ready: an abort ends the send; otherwise offer it again after a
        // pause, until the reply timeout has passed.
        if (TakeTransferAbort(c)) return kTransferUserAborted;
        if (clock.NowMs() >= giveUp) return kTransferDeviceBusy;
        clock.Sleep(gTransferTiming.notReadyRetryMs);
    }
    if (!WaitForTransferEvent(c, EventBit(kEventOutputDone), gTransferTiming.replyTimeoutMs))
        return kTransferTimeout;
    if (TakeTransferAbort(c)) return kTransferUserAborted;
    TransferEvent e;
    c.events.Take(EventBit(kEventOutputDone), &e);
    return kTransferOk;
}

void InstallMidiDriver(TransferContext& c) {
    c.OpenDriver = OpenMidiDriver;
    c.CloseDriver = CloseMidiDriver;
    c.WaitEvent = WaitMidiEvent;
    c.PeekEvent = PeekMidiEvent;
    c.SendSysEx = SendMidiSysEx;
}

}  // namespace ob
