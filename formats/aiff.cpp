// AIFF sound files (IFF "FORM" of type "AIFF", big-endian): COMM, SSND,
// markers in MARK, sustain and release loops and key map in INST (whose loops
// point at markers), the name in NAME. Reads 8 to 32-bit integer samples;
// writes 16 or 24 bits.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "formats/chunk_io.h"
#include "formats/sound_formats.h"
#include "wave/file_io.h"

namespace ob {

namespace {

constexpr int kMarkerZeroId = 251;  // AIFF marker ids must be positive
constexpr size_t kMaxMarkerName = 80;

void ReadMarkers(const std::vector<uint8_t>& data, WaveRecord& record) {
    ByteCursor in(data.data(), data.size(), ByteOrder::Big);
    uint16_t count = 0;
    if (!in.U16(count)) return;
    for (unsigned i = 0; i < count; ++i) {
        uint16_t id;
        uint32_t position;
        uint8_t length;
        if (!in.U16(id) || !in.U32(position) || !in.U8(length) || in.Remaining() < length) return;
        std::string name = BoundedText(in.Here(), length, kMaxMarkerName);
        in.Skip(length);
        if (((7 + length) & 1) && !in.Skip(1)) in.Skip(in.Remaining());
        if (id >= 256) continue;
        int markerId = id == kMarkerZeroId ? 0 : id;
        SetMarker(record, position, markerId, name.empty() ? nullptr : name.c_str());
    }
}

// One loop of INST: play mode and the ids of its begin and end markers.
void TakeInstLoop(WaveRecord& record, const uint8_t* p, int loopId) {
    uint32_t mode = GetBe16(p);
    uint32_t beginId = GetBe16(p + 2);
    uint32_t endId = GetBe16(p + 4);
    if (mode == 0 || beginId == 0 || endId == 0 || beginId >= 256 || endId >= 256) return;
    if (beginId == kMarkerZeroId) beginId = 0;
    if (endId == kMarkerZeroId) endId = 0;
    MarkerNode* begin = FindMarker(record, int(beginId));
    MarkerNode* end = FindMarker(record, int(endId));
    if (!begin || !end) return;
    uint32_t start = begin->position, stop = end->position;
    LoopNode* loop = AddDefaultLoop(record, loopId);
    if (!loop) return;
    loop->type = mode == 2 ? 1 : 0;
    loop->playCount = 1;
    loop->start = start;
    loop->end = stop;
    if (loopId == 0)
        record.sustainLoopId = 0;
    else
        record.releaseLoopId = 1;
    DeleteMarker(record, int(beginId));
    DeleteMarker(record, int(endId));
}

// Everything after the header check; the caller resets the record on failure.
int LoadAiff(ChunkFile& file, int fd, WaveRecord& record, int& format) {
    ChunkInfo comm;
    int result = file.Find("COMM", comm);
    if (result != kFileOk) return result;
    std::vector<uint8_t> data;
    if ((result = file.ReadData(comm, data)) != kFileOk) return result;
    if (data.size() < 18) return kCorruptFile;
    uint32_t channels = GetBe16(&data[0]);
    uint32_t frames = GetBe32(&data[2]);
    uint32_t bits = GetBe16(&data[6]);
    uint32_t rate = DecodeAiffRate(&data[8]);
    if (channels == 0 || channels > 2 || bits == 0 || bits > 32 || frames == 0)
        return kFormatNotSupported;
    int bytes = int((bits + 7) / 8);
    format = bits < 24 ? kFormatAiff16 : kFormatAiff24;

    ChunkInfo ssnd;
    if ((result = file.Find("SSND", ssnd)) != kFileOk) return result;
    uint8_t head[8];
    if (ssnd.available < 8 || !ReadAt(fd, ssnd.dataOffset, head, 8)) return kFileReadError;
    int64_t first = ssnd.dataOffset + 8 + int64_t(GetBe32(head));
    uint64_t needed = uint64_t(frames) * channels * uint64_t(bytes);
    // The frames COMM states must really be in the file before anything is allocated.
    if (first > file.FileLength() || needed > uint64_t(file.FileLength() - first))
        return kFileReadError;
    if ((result = AllocateWave(record, frames, int(channels))) != kFileOk) return result;
    if (Seek(fd, first, kSeekSet) < 0) return kFileIOError;
    FileSamples layout;
    static const SampleEncoding kByBytes[] = {SampleEncoding::S8, SampleEncoding::S16BE,
                                              SampleEncoding::S24BE};
    if (bytes == 4)
        layout.int32Big = true;
    else
        layout.encoding = kByBytes[bytes - 1];
    if ((result = ReadFrames(fd, record, frames, int(channels), layout)) != kFileOk) return result;
    SetSampleRate(record, rate);

    ChunkInfo chunk;
    bool markersPresent = false;
    if (file.Find("MARK", chunk) == kFileOk) {
        if ((result = file.ReadData(chunk, data)) != kFileOk) return result;
        ReadMarkers(data, record);
        markersPresent = true;
    }
    record.name = "Untitled";
    if (file.Find("NAME", chunk) == kFileOk && file.ReadAvailable(chunk, data) == kFileOk)
        record.name = BoundedText(data.data(), data.size(), kMaxNameLength);
    bool instTaken = false;
    if (markersPresent && file.Find("INST", chunk) == kFileOk &&
        file.ReadData(chunk, data) == kFileOk && data.size() >= 20) {
        instTaken = true;
        record.keyRoot = LimitKey(int8_t(data[0]));
        record.fineTune = LimitFineTune(int8_t(data[1]));
        record.keyLow = LimitKey(int8_t(data[2]));
        record.keyHigh = LimitKey(int8_t(data[3]));
        TakeInstLoop(record, &data[8], 0);
        TakeInstLoop(record, &data[14], 1);
    }
    if (!instTaken) {
        record.keyRoot = 60;
        record.keyLow = 0;
        record.keyHigh = 127;
        record.fineTune = 0;
        ClearLists(record, kListLoops);
    }
    record.viewSpan = record.frameCount;
    return kFileOk;
}

void PutMarker(ChunkWriter& w, int id, uint32_t position, const std::string& name) {
    size_t length = std::min<size_t>(name.size(), 255);
    w.U16(uint16_t(id));
    w.U32(position);
    w.U8(uint8_t(length));
    w.Raw(name.data(), length);
    if ((7 + length) & 1) w.U8(0);
}

void PutInstLoop(ChunkWriter& w, const LoopNode* loop, int beginId) {
    w.U16(loop ? ((loop->type & 0x7F) == 1 ? 2 : 1) : 0);
    w.U16(loop ? uint16_t(beginId) : 0);
    w.U16(loop ? uint16_t(beginId + 1) : 0);
}

// The chunks before SSND.
void BuildHead(ChunkWriter& w, const WaveRecord& record, int channels, int bits) {
    w.Id("FORM");
    w.U32(0);
    w.Id("AIFF");
    size_t at = w.BeginChunk("COMM");
    w.U16(uint16_t(channels));
    w.U32(record.frameCount);
    w.U16(uint16_t(bits));
    uint8_t rate[10];
    EncodeAiffRate(SnapSampleRate(record.sampleRate), rate);
    w.Raw(rate, sizeof rate);
    w.EndChunk(at);

    const LoopNode* sustain = SustainLoop(record);
    const LoopNode* release = ReleaseLoop(record);
    if (record.markers || sustain || release) {
        std::vector<const MarkerNode*> markers;
        for (const MarkerNode* m = record.markers; m; m = m->next)
            if (m->id <= 250) markers.push_back(m);
        std::sort(markers.begin(), markers.end(),
                  [](const MarkerNode* a, const MarkerNode* b) { return a->id < b->id; });
        at = w.BeginChunk("MARK");
        w.U16(uint16_t(markers.size() + (sustain ? 2 : 0) + (release ? 2 : 0)));
        for (const MarkerNode* m : markers)
            PutMarker(w, m->id == 0 ? kMarkerZeroId : m->id, m->position, m->name);
        if (sustain) {
            PutMarker(w, 252, sustain->start, "beg Loop");
            PutMarker(w, 253, sustain->end, "end Loop");
        }
        if (release) {
            PutMarker(w, 254, release->start, "beg Loop");
            PutMarker(w, 255, release->end, "end Loop");
        }
        w.EndChunk(at);
    }
    if (sustain || release) {
        at = w.BeginChunk("INST");
        w.U8(record.keyRoot);
        w.U8(uint8_t(record.fineTune));
        w.U8(record.keyLow);
        w.U8(record.keyHigh);
        w.U8(0);
        w.U8(0);
        w.U16(0);
        PutInstLoop(w, sustain, 252);
        PutInstLoop(w, release, 254);
        w.EndChunk(at);
    }
    if (!IsUntitled(record.name)) {
        at = w.BeginChunk("NAME");
        w.Raw(record.name.data(), record.name.size());
        w.EndChunk(at);
    }
}

}  // namespace

void EncodeAiffRate(uint32_t hz, uint8_t out[10]) {
    std::memset(out, 0, 10);
    if (hz == 0) return;
    int shifts = 0;
    while (!(hz & 0x80000000u)) {
        hz <<= 1;
        ++shifts;
    }
    uint32_t exponent = 16383 + 31 - uint32_t(shifts);
    PutBe16(out, exponent);
    PutBe32(out + 2, hz);
}

uint32_t DecodeAiffRate(const uint8_t in[10]) {
    uint32_t signAndExponent = GetBe16(in);
    uint64_t mantissa = (uint64_t(GetBe32(in + 2)) << 32) | GetBe32(in + 6);
    if (signAndExponent & 0x8000) return 0;  // negative
    int power = int(signAndExponent & 0x7FFF) - 16383;
    if (power < 0 || power > 31) return 0;  // below 1 Hz or beyond 32 bits
    return uint32_t(mantissa >> (63 - power));
}

ReadOutcome ReadAiff(const std::string& path, WaveRecord& record) {
    ReadOutcome out;
    out.format = kFormatAiff16;
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) {
        out.result = kCantOpenFile;
        return out;
    }
    ChunkFile file(fd, ByteOrder::Big);
    char id[5], type[5];
    out.result = file.ReadHeader(id, type);
    if (out.result == kFileOk && std::strcmp(id, "FORM") != 0) out.result = kFileFormImproper;
    if (out.result == kFileOk && std::strcmp(type, "AIFC") == 0) {
        // Compressed AIFF: recognised, but a variant we do not read.
        out.recognised = true;
        out.result = kFormatNotSupported;
    } else if (out.result == kFileOk && std::strcmp(type, "AIFF") != 0) {
        out.result = kFileTypeImproper;
    }
    if (out.result != kFileOk) {
        CloseFile(fd);
        return out;
    }
    out.recognised = true;
    try {
        out.result = LoadAiff(file, fd, record, out.format);
    } catch (const std::bad_alloc&) {
        out.result = kNotEnoughMemory;
    }
    CloseFile(fd);
    if (out.result != kFileOk) ResetAfterFailedLoad(record);
    return out;
}

