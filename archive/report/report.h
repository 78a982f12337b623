// What the program tells its user: the listing on standard output, and every problem as one
// line on standard error, prefixed with the program's name, with all of its wording here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/extract/extract.h"
#include "archive/format/format.h"

// --- Standard output ---

// Prints to standard output. A failed write is noted, with its reason, for
// ReportLostOutput; from then on nothing more is written there, and the program goes on.
void PrintOutput(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// One entry's line of the listing: "%4i / %i %15s\n" with its number, the count and its name,
// each byte of a control in the name shown as '?' (see the rule below).
void PrintEntryLine(unsigned number, unsigned count, const char *name);

// Flushes standard output, noting a failure as PrintOutput does.
void FlushOutput();

// Flushes standard output. False, after one report line, when any of it was lost.
bool ReportLostOutput();

// Names and paths, in the listing and in reports, are shown so that no control reaches a
// terminal: C0 controls (0x01-0x1F), DEL (0x7F), and C1 controls (0x80-0x9F) as single bytes
// or in UTF-8 (U+0080-U+009F). The listing shows each byte of a control as '?', which keeps
// its column's width; a report shows it as \xHH, so that the exact bytes can be told. Every
// other well-formed UTF-8 sequence, and every other byte, shows as it stands.

// --- The archive ---

void ReportCannotOpen(const char *path, int error);
void ReportCannotRead(const char *path, int error);
void ReportOutOfMemory();

// What a damaged directory lacks: a table that the archive ends inside of, or a last entry
// that gives no valid position for the name table.
struct DirectoryDamage {
    const char *table; // "the entry count", "the entry table", "the name table", or nullptr
    int64_t start;     // where the table starts,
    size_t needed;     // how many bytes it takes,
    size_t got;        // and how many of them the archive holds
    DirectoryEntry lastEntry;
    size_t nameless; // entries left without a name
};

// The archive's one line about its damage, with how many entries it leaves without a name.
void ReportDamagedDirectory(const char *path, const DirectoryDamage &damage);

// --- The entries ---

// One line for an entry that was not written in full, saying why.
void ReportEntry(unsigned number, const char *name, const DirectoryEntry &entry,
                 const ExtractOutcome &outcome);
