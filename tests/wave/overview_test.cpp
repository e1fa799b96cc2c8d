// Peak overview and the peak cache file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "overview_reference.h"
#include "temp_folder.h"
#include "wave/file_io.h"
#include "wave/memory.h"
#include "wave/wave_record.h"
#include "wave_fixture.h"

using namespace ob;

namespace {
void ExpectOverviewMatches(const float* samples, uint32_t frames, const PeakOverview& ov) {
    EXPECT_TRUE(OverviewMatches(samples, frames, ov));
}

void SetMtime(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}
}  // namespace

TEST(Overview, ExistsFromFiveHundredBlocks) {
    EXPECT_EQ(OverviewBlockCount(0), 1u);
    EXPECT_EQ(OverviewBlockCount(199), 1u);
    EXPECT_EQ(OverviewBlockCount(200), 2u);
    ScopedRecord shortWave, longWave;
    ASSERT_TRUE(GiveWave(shortWave.record, 99799, false));
    UpdateOverview(shortWave.record, 0, 0, 3);
    EXPECT_EQ(shortWave.record.leftOverview.pairs, nullptr);
    ASSERT_TRUE(GiveWave(longWave.record, 99800, true));
    UpdateOverview(longWave.record, 0, 0, 3);
    ASSERT_NE(longWave.record.leftOverview.pairs, nullptr);
    EXPECT_EQ(longWave.record.leftOverview.blocks, 500u);
    // 99800 is a multiple of 200: the last block holds no frames and stores (0, 0).
    EXPECT_EQ(longWave.record.leftOverview.pairs[998], 0.0f);
    EXPECT_EQ(longWave.record.leftOverview.pairs[999], 0.0f);
    ExpectOverviewMatches(longWave.record.leftSamples, 99800, longWave.record.leftOverview);
    ExpectOverviewMatches(longWave.record.rightSamples, 99800, longWave.record.rightOverview);
}

TEST(Overview, RangeUpdatesResizeAndDrop) {
    ScopedRecord s;
    WaveRecord& r = s.record;
    ASSERT_TRUE(GiveWave(r, 150123, true));
    UpdateOverview(r, 0, 0, 3);
    // Change a range of the left channel only and update just that range.
    for (uint32_t i = 1000; i < 1450; ++i) r.leftSamples[i] = 0.9f;
    r.leftSamples[70000] = -0.95f;  // outside the range: not yet seen
    UpdateOverview(r, 1000, 450, kEditLeft);
    EXPECT_EQ(r.leftOverview.pairs[2 * 5], 0.9f);
    EXPECT_EQ(r.leftOverview.pairs[2 * 7], 0.9f);
    EXPECT_NE(r.leftOverview.pairs[2 * 350 + 1], -0.95f);
    // Length 0 or a start past the end mean the whole wave.
    UpdateOverview(r, 200000, 10, 3);
    ExpectOverviewMatches(r.leftSamples, r.frameCount, r.leftOverview);
    ExpectOverviewMatches(r.rightSamples, r.frameCount, r.rightOverview);

    // A new frame count reallocates and recomputes whole.
    r.frameCount = 120000;
    UpdateOverview(r, 5, 1, kEditLeft);
    ExpectOverviewMatches(r.leftSamples, 120000, r.leftOverview);
    ExpectOverviewMatches(r.rightSamples, 120000, r.rightOverview);
    // No memory for a reallocation: both overviews are dropped.
    r.frameCount = 130000;
    SetHeapFailureCountdown(1);
    UpdateOverview(r, 0, 0, 3);
    SetHeapFailureCountdown(-1);
    EXPECT_EQ(r.leftOverview.pairs, nullptr);
    EXPECT_EQ(r.rightOverview.pairs, nullptr);
    // Too short for an overview: dropped.
    UpdateOverview(r, 0, 0, 3);
    EXPECT_NE(r.leftOverview.pairs, nullptr);
    r.frameCount = 1000;
    UpdateOverview(r, 0, 0, 3);
    EXPECT_EQ(r.leftOverview.pairs, nullptr);
    EXPECT_EQ(r.rightOverview.pairs, nullptr);
    r.frameCount = 150123;
}

