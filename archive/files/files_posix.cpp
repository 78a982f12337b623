// The file calls on POSIX: plain descriptors, positional reads, exclusive creation, and copies
// inside the kernel where it has them.
#include "archive/files/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Archives and files past 2 GiB, and times after 2038, on 32-bit systems too (CMakeLists.txt).
static_assert(sizeof(off_t) == 8, "64-bit file offsets: build with _FILE_OFFSET_BITS=64");
static_assert(sizeof(time_t) == 8, "64-bit time: build with _TIME_BITS=64 (glibc 2.34 or later)");

// What the system does not support, as found during this run, so that it is not asked again;
// each has a plainer way that the program takes instead.
static struct {
    bool splice;       // copies go through the program's buffer
    bool unnamedFiles; // files are written under a name from the start (place.h)
} unsupported;

// The answers of a system, or a file system, that does not do what was asked at all: a call or
// flag it does not know (ENOSYS, EINVAL, and EISDIR from a kernel that takes O_TMPFILE for
// O_DIRECTORY), one it does not do here (EOPNOTSUPP), or one it refuses whatever the file
// (EPERM, from a seccomp sandbox or a FUSE file system).
static bool IsUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP ||
           error == EPERM || error == EISDIR;
}

// The answer of a call that returns -1 with errno on failure.
static bool Answered(long result, int *error) {
    if (result >= 0)
        return true;
    *error = errno;
    return false;
}

bool UsesWindowsFileNames() {
    return false;
}

// O_NONBLOCK keeps the open of a FIFO from waiting for a writer, and a read of anything but a
// regular file (a device or a FIFO, which the program refuses once it sees one) from waiting;
// a regular file's reads never wait.
bool OpenFileToRead(const char *path, FileHandle *file, int *error) {
    int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    *file = descriptor;
    return Answered(descriptor, error);
}

// The version of what a stat found, when it is a regular file.
static bool VersionOfRegularFile(const struct stat &status, FileVersion *version, int *error) {
    if (!S_ISREG(status.st_mode)) {
        *error = S_ISDIR(status.st_mode) ? EISDIR : kErrorNotRegularFile;
        return false;
    }
    const int64_t kNanoseconds = 1000000000;
    *version =
        FileVersion{status.st_size, status.st_mtim.tv_sec * kNanoseconds + status.st_mtim.tv_nsec,
                    status.st_ctim.tv_sec * kNanoseconds + status.st_ctim.tv_nsec};
    return true;
}

bool RegularFileVersion(FileHandle file, FileVersion *version, int *error) {
    struct stat status;
    return Answered(fstat(static_cast<int>(file), &status), error) &&
           VersionOfRegularFile(status, version, error);
}

bool ReadableFileVersion(const char *path, FileVersion *version, int *error) {
    struct stat status;
    return Answered(stat(path, &status), error) && VersionOfRegularFile(status, version, error) &&
           Answered(access(path, R_OK), error);
}

