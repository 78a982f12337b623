// Every problem the program meets, as one line on standard error prefixed with the program's
// name, with all of its wording here. Names and paths are shown by the rule of show.h, each
// byte of a control as \xHH.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/extract/extract.h"
#include "archive/format/format.h"

// Reports begin with the program's name: VornReader, unless another is given.
void NameReportingProgram(const char *name);

// Flushes standard output. False, after one report line, when any of it was lost.
bool CheckOutputDelivered();

// --- The command line and the archive ---

void ReportUnusedArguments(const char *path, int count, const char *first);

void ReportNoArchive();
void ReportCannotOpen(const char *path, int error);
void ReportCannotRead(const char *path, int error);
// "out of memory reading the directory"
void ReportOutOfMemory(const char *doingWhat);

// What a damaged directory lacks: a table that the archive ends inside of, or a last entry
// that gives no valid position for the name table.
struct DirectoryDamage {
    const char *table; // "the entry count", "the entry table", "the name table", or nullptr
    int64_t start;     // where the table starts,
    size_t needed;     // how many bytes it takes,
    size_t got;        // and how many of them the archive holds;
    int64_t fileBytes; // the whole file's size, less than `start` where the table starts past it
    DirectoryEntry lastEntry;
};

// The archive's one line about its damage, with how many entries it leaves without a name.
void ReportDamagedDirectory(const char *path, const DirectoryDamage &damage, size_t nameless);
// The same damage when it leaves no entry a name: the file is no archive the program can use.
void ReportNotAnArchive(const char *path, const DirectoryDamage &damage);

// --- The entries ---

// One line for an entry that was not written in full, saying why.
void ReportEntry(unsigned number, const char *name, const DirectoryEntry &entry,
                 const ExtractOutcome &outcome);

// --- The writer ---

void ReportWriterUsage();
void ReportNoFiles(const char *archivePath);
void ReportEmptyArchivePath();
void ReportTooManyFiles(size_t count);
void ReportArchiveExists(const char *archivePath);
void ReportArchiveAppeared(const char *archivePath);
void ReportArchivePathRefused(const char *archivePath, int error);
// A name of `bytes` in code page 1252, past the `limit`.
void ReportNameTooLong(const char *path, size_t bytes, size_t limit);
// The file's name holds `character` (UTF-8), which code page 1252 does not have.
void ReportNameNotInCodePage(const char *path, const char *character);
// The file's name in code page 1252, `name`, would be read back as other text.
void ReportNameReadsBackAsOther(const char *path, const char *name);
void ReportNameNotTaken(const char *path, const char *name, NameRefusal refusal);
void ReportSameName(const char *path, const char *otherPath);
void ReportArchiveTooLarge(int64_t bytes);
void ReportFileChanged(const char *path);
void ReportSizeUnknown(const char *path);
void ReportFileUnread(const char *path, int error);
// What the writer was doing with the archive when the system's call failed.
enum ArchiveStep { kCreatingArchive, kWritingArchive, kNamingArchive };
void ReportArchiveNotWritten(const char *archivePath, ArchiveStep step, int error);
void ReportTemporaryFileLeft(const char *path);
// The archive's close failed once it had its name, and its removal too.
void ReportPartialArchiveLeft(const char *archivePath);
