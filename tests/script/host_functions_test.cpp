// The host functions called directly, as the engine calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "dsp/frame.h"
#include "engine/tessel.h"
#include "script/host_state.h"
#include "script/op_bindings.h"
#include "script/script_api.h"
#include "script_support.h"
#include "wave/undo.h"

using namespace ob;
using namespace ob::test;

namespace {

std::vector<float> Ramp(size_t n, float scale = 0.001f) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = float(int(i % 200) - 100) * scale;
    return v;
}

}  // namespace

class HostFunctions : public ScriptTest {};

TEST_F(HostFunctions, EditorNumbersAndTheActiveEditor) {
    MakeEditor(3, Ramp(100));
    MakeEditor(5, Ramp(100));
    EXPECT_EQ(obGetNextOpenEditor(0), 3);
    EXPECT_EQ(obGetNextOpenEditor(4), 5);
    EXPECT_EQ(obGetNextOpenEditor(6), 0);
    EXPECT_EQ(obIsEditorOpen(3), 1);
    EXPECT_EQ(obIsEditorOpen(4), 0);
    EXPECT_EQ(obIsEditorOpen(100), 0);
    EXPECT_EQ(obIsEditorOpen(-1), 0);
    EXPECT_EQ(obIsEditorOpen(0), 0);  // no active editor yet
    EXPECT_EQ(obGetActiveEditorID(), 0);

    // A new editor becomes the active one; closing it activates the highest open one.
    int made = obOpenEditor();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(obGetActiveEditorID(), 1);
    EXPECT_EQ(obIsEditorOpen(0), 1);
    EXPECT_EQ(obIsEditorLoaded(0), 0);
    EXPECT_EQ(obIsEditorLoaded(3), 1);
    EXPECT_EQ(obCloseEditor(0), 1);
    EXPECT_EQ(obGetActiveEditorID(), 5);
    EXPECT_EQ(obCloseEditor(1), 0);  // already closed

    // Editor 0 addresses the active editor: a gain of 3 dB on it.
    std::vector<float> before(gEditorSlots[5]->leftSamples, gEditorSlots[5]->leftSamples + 100);
    EXPECT_EQ(obGain(0, 3.0), 1);
    double factor = std::pow(10.0, 3.0 / 20.0);
    for (size_t i = 0; i < 100; ++i)
        EXPECT_FLOAT_EQ(gEditorSlots[5]->leftSamples[i], float(before[i] * factor)) << i;
    EXPECT_EQ(gEditorSlots[3]->leftSamples[0], before[0]);

    // Clone opens a new editor holding a copy and makes it active.
    EXPECT_EQ(obClone(3), 1);
    int clone = obGetActiveEditorID();
    ASSERT_NE(clone, 0);
    EXPECT_NE(clone, 3);
    EXPECT_EQ(obInquire(clone, 1, 0), 100);
    EXPECT_EQ(obGetSampleValueFloat(clone, 7), obGetSampleValueFloat(3, 7));
}

TEST_F(HostFunctions, SettingsFunctionsReturnThePreviousValue) {
    gMessageType = kMsgTypeFile;
    EXPECT_EQ(obSetMsgType(7), kMsgTypeFile);
    EXPECT_EQ(gMessageType, kMsgTypeBox);
    EXPECT_EQ(obSetMsgType(3), kMsgTypeBox);
    EXPECT_EQ(obSetMsgType(0), kMsgTypeStatus);

    EXPECT_EQ(obSetAffectType(9), 1);
    EXPECT_EQ(gEditing.affectArea, 4);
    EXPECT_EQ(obSetAffectType(-3), 4);
    EXPECT_EQ(gEditing.affectArea, 1);

    // Edit channel: the left and right toggles until the bits equal x.
    gEditing.editChannel = kEditLeftRight;
    EXPECT_EQ(obSetEditChannel(1), 3);
    EXPECT_EQ(gEditing.editChannel, uint32_t(kEditLeft));
    EXPECT_EQ(obSetEditChannel(2), 1);
    EXPECT_EQ(gEditing.editChannel, uint32_t(kEditRight));
    EXPECT_EQ(obSetEditChannel(7), 2);
    EXPECT_EQ(gEditing.editChannel, uint32_t(kEditLeftRight));
    EXPECT_EQ(obSetEditChannel(0), 3);
    EXPECT_EQ(gEditing.editChannel, uint32_t(kEditLeft));

    gEditing.defaultSaveFormat = kFormatWav32;
    EXPECT_EQ(obSetFormatType(kFormatAiff24), kFormatWav32);
    EXPECT_EQ(gEditing.defaultSaveFormat, kFormatAiff24);
    // A code that names no format selects WAV 16 bit and returns the previous code.
    EXPECT_EQ(obSetFormatType(4), kFormatAiff24);
    EXPECT_EQ(gEditing.defaultSaveFormat, kFormatWav16);
    EXPECT_EQ(obSetFormatType(21), kFormatWav16);
    EXPECT_EQ(obSetFormatType(kFormatWav32), kFormatWav16);
    EXPECT_EQ(obSetFormatType(1), kFormatWav32);
    EXPECT_EQ(gEditing.defaultSaveFormat, kFormatWav16);

    gSamplerType = 0;
    EXPECT_EQ(obSetSamplerType(8), 0);
    EXPECT_EQ(obSetSamplerType(3), 8);
    EXPECT_EQ(obSetSamplerType(11), 0);
    EXPECT_EQ(gSamplerType, 3);

    EXPECT_EQ(obBackups(5000), 1);
    EXPECT_EQ(gBackups, 1000u);
    EXPECT_EQ(obBackups(-2), 1);
    EXPECT_EQ(gBackups, 0u);
    EXPECT_EQ(obSetProgressBar(250), 1);
    EXPECT_EQ(CurrentProgress(), 100);

    MakeEditor(2, Ramp(50));
    EXPECT_EQ(obSetMode(2, 9), 0);
    EXPECT_EQ(obSetMode(2, 1), 3);
    EXPECT_EQ(obSetMode(2, -4), 1);
    EXPECT_EQ(obSetMode(7, 1), 0);
}

