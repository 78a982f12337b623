// The wording of every report, and how a report line reaches standard error.
#include "archive/report/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "archive/files/files.h"
#include "archive/files/place.h"
#include "archive/format/codepage.h"
#include "archive/report/output.h"
#include "archive/report/show.h"

static const char *programName = "VornReader";

void NameReportingProgram(const char *name) {
    programName = name;
}

// The system's words for its error codes, and the program's for its own.
static const char *DescribeError(int error) {
    if (error == kErrorNotRegularFile)
        return "not a regular file";
    if (error == kErrorNameTooLong)
        return "path too long";
    return DescribeFileError(error);
}

// The line is put together first and written at once, so that one write keeps it whole.
// Standard output is written out first, so both streams read in order on one terminal or in one
// file. A report that cannot be written is not the program's to report.
static void ReportProblem(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

static void ReportProblem(const char *format, ...) {
    char line[8192];
    int prefix = snprintf(line, sizeof line, "%s: ", programName);
    va_list arguments;
    va_start(arguments, format);
    // The analyser misses va_start on this path (a known false positive).
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
    int text = vsnprintf(line + prefix, sizeof line - prefix - 1, format, arguments);
    va_end(arguments);
    // A text that did not fit is cut; one that could not be formatted is left out.
    size_t length = static_cast<size_t>(prefix) + static_cast<size_t>(text < 0 ? 0 : text);
    if (length > sizeof line - 2)
        length = sizeof line - 2;
    line[length++] = '\n';
    FlushOutput();
    size_t at = 0, written = 0;
    int error = 0;
    while (at < length &&
           WriteStandardStream(kStandardError, line + at, length - at, &written, &error))
        at += written;
}

bool CheckOutputDelivered() {
    FlushOutput();
    int error = 0;
    if (!OutputLost(&error))
        return true;
    ReportProblem("cannot write standard output: %s",
                  error != 0 ? DescribeError(error) : "the system gave no reason");
    return false;
}

// A path as a report shows it; the line it goes into cuts it further when it must.
struct ShownPath {
    char text[8192];
};

static ShownPath ShowPath(const char *path) {
    ShownPath shown;
    ShowText(path, kShownInReport, shown.text, sizeof shown.text);
    return shown;
}

// The program unpacks one archive a run; the arguments after it are named, so that `*.vorn`
// does not pass for having unpacked them all.
void ReportUnusedArguments(const char *path, int count, const char *first) {
    ReportProblem("%d argument%s after \"%s\" %s not used (\"%s\"%s): one archive per run", count,
                  count == 1 ? "" : "s", ShowPath(path).text, count == 1 ? "is" : "are",
                  ShowPath(first).text, count == 1 ? "" : ", ...");
}

void ReportNoArchive() {
    ReportProblem("no archive given");
}

void ReportCannotOpen(const char *path, int error) {
    ReportProblem("cannot open \"%s\": %s", ShowPath(path).text, DescribeError(error));
}

void ReportCannotRead(const char *path, int error) {
    ReportProblem("cannot read \"%s\": %s", ShowPath(path).text, DescribeError(error));
}

void ReportOutOfMemory(const char *doingWhat) {
    ReportProblem("out of memory %s", doingWhat);
}

// What is wrong with the directory, as the middle of its report line: the bytes that a table
// lacks (or, with `fileSize`, how far the file goes), or the last entry that places the names
// nowhere.
static void DescribeDamage(const DirectoryDamage &damage, bool fileSize, char *what, size_t size) {
    if (damage.table == nullptr) {
        snprintf(what, size,
                 "the last entry's offset %ld and size %ld give no valid name table "
                 "position",
                 static_cast<long>(damage.lastEntry.offset),
                 static_cast<long>(damage.lastEntry.size));
        return;
    }
    long long start = damage.start, last = start + static_cast<long long>(damage.needed) - 1;
    long long end = start + static_cast<long long>(damage.got);
    long long fileBytes = damage.fileBytes;
    if (fileSize)
        snprintf(what, size, "%s needs bytes %lld to %lld; the file has %lld byte%s", damage.table,
                 start, last, fileBytes, fileBytes == 1 ? "" : "s");
    else
        snprintf(what, size, "%s needs bytes %lld to %lld; bytes %lld to %lld are missing",
                 damage.table, start, last, end, last);
}

void ReportNotAnArchive(const char *path, const DirectoryDamage &damage) {
    char what[256];
    DescribeDamage(damage, true, what, sizeof what);
    ReportProblem("\"%s\": not a Vorn archive, or cut short before its names: %s",
                  ShowPath(path).text, what);
}

// Entries without a name are not written, and get no line each: a file that is not an
// archive at all would otherwise fill the screen with them.
void ReportDamagedDirectory(const char *path, const DirectoryDamage &damage, size_t nameless) {
    char what[256];
    DescribeDamage(damage, false, what, sizeof what);
    bool one = nameless == 1;
    ReportProblem("\"%s\": damaged directory: %s; %lu %s no name (not a Vorn archive, or cut "
                  "short)",
                  ShowPath(path).text, what, static_cast<unsigned long>(nameless),
                  one ? "entry has" : "entries have");
}

static const char *DescribeNameRefusal(NameRefusal refusal) {
    switch (refusal) {
    case kNameSafe:    // GCOVR_EXCL_LINE: a safe name is not refused
        return "safe"; // GCOVR_EXCL_LINE
    case kNameEmpty:
        return "empty name";
    case kNameDotFolder:
        return "names a folder";
    case kNamePathCharacter:
        return "holds '/', '\\' or ':' (a path, drive or stream)";
    case kNameControlByte:
        return "holds a control byte";
    case kNameTrailingDotOrBlank:
        return "ends in '.' or ' ', which Windows drops";
    case kNameWindowsForbiddenChar:
        return "holds a character Windows forbids in names (< > \" | ? *)";
    case kNameWindowsDevice:
        break;
    }
    return "a Windows device name";
}

// The cause of an entry not written in full, as the end of its report line.
static void DescribeEntryOutcome(const ExtractOutcome &outcome, const DirectoryEntry &entry,
                                 char *cause, size_t causeSize) {
    long long written = outcome.bytesWritten;
    long declared = static_cast<long>(entry.size);
    switch (outcome.result) {
    case kEntryWritten: // GCOVR_EXCL_LINE: an entry written in full gets no report
        snprintf(cause, causeSize, "written"); // GCOVR_EXCL_LINE
        break;                                 // GCOVR_EXCL_LINE
    case kEntryNameRefused:
        snprintf(cause, causeSize, "name refused: %s", DescribeNameRefusal(outcome.refusal));
        break;
    case kEntryNotCreated:
        snprintf(cause, causeSize, "file not created: %s", DescribeError(outcome.error));
        break;
    case kEntryReadFailed:
        snprintf(cause, causeSize, "archive read failed: %s (%lld of %ld bytes written)",
                 DescribeError(outcome.error), written, declared);
        break;
    case kEntryWriteFailed:
        snprintf(cause, causeSize, "write failed: %s (%lld of %ld bytes written)",
                 DescribeError(outcome.error), written, declared);
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
    char cause[256], shown[4 * kLongestNameTextBytes + 1];
    DescribeEntryOutcome(outcome, entry, cause, sizeof cause);
    ShowText(name, kShownInReport, shown, sizeof shown);
    switch (outcome.leftover) {
    case kNothingLeft:
        ReportProblem("entry %u \"%s\": %s", number, shown, cause);
        break;
    case kPartRemoved:
        ReportProblem("entry %u \"%s\": %s; the partial file was removed", number, shown, cause);
        break;
    case kPartLeft:
        ReportProblem("entry %u \"%s\": %s; the partial file could not be removed", number, shown,
                      cause);
        break;
    case kTemporaryLeft:
        ReportProblem("entry %u \"%s\": %s; the temporary file \"%s\" is left behind", number,
                      shown, cause, TemporaryFileName());
        break;
    }
}

// --- The writer ---

static const char kWriterUsage[] = "VornWriter <archive> <file>...";

void ReportWriterUsage() {
    ReportProblem("no archive and no file given: %s", kWriterUsage);
}

void ReportNoFiles(const char *archivePath) {
    ReportProblem("no file given to put in \"%s\": %s", ShowPath(archivePath).text, kWriterUsage);
}

void ReportEmptyArchivePath() {
    ReportProblem("the archive's path is empty: %s", kWriterUsage);
}

void ReportTooManyFiles(size_t count) {
    ReportProblem("%lu files given: an archive holds 65535 at most",
                  static_cast<unsigned long>(count));
}

// The archive's name comes first: a file given first by mistake is named as the archive.
void ReportArchiveExists(const char *archivePath) {
    ReportProblem("\"%s\" already exists: nothing is replaced, and no archive is made (the "
                  "archive comes first: %s)",
                  ShowPath(archivePath).text, kWriterUsage);
}

void ReportArchiveAppeared(const char *archivePath) {
    ReportProblem("\"%s\" appeared while the archive was written: nothing is replaced, and no "
                  "archive is made",
                  ShowPath(archivePath).text);
}

void ReportArchivePathRefused(const char *archivePath, int error) {
    ReportProblem("cannot make the archive \"%s\": %s", ShowPath(archivePath).text,
                  DescribeError(error));
}

void ReportNameTooLong(const char *path, size_t bytes, size_t limit) {
    ReportProblem("\"%s\": its name has %lu bytes, and an entry's name holds at most %lu: copy "
                  "or rename the file to a shorter name",
                  ShowPath(path).text, static_cast<unsigned long>(bytes),
                  static_cast<unsigned long>(limit));
}

void ReportNameNotInCodePage(const char *path, const char *character) {
    const unsigned char *at = reinterpret_cast<const unsigned char *>(character);
    size_t length = Utf8SequenceLength(at);
    char alone[5] = {}, shown[17];
    memcpy(alone, character, length);
    ShowText(alone, kShownInReport, shown, sizeof shown); // a C1 control is one of them
    ReportProblem("\"%s\": its name holds \"%s\" (U+%04lX), which an entry's name cannot (names "
                  "are in code page 1252): copy or rename the file to a name without it",
                  ShowPath(path).text, shown, static_cast<unsigned long>(DecodeUtf8(at, length)));
}

void ReportNameReadsBackAsOther(const char *path, const char *name) {
    ReportProblem("\"%s\": its name in code page 1252 would be unpacked on Linux as \"%s\" (those "
                  "bytes are that text in UTF-8): copy or rename the file to another name",
                  ShowPath(path).text, ShowPath(name).text);
}

void ReportNameNotTaken(const char *path, const char *name, NameRefusal refusal) {
    ReportProblem("\"%s\": the name \"%s\" would be refused when unpacked: %s", ShowPath(path).text,
                  ShowPath(name).text, DescribeNameRefusal(refusal));
}

void ReportSameName(const char *path, const char *otherPath) {
    ReportProblem("\"%s\" and \"%s\" make entries of the same name (letters of either case "
                  "are one on Windows)",
                  ShowPath(path).text, ShowPath(otherPath).text);
}

// INT64_MAX stands for a sum too large to count.
void ReportArchiveTooLarge(int64_t bytes) {
    ReportProblem("the archive would take %lld bytes%s: an archive holds 2147483647 at most",
                  static_cast<long long>(bytes), bytes == INT64_MAX ? " or more" : "");
}

void ReportFileChanged(const char *path) {
    ReportProblem("\"%s\" changed while it was read: no archive is made", ShowPath(path).text);
}

void ReportSizeUnknown(const char *path) {
    ReportProblem("\"%s\": its size is not known until it is read (the system makes it as it is "
                  "read, as in /proc or /sys): no archive is made",
                  ShowPath(path).text);
}

void ReportFileUnread(const char *path, int error) {
    ReportProblem("cannot read \"%s\": %s: no archive is made", ShowPath(path).text,
                  DescribeError(error));
}

// The step names what the user can mend: the folder (creating), the disk (writing), or the name.
void ReportArchiveNotWritten(const char *archivePath, ArchiveStep step, int error) {
    const char *doing = step == kCreatingArchive  ? "create"
                        : step == kWritingArchive ? "write"
                                                  : "give the archive the name";
    ReportProblem("cannot %s \"%s\": %s: no archive is made", doing, ShowPath(archivePath).text,
                  DescribeError(error));
}

// GCOVR_EXCL_START: only on Windows, the one system whose writer takes a temporary name
void ReportTemporaryFileLeft(const char *path) {
    ReportProblem("the temporary file \"%s\" could not be removed", ShowPath(path).text);
}
// GCOVR_EXCL_STOP

void ReportPartialArchiveLeft(const char *archivePath) {
    ReportProblem("\"%s\" may not hold all of the archive, and could not be removed",
                  ShowPath(archivePath).text);
}
