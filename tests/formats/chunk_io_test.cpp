// Tests of the shared chunk walker and writer: byte orders, even padding,
// and chunk sizes that lie about the bytes in the file.
#include "formats/chunk_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "wave/file_result.h"

namespace ob {
namespace {

// A file with the given bytes, opened read-only; removed when done.
struct TempFile {
    std::string path;
    int fd = -1;
    explicit TempFile(const std::vector<uint8_t>& bytes) {
        char name[] = "/tmp/orbick_chunk_XXXXXX";
        int w = mkstemp(name);
        path = name;
        EXPECT_EQ(write(w, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        close(w);
        fd = open(name, O_RDONLY);
    }
    ~TempFile() {
        close(fd);
        unlink(path.c_str());
    }
};

TEST(ChunkIo, LoadsAndStoresInBothByteOrders) {
    uint8_t b[4];
    StoreU32(b, 0x11223344u, ByteOrder::Little);
    EXPECT_EQ(b[0], 0x44);
    EXPECT_EQ(b[3], 0x11);
    EXPECT_EQ(LoadU32(b, ByteOrder::Little), 0x11223344u);
    EXPECT_EQ(LoadU32(b, ByteOrder::Big), 0x44332211u);
    StoreU16(b, 0xABCD, ByteOrder::Big);
    EXPECT_EQ(b[0], 0xAB);
    EXPECT_EQ(LoadU16(b, ByteOrder::Big), 0xABCD);
    EXPECT_EQ(LoadU16(b, ByteOrder::Little), 0xCDAB);

    const uint8_t data[5] = {1, 2, 0, 3, 0};
    ByteCursor c(data, sizeof data, ByteOrder::Little);
    uint8_t u8;
    uint16_t u16;
    uint32_t u32;
    EXPECT_TRUE(c.U8(u8));
    EXPECT_EQ(u8, 1);
    EXPECT_TRUE(c.U16(u16));
    EXPECT_EQ(u16, 2);
    EXPECT_FALSE(c.U32(u32));  // only 2 bytes left: refused, nothing consumed
    EXPECT_EQ(c.Remaining(), 2u);
    EXPECT_FALSE(c.Skip(3));
    EXPECT_TRUE(c.Skip(2));
    EXPECT_FALSE(c.U8(u8));
}

TEST(ChunkIo, WriterPadsOddChunksAndWalkerFindsThem) {
    ChunkWriter w(ByteOrder::Big);
    w.Id("FORM");
    w.U32(0);
    w.Id("AIFF");
    size_t a = w.BeginChunk("ODD1");
    w.Raw("abc", 3);
    w.EndChunk(a);
    size_t list = w.BeginChunk("LIST");
    w.Id("adtl");
    size_t inner = w.BeginChunk("note");
    w.U8(7);
    w.EndChunk(inner);
    w.EndChunk(list);
    size_t b = w.BeginChunk("EVEN");
    w.U16(0x0102);
    w.EndChunk(b);
    w.PatchU32(4, uint32_t(w.Bytes().size() - 8));
    // FORM header 12, ODD1 8+3+1, LIST 8+4+(8+1+1), EVEN 8+2
    ASSERT_EQ(w.Bytes().size(), 12u + 12u + 22u + 10u);
    EXPECT_EQ(LoadU32(&w.Bytes()[12 + 4], ByteOrder::Big), 3u);
    EXPECT_EQ(LoadU32(&w.Bytes()[24 + 4], ByteOrder::Big), 14u);

    TempFile f(w.Bytes());
    ChunkFile file(f.fd, ByteOrder::Big);
    char id[5], form[5];
    ASSERT_EQ(file.ReadHeader(id, form), kFileOk);
    EXPECT_STREQ(id, "FORM");
    EXPECT_STREQ(form, "AIFF");

    ChunkInfo info;
    ASSERT_EQ(file.Find("EVEN", info), kFileOk);
    EXPECT_EQ(info.size, 2u);
    EXPECT_EQ(info.dataOffset, 54);
    std::vector<uint8_t> data;
    ASSERT_EQ(file.ReadData(info, data), kFileOk);
    EXPECT_EQ(LoadU16(data.data(), ByteOrder::Big), 0x0102);
    EXPECT_EQ(file.Find("NONE", info), kItemNotFound);

    // Within the LIST the walk is limited to the list's own size.
    ChunkInfo listInfo;
    ASSERT_EQ(file.Find("LIST", listInfo), kFileOk);
    int64_t listEnd = listInfo.dataOffset + listInfo.size;
    ASSERT_EQ(file.Find("note", info, listInfo.dataOffset + 4, listEnd), kFileOk);
    EXPECT_EQ(info.size, 1u);
    EXPECT_EQ(file.Find("EVEN", info, listInfo.dataOffset + 4, listEnd), kItemNotFound);

    std::vector<ChunkInfo> all;
    ASSERT_EQ(file.List(all), kFileOk);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_STREQ(all[0].id, "ODD1");
    EXPECT_STREQ(all[1].id, "LIST");
    EXPECT_STREQ(all[2].id, "EVEN");
}

TEST(ChunkIo, SizesAreBoundedByTheFile) {
    // RIFF header, a chunk claiming 0xFFFFFFFF bytes with 6 present.
    ChunkWriter w(ByteOrder::Little);
    w.Id("RIFF");
    w.U32(0);
    w.Id("WAVE");
    w.Id("big ");
    w.U32(0xFFFFFFFFu);
    w.Raw("123456", 6);
    TempFile f(w.Bytes());
    ChunkFile file(f.fd, ByteOrder::Little);
    EXPECT_EQ(file.FileLength(), 26);

    ChunkInfo info;
    ASSERT_EQ(file.Find("big ", info), kFileOk);
    EXPECT_EQ(info.size, 0xFFFFFFFFu);
    EXPECT_EQ(info.available, 6u);
    std::vector<uint8_t> data;
    EXPECT_EQ(file.ReadData(info, data), kFileReadError);
    ASSERT_EQ(file.ReadAvailable(info, data), kFileOk);
    EXPECT_EQ(data.size(), 6u);
    EXPECT_EQ(data[5], '6');
    // The odd size steps past the end in 64 bits (no wrap to a small offset).
    EXPECT_EQ(file.Find("next", info), kItemNotFound);

    // A header cut short is a read error; an empty walk finds nothing.
    std::vector<uint8_t> cut = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't'};
    TempFile g(cut);
    ChunkFile short_file(g.fd, ByteOrder::Little);
    EXPECT_EQ(short_file.Find("fmt ", info), kFileReadError);
    std::vector<uint8_t> header_only(cut.begin(), cut.begin() + 12);
    TempFile h(header_only);
    ChunkFile empty_file(h.fd, ByteOrder::Little);
    EXPECT_EQ(empty_file.Find("fmt ", info), kItemNotFound);
    std::vector<uint8_t> tiny = {'R', 'I', 'F'};
    TempFile t(tiny);
    ChunkFile tiny_file(t.fd, ByteOrder::Little);
    char id[5], form[5];
    EXPECT_EQ(tiny_file.ReadHeader(id, form), kFileReadError);
}

}  // namespace
}  // namespace ob