TEST_F(HostFunctions, MessageFileAndTheMessageTypes) {
    TempFolder folder;
    BoxRecorder ui;
    EXPECT_EQ(obCloseMsgFile(), 0);
    EXPECT_EQ(obWriteMsgFile("nothing"), 0);
    // With the file type and no file, messages are dropped.
    obSetMsgType(2);
    EXPECT_EQ(obPlay(0), 0);
    EXPECT_TRUE(ui.boxes.empty());

    ASSERT_EQ(obOpenMsgFile((folder / "msg.txt").c_str()), 1);
    EXPECT_EQ(obWriteMsgFile("line one"), 8);
    MakeEditor(1, Ramp(10));
    EXPECT_EQ(obAM(1, 1.0, 1.0, 1), 0);  // not built yet: the message goes to the file
    EXPECT_EQ(obCloseMsgFile(), 1);
    EXPECT_EQ(ReadWholeFile(folder / "msg.txt"), "line oneThis item is not yet available.\n\n");

    obSetMsgType(1);
    EXPECT_EQ(obClickAndPop(1, 1), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Sample Orbick");
    EXPECT_EQ(ui.boxes[0].text, "This item is not yet available.\n");
    // An argument check of its own answers without a message.
    EXPECT_EQ(obEQLowPass(1, 100, 3), 0);
    EXPECT_EQ(obEQBass(9, 100, 3.0), 0);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(HostFunctions, RefusedWhileTheOperationsDialogIsOpen) {
    MakeEditor(1, Ramp(64));
    float first = gEditorSlots[1]->leftSamples[0];
    SetDialogInUse(kDialogGain, true);
    EXPECT_EQ(obGain(1, -6.0), 0);
    EXPECT_EQ(gEditorSlots[1]->leftSamples[0], first);
    EXPECT_EQ(obNormalize(1, -1.0), 1);  // another dialog's bit
    SetDialogInUse(kDialogGain, false);
    SetDialogInUse(kDialogReplicate, true);
    EXPECT_EQ(obReplicate(1, 2.0, 2), 0);
    SetDialogInUse(kDialogReplicate, false);
    EXPECT_EQ(obReplicate(1, 2.0, 3), 0);  // choice 3 is outside the set
    EXPECT_EQ(obInquire(1, 1, 0), 64);
    EXPECT_EQ(obReplicate(1, 2.0, 2), 1);
    EXPECT_GT(obInquire(1, 1, 0), 64);
}

TEST_F(HostFunctions, LoopsMarkersAndInquiries) {
    WaveRecord& r = MakeEditor(1, Ramp(1000), Ramp(1000, 0.002f), 44100);
    EXPECT_EQ(obSetLoop(1, 2, 500, 100, 0, 1), 1);
    EXPECT_EQ(obInquire(1, 5, 2), 100);
    EXPECT_EQ(obInquire(1, 6, 2), 500);
    EXPECT_EQ(obInquire(1, 7, 0), 2);
    EXPECT_EQ(obInquire(1, 8, 0), -1);
    // Start equal to end: 0 and nothing changes.
    EXPECT_EQ(obSetLoop(1, 2, 300, 300, 0, 2), 0);
    EXPECT_EQ(obInquire(1, 5, 2), 100);
    EXPECT_EQ(obInquire(1, 8, 0), -1);
    // Clamped to the last frame; both clamp to 999 and are then equal.
    EXPECT_EQ(obSetLoop(1, 3, 5000, 2000, 1, 2), 0);
    EXPECT_EQ(obSetLoop(1, 3, 10, 2000, 0x101, 2), 1);
    EXPECT_EQ(obInquire(1, 6, 3), 999);
    EXPECT_EQ(FindLoop(r, 3)->type, 1);
    EXPECT_EQ(obInquire(1, 8, 0), 3);
    EXPECT_EQ(obSetLoop(1, 256, 1, 2, 0, 0), 0);

    EXPECT_EQ(obSetMarker(1, 4, 123), 1);
    EXPECT_EQ(obInquire(1, 4, 4), 123);
    EXPECT_EQ(obSetMarker(1, 5, 99999), 1);
    EXPECT_EQ(obInquire(1, 4, 5), 999);
    EXPECT_EQ(obInquire(1, 4, 6), -1);
    EXPECT_EQ(obSetMarker(1, 300, 1), 0);

    EXPECT_EQ(obInquire(1, 0, 0), 2);
    EXPECT_EQ(obInquire(1, 1, 0), 1000);
    EXPECT_EQ(obInquire(1, 2, 0), 22675);
    EXPECT_EQ(obInquire(1, 3, 0), 44100);
    gEditing.affectArea = kAffectMarkers;
    SetMarker(r, 200, 0, nullptr);
    SetMarker(r, 300, 1, nullptr);
    EXPECT_EQ(obInquire(1, 9, 0), 200);
    EXPECT_EQ(obInquire(1, 10, 0), 300);
    gEditing.affectArea = kAffectAll;
    EXPECT_EQ(obInquire(1, 9, 0), 0);
    EXPECT_EQ(obInquire(1, 10, 0), 999);
    gEditing.editChannel = kEditRight;
    EXPECT_EQ(obInquire(1, 11, 0), -1);
    EXPECT_EQ(obInquire(1, 12, 0), 1);
    r.sourceFormat = kFormatWav24;
    EXPECT_EQ(obInquire(1, 13, 0), 19);
    EXPECT_EQ(obInquire(1, 14, 0), -1);
    EXPECT_EQ(obInquire(2, 1, 0), -1);

    // An open editor without a sound.
    int empty = obOpenEditor();
    EXPECT_EQ(obInquire(empty, 0, 0), 0);
    EXPECT_EQ(obInquire(empty, 1, 0), 0);

    EXPECT_EQ(obKeyMap(1, -5, 60, 400), 1);
    EXPECT_EQ(r.keyLow, 0);
    EXPECT_EQ(r.keyRoot, 60);
    EXPECT_EQ(r.keyHigh, 127);
}

TEST_F(HostFunctions, SampleAccess) {
    WaveRecord& r = MakeEditor(1, {0.5f, -0.5f, 0.25f, 1.0f}, {0.1f, 0.2f, 0.3f, 0.4f});
    EXPECT_EQ(obGetSampleValue(1, 0), 16383);
    EXPECT_EQ(obGetSampleValue(1, 1), -16383);
    EXPECT_EQ(obGetSampleValue(1, 3), 32767);
    EXPECT_EQ(obGetSampleValue(1, 4), 0);
    EXPECT_EQ(obSetSampleValue(1, 2, 16384), 1);
    EXPECT_EQ(r.leftSamples[2], 0.5f);
    EXPECT_EQ(obSetSampleValue(1, 4, 1), 0);
    EXPECT_EQ(obSetSampleValueR(1, 0, -32768), 1);
    EXPECT_EQ(r.rightSamples[0], -1.0f);
    EXPECT_EQ(obSetSampleValueRFloat(1, 1, 0.75f), 1);
    EXPECT_EQ(obGetSampleValueRFloat(1, 1), 0.75f);
    EXPECT_EQ(obGetSampleValueR(1, 3), 13106);
    EXPECT_EQ(obSetSampleValueFloat(1, -1, 0.1f), 0);
    EXPECT_EQ(obGetSampleValueFloat(1, 99), 0.0f);

    MakeEditor(2, {0.5f, 0.25f});
    EXPECT_EQ(obSetSampleValueR(2, 0, 100), 0);  // mono
    EXPECT_EQ(obGetSampleValueRFloat(2, 0), 0.0f);

    // Block transfer through an Integer array handed over by reference.
    int16_t elements[6] = {0, 0, 0, 0, 0, 0};
    TesArray array{};
    array.dims = 1;
    array.elementSize = 2;
    array.data = elements;
    array.bounds[0].elements = 6;
    TesArray* pointer = &array;
    EXPECT_EQ(obGetSampleBuffer(1, 1, 10, &pointer), 1);
    EXPECT_EQ(elements[0], -16383);
    EXPECT_EQ(elements[1], 16383);
    EXPECT_EQ(elements[2], 32767);
    EXPECT_EQ(elements[3], 0);  // past the sound's end: untouched
    elements[0] = 8192;
    elements[1] = -16384;
    EXPECT_EQ(obSetSampleBuffer(1, 2, 2, &pointer), 1);
    EXPECT_EQ(r.leftSamples[2], 0.25f);
    EXPECT_EQ(r.leftSamples[3], -0.5f);
    EXPECT_EQ(obSetSampleBuffer(1, 4, 2, &pointer), 0);
    EXPECT_EQ(obGetSampleBuffer(1, 0, 2, nullptr), 0);

    // Backup, direct writes, clean-up, undo and redo.
    EXPECT_EQ(obBackupEditor(1), 1);
    EXPECT_EQ(obSetSampleValueFloat(1, 0, 0.125f), 1);
    EXPECT_EQ(obCleanUpEditor(1), 1);
    EXPECT_NE(r.stateFlags & kStateChanged, 0u);
    EXPECT_EQ(obUndoWave(1), 1);
    EXPECT_EQ(r.leftSamples[0], 0.5f);
    EXPECT_EQ(obRedoWave(1), 1);
    EXPECT_EQ(r.leftSamples[0], 0.125f);
    EXPECT_EQ(obRedoWave(1), 0);
    // Undo with nothing left to undo still answers 1 for an editor with a wave.
    while (CanUndo(r)) EXPECT_EQ(obUndoWave(1), 1);
    std::vector<float> before(r.leftSamples, r.leftSamples + r.frameCount);
    EXPECT_EQ(obUndoWave(1), 1);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), r.leftSamples));
    EXPECT_EQ(obUndoWave(9), 0);  // no wave there
}

