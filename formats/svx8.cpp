// IFF 8SVX sound files (big-endian): VHDR, NAME and BODY with signed 8-bit
// mono samples; a repeat part becomes the sustain loop. Files with several
// octaves hold each octave at double the length of the one before; the
// last (longest) one is read.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "formats/chunk_io.h"
#include "formats/sound_formats.h"
#include "wave/file_io.h"

namespace ob {

namespace {

constexpr int kMaxOctaves = 24;  // beyond this no octave fits a 32-bit frame count

int Load8svx(ChunkFile& file, int fd, WaveRecord& record) {
    ChunkInfo vhdr;
    int result = file.Find("VHDR", vhdr);
    if (result != kFileOk) return result;
    std::vector<uint8_t> data;
    if ((result = file.ReadData(vhdr, data)) != kFileOk) return result;
    if (data.size() < 20) return kCorruptFile;
    uint64_t oneShot = GetBe32(&data[0]);
    uint64_t repeat = GetBe32(&data[4]);
    uint32_t rate = GetBe16(&data[12]);
    int octaves = data[14];
    if (octaves == 0 || octaves > kMaxOctaves || data[15] != 0) return kFormatNotSupported;
    uint64_t unit = oneShot + repeat;
    uint64_t scale = uint64_t(1) << (octaves - 1);
    uint64_t frames = unit * scale;
    uint64_t skip = unit * (scale - 1);
    if (frames == 0 || frames > 0xFFFFFFFFull) return kFormatNotSupported;

    ChunkInfo body;
    if ((result = file.Find("BODY", body)) != kFileOk) return result;
    // Every octave up to the last one must be in the file.
    if (skip + frames > body.available) return kFileReadError;
    if ((result = AllocateWave(record, frames, 1)) != kFileOk) return result;
    if (Seek(fd, body.dataOffset + int64_t(skip), kSeekSet) < 0) return kFileIOError;
    FileSamples layout;
    layout.encoding = SampleEncoding::S8;
    if ((result = ReadFrames(fd, record, frames, 1, layout)) != kFileOk) return result;

    record.name = "Untitled";
    ChunkInfo name;
    if (file.Find("NAME", name) == kFileOk && file.ReadAvailable(name, data) == kFileOk)
        record.name = BoundedText(data.data(), data.size(), kMaxNameLength);
    if (repeat != 0) {
        LoopNode* loop = AddDefaultLoop(record, 1);
        if (loop) {
            loop->start = uint32_t(oneShot * scale);
            loop->end = uint32_t(frames - 1);
            loop->type = 0;
            loop->playCount = 1;
            record.sustainLoopId = 1;
        }
    }
    SetSampleRate(record, rate == 0 ? 22050 : rate);
    record.viewSpan = record.frameCount;
    return kFileOk;
}

}  // namespace

ReadOutcome Read8svx(const std::string& path, WaveRecord& record) {
    ReadOutcome out;
    out.format = kFormat8svx;
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) {
        out.result = kCantOpenFile;
        return out;
    }
    ChunkFile file(fd, ByteOrder::Big);
    char id[5], type[5];
    out.result = file.ReadHeader(id, type);
    if (out.result == kFileOk && std::strcmp(id, "FORM") != 0) out.result = kFileFormImproper;
    if (out.result == kFileOk && std::strcmp(type, "8SVX") != 0) out.result = kFileTypeImproper;
    if (out.result != kFileOk) {
        CloseFile(fd);
        return out;
    }
    out.recognised = true;
    try {
        out.result = Load8svx(file, fd, record);
    } catch (const std::bad_alloc&) {
        out.result = kNotEnoughMemory;
    }
    CloseFile(fd);
    if (out.result != kFileOk) ResetAfterFailedLoad(record);
    return out;
}

int Write8svx(const std::string& path, const WaveRecord& record) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    const LoopNode* loop = SustainLoop(record);
    if (!loop) loop = ReleaseLoop(record);
    uint32_t oneShot = record.frameCount, repeat = 0;
    if (loop) {
        uint32_t end = std::min(loop->end, record.frameCount - 1);
        oneShot = std::min(loop->start, end);
        repeat = end - oneShot + 1;
    }
    uint32_t body = oneShot + repeat;
    size_t nameLength = record.name.size();
    uint64_t total = 12 + 28 + 8 + nameLength + (nameLength & 1) + 8 + uint64_t(body) + (body & 1);
    if (total - 8 > 0xFFFFFFFFull) return kFileWriteError;

    std::vector<uint8_t> head;
    try {
        head.assign(12 + 28 + 8 + nameLength + (nameLength & 1) + 8, 0);
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    }
    uint8_t* p = head.data();
    std::memcpy(p, "FORM", 4);
    PutBe32(p + 4, uint32_t(total - 8));
    std::memcpy(p + 8, "8SVX", 4);
    std::memcpy(p + 12, "VHDR", 4);
    PutBe32(p + 16, 20);
    PutBe32(p + 20, oneShot);
    PutBe32(p + 24, repeat);
    PutBe16(p + 32, std::min<uint32_t>(SnapSampleRate(record.sampleRate), 65535));
    p[34] = 1;
    PutBe32(p + 36, 65536);
    p += 40;
    std::memcpy(p, "NAME", 4);
    PutBe32(p + 4, uint32_t(nameLength));
    if (nameLength) std::memcpy(p + 8, record.name.data(), nameLength);
    p += 8 + nameLength + (nameLength & 1);
    std::memcpy(p, "BODY", 4);
    PutBe32(p + 4, body);

    SafeSave save;
    if (BeginSafeSave(path, save) != kFileOk) return kCantOpenFile;
    int result = WriteAll(save.fd, head.data(), head.size()) ? kFileOk : kFileWriteError;
    if (result == kFileOk)
        result = WriteFrames(save.fd, record.leftSamples, nullptr, body, 1, SampleEncoding::S8);
    const uint8_t pad = 0;
    if (result == kFileOk && (body & 1) && !WriteAll(save.fd, &pad, 1)) result = kFileWriteError;
    if (result != kFileOk) {
        AbortSafeSave(save);
        return result;
    }
    return CommitSafeSave(save);
}

}  // namespace ob