// Range updates rebuild the coarse pairs over the blocks they touch, across
// coarse boundaries and in a short or one-block last coarse pair.
TEST(Overview, CoarseLevelFollowsRangeUpdates) {
    for (uint32_t frames : {100000u, 102400u, 150123u}) {  // last coarse pair 5, 1, 15 blocks
        ScopedRecord s;
        WaveRecord& r = s.record;
        ASSERT_TRUE(GiveWave(r, frames, true));
        UpdateOverview(r, 0, 0, 3);
        ExpectOverviewMatches(r.leftSamples, frames, r.leftOverview);
        struct Edit {
            uint32_t start, length;
            float value;
        } edits[] = {
            {3199, 2, 0.97f},           // the last frame of coarse pair 0, the first of pair 1
            {3199, 2, 0.0f},            // and the peak taken away again
            {40000, 9000, -0.99f},      // several whole coarse pairs
            {frames - 150, 150, 0.9f},  // the last block
            {frames / 2, 1, 1.0f},
        };
        for (const Edit& e : edits) {
            for (uint32_t i = e.start; i < e.start + e.length; ++i) r.rightSamples[i] = e.value;
            UpdateOverview(r, e.start, e.length, kEditRight);
            ASSERT_TRUE(OverviewMatches(r.rightSamples, frames, r.rightOverview))
                << frames << " after an edit at " << e.start;
        }
        // The left channel was not asked for: its overview is the old one.
        r.leftSamples[5000] = 0.999f;
        UpdateOverview(r, 5000, 1, kEditRight);
        EXPECT_FALSE(OverviewMatches(r.leftSamples, frames, r.leftOverview));
        UpdateOverview(r, 5000, 1, kEditLeft);
        EXPECT_TRUE(OverviewMatches(r.leftSamples, frames, r.leftOverview));
    }
}

// A reader builds the overview in runs, front to back within each thread's
// share of whole coarse pairs; the shares may finish in any order.
TEST(Overview, ReaderRunsBuildTheCoarseLevel) {
    ScopedRecord s;
    WaveRecord& r = s.record;
    const uint32_t frames = 150123;
    ASSERT_TRUE(GiveWave(r, frames, false));
    for (uint32_t i = 0; i < frames; ++i) r.leftSamples[i] = std::sin(i * 0.0003f) * (i % 7) / 7;
    const uint32_t blocks = OverviewBlockCount(frames);
    PeakOverview ov;
    ASSERT_TRUE(AllocateOverview(ov, blocks));
    // Shares of 16 * 12 blocks, the last share first; runs of 37 blocks inside each.
    const uint32_t share = 16 * 12;
    for (uint32_t from = (blocks - 1) / share * share;; from -= share) {
        const uint32_t to = std::min(from + share, blocks);  // one past the share's last block
        for (uint32_t b = from; b < to; b += 37)
            ComputeOverviewBlocks(r.leftSamples, frames, ov, b, std::min(b + 37, to) - 1);
        if (from == 0) break;
    }
    EXPECT_TRUE(OverviewMatches(r.leftSamples, frames, ov));
    // Out-of-range calls change nothing.
    const std::vector<float> before(ov.pairs, ov.pairs + OverviewBytes(blocks) / 4);
    ComputeOverviewBlocks(r.leftSamples, frames, ov, 10, 9);
    ComputeOverviewBlocks(r.leftSamples, frames, ov, 0, blocks);
    ComputeOverviewBlocks(nullptr, frames, ov, 0, 5);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), ov.pairs));
    FreeOverview(ov);
    EXPECT_EQ(ov.pairs, nullptr);
    EXPECT_EQ(ov.blocks, 0u);
}

