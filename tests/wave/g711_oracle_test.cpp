// G.711 a-law and u-law checked against two independent implementations:
// sox and libsndfile (through python3-soundfile). Every one of the 256 codes
// is decoded by both tools, and all 65536 16-bit values are encoded by both.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "wave/sample_convert.h"

using namespace ob;

namespace {

bool HaveSox() {
    return ::access("/usr/bin/sox", X_OK) == 0;
}
bool HaveSoundfile() {
    return ::access("/usr/bin/python3", X_OK) == 0 &&
           std::system("/usr/bin/python3 -c 'import soundfile, numpy' >/dev/null 2>&1") == 0;
}

bool RunCommand(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteTextFile(path, std::string(bytes.begin(), bytes.end()));
}
std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::string s = ReadWholeFile(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}
std::vector<int16_t> ReadS16(const std::string& path) {
    std::vector<uint8_t> b = ReadBytes(path);
    std::vector<int16_t> out(b.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return out;
}

const char* kSoundfileDecode =
    "import sys, soundfile\n"
    "d, _ = soundfile.read(sys.argv[1], format='RAW', subtype=sys.argv[3], samplerate=8000, "
    "channels=1,"
    " dtype='int16')\n"
    "d.astype('<i2').tofile(sys.argv[2])\n";
const char* kSoundfileEncode =
    "import sys, numpy, soundfile\n"
    "d = numpy.fromfile(sys.argv[1], dtype='<i2')\n"
    "soundfile.write(sys.argv[2], d, 8000, format='RAW', subtype=sys.argv[3])\n";

struct Law {
    const char* soxName;
    const char* soundfileName;
    int16_t (*decode)(uint8_t);
    uint8_t (*encode)(int16_t);
};
const Law kLaws[] = {{"al", "ALAW", ALawToLinear, LinearToALaw},
                     {"ul", "ULAW", ULawToLinear, LinearToULaw}};

}  // namespace

TEST(G711Oracle, DecodeAllCodesLikeSoxAndLibsndfile) {
    bool sox = HaveSox(), sf = HaveSoundfile();
    if (!sox && !sf) GTEST_SKIP() << "neither sox nor python3-soundfile is installed";
    TempFolder tmp;
    std::vector<uint8_t> codes(256);
    for (int i = 0; i < 256; ++i) codes[i] = static_cast<uint8_t>(i);
    WriteBytes(tmp / "codes.raw", codes);
    WriteTextFile(tmp / "decode.py", kSoundfileDecode);
    for (const Law& law : kLaws) {
        SCOPED_TRACE(law.soxName);
        if (sox) {
            ASSERT_TRUE(RunCommand("/usr/bin/sox -t " + std::string(law.soxName) +
                                   " -r 8000 -c 1 " + (tmp / "codes.raw") + " -t s16 -e signed " +
                                   (tmp / "sox.raw")));
            std::vector<int16_t> ref = ReadS16(tmp / "sox.raw");
            ASSERT_EQ(ref.size(), 256u);
            for (int c = 0; c < 256; ++c)
                EXPECT_EQ(law.decode(uint8_t(c)), ref[c]) << "sox, code " << c;
        }
        if (sf) {
            ASSERT_TRUE(RunCommand("/usr/bin/python3 " + (tmp / "decode.py") + " " +
                                   (tmp / "codes.raw") + " " + (tmp / "sf.raw") + " " +
                                   law.soundfileName));
            std::vector<int16_t> ref = ReadS16(tmp / "sf.raw");
            ASSERT_EQ(ref.size(), 256u);
            for (int c = 0; c < 256; ++c)
                EXPECT_EQ(law.decode(uint8_t(c)), ref[c]) << "libsndfile, code " << c;
        }
    }
}

namespace {
// Position of a code on the quantiser's scale: 0.. upward for positive codes,
// -1.. downward for negative ones (u-law has a positive and a negative zero).
int LevelIndex(const Law& law, uint8_t code) {
    bool alaw = law.decode == ALawToLinear;
    int magnitude = (code ^ (alaw ? 0xD5 : 0xFF)) & 0x7F;
    bool positive = (code & 0x80) != 0;
    return positive ? magnitude : -magnitude - 1;
}
}  // namespace

// Our coder follows the ITU-T reference: 16 bits are cut to 13 (a-law) or 14
// (u-law) bits by truncation, and negative values use the one's complement,
// so the characteristic is symmetric about -0.5. libsndfile uses the plain
// magnitude for negative values, and sox rounds to 13/14 bits first; the
// checks below pin exactly those differences and nothing more.
TEST(G711Oracle, EncodeEverySixteenBitValueLikeSoxAndLibsndfile) {
    bool sox = HaveSox(), sf = HaveSoundfile();
    if (!sox && !sf) GTEST_SKIP() << "neither sox nor python3-soundfile is installed";
    TempFolder tmp;
    std::vector<uint8_t> pcm;
    for (int s = -32768; s <= 32767; ++s) {
        pcm.push_back(static_cast<uint8_t>(s & 0xFF));
        pcm.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    WriteBytes(tmp / "pcm.raw", pcm);
    WriteTextFile(tmp / "encode.py", kSoundfileEncode);
    for (const Law& law : kLaws) {
        SCOPED_TRACE(law.soxName);
        auto ours = [&](int x) { return law.encode(static_cast<int16_t>(x)); };
        // Symmetry of our own coder about -0.5.
        for (int x = -32768; x < 0; ++x) ASSERT_EQ(ours(x), ours(-x - 1) ^ 0x80) << x;
        if (sf) {
            ASSERT_TRUE(RunCommand("/usr/bin/python3 " + (tmp / "encode.py") + " " +
                                   (tmp / "pcm.raw") + " " + (tmp / "sf.raw") + " " +
                                   law.soundfileName));
            std::vector<uint8_t> ref = ReadBytes(tmp / "sf.raw");
            ASSERT_EQ(ref.size(), 65536u);
            int differ = 0;
            for (int x = -32767; x <= 32767; ++x) {
                uint8_t theirs = ref[x + 32768];
                if (x >= 0) {
                    ASSERT_EQ(ours(x), theirs) << "libsndfile, value " << x;
                } else {
                    ASSERT_EQ(theirs, ours(-x) ^ 0x80) << "libsndfile, value " << x;
                    differ += ours(x) != theirs;
                }
            }
            // They differ only where -x is exactly a decision level: 127 or 128 values.
            EXPECT_GE(differ, 120);
            EXPECT_LE(differ, 128);
        }
        if (sox) {
            ASSERT_TRUE(RunCommand("/usr/bin/sox -D -t s16 -e signed -r 8000 -c 1 " +
                                   (tmp / "pcm.raw") + " -t " + law.soxName + " " +
                                   (tmp / "sox.raw") + " 2>/dev/null"));
            std::vector<uint8_t> ref = ReadBytes(tmp / "sox.raw");
            ASSERT_EQ(ref.size(), 65536u);
            int differ = 0;
            for (int x = -32768; x <= 32767; ++x) {
                uint8_t theirs = ref[x + 32768];
                if (ours(x) == theirs) continue;
                ++differ;
                ASSERT_LE(std::abs(LevelIndex(law, ours(x)) - LevelIndex(law, theirs)), 1)
                    << "sox, value " << x;
            }
            EXPECT_LT(differ, 65536 / 50);  // rounding moves fewer than 2% of values one level
        }
    }
}