int WriteAiff(const std::string& path, const WaveRecord& record, int bits) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    bits = bits <= 16 ? 16 : 24;
    int channels = record.rightSamples ? 2 : 1;
    uint64_t sampleBytes = uint64_t(record.frameCount) * uint64_t(channels) * uint64_t(bits / 8);
    ChunkWriter w(ByteOrder::Big);
    try {
        BuildHead(w, record, channels, bits);
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    }
    std::vector<uint8_t>& head = w.Bytes();
    uint64_t total = head.size() + 16 + sampleBytes;
    if (total - 8 > 0xFFFFFFFFull) return kFileWriteError;  // beyond the FORM size field
    PutBe32(&head[4], uint32_t(total - 8));
    uint8_t ssnd[16] = {'S', 'S', 'N', 'D'};
    PutBe32(ssnd + 4, uint32_t(sampleBytes + 8));

    SafeSave save;
    if (BeginSafeSave(path, save) != kFileOk) return kCantOpenFile;
    int result = WriteAll(save.fd, head.data(), head.size()) && WriteAll(save.fd, ssnd, 16)
                     ? kFileOk
                     : kFileWriteError;
    if (result == kFileOk)
        result = WriteFrames(save.fd, record.leftSamples, record.rightSamples, record.frameCount,
                             channels, bits == 16 ? SampleEncoding::S16BE : SampleEncoding::S24BE);
    if (result != kFileOk) {
        AbortSafeSave(save);
        return result;
    }
    return CommitSafeSave(save);
}

}  // namespace ob
