// File helpers: path parts, block I/O, seek, file facts and the safe save.
#include "wave/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "temp_folder.h"
#include "wave/file_result.h"

using namespace ob;

TEST(FileIo, PathPartsSplitAtSlashOnly) {
    EXPECT_EQ(FileNamePart("/home/a/b.wav"), "b.wav");
    EXPECT_EQ(FolderPart("/home/a/b.wav"), "/home/a/");
    EXPECT_EQ(ExtensionPart("/home/a/b.wav"), ".wav");
    // Backslash and colon are ordinary characters.
    EXPECT_EQ(FileNamePart("/x/C:\\snd\\kick.aif"), "C:\\snd\\kick.aif");
    EXPECT_EQ(ExtensionPart("/x/C:\\snd\\kick.aif"), ".aif");
    // The extension is taken from the name part only.
    EXPECT_EQ(ExtensionPart("/a.dir/noext"), "");
    EXPECT_EQ(ExtensionPart("name.tar.gz"), ".gz");
    EXPECT_EQ(FileNamePart("plain"), "plain");
    EXPECT_EQ(FolderPart("plain"), "");
    EXPECT_EQ(FileNamePart("/folder/"), "");
}

TEST(FileIo, BlockReadWriteSeekAndFacts) {
    TempFolder tmp;
    std::string path = tmp / "data.bin";
    EXPECT_EQ(OpenFile(path, kOpenRead), -1);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(FileSize(path), -1);
    EXPECT_EQ(FileModifiedTime(path), -1);
    EXPECT_EQ(OpenFile(path, 7), -1);

    int fd = OpenFile(path, kOpenCreate);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(WriteBlock(fd, "abcdefghij", 10), 10u);
    EXPECT_EQ(Tell(fd), 10);
    EXPECT_EQ(Seek(fd, 2, kSeekSet), 10);  // position before the move
    char buf[16] = {};
    EXPECT_EQ(ReadBlock(fd, buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "cde");
    EXPECT_EQ(Seek(fd, -1, kSeekEnd), 5);
    EXPECT_EQ(ReadBlock(fd, buf, 16), 1u);  // short count at the end
    EXPECT_EQ(buf[0], 'j');
    EXPECT_EQ(Seek(fd, -100, kSeekSet), -1);
    EXPECT_EQ(Seek(fd, 0, 9), -1);
    CloseFile(fd);

    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(FileSize(path), 10);
    EXPECT_GT(FileModifiedTime(path), 0);
    EXPECT_FALSE(FileExists(tmp.path));  // a folder is not a file
    EXPECT_EQ(OpenFile(tmp.path, kOpenRead), -1);

    // A failing device gives a short count, not success.
    int full = OpenFile("/dev/full", kOpenCreate);
    if (full >= 0) {
        EXPECT_LT(WriteBlock(full, buf, 16), 16u);
        CloseFile(full);
    }
    EXPECT_EQ(ReadBlock(-1, buf, 4), 0u);
    EXPECT_EQ(WriteBlock(-1, buf, 4), 0u);
}

namespace {
int CountEntries(const std::string& folder) {
    int n = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++n;
    }
    return n;
}
}  // namespace

TEST(FileIo, SafeSaveReplacesOnlyOnCommit) {
    TempFolder tmp;
    std::string target = tmp / "sound.wav";
    WriteTextFile(target, "old contents");
    ::chmod(target.c_str(), 0640);

    SafeSave save;
    ASSERT_EQ(BeginSafeSave(target, save), kFileOk);
    EXPECT_EQ(FolderPart(save.temporary), FolderPart(target));
    EXPECT_EQ(WriteBlock(save.fd, "new", 3), 3u);
    EXPECT_EQ(ReadWholeFile(target), "old contents");  // untouched until commit
    EXPECT_EQ(CountEntries(tmp.path), 2);
    ASSERT_EQ(CommitSafeSave(save), kFileOk);
    EXPECT_EQ(ReadWholeFile(target), "new");
    EXPECT_EQ(CountEntries(tmp.path), 1);
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);  // the replaced file's mode is kept

    // Abort leaves the old file and removes the temporary file.
    ASSERT_EQ(BeginSafeSave(target, save), kFileOk);
    WriteBlock(save.fd, "partial", 7);
    AbortSafeSave(save);
    EXPECT_EQ(ReadWholeFile(target), "new");
    EXPECT_EQ(CountEntries(tmp.path), 1);

    // A new file gets 0666 less the umask.
    mode_t mask = ::umask(022);
    std::string fresh = tmp / "fresh.wav";
    ASSERT_EQ(BeginSafeSave(fresh, save), kFileOk);
    ASSERT_EQ(CommitSafeSave(save), kFileOk);
    ::umask(mask);
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    // With fsync requested the result is the same.
    save.sync = true;
    ASSERT_EQ(BeginSafeSave(fresh, save), kFileOk);
    EXPECT_TRUE(save.sync);
    WriteBlock(save.fd, "synced", 6);
    ASSERT_EQ(CommitSafeSave(save), kFileOk);
    EXPECT_EQ(ReadWholeFile(fresh), "synced");
}

TEST(FileIo, SafeSaveFailuresKeepTheOldFile) {
    TempFolder tmp;
    SafeSave save;
    // No such folder, an empty path, a folder as target.
    EXPECT_EQ(BeginSafeSave(tmp / "missing/sound.wav", save), kCantOpenFile);
    EXPECT_EQ(BeginSafeSave("", save), kCantOpenFile);
    EXPECT_EQ(BeginSafeSave(tmp.path, save), kCantOpenFile);
    EXPECT_EQ(BeginSafeSave(tmp.path + "/", save), kCantOpenFile);
    EXPECT_EQ(CountEntries(tmp.path), 0);

    // The rename fails when the target turned into a folder meanwhile: the
    // commit reports a write error and only the temporary file goes.
    std::string target = tmp / "later.wav";
    ASSERT_EQ(BeginSafeSave(target, save), kFileOk);
    WriteBlock(save.fd, "data", 4);
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    WriteTextFile(target + "/keep", "kept");
    EXPECT_EQ(CommitSafeSave(save), kFileWriteError);
    EXPECT_EQ(CountEntries(tmp.path), 1);
    EXPECT_EQ(ReadWholeFile(target + "/keep"), "kept");
    EXPECT_EQ(CommitSafeSave(save), kFileWriteError);  // nothing left to commit

    // A name of the longest allowed length still gets a temporary file.
    std::string longName = tmp / (std::string(250, 'n') + ".wav");
    ASSERT_EQ(BeginSafeSave(longName, save), kFileOk);
    EXPECT_LE(FileNamePart(save.temporary).size(), 255u);
    ASSERT_EQ(CommitSafeSave(save), kFileOk);
    EXPECT_TRUE(FileExists(longName));
}

TEST(FileIo, SafeSaveThroughSymbolicLinkKeepsTheLink) {
    TempFolder tmp;
    std::string real = tmp / "real.wav";
    std::string link = tmp / "link.wav";
    WriteTextFile(real, "old");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    SafeSave save;
    ASSERT_EQ(BeginSafeSave(link, save), kFileOk);
    WriteBlock(save.fd, "new", 3);
    ASSERT_EQ(CommitSafeSave(save), kFileOk);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(real), "new");
}
