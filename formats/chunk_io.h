// Chunk walking and writing shared by the RIFF (little-endian) and IFF
// (big-endian) families: WAV, AIFF, 8SVX, and the container files.
//
// A file starts with a 12-byte header (id, size, form type); chunks follow
// from offset 12: id, u32 size, data, one pad byte when the size is odd.
// Sizes are never trusted: every chunk is bounded by the bytes really in the
// file (64-bit offsets), and a chunk read never allocates more than the file holds.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"

namespace ob {

inline bool IdIs(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// A bounds-checked cursor over bytes in memory (chunk data).
class ByteCursor {
  public:
    ByteCursor(const uint8_t* data, size_t size, ByteOrder order)
        : data_(data), size_(size), order_(order) {}
    size_t Remaining() const { return size_ - pos_; }
    size_t Position() const { return pos_; }
    bool Skip(size_t n);
    bool U8(uint8_t& v);
    bool U16(uint16_t& v);
    bool U32(uint32_t& v);
    bool Bytes(void* out, size_t n);
    const uint8_t* Here() const { return data_ + pos_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    ByteOrder order_;
};

struct ChunkInfo {
    char id[5] = {};
    uint32_t size = 0;       // as stated in the file
    int64_t dataOffset = 0;  // file offset of the chunk data
    uint64_t available = 0;  // data bytes really present (<= size)
};

// Walks the chunks of an open file. Result codes are file result codes.
class ChunkFile {
  public:
    ChunkFile(int fd, ByteOrder order);
    ByteOrder Order() const { return order_; }
    int64_t FileLength() const { return length_; }
    // Reads the 12-byte header: kFileOk or kFileReadError.
    int ReadHeader(char id[5], char formType[5]);
    // Finds the first chunk `id` between `from` and `end` (end -1 = end of file).
    // kFileOk; kItemNotFound when the walk reaches the end; kFileReadError when a
    // header is cut short; kFileIOError when a seek fails.
    int Find(const char* id, ChunkInfo& info, int64_t from = 12, int64_t end = -1);
    // Lists every chunk between `from` and `end` in file order.
    int List(std::vector<ChunkInfo>& out, int64_t from = 12, int64_t end = -1);
    // Reads the whole chunk data. kFileReadError when fewer than `size` bytes
    // are present; kNotEnoughMemory when the buffer cannot be obtained.
    int ReadData(const ChunkInfo& info, std::vector<uint8_t>& out);
    // Reads the chunk data, accepting a short chunk (what is present).
    int ReadAvailable(const ChunkInfo& info, std::vector<uint8_t>& out);

  private:
    int fd_;
    ByteOrder order_;
    int64_t length_;
};

// Builds a file image in memory: chunks with even padding, sizes patched.
class ChunkWriter {
  public:
    explicit ChunkWriter(ByteOrder order) : order_(order) {}
    std::vector<uint8_t>& Bytes() { return bytes_; }
    void Id(const char* id);  // the first 4 characters of id
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void Raw(const void* data, size_t n);
    void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    // Starts a chunk: writes id and a size placeholder; returns its offset.
    size_t BeginChunk(const char* id);
    // Patches the size (bytes after the header) and pads to even length.
    void EndChunk(size_t chunkOffset);
    void PatchU32(size_t offset, uint32_t v) { StoreU32(&bytes_[offset], v, order_); }

  private:
    ByteOrder order_;
    std::vector<uint8_t> bytes_;
};

}  // namespace ob
