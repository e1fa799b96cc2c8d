// An in-process MIDI loopback: two connected ends; what one end sends is
// delivered to the other end's sink at once, on the sender's thread, so a
// test can play the sampler in the same thread as the transfer. An end can be
// told to refuse sends (not ready n times, or failing).
#pragma once

#include <memory>

#include "sampler/midi_port.h"

namespace ob {

class MidiLoopback {
  public:
    MidiLoopback();
    ~MidiLoopback();
    // The ends; each may be opened by one user at a time.
    MidiPort& EndA();
    MidiPort& EndB();
    // A port that forwards to end A (the transfer owns it, the loopback stays).
    std::unique_ptr<MidiPort> PortForA();
    // The next `count` sends from end A answer kMidiNotReady; `fail` makes
    // every send from end A fail.
    void SetNotReady(int count);
    void SetFailing(bool fail);
    int notReadyAnswers() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ob
