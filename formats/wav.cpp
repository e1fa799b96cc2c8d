// WAV (RIFF WAVE) reader and writer. Chunk sizes are bounded by the bytes in
// the file; sample data moves in large blocks through the shared bulk
// conversions; the writer builds its header in memory, refuses files past the
// 4 GiB RIFF limit before writing, and saves through a temporary file.
#include "formats/wav.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "formats/chunk_io.h"
#include "formats/format_common.h"
#include "wave/file_io.h"
#include "wave/file_result.h"
#include "wave/memory.h"
#include "wave/sample_convert.h"

namespace ob {

namespace {

constexpr ByteOrder kLE = ByteOrder::Little;
constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagALaw = 6;
constexpr uint16_t kTagULaw = 7;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The sub-format GUID of an extensible fmt chunk after its leading u16 tag.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint32_t kPitchFractionPerCent = 42949672;
constexpr char kSoftwareText[28] = "Sample Orbick by brightfold";
// Sample data moves in blocks of about this many bytes (a whole number of frames).
constexpr size_t kBlockBytes = size_t(1) << 20;
// Sounds of at least this many frames are decoded by several workers.
constexpr uint64_t kParallelFrames = uint64_t(1) << 20;
constexpr uint64_t kRiffLimit = 0xFFFFFFFFull;
// Mono float data is read straight into the channel in pieces of this many
// frames (whole overview blocks, about 1 MB).
constexpr uint32_t kOverviewPieceFrames = kOverviewBlockFrames * 1300;

// ---- Reading helpers ----

// A copy of `info` whose readable bytes are limited to `limit` and to `end`.
ChunkInfo Bounded(const ChunkInfo& info, uint64_t limit, int64_t end = -1) {
    ChunkInfo c = info;
    if (end >= 0) {
        int64_t room = end - info.dataOffset;
        c.available = std::min<uint64_t>(c.available, room > 0 ? uint64_t(room) : 0);
    }
    c.available = std::min<uint64_t>(c.available, limit);
    return c;
}

struct FormatInfo {
    uint16_t tag = 0;  // 1, 3, 6 or 7 (an extensible chunk maps to 1 or 3)
    int channels = 0;
    uint32_t rate = 0;
    int bits = 0;
    int formatCode = -1;
    SampleEncoding encoding = SampleEncoding::U8;
};

// Checks a fmt chunk; kFileOk, kFormatNotSupported or kCorruptFile.
int ParseFormat(const std::vector<uint8_t>& data, FormatInfo& f) {
    ByteCursor c(data.data(), data.size(), kLE);
    uint16_t tag, channels, blockAlign, bits;
    uint32_t rate, avgBytes;
    if (!c.U16(tag) || !c.U16(channels) || !c.U32(rate) || !c.U32(avgBytes) || !c.U16(blockAlign) ||
        !c.U16(bits))
        return kCorruptFile;
    if (channels == 0) return kCorruptFile;
    if (channels > 2) return kFormatNotSupported;
    int valid = bits;  // bits that carry the sample (extensible: may be fewer than the container)
    if (tag == kTagExtensible) {
        // cbSize, valid bits, channel mask, sub-format GUID.
        uint16_t extraSize, validBits, subTag;
        uint32_t channelMask;
        uint8_t tail[14];
        if (!c.U16(extraSize) || extraSize < 22 || !c.U16(validBits) || !c.U32(channelMask) ||
            !c.U16(subTag) || !c.Bytes(tail, sizeof tail))
            return kFormatNotSupported;
        if (std::memcmp(tail, kSubFormatTail, sizeof tail) != 0) return kFormatNotSupported;
        if (subTag != kTagPcm && subTag != kTagFloat) return kFormatNotSupported;
        if (validBits > bits) return kFormatNotSupported;
        tag = subTag;
        if (validBits != 0) valid = validBits;
    }
    f.tag = tag;
    f.channels = channels;
    f.rate = rate;
    f.bits = bits;
    if (tag == kTagPcm && bits == 8) {
        f.formatCode = kFormatWav8;
        f.encoding = SampleEncoding::U8;
    } else if (tag == kTagPcm && bits == 16) {
        f.formatCode = kFormatWav16;
        f.encoding = SampleEncoding::S16LE;
    } else if (tag == kTagPcm && bits == 24) {
        f.formatCode = kFormatWav24;
        f.encoding = SampleEncoding::S24LE;
    } else if (tag == kTagPcm && bits == 32) {
        // 32-bit integers, or fewer valid bits (24-in-32) at the top of a 4-byte
        // container: read at the 32-bit scale, which equals the 24-bit one for
        // 24 valid bits. Saving keeps 24-bit for those, float for the others.
        f.formatCode = valid <= 24 ? kFormatWav24 : kFormatWav32;
        f.encoding = SampleEncoding::S32LE;
    } else if (tag == kTagFloat && bits == 32) {
        f.formatCode = kFormatWav32;
        f.encoding = SampleEncoding::F32LE;
    } else if (tag == kTagALaw && bits == 8) {
        f.formatCode = kFormatWav8;
        f.encoding = SampleEncoding::ALaw;
    } else if (tag == kTagULaw && bits == 8) {
        f.formatCode = kFormatWav8;
        f.encoding = SampleEncoding::ULaw;
    } else {
        return kFormatNotSupported;
    }
    return kFileOk;
}

// Mono little-endian float data on a little-endian host is the sample
// buffer's own byte image (decoding and encoding copy the bits unchanged), so
// it moves between file and buffer without a conversion pass.
bool IsHostLayout(SampleEncoding encoding, int channels) {
    return encoding == SampleEncoding::F32LE && channels == 1 &&
           std::endian::native == std::endian::little;
}

void ReleaseSamples(WaveRecord& record) {
    size_t bytes = size_t(record.frameCount) * 4;
    Release(record.leftSamples, bytes, kAllocLarge);
    Release(record.rightSamples, bytes, kAllocLarge);
    record.leftSamples = nullptr;
    record.rightSamples = nullptr;
    record.frameCount = 0;
    DropOverviews(record);
}

// What the workers of ReadSampleData share: the source, the channel
// buffers and overviews they fill (each worker its own frames and blocks).
struct DecodeJob {
    int fd;
    uint64_t dataOffset;
    const FormatInfo& format;
    size_t frameBytes;
    uint32_t count;
    float* left;
    float* right;
    PeakOverview* overviews;
};

// Decodes frames [from, to) into the channel buffers through its own block
// buffer and builds the overview of each block as it goes. `from` is a
// multiple of 16 overview blocks (one coarse pair).
int DecodeRange(const DecodeJob& job, uint64_t from, uint64_t to) {
    if (from >= to) return kFileOk;
    const size_t byBytes = std::max<size_t>(1, kBlockBytes / job.frameBytes);
    const size_t blockFrames = std::max<size_t>(
        kOverviewBlockFrames, byBytes / kOverviewBlockFrames * kOverviewBlockFrames);
    const size_t blockBytes = std::min<uint64_t>(blockFrames, to - from) * job.frameBytes;
    uint8_t* block = static_cast<uint8_t*>(Allocate(blockBytes, kAllocHeap));
    if (!block) return kNotEnoughMemory;
    const uint32_t blocks = OverviewBlockCount(job.count);
    int result = kFileOk;
    for (uint64_t done = from; done < to;) {
        const size_t n = size_t(std::min<uint64_t>(blockFrames, to - done));
        if (!ReadAt(job.fd, int64_t(job.dataOffset + done * job.frameBytes), block,
                    n * job.frameBytes)) {
            result = kFileReadError;
            break;
        }
        DecodeSamples(block, n, job.format.channels, job.format.encoding, job.left + done,
                      job.right ? job.right + done : nullptr);
        const uint32_t first = uint32_t(done / kOverviewBlockFrames);
        done += n;
        const uint32_t last =
            done == job.count ? blocks - 1 : uint32_t(done / kOverviewBlockFrames) - 1;
        ComputeOverviewBlocks(job.left, job.count, job.overviews[0], first, last);
        ComputeOverviewBlocks(job.right, job.count, job.overviews[1], first, last);
    }
    Release(block, blockBytes, kAllocHeap);
    return result;
}

// Reads the data chunk into newly obtained channel buffers.
int ReadSampleData(int fd, const ChunkInfo& data, const FormatInfo& f, WaveRecord& record) {
    const size_t frameBytes = size_t(BytesPerSample(f.encoding)) * size_t(f.channels);
    const uint64_t frames = data.size / frameBytes;
    // A size larger than the file is a short read: refuse before obtaining
    // buffers, so a hostile size never allocates more than the file holds.
    if (data.available < frames * frameBytes) return kFileReadError;
    // An empty data chunk holds no wave; the other readers report it the same way.
    if (frames == 0) return kFormatNotSupported;

    const size_t channelBytes = size_t(frames) * 4;
    if (IsHostLayout(f.encoding, f.channels)) {
        // The file holds exactly the buffer's bytes: read them in place, in
        // pieces of whole overview blocks, and build the overview of each
        // piece while it is still in the cache (one pass over memory fewer
        // than computing it after the read).
        float* samples = static_cast<float*>(Allocate(channelBytes, kAllocLarge));
        if (!samples) return kNotEnoughMemory;
        const uint32_t count = uint32_t(frames);
        const uint32_t blocks = OverviewBlockCount(count);
        PeakOverview overview;
        if (blocks >= kOverviewMinBlocks) AllocateOverview(overview, blocks);
        int result = Seek(fd, data.dataOffset, kSeekSet) < 0 ? kFileIOError : kFileOk;
        for (uint32_t done = 0; result == kFileOk && done < count;) {
            uint32_t n = std::min(kOverviewPieceFrames, count - done);
            if (ReadBlock(fd, samples + done, size_t(n) * 4) != size_t(n) * 4) {
                result = kFileReadError;
                break;
            }
            uint32_t first = done / kOverviewBlockFrames;
            done += n;
            uint32_t last = done == count ? blocks - 1 : done / kOverviewBlockFrames - 1;
            ComputeOverviewBlocks(samples, count, overview, first, last);
        }
        if (result != kFileOk) {
            Release(samples, channelBytes, kAllocLarge);
            FreeOverview(overview);
            return result;
        }
        record.leftSamples = samples;
        record.rightSamples = nullptr;
        record.frameCount = count;
        DropOverviews(record);
        record.leftOverview = overview;
        return kFileOk;
    }
    float* left = static_cast<float*>(Allocate(channelBytes, kAllocLarge));
    float* right =
        f.channels == 2 ? static_cast<float*>(Allocate(channelBytes, kAllocLarge)) : nullptr;
    const uint32_t count = uint32_t(frames);
    const uint32_t blocks = OverviewBlockCount(count);
    PeakOverview overviews[2];
    bool overviewsOk = true;
    if (blocks >= kOverviewMinBlocks) {
        for (int c = 0; c < f.channels; ++c)
            overviewsOk = AllocateOverview(overviews[c], blocks) && overviewsOk;
    }
    auto releaseAll = [&] {
        Release(left, channelBytes, kAllocLarge);
        Release(right, channelBytes, kAllocLarge);
        for (PeakOverview& o : overviews) FreeOverview(o);
    };
    if (!left || (f.channels == 2 && !right) || !overviewsOk) {
        releaseAll();
        return kNotEnoughMemory;
    }

    // Long sounds are decoded by several workers, each over its own run of
    // whole coarse overview pairs (16 blocks): reading, converting and the
    // overview of each block while it is in the cache share the cores, and no
    // coarse pair folds blocks of two workers.
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const unsigned workers = frames >= kParallelFrames ? cores : 1;
    constexpr uint64_t kShareUnit = uint64_t(kOverviewBlockFrames) * kCoarseOverviewBlocks;
    const uint64_t share = (frames / workers + kShareUnit - 1) / kShareUnit * kShareUnit;
    DecodeJob job{fd, data.dataOffset, f, frameBytes, count, left, right, overviews};
    std::vector<int> results(workers, kFileOk);
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) {
        const uint64_t from = std::min<uint64_t>(frames, share * w);
        const uint64_t to = std::min<uint64_t>(frames, share * (w + 1));
        threads.emplace_back(
            [&job, &results, w, from, to] { results[w] = DecodeRange(job, from, to); });
    }
    results[0] = DecodeRange(job, 0, std::min<uint64_t>(frames, share));
    for (std::thread& t : threads) t.join();
    for (int r : results) {
        if (r != kFileOk) {
            releaseAll();
            return r;
        }
    }
    record.leftSamples = left;
    record.rightSamples = right;
    record.frameCount = count;
    DropOverviews(record);
    record.leftOverview = overviews[0];
    record.rightOverview = overviews[1];
    return kFileOk;
}

void ReadInst(ChunkFile& file, WaveRecord& record) {
    ChunkInfo info;
    std::vector<uint8_t> d;
    if (file.Find("inst", info) != kFileOk || info.size < 7) return;
    if (file.ReadAvailable(Bounded(info, 7), d) != kFileOk || d.size() < 7) return;
    record.keyRoot = std::min<uint8_t>(d[0], 127);
    record.fineTune = int8_t(std::clamp<int>(int8_t(d[1]), -50, 50));
    record.keyLow = std::min<uint8_t>(d[3], 127);
    record.keyHigh = std::min<uint8_t>(d[4], 127);
}

// Text of a sub-chunk: up to the first NUL, at most `maxChars` characters.
std::string TextOf(const uint8_t* p, size_t n, size_t maxChars) {
    size_t len = 0;
    while (len < n && len < maxChars && p[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

// Calls `visit(listInfo, listEnd)` for every LIST chunk whose type is `type`,
// in file order, until `visit` returns false. listEnd bounds the sub-chunks.
template <typename Visit>
void ForEachList(ChunkFile& file, const char* type, Visit visit) {
    int64_t from = 12;
    ChunkInfo list;
    while (file.Find("LIST", list, from) == kFileOk) {
        from = list.dataOffset + int64_t(list.size) + int64_t(list.size & 1);
        std::vector<uint8_t> head;
        if (list.size < 4 || file.ReadAvailable(Bounded(list, 4), head) != kFileOk ||
            head.size() < 4 || !IdIs(head.data(), type))
            continue;
        int64_t end = list.dataOffset + int64_t(list.available);
        if (!visit(list, end)) return;
    }
}

void ReadName(ChunkFile& file, WaveRecord& record) {
    ForEachList(file, "INFO", [&](const ChunkInfo& list, int64_t end) {
        ChunkInfo sub;
        std::vector<uint8_t> d;
        if (file.Find("INAM", sub, list.dataOffset + 4, end) == kFileOk &&
            file.ReadAvailable(Bounded(sub, kMaxNameLength, end), d) == kFileOk) {
            std::string name = TextOf(d.data(), d.size(), kMaxNameLength);
            if (!name.empty()) record.name = name;
        }
        return false;  // only the first INFO list counts
    });
}

void ReadSmpl(ChunkFile& file, WaveRecord& record) {
    ChunkInfo info;
    std::vector<uint8_t> d;
    if (file.Find("smpl", info) != kFileOk || info.size < 36) return;
    if (file.ReadAvailable(info, d) != kFileOk || d.size() < 36) return;
    const uint8_t* p = d.data();
    if (record.keyRoot == 0 && record.keyLow == 0 && record.keyHigh == 0 && record.fineTune == 0) {
        record.keyRoot = uint8_t(std::min<uint32_t>(LoadU32(p + 12, kLE), 127));
        uint32_t fraction = LoadU32(p + 16, kLE);
        if (fraction != 0) {
            uint32_t cents = std::min<uint32_t>(fraction / kPitchFractionPerCent, 100);
            if (cents >= 51) {
                if (record.keyRoot < 127) ++record.keyRoot;
                record.fineTune = int8_t(int(cents) - 100);
            } else {
                record.fineTune = int8_t(cents);
            }
        }
    }
    uint64_t stored = LoadU32(p + 28, kLE);
    uint64_t samplerData = LoadU32(p + 32, kLE);
    uint64_t room = d.size() - 36;
    uint64_t fit = room >= samplerData ? (room - samplerData) / 24 : 0;
    uint64_t count = std::min(stored, fit);
    int endless = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* r = p + 36 + 24 * i;
        uint32_t id = LoadU32(r, kLE);
        if (id >= 256) continue;
        LoopNode* loop = AddDefaultLoop(record, int(id));
        if (!loop) continue;
        loop->type = LoadU32(r + 4, kLE) != 0 ? 1 : 0;
        loop->start = LoadU32(r + 8, kLE);
        loop->end = LoadU32(r + 12, kLE);
        uint32_t plays = LoadU32(r + 20, kLE);
        loop->playCount = plays == 0 ? kLoopEndless : plays;
        if (plays == 0) {
            ++endless;
            if (endless == 1 && record.sustainLoopId < 0) record.sustainLoopId = int16_t(id);
            if (endless == 2 && record.releaseLoopId < 0) record.releaseLoopId = int16_t(id);
        }
    }
}

// Renames markers from the labl, then the note sub-chunks of one adtl list.
void ReadMarkerNames(ChunkFile& file, const ChunkInfo& list, int64_t end, WaveRecord& record) {
    for (const char* kind : {"labl", "note"}) {
        int64_t from = list.dataOffset + 4;
        ChunkInfo sub;
        while (file.Find(kind, sub, from, end) == kFileOk) {
            from = sub.dataOffset + int64_t(sub.size) + int64_t(sub.size & 1);
            std::vector<uint8_t> d;
            if (sub.size < 4 || file.ReadAvailable(Bounded(sub, sub.size, end), d) != kFileOk ||
                d.size() < 4)
                continue;
            uint32_t id = LoadU32(d.data(), kLE);
            if (id >= 256) continue;
            std::string text = TextOf(d.data() + 4, d.size() - 4, d.size());
            MarkerNode* marker = FindMarker(record, int(id));
            if (text.empty() || !marker) continue;
            SetMarker(record, marker->position, int(id), text.c_str());
        }
    }
}

void ReadCues(ChunkFile& file, WaveRecord& record) {
    ChunkInfo info;
    std::vector<uint8_t> d;
    if (file.Find("cue ", info) != kFileOk || info.size < 4) return;
    if (file.ReadAvailable(info, d) != kFileOk || d.size() < 4) return;
    uint64_t count = std::min<uint64_t>(LoadU32(d.data(), kLE), (d.size() - 4) / 24);
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* r = d.data() + 4 + 24 * i;
        uint32_t id = LoadU32(r, kLE);
        if (id < 256) SetMarker(record, LoadU32(r + 20, kLE), int(id), nullptr);
    }
    ForEachList(file, "adtl", [&](const ChunkInfo& list, int64_t end) {
        ReadMarkerNames(file, list, end, record);
        return true;
    });
}

WaveReadResult ReadOpenFile(int fd, WaveRecord& record) {
    WaveReadResult out;
    ChunkFile file(fd, kLE);
    char id[5], form[5];
    if ((out.result = file.ReadHeader(id, form)) != kFileOk) return out;
    if (std::strcmp(id, "RIFF") != 0) {
        out.result = kFileFormImproper;
        return out;
    }
    if (std::strcmp(form, "WAVE") != 0) {
        out.result = kFileTypeImproper;
        return out;
    }
    out.recognised = true;

    ChunkInfo info;
    std::vector<uint8_t> fmt;
    if ((out.result = file.Find("fmt ", info)) != kFileOk) return out;
    if (info.size < 16) {
        out.result = kCorruptFile;
        return out;
    }
    if (info.available < info.size) {
        out.result = kFileReadError;
        return out;
    }
    if ((out.result = file.ReadAvailable(Bounded(info, 64), fmt)) != kFileOk) return out;
    FormatInfo f;
    if ((out.result = ParseFormat(fmt, f)) != kFileOk) return out;
    out.formatCode = f.formatCode;

    if ((out.result = file.Find("data", info)) != kFileOk) return out;
    if ((out.result = ReadSampleData(fd, info, f, record)) != kFileOk) return out;

    SetSampleRate(record, f.rate);
    ReadInst(file, record);
    ReadName(file, record);
    ReadSmpl(file, record);
    ReadCues(file, record);
    return out;
}

// ---- Writing helpers ----

SampleEncoding EncodingForBits(int bits) {
    switch (bits) {
        case 8:
            return SampleEncoding::U8;
        case 16:
            return SampleEncoding::S16LE;
        case 24:
            return SampleEncoding::S24LE;
        default:
            return SampleEncoding::F32LE;
    }
}

bool IsUntitled(const std::string& name) {
    static const char kUntitled[] = "untitled";
    if (name.size() != sizeof kUntitled - 1) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != kUntitled[i]) return false;
    return true;
}

// The text of a std::string up to its first NUL (what a stored name holds).
std::string StoredText(const std::string& s) {
    return s.substr(0, s.find('\0'));
}

void WriteFmt(ChunkWriter& w, const WaveRecord& record, int bits) {
    const uint32_t channels = record.rightSamples ? 2 : 1;
    const uint32_t rate = SnapSampleRate(record.sampleRate);
    size_t c = w.BeginChunk("fmt ");
    w.U16(bits == 32 ? kTagFloat : kTagPcm);
    w.U16(uint16_t(channels));
    w.U32(rate);
    w.U32(channels * rate * uint32_t(bits) / 8);
    w.U16(uint16_t(channels * uint32_t(bits) / 8));
    w.U16(uint16_t(bits));
    if (bits == 32) w.U16(0);
    w.EndChunk(c);
}

void WriteInst(ChunkWriter& w, const WaveRecord& record) {
    size_t c = w.BeginChunk("inst");
    w.U8(record.keyRoot);
    w.U8(uint8_t(record.fineTune));
    w.U8(0);  // gain
    w.U8(record.keyLow);
    w.U8(record.keyHigh);
    w.U8(127);  // velocity range
    w.U8(127);
    w.EndChunk(c);
}

void WriteInfo(ChunkWriter& w, const std::string& name) {
    size_t list = w.BeginChunk("LIST");
    w.Id("INFO");
    size_t c = w.BeginChunk("ISFT");
    w.Raw(kSoftwareText, sizeof kSoftwareText);
    w.EndChunk(c);
    c = w.BeginChunk("INAM");
    w.Raw(name.data(), name.size());
    w.U8(0);
    w.EndChunk(c);
    w.EndChunk(list);
}

void WriteLoop(ChunkWriter& w, const LoopNode& loop, bool role) {
    w.U32(loop.id);
    w.U32(loop.type & ~uint32_t(kLoopTypeHidden));
    w.U32(loop.start);
    w.U32(loop.end);
    w.U32(0);  // fraction
    w.U32(role ? 0 : 1);
}

const LoopNode* LoopWithId(const WaveRecord& record, int id) {
    for (const LoopNode* l = record.loops; l; l = l->next)
        if (l->id == id) return l;
    return nullptr;
}

void WriteSmpl(ChunkWriter& w, const WaveRecord& record) {
    const LoopNode* sustain = LoopWithId(record, record.sustainLoopId);
    const LoopNode* release = LoopWithId(record, record.releaseLoopId);
    if (release == sustain) release = nullptr;
    std::vector<const LoopNode*> order;
    if (sustain) order.push_back(sustain);
    if (release) order.push_back(release);
    for (const LoopNode* l = record.loops; l; l = l->next)
        if (l != sustain && l != release) order.push_back(l);

    uint32_t unity = record.keyRoot;
    if (record.fineTune < 0 && record.keyRoot > 0) --unity;
    int cents = record.fineTune < 0 ? record.fineTune + 100 : record.fineTune;
    size_t c = w.BeginChunk("smpl");
    w.U32(0);  // manufacturer
    w.U32(0);  // product
    w.U32(RateToPeriod(record.sampleRate));
    w.U32(unity);
    w.U32(uint32_t(cents) * kPitchFractionPerCent);
    w.U32(0);  // SMPTE format
    w.U32(0);  // SMPTE offset
    w.U32(uint32_t(order.size()));
    w.U32(0);  // sampler data
    for (const LoopNode* l : order) WriteLoop(w, *l, l == sustain || l == release);
    w.EndChunk(c);
}

void WriteCues(ChunkWriter& w, const WaveRecord& record, int bytesPerSample) {
    uint32_t count = 0;
    bool named = false;
    for (const MarkerNode* m = record.markers; m; m = m->next) {
        ++count;
        if (!StoredText(m->name).empty()) named = true;
    }
    size_t c = w.BeginChunk("cue ");
    w.U32(count);
    for (const MarkerNode* m = record.markers; m; m = m->next) {
        w.U32(m->id);
        w.U32(m->position);
        w.Id("data");
        w.U32(0);  // chunk start
        w.U32(m->position * uint32_t(bytesPerSample));
        w.U32(m->position);
    }
    w.EndChunk(c);
    if (!named) return;
    size_t list = w.BeginChunk("LIST");
    w.Id("adtl");
    for (const MarkerNode* m = record.markers; m; m = m->next) {
        std::string name = StoredText(m->name);
        if (name.empty()) continue;
        size_t note = w.BeginChunk("note");
        w.U32(m->id);
        w.Raw(name.data(), name.size());
        w.U8(0);
        w.EndChunk(note);
    }
    w.EndChunk(list);
}

// Everything before the sample bytes, with the RIFF and data sizes filled in.
void BuildHeader(ChunkWriter& w, const WaveRecord& record, int bits, uint32_t options,
                 uint64_t dataBytes) {
    w.Id("RIFF");
    w.U32(0);
    w.Id("WAVE");
    WriteFmt(w, record, bits);
    if ((options & kWavOptionInst) &&
        (record.keyRoot || record.fineTune || record.keyLow || record.keyHigh))
        WriteInst(w, record);
    std::string name = StoredText(record.name);
    if ((options & kWavOptionName) && !name.empty() && !IsUntitled(name)) WriteInfo(w, name);
    if (options & kWavOptionSmpl) WriteSmpl(w, record);
    if ((options & kWavOptionCue) && record.markers) WriteCues(w, record, bits / 8);
    w.Id("data");
    w.U32(uint32_t(dataBytes));
    uint64_t riff = w.Bytes().size() - 8 + dataBytes + (dataBytes & 1);
    w.PatchU32(4, uint32_t(riff));
}

}  // namespace

