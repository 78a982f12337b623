// The file calls on POSIX: plain descriptors, positional reads, exclusive creation.
#include "archive/files/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

const bool kWindowsFileNames = false;

bool OpenArchiveFile(const char *path, FileHandle *file, int *error) {
    *file = open(path, O_RDONLY | O_CLOEXEC);
    if (*file < 0)
        *error = errno;
    return *file >= 0;
}

int64_t ReadFileAt(FileHandle file, void *buffer, size_t length, int64_t position, int *error) {
    size_t total = 0;
    while (total < length) {
        ssize_t got = pread(static_cast<int>(file), static_cast<char *>(buffer) + total,
                            length - total, static_cast<off_t>(position + total));
        if (got < 0 && errno == EINTR)
            continue;
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

// O_EXCL fails on anything that stands under the name, a dangling link included;
// O_NOFOLLOW says the same for links once more.
bool CreateNewFile(const char *name, FileHandle *file, int *error) {
    *file = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (*file < 0)
        *error = errno;
    return *file >= 0;
}

bool IsAlreadyExistsError(int error) {
    return error == EEXIST;
}

bool WriteFileData(FileHandle file, const void *data, size_t length, size_t *written, int *error) {
    *written = 0;
    while (*written < length) {
        ssize_t put = write(static_cast<int>(file), static_cast<const char *>(data) + *written,
                            length - *written);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            *error = put < 0 ? errno : EIO;
            return false;
        }
        *written += static_cast<size_t>(put);
    }
    return true;
}

bool CloseFile(FileHandle file, int *error) {
    if (close(static_cast<int>(file)) == 0)
        return true;
    *error = errno;
    return false;
}

bool ReplaceWithFile(const char *from, const char *to, int *error) {
    if (rename(from, to) == 0)
        return true;
    *error = errno;
    return false;
}

void RemoveFile(const char *name) {
    unlink(name);
}

unsigned long CurrentProcessNumber() {
    return static_cast<unsigned long>(getpid());
}

int LastSystemError() {
    return errno;
}

const char *DescribeFileError(int error) {
    return strerror(error);
}
