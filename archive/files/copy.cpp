// Copying between files: the system first, then the caller's buffer.
#include "archive/files/copy.h"

static size_t AtMost(int64_t left, size_t limit) {
    return static_cast<uint64_t>(left) < limit ? static_cast<size_t>(left) : limit;
}

Copied CopyBetweenFiles(FileHandle from, int64_t position, int64_t length, FileHandle to,
                        unsigned char *buffer, size_t bufferBytes) {
    int64_t done = 0;
    while (done < length) {
        int64_t moved = CopyFileData(from, position + done, to, AtMost(length - done, 1u << 30));
        if (moved < 0)
            break;
        if (moved == 0)
            return Copied{kSourceEnded, 0, done};
        done += moved;
    }
    while (done < length) {
        size_t wanted = AtMost(length - done, bufferBytes), written = 0;
        int error = 0;
        int64_t got = ReadFileAt(from, buffer, wanted, position + done, &error);
        if (got < 0)
            return Copied{kReadFailed, error, done};
        if (!WriteFileData(to, buffer, static_cast<size_t>(got), &written, &error))
            return Copied{kWriteFailed, error, done + static_cast<int64_t>(written)};
        done += got;
        if (static_cast<size_t>(got) < wanted)
            return Copied{kSourceEnded, 0, done};
    }
    return Copied{kCopied, 0, done};
}
