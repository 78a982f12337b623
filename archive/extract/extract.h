// Writing one entry of an archive to a file of its own in the working directory.
#pragma once

#include <cstdint>
#include <cstdio>

enum ExtractProblem {
    kExtractWritten,     // the file holds all of the entry's bytes
    kExtractNameRefused, // the name could reach outside the working directory or a device
    kExtractNotCreated,  // the file could not be created
    kExtractReadFailed,  // the archive could not be read or positioned
    kExtractWriteFailed, // a write or the close failed (a full disk)
    kExtractCutShort,    // the archive ended before the entry's data did
    kExtractNegativeSize,
    kExtractNegativeOffset,
};

// What became of one entry, for the caller to report.
struct ExtractOutcome {
    ExtractProblem problem;
    const char *refusal; // why the name was refused
    int error;           // errno of a failed create, read or write
    int64_t bytesWritten;
};

// Why `name` must not be used as a file name, or nullptr when it is safe.
// windowsRules adds the names Windows treats as devices or alters.
const char *FindUnsafeNameReason(const char *name, bool windowsRules);

// Writes `size` bytes from `offset` of the archive to a file called `name`,
// created or truncated. The archive's position is the same on return.
ExtractOutcome ExtractEntry(FILE *archive, const char *name, int32_t offset, int32_t size);

// One line on standard error for an entry that was not written in full.
void ReportExtractOutcome(unsigned number, const char *name, int32_t offset, int32_t size,
                          const ExtractOutcome &outcome);
