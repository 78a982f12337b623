// The listing's output and the wording of every report.
#include "archive/report/report.h"

#include <cstdarg>
#include <cstdio>

#include "archive/files/files.h"

static const char kProgramName[] = "VornReader";

// Whether some of standard output was lost, and the system's code for the first failure.
static bool outputLost = false;
static int lostOutputError = 0;

// The stream's error flag is what tells: a C runtime may leave a failed write's result,
// and errno, as if it had succeeded.
static void NoteLostOutput(bool failed) {
    if (!(failed || ferror(stdout)) || outputLost)
        return;
    outputLost = true;
    lostOutputError = LastSystemError();
}

void PrintOutput(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    NoteLostOutput(vprintf(format, arguments) < 0);
    va_end(arguments);
}

static void FlushOutput() {
    NoteLostOutput(fflush(stdout) != 0);
}

// The line is put together first and written at once: standard error is unbuffered,
// and one write keeps a line whole. Standard output is flushed first, so both streams
// read in order on one terminal.
static void ReportProblem(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

static void ReportProblem(const char *format, ...) {
    char line[8192];
    int prefix = snprintf(line, sizeof line, "%s: ", kProgramName);
    va_list arguments;
    va_start(arguments, format);
    int text = vsnprintf(line + prefix, sizeof line - prefix - 1, format, arguments);
    va_end(arguments);
    // A text that did not fit is cut; one that could not be formatted is left out.
    size_t length = static_cast<size_t>(prefix) + static_cast<size_t>(text < 0 ? 0 : text);
    if (length > sizeof line - 2)
        length = sizeof line - 2;
    line[length++] = '\n';
    FlushOutput();
    fwrite(line, 1, length, stderr);
}

bool ReportLostOutput() {
    FlushOutput();
    if (!outputLost)
        return true;
    ReportProblem("cannot write standard output: %s", lostOutputError != 0
                                                          ? DescribeFileError(lostOutputError)
                                                          : "the system gave no reason");
    return false;
}

void ReportCannotOpen(const char *path, int error) {
    ReportProblem("cannot open \"%s\": %s", PrintableText(path).c_str(), DescribeFileError(error));
}

void ReportCannotRead(const char *path, int error) {
    ReportProblem("cannot read \"%s\": %s", PrintableText(path).c_str(), DescribeFileError(error));
}

void ReportOutOfMemory() {
    ReportProblem("out of memory reading the directory");
}

void ReportMissingBytes(const char *path, const char *table, int64_t start, size_t needed,
                        size_t got) {
    long long last = static_cast<long long>(start + static_cast<int64_t>(needed)) - 1;
    ReportProblem("\"%s\": damaged directory: %s needs bytes %lld to %lld; bytes %lld to %lld are "
                  "missing",
                  PrintableText(path).c_str(), table, static_cast<long long>(start), last,
                  static_cast<long long>(start + static_cast<int64_t>(got)), last);
}

void ReportNoNameTable(const char *path, const DirectoryEntry &lastEntry) {
    ReportProblem("\"%s\": damaged directory: the last entry's offset %ld and size %ld give "
                  "no valid name table position; no names read",
                  PrintableText(path).c_str(), static_cast<long>(lastEntry.offset),
                  static_cast<long>(lastEntry.size));
}

// The cause of an entry not written in full, as the end of its report line.
static void DescribeEntryOutcome(const ExtractOutcome &outcome, const DirectoryEntry &entry,
                                 char *cause, size_t causeSize) {
    long long written = outcome.bytesWritten;
    long declared = static_cast<long>(entry.size);
    switch (outcome.result) {
    case kEntryWritten:
        snprintf(cause, causeSize, "written");
        break;
    case kEntryNameRefused:
        snprintf(cause, causeSize, "name refused: %s", outcome.refusal);
        break;
    case kEntryNotCreated:
        snprintf(cause, causeSize, "file not created: %s", DescribeFileError(outcome.error));
        break;
    case kEntryReadFailed:
        snprintf(cause, causeSize, "archive read failed: %s (%lld of %ld bytes written)",
                 DescribeFileError(outcome.error), written, declared);
        break;
    case kEntryWriteFailed:
        snprintf(cause, causeSize, "write failed: %s (%lld of %ld bytes written)",
                 DescribeFileError(outcome.error), written, declared);
        break;
    case kEntryCutShort:
        snprintf(cause, causeSize, "data cut short by the archive's end: %lld of %ld bytes written",
                 written, declared);
        break;
    case kEntryNegativeSize:
        snprintf(cause, causeSize, "negative size %ld: empty file written", declared);
        break;
    case kEntryNegativeOffset:
        snprintf(cause, causeSize, "negative offset %ld: empty file written, 0 of %ld bytes",
                 static_cast<long>(entry.offset), declared);
        break;
    }
}

void ReportEntry(unsigned number, const char *name, const DirectoryEntry &entry,
                 const ExtractOutcome &outcome) {
    char cause[256];
    DescribeEntryOutcome(outcome, entry, cause, sizeof cause);
    ReportProblem("entry %u \"%s\": %s", number, PrintableText(name).c_str(), cause);
}

std::string PrintableText(const char *text) {
    std::string shown;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (*p < 0x20 || *p == 0x7F) {
            char escaped[5];
            snprintf(escaped, sizeof escaped, "\\x%02X", *p);
            shown += escaped;
        } else {
            shown += static_cast<char>(*p);
        }
    }
    return shown;
}
