// Reading an archive's directory and walking its entries.
#pragma once

// Opens the archive at `path`, prints its entry count and one line per entry, and
// writes every entry to a file in the working directory just before its line.
// Returns false when there is no path or the archive cannot be opened or read;
// true otherwise. *intact becomes false when the directory is damaged or an entry
// was not written in full. Every such problem is reported on standard error.
bool ListArchive(const char *path, bool *intact);
