// Open and save at the same depth changes no sample: for every integer format
// and depth, a file sox makes from random codes (both end codes planted) is
// opened, saved in its own format, and sox decodes the saved file to the very
// same bytes. Sound Designer 1 and Studio 16 V3, which sox does not know,
// and 8-bit VOC (sox and libsndfile write other block types than the one
// block of type 9 we read) round-trip through their own writer twice and keep
// their data bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "formats/sound_io.h"
#include "sound_test_support.h"
#include "wave/file_result.h"
#include "wave/wave_record.h"

using namespace ob;
using namespace ob::soundtest;

namespace {

struct LosslessCase {
    const char* name;
    int code;           // our format code, for saving (and reading RAW)
    const char* type;   // sox file type of the file sox makes
    const char* codec;  // sox options of the samples: encoding, bits, byte order
    int bytes;          // bytes per sample
    int channels;
    size_t frames = 5000;  // a long WAV is read by several workers
};

void PrintTo(const LosslessCase& c, std::ostream* os) {
    *os << c.name;
}

bool RunTool(const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

// Random codes of every byte value, with the smallest and largest code of
// the depth planted at the start (little-endian byte order for the planting;
// codecs in big-endian order still get both extremes, as byte patterns).
std::vector<uint8_t> RandomCodes(const LosslessCase& c, size_t frames) {
    std::mt19937 rng(uint32_t(c.code * 7919 + c.bytes));
    std::vector<uint8_t> data(frames * c.channels * c.bytes);
    for (uint8_t& b : data) b = uint8_t(rng());
    std::string codec = c.codec;
    if (codec.find("floating-point") != std::string::npos) {
        // Floats within full scale (the integer formats' codes are all valid).
        std::uniform_real_distribution<float> x(-1.0f, 1.0f);
        for (size_t i = 0; i < data.size(); i += 4) {
            float v = i == 0 ? 1.0f : i == 4 ? -1.0f : x(rng);
            std::memcpy(&data[i], &v, 4);
        }
        return data;
    }
    // u-law's negative zero is written back as positive zero.
    if (codec.find("u-law") != std::string::npos)
        for (uint8_t& b : data)
            if (b == 0x7F) b = 0xFF;
    return data;
}

class Lossless : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(Lossless, OpenAndSaveKeepEverySample) {
    const LosslessCase& c = GetParam();
    TempFolder tmp;
    const size_t frames = c.frames;
    std::vector<uint8_t> codes = RandomCodes(c, frames);
    std::string rawIn = tmp / "codes.raw";
    WriteBytes(rawIn, codes);
    std::string rawOptions =
        std::string("-t raw ") + c.codec + " -c " + std::to_string(c.channels) + " -r 22050 ";
    std::string made = tmp / (std::string("made.") + c.type);
    ASSERT_TRUE(
        RunTool("sox -D " + rawOptions + rawIn + " -t " + c.type + " " + c.codec + " " + made))
        << "sox could not make the file";
    bool headerless = std::string(c.type) == "raw";

    // Open (RAW: the default save format names the RAW kind) and save again.
    Loaded in;
    in.record.filePath = made;
    int previous = SetDefaultSaveFormat(c.code);
    ASSERT_EQ(OpenSound(in.record, false), kFileOk);
    SetDefaultSaveFormat(previous);
    ASSERT_EQ(int(in.record.frameCount), int(frames));
    // The overview the reader built while reading equals one computed afterwards.
    if (frames >= 100000 && c.code == kFormatWav24)
        ASSERT_NE(in.record.rightOverview.pairs, nullptr);
    std::vector<float> readOverview[2];
    PeakOverview* overviews[2] = {&in.record.leftOverview, &in.record.rightOverview};
    for (int k = 0; k < 2; ++k)
        if (overviews[k]->pairs)
            readOverview[k].assign(overviews[k]->pairs,  // with the coarse level
                                   overviews[k]->pairs + OverviewBytes(overviews[k]->blocks) / 4);
    UpdateOverview(in.record, 0, 0, kEditLeftRight);
    for (int k = 0; k < 2; ++k) {
        if (!overviews[k]->pairs) continue;
        ASSERT_EQ(readOverview[k].size(), OverviewBytes(overviews[k]->blocks) / 4);
        EXPECT_TRUE(std::equal(readOverview[k].begin(), readOverview[k].end(), overviews[k]->pairs))
            << "overview " << k << " differs";
    }
    std::string saved = tmp / (std::string("saved.") + c.type);
    in.record.filePath = saved;
    ASSERT_EQ(SaveSound(in.record, c.code, 15), kFileOk);

    // sox reads the samples of both files as the same codes.
    std::string readOptions = headerless ? rawOptions : std::string("-t ") + c.type + " ";
    for (const std::string& file : {made, saved}) {
        std::string out = file + ".codes";
        ASSERT_TRUE(RunTool("sox -D " + readOptions + file + " -t raw " + c.codec + " " + out))
            << file;
        std::vector<uint8_t> back = ReadBytes(out);
        ASSERT_EQ(back.size(), codes.size()) << file;
        size_t differ = 0;
        for (size_t i = 0; i < back.size(); ++i) differ += back[i] != codes[i];
        EXPECT_EQ(differ, 0u) << file << ": bytes changed";
    }
}

const LosslessCase kCases[] = {
    {"wav8", kFormatWav8, "wav", "-e unsigned-integer -b 8", 1, 2},
    {"wav16", kFormatWav16, "wav", "-e signed-integer -b 16", 2, 2},
    {"wav24", kFormatWav24, "wav", "-e signed-integer -b 24", 3, 2},
    {"wav24long", kFormatWav24, "wav", "-e signed-integer -b 24", 3, 2, 1100123},
    {"wavf", kFormatWav32, "wav", "-e floating-point -b 32", 4, 2},
    {"aiff16", kFormatAiff16, "aiff", "-e signed-integer -b 16", 2, 2},
    {"aiff24", kFormatAiff24, "aiff", "-e signed-integer -b 24", 3, 2},
    {"8svx", kFormat8svx, "8svx", "-e signed-integer -b 8", 1, 1},
    {"au_ulaw", kFormatAu, "au", "-e u-law -b 8", 1, 1},
    {"raw8s", kFormatRaw8s, "raw", "-e signed-integer -b 8", 1, 1},
    {"raw8u", kFormatRaw8u, "raw", "-e unsigned-integer -b 8", 1, 1},
    {"raw16m", kFormatRaw16m, "raw", "-e signed-integer -b 16 -B", 2, 1},
    {"raw16i", kFormatRaw16i, "raw", "-e signed-integer -b 16 -L", 2, 1},
    {"rawalaw", kFormatRawAlaw, "raw", "-e a-law -b 8", 1, 1},
    {"rawulaw", kFormatRawUlaw, "raw", "-e u-law -b 8", 1, 1},
};

INSTANTIATE_TEST_SUITE_P(FormatAndDepth, Lossless, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LosslessCase>& info) {
                             return std::string(info.param.name);
                         });

// Sound Designer 1 and Studio 16 V3 hold big-endian 16-bit samples after a
// fixed header, VOC 8-bit unsigned ones in its one block (then a terminator
// byte). A wave of every code, saved, opened and saved again, gives the same
// file, and its data are the codes themselves; sox reads our VOC's codes too.
TEST(LosslessOwnFormats, Sd1Studio16AndVocKeepEveryCode) {
    TempFolder tmp;
    struct Own {
        int code;
        int bits;
        size_t tail;  // bytes after the samples
    };
    for (Own own : {Own{kFormatSd1, 16, 0}, Own{kFormatS16v3, 16, 0}, Own{kFormatVoc, 8, 1}}) {
        const uint32_t codes = 1u << own.bits, half = codes / 2;
        TestWave w(codes, 1);
        for (uint32_t i = 0; i < codes; ++i)
            w.record.leftSamples[i] = float(int32_t(i) - int32_t(half)) / float(half);
        std::string first = tmp / ("first" + std::to_string(own.code));
        std::string second = tmp / ("second" + std::to_string(own.code));
        w.record.filePath = first;
        ASSERT_EQ(SaveSound(w.record, own.code, 15), kFileOk) << own.code;
        Loaded in;
        in.record.filePath = first;
        ASSERT_EQ(OpenSound(in.record, false), kFileOk) << own.code;
        in.record.filePath = second;
        ASSERT_EQ(SaveSound(in.record, own.code, 15), kFileOk) << own.code;
        std::vector<uint8_t> a = ReadBytes(first), b = ReadBytes(second);
        const size_t bytes = size_t(codes) * (own.bits / 8);
        ASSERT_GE(a.size(), bytes + own.tail) << own.code;
        EXPECT_EQ(a, b) << own.code;
        size_t data = a.size() - own.tail - bytes;
        for (uint32_t i = 0; i < codes; ++i) {
            // Signed 16-bit codes are the offset-binary i with its top bit flipped;
            // VOC stores 8-bit offset binary itself.
            uint32_t stored = own.bits == 16 ? Be16At(a, data + 2 * i) ^ half : a[data + i];
            ASSERT_EQ(stored, i) << own.code << " " << i;
        }
    }
    std::string out = tmp / "voc.codes";
    ASSERT_TRUE(RunTool("sox -D -t voc " + tmp / ("first" + std::to_string(kFormatVoc)) +
                        " -t raw -e unsigned-integer -b 8 " + out));
    std::vector<uint8_t> back = ReadBytes(out);
    ASSERT_EQ(back.size(), 256u);
    for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(back[i], i) << i;
}

}  // namespace
