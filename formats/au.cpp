// AU sound files (big-endian): mono u-law, a-law, signed 8 and 16-bit read;
// written as 8-bit u-law with a 28-byte header.
#include <cstring>

#include "formats/sound_formats.h"
#include "wave/file_io.h"

namespace ob {

ReadOutcome ReadAu(const std::string& path, WaveRecord& record) {
    ReadOutcome out;
    out.format = kFormatAu;
    int64_t fileSize = FileSize(path);
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) {
        out.result = kCantOpenFile;
        return out;
    }
    uint8_t head[24];
    if (fileSize < 24 || !ReadAt(fd, 0, head, sizeof head) || std::memcmp(head, ".snd", 4) != 0) {
        CloseFile(fd);
        out.result = kGeneralFileError;
        return out;
    }
    uint32_t dataOffset = GetBe32(head + 4);
    uint32_t encoding = GetBe32(head + 12);
    uint32_t rate = GetBe32(head + 16);
    uint32_t channels = GetBe32(head + 20);
    if (encoding == 0) encoding = 1;
    // A ".snd" header whose data offset lies outside the file is not AU data.
    if (dataOffset < 24 || int64_t(dataOffset) >= fileSize) {
        CloseFile(fd);
        out.result = kGeneralFileError;
        return out;
    }
    out.recognised = true;
    FileSamples layout;
    bool supported = true;
    switch (encoding) {
        case 1:
            layout.encoding = SampleEncoding::ULaw;
            break;
        case 2:
            layout.encoding = SampleEncoding::S8;
            break;
        case 3:
            layout.encoding = SampleEncoding::S16BE;
            break;
        case 27:
            layout.encoding = SampleEncoding::ALaw;
            break;
        default:
            supported = false;
            break;
    }
    if (!supported || channels != 1) {  // stereo and other encodings are variants we do not read
        CloseFile(fd);
        out.result = kFormatNotSupported;
        return out;
    }
    uint64_t frames = uint64_t(fileSize - dataOffset) / uint64_t(layout.BytesPerSample());
    int result = AllocateWave(record, frames, 1);
    if (result == kFileOk && Seek(fd, dataOffset, kSeekSet) < 0) result = kFileIOError;
    if (result == kFileOk) result = ReadFrames(fd, record, frames, 1, layout);
    CloseFile(fd);
    if (result != kFileOk) {
        ResetAfterFailedLoad(record);
        out.result = result;
        return out;
    }
    SetSampleRate(record, rate == 0 ? 8000 : rate);
    record.viewSpan = record.frameCount;
    return out;
}

int WriteAu(const std::string& path, const WaveRecord& record) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    uint8_t head[28] = {};
    std::memcpy(head, ".snd", 4);
    PutBe32(head + 4, 28);
    PutBe32(head + 8, record.frameCount);
    PutBe32(head + 12, 1);
    PutBe32(head + 16, record.sampleRate);
    PutBe32(head + 20, 1);
    return SaveHeaderAndFrames(path, head, sizeof head, record, 1, SampleEncoding::ULaw);
}

}  // namespace ob
