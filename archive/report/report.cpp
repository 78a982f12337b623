// The listing's output and the wording of every report.
#include "archive/report/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

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

// Once output is lost (its reader gone, a full disk), the rest of the listing is not
// attempted: the entries are the job, and the loss is reported once at the end.
void PrintOutput(const char *format, ...) {
    if (outputLost)
        return;
    va_list arguments;
    va_start(arguments, format);
    NoteLostOutput(vprintf(format, arguments) < 0);
    va_end(arguments);
}

// Writes `number` in decimal, right-aligned in `width` columns (a longer one takes more).
static size_t PutNumber(char *at, unsigned number, size_t width) {
    char digits[16];
    size_t length = 0;
    do
        digits[length++] = static_cast<char>('0' + number % 10);
    while ((number /= 10) != 0);
    size_t used = 0;
    for (; used + length < width; ++used)
        at[used] = ' ';
    while (length > 0)
        at[used++] = digits[--length];
    return used;
}

void FlushOutput() {
    if (!outputLost)
        NoteLostOutput(fflush(stdout) != 0);
}

// The line is put together first and written at once, so that one write keeps it whole, and
// flushed: the Windows C runtime buffers standard error when it is a file. Standard output is
// flushed first, so both streams read in order on one terminal or in one file.
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
    fflush(stderr);
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

// The length of the well-formed UTF-8 sequence that starts at `text`, or 0 when none does.
// The bytes after a lead byte are looked at only while they continue the sequence, so a NUL
// ends the look.
static size_t Utf8SequenceLength(const unsigned char *text) {
    unsigned char lead = text[0], low = 0x80, high = 0xBF;
    size_t length = 4;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead > 0xF4 || lead < 0xF0)
        return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (text[1] < low || text[1] > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (text[i] < 0x80 || text[i] > 0xBF)
            return 0;
    return length;
}

enum TextStyle { kShownInListing, kShownInReport };

// The rule for names and paths (report.h). The text is taken a unit at a time: a well-formed
// UTF-8 sequence, or else one byte.
static void ShowText(const char *text, TextStyle style, char *shown, size_t size) {
    const unsigned char *unit = reinterpret_cast<const unsigned char *>(text);
    size_t used = 0;
    while (*unit != '\0') {
        size_t length = Utf8SequenceLength(unit);
        bool control = length == 0 ? *unit < 0x20 || (*unit >= 0x7F && *unit <= 0x9F)
                                   : unit[0] == 0xC2 && unit[1] <= 0x9F;
        length = length == 0 ? 1 : length;
        size_t width = control && style == kShownInReport ? 4 * length : length;
        if (used + width >= size)
            break;
        for (size_t i = 0; i < length; ++i) {
            if (!control) {
                shown[used++] = static_cast<char>(unit[i]);
            } else if (style == kShownInListing) {
                shown[used++] = '?';
            } else {
                static const char kHexDigits[] = "0123456789ABCDEF";
                shown[used++] = '\\';
                shown[used++] = 'x';
                shown[used++] = kHexDigits[unit[i] >> 4];
                shown[used++] = kHexDigits[unit[i] & 0xF];
            }
        }
        unit += length;
    }
    shown[used] = '\0';
}

// The line by hand rather than by printf: it is written once per entry, and for an archive
// of small entries printf's parsing and padding were most of what the program adds to the
// kernel's own cost of making the files.
void PrintEntryLine(unsigned number, unsigned count, const char *name) {
    if (outputLost)
        return;
    char shownName[kNameRecordBytes + 1], line[64];
    ShowText(name, kShownInListing, shownName, sizeof shownName);
    size_t used = PutNumber(line, number, 4);
    memcpy(line + used, " / ", 3);
    used += 3;
    used += PutNumber(line + used, count, 0);
    line[used++] = ' ';
    size_t nameLength = strlen(shownName);
    for (size_t pad = nameLength; pad < 15; ++pad)
        line[used++] = ' ';
    memcpy(line + used, shownName, nameLength);
    used += nameLength;
    line[used++] = '\n';
    NoteLostOutput(fwrite(line, 1, used, stdout) != used);
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

void ReportCannotOpen(const char *path, int error) {
    ReportProblem("cannot open \"%s\": %s", ShowPath(path).text, DescribeFileError(error));
}

void ReportCannotRead(const char *path, int error) {
    ReportProblem("cannot read \"%s\": %s", ShowPath(path).text, DescribeFileError(error));
}

void ReportOutOfMemory() {
    ReportProblem("out of memory reading the directory");
}

// What is wrong with the directory, as the middle of its report line.
static void DescribeDamage(const DirectoryDamage &damage, char *what, size_t size) {
    if (damage.table == nullptr) {
        snprintf(what, size,
                 "the last entry's offset %ld and size %ld give no valid name table "
                 "position",
                 static_cast<long>(damage.lastEntry.offset),
                 static_cast<long>(damage.lastEntry.size));
        return;
    }
    long long start = damage.start, last = start + static_cast<long long>(damage.needed) - 1;
    snprintf(what, size, "%s needs bytes %lld to %lld; bytes %lld to %lld are missing",
             damage.table, start, last, start + static_cast<long long>(damage.got), last);
}

// Entries without a name are not written, and get no line each: a file that is not an
// archive at all would otherwise fill the screen with them.
void ReportDamagedDirectory(const char *path, const DirectoryDamage &damage) {
    char what[256];
    DescribeDamage(damage, what, sizeof what);
    if (damage.nameless == 0) {
        ReportProblem("\"%s\": damaged directory: %s", ShowPath(path).text, what);
        return;
    }
    bool one = damage.nameless == 1;
    ReportProblem("\"%s\": damaged directory: %s; %lu %s no name (not a Vorn archive, or cut "
                  "short)",
                  ShowPath(path).text, what, static_cast<unsigned long>(damage.nameless),
                  one ? "entry has" : "entries have");
}

static const char *DescribeNameRefusal(NameRefusal refusal) {
    switch (refusal) {
    case kNameSafe:
        break;
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
        return "a Windows device name";
    }
    return "safe";
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
        snprintf(cause, causeSize, "name refused: %s", DescribeNameRefusal(outcome.refusal));
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
    char cause[256], shown[4 * kNameRecordBytes + 1];
    DescribeEntryOutcome(outcome, entry, cause, sizeof cause);
    ShowText(name, kShownInReport, shown, sizeof shown);
    if (outcome.leftBehind == nullptr)
        ReportProblem("entry %u \"%s\": %s", number, shown, cause);
    else
        ReportProblem("entry %u \"%s\": %s; the temporary file \"%s\" is left behind", number,
                      shown, cause, outcome.leftBehind);
}
