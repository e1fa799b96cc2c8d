// The ALSA side of the MIDI layer: listing the sequencer ports and rawmidi
// devices, their ports, and the translation between sequencer events and
// MIDI bytes (kept separate so it can be checked without sound hardware).
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "sampler/midi_devices.h"

namespace ob {

// Appends the devices ALSA offers; nothing when there is no sound system.
void ListAlsaSequencerPorts(MidiDeviceLists& lists);
void ListAlsaRawDevices(MidiDeviceLists& lists);

std::unique_ptr<MidiPort> NewAlsaSequencerPort(int client, int port);
std::unique_ptr<MidiPort> NewAlsaRawPort(const std::string& address);

// The MIDI bytes of one received sequencer event (system-exclusive pieces as
// they are, other events through the decoder); appended to `out`.
void AlsaEventBytes(const snd_seq_event_t& event, snd_midi_event_t* decoder,
                    std::vector<uint8_t>& out);
// A system-exclusive message as one direct sequencer event from `sourcePort`
// to its subscribers; the event points into `data`.
void MakeAlsaSysexEvent(snd_seq_event_t& event, int sourcePort, const uint8_t* data, size_t size);

}  // namespace ob
