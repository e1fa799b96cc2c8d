// The transfer front end: the one TransferContext every sampler transfer
// uses (the wave, the transport's driver operations, the parameter words the
// dialogs and presets carry, the protocol's state) and the table of sampler
// drivers (code, name, send, receive) that setting up a type installs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sampler/midi_devices.h"
#include "sampler/transfer_events.h"
#include "sampler/transfer_result.h"

namespace ob {

struct WaveRecord;
struct TransferContext;

using TransferOperation = int32_t (*)(TransferContext& context);
using SysExOperation = int32_t (*)(TransferContext& context, size_t count);
using ParamDialogOperation = int32_t (*)(int32_t direction, TransferContext& context);

constexpr size_t kParameterWords = 11;
// Indices of the parameter words (context order).
enum ParameterWord : int {
    kWordChannel = 0,
    kWordSampleNumber = 1,
    kWordLayer = 2,
    kWordInstrument = 3,
    kWordFive = 4,
    kWordSix = 5,
    kWordSeven = 6,
    kWordMessageFlags = 7,
    kWordOptionFlags = 8,
    kWordTen = 9,
    kWordEleven = 10,
};
constexpr uint32_t kMessageQuiet = 1;   // message flags bit 0: no boxes of the type's own
constexpr uint32_t kOptionSdsWait = 1;  // option bit 0: tell the sampler to wait between packets

struct TransferContext {
    WaveRecord* wave = nullptr;

    // Driver operations of the transport (the MIDI layer's by default).
    TransferOperation OpenDriver = nullptr;   // result
    TransferOperation CloseDriver = nullptr;  // 0
    TransferOperation WaitEvent = nullptr;    // result; 0 = a message is in currentMessage
    TransferOperation PeekEvent = nullptr;    // result or kTransferNoEvent
    SysExOperation SendSysEx = nullptr;       // sends outBuffer[0..count)

    // Devices, counted (listed) when the context is initialised.
    MidiDeviceLists devices;
    uint16_t midiOutCount = 0;
    uint16_t midiInCount = 0;

    int32_t direction = 0;  // 0 send, 1 receive
    // The eleven parameter words: channel (1..16 as the user sees it), sample
    // number, layer, instrument, words five to seven, message flags, option
    // flags, words ten and eleven.
    int32_t words[kParameterWords] = {};
    int32_t& channel() { return words[kWordChannel]; }
    int32_t& sampleNumber() { return words[kWordSampleNumber]; }
    int32_t& messageFlags() { return words[kWordMessageFlags]; }
    int32_t& optionFlags() { return words[kWordOptionFlags]; }

    int32_t packetNumber = 0;
    int32_t samplesPerPacket = 0;
    int32_t bits = 0;
    int32_t lastResult = 0;
    int32_t midiOutDevice = 0;
    int32_t midiInDevice = 0;

    std::vector<uint8_t> outBuffer;       // the message to send
    std::vector<uint8_t> currentMessage;  // the last received message (its own copy)
    size_t outBufferSize = 0;
    size_t inBufferSize = 0;  // the longest message accepted

    // The open transport (null when closed): one port, or two when the input
    // and output devices are different connections.
    std::unique_ptr<MidiPort> outPort;
    std::unique_ptr<MidiPort> inPort;
    std::unique_ptr<TransferInput> input;
    TransferEventQueue events;
    TransferClock* clock = nullptr;  // null = the steady clock
    // Set by a protocol while the sampler has asked it to wait: the next wait
    // runs to the long limit instead of the reply timeout.
    bool samplerWaiting = false;

    int32_t samplerType = 0;
    ParamDialogOperation ParamDialog = nullptr;
    TransferOperation SendWave = nullptr;
    TransferOperation ReceiveWave = nullptr;
    int32_t reserved[2] = {};
    std::string typeName;
};

// The program's one context.
extern TransferContext gTransfer;

// Before every transfer: stores the wave, installs the MIDI driver
// operations, lists the devices and clears the protocol state.
void InitTransferContext(TransferContext& context, WaveRecord* wave);
// Installs the type's operations and constants (codes outside 0..9 set up SDS
// 16 bit). Result 0, or 5 when the type cannot be set up.
int32_t SetupSamplerType(TransferContext& context, int32_t code);

// One row per sampler driver: the codes it serves, its name, its send and
// receive. Types whose protocol is not built yet have no row.
struct SamplerDriver {
    int32_t code;
    const char* name;  // the name setup gives ("SDS 12 Bit")
    int32_t bits;
    int32_t samplesPerPacket;
    TransferOperation send;
    TransferOperation receive;
    ParamDialogOperation paramDialog;
};
const SamplerDriver* FindSamplerDriver(int32_t code);

// The type's own parameter dialog, supplied by the windowed editor; without
// one (batch runs) ParamDialog proceeds as if OK was pressed.
using SamplerParamDialogHook = bool (*)(int32_t direction, TransferContext& context);
extern SamplerParamDialogHook gSamplerParamDialogHook;

}  // namespace ob
