// File helpers: path parts, block I/O, seek, file facts and the safe save.
#include "wave/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
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

// Only regular files are replaced: devices, FIFOs and links to them are
// refused and stay what they were; a dangling link (also relative, also
// through a chain) gets the file it names, and the links stay.
TEST(FileIo, SafeSaveRefusesWhatIsNotARegularFile) {
    TempFolder tmp;
    std::string fifo = tmp / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string toFifo = tmp / "to-fifo.wav";
    std::string toNull = tmp / "to-null.wav";
    ASSERT_EQ(::symlink("fifo", toFifo.c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", toNull.c_str()), 0);
    SafeSave save;
    for (const std::string& target : {fifo, toFifo, toNull, std::string("/dev/null")}) {
        EXPECT_EQ(BeginSafeSave(target, save), kCantOpenFile) << target;
        EXPECT_EQ(save.fd, -1);
    }
    struct stat st;
    ASSERT_EQ(::lstat(toNull.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(CountEntries(tmp.path), 3);  // nothing was created

    ASSERT_EQ(::mkdir((tmp / "sub").c_str(), 0755), 0);
    std::string first = tmp / "first.wav";
    ASSERT_EQ(::symlink("sub/second.wav", first.c_str()), 0);
    ASSERT_EQ(::symlink("made.wav", (tmp / "sub/second.wav").c_str()), 0);
    ASSERT_EQ(BeginSafeSave(first, save), kFileOk);
    WriteBlock(save.fd, "new", 3);
    ASSERT_EQ(CommitSafeSave(save), kFileOk);
    EXPECT_EQ(ReadWholeFile(tmp / "sub/made.wav"), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(first));
    EXPECT_TRUE(std::filesystem::is_symlink(tmp / "sub/second.wav"));

    // A loop of links is refused.
    ASSERT_EQ(::symlink("loop-b", (tmp / "loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", (tmp / "loop-b").c_str()), 0);
    EXPECT_EQ(BeginSafeSave(tmp / "loop-a", save), kCantOpenFile);
}

// Past the file-size limit the write fails (SIGXFSZ is ignored) instead of
// ending the process; the commit never happens and the old file stays.
TEST(FileIo, SafeSavePastTheFileSizeLimitFailsLikeAFullDisk) {
    TempFolder tmp;
    std::string target = tmp / "old.wav";
    WriteTextFile(target, "old");
    SafeSave save;
    ASSERT_EQ(BeginSafeSave(target, save), kFileOk);
    struct rlimit old, small;
    ::getrlimit(RLIMIT_FSIZE, &old);
    small = old;
    small.rlim_cur = 1000;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::string block(4000, 'x');
    size_t written = WriteBlock(save.fd, block.data(), block.size());
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(written, 1000u);
    AbortSafeSave(save);
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(CountEntries(tmp.path), 1);
}
