// The sampler's script functions and settings: one type range everywhere,
// obSetSamplerType as the Sampler menu with its recorder line, the recorded
// transfer line of the "Sampler Transfer" dialog, the transfer timing and the
// "Dynamic Dialog" bit of the settings store.
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/dialog_guard.h"
#include "base/messages.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_commands.h"
#include "sampler/transfer_events.h"
#include "script/recorder.h"
#include "script/sampler_commands.h"
#include "script/script_api.h"
#include "script/settings_store.h"
#include "script_support.h"

using namespace ob;
using namespace ob::test;

namespace {
class SamplerFunctions : public ScriptTest {
  protected:
    void TearDown() override {
        gSamplerType = 0;
        gTransferTiming = TransferTiming();
        gSamplerDynamicDialog = true;
        StopRecorder();
        ScriptTest::TearDown();
    }
};
}  // namespace

TEST_F(SamplerFunctions, SetSamplerTypeSelectsAsTheMenuAndRecords) {
    TempFolder folder;
    ASSERT_EQ(StartRecorder(folder / "rec.bas"), kRecorderStarted);
    gSamplerType = kSamplerEps;
    EXPECT_EQ(kSamplerEps, obSetSamplerType(kSamplerAkaiS1000));  // no menu item: SDS 16 bit
    EXPECT_EQ(kSamplerSds16, gSamplerType);
    EXPECT_EQ(0, obSetSamplerType(11));  // outside the table: nothing happens
    EXPECT_EQ(0, obSetSamplerType(-1));
    EXPECT_EQ(kSamplerSds16, gSamplerType);
    EXPECT_EQ(kSamplerSds16, SelectSamplerType(SamplerTypeOfMenuId(40307)));
    EXPECT_EQ(kSamplerAkaiS612, gSamplerType);
    StopRecorder();
    EXPECT_EQ(
        ReadWholeFile(folder / "rec.bas"),
        RecorderHeader() +
            "obSetSamplerType OB_SAMPLER_SDS16\nobSetSamplerType OB_SAMPLER_AKAIS612\nEnd Sub\n");
}

TEST_F(SamplerFunctions, OneRangeInTheStoreAndTheConfigurationRecord) {
    SettingsStore store;
    ParseSettingsText("[General]\nSampler=10\nMidiTimeout=250\nMidiWaitLimit=0\nDispF=16\n", store);
    ApplyStoredSettings(store);
    EXPECT_EQ(kSamplerAkaiS1000, gSamplerType);
    EXPECT_EQ(250, gTransferTiming.replyTimeoutMs);
    EXPECT_EQ(0, gTransferTiming.waitLimitMs);
    EXPECT_FALSE(gSamplerDynamicDialog);
    SettingsStore bad;
    ParseSettingsText("[General]\nSampler=11\nMidiTimeout=0\n", bad);
    ApplyStoredSettings(bad);
    EXPECT_EQ(kSamplerAkaiS1000, gSamplerType);
    EXPECT_EQ(250, gTransferTiming.replyTimeoutMs);

    uint8_t record[kConfigBytes] = {};
    record[28] = 9;
    ApplyConfigRecord(record, false);
    EXPECT_EQ(kSamplerDsm1, gSamplerType);
    record[28] = 11;
    ApplyConfigRecord(record, false);
    EXPECT_EQ(kSamplerDsm1, gSamplerType);
}

TEST_F(SamplerFunctions, TransfersRefuseWithoutAWaveAndForUnbuiltTypes) {
    int number = 0;
    ASSERT_EQ(0, CreateEditor(&number));
    // Receive into an editor without a wave but no device: result 5, returns 0.
    unsetenv("ORBICK_MIDI_SOCKET");
    SetMidiTestDevice({});
    if (access("/dev/snd", F_OK) != 0) {
        EXPECT_EQ(0, obReceive(number, 1, 0, 0, 1, 0, 0, 0));
        EXPECT_FALSE(WaveHasData(FindEditor(number)));
    }
    EXPECT_EQ(0, obSend(number, 1, 0, 0, 1, 0, 0, 0));  // no wave to send
    EXPECT_EQ(0, obSend(42, 1, 0, 0, 1, 0, 0, 0));
    gSamplerType = kSamplerEps;
    gMessageType = kMsgTypeNone;
    EXPECT_EQ(0, obReceive(number, 1, 0, 0, 1, 0, 0, 0));  // no MIDI port to the sampler
    SetDialogInUse(kDialogSamplerTransfer, true);
    EXPECT_EQ(0, obReceive(number, 1, 0, 0, 1, 0, 0, 0));
}

TEST_F(SamplerFunctions, TheDialogsOkRecordsTheTransferLineWithFlagsZero) {
    TempFolder folder;
    int number = 0;
    ASSERT_EQ(0, CreateEditor(&number));
    gActiveEditor = number;
    gMessageType = kMsgTypeNone;
    InitTransferContext(gTransfer, FindEditor(number));
    TransferDialogState state;
    state.direction = 1;
    state.selectedType = kSamplerSds12;
    gTransfer.channel() = 4;
    gTransfer.sampleNumber() = 7;
    gTransfer.words[kWordLayer] = 2;
    gTransfer.words[kWordInstrument] = 3;
    gTransfer.midiInDevice = 5;  // no such device: the transfer fails with 5
    gTransfer.midiOutDevice = 6;
    ASSERT_EQ(StartRecorder(folder / "rec.bas"), kRecorderStarted);
    EXPECT_EQ(kTransferInitFailed, AcceptTransferDialogRecorded(state));
    EXPECT_EQ(kSamplerSds12, gSamplerType);
    EXPECT_EQ(kSamplerSds12, gCurrentSamplerPreset.type);
    StopRecorder();
    EXPECT_EQ(ReadWholeFile(folder / "rec.bas"), RecorderHeader() + "obReceive " +
                                                     std::to_string(number) +
                                                     ", 7, 2, 3, 4, 0, 5, 6\nEnd Sub\n");
    EXPECT_EQ("obSend 1, 2, 3, 4, 5, 0, 6, 7\n", TransferLine(0, 1, 2, 3, 4, 5, 6, 7));
}