WaveReadResult ReadWave(const std::string& path, WaveRecord& record) {
    if (record.leftSamples) DiscardWave(record);
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) {
        WaveReadResult out;
        out.result = kCantOpenFile;
        return out;
    }
    WaveReadResult out = ReadOpenFile(fd, record);
    CloseFile(fd);
    if (out.result != kFileOk) {
        ReleaseSamples(record);
        return out;
    }
    TidyLoopsAndMarkers(record);
    record.viewStart = 0;
    record.viewSpan = record.frameCount;
    record.stateFlags &= ~kStateChanged;
    return out;
}

int WaveBitsFor(int bits) {
    if (bits <= 8) return 8;
    if (bits <= 16) return 16;
    if (bits <= 24) return 24;
    return 32;
}

int WriteWave(const std::string& path, const WaveRecord& record, int bits, uint32_t options) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    bits = WaveBitsFor(bits);
    const int channels = record.rightSamples ? 2 : 1;
    const size_t frameBytes = size_t(channels) * size_t(bits / 8);
    const uint64_t frames = record.frameCount;
    const uint64_t dataBytes = frames * frameBytes;

    ChunkWriter header(kLE);
    try {
        BuildHeader(header, record, bits, options, dataBytes);
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    }
    // The RIFF size field counts everything after the first 8 bytes.
    if (header.Bytes().size() - 8 + dataBytes + (dataBytes & 1) > kRiffLimit)
        return kFileWriteError;

    const SampleEncoding encoding = EncodingForBits(bits);
    if (IsHostLayout(encoding, channels)) {
        SafeSave save;
        int result = BeginSafeSave(path, save);
        if (result != kFileOk) return result;
        const uint8_t pad = 0;
        if (WriteBlock(save.fd, header.Bytes().data(), header.Bytes().size()) !=
                header.Bytes().size() ||
            WriteBlock(save.fd, record.leftSamples, dataBytes) != dataBytes ||
            ((dataBytes & 1) && WriteBlock(save.fd, &pad, 1) != 1)) {
            AbortSafeSave(save);
            return kFileWriteError;
        }
        return CommitSafeSave(save);
    }
    const size_t blockFrames = std::max<size_t>(1, kBlockBytes / frameBytes);
    const size_t blockBytes = std::min<uint64_t>(blockFrames, frames) * frameBytes;
    uint8_t* block = static_cast<uint8_t*>(Allocate(blockBytes, kAllocHeap));
    if (!block) return kNotEnoughMemory;

    SafeSave save;
    int result = BeginSafeSave(path, save);
    if (result != kFileOk) {
        Release(block, blockBytes, kAllocHeap);
        return result;
    }
    if (WriteBlock(save.fd, header.Bytes().data(), header.Bytes().size()) != header.Bytes().size())
        result = kFileWriteError;
    for (uint64_t done = 0; result == kFileOk && done < frames;) {
        size_t n = size_t(std::min<uint64_t>(blockFrames, frames - done));
        EncodeSamples(record.leftSamples + done,
                      record.rightSamples ? record.rightSamples + done : nullptr, n, channels,
                      encoding, block);
        if (WriteBlock(save.fd, block, n * frameBytes) != n * frameBytes) result = kFileWriteError;
        done += n;
    }
    const uint8_t pad = 0;
    if (result == kFileOk && (dataBytes & 1) && WriteBlock(save.fd, &pad, 1) != 1)
        result = kFileWriteError;
    Release(block, blockBytes, kAllocHeap);
    if (result != kFileOk) {
        AbortSafeSave(save);
        return result;
    }
    return CommitSafeSave(save);
}

}  // namespace ob
