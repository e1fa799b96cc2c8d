// RAW sound files: headerless mono samples, 8-bit signed or unsigned, 16-bit
// in either byte order, G.711 a-law or u-law. Read and written in pieces so a
// large file is never held whole.
#include "formats/sound_formats.h"
#include "formats/sound_io_ui.h"
#include "wave/file_io.h"

namespace ob {

namespace {

struct RawKind {
    SampleEncoding encoding;
    uint32_t rate;
};

RawKind KindOf(int code) {
    switch (code) {
        case kFormatRaw8s:
            return {SampleEncoding::S8, 22050};
        case kFormatRaw16m:
            return {SampleEncoding::S16BE, 44100};
        case kFormatRaw16i:
            return {SampleEncoding::S16LE, 44100};
        case kFormatRawAlaw:
            return {SampleEncoding::ALaw, 8000};
        case kFormatRawUlaw:
            return {SampleEncoding::ULaw, 8000};
        default:
            return {SampleEncoding::U8, 22050};
    }
}

}  // namespace

int EffectiveRawCode(int code) {
    if (code == kFormatRaw8s || (code >= kFormatRaw16m && code <= kFormatRawUlaw)) return code;
    return kFormatRaw8u;
}

ReadOutcome ReadRaw(const std::string& path, WaveRecord& record, int code, SoundIoUi* ui) {
    ReadOutcome out;
    out.recognised = true;
    out.format = EffectiveRawCode(code);
    RawKind kind = KindOf(out.format);
    int64_t fileSize = FileSize(path);
    int fd = fileSize < 0 ? -1 : OpenFile(path, kOpenRead);
    if (fd < 0) {
        out.result = kCantOpenFile;
        return out;
    }
    int bytes = BytesPerSample(kind.encoding);
    int64_t start = 0;
    if (bytes == 2 && (fileSize & 1) && ui &&
        ui->AskYesNo(
            "Raw File Alignment",
            "The raw file size is odd.\nDo you wish to skip the\nfirst byte for alignment?", false))
        start = 1;
    uint64_t frames = uint64_t(fileSize - start) / uint64_t(bytes);
    int result = frames == 0 ? kFileReadError : AllocateWave(record, frames, 1);
    if (result == kFileOk && Seek(fd, start, kSeekSet) < 0) result = kFileIOError;
    FileSamples layout;
    layout.encoding = kind.encoding;
    if (result == kFileOk) result = ReadFrames(fd, record, frames, 1, layout);
    CloseFile(fd);
    if (result != kFileOk) {
        ResetAfterFailedLoad(record);
        out.result = result;
        return out;
    }
    SetSampleRate(record, kind.rate);
    record.name = std::string(FileNamePart(path).substr(0, kMaxNameLength));
    record.viewSpan = record.frameCount;
    return out;
}

int WriteRaw(const std::string& path, const WaveRecord& record, int code) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    RawKind kind = KindOf(EffectiveRawCode(code));
    return SaveHeaderAndFrames(path, nullptr, 0, record, 1, kind.encoding);
}

}  // namespace ob