// The block scan follows the scalar rule "a later sample replaces the
// maximum only when it is greater": a NaN after the first frame never wins,
// a NaN first frame stays, infinities count, on every lane position.
TEST(Overview, SpecialValuesFollowTheScalarRule) {
    ScopedRecord s;
    WaveRecord& r = s.record;
    ASSERT_TRUE(GiveWave(r, 100400, false));
    for (uint32_t i = 0; i < r.frameCount; ++i) r.leftSamples[i] = std::sin(i * 0.01f) * 0.5f;
    const float nan = std::nanf("");
    for (uint32_t lane = 0; lane < 8; ++lane) r.leftSamples[200 * 3 + 17 + lane * 8 + lane] = nan;
    r.leftSamples[200 * 4] = nan;             // first frame of block 4
    r.leftSamples[200 * 5 + 199] = INFINITY;  // last frame of block 5
    r.leftSamples[200 * 6 + 101] = -INFINITY;
    for (uint32_t i = 200 * 7; i < 200 * 8; ++i) r.leftSamples[i] = (i & 1) ? -0.0f : 0.0f;
    UpdateOverview(r, 0, 0, kEditLeft);
    ASSERT_NE(r.leftOverview.pairs, nullptr);
    for (uint32_t b = 0; b < r.leftOverview.blocks; ++b) {
        uint32_t begin = b * 200, end = std::min(begin + 200, r.frameCount);
        float hi = 0, lo = 0;
        if (begin < end) {
            hi = lo = r.leftSamples[begin];
            for (uint32_t i = begin + 1; i < end; ++i) {
                if (r.leftSamples[i] > hi) hi = r.leftSamples[i];
                if (r.leftSamples[i] < lo) lo = r.leftSamples[i];
            }
        }
        const float* pair = r.leftOverview.pairs + 2 * b;
        if (std::isnan(hi)) {
            EXPECT_TRUE(std::isnan(pair[0]) && std::isnan(pair[1])) << b;
        } else {
            EXPECT_EQ(pair[0], hi) << b;
            EXPECT_EQ(pair[1], lo) << b;
        }
    }
    EXPECT_TRUE(std::isnan(r.leftOverview.pairs[2 * 4]));
    EXPECT_FALSE(std::isnan(r.leftOverview.pairs[2 * 3]));
    EXPECT_EQ(r.leftOverview.pairs[2 * 5], INFINITY);
    EXPECT_EQ(r.leftOverview.pairs[2 * 6 + 1], -INFINITY);
}

TEST(PeakCache, RoundTripAndFileLayout) {
    TempFolder tmp;
    std::string sound = tmp / "loop.wav";
    WriteTextFile(sound, "sound");
    ScopedRecord s;
    WaveRecord& r = s.record;
    ASSERT_TRUE(GiveWave(r, 100000, true));
    UpdateOverview(r, 0, 0, 3);
    SaveOverviewCache(r, sound);
    std::string cache = sound + ".pkc";
    EXPECT_EQ(PeakCachePath(sound), cache);
    std::string bytes = ReadWholeFile(cache);
    ASSERT_EQ(bytes.size(), 28u + 2 * 501 * 8);
    auto word = [&](size_t i) {
        uint32_t v;
        std::memcpy(&v, bytes.data() + 4 * i, 4);
        return v;
    };
    EXPECT_EQ(bytes.substr(0, 4), "FRBk");
    EXPECT_EQ(word(1), 8u * 1002 + 20);
    EXPECT_EQ(bytes.substr(8, 8), "GFXFGDAT");
    EXPECT_EQ(word(4), 8u * 1002 + 8);
    EXPECT_EQ(word(5), 2u);
    EXPECT_EQ(word(6), 501u);
    EXPECT_EQ(std::memcmp(bytes.data() + 28, r.leftOverview.pairs, 501 * 8), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 28 + 501 * 8, r.rightOverview.pairs, 501 * 8), 0);

    // Read back into a record that has no overview yet.
    ScopedRecord t;
    ASSERT_TRUE(GiveWave(t.record, 100000, true));
    ASSERT_TRUE(LoadOverviewCache(t.record, sound));
    EXPECT_EQ(std::memcmp(t.record.leftOverview.pairs, r.leftOverview.pairs, 501 * 8), 0);
    EXPECT_EQ(std::memcmp(t.record.rightOverview.pairs, r.rightOverview.pairs, 501 * 8), 0);
    // The file holds no coarse level: it is folded after reading.
    ExpectOverviewMatches(t.record.leftSamples, 100000, t.record.leftOverview);
    ExpectOverviewMatches(t.record.rightSamples, 100000, t.record.rightOverview);

    // Mismatches are ignored: channel count, frame count, a damaged header, a short file.
    ScopedRecord mono, other;
    ASSERT_TRUE(GiveWave(mono.record, 100000, false));
    EXPECT_FALSE(LoadOverviewCache(mono.record, sound));
    EXPECT_EQ(mono.record.leftOverview.pairs, nullptr);
    ASSERT_TRUE(GiveWave(other.record, 100200, true));
    EXPECT_FALSE(LoadOverviewCache(other.record, sound));
    std::string damaged = bytes;
    damaged[8] = 'X';
    WriteTextFile(cache, damaged);
    EXPECT_FALSE(LoadOverviewCache(t.record, sound));
    WriteTextFile(cache, bytes.substr(0, bytes.size() - 4));
    EXPECT_FALSE(LoadOverviewCache(t.record, sound));
    WriteTextFile(cache, bytes + "x");
    EXPECT_FALSE(LoadOverviewCache(t.record, sound));
    // Out of memory for the overview: ignored.
    WriteTextFile(cache, bytes);
    SetHeapFailureCountdown(1);
    EXPECT_FALSE(LoadOverviewCache(mono.record, sound));
    ScopedRecord u;
    ASSERT_TRUE(GiveWave(u.record, 100000, true));
    EXPECT_FALSE(LoadOverviewCache(u.record, sound));
    SetHeapFailureCountdown(-1);
    EXPECT_EQ(u.record.leftOverview.pairs, nullptr);
    EXPECT_TRUE(LoadOverviewCache(u.record, sound));

    // A cache older than its sound is ignored.
    SetMtime(cache, 1000000000);
    SetMtime(sound, 1000000001);
    EXPECT_FALSE(LoadOverviewCache(u.record, sound));
    SetMtime(cache, 1000000002);
    EXPECT_TRUE(LoadOverviewCache(u.record, sound));
}

