// builtins_files.cpp: the file and folder built-ins (EOF, LOF, Seek, Line
// Input #, Input #, FileLen, FileCopy, Name, Kill, MkDir, RmDir, ChDir,
// ChDrive, CurDir) over the interpreter's table of open files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/builtins_args.h"
#include "engine/builtins_runtime.h"

namespace tessel {

using namespace bargs;

namespace {

// The open file of number n; a number that was never opened stops the
// program (rather than acting on whatever descriptor that number is).
FILE* FileOf(ScriptContext& ctx, int n, std::string& err) {
    if (n >= 1 && n <= kMaxFiles && ctx.files[n].fp) return ctx.files[n].fp;
    char buf[64];
    std::snprintf(buf, sizeof buf, "Bad file number: %d\n", n);
    err = buf;
    return nullptr;
}

// Output still in the stdio buffers goes to the files first, so sizes seen
// through the file system include everything printed so far.
void FlushOutputs(ScriptContext& ctx) {
    for (int i = 1; i <= kMaxFiles; ++i)
        if (ctx.files[i].fp && ctx.files[i].mode != 1) std::fflush(ctx.files[i].fp);
}

int32_t ClampSize(long long size) {
    return size > INT32_MAX ? INT32_MAX : (int32_t)size;
}

}  // namespace

TES_BUILTIN(rtEOF) {
    TES_UNUSED_ARGS;
    FILE* f = FileOf(ctx, I(a), err);
    if (!f) return false;
    int c = std::getc(f);
    if (c == EOF) {
        std::clearerr(f);
        SetInteger(out, -1);
        return true;
    }
    std::ungetc(c, f);
    SetInteger(out, 0);
    return true;
}

TES_BUILTIN(rtLOF) {
    TES_UNUSED_ARGS;
    FILE* f = FileOf(ctx, I(a), err);
    if (!f) return false;
    std::fflush(f);
    struct stat st;
    SetLong(out, fstat(fileno(f), &st) == 0 ? ClampSize(st.st_size) : 0);
    return true;
}

TES_BUILTIN(rtSeekFunc) {
    TES_UNUSED_ARGS;
    FILE* f = FileOf(ctx, I(a), err);
    if (!f) return false;
    SetLong(out, ClampSize(std::ftell(f)));
    return true;
}

TES_BUILTIN(rtSeekStmt) {
    TES_UNUSED_ARGS;
    FILE* f = FileOf(ctx, I(a), err);
    if (!f) return false;
    if (L(a + 1) >= 0) std::fseek(f, L(a + 1), SEEK_SET);
    return true;
}

// Bytes up to and including a LF, returned without it (a CR stays). Read
// through the stdio buffer a line at a time.
TES_BUILTIN(rtLineInput) {
    TES_UNUSED_ARGS;
    FILE* f = FileOf(ctx, I(a), err);
    if (!f) return false;
    char* line = nullptr;
    size_t cap = 0;
    ssize_t got = getline(&line, &cap, f);
    std::string s;
    if (got > 0) s.assign(line, line[got - 1] == '\n' ? (size_t)got - 1 : (size_t)got);
    std::free(line);
    if (got < 0) std::clearerr(f);
    SetString(out, std::move(s));
    return true;
}

// One field of INPUT #: blanks and line ends skipped, a quoted text up to its
// closing quote, else up to a comma or the line end (trailing CR and blanks
// removed).
TES_BUILTIN(rtInputField) {
    TES_UNUSED_ARGS;
    FILE* f = FileOf(ctx, I(a), err);
    if (!f) return false;
    std::string s;
    int c;
    while ((c = std::getc(f)) == ' ' || c == '\r' || c == '\n') {
    }
    if (c == '"') {
        while ((c = std::getc(f)) != EOF && c != '"') s += (char)c;
        while ((c = std::getc(f)) != EOF && c != ',' && c != '\n') {
        }
    } else {
        while (c != EOF && c != ',' && c != '\n') {
            s += (char)c;
            c = std::getc(f);
        }
        while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
    }
    std::clearerr(f);
    SetString(out, std::move(s));
    return true;
}

// eInput(count, n): the next count bytes (fewer at the end of the file).
TES_BUILTIN(rtInput) {
    TES_UNUSED_ARGS;
    if (I(a) < 0) {
        err = "Invalid procedure call\n";
        return false;
    }
    FILE* f = FileOf(ctx, I(a + 1), err);
    if (!f) return false;
    std::string s((size_t)I(a), '\0');
    s.resize(std::fread(s.data(), 1, s.size(), f));
    std::clearerr(f);
    SetString(out, std::move(s));
    return true;
}

// The length of a file that can be opened for reading, else -1.
TES_BUILTIN(rtFileLen) {
    TES_UNUSED_ARGS;
    FlushOutputs(ctx);
    int fd = open(S(a).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    int32_t len = -1;
    if (fd >= 0) {
        if (fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) len = ClampSize(st.st_size);
        close(fd);
    }
    SetLong(out, len);
    return true;
}

// Copies in 16 KiB blocks to a target it creates or truncates. A source that
// cannot be read or a target that cannot be written is reported as a warning,
// and so is a target that is the source itself (the same device and inode,
// also through another path or a link), which truncating would empty.
TES_BUILTIN(rtFileCopy) {
    TES_UNUSED_ARGS;
    if (Refused(ctx, "FileCopy", err)) return false;
    FlushOutputs(ctx);
    const std::string& from = S(a);
    const std::string& to = S(a + 1);
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) {
        ReportWarning(ctx, "FileCopy: unable to open: " + from + "\n");
        return true;
    }
    struct stat src, dst;
    if (fstat(fileno(in), &src) == 0 && stat(to.c_str(), &dst) == 0 && src.st_dev == dst.st_dev &&
        src.st_ino == dst.st_ino) {
        std::fclose(in);
        ReportWarning(ctx, "FileCopy: source and target are the same file: " + to + "\n");
        return true;
    }
    std::unique_ptr<char[]> block(new (std::nothrow) char[16384]);
    if (!block) {
        std::fclose(in);
        err = "Unable to allocate buffer for FileCopy\n";
        return false;
    }
    FILE* o = std::fopen(to.c_str(), "wb");
    if (!o) {
        std::fclose(in);
        ReportWarning(ctx, "FileCopy: unable to create: " + to + "\n");
        return true;
    }
    bool ok = true;
    size_t k;
    while ((k = std::fread(block.get(), 1, 16384, in)) > 0)
        if (std::fwrite(block.get(), 1, k, o) != k) {
            ok = false;
            break;
        }
    if (std::ferror(in)) ok = false;
    if (std::fclose(o) != 0) ok = false;
    std::fclose(in);
    if (!ok) ReportWarning(ctx, "FileCopy: unable to write: " + to + "\n");
    return true;
}

TES_BUILTIN(rtName) {
    TES_UNUSED_ARGS;
    if (Refused(ctx, "Name", err)) return false;
    std::rename(S(a).c_str(), S(a + 1).c_str());
    return true;
}

TES_BUILTIN(rtKill) {
    TES_UNUSED_ARGS;
    if (Refused(ctx, "Kill", err)) return false;
    unlink(S(a).c_str());
    return true;
}

TES_BUILTIN(rtMkDir) {
    TES_UNUSED_ARGS;
    if (Refused(ctx, "MkDir", err)) return false;
    mkdir(S(a).c_str(), 0777);
    return true;
}

TES_BUILTIN(rtRmDir) {
    TES_UNUSED_ARGS;
    if (Refused(ctx, "RmDir", err)) return false;
    rmdir(S(a).c_str());
    return true;
}

// Refused in the sandbox too: the folder is the whole host process's.
TES_BUILTIN(rtChDir) {
    TES_UNUSED_ARGS;
    if (Refused(ctx, "ChDir", err)) return false;
    if (chdir(S(a).c_str()) != 0) {
    }
    return true;
}

// Drives have no meaning here: any text is accepted and nothing changes.
TES_BUILTIN(rtChDrive) {
    TES_UNUSED_ARGS;
    return true;
}

TES_BUILTIN(rtCurDir) {
    TES_UNUSED_ARGS;
    std::string s;
    if (char* cwd = getcwd(nullptr, 0)) {
        s = cwd;
        std::free(cwd);
    }
    SetString(out, std::move(s));
    return true;
}

}  // namespace tessel
