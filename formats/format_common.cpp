// Helpers shared by the sound file readers and writers of formats/.
#include "formats/format_common.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "wave/file_io.h"
#include "wave/memory.h"

namespace ob {

namespace {

// A heap scratch block released on every path.
struct Scratch {
    uint8_t* bytes = nullptr;
    size_t size = 0;
    explicit Scratch(size_t n) : bytes(static_cast<uint8_t*>(Allocate(n, kAllocHeap))), size(n) {}
    ~Scratch() { Release(bytes, size, kAllocHeap); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

void DecodeInt32Big(const uint8_t* in, size_t frames, int channels, float* left, float* right) {
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            int32_t v = int32_t(GetBe32(in));
            in += 4;
            float x = float(double(v) / 2147483648.0);
            if (c == 0)
                left[i] = x;
            else
                right[i] = x;
        }
    }
}

}  // namespace

int AllocateWave(WaveRecord& record, uint64_t frames, int channels) {
    if (frames == 0 || frames > 0xFFFFFFFFull || channels < 1 || channels > 2)
        return kFormatNotSupported;
    size_t bytes = size_t(frames) * sizeof(float);
    float* left = static_cast<float*>(Allocate(bytes, kAllocLarge | kAllocZero));
    if (!left) return kNotEnoughMemory;
    float* right = nullptr;
    if (channels == 2) {
        right = static_cast<float*>(Allocate(bytes, kAllocLarge | kAllocZero));
        if (!right) {
            Release(left, bytes, kAllocLarge);
            return kNotEnoughMemory;
        }
    }
    record.leftSamples = left;
    record.rightSamples = right;
    record.frameCount = uint32_t(frames);
    return kFileOk;
}

void ReleaseWave(WaveRecord& record) {
    size_t bytes = size_t(record.frameCount) * sizeof(float);
    Release(record.leftSamples, bytes, kAllocLarge);
    Release(record.rightSamples, bytes, kAllocLarge);
    record.leftSamples = nullptr;
    record.rightSamples = nullptr;
    record.frameCount = 0;
}

void ResetAfterFailedLoad(WaveRecord& record) {
    ReleaseWave(record);
    ClearLists(record, kListLoops | kListMarkers);
    record.viewStart = 0;
    record.viewSpan = 0;
    record.sampleRate = 44100;
    record.sustainLoopId = -1;
    record.releaseLoopId = -1;
    record.keyLow = record.keyHigh = record.keyRoot = 0;
    record.fineTune = 0;
    record.name = "Untitled";
}

int ReadFrames(int fd, WaveRecord& record, uint64_t frames, int channels, FileSamples layout) {
    size_t frameBytes = size_t(layout.BytesPerSample()) * size_t(channels);
    size_t pieceFrames = size_t(std::min<uint64_t>(kPieceBytes / frameBytes, frames ? frames : 1));
    Scratch piece(pieceFrames * frameBytes);
    if (!piece.bytes) return kNotEnoughMemory;
    uint64_t done = 0;
    while (done < frames) {
        size_t n = size_t(std::min<uint64_t>(pieceFrames, frames - done));
        if (ReadBlock(fd, piece.bytes, n * frameBytes) != n * frameBytes) return kFileReadError;
        float* left = record.leftSamples + done;
        float* right = channels == 2 ? record.rightSamples + done : nullptr;
        if (layout.int32Big)
            DecodeInt32Big(piece.bytes, n, channels, left, right);
        else
            DecodeSamples(piece.bytes, n, channels, layout.encoding, left, right);
        done += n;
    }
    return kFileOk;
}

int WriteFrames(int fd, const float* left, const float* right, uint64_t frames, int channels,
                SampleEncoding encoding) {
    size_t frameBytes = size_t(BytesPerSample(encoding)) * size_t(channels);
    size_t pieceFrames = size_t(std::min<uint64_t>(kPieceBytes / frameBytes, frames ? frames : 1));
    Scratch piece(pieceFrames * frameBytes);
    if (!piece.bytes) return kNotEnoughMemory;
    uint64_t done = 0;
    while (done < frames) {
        size_t n = size_t(std::min<uint64_t>(pieceFrames, frames - done));
        EncodeSamples(left + done, channels == 2 ? right + done : nullptr, n, channels, encoding,
                      piece.bytes);
        if (!WriteAll(fd, piece.bytes, n * frameBytes)) return kFileWriteError;
        done += n;
    }
    return kFileOk;
}

bool WriteAll(int fd, const void* data, size_t size) {
    return size == 0 || WriteBlock(fd, data, size) == size;
}

bool ReadAt(int fd, int64_t offset, void* data, size_t size) {
    auto* out = static_cast<uint8_t*>(data);
    while (size > 0) {
        ssize_t n = pread(fd, out, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        offset += n;
        size -= size_t(n);
    }
    return true;
}

std::string BoundedText(const uint8_t* p, size_t size, size_t max) {
    size_t n = 0;
    while (n < size && n < max && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

bool IsUntitled(const std::string& name) {
    static const char kUntitled[] = "untitled";
    if (name.empty()) return true;
    if (name.size() != sizeof kUntitled - 1) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != kUntitled[i]) return false;
    return true;
}

uint8_t LimitKey(int value) {
    return uint8_t(value < 0 ? 0 : value > 127 ? 127 : value);
}
int8_t LimitFineTune(int value) {
    return int8_t(value < -50 ? -50 : value > 50 ? 50 : value);
}

static const LoopNode* LoopWithId(const WaveRecord& record, int id) {
    if (id < 0) return nullptr;
    for (const LoopNode* loop = record.loops; loop; loop = loop->next)
        if (loop->id == id) return loop;
    return nullptr;
}

const LoopNode* SustainLoop(const WaveRecord& record) {
    return LoopWithId(record, record.sustainLoopId);
}
const LoopNode* ReleaseLoop(const WaveRecord& record) {
    return LoopWithId(record, record.releaseLoopId);
}

int SaveHeaderAndFrames(const std::string& path, const void* head, size_t headSize,
                        const WaveRecord& record, int channels, SampleEncoding encoding) {
    SafeSave save;
    if (BeginSafeSave(path, save) != kFileOk) return kCantOpenFile;
    int result = (headSize == 0 || WriteAll(save.fd, head, headSize)) ? kFileOk : kFileWriteError;
    if (result == kFileOk)
        result = WriteFrames(save.fd, record.leftSamples, record.rightSamples, record.frameCount,
                             channels, encoding);
    if (result != kFileOk) {
        AbortSafeSave(save);
        return result;
    }
    return CommitSafeSave(save);
}

}  // namespace ob
