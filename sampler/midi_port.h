// The MIDI layer's port interface: a bidirectional MIDI connection (ALSA
// sequencer or rawmidi, a Unix socket carrying raw MIDI bytes, or an
// in-process loopback). A port delivers what it reads, the completion of each
// send and input failures to a sink, from its own reader thread (or, for the
// loopback, from the sender's thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ob {

class MidiInputSink {
  public:
    virtual ~MidiInputSink() = default;
    // Raw MIDI bytes as read, in any pieces (system-exclusive messages may
    // arrive split or together with other messages).
    virtual void OnBytes(const uint8_t* data, size_t size) = 0;
    // A message handed to Send has been written out completely.
    virtual void OnOutputDone() = 0;
    // The input failed (device gone, the peer closed the connection).
    virtual void OnInputError() = 0;
};

enum MidiSendStatus : int {
    kMidiSent = 0,        // taken; OnOutputDone follows
    kMidiNotReady = 1,    // the output cannot take it now; try again later
    kMidiSendFailed = 2,  // the output refused it for another reason
};

class MidiPort {
  public:
    virtual ~MidiPort() = default;
    // Connects and starts delivering to `sink` (which outlives the port's
    // Close). `input` false: the port is used for output only and delivers
    // no bytes. Returns false when the device cannot be opened.
    virtual bool Open(MidiInputSink* sink, bool input) = 0;
    // Sends one complete message. Never blocks for long: a full output gives
    // kMidiNotReady.
    virtual MidiSendStatus Send(const uint8_t* data, size_t size) = 0;
    // Stops the reader and disconnects; safe to call more than once.
    virtual void Close() = 0;
};

}  // namespace ob
