// The pieces under the transfers: result texts, the type table, presets and
// the dialog's preset logic, system-exclusive reassembly, the event queue and
// clocks, the socket port, the ALSA byte translation and the ALSA smoke test.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "../dsp/recording_ui.h"
#include "base/dialog_guard.h"
#include "dsp/preset_file.h"
#include "dsp/preset_list.h"
#include "sampler/midi_alsa.h"
#include "sampler/midi_socket_port.h"
#include "sampler/sampler_preset.h"
#include "sampler/sampler_types.h"
#include "sampler/sds_messages.h"
#include "sampler/sysex_assembler.h"
#include "sampler/transfer_commands.h"
#include "sampler/transfer_events.h"
#include "sampler/transfer_result.h"
#include "wave/wave_record.h"

using namespace ob;
namespace fs = std::filesystem;

namespace {

struct Collected : SysexAssembler::Output {
    std::vector<std::vector<uint8_t>> messages;
    int errors = 0;
    void Message(std::vector<uint8_t>&& bytes) override { messages.push_back(bytes); }
    void Error() override { ++errors; }
};

fs::path TempFolder(const char* name) {
    fs::path p = fs::temp_directory_path() /
                 (std::string("orbick_sampler_") + name + "_" + std::to_string(getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

}  // namespace

TEST(TransferResults, EveryCodeHasItsTextAndUnknownCodesAreGeneral) {
    const char* expected[] = {"Procedure OK",
                              "User Cancel",
                              "User Aborted Transfer",
                              "Resources Already In Use",
                              "Out Of Memory",
                              "Initialization Failed",
                              "Sampler Aborted",
                              "MIDI/SMDI Data Error",
                              "MIDI/SMDI Timeout Error",
                              "Illegal Parameter",
                              "MIDI/SMDI Device Is Busy",
                              "Sampler is Busy",
                              "General Error"};
    for (int i = 0; i <= 12; ++i) EXPECT_STREQ(expected[i], TransferResultText(i));
    EXPECT_STREQ("General Error", TransferResultText(13));
    EXPECT_STREQ("General Error", TransferResultText(-1));
    EXPECT_TRUE(TransferSucceeded(0));
    EXPECT_TRUE(TransferSucceeded(1));
    EXPECT_FALSE(TransferSucceeded(2));
}

TEST(SamplerTypes, OneRangeAndTheMenuAndRadioMaps) {
    for (int32_t code = 0; code < kSamplerTypeCount; ++code) {
        EXPECT_EQ(code, kSamplerTypes[code].code);
        EXPECT_TRUE(ValidSamplerType(code));
        if (code <= kSamplerDsm1) {
            EXPECT_EQ(code, SamplerTypeOfMenuId(kSamplerTypes[code].menuId));
            EXPECT_EQ(code, SamplerTypeOfRadioId(kSamplerTypes[code].radioId));
            EXPECT_EQ(code, EffectiveSamplerType(code));
        }
    }
    EXPECT_FALSE(ValidSamplerType(11));
    EXPECT_FALSE(ValidSamplerType(-1));
    EXPECT_EQ(kSamplerSds16, EffectiveSamplerType(10));
    EXPECT_EQ(kSamplerSds16, EffectiveSamplerType(-5));
    EXPECT_EQ(kSamplerSmdi, SamplerTypeOfMenuId(40300));
    EXPECT_EQ(kSamplerAkaiS612, SamplerTypeOfMenuId(40307));
    EXPECT_EQ(kSamplerDss1, SamplerTypeOfMenuId(40308));
    EXPECT_EQ(kSamplerSmdi, SamplerTypeOfRadioId(7721));
    EXPECT_EQ(kSamplerDss1, SamplerTypeOfRadioId(7728));
    EXPECT_EQ(kSamplerDsm1, SamplerTypeOfRadioId(7729));
    EXPECT_EQ(kSamplerAkaiS612, SamplerTypeOfRadioId(7730));
    EXPECT_EQ(-1, SamplerTypeOfMenuId(kMenuDynamicDialog));
}

TEST(SamplerTypes, SetupInstallsTheDriverOfTheTypeAndRefusesUnbuiltOnes) {
    TransferContext c;
    EXPECT_EQ(0, SetupSamplerType(c, kSamplerSds12));
    EXPECT_EQ("SDS 12 Bit", c.typeName);
    EXPECT_EQ(12, c.bits);
    EXPECT_EQ(60, c.samplesPerPacket);
    EXPECT_EQ(0, SetupSamplerType(c, kSamplerAkaiS1000));
    EXPECT_EQ("SDS 16 Bit", c.typeName);
    EXPECT_EQ(kSamplerSds16, c.samplerType);
    EXPECT_EQ(40, c.samplesPerPacket);
    EXPECT_EQ(0, SetupSamplerType(c, kSamplerProphet2000));
    EXPECT_EQ("Prophet 2000", c.typeName);
    EXPECT_EQ(0, SetupSamplerType(c, kSamplerAsr10));
    EXPECT_EQ("Ensoniq ASR-10", c.typeName);
    EXPECT_EQ(kSamplerAsr10, c.samplerType);
}

TEST(SamplerPresets, BuiltInsRecordAndFilesInBothByteOrders) {
    EXPECT_EQ("16 bit sample dump standard", BuiltInSamplerPreset(0).name);
    EXPECT_EQ("Roland S770 on channel 6", BuiltInSamplerPreset(9).name);
    EXPECT_EQ(8, BuiltInSamplerPreset(7).type);
    EXPECT_EQ(3, BuiltInSamplerPreset(7).words[kWordLayer]);
    EXPECT_EQ(0, BuiltInSamplerPreset(7).words[kWordSampleNumber]);
    EXPECT_EQ(gCurrentSamplerPreset.name, BuiltInSamplerPreset(0).name);

    SamplerPreset p;
    p.type = 2;
    for (size_t i = 0; i < kParameterWords; ++i) p.words[i] = int32_t(i * 1000 + 7);
    p.midiOutDevice = 3;
    p.midiInDevice = 4;
    p.name = std::string(100, 'x');
    uint8_t record[kSamplerPresetBytes];
    EncodeSamplerPreset(p, record);
    EXPECT_EQ(2, record[0]);
    EXPECT_EQ(7, record[4]);        // channel
    EXPECT_EQ(3, record[48]);       // out device
    EXPECT_EQ(0, record[56 + 79]);  // name cut to 79 bytes
    EXPECT_EQ(0, record[136] | record[137] | record[138] | record[139]);
    SamplerPreset back = DecodeSamplerPreset(record, false);
    EXPECT_EQ(std::string(79, 'x'), back.name);
    EXPECT_EQ(p.words[10], back.words[10]);

    // A file of the other byte order: the first fourteen words come swapped.
    fs::path folder = TempFolder("presets");
    uint8_t swapped[kSamplerPresetBytes];
    std::memcpy(swapped, record, sizeof swapped);
    SwapWords32(swapped, 0, 14);
    ASSERT_EQ(0, WritePresetFile((folder / "big.obx").string(), "DUMP", swapped, 140, true));
    SamplerPreset read;
    ASSERT_EQ(0, ReadSamplerPresetFile((folder / "big.obx").string(), read));
    EXPECT_EQ(2, read.type);
    EXPECT_EQ(p.words[5], read.words[5]);
    EXPECT_EQ(4, read.midiInDevice);

    back.name = "mine";
    ASSERT_EQ(0, WriteSamplerPresetFile((folder / "mine.obx").string(), back));
    std::vector<SamplerPreset> list;
    ASSERT_EQ(0, BuildSamplerPresetList(folder.string(), list));
    ASSERT_EQ(11u, list.size());  // built-ins first; the other byte order is not listed
    EXPECT_EQ("16 bit sample dump standard", list[0].name);
    EXPECT_EQ("mine", list[10].name);
    EXPECT_NE(0, ReadSamplerPresetFile((folder / "missing.obx").string(), read));
    fs::remove_all(folder);
}

TEST(SamplerPresets, DialogLogicGuardPresetsAndCurrentPreset) {
    RecordingUserInterface ui;
    WaveRecord wave;
    gPresetsFolder = TempFolder("dialog").string();
    gSamplerType = kSamplerSds12;
    gCurrentSamplerPreset = BuiltInSamplerPreset(0);  // type 1: differs from the current type
    TransferDialogState state;
    InitTransferContext(gTransfer, &wave);
    ASSERT_TRUE(BeginTransferDialog(state, 1, wave));
    EXPECT_EQ(kSamplerSds12, gCurrentSamplerPreset.type);
    EXPECT_EQ("", gCurrentSamplerPreset.name);
    EXPECT_EQ(1, gTransfer.direction);

    TransferDialogState second;
    EXPECT_FALSE(BeginTransferDialog(second, 0, wave));
    EXPECT_EQ("Sampler transfer already in use", ui.LastBoxText());

    ChooseTransferPreset(state, 99);  // past the end: the last row
    EXPECT_EQ("Roland S770 on channel 6", state.presetName);
    EXPECT_EQ(6, gTransfer.channel());
    ChooseTransferPreset(state, 6);
    EXPECT_EQ(kSamplerEps, state.selectedType);
    EXPECT_FALSE(LoadTransferPreset(state, gPresetsFolder + "/none.obx"));
    EXPECT_EQ("Error Reading Sampler Dump Preset File", ui.LastBoxText());
    // OK runs the preset's Ensoniq receive: without devices 5, the type kept.
    gTransfer.devices = MidiDeviceLists();
    bool ran = false;
    EXPECT_EQ(kTransferInitFailed, AcceptTransferDialog(state, &ran));
    EXPECT_TRUE(ran);
    EXPECT_EQ(kSamplerEps, gSamplerType);
    EXPECT_EQ(5, gTransfer.channel());  // the numbers are put back
    gSamplerType = kSamplerSds12;
    EndTransferDialog();
    EXPECT_FALSE(DialogInUse(kDialogSamplerTransfer));
    fs::remove_all(gPresetsFolder);
    gPresetsFolder.clear();
}

TEST(SysexReassembly, PiecesRealTimeBytesAndTwoMessagesTogether) {
    SysexAssembler a(127);
    Collected out;
    const uint8_t one[] = {0xF0, 0x7E, 0x00};
    const uint8_t two[] = {0xF8, 0x7F, 0x05, 0xFE, 0xF7, 0xF0, 0x7E, 0x00, 0x7C, 0x01, 0xF7};
    a.Feed(one, sizeof one, out);
    EXPECT_TRUE(out.messages.empty());
    a.Feed(two, sizeof two, out);
    ASSERT_EQ(2u, out.messages.size());
    EXPECT_EQ((std::vector<uint8_t>{0xF0, 0x7E, 0x00, 0x7F, 0x05, 0xF7}), out.messages[0]);
    EXPECT_EQ((std::vector<uint8_t>{0xF0, 0x7E, 0x00, 0x7C, 0x01, 0xF7}), out.messages[1]);
    EXPECT_EQ(0, out.errors);
}

TEST(SysexReassembly, CutShortOversizeAndStrayBytes) {
    SysexAssembler a(10);
    Collected out;
    const uint8_t stray[] = {0x90, 0x40, 0x7F, 0xF7, 0x12};
    a.Feed(stray, sizeof stray, out);
    EXPECT_TRUE(out.messages.empty());
    EXPECT_EQ(0, out.errors);
    const uint8_t cut[] = {0xF0, 0x01, 0x02, 0x90, 0x40, 0xF0, 0x01, 0xF0, 0x02, 0xF7};
    a.Feed(cut, sizeof cut, out);
    EXPECT_EQ(2, out.errors);  // a channel message and a new F0 cut two messages short
    ASSERT_EQ(1u, out.messages.size());
    std::vector<uint8_t> big(50, 0x11);
    big.front() = 0xF0;
    big.back() = 0xF7;
    a.Feed(big.data(), big.size(), out);
    EXPECT_EQ(3, out.errors);  // one error for the oversize message
    const uint8_t fits[] = {0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7};
    a.Feed(fits, sizeof fits, out);
    ASSERT_EQ(2u, out.messages.size());
    EXPECT_EQ(10u, out.messages[1].size());
}

TEST(SysexReassembly, RandomInputGivesOnlyWellFormedCappedMessages) {
    std::mt19937 random(19);
    SysexAssembler a(127);
    Collected out;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> piece(random() % 64);
        for (uint8_t& b : piece) {
            uint32_t r = random() % 10;
            b = r == 0   ? 0xF0
                : r == 1 ? 0xF7
                : r == 2 ? uint8_t(0x80 + random() % 128)
                         : uint8_t(random() % 128);
        }
        a.Feed(piece.data(), piece.size(), out);
    }
    EXPECT_FALSE(out.messages.empty());
    for (const auto& m : out.messages) {
        ASSERT_GE(m.size(), 2u);
        ASSERT_LE(m.size(), 127u);
        EXPECT_EQ(0xF0, m.front());
        EXPECT_EQ(0xF7, m.back());
        for (size_t i = 1; i + 1 < m.size(); ++i) ASSERT_LT(m[i], 0x80);
        SdsMessage parsed = ParseSdsMessage(m.data(), m.size());
        (void)parsed;
    }
}

TEST(TransferEvents, TypedQueueAndVirtualClock) {
    TransferEventQueue q;
    q.Post({kEventOutputDone, {}});
    q.Post({kEventMessage, {0xF0, 0xF7}});
    q.Post({kEventMessage, {0xF0, 0x01, 0xF7}});
    TransferEvent e;
    ASSERT_TRUE(q.Take(EventBit(kEventMessage), &e));
    EXPECT_EQ(2u, e.bytes.size());
    ASSERT_TRUE(q.Take(EventBit(kEventMessage), &e));
    EXPECT_EQ(3u, e.bytes.size());
    EXPECT_FALSE(q.Take(EventBit(kEventMessage), &e));
    EXPECT_TRUE(q.Has(EventBit(kEventOutputDone)));
    q.Drop(EventBit(kEventOutputDone));
    EXPECT_EQ(0u, q.Size());

    VirtualTransferClock clock;
    bool ran = false;
    clock.Schedule(300, [&] { ran = true; });
    clock.WaitPosted(q, q.Generation(), 1000);  // stops at the scheduled action
    EXPECT_TRUE(ran);
    EXPECT_EQ(300, clock.NowMs());
    clock.WaitPosted(q, q.Generation(), 1000);
    EXPECT_EQ(1000, clock.NowMs());
    clock.Sleep(80);
    EXPECT_EQ(1080, clock.NowMs());
    EXPECT_EQ(80, clock.sleptMs());
}

TEST(TransferEvents, SteadyClockWakesOnAPost) {
    TransferEventQueue q;
    SteadyTransferClock clock;
    uint64_t seen = q.Generation();
    std::thread poster([&] { q.Post({kEventInputError, {}}); });
    int64_t start = clock.NowMs();
    clock.WaitPosted(q, seen, start + 20000);
    poster.join();
    EXPECT_LT(clock.NowMs() - start, 10000);
    EXPECT_TRUE(q.Has(EventBit(kEventInputError)));
}

TEST(SocketPort, RawBytesBothWaysAndPeerCloseIsAnInputError) {
    fs::path folder = TempFolder("socket");
    std::string path = (folder / "s.sock").string();
    int server = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(0, bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(server, 1));

    TransferEventQueue q;
    TransferInput input(q, 127);
    auto port = NewSocketMidiPort(path);
    ASSERT_TRUE(port->Open(&input, true));
    int peer = accept(server, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const uint8_t hello[] = {0xF0, 0x7E, 0x00, 0x03, 0x01, 0x00, 0xF7};
    ASSERT_EQ(kMidiSent, port->Send(hello, sizeof hello));
    uint8_t got[7];
    ASSERT_EQ(7, read(peer, got, 7));
    EXPECT_EQ(0, std::memcmp(hello, got, 7));
    // The reply in two pieces.
    const uint8_t a[] = {0xF0, 0x7E, 0x00};
    const uint8_t b[] = {0x7F, 0x00, 0xF7};
    ASSERT_EQ(3, write(peer, a, 3));
    usleep(20000);
    ASSERT_EQ(3, write(peer, b, 3));
    SteadyTransferClock clock;
    int64_t until = clock.NowMs() + 5000;
    while (!q.Has(EventBit(kEventMessage)) && clock.NowMs() < until)
        clock.WaitPosted(q, q.Generation(), clock.NowMs() + 50);
    TransferEvent e;
    ASSERT_TRUE(q.Take(EventBit(kEventMessage), &e));
    EXPECT_EQ(6u, e.bytes.size());
    EXPECT_TRUE(q.Has(EventBit(kEventOutputDone)));
    close(peer);
    until = clock.NowMs() + 5000;
    while (!q.Has(EventBit(kEventInputError)) && clock.NowMs() < until)
        clock.WaitPosted(q, q.Generation(), clock.NowMs() + 50);
    EXPECT_TRUE(q.Has(EventBit(kEventInputError)));
    port->Close();
    close(server);
    EXPECT_FALSE(NewSocketMidiPort((folder / "none.sock").string())->Open(&input, true));
    fs::remove_all(folder);
}

TEST(SocketPort, TheEnvironmentMakesItDeviceZero) {
    setenv("ORBICK_MIDI_SOCKET", "/tmp/some.sock", 1);
    MidiDeviceLists lists = ListMidiDevices();
    unsetenv("ORBICK_MIDI_SOCKET");
    ASSERT_FALSE(lists.outputs.empty());
    ASSERT_FALSE(lists.inputs.empty());
    EXPECT_EQ(kMidiDeviceSocket, lists.outputs[0].kind);
    EXPECT_EQ("/tmp/some.sock", lists.inputs[0].address);
    EXPECT_TRUE(SameMidiConnection(lists.outputs[0], lists.inputs[0]));
}

TEST(AlsaBytes, SysexEventsAndDecodedChannelMessages) {
    const uint8_t message[] = {0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7};
    snd_seq_event_t event;
    MakeAlsaSysexEvent(event, 3, message, sizeof message);
    EXPECT_EQ(SND_SEQ_EVENT_SYSEX, event.type);
    EXPECT_EQ(3, event.source.port);
    EXPECT_EQ(sizeof message, event.data.ext.len);
    EXPECT_TRUE(snd_seq_ev_is_direct(&event));
    std::vector<uint8_t> bytes;
    AlsaEventBytes(event, nullptr, bytes);
    EXPECT_EQ(std::vector<uint8_t>(message, message + sizeof message), bytes);

    snd_midi_event_t* decoder = nullptr;
    ASSERT_EQ(0, snd_midi_event_new(64, &decoder));
    snd_seq_event_t note;
    snd_seq_ev_clear(&note);
    snd_seq_ev_set_noteon(&note, 2, 60, 100);
    bytes.clear();
    AlsaEventBytes(note, decoder, bytes);
    EXPECT_EQ((std::vector<uint8_t>{0x92, 60, 100}), bytes);
    snd_midi_event_free(decoder);
}

TEST(AlsaSmoke, ListsAndOpensRealDevices) {
    if (access("/dev/snd/seq", F_OK) != 0) {
        GTEST_SKIP() << "no ALSA sequencer here";
    }
    MidiDeviceLists lists = ListMidiDevices();
    for (const MidiDevice& d : lists.outputs) {
        EXPECT_FALSE(d.name.empty());
        TransferEventQueue q;
        TransferInput input(q, 127);
        auto port = NewMidiPort(d);
        ASSERT_NE(nullptr, port);
        if (port->Open(&input, false)) port->Close();
    }
}
