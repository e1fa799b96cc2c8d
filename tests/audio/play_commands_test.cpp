// The playback commands: the toggle rule, the macro recorder lines, the
// reported failures, and loading play preference files.
#include "script/play_commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/user_interface.h"
#include "script/recorder.h"
#include "tests/audio/audio_test_support.h"

namespace ob {
namespace {

class PlayCommands : public ::testing::Test, public AudioFixtureState {
  protected:
    void TearDown() override { StopRecorder(); }
    std::string Recorded() {
        StopRecorder();
        std::ifstream f(dir / "rec.bas");
        std::stringstream text;
        text << f.rdbuf();
        std::string s = text.str();
        size_t body = s.find("Sub Main");
        return body == std::string::npos ? s : s.substr(s.find('\n', body) + 1);
    }
};

TEST_F(PlayCommands, ASecondPlayStopsAndEachCommandRecordsItsLine) {
    auto gate = std::make_shared<GateClock>();
    UseFileDevice({}, gate);
    WaveRecord* r = MakeWave(100000, false, [](int, uint32_t i) { return float(i % 7) / 10; });
    ASSERT_EQ(StartRecorder(dir / "rec.bas"), kRecorderStarted);
    EXPECT_EQ(PlayCommand(*r, kPlayWhole), kPlayOk);
    EXPECT_TRUE(PlaybackRunning());
    EXPECT_EQ(PlayCommand(*r, kPlayAffectArea), kPlayOk);  // only stops
    EXPECT_FALSE(PlayerOpen());
    EXPECT_EQ(PlayCommand(*r, kPlayWholeLoop), kPlayOk);
    StopCommand();
    EXPECT_EQ(PlayCommand(*r, kPlayAffectArea), kPlayOk);
    EXPECT_EQ(PlayCommand(*r, kPlayAffectArea, false), kPlayOk);  // a script caller: no line
    int n = r->editorNumber;
    EXPECT_EQ(Recorded(), "obPlay " + std::to_string(n) + "\nobStopPlay\nobPlayLoop " +
                              std::to_string(n) + "\nobStopPlay\nobPlayAffect " +
                              std::to_string(n) + "\nEnd Sub\n");
}

TEST_F(PlayCommands, FailuresAreReportedWithTheEditorsTitle) {
    UseFileDevice({48000});
    WaveRecord* r = MakeWave(
        10, false, [](int, uint32_t) { return 0.0f; }, 22050);
    gMessageType = kMsgTypeFile;
    ASSERT_TRUE(OpenMessageFile(dir / "messages.txt"));
    EXPECT_EQ(PlayCommand(*r, kPlayWhole), kPlayCannotMeet);
    EXPECT_FALSE(PlayerOpen());
    WaveRecord* empty = gEditorSlots[0];
    EXPECT_EQ(PlayCommand(*empty, kPlayWhole), -1);
    CloseMessageFile();
    std::ifstream f(dir / "messages.txt");
    std::stringstream text;
    text << f.rdbuf();
    EXPECT_NE(text.str().find("Audio device cannot meet the requested capabilities."),
              std::string::npos);
}

TEST_F(PlayCommands, PlayPreferenceFilesLoadAndRecordTheirLine) {
    PlayPrefs p;
    p.transpose = 5;
    ASSERT_EQ(WritePlayPrefsFile(dir / "p.obx", p), 0);
    ASSERT_EQ(StartRecorder(dir / "rec.bas"), kRecorderStarted);
    EXPECT_TRUE(LoadPlayPrefsCommand(dir / "p.obx"));
    EXPECT_EQ(gPlayPrefs.transpose, 5);
    gMessageType = kMsgTypeNone;
    EXPECT_FALSE(LoadPlayPrefsCommand(dir / "none.obx"));
    EXPECT_TRUE(SavePlayPrefsCommand(dir / "q.obx"));
    EXPECT_FALSE(SavePlayPrefsCommand(dir / "no/such/q.obx"));
    EXPECT_EQ(Recorded(), "obLoadPlayPrefs \"" + dir / "p.obx" + "\"\nEnd Sub\n");
}

}  // namespace
}  // namespace ob
