// Writing one entry of an archive to a file of its own in the working directory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/extract/names.h"
#include "archive/files/files.h"
#include "archive/files/place.h"
#include "archive/format/format.h"

// What became of one entry.
enum EntryResult {
    kEntryWritten,     // the file holds all of the entry's bytes
    kEntryNameRefused, // the name could reach outside the working directory or a device
    kEntryNotCreated,  // no file could be created, or put in place, under the name
    kEntryReadFailed,  // the archive could not be read
    kEntryWriteFailed, // a write or the close failed (a full disk)
    kEntryCutShort,    // the archive ended before the entry's data did
    kEntryNegativeSize,
    kEntryNegativeOffset,
};

struct ExtractOutcome {
    EntryResult result;
    NameRefusal refusal; // why the name was refused
    int error;           // the system's code for a failed create, read or write
    int64_t bytesWritten;
    Leftover leftover; // what a failure left of the entry's file
};

// The archive's data as extraction reads it: by position, so entries may lie in any order,
// with the part of the archive read last kept in memory (the window) for the small entries
// that follow it. A read into the window starts small and grows while the entries run on
// through the archive, so an entry that lies elsewhere costs a read of about its own size.
// One reader serves one archive from its first entry to its last.
struct ArchiveReader {
    FileHandle archive;
    int64_t windowStart;
    size_t windowBytes;
    size_t readAhead; // how much the next read into the window takes
};

ArchiveReader StartReading(FileHandle archive);

// Writes the entry's data to a file called `name` in the working directory. The file is
// one this call creates: what already exists under the name is replaced, never written to.
// Afterwards the name holds the whole entry (or all the archive has of it), what was there
// before, or nothing.
ExtractOutcome ExtractEntry(ArchiveReader *reader, const char *name, const DirectoryEntry &entry);
