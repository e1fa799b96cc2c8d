// File helpers used by every format: open, block read/write, seek, sizes,
// path parts, and the safe save (temporary file renamed over the target).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ob {

enum OpenMode : int {
    kOpenCreate = 2,  // create or truncate for reading and writing
    kOpenRead = 3,    // existing file, read only
};

// Returns a file descriptor, or -1 on failure.
int OpenFile(const std::string& path, int mode);
void CloseFile(int fd);
// Number of bytes moved; a short count means failure or end of file.
// Retries on EINTR and partial transfers.
size_t ReadBlock(int fd, void* buffer, size_t size);
size_t WriteBlock(int fd, const void* buffer, size_t size);

enum SeekOrigin : int { kSeekSet = 0, kSeekCurrent = 1, kSeekEnd = 2 };
// Returns the position before the move, or -1 when the seek failed.
int64_t Seek(int fd, int64_t distance, int origin);
// Current position, or -1.
int64_t Tell(int fd);

bool FileExists(const std::string& path);
// Size in bytes, or -1 when the file cannot be examined.
int64_t FileSize(const std::string& path);
// Modification time in nanoseconds since the epoch, or -1.
int64_t FileModifiedTime(const std::string& path);

// Path helpers. Paths are Linux paths: the name part starts after the last "/"
// (a backslash or ":" is an ordinary character); the extension starts at the
// last "." of the name part (including the dot), empty when there is none.
std::string_view FileNamePart(std::string_view path);
std::string_view ExtensionPart(std::string_view path);
std::string_view FolderPart(std::string_view path);  // up to and including the last "/"

// Safe save: every writer writes into a temporary file in the target's folder
// and renames it over the target only when everything was written, so a failed
// write never loses the previous file.
struct SafeSave {
    std::string target;
    std::string temporary;
    int fd = -1;
    bool sync = false;  // fsync before the rename (off by default: the rename alone
                        // already never leaves a half-written target)
};
// Creates the temporary file. Returns kFileOk or kCantOpenFile.
int BeginSafeSave(const std::string& target, SafeSave& save);
// Flushes, closes and renames over the target. Returns kFileOk or kFileWriteError
// (then the temporary file is removed and the target is untouched).
int CommitSafeSave(SafeSave& save);
// Closes and removes the temporary file; the target is untouched.
void AbortSafeSave(SafeSave& save);

}  // namespace ob
