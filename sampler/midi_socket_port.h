// A MIDI port over a Unix stream socket carrying raw MIDI bytes both ways:
// another program (orbick-sampler-sim, a bridge to hardware) plays the
// sampler. ORBICK_MIDI_SOCKET=PATH makes it MIDI device 0, in and out.
#pragma once

#include <memory>
#include <string>

#include "sampler/midi_port.h"

namespace ob {

std::unique_ptr<MidiPort> NewSocketMidiPort(const std::string& path);

}  // namespace ob
