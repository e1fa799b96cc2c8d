// The keyboard window's sequencer input: note-on and note-off decoding
// (a note-on with velocity 0 is a note-off) and the port's open and close,
// with or without a sequencer on the machine.
#include "audio/note_input.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace ob {
namespace {

TEST(NoteInput, DecodesNotesOnly) {
    NoteEvent e;
    ASSERT_TRUE(DecodeNoteEvent(SND_SEQ_EVENT_NOTEON, 60, 100, &e));
    EXPECT_TRUE(e.on);
    EXPECT_EQ(e.key, 60);
    EXPECT_EQ(e.velocity, 100);
    ASSERT_TRUE(DecodeNoteEvent(SND_SEQ_EVENT_NOTEON, 61, 0, &e));
    EXPECT_FALSE(e.on);
    EXPECT_EQ(e.key, 61);
    ASSERT_TRUE(DecodeNoteEvent(SND_SEQ_EVENT_NOTEOFF, 62, 64, &e));
    EXPECT_FALSE(e.on);
    EXPECT_FALSE(DecodeNoteEvent(SND_SEQ_EVENT_CONTROLLER, 1, 2, &e));
    EXPECT_FALSE(DecodeNoteEvent(SND_SEQ_EVENT_NOTEON, 128, 1, &e));
    EXPECT_FALSE(DecodeNoteEvent(SND_SEQ_EVENT_NOTEON, -1, 1, &e));
}

TEST(NoteInput, OpensWhereASequencerExistsAndSaysWhyNot) {
    NoteInputPort port;
    std::string error;
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) {
        EXPECT_FALSE(port.Open([](const NoteEvent&) {}, &error));
        EXPECT_EQ(error, "No MIDI sequencer is available.");
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.Address(), "");
        return;
    }
    ASSERT_TRUE(port.Open([](const NoteEvent&) {}, &error)) << error;
    EXPECT_TRUE(port.IsOpen());
    EXPECT_NE(port.Address().find(':'), std::string::npos);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace ob
