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

// Writes the entry's data, read by position (entries may lie in any order), to a file called
// `name` in the working directory. The file is one this call creates: what already exists under
// the name is replaced, never written to. Afterwards the name holds the whole entry (or all the
// archive has of it), what was there before, or nothing. A file that took its name is removed
// by an ending signal until the caller keeps it (KeepPlacedFile, place.h).
ExtractOutcome ExtractEntry(FileHandle archive, const char *name, const DirectoryEntry &entry);
