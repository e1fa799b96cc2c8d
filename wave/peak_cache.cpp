// The peak cache file beside a sound: its name, reading it back into the
// record's overview, and writing it after a save.
//
// Layout, little-endian 32-bit words: "FRBk", 8 * (left + right blocks) + 20,
// "GFXF", "GDAT", 8 * (left + right blocks) + 8, channel count, block count
// per channel, then the left pairs and the right pairs (float maximum, minimum).
#include <bit>
#include <climits>
#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "wave/file_io.h"
#include "wave/file_result.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr uint32_t Tag(const char (&t)[5]) {
    return uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 | uint32_t(uint8_t(t[2])) << 16 |
           uint32_t(uint8_t(t[3])) << 24;
}
constexpr size_t kHeaderWords = 7;
constexpr size_t kHeaderBytes = kHeaderWords * 4;

// The header the record's wave calls for; false when no cache applies
// (no wave, too short for an overview, or sizes that do not fit the words).
bool ExpectedHeader(const WaveRecord& record, uint32_t (&words)[kHeaderWords],
                    size_t& pairBytesPerChannel) {
    if (!WaveHasData(&record)) return false;
    uint32_t blocks = OverviewBlockCount(record.frameCount);
    if (blocks < kOverviewMinBlocks) return false;
    uint32_t channels = record.rightSamples ? 2 : 1;
    uint64_t pairBytes = uint64_t(blocks) * 8 * channels;
    if (pairBytes + 20 > UINT32_MAX) return false;
    words[0] = Tag("FRBk");
    words[1] = uint32_t(pairBytes + 20);
    words[2] = Tag("GFXF");
    words[3] = Tag("GDAT");
    words[4] = uint32_t(pairBytes + 8);
    words[5] = channels;
    words[6] = blocks;
    pairBytesPerChannel = size_t(blocks) * 8;
    return true;
}

// Floats are stored little-endian; swap on big-endian hosts.
void PairsFromFile(float* pairs, size_t count) {
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < count; ++i) {
            uint32_t v;
            std::memcpy(&v, &pairs[i], 4);
            v = __builtin_bswap32(v);
            std::memcpy(&pairs[i], &v, 4);
        }
    } else {
        (void)pairs;
        (void)count;
    }
}

bool WritePairs(int fd, const float* pairs, size_t bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        return WriteBlock(fd, pairs, bytes) == bytes;
    } else {
        std::vector<float> swapped(pairs, pairs + bytes / 4);
        PairsFromFile(swapped.data(), swapped.size());
        return WriteBlock(fd, swapped.data(), bytes) == bytes;
    }
}

// 64-bit FNV-1a, used to keep shortened cache names apart.
uint64_t NameHash(std::string_view text) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (char c : text) {
        h ^= uint8_t(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

}  // namespace

std::string PeakCachePath(const std::string& soundPath) {
    if (soundPath.empty()) return std::string();
    std::string_view name = FileNamePart(soundPath);
    if (name.size() + 4 <= NAME_MAX) return soundPath + ".pkc";
    // The name would pass the file-name limit: keep its start, then "~" and a
    // hash of the whole name, then ".pkc". The result ends in ".pkc" and the
    // hash keeps long names with the same start apart.
    static const char kHex[] = "0123456789abcdef";
    uint64_t hash = NameHash(name);
    std::string suffix = "~";
    for (int shift = 60; shift >= 0; shift -= 4) suffix += kHex[(hash >> shift) & 15];
    suffix += ".pkc";
    std::string result(FolderPart(soundPath));
    result.append(name.substr(0, NAME_MAX - suffix.size()));
    result += suffix;
    // A cache must never overwrite its own sound.
    if (result == soundPath) result[result.size() - suffix.size()] = '_';
    return result;
}

bool LoadOverviewCache(WaveRecord& record, const std::string& soundPath) {
    uint32_t expected[kHeaderWords];
    size_t channelBytes = 0;
    if (!ExpectedHeader(record, expected, channelBytes)) return false;
    std::string cachePath = PeakCachePath(soundPath);
    int64_t soundTime = FileModifiedTime(soundPath);
    int64_t cacheTime = FileModifiedTime(cachePath);
    if (soundTime < 0 || cacheTime < 0 || cacheTime < soundTime) return false;
    uint32_t channels = expected[5];
    if (FileSize(cachePath) != int64_t(kHeaderBytes + channelBytes * channels)) return false;

    int fd = OpenFile(cachePath, kOpenRead);
    if (fd < 0) return false;
    uint8_t header[kHeaderBytes];
    bool ok = ReadBlock(fd, header, kHeaderBytes) == kHeaderBytes;
    for (size_t i = 0; ok && i < kHeaderWords; ++i) ok = GetLe32(header + 4 * i) == expected[i];
    PeakOverview left, right;
    uint32_t blocks = expected[6];
    // The file holds the pairs; their coarse level is folded after reading.
    if (ok)
        ok = AllocateOverview(left, blocks) &&
             ReadBlock(fd, left.pairs, channelBytes) == channelBytes;
    if (ok && channels == 2)
        ok = AllocateOverview(right, blocks) &&
             ReadBlock(fd, right.pairs, channelBytes) == channelBytes;
    CloseFile(fd);
    if (!ok) {
        FreeOverview(left);
        FreeOverview(right);
        return false;
    }
    PairsFromFile(left.pairs, channelBytes / 4);
    UpdateCoarseOverview(left, 0, blocks - 1);
    if (right.pairs) {
        PairsFromFile(right.pairs, channelBytes / 4);
        UpdateCoarseOverview(right, 0, blocks - 1);
    }
    DropOverviews(record);
    record.leftOverview = left;
    record.rightOverview = right;
    return true;
}

void SaveOverviewCache(const WaveRecord& record, const std::string& soundPath) {
    uint32_t words[kHeaderWords];
    size_t channelBytes = 0;
    if (!ExpectedHeader(record, words, channelBytes)) return;
    uint32_t blocks = words[6];
    if (!record.leftOverview.pairs || record.leftOverview.blocks != blocks) return;
    if (record.rightSamples) {
        if (!record.rightOverview.pairs || record.rightOverview.blocks != blocks) return;
    } else if (record.rightOverview.pairs) {
        return;
    }
    std::string cachePath = PeakCachePath(soundPath);
    if (cachePath.empty()) return;
    SafeSave save;
    if (BeginSafeSave(cachePath, save) != kFileOk) return;
    uint8_t header[kHeaderBytes];
    for (size_t i = 0; i < kHeaderWords; ++i) PutLe32(header + 4 * i, words[i]);
    bool ok =
        WriteBlock(save.fd, header, kHeaderBytes) == kHeaderBytes &&
        WritePairs(save.fd, record.leftOverview.pairs, channelBytes) &&
        (!record.rightSamples || WritePairs(save.fd, record.rightOverview.pairs, channelBytes));
    if (!ok) {
        AbortSafeSave(save);
        return;
    }
    CommitSafeSave(save);  // removes the temporary file itself on failure
}

}  // namespace ob
