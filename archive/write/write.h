// Making a Vorn archive of files: each file becomes an entry, in the order given, named by the
// last component of its path. The archive holds the count, the entry table, each entry's data
// in order right after the table, and the name table right after the last entry's data, where
// a reader looks for it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/format/format.h"

enum WriteResult {
    kArchiveMade,
    kArchiveRefused, // nothing was written: the files, or the archive's path, make no archive
    kArchiveNotMade, // writing failed, or a file changed while it was read
};

// Writes the archive `archivePath`, which must not exist yet, from the files at `paths`. What
// cannot be made is reported, and then nothing is left under the archive's path.
WriteResult WriteArchive(const char *archivePath, const char *const *paths, size_t count);

// The layout's rule for the data: the entries' data follow one another in table order, from
// right after the entry table of an archive of `count` entries.
int64_t FirstDataPosition(size_t count);
