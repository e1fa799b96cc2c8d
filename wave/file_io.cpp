// POSIX file helpers: open, block read/write, seek, file facts, path parts
// and the safe save (temporary file in the target's folder, renamed over it).
#include "wave/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wave/file_result.h"

namespace ob {

int OpenFile(const std::string& path, int mode) {
    if (path.empty()) return -1;
    int fd = -1;
    if (mode == kOpenRead) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } else if (mode == kOpenCreate) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } else {
        return -1;
    }
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

void CloseFile(int fd) {
    if (fd >= 0) ::close(fd);
}

size_t ReadBlock(int fd, void* buffer, size_t size) {
    if (fd < 0 || (!buffer && size)) return 0;
    auto* p = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t WriteBlock(int fd, const void* buffer, size_t size) {
    if (fd < 0 || (!buffer && size)) return 0;
    auto* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t Seek(int fd, int64_t distance, int origin) {
    if (fd < 0) return -1;
    int whence = origin == kSeekSet       ? SEEK_SET
                 : origin == kSeekCurrent ? SEEK_CUR
                 : origin == kSeekEnd     ? SEEK_END
                                          : -1;
    if (whence < 0) return -1;
    off_t before = ::lseek(fd, 0, SEEK_CUR);
    if (before < 0) return -1;
    if (::lseek(fd, static_cast<off_t>(distance), whence) < 0) return -1;
    return static_cast<int64_t>(before);
}

int64_t Tell(int fd) {
    if (fd < 0) return -1;
    off_t position = ::lseek(fd, 0, SEEK_CUR);
    return position < 0 ? -1 : static_cast<int64_t>(position);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t FileModifiedTime(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::string_view FileNamePart(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ExtensionPart(std::string_view path) {
    std::string_view name = FileNamePart(path);
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string_view FolderPart(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

namespace {

// The process umask, read without changing it where the kernel reports it.
mode_t CurrentUmask() {
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[128];
        unsigned mask = 0;
        bool found = false;
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                found = true;
                break;
            }
        }
        std::fclose(f);
        if (found) return static_cast<mode_t>(mask);
    }
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// The path a chain of symbolic links ends at, also when its last link is
// dangling (the file it names is then created); relative link texts count
// from the link's folder. Gives up after 40 links, like the kernel.
bool FollowLinks(const std::string& path, std::string& out) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            out = current;
            return true;
        }
        if (char* resolved = ::realpath(current.c_str(), nullptr)) {
            out = resolved;
            std::free(resolved);
            return true;
        }
        std::string link(PATH_MAX, '\0');
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || size_t(n) >= link.size()) return false;
        link.resize(size_t(n));
        current = link.front() == '/' ? link : std::string(FolderPart(current)) + link;
    }
    return false;
}

// Writing a file of a size past RLIMIT_FSIZE raises SIGXFSZ, whose default
// action ends the process without a word and leaves the temporary file
// behind. Ignored, the write fails with EFBIG and the save reports a write
// error like on a full disk. A handler the host installed is left alone.
void IgnoreFileSizeSignal() {
    static const bool done = [] {
        struct sigaction current;
        if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
            !(current.sa_flags & SA_SIGINFO))
            ::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)done;
}

}  // namespace

int BeginSafeSave(const std::string& target, SafeSave& save) {
    bool sync = save.sync;
    save = SafeSave{};
    save.sync = sync;
    if (target.empty() || target.back() == '/') return kCantOpenFile;
    IgnoreFileSizeSignal();

    // Only regular files are replaced: a device, a FIFO, a socket or a link to
    // one of them (/dev/stdout) is refused and left as it is, since renaming
    // a new file over it would destroy it.
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) return kCantOpenFile;

    // Saving through a symbolic link replaces the file it points at and keeps the link.
    std::string real;
    if (!FollowLinks(target, real)) return kCantOpenFile;

    // The new file keeps the mode of the file it replaces, else 0666 less the umask.
    mode_t mode = 0666 & ~CurrentUmask();
    struct stat old;
    if (::stat(real.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) return kCantOpenFile;
        mode = old.st_mode & 07777;
    }

    // ".NAME.XXXXXX" beside the target; NAME is cut so the result fits NAME_MAX.
    std::string_view name = FileNamePart(real);
    constexpr size_t kMaxNamePart = NAME_MAX - 8;  // "." + ".XXXXXX"
    if (name.size() > kMaxNamePart) name = name.substr(0, kMaxNamePart);
    std::string temporary(FolderPart(real));
    temporary += '.';
    temporary += name;
    temporary += ".XXXXXX";

    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return kCantOpenFile;
    ::fchmod(fd, mode);
    save.target = real;
    save.temporary = temporary;
    save.fd = fd;
    return kFileOk;
}

int CommitSafeSave(SafeSave& save) {
    if (save.fd < 0) return kFileWriteError;
    bool ok = true;
    if (save.sync && ::fsync(save.fd) != 0) ok = false;
    if (::close(save.fd) != 0) ok = false;
    save.fd = -1;
    if (ok && ::rename(save.temporary.c_str(), save.target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(save.temporary.c_str());
        save.temporary.clear();
        return kFileWriteError;
    }
    save.temporary.clear();
    return kFileOk;
}

void AbortSafeSave(SafeSave& save) {
    if (save.fd >= 0) ::close(save.fd);
    save.fd = -1;
    if (!save.temporary.empty()) ::unlink(save.temporary.c_str());
    save.temporary.clear();
}

}  // namespace ob
