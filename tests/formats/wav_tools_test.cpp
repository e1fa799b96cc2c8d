// WAV files written by independent tools, read by ours: libsndfile (through
// python3-soundfile and a small C helper that sets instrument and cue data)
// and sox. Each tool's own reading of its file is the expected result.
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "formats/wav.h"
#include "gtest/gtest.h"
#include "tests/formats/wav_test_support.h"
#include "wave/file_result.h"

namespace ob {
namespace {

using namespace wavtest;

struct Wave : WaveRecord {
    ~Wave() { DiscardWave(*this); }
};

// Runs a command and returns what it printed; `ok` tells whether it exited 0.
std::string RunCommand(const std::string& command, bool& ok) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        ok = false;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    ok = pclose(p) == 0;
    return out;
}

TEST(WavTools, FilesOfSoxAndLibsndfileReadWithTheirValues) {
    TempDir dir;
    bool ok = false;
    std::string manifest = RunCommand(std::string("/usr/bin/python3 ") + ORBICK_SOURCE_DIR +
                                          "/tests/formats/wav_make_references.py " + dir.path,
                                      ok);
    ASSERT_TRUE(ok) << "making the reference files failed (sox, python3-soundfile installed?)";
    std::istringstream lines(manifest);
    std::string name;
    int code, channels, cases = 0;
    uint32_t frames, rate;
    double tolerance;
    while (lines >> name >> code >> channels >> frames >> rate >> tolerance) {
        SCOPED_TRACE(name);
        ++cases;
        std::string path = dir / (name + ".wav");
        std::vector<uint8_t> raw = ReadBytes(path + ".f32");
        ASSERT_EQ(raw.size(), size_t(frames) * channels * 4);
        const float* expected = reinterpret_cast<const float*>(raw.data());

        Wave r;
        WaveReadResult rr = ReadWave(path, r);
        ASSERT_EQ(rr.result, kFileOk);
        EXPECT_TRUE(rr.recognised);
        EXPECT_EQ(rr.formatCode, code);
        ASSERT_EQ(r.frameCount, frames);
        EXPECT_EQ(r.sampleRate, rate);
        ASSERT_EQ(r.rightSamples != nullptr, channels == 2);
        int mismatches = 0;
        for (uint32_t i = 0; i < frames; ++i) {
            for (int c = 0; c < channels; ++c) {
                float ours = c == 0 ? r.leftSamples[i] : r.rightSamples[i];
                float theirs = expected[size_t(i) * channels + c];
                if (std::fabs(double(ours) - double(theirs)) > tolerance && mismatches++ < 5)
                    ADD_FAILURE() << "frame " << i << " channel " << c << ": " << ours
                                  << " != " << theirs;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
    EXPECT_EQ(cases, 15);
}

TEST(WavTools, InstrumentAndCuesOfLibsndfileRead) {
#ifndef WAV_SNDFILE_HELPER
    FAIL() << "wav_sndfile_helper was not built (libsndfile1-dev and pkg-config needed)";
#else
    TempDir dir;
    std::string path = dir / "inst.wav";
    bool ok = false;
    RunCommand(std::string(WAV_SNDFILE_HELPER) + " write " + path, ok);
    ASSERT_TRUE(ok);
    Wave r;
    WaveReadResult rr = ReadWave(path, r);
    ASSERT_EQ(rr.result, kFileOk);
    EXPECT_EQ(rr.formatCode, kFormatWav16);
    ASSERT_EQ(r.frameCount, 1000u);
    ASSERT_NE(r.rightSamples, nullptr);
    for (uint32_t i = 0; i < 1000; i += 111) {
        int left = int((i * 37) % 65536) - 32768;
        EXPECT_EQ(r.leftSamples[i], float(left) / 32768.0f);
        EXPECT_EQ(r.rightSamples[i], float(-(left + 1)) / 32768.0f);
    }
    // The helper sets key root 60 and detune +30; libsndfile stores them in smpl only.
    EXPECT_EQ(r.keyRoot, 60);
    EXPECT_EQ(r.fineTune, 30);
    // Loops: libsndfile numbers them 0, 1 and stores the end one lower than it was given.
    LoopNode* first = FindLoop(r, 0);
    LoopNode* second = FindLoop(r, 1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->start, 100u);
    EXPECT_EQ(first->end, 499u);
    EXPECT_EQ(first->type, 0);
    EXPECT_EQ(first->playCount, kLoopEndless);
    EXPECT_EQ(second->start, 200u);
    EXPECT_EQ(second->end, 299u);
    EXPECT_EQ(second->type, 1);  // alternating
    EXPECT_EQ(second->playCount, 3u);
    EXPECT_EQ(r.sustainLoopId, 0);  // the first endless loop
    EXPECT_EQ(r.releaseLoopId, -1);
    const uint32_t cues[3][2] = {{1, 10}, {2, 500}, {7, 999}};
    for (auto& c : cues) {
        MarkerNode* m = FindMarker(r, int(c[0]));
        ASSERT_TRUE(m) << c[0];
        EXPECT_EQ(m->position, c[1]);
    }
#endif
}

}  // namespace
}  // namespace ob
