// What the program tells its user: the listing on standard output, and every problem as one
// line on standard error, prefixed with the program's name, with all of its wording here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/extract/extract.h"
#include "archive/format/format.h"

// --- Standard output ---

// Prints to standard output. A failed write is noted, with its reason, for
// ReportLostOutput; the program goes on.
void PrintOutput(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Flushes standard output. False, after one report line, when any of it was lost.
bool ReportLostOutput();

// --- The archive ---

void ReportCannotOpen(const char *path, int error);
void ReportCannotRead(const char *path, int error);
void ReportOutOfMemory();
// A directory table that the archive ends inside of: which of its bytes are missing.
void ReportMissingBytes(const char *path, const char *table, int64_t start, size_t needed,
                        size_t got);
void ReportNoNameTable(const char *path, const DirectoryEntry &lastEntry);

// --- The entries ---

// One line for an entry that was not written in full, saying why.
void ReportEntry(unsigned number, const char *name, const DirectoryEntry &entry,
                 const ExtractOutcome &outcome);

// The text with control bytes shown as \xHH, so a report stays on one line.
std::string PrintableText(const char *text);
