#include "archive/extract/extract.h"

#include <cerrno>
#include <cstring>

#include "archive/report/report.h"

#if defined(_WIN32)
static const bool kWindowsNameRules = true;

static FILE *CreateEntryFile(const char *name) {
    return fopen(name, "wb");
}
#else
#include <fcntl.h>
#include <unistd.h>

static const bool kWindowsNameRules = false;

// Replaces what stands under the name. O_NOFOLLOW: a symbolic link must not carry
// the data outside the working directory. O_NONBLOCK: a FIFO of that name fails at
// once instead of hanging; it changes nothing for a regular file.
static FILE *ReplaceEntryFile(const char *name) {
    int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    FILE *file = fdopen(fd, "wb");
    if (file == nullptr) {
        int error = errno;
        close(fd);
        errno = error;
    }
    return file;
}

// Most entries are new files: "x" creates them in one step, and fails on anything
// that already stands under the name, a symbolic link included, which is then
// replaced with care.
static FILE *CreateEntryFile(const char *name) {
    FILE *file = fopen(name, "wbx");
    if (file != nullptr || errno != EEXIST)
        return file;
    return ReplaceEntryFile(name);
}
#endif

// One buffer for every copy: memory stays the same whatever sizes an archive declares.
static char copyBuffer[256 * 1024];

static ExtractOutcome MakeOutcome(ExtractProblem problem, int error, int64_t bytesWritten) {
    ExtractOutcome outcome = {problem, nullptr, error, bytesWritten};
    return outcome;
}

// Copies from the archive's current position until `size` bytes are written or the
// archive ends: the file only ever holds bytes that are in the archive.
static ExtractOutcome CopyEntryData(FILE *archive, FILE *file, int32_t size) {
    int64_t written = 0;
    while (written < size) {
        size_t wanted = sizeof copyBuffer;
        if (size - written < static_cast<int64_t>(wanted))
            wanted = static_cast<size_t>(size - written);
        size_t got = fread(copyBuffer, 1, wanted, archive);
        size_t put = got > 0 ? fwrite(copyBuffer, 1, got, file) : 0;
        written += static_cast<int64_t>(put);
        if (put < got)
            return MakeOutcome(kExtractWriteFailed, errno, written);
        if (got < wanted)
            break;
    }
    if (written == size)
        return MakeOutcome(kExtractWritten, 0, written);
    if (ferror(archive))
        return MakeOutcome(kExtractReadFailed, errno, written);
    return MakeOutcome(kExtractCutShort, 0, written);
}

// Copies the entry's data and leaves the archive where it found it.
static ExtractOutcome CopyEntryAt(FILE *archive, FILE *file, int32_t offset, int32_t size) {
    long resumeAt = ftell(archive);
    if (fseek(archive, offset, SEEK_SET) != 0)
        return MakeOutcome(kExtractReadFailed, errno, 0);
    ExtractOutcome outcome = CopyEntryData(archive, file, size);
    clearerr(archive);
    if (fseek(archive, resumeAt, SEEK_SET) != 0 && outcome.problem == kExtractWritten)
        outcome = MakeOutcome(kExtractReadFailed, errno, outcome.bytesWritten);
    return outcome;
}

ExtractOutcome ExtractEntry(FILE *archive, const char *name, int32_t offset, int32_t size) {
    ExtractOutcome outcome = MakeOutcome(kExtractWritten, 0, 0);
    outcome.refusal = FindUnsafeNameReason(name, kWindowsNameRules);
    if (outcome.refusal != nullptr) {
        outcome.problem = kExtractNameRefused;
        return outcome;
    }
    FILE *file = CreateEntryFile(name);
    if (file == nullptr)
        return MakeOutcome(kExtractNotCreated, errno, 0);
    // Unbuffered: each block goes straight to the file, and no buffer is set up per file.
    setvbuf(file, nullptr, _IONBF, 0);
    if (size < 0)
        outcome.problem = kExtractNegativeSize;
    else if (size > 0 && offset < 0)
        outcome.problem = kExtractNegativeOffset;
    else if (size > 0)
        outcome = CopyEntryAt(archive, file, offset, size);
    if (fclose(file) != 0 && outcome.problem == kExtractWritten)
        outcome = MakeOutcome(kExtractWriteFailed, errno, outcome.bytesWritten);
    return outcome;
}

static const char *DescribeCreateError(int error) {
#if defined(ELOOP)
    if (error == ELOOP)
        return "a symbolic link stands under that name";
#endif
    return strerror(error);
}

// The cause of an entry not written in full, as the end of its report line.
static void DescribeOutcome(const ExtractOutcome &outcome, int32_t offset, int32_t size,
                            char *cause, size_t causeSize) {
    long long written = outcome.bytesWritten;
    long declared = static_cast<long>(size);
    switch (outcome.problem) {
    case kExtractWritten:
        snprintf(cause, causeSize, "written");
        break;
    case kExtractNameRefused:
        snprintf(cause, causeSize, "name refused: %s", outcome.refusal);
        break;
    case kExtractNotCreated:
        snprintf(cause, causeSize, "file not created: %s", DescribeCreateError(outcome.error));
        break;
    case kExtractReadFailed:
        snprintf(cause, causeSize, "archive read failed: %s (%lld of %ld bytes written)",
                 strerror(outcome.error), written, declared);
        break;
    case kExtractWriteFailed:
        snprintf(cause, causeSize, "write failed: %s (%lld of %ld bytes written)",
                 strerror(outcome.error), written, declared);
        break;
    case kExtractCutShort:
        snprintf(cause, causeSize, "data cut short by the archive's end: %lld of %ld bytes written",
                 written, declared);
        break;
    case kExtractNegativeSize:
        snprintf(cause, causeSize, "negative size %ld: empty file written", declared);
        break;
    case kExtractNegativeOffset:
        snprintf(cause, causeSize, "negative offset %ld: empty file written, 0 of %ld bytes",
                 static_cast<long>(offset), declared);
        break;
    }
}

void ReportExtractOutcome(unsigned number, const char *name, int32_t offset, int32_t size,
                          const ExtractOutcome &outcome) {
    char cause[256];
    DescribeOutcome(outcome, offset, size, cause, sizeof cause);
    ReportProblem("entry %u \"%s\": %s", number, PrintableText(name).c_str(), cause);
}
