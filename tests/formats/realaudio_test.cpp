// RealAudio export: without an encoder it fails and the wave stays changed;
// with the fake encoder library the rate and channel checks, the flavor
// list, 16-bit interleaving and the padded last buffer.
#include "formats/realaudio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "formats/sound_io.h"
#include "formats/sound_io_ui.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

struct Dialog : SoundIoUi {
    RealAudioExportParams choice;
    RealAudioExportParams shown;
    bool warned = false;
    bool AskYesNo(const std::string&, const std::string& text, bool) override {
        warned = text.rfind("WARNING:\nFor backward compatibility", 0) == 0;
        return true;
    }
    bool ChooseRealAudioParams(RealAudioExportParams& params) override {
        shown = params;
        params.flavorIndex = choice.flavorIndex;
        params.title = choice.title;
        params.author = choice.author;
        params.copyright = choice.copyright;
        params.selectiveRecord = choice.selectiveRecord;
        params.perfectPlay = choice.perfectPlay;
        return true;
    }
    void Report(const std::string& caption, const std::string& text) override {
        messages.push_back({caption, text});
    }
    std::string Last() const { return messages.empty() ? "" : messages.back().text; }
};

struct EncoderSetting {
    explicit EncoderSetting(const std::string& library) { gRealAudioEncoderLibrary = library; }
    ~EncoderSetting() {
        gRealAudioEncoderLibrary.clear();
        for (const char* v : {"FAKE_RA_BUFFER", "FAKE_RA_FAIL_INIT", "FAKE_RA_FAIL_ENCODE",
                              "FAKE_RA_RESAMPLE", "FAKE_RA_LOG"})
            unsetenv(v);
    }
};

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(RealAudio, InputRates) {
    EXPECT_EQ(44100u, RealAudioInputRate(44101));
    EXPECT_EQ(44100u, RealAudioInputRate(44099));
    EXPECT_EQ(0u, RealAudioInputRate(44102));
    EXPECT_EQ(22050u, RealAudioInputRate(22051));
    EXPECT_EQ(11025u, RealAudioInputRate(11024));
    EXPECT_EQ(8000u, RealAudioInputRate(7999));
    EXPECT_EQ(8000u, RealAudioInputRate(8001));
    EXPECT_EQ(0u, RealAudioInputRate(48000));
    EXPECT_EQ(0u, RealAudioInputRate(11014));
}

TEST(RealAudio, WithoutAnEncoderTheSaveFails) {
    TempFolder dir;
    EncoderSetting none("");
    TestWave w(100, 1, 44100);
    w.record.filePath = dir / "x.ra";
    w.record.stateFlags |= kStateChanged;
    Dialog ui;
    EXPECT_NE(kFileOk, SaveSound(w.record, kFormatRealAudio, 15, &ui));
    EXPECT_EQ("No RealAudio encoder is installed.", ui.Last());
    EXPECT_TRUE(w.record.stateFlags & kStateChanged);
    EXPECT_FALSE(FileExists(dir / "x.ra"));
    gRealAudioEncoderLibrary = dir / "no-such-library.so";
    EXPECT_NE(kFileOk, SaveSound(w.record, kFormatRealAudio, 15, &ui));
    EXPECT_EQ("No RealAudio encoder is installed.", ui.Last());
}

