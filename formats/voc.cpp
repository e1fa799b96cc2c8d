// VOC sound files (little-endian): a 26-byte header and one sound data block
// of the new kind (type 9), 8-bit unsigned or 16-bit signed, mono or stereo.
#include <strings.h>

#include <cstring>

#include "formats/sound_formats.h"
#include "wave/file_io.h"

namespace ob {

namespace {
const char kSignature[] = "Creative Voice File";  // 19 characters
constexpr uint32_t kMaxBlockLength = 0xFFFFFF;    // 24-bit block length
}  // namespace

ReadOutcome ReadVoc(const std::string& path, WaveRecord& record) {
    ReadOutcome out;
    out.format = kFormatVoc;
    int64_t fileSize = FileSize(path);
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) {
        out.result = kCantOpenFile;
        return out;
    }
    uint8_t head[42];
    if (fileSize < 43 || !ReadAt(fd, 0, head, sizeof head) ||
        strncasecmp(reinterpret_cast<const char*>(head), kSignature, 19) != 0) {
        CloseFile(fd);
        out.result = kGeneralFileError;
        return out;
    }
    out.recognised = true;
    uint32_t blockLength =
        uint32_t(head[27]) | (uint32_t(head[28]) << 8) | (uint32_t(head[29]) << 16);
    uint32_t rate = GetLe32(head + 30);
    uint32_t channels = head[35] == 0 ? 1 : head[35];
    uint32_t format = GetLe16(head + 36);
    // Only one block of type 9 holding 8-bit unsigned or 16-bit signed PCM,
    // mono or stereo, is read; other layouts are variants we do not read.
    int result = kFileOk;
    if (head[26] != 9 || channels > 2 || (format != 0 && format != 4) || blockLength < 12)
        result = kFormatNotSupported;
    else if (int64_t(blockLength) - 12 > fileSize - 43)
        result = kFileReadError;  // the block runs past the end of the file
    else if (int64_t(blockLength) - 12 != fileSize - 43)
        result = kFormatNotSupported;  // further blocks follow
    FileSamples layout;
    layout.encoding = format == 4 ? SampleEncoding::S16LE : SampleEncoding::U8;
    uint64_t frames = 0;
    if (result == kFileOk) {
        frames = (blockLength - 12) / (uint64_t(layout.BytesPerSample()) * channels);
        result = AllocateWave(record, frames, int(channels));
    }
    if (result == kFileOk && Seek(fd, 42, kSeekSet) < 0) result = kFileIOError;
    if (result == kFileOk) result = ReadFrames(fd, record, frames, int(channels), layout);
    CloseFile(fd);
    if (result != kFileOk) {
        ResetAfterFailedLoad(record);
        out.result = result;
        return out;
    }
    SetSampleRate(record, rate == 0 ? 22050 : rate);
    record.viewSpan = record.frameCount;
    return out;
}

int WriteVoc(const std::string& path, const WaveRecord& record) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    int channels = record.rightSamples ? 2 : 1;
    uint64_t blockLength = uint64_t(channels) * record.frameCount + 12;
    // A wave that does not fit one block is refused whole, never cut short.
    if (blockLength > kMaxBlockLength) return kFileWriteError;
    uint8_t head[42] = {};
    std::memcpy(head, kSignature, 19);
    head[19] = 26;
    PutLe16(head + 20, 26);
    PutLe16(head + 22, 0x0114);
    PutLe16(head + 24, 0x111F);
    head[26] = 9;
    head[27] = uint8_t(blockLength);
    head[28] = uint8_t(blockLength >> 8);
    head[29] = uint8_t(blockLength >> 16);
    PutLe32(head + 30, record.sampleRate);
    head[34] = 8;
    head[35] = uint8_t(channels);
    SafeSave save;
    if (BeginSafeSave(path, save) != kFileOk) return kCantOpenFile;
    int result = WriteAll(save.fd, head, sizeof head) ? kFileOk : kFileWriteError;
    if (result == kFileOk)
        result = WriteFrames(save.fd, record.leftSamples, record.rightSamples, record.frameCount,
                             channels, SampleEncoding::U8);
    const uint8_t terminator = 0;
    if (result == kFileOk && !WriteAll(save.fd, &terminator, 1)) result = kFileWriteError;
    if (result != kFileOk) {
        AbortSafeSave(save);
        return result;
    }
    return CommitSafeSave(save);
}

}  // namespace ob
