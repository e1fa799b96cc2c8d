// Text import: one and two columns, the header form, scaling, rate limits
// and the files that are not text.
#include <gtest/gtest.h>

#include "formats/sound_formats.h"
#include "formats/sound_io_ui.h"
#include "sound_test_support.h"

namespace ob {
namespace {

using namespace soundtest;

struct Collect : SoundIoUi {
    void Report(const std::string& caption, const std::string& text) override {
        messages.push_back({caption, text});
    }
};

ReadOutcome Import(const std::string& path, const std::string& text, Loaded& in,
                   Collect* ui = nullptr) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    return ReadText(path, in.record, ui != nullptr, ui);
}

TEST(TextImport, OneColumn) {
    TempFolder dir;
    Loaded in;
    ReadOutcome out = Import(dir / "a.txt", "0.5\r-0.25\r1\r", in);
    ASSERT_EQ(kFileOk, out.result);
    EXPECT_EQ(kFormatText1, out.format);
    EXPECT_EQ(3u, in.record.frameCount);
    EXPECT_EQ(44100u, in.record.sampleRate);
    EXPECT_FLOAT_EQ(float(0.5 * 0.99999976), in.record.leftSamples[0]);
    EXPECT_FLOAT_EQ(float(-0.25 * 0.99999976), in.record.leftSamples[1]);
    EXPECT_FLOAT_EQ(float(0.99999976), in.record.leftSamples[2]);
    // Header: count 3, period 1/8000 s, two unused numbers; line feeds after returns are ignored.
    Loaded h;
    ASSERT_EQ(kFileOk,
              Import(dir / "h.txt", "3\r\n0.000125\r\n0\r\n0\r\n-2\r\n1\r\n0.5\r\n", h).result);
    EXPECT_EQ(3u, h.record.frameCount);
    EXPECT_EQ(8000u, h.record.sampleRate);
    EXPECT_FLOAT_EQ(float(-0.99999976), h.record.leftSamples[0]);
    EXPECT_FLOAT_EQ(float(0.25 * 0.99999976), h.record.leftSamples[2]);
    // A first number that is not the count: every number is a sample.
    Loaded n;
    ASSERT_EQ(kFileOk, Import(dir / "n.txt", "7\r0.1\r0\r0\r4\r", n).result);
    EXPECT_EQ(5u, n.record.frameCount);
    EXPECT_EQ(44100u, n.record.sampleRate);
    EXPECT_FLOAT_EQ(float(0.99999976), n.record.leftSamples[0]);
    // A header period of 0 gives the 22050 default; all samples 0 give silence.
    Loaded z;
    ASSERT_EQ(kFileOk, Import(dir / "z.txt", "2\r0\r0\r0\r0\r0\r", z).result);
    EXPECT_EQ(22050u, z.record.sampleRate);
    EXPECT_EQ(0.0f, z.record.leftSamples[0]);
    EXPECT_EQ(0.0f, z.record.leftSamples[1]);
}

TEST(TextImport, TwoColumnsAndRateLimits) {
    TempFolder dir;
    Collect ui;
    Loaded a;
    ReadOutcome out = Import(dir / "a.txt", "0,0.5\r\n0.000001,1\r\n0.000002,-0.5\r\n", a, &ui);
    ASSERT_EQ(kFileOk, out.result);
    EXPECT_EQ(kFormatText2, out.format);
    EXPECT_EQ(3u, a.record.frameCount);
    EXPECT_EQ(1000u, a.record.sampleRate);
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ("Text File Import", ui.messages[0].caption);
    EXPECT_EQ("Sample rate is too high.\nIt has been reduced by a factor of 1000.",
              ui.messages[0].text);
    Collect million;
    Loaded b;
    ASSERT_EQ(kFileOk,
              Import(dir / "b.txt", "0,1\r9.3132257461547852e-10,1\r", b, &million).result);
    EXPECT_EQ(1073u, b.record.sampleRate);  // 2^30 Hz divided by a million
    ASSERT_EQ(1u, million.messages.size());
    EXPECT_EQ("Sample rate is too high.\nIt has been reduced by a factor of 1 million.",
              million.messages[0].text);
    // Not interactive: no message. Equal times: 22050, never infinity.
    Loaded c;
    ASSERT_EQ(kFileOk, Import(dir / "c.txt", "5,1\r5,-1\r", c).result);
    EXPECT_EQ(22050u, c.record.sampleRate);
    Loaded d;
    ASSERT_EQ(kFileOk, Import(dir / "d.txt", "0.5,1\r0.4921875,-1\r", d).result);
    EXPECT_EQ(128u, d.record.sampleRate);
}

TEST(TextImport, FilesThatAreNotText) {
    TempFolder dir;
    const char* notText[] = {
        "0.5\n-0.25\n1\n",  // line feeds only
        "0.5\r\r1\r",       // an empty line
        "1,2,3\r",          // three columns
        "1,2\r3\r",         // column counts differ
        "1\r2 \r",          // a space
        ",1\r",             // a comma after no number
        "1\r",              // shorter than 3 bytes is fine only from 3 bytes up
        "12",               // no carriage return
    };
    for (const char* text : notText) {
        Loaded in;
        ReadOutcome out = Import(dir / "x.txt", text, in);
        EXPECT_EQ(kFormatNotSupported, out.result) << text;
        EXPECT_FALSE(out.recognised);
        EXPECT_EQ(nullptr, in.record.leftSamples);
    }
    // Characters that pass the test but are no number: a read error, not recognised.
    for (const char* text : {"1\r.\r2\r", "1\r2\r--\r", "1,2\r3,e\r", "0,1\r"}) {
        Loaded in;
        ReadOutcome out = Import(dir / "y.txt", text, in);
        EXPECT_EQ(kFileReadError, out.result) << text;
        EXPECT_FALSE(out.recognised);
        EXPECT_EQ(nullptr, in.record.leftSamples);
    }
}

}  // namespace
}  // namespace ob
