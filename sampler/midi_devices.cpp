// The device lists and opening a device's port.
#include "sampler/midi_devices.h"

#include <cstdlib>

#include "sampler/midi_alsa.h"
#include "sampler/midi_socket_port.h"

namespace ob {

namespace {
std::function<std::unique_ptr<MidiPort>()> gTestFactory;
}

void SetMidiTestDevice(std::function<std::unique_ptr<MidiPort>()> factory) {
    gTestFactory = std::move(factory);
}

MidiDeviceLists ListMidiDevices() {
    MidiDeviceLists lists;
    if (gTestFactory) {
        MidiDevice d;
        d.name = "Test Loopback";
        d.kind = kMidiDeviceTest;
        lists.outputs.push_back(d);
        lists.inputs.push_back(d);
        return lists;
    }
    const char* socket = std::getenv("ORBICK_MIDI_SOCKET");
    if (socket && *socket) {
        MidiDevice d;
        d.kind = kMidiDeviceSocket;
        d.address = socket;
        d.name = std::string("Socket ") + socket;
        lists.outputs.push_back(d);
        lists.inputs.push_back(d);
    }
    ListAlsaSequencerPorts(lists);
    ListAlsaRawDevices(lists);
    return lists;
}

std::vector<std::string> MidiDeviceNames(const std::vector<MidiDevice>& devices) {
    std::vector<std::string> names;
    for (const MidiDevice& d : devices) names.push_back(d.name);
    if (names.empty()) names.emplace_back(kNoMidiDevices);
    return names;
}

std::unique_ptr<MidiPort> NewMidiPort(const MidiDevice& device) {
    switch (device.kind) {
        case kMidiDeviceSocket:
            return NewSocketMidiPort(device.address);
        case kMidiDeviceSequencer:
            return NewAlsaSequencerPort(device.client, device.port);
        case kMidiDeviceRaw:
            return NewAlsaRawPort(device.address);
        case kMidiDeviceTest:
            return gTestFactory ? gTestFactory() : nullptr;
    }
    return nullptr;
}

bool SameMidiConnection(const MidiDevice& a, const MidiDevice& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case kMidiDeviceSocket:
        case kMidiDeviceRaw:
            return a.address == b.address;
        case kMidiDeviceSequencer:
            return a.client == b.client && a.port == b.port;
        case kMidiDeviceTest:
            return true;
    }
    return false;
}

}  // namespace ob
