// The recorder through the file device: what is recorded equals the input
// sample for sample, the header sizes, 24-bit recordings as float, the
// transport, the size limit, auto-load, play-back, and the record
// preferences with their presets. sox reads the recorded files.
#include "audio/recorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "audio/record_prefs.h"
#include "dsp/preset_file.h"
#include "tests/audio/audio_test_support.h"

namespace ob {
namespace {

class Recorder : public ::testing::Test, public AudioFixtureState {
  protected:
    void SetUp() override {
        gRecordPrefs = kRecordPresets[0];
        SetRecordFileLimit(0);
    }
    void TearDown() override {
        CloseRecorder(false);
        SetRecordFileLimit(0);
        gRecordPrefs = kRecordPresets[0];
    }
    // An empty editor whose file path is the recording's.
    WaveRecord* Editor() {
        int number = 0;
        EXPECT_EQ(CreateEditor(&number), 0);
        WaveRecord* r = gEditorSlots[number];
        r->filePath = dir / "take.wav";
        return r;
    }
    std::vector<int16_t> Input(uint32_t frames, uint32_t channels) {
        std::vector<int16_t> s(size_t(frames) * channels);
        for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(int((i * 7919) % 60000) - 30000);
        WriteWav16(in, 44100, channels, s);
        return s;
    }
    // Records the whole input and closes.
    WavData RecordAll(WaveRecord* r, bool autoLoad = false) {
        EXPECT_EQ(OpenRecorder(*r), kRecordOk);
        RecorderRecord();
        RecorderWaitForInputEnd();
        CloseRecorder(autoLoad);
        WavData w;
        EXPECT_TRUE(ReadWav(dir / "take.wav", w));
        return w;
    }
    static std::string Run(const std::string& command) {
        std::string text;
        if (FILE* p = popen(command.c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
            pclose(p);
        }
        return text;
    }
};

TEST_F(Recorder, StereoRecordingEqualsTheInputAndCompletesTheHeader) {
    UseFileDevice({}, nullptr, true);
    std::vector<int16_t> input = Input(1000, 2);
    gRecordPrefs = kRecordPresets[1];  // CD quality, stereo
    WaveRecord* r = Editor();
    WavData w = RecordAll(r);
    EXPECT_EQ(w.tag, 1u);
    EXPECT_EQ(w.channels, 2u);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(w.riffSize, 4036u);
    EXPECT_EQ(w.dataSize, 4000u);
    EXPECT_EQ(w.fileSize, 4044u);
    ASSERT_EQ(w.samples.size(), input.size());
    for (size_t i = 0; i < input.size(); ++i) ASSERT_EQ(w.samples[i], input[i]) << i;
    EXPECT_EQ(r->sampleRate, 44100u);

    // sox reads the file and gives back the same samples.
    std::string path = dir / "take.wav";
    EXPECT_EQ(Run("soxi -s '" + path + "' 2>&1"), "1000\n");
    std::string raw = Run("sox '" + path + "' -t s16 -L - 2>/dev/null");
    ASSERT_EQ(raw.size(), input.size() * 2);
    EXPECT_EQ(std::memcmp(raw.data(), input.data(), raw.size()), 0);
}

TEST_F(Recorder, HighResolutionRecordsFloatsWithTheLongerHeader) {
    UseFileDevice({}, nullptr, true);
    WriteWav16(in, 48000, 1, {16384, -16384, 0, 32767});
    gRecordPrefs = kRecordPresets[10];  // High Resolution DAT rate, mono
    WaveRecord* r = Editor();
    WavData w = RecordAll(r);
    EXPECT_EQ(w.tag, 3u);
    EXPECT_EQ(w.bits, 32u);
    EXPECT_EQ(w.rate, 48000u);
    EXPECT_EQ(w.fileSize, 46u + 16);
    EXPECT_EQ(w.riffSize, 46u + 16 - 8);
    EXPECT_EQ(w.dataSize, 16u);
    ASSERT_EQ(w.samples.size(), 4u);
    float x[4];
    std::memcpy(x, w.samples.data(), 16);
    EXPECT_EQ(x[0], 0.5f);  // device value 0x40000000
    EXPECT_EQ(x[1], -0.5f);
    EXPECT_EQ(x[2], 0.0f);
    EXPECT_EQ(x[3], 32767.0f / 32768.0f);
    std::vector<uint8_t> bytes = ReadBytes(dir / "take.wav");
    EXPECT_EQ(Le32(&bytes[16]), 18u);
    EXPECT_EQ(Le16(&bytes[36]), 0u);  // extension size
    EXPECT_EQ(std::memcmp(&bytes[38], "data", 4), 0);
    EXPECT_EQ(Run("soxi -s '" + dir / "take.wav" + "' 2>&1"), "4\n");
    // Peaks of 24-bit input: |container| / 65536, in 0..32767 like 16-bit ones.
    EXPECT_EQ(RecorderState().heldPeakLeft, 0x7FFF0000 / 65536);
}

TEST_F(Recorder, ClosingWithoutRecordingDeletesTheFile) {
    UseFileDevice({}, nullptr, true);
    Input(100, 1);
    WaveRecord* r = Editor();
    ASSERT_EQ(OpenRecorder(*r), kRecordOk);
    EXPECT_TRUE(std::filesystem::exists(dir / "take.wav"));
    RecorderMonitor(true);  // meters only
    RecorderWaitForInputEnd();
    RecorderView v = RecorderState();
    EXPECT_GT(v.heldPeakLeft, 29000);
    EXPECT_EQ(v.length, 0);
    RecorderResetPeak();
    EXPECT_EQ(RecorderState().heldPeakLeft, 0);
    EXPECT_FALSE(CloseRecorder(true));
    EXPECT_FALSE(std::filesystem::exists(dir / "take.wav"));
}

TEST_F(Recorder, TransportMovesThePositionAndRecordingOverwritesFromThere) {
    UseFileDevice({}, nullptr, true);
    std::vector<int16_t> input = Input(3000, 1);
    WaveRecord* r = Editor();
    ASSERT_EQ(OpenRecorder(*r), kRecordOk);
    RecorderRecord();
    RecorderWaitForInputEnd();
    RecorderView v = RecorderState();
    EXPECT_EQ(v.length, 3000);
    EXPECT_EQ(v.position, 3000);
    EXPECT_STREQ(v.status, "Stop");
    RecorderGoToOffset(5000);
    EXPECT_EQ(RecorderState().position, 3000);
    RecorderGoToStart();
    EXPECT_EQ(RecorderState().position, 0);
    RecorderGoToEnd();
    EXPECT_EQ(RecorderState().position, 3000);
    EXPECT_EQ(RecorderState().length, 3000);
    // Recording again from frame 1000 writes the (now ended) input: nothing
    // more arrives, so the file keeps its frames.
    RecorderGoToOffset(1000);
    EXPECT_EQ(RecorderState().position, 1000);
    CloseRecorder(false);
    WavData w;
    ASSERT_TRUE(ReadWav(dir / "take.wav", w));
    ASSERT_EQ(w.samples.size(), input.size());
    EXPECT_EQ(w.samples[2999], input[2999]);
}

TEST_F(Recorder, TheSizeLimitStopsCleanlyWithANoticeAndAValidFile) {
    UseFileDevice({}, nullptr, true);
    std::vector<int16_t> input = Input(20000, 1);
    SetRecordFileLimit(44 + 2 * 5000 + 1);  // room for 5000 whole frames
    WaveRecord* r = Editor();
    ASSERT_EQ(OpenRecorder(*r), kRecordOk);
    RecorderRecord();
    RecorderWaitForInputEnd();
    EXPECT_EQ(RecorderState().length, 5000);
    EXPECT_STREQ(RecorderState().status, "Stop");
    EXPECT_EQ(RecorderTakeNotice(), kRecordLimitNotice);
    EXPECT_EQ(RecorderTakeNotice(), "");
    CloseRecorder(false);
    WavData w;
    ASSERT_TRUE(ReadWav(dir / "take.wav", w));
    EXPECT_EQ(w.dataSize, 10000u);
    EXPECT_EQ(w.riffSize + 8, w.fileSize);
    for (size_t i = 0; i < 5000; ++i) ASSERT_EQ(w.samples[i], input[i]);
}

TEST_F(Recorder, AutoLoadOpensTheRecordedFileInTheEditor) {
    UseFileDevice({}, nullptr, true);
    std::vector<int16_t> input = Input(500, 2);
    gRecordPrefs = kRecordPresets[1];
    WaveRecord* r = Editor();
    ASSERT_EQ(OpenRecorder(*r), kRecordOk);
    RecorderRecord();
    RecorderWaitForInputEnd();
    ASSERT_TRUE(CloseRecorder(true));
    ASSERT_TRUE(WaveHasData(r));
    EXPECT_EQ(r->frameCount, 500u);
    ASSERT_NE(r->rightSamples, nullptr);
    EXPECT_FLOAT_EQ(r->leftSamples[7], float(input[14]) / 32768.0f);
    EXPECT_FLOAT_EQ(r->rightSamples[7], float(input[15]) / 32768.0f);
}

TEST_F(Recorder, PlayBackStreamsTheFileThroughThePlayer) {
    UseFileDevice({}, nullptr, true);
    std::vector<int16_t> input = Input(3000, 1);
    WaveRecord* r = Editor();
    ASSERT_EQ(OpenRecorder(*r), kRecordOk);
    RecorderRecord();
    RecorderWaitForInputEnd();
    RecorderGoToOffset(1000);
    ASSERT_EQ(RecorderPlay(), kPlayOk);
    ASSERT_TRUE(WaitForPlaybackEnd());
    RecorderStop();
    EXPECT_EQ(RecorderState().position, 3000);  // the player's position at the stop
    WavData w;
    ASSERT_TRUE(ReadWav(out, w));
    ASSERT_GE(w.Frames(), 2000u);
    for (size_t i = 0; i < 2000; ++i)
        ASSERT_NEAR(w.At(i), double(input[1000 + i]) * 32767.0 / 32768.0, 1.0) << i;
}

TEST_F(Recorder, DeviceFailuresAreReportedAndTheEmptyFileGoes) {
    UseFileDevice();  // no input device
    WaveRecord* r = Editor();
    gMessageType = kMsgTypeNone;
    EXPECT_EQ(OpenRecorder(*r), kRecordBadDevice);
    CloseRecorder(true);
    EXPECT_FALSE(std::filesystem::exists(dir / "take.wav"));
    UseFileDevice({44100}, nullptr, true);
    Input(10, 1);
    gRecordPrefs = kRecordPresets[2];  // 48000: not taken
    EXPECT_EQ(OpenRecorder(*r), kRecordCannotMeet);
    CloseRecorder(false);
    r->filePath = dir / "no/such/folder/take.wav";
    EXPECT_EQ(OpenRecorder(*r), kRecordCannotOpenFile);
    EXPECT_STREQ(
        RecordResultText(5),
        "Audio device cannot meet the requested capabilities.\nTry alternate Record Preferences.");
    EXPECT_STREQ(RecordResultText(99), "Internal Audio Error.");
}

TEST(RecordPrefs, PresetsClampAndRefuse) {
    EXPECT_EQ(gRecordPrefs.name, "CD quality, mono");
    EXPECT_EQ(kRecordPresets[15].name, "High Resolution double DAT rate, stereo");
    EXPECT_EQ(RecordRate(kRecordPresets[0]), 44100u);
    EXPECT_EQ(RecordRate(kRecordPresets[7]), 11025u);
    EXPECT_EQ(RecordRate(kRecordPresets[14]), 96000u);
    EXPECT_EQ(RecordBufferBytes(kRecordPresets[6]), 32768u);

    TempDir dir;
    RecordPrefs p = kRecordPresets[13];
    p.customRate = 50;
    p.device = 7;
    ASSERT_EQ(WriteRecordPrefsFile(dir / "p.obx", p), 0);
    RecordPrefs got;
    ASSERT_EQ(ReadRecordPrefsFile(dir / "p.obx", 2, got), 0);
    EXPECT_EQ(got.channels, 2);
    EXPECT_EQ(got.bufferSize, 1);
    EXPECT_EQ(got.rateChoice, 3);
    EXPECT_EQ(got.customRate, 100);  // below 100 becomes 100
    EXPECT_EQ(got.device, 0);        // an unknown device becomes 0
    EXPECT_EQ(got.flags, kRecord24Bit);
    EXPECT_EQ(got.name, "High Resolution double CD rate, stereo");

    uint8_t record[kRecordPrefsBytes];
    RecordPrefsToRecord(kRecordPresets[0], record);
    record[0] = 3;  // three channels: refused
    RecordPrefs untouched = kRecordPresets[5];
    EXPECT_EQ(RecordPrefsFromRecord(record, false, 1, untouched), 1);
    EXPECT_EQ(untouched.channels, 2);
    RecordPrefsToRecord(kRecordPresets[0], record);
    record[8] = 4;  // unknown rate choice
    EXPECT_EQ(RecordPrefsFromRecord(record, false, 1, untouched), 1);
    ASSERT_EQ(WritePresetFile(dir / "bad.obx", "RCPF", record, kRecordPrefsBytes), 0);
    EXPECT_EQ(ReadRecordPrefsFile(dir / "bad.obx", 1, untouched), kRecordPrefsRefused);
    // The other byte order: every field swapped.
    RecordPrefsToRecord(kRecordPresets[3], record);
    SwapWords32(record, 0, 6);
    RecordPrefs swapped;
    ASSERT_EQ(RecordPrefsFromRecord(record, true, 1, swapped), 0);
    EXPECT_EQ(swapped.channels, 2);
    EXPECT_EQ(swapped.customRate, 48000);
}

TEST(PlayPrefs, RecordFilesAndPersistedRanges) {
    TempDir dir;
    PlayPrefs p;
    p.iterations = 7;
    p.transpose = -12;
    p.flags = kPlay24Bit | kPlayShowPosition;
    p.attenuation = 12;
    ASSERT_EQ(WritePlayPrefsFile(dir / "play.obx", p), 0);
    PlayPrefs got;
    ASSERT_EQ(ReadPlayPrefsFile(dir / "play.obx", got), 0);
    EXPECT_EQ(got.iterations, 7);
    EXPECT_EQ(got.transpose, -12);
    EXPECT_EQ(got.flags, kPlay24Bit | kPlayShowPosition);
    EXPECT_EQ(got.attenuation, 12);
    uint8_t record[kPlayPrefsBytes];
    PlayPrefsToRecord(p, record);
    SwapWords32(record, 0, 10);
    PlayPrefs swapped;
    PlayPrefsFromRecord(record, true, swapped);
    EXPECT_EQ(swapped.transpose, -12);
    EXPECT_STREQ(kPlayPrefNames[0], "PlPfIter");
    EXPECT_STREQ(kPlayPrefNames[9], "PlPfAtten");
    // Values out of range keep the previous one.
    PlayPrefs q;
    EXPECT_FALSE(SetPlayPrefField(q, 1, 128, 0));
    EXPECT_FALSE(SetPlayPrefField(q, 6, 0, 0));
    EXPECT_FALSE(SetPlayPrefField(q, 8, 2, 2));
    EXPECT_TRUE(SetPlayPrefField(q, 0, 1000000, 0));
    EXPECT_EQ(q.iterations, 1000000);
    EXPECT_EQ(q.bufferSize, 2);
    EXPECT_EQ(ReadPlayPrefsFile(dir / "missing.obx", q), 5);
}

}  // namespace
}  // namespace ob
