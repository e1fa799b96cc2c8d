// The MIDI devices a transfer can use, in list order: the socket of
// ORBICK_MIDI_SOCKET (device 0, in and out, when set), then the ALSA
// sequencer ports, then the ALSA rawmidi devices. The lists are taken when a
// transfer context is initialised; an index picks a device from them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sampler/midi_port.h"

namespace ob {

enum MidiDeviceKind : int {
    kMidiDeviceSocket,
    kMidiDeviceSequencer,
    kMidiDeviceRaw,
    kMidiDeviceTest
};

struct MidiDevice {
    std::string name;
    MidiDeviceKind kind = kMidiDeviceSocket;
    std::string address;  // socket path or "hw:C,D,S"
    int client = 0;       // sequencer client and port
    int port = 0;
};

struct MidiDeviceLists {
    std::vector<MidiDevice> outputs;
    std::vector<MidiDevice> inputs;
};
MidiDeviceLists ListMidiDevices();

// The entries of a device list box: the names, or the one entry "None Available".
constexpr const char* kNoMidiDevices = "None Available";
std::vector<std::string> MidiDeviceNames(const std::vector<MidiDevice>& devices);

// A port for the device (not yet opened); null when the kind cannot be served.
std::unique_ptr<MidiPort> NewMidiPort(const MidiDevice& device);

// True when two entries (an output and an input) are the same connection,
// which a transfer then opens once for both directions.
bool SameMidiConnection(const MidiDevice& a, const MidiDevice& b);

// Tests: replaces all devices by one device ("Test Loopback") whose ports the
// factory makes; an empty function restores the real devices.
void SetMidiTestDevice(std::function<std::unique_ptr<MidiPort>()> factory);

}  // namespace ob
