// Copying bytes from one file into another, for the reader's large entries and the writer's
// files alike: by the system where it can, without a copy through the program, and through
// the caller's buffer for whatever the system did not move. That copy meets, and names, any
// fault of either disk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/files/files.h"

// How bytes are moved, for the reader and the writer alike: through one buffer of
// kBufferBytes, which also takes the small ones whole (under kSmallFileBytes, an entry or a
// file), or by the system for larger ones. The in-memory fuzz target builds them small
// (VORN_SMALL_BUFFERS), so that its small inputs take every path.
#if defined(VORN_SMALL_BUFFERS)
enum : size_t { kBufferBytes = 256, kSmallFileBytes = 64 };
#else
enum : size_t { kBufferBytes = 1 << 20, kSmallFileBytes = 64 << 10 };
#endif

enum CopyResult {
    kCopied,
    kSourceEnded, // the source ended before `length` bytes
    kReadFailed,
    kWriteFailed,
};

struct Copied {
    CopyResult result;
    int error; // the system's code for a failed read or write
    int64_t bytes;
};

// Copies `length` bytes of `from`, from `position` on, to the end of what was written to `to`.
// The buffer's contents are overwritten.
Copied CopyBetweenFiles(FileHandle from, int64_t position, int64_t length, FileHandle to,
                        unsigned char *buffer, size_t bufferBytes);
