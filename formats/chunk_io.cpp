// Chunk walking and writing for the RIFF and IFF families. Reads go through
// pread so a walk never disturbs the file position a reader relies on, and
// every chunk is bounded by the bytes really in the file.
#include "formats/chunk_io.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <stdexcept>

#include "wave/file_result.h"

namespace ob {

// ---- ByteCursor ----

bool ByteCursor::Skip(size_t n) {
    if (n > Remaining()) return false;
    pos_ += n;
    return true;
}

bool ByteCursor::U8(uint8_t& v) {
    if (Remaining() < 1) return false;
    v = data_[pos_++];
    return true;
}

bool ByteCursor::U16(uint16_t& v) {
    if (Remaining() < 2) return false;
    v = LoadU16(data_ + pos_, order_);
    pos_ += 2;
    return true;
}

bool ByteCursor::U32(uint32_t& v) {
    if (Remaining() < 4) return false;
    v = LoadU32(data_ + pos_, order_);
    pos_ += 4;
    return true;
}

bool ByteCursor::Bytes(void* out, size_t n) {
    if (n > Remaining()) return false;
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
}

// ---- ChunkFile ----

namespace {

// Reads up to `size` bytes at `offset`; returns the count read, -1 on an I/O error.
int64_t ReadAt(int fd, void* buffer, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, static_cast<uint8_t*>(buffer) + done, size - done,
                            off_t(offset + int64_t(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    return int64_t(done);
}

int64_t LengthOf(int fd) {
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return 0;
    return int64_t(st.st_size);
}

}  // namespace

ChunkFile::ChunkFile(int fd, ByteOrder order) : fd_(fd), order_(order), length_(LengthOf(fd)) {}

int ChunkFile::ReadHeader(char id[5], char formType[5]) {
    uint8_t head[12];
    if (ReadAt(fd_, head, 12, 0) != 12) return kFileReadError;
    std::memcpy(id, head, 4);
    id[4] = 0;
    std::memcpy(formType, head + 8, 4);
    formType[4] = 0;
    return kFileOk;
}

namespace {

// One step of the walk: the chunk header at `pos`, bounded by `limit`.
int ChunkAt(int fd, ByteOrder order, int64_t pos, int64_t limit, int64_t fileLength,
            ChunkInfo& info) {
    if (pos + 8 > limit) return kFileReadError;
    uint8_t head[8];
    int64_t n = ReadAt(fd, head, 8, pos);
    if (n < 0) return kFileIOError;
    if (n != 8) return kFileReadError;
    std::memcpy(info.id, head, 4);
    info.id[4] = 0;
    info.size = LoadU32(head + 4, order);
    info.dataOffset = pos + 8;
    int64_t present = fileLength - info.dataOffset;
    if (present < 0) present = 0;
    info.available = uint64_t(present) < info.size ? uint64_t(present) : info.size;
    return kFileOk;
}

// Offset of the chunk after `info`: data rounded up to even length, in 64 bits.
int64_t NextChunk(const ChunkInfo& info) {
    return info.dataOffset + int64_t(info.size) + int64_t(info.size & 1);
}

}  // namespace

int ChunkFile::Find(const char* id, ChunkInfo& info, int64_t from, int64_t end) {
    int64_t limit = (end < 0 || end > length_) ? length_ : end;
    int64_t pos = from;
    // A walk that reaches (or, through a chunk cut short or a missing pad byte,
    // passes) the end has found nothing.
    while (pos < limit) {
        ChunkInfo here;
        int r = ChunkAt(fd_, order_, pos, limit, length_, here);
        if (r != kFileOk) return r;
        if (std::memcmp(here.id, id, 4) == 0) {
            info = here;
            return kFileOk;
        }
        pos = NextChunk(here);
    }
    return kItemNotFound;
}

int ChunkFile::List(std::vector<ChunkInfo>& out, int64_t from, int64_t end) {
    int64_t limit = (end < 0 || end > length_) ? length_ : end;
    int64_t pos = from;
    while (pos < limit) {
        ChunkInfo here;
        int r = ChunkAt(fd_, order_, pos, limit, length_, here);
        if (r != kFileOk) return r;
        try {
            out.push_back(here);
        } catch (const std::bad_alloc&) {
            return kNotEnoughMemory;
        }
        pos = NextChunk(here);
    }
    return kFileOk;
}

int ChunkFile::ReadData(const ChunkInfo& info, std::vector<uint8_t>& out) {
    if (info.available < info.size) return kFileReadError;
    return ReadAvailable(info, out);
}

int ChunkFile::ReadAvailable(const ChunkInfo& info, std::vector<uint8_t>& out) {
    // `available` never exceeds what the file holds, so a hostile size cannot
    // make this allocate more than the file's length.
    try {
        out.assign(size_t(info.available), 0);
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    } catch (const std::length_error&) {
        return kNotEnoughMemory;
    }
    if (info.available == 0) return kFileOk;
    int64_t n = ReadAt(fd_, out.data(), out.size(), info.dataOffset);
    if (n < 0) return kFileIOError;
    if (uint64_t(n) != info.available) return kFileReadError;
    return kFileOk;
}

// ---- ChunkWriter ----

void ChunkWriter::Id(const char* id) {
    size_t at = bytes_.size();
    bytes_.resize(at + 4);
    std::memcpy(&bytes_[at], id, 4);
}

void ChunkWriter::U16(uint16_t v) {
    uint8_t b[2];
    StoreU16(b, v, order_);
    bytes_.insert(bytes_.end(), b, b + 2);
}

void ChunkWriter::U32(uint32_t v) {
    uint8_t b[4];
    StoreU32(b, v, order_);
    bytes_.insert(bytes_.end(), b, b + 4);
}

void ChunkWriter::Raw(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
}

size_t ChunkWriter::BeginChunk(const char* id) {
    size_t at = bytes_.size();
    Id(id);
    U32(0);
    return at;
}

void ChunkWriter::EndChunk(size_t chunkOffset) {
    size_t size = bytes_.size() - chunkOffset - 8;
    PatchU32(chunkOffset + 4, uint32_t(size));
    if (size & 1) bytes_.push_back(0);
}

}  // namespace ob