TEST_F(HostFunctions, DeleteViewAndDirectorySearch) {
    WaveRecord& r = MakeEditor(1, Ramp(800));
    EXPECT_EQ(obZoomScroll(1, 1), 1);
    EXPECT_EQ(r.viewSpan, 400u);
    EXPECT_EQ(obZoomScroll(1, 6), 1);
    EXPECT_EQ(r.viewStart, 100u);
    EXPECT_EQ(obZoomScroll(1, 9), 0);
    EXPECT_EQ(obShowFull(1), 1);
    EXPECT_EQ(r.viewStart, 0u);
    EXPECT_EQ(r.viewSpan, 800u);
    EXPECT_EQ(obSetOffset(1, 44), 1);
    EXPECT_EQ(r.displayOffset, 44u);

    r.stateFlags |= kStateChanged;
    EXPECT_EQ(obDeleteWaveNV(1), 1);
    EXPECT_EQ(obIsEditorLoaded(1), 0);
    EXPECT_EQ(obIsEditorOpen(1), 1);
    EXPECT_EQ(r.stateFlags & kStateChanged, 0u);
    EXPECT_EQ(obDeleteWave(1), 1);
    EXPECT_EQ(obDeleteWave(42), 0);

    TempFolder folder;
    WriteTextFile(folder / "a.bas", "x");
    WriteTextFile(folder / "b.bas", "x");
    WriteTextFile(folder / "c.txt", "x");
    std::string pattern = folder / "*.bas";
    std::set<std::string> found;
    std::string first = obFindFirstFile(pattern.c_str());
    ASSERT_FALSE(first.empty());
    found.insert(first);
    EXPECT_STREQ(obFindFirstFile(pattern.c_str()), "");  // a search is already open
    for (std::string next = obFindNextFile(); !next.empty(); next = obFindNextFile())
        found.insert(next);
    EXPECT_EQ(found, (std::set<std::string>{"a.bas", "b.bas"}));
    EXPECT_EQ(obCloseFindFile(), 1);
    WriteTextFile(folder / "noext", "x");
    found.clear();
    std::string all = folder / "*.*";
    for (std::string name = obFindFirstFile(all.c_str()); !name.empty(); name = obFindNextFile())
        found.insert(name);
    EXPECT_EQ(found, (std::set<std::string>{"a.bas", "b.bas", "c.txt", "noext"}));
    EXPECT_EQ(obCloseFindFile(), 1);
    EXPECT_EQ(obCloseFindFile(), 0);
    EXPECT_STREQ(obFindNextFile(), "");
    EXPECT_STREQ(obFindFirstFile((folder / "*.wav").c_str()), "");
    EXPECT_EQ(obCloseFindFile(), 0);  // nothing matched: no search stays open
}
