// Unpacking a whole archive: its directory read, each entry written and listed.
#pragma once

// How a run over an archive went.
enum ArchiveResult {
    kArchiveUnpacked,   // every entry was written in full (also an archive of no entries)
    kArchiveIncomplete, // the directory is damaged, or some entry was not written in full
    kArchiveNotRead,    // no path, or the archive cannot be opened or read
};

// Opens the archive at `path`, prints its entry count and one line per entry, and writes
// every entry to a file in the working directory just before its line. Every problem is
// reported on standard error.
ArchiveResult ListArchive(const char *path);
