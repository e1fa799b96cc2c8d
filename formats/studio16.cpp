// Studio 16 V3 files: a 3690-byte big-endian header ("KWK3", rate, lengths)
// followed by 16-bit mono samples.
#include <cstring>

#include "formats/sound_formats.h"
#include "wave/file_io.h"

namespace ob {

namespace {
constexpr size_t kHeaderSize = 3690;
}

ReadOutcome ReadS16(const std::string& path, WaveRecord& record) {
    ReadOutcome out;
    out.format = kFormatS16v3;
    int64_t fileSize = FileSize(path);
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) {
        out.result = kCantOpenFile;
        return out;
    }
    uint8_t head[8];
    if (fileSize < 8 || !ReadAt(fd, 0, head, sizeof head) || std::memcmp(head, "KWK3", 4) != 0) {
        CloseFile(fd);
        out.result = kFileTypeImproper;
        return out;
    }
    out.recognised = true;
    int result = kFileOk;
    if (fileSize < int64_t(kHeaderSize) + 2) result = kGeneralFileError;
    uint64_t frames = uint64_t(fileSize - int64_t(kHeaderSize)) / 2;
    if (result == kFileOk) result = AllocateWave(record, frames, 1);
    if (result == kFileOk && Seek(fd, int64_t(kHeaderSize), kSeekSet) < 0) result = kFileIOError;
    FileSamples layout;
    layout.encoding = SampleEncoding::S16BE;
    if (result == kFileOk) result = ReadFrames(fd, record, frames, 1, layout);
    CloseFile(fd);
    if (result != kFileOk) {
        ResetAfterFailedLoad(record);
        out.result = result;
        return out;
    }
    uint32_t rate = GetBe32(head + 4);
    SetSampleRate(record, rate == 0 ? 44100 : rate);
    record.viewSpan = record.frameCount;
    return out;
}

int WriteS16(const std::string& path, const WaveRecord& record) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    uint8_t head[kHeaderSize] = {};
    std::memcpy(head, "KWK3", 4);
    uint32_t rate = record.sampleRate;
    if (rate == 44099 || rate == 44101) rate = 44100;
    PutBe32(head + 4, rate);
    PutBe32(head + 8, rate);
    PutBe32(head + 12, 0x0C800000);
    PutBe32(head + 24, 0x0C800000);
    for (size_t offset : {36, 40, 52}) PutBe32(head + offset, record.frameCount);
    for (size_t offset : {48, 56}) PutBe32(head + offset, record.frameCount - 1);
    return SaveHeaderAndFrames(path, head, sizeof head, record, 1, SampleEncoding::S16BE);
}

}  // namespace ob