TEST(RealAudio, ExportWithTheEncoderLibrary) {
    TempFolder dir;
    EncoderSetting fake(FAKE_RA_ENCODER);
    setenv("FAKE_RA_LOG", (dir / "log").c_str(), 1);
    setenv("FAKE_RA_BUFFER", "1000", 1);
    setenv("FAKE_RA_RESAMPLE", "1", 1);
    TestWave w(1234, 2, 44101);
    w.record.leftSamples[0] = 1.5f;  // beyond full scale: clamped
    w.record.filePath = dir / "song.ra";
    w.record.stateFlags |= kStateChanged;
    Dialog ui;
    ui.choice.flavorIndex = 1;
    ui.choice.title = std::string(300, 't');
    ui.choice.author = "me";
    ui.choice.perfectPlay = true;
    ASSERT_EQ(kFileOk, SaveSound(w.record, kFormatRealAudio, 15, &ui));
    EXPECT_TRUE(ui.warned);
    EXPECT_EQ("Encoder Version: 6.2.1.42", ui.shown.versionLine);
    EXPECT_EQ((std::vector<std::string>{"Voice 8 kbps mono", "Music 64 kbps stereo"}),
              ui.shown.flavorNames);
    EXPECT_EQ("Encoder will perform resampling.", ui.Last());
    EXPECT_FALSE(w.record.stateFlags & kStateChanged);
    EXPECT_FALSE(FileExists(dir / "song.ra.pkc"));
    // 1234 stereo frames of 4 bytes, in buffers of 1000 bytes: 5 buffers, the last padded.
    auto bytes = ReadBytes(dir / "song.ra");
    ASSERT_EQ(5000u, bytes.size());
    for (uint32_t i = 0; i < 1234; ++i) {
        int16_t l, r;
        std::memcpy(&l, &bytes[4 * i], 2);
        std::memcpy(&r, &bytes[4 * i + 2], 2);
        ASSERT_EQ(int16_t(std::trunc(double(ClampSample(w.record.leftSamples[i])) * 32767.0)), l);
        ASSERT_EQ(int16_t(std::trunc(double(w.record.rightSamples[i]) * 32767.0)), r);
    }
    for (size_t i = 4936; i < 5000; ++i) ASSERT_EQ(0, bytes[i]);
    std::string log = FileText(dir / "log");
    EXPECT_NE(std::string::npos, log.find("init flavor=1 tag=1 rate=44100 bits=16 channels=2"));
    EXPECT_NE(std::string::npos, log.find("title=" + std::string(259, 't') + "\n"));
    EXPECT_NE(std::string::npos, log.find("author=me\ncopyright=\nselrec=0\nperfplay=1\nstart\n"));
    EXPECT_NE(std::string::npos,
              log.find("encode 1000\nencode 1000\nencode 1000\nencode 1000\nencode 1000\ndone"));
}

TEST(RealAudio, RefusalsLeaveTheWaveAndTheOldFile) {
    TempFolder dir;
    EncoderSetting fake(FAKE_RA_ENCODER);
    WriteBytes(dir / "old.ra", {7, 7, 7});
    TestWave mono(500, 1, 22050);
    mono.record.filePath = dir / "old.ra";
    mono.record.stateFlags |= kStateChanged;
    struct Case {
        int flavor;
        uint32_t rate;
        const char* failInit;
        const char* failEncode;
        std::string message;
    } cases[] = {
        {1, 22050, nullptr, nullptr,
         "Please choose a mono compression method to encode a mono sound."},
        {2, 22050, nullptr, nullptr,
         "Bad flavor index!\nCheck your system for duplicate/obsolete codec DLLs"},
        {0, 48000, nullptr, nullptr,
         "Sorry, Encoder can only handle input sample rates of\n44.1 kHz, 22.05 kHz, 11.025 kHz, "
         "and "
         "8 kHz.\nPlease use Sample Rate Transpose before encoding."},
        {0, 22050, "1", nullptr, "Sorry, Encoder failed to initialize."},
        {0, 22050, nullptr, "2", "RealAudio encoding failed."},
    };
    for (auto& c : cases) {
        if (c.failInit)
            setenv("FAKE_RA_FAIL_INIT", c.failInit, 1);
        else
            unsetenv("FAKE_RA_FAIL_INIT");
        if (c.failEncode)
            setenv("FAKE_RA_FAIL_ENCODE", c.failEncode, 1);
        else
            unsetenv("FAKE_RA_FAIL_ENCODE");
        setenv("FAKE_RA_BUFFER", "256", 1);
        mono.record.sampleRate = c.rate;
        Dialog ui;
        ui.choice.flavorIndex = c.flavor;
        EXPECT_NE(kFileOk, SaveSound(mono.record, kFormatRealAudio, 15, &ui)) << c.message;
        EXPECT_EQ(c.message, ui.Last());
        EXPECT_TRUE(mono.record.stateFlags & kStateChanged);
        EXPECT_EQ((std::vector<uint8_t>{7, 7, 7}), ReadBytes(dir / "old.ra"));
        EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path),
                                   std::filesystem::directory_iterator()));
    }
}

}  // namespace
}  // namespace ob
