// Sound Designer 1 files: a 1336-byte big-endian header (name, rate, sustain
// and release loops, ten marker slots) followed by 16-bit mono samples.
#include <cstring>

#include "formats/sound_formats.h"
#include "wave/file_io.h"

namespace ob {

namespace {

constexpr size_t kHeaderSize = 1336;
constexpr size_t kSlotOffset = 348;
constexpr size_t kSlotSize = 40;
constexpr int kSlots = 10;
constexpr uint32_t kNoLoop = 0xFFFFFFFFu;
const char kCreatorText[] = "Created or edited with Sample Orbick, from brightfold - for the Amiga";

void PutCounted(uint8_t* p, const char* text, size_t length) {
    p[0] = uint8_t(length);
    std::memcpy(p + 1, text, length);
}

// Loop points in bytes: ends limited to frameCount, starts to the end.
void PutLoop(uint8_t* p, const LoopNode* loop, uint32_t frameCount) {
    if (!loop) {
        PutBe32(p, kNoLoop);
        PutBe32(p + 4, kNoLoop);
        return;
    }
    uint32_t end = loop->end < frameCount ? loop->end : frameCount;
    uint32_t start = loop->start < end ? loop->start : end;
    PutBe32(p, start * 2);
    PutBe32(p + 4, end * 2);
}

void TakeLoop(WaveRecord& record, const uint8_t* points, uint8_t mode, int id) {
    uint32_t start = GetBe32(points);
    if (start == kNoLoop) return;
    LoopNode* loop = AddDefaultLoop(record, id);
    if (!loop) return;
    loop->start = start / 2;
    loop->end = GetBe32(points + 4) / 2;
    loop->type = mode == 2 ? 1 : 0;
    loop->playCount = 1;
    if (id == 0)
        record.sustainLoopId = 0;
    else
        record.releaseLoopId = 1;
}

}  // namespace

ReadOutcome ReadSd1(const std::string& path, WaveRecord& record) {
    ReadOutcome out;
    out.format = kFormatSd1;
    int64_t fileSize = FileSize(path);
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) {
        out.result = kCantOpenFile;
        return out;
    }
    uint8_t head[kHeaderSize];
    if (fileSize < int64_t(kHeaderSize) + 2 || !ReadAt(fd, 0, head, sizeof head) || head[0] != 5 ||
        head[1] != 56 || int64_t(GetBe32(head + 184)) != fileSize - int64_t(kHeaderSize)) {
        CloseFile(fd);
        out.result = kGeneralFileError;
        return out;
    }
    out.recognised = true;
    uint64_t frames = GetBe32(head + 184) / 2;
    int result = AllocateWave(record, frames, 1);
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
    record.name = BoundedText(head + 255, head[254], 64);
    if (record.name.empty()) record.name = "Untitled";
    uint32_t rate = GetBe32(head + 1020);
    SetSampleRate(record, SnapSampleRate(rate == 0 ? 44100 : rate));
    TakeLoop(record, head + 752, head[1332], 0);
    TakeLoop(record, head + 1324, head[1333], 1);
    for (int k = 0; k < kSlots; ++k) {
        const uint8_t* slot = head + kSlotOffset + kSlotSize * size_t(k);
        if (slot[0] != 0) continue;
        // The name length byte may claim more than the slot holds.
        std::string name = BoundedText(slot + 7, slot[6], kSlotSize - 7);
        SetMarker(record, GetBe32(slot + 2) / 2, k, name.empty() ? nullptr : name.c_str());
    }
    record.viewSpan = record.frameCount;
    return out;
}

int WriteSd1(const std::string& path, const WaveRecord& record) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    if (uint64_t(record.frameCount) * 2 > 0xFFFFFFFFull) return kFileWriteError;
    uint8_t head[kHeaderSize] = {};
    head[0] = 5;
    head[1] = 56;
    PutBe16(head + 2, 11);
    PutBe16(head + 56, 65280);
    PutBe32(head + 58, 1);
    PutBe32(head + 62, 327);
    head[66] = 4;
    PutCounted(head + 68, "%Scale", 6);
    head[105] = 1;
    PutCounted(head + 108, "      ", 6);
    PutBe16(head + 172, 15);
    PutBe16(head + 174, 15);
    PutBe32(head + 184, record.frameCount * 2);
    size_t nameLength = record.name.size() < 62 ? record.name.size() : 62;
    PutCounted(head + 254, record.name.data(), nameLength);
    for (int k = 0; k < kSlots; ++k) {
        uint8_t* slot = head + kSlotOffset + kSlotSize * size_t(k);
        const MarkerNode* marker = nullptr;
        for (const MarkerNode* m = record.markers; m; m = m->next)
            if (m->id == k) marker = m;
        slot[0] = marker ? 0 : 1;
        if (marker) PutBe32(slot + 2, marker->position * 2);
        if (marker && !marker->name.empty()) {
            size_t n = marker->name.size() < 31 ? marker->name.size() : 31;
            PutCounted(slot + 6, marker->name.data(), n);
        } else {
            PutCounted(slot + 6, "Untitled", 8);
        }
    }
    const LoopNode* sustain = SustainLoop(record);
    const LoopNode* release = ReleaseLoop(record);
    PutLoop(head + 752, sustain, record.frameCount);
    head[764] = 74;
    std::memcpy(head + 765, kCreatorText, sizeof kCreatorText - 1);
    PutBe32(head + 1020, SnapSampleRate(record.sampleRate));
    PutBe32(head + 1024, record.sampleRate ? 1000000 / record.sampleRate : 0);
    PutBe16(head + 1028, 16);
    PutCounted(head + 1030, "Linear", 6);
    PutLoop(head + 1324, release, record.frameCount);
    head[1332] = sustain ? uint8_t((sustain->type & 1) + 1) : 0;
    head[1333] = release ? uint8_t((release->type & 1) + 1) : 0;

    return SaveHeaderAndFrames(path, head, sizeof head, record, 1, SampleEncoding::S16BE);
}

}  // namespace ob
