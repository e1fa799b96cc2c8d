// The MIDI keyboard window's input: an ALSA sequencer client "Sample Orbick"
// with an input port "Keyboard" that other programs (a hardware keyboard's
// port, a virtual keyboard, a sequencer) connect to. Note-on and note-off
// events are handed to a handler on the port's own thread; a note-on with
// velocity 0 is a note-off, as MIDI running status sends it.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace ob {

struct NoteEvent {
    bool on = false;
    int key = 0;       // 0..127
    int velocity = 0;  // 0..127
};
using NoteHandler = std::function<void(const NoteEvent& event)>;

class NoteInputPort {
  public:
    NoteInputPort();
    ~NoteInputPort();
    NoteInputPort(const NoteInputPort&) = delete;
    NoteInputPort& operator=(const NoteInputPort&) = delete;

    // Opens the client and port and starts listening; false (with the reason
    // in `error`) when there is no sequencer.
    bool Open(NoteHandler handler, std::string* error);
    void Close();
    bool IsOpen() const;
    // The sequencer address "client:port" others connect to ("" when closed).
    std::string Address() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A note event from a sequencer event's type and note fields: true for
// note-on and note-off (note-on with velocity 0 is a note-off).
bool DecodeNoteEvent(int seqType, int note, int velocity, NoteEvent* out);

}  // namespace ob