TEST(PeakCache, WrittenOnlyForAMatchingOverviewAndNeverHalfWay) {
    TempFolder tmp;
    std::string sound = tmp / "s.wav";
    WriteTextFile(sound, "sound");
    ScopedRecord s;
    WaveRecord& r = s.record;
    ASSERT_TRUE(GiveWave(r, 1000, false));
    UpdateOverview(r, 0, 0, 3);
    SaveOverviewCache(r, sound);  // too short: no overview, no cache
    EXPECT_FALSE(FileExists(sound + ".pkc"));
    DiscardWave(r);
    ASSERT_TRUE(GiveWave(r, 100000, true));
    UpdateOverview(r, 0, 0, 3);
    DropOverviews(r);
    SaveOverviewCache(r, sound);  // overview missing
    EXPECT_FALSE(FileExists(sound + ".pkc"));
    UpdateOverview(r, 0, 0, 3);
    r.frameCount = 100200;  // overview of the wrong size
    SaveOverviewCache(r, sound);
    EXPECT_FALSE(FileExists(sound + ".pkc"));
    r.frameCount = 100000;
    // The folder is gone: nothing is written and nothing is left behind.
    SaveOverviewCache(r, tmp / "gone/s.wav");
    EXPECT_FALSE(std::filesystem::exists(tmp / "gone"));
    // A failing write leaves no temporary file and no cache (a cache path that
    // is a folder makes the final rename fail).
    ASSERT_EQ(::mkdir((sound + ".pkc").c_str(), 0755), 0);
    SaveOverviewCache(r, sound);
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(tmp.path)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);  // the sound and the folder in the cache's place
    ::rmdir((sound + ".pkc").c_str());
    SaveOverviewCache(r, sound);
    EXPECT_TRUE(FileExists(sound + ".pkc"));
}

TEST(PeakCache, LongNamesAreShortenedAndNeverTheSoundItself) {
    TempFolder tmp;
    std::string shortPath = tmp / "a.wav";
    EXPECT_EQ(PeakCachePath(shortPath), shortPath + ".pkc");
    std::string name251(251, 'x');
    EXPECT_EQ(PeakCachePath(tmp / name251), (tmp / name251) + ".pkc");  // exactly 255
    std::string name252(252, 'x');
    std::string name255(255, 'x');
    std::string a = PeakCachePath(tmp / name252);
    std::string b = PeakCachePath(tmp / name255);
    EXPECT_EQ(FolderPart(a), FolderPart(tmp / name252));
    EXPECT_LE(FileNamePart(a).size(), 255u);
    EXPECT_LE(FileNamePart(b).size(), 255u);
    EXPECT_EQ(ExtensionPart(a), ".pkc");
    EXPECT_NE(a, b);
    EXPECT_NE(a, tmp / name252);
    EXPECT_EQ(PeakCachePath(tmp / name252), a);  // stable
    // A long sound name that already ends in ".pkc" still gets a different cache name.
    std::string pkcName = tmp / (std::string(251, 'p') + ".pkc");
    EXPECT_NE(PeakCachePath(pkcName), pkcName);
    // Such a cache is really written and read back.
    ScopedRecord s, t;
    ASSERT_TRUE(GiveWave(s.record, 100000, false));
    ASSERT_TRUE(GiveWave(t.record, 100000, false));
    UpdateOverview(s.record, 0, 0, 1);
    std::string sound = tmp / name255;
    WriteTextFile(sound, "sound");
    SaveOverviewCache(s.record, sound);
    EXPECT_TRUE(FileExists(b));
    EXPECT_EQ(ReadWholeFile(sound), "sound");
    EXPECT_TRUE(LoadOverviewCache(t.record, sound));
    EXPECT_EQ(PeakCachePath(""), "");
}