int64_t ReadFileAt(FileHandle file, void *buffer, size_t length, int64_t position, int *error) {
    size_t total = 0;
    while (total < length) {
        ssize_t got = pread(static_cast<int>(file), static_cast<char *>(buffer) + total,
                            length - total, static_cast<off_t>(position + total));
        if (got < 0 && errno == EINTR)
            continue; // GCOVR_EXCL_LINE: only where a file system lets a signal cut a read
        if (got < 0) {
            *error = errno;
            return -1;
        }
        if (got == 0)
            break;
        total += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(total);
}

#if defined(__linux__)
// Through a pipe of the run's own: splice puts references to the archive's cached pages in
// it, and a second splice copies them into the file, the one copy. A pipe of 1 MiB takes more
// at a time than the one copy_file_range and sendfile use inside the kernel (doc/benchmark.md
// compares them). A file system that cannot splice is not asked again in this run.
static int pipeEnds[2] = {-1, -1};

static bool OpenPipe() {
    if (pipeEnds[0] >= 0)
        return true;
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
#if defined(F_SETPIPE_SZ)
    fcntl(pipeEnds[1], F_SETPIPE_SZ, 1 << 20); // or it keeps its 64 KiB
#endif
    return true;
}

// What a failed write leaves in the pipe must never reach the next file.
static void DiscardPipe() {
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

int64_t CopyFileData(FileHandle archive, int64_t position, FileHandle file, size_t length) {
    if (unsupported.splice || !OpenPipe())
        return -1;
    off_t from = position;
    ssize_t taken = splice(static_cast<int>(archive), &from, pipeEnds[1], nullptr,
                           length < (1u << 20) ? length : (1u << 20), 0);
    if (taken < 0) {
        unsupported.splice = IsUnsupported(errno);
        return -1;
    }
    ssize_t given = 0;
    while (given < taken) {
        ssize_t put = splice(pipeEnds[0], nullptr, static_cast<int>(file), nullptr,
                             static_cast<size_t>(taken - given), 0);
        if (put <= 0) {
            unsupported.splice = put < 0 && IsUnsupported(errno);
            DiscardPipe();
            return given > 0 ? given : -1;
        }
        given += put;
    }
    return taken;
}
#else
int64_t CopyFileData(FileHandle, int64_t, FileHandle, size_t) {
    return -1;
}
#endif

bool NameExists(const char *name) {
    struct stat status;
    return lstat(name, &status) == 0;
}

bool FolderTakesName(const char *folder, const char *name, int *error) {
    struct stat status;
    if (!Answered(stat(folder, &status), error))
        return false;
    long longest = pathconf(folder, _PC_NAME_MAX);
    *error = !S_ISDIR(status.st_mode)                                     ? ENOTDIR
             : name[0] == '\0'                                            ? EISDIR
             : longest > 0 && strlen(name) > static_cast<size_t>(longest) ? ENAMETOOLONG
                                                                          : 0;
    return *error == 0;
}

// O_EXCL fails on anything that exists under the name, a dangling link included;
// O_NOFOLLOW says the same for links once more.
bool CreateNewFile(const char *name, FileHandle *file, int *error) {
    int descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    *file = descriptor;
    return Answered(descriptor, error);
}

bool IsAlreadyExistsError(int error) {
    return error == EEXIST;
}

#if defined(__linux__) && defined(O_TMPFILE)
// An unnamed file is named through its path in /proc, as open(2) shows, which needs no
// privilege: a system without /proc mounted has no way to name one, and gets none.
bool CreateUnnamedFile(const char *folder, FileHandle *file) {
    static const bool procMounted = access("/proc/self/fd", X_OK) == 0;
    if (!procMounted || unsupported.unnamedFiles)
        return false;
    int descriptor = open(folder, O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
    // Only a file system that has no unnamed files gives them up: any other failure (no
    // descriptor left, a disk error) costs this replacement its unnamed file, not the run.
    if (descriptor < 0)
        unsupported.unnamedFiles = IsUnsupported(errno);
    *file = descriptor;
    return descriptor >= 0;
}

bool NameUnnamedFile(FileHandle file, const char *name, int *error) {
    char path[32];
    snprintf(path, sizeof path, "/proc/self/fd/%d", static_cast<int>(file));
    return Answered(linkat(AT_FDCWD, path, AT_FDCWD, name, AT_SYMLINK_FOLLOW), error);
}
#else
bool CreateUnnamedFile(const char *, FileHandle *) {
    return false;
}

bool NameUnnamedFile(FileHandle, const char *, int *error) {
    *error = ENOTSUP;
    return false;
}
#endif

bool WriteFileData(FileHandle file, const void *data, size_t length, size_t *written, int *error) {
    *written = 0;
    while (*written < length) {
        ssize_t put = write(static_cast<int>(file), static_cast<const char *>(data) + *written,
                            length - *written);
        if (put < 0 && errno == EINTR)
            continue; // GCOVR_EXCL_LINE: only where a file system lets a signal cut a write
        if (put <= 0) {
            *error = put < 0 ? errno : EIO;
            return false;
        }
        *written += static_cast<size_t>(put);
    }
    return true;
}

bool CloseFile(FileHandle file, int *error) {
    return Answered(close(static_cast<int>(file)), error);
}

bool ReplaceWithFile(const char *from, const char *to, int *error) {
    return Answered(rename(from, to), error);
}

// Linux has no such move that every file system takes: FUSE's refuse RENAME_NOREPLACE, and
// exFAT and FAT have no links. The writer names an unnamed file instead, or makes its archive
// under its name from the start (place.h).
bool CanMoveToNewName() {
    return false;
}

// GCOVR_EXCL_START: never asked on Linux (CanMoveToNewName)
bool MoveToNewName(const char *, const char *, int *error) {
    *error = ENOTSUP;
    return false;
}
// GCOVR_EXCL_STOP

bool RemoveFile(const char *name, int *error) {
    return Answered(unlink(name), error);
}

bool IsTerminal(StandardStream stream) {
    return isatty(stream) == 1;
}

bool WriteStandardStream(StandardStream stream, const char *data, size_t length, size_t *written,
                         int *error) {
    ssize_t put = write(stream, data, length);
    *written = put > 0 ? static_cast<size_t>(put) : 0;
    if (put > 0 || (put < 0 && errno == EINTR))
        return true;
    *error = put < 0 ? errno : EIO;
    return false;
}

bool DescribeNameCodePage(NameByte *) {
    return false;
}

unsigned long CurrentProcessNumber() {
    return static_cast<unsigned long>(getpid());
}

const char *DescribeFileError(int error) {
    return strerror(error);
}
