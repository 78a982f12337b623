// The writer. Everything that would make it refuse is found before anything is written; then
// the archive is written beside its name (place.h), which it takes only once complete and
// closed without fault, and only where nothing exists by then; or, where the system cannot,
// under its name, made exclusively and removed unless complete.
#include "archive/write/write.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/extract/names.h"
#include "archive/files/copy.h"
#include "archive/files/files.h"
#include "archive/files/place.h"
#include "archive/format/codepage.h"
#include "archive/report/report.h"

enum : size_t { kLargestEntryCount = 65535 };

// One buffer, which holds either table whole, gathers small files and takes the data the
// system does not copy itself, kBufferBytes at a time.
static unsigned char buffer[1 << 20];
static_assert(sizeof buffer >= kEntryCountBytes + kDirectoryEntryBytes * kLargestEntryCount &&
                  sizeof buffer >= kNameRecordBytes * kLargestEntryCount &&
                  sizeof buffer >= kBufferBytes,
              "a table fits the buffer");

// A file given: its entry's name as the archive holds it, whether the name is one an entry may
// have, and the version measured.
struct PlannedFile {
    char name[kNameRecordBytes];
    bool named;
    FileVersion version;
};

// What the archive is made of: its folder (with its separator, "" for the working folder), and
// the files given, with their paths.
struct Plan {
    const char *archivePath;
    char folder[kLongestFolderBytes + 1];
    const char *const *paths;
    PlannedFile *files;
    size_t count;
};

int64_t FirstDataPosition(size_t count) {
    return static_cast<int64_t>(kEntryCountBytes + kDirectoryEntryBytes * count);
}

// After the last '/', and on Windows also '\' or ':' (a drive).
static const char *LastComponent(const char *path) {
    const char *separators = UsesWindowsFileNames() ? "/\\:" : "/";
    const char *name = path;
    for (const char *at = path; *at != '\0'; ++at)
        if (strchr(separators, *at) != nullptr)
            name = at + 1;
    return name;
}

// Whether the name comes back from the archive as the same text. The reader keeps a name that
// is UTF-8 as it is (codepage.h), so such a name must be the file name's own bytes (on Windows
// it always is): on Linux "\xC3\x83\xC2\xA9" (A with tilde, copyright sign) is encoded into
// C3 A9, which comes back as e with acute, and could take another file's name.
static bool ReadsBackAsItself(const char *fileName, const char *name) {
    char text[kLongestNameTextBytes + 1];
    return DecodeNameText(name, text) != name || strcmp(name, fileName) == 0;
}

// The entry's name, from the file's: in code page 1252, as archives hold names (codepage.h).
// On Windows a file name's bytes are in the system's code page already; elsewhere the name is
// encoded, and one with a character the code page lacks is refused.
static bool TakeEntryName(const char *path, const char *fileName, PlannedFile *file) {
    size_t length = strlen(fileName);
    snprintf(file->name, sizeof file->name, "%s", fileName);
    const char *missing = UsesWindowsFileNames()
                              ? nullptr
                              : EncodeNameText(fileName, file->name, sizeof file->name, &length);
    if (missing != nullptr)
        ReportNameNotInCodePage(path, missing);
    else if (length >= kNameRecordBytes)
        ReportNameTooLong(path, length, kNameRecordBytes - 1);
    else if (ReadsBackAsItself(fileName, file->name))
        return true;
    else
        ReportNameReadsBackAsOther(path, file->name);
    return false;
}

// A name the reader takes, on Linux and on Windows alike. Readers rely on the NUL that ends
// every name inside its record, so a name has one byte less than the record.
static bool CheckEntryName(const char *path, PlannedFile *file) {
    const char *fileName = LastComponent(path);
    if (!TakeEntryName(path, fileName, file))
        return false;
    NameRefusal refusal = WhyNameRefused(file->name, true);
    if (refusal != kNameSafe)
        ReportNameNotTaken(path, fileName, refusal);
    return refusal == kNameSafe;
}

static bool MeasureFile(const char *path, FileVersion *version) {
    int error = 0;
    if (ReadableFileVersion(path, version, &error))
        return true;
    ReportCannotRead(path, error);
    return false;
}

// The archive's name must be one its folder can take, and its folder short enough for the
// temporary names (place.h); the folder is noted for them.
static bool CheckArchivePath(Plan *plan) {
    const char *name = LastComponent(plan->archivePath);
    size_t folder = static_cast<size_t>(name - plan->archivePath);
    int error = kErrorNameTooLong;
    if (folder <= kLongestFolderBytes) {
        snprintf(plan->folder, sizeof plan->folder, "%.*s", static_cast<int>(folder),
                 plan->archivePath);
        if (FolderTakesName(folder == 0 ? "." : plan->folder, name, &error))
            return true;
    }
    ReportArchivePathRefused(plan->archivePath, error);
    return false;
}

// Two entries of one name, on Linux or on Windows, would unpack as the later alone. A table of
// twice as many slots as names finds them in one pass; false, after a report for each, when
// there are any, or no memory. A name refused already is not compared: it may be cut short.
static bool NamesDiffer(const Plan &plan) {
    size_t slots = 64;
    while (slots < 2 * plan.count)
        slots *= 2;
    uint32_t *table = static_cast<uint32_t *>(calloc(slots, sizeof(uint32_t))); // index + 1
    if (table == nullptr) {
        ReportOutOfMemory("for the list of files"); // GCOVR_EXCL_LINE: only when calloc fails
        return false;                               // GCOVR_EXCL_LINE
    }
    bool differ = true;
    for (size_t i = 0; i < plan.count; ++i) {
        if (!plan.files[i].named)
            continue;
        size_t slot = HashOfName(plan.files[i].name) & (slots - 1);
        while (table[slot] != 0 &&
               !NamesClash(plan.files[table[slot] - 1].name, plan.files[i].name))
            slot = (slot + 1) & (slots - 1);
        if (table[slot] == 0) {
            table[slot] = static_cast<uint32_t>(i + 1);
        } else {
            ReportSameName(plan.paths[table[slot] - 1], plan.paths[i]);
            differ = false;
        }
    }
    free(table);
    return differ;
}

// The archive's size; INT64_MAX for one too large to count.
static int64_t ArchiveBytes(const Plan &plan) {
    int64_t bytes =
        FirstDataPosition(plan.count) + static_cast<int64_t>(kNameRecordBytes * plan.count);
    for (size_t i = 0; i < plan.count; ++i) {
        if (plan.files[i].version.size > INT64_MAX - bytes)
            return INT64_MAX;
        bytes += plan.files[i].version.size;
    }
    return bytes;
}

// Every reason to refuse, each found, and reported, before anything is written: every file is
// judged, so that one run names all that must be mended.
static bool PlanArchive(Plan *plan) {
    if (plan->count == 0) {
        ReportNoFiles(plan->archivePath);
        return false;
    }
    if (plan->count > kLargestEntryCount) {
        ReportTooManyFiles(plan->count);
        return false;
    }
    if (plan->archivePath[0] == '\0') {
        ReportEmptyArchivePath();
        return false;
    }
    if (NameExists(plan->archivePath)) {
        ReportArchiveExists(plan->archivePath);
        return false;
    }
    bool fit = CheckArchivePath(plan);
    for (size_t i = 0; i < plan->count; ++i) {
        // A file whose name is refused is not measured: on Windows "CON" is the console.
        plan->files[i].named = CheckEntryName(plan->paths[i], &plan->files[i]);
        fit = plan->files[i].named && MeasureFile(plan->paths[i], &plan->files[i].version) && fit;
    }
    bool differ = NamesDiffer(*plan);
    if (!fit || !differ)
        return false;
    int64_t archiveBytes = ArchiveBytes(*plan);
    if (archiveBytes > kLargestArchiveBytes) {
        ReportArchiveTooLarge(archiveBytes);
        return false;
    }
    return true;
}

// --- Writing ---

// The archive's bytes still in the buffer: the entry table, then small files' data gathered
// after it, written together when the buffer is full, before a large file, and at the end, so
// that many small files cost few writes.
struct Gathered {
    FileHandle output;
    size_t bytes;
};

static bool WriteGathered(Gathered *gathered, int *error) {
    size_t written = 0, bytes = gathered->bytes;
    gathered->bytes = 0;
    return bytes == 0 || WriteFileData(gathered->output, buffer, bytes, &written, error);
}

static void GatherEntryTable(const Plan &plan, Gathered *gathered) {
    EncodeEntryCount(static_cast<uint16_t>(plan.count), buffer);
    int64_t position = FirstDataPosition(plan.count);
    for (size_t i = 0; i < plan.count; ++i) {
        int32_t size = static_cast<int32_t>(plan.files[i].version.size);
        EncodeDirectoryEntry(DirectoryEntry{0, static_cast<int32_t>(position), size},
                             buffer + kEntryCountBytes + kDirectoryEntryBytes * i);
        position += size;
    }
    gathered->bytes = static_cast<size_t>(FirstDataPosition(plan.count));
}

static bool WriteNameTable(const Plan &plan, FileHandle file, int *error) {
    for (size_t i = 0; i < plan.count; ++i)
        EncodeNameRecord(plan.files[i].name, buffer + kNameRecordBytes * i);
    size_t written = 0;
    return WriteFileData(file, buffer, kNameRecordBytes * plan.count, &written, error);
}

// A small file is read whole into the buffer, with one byte more: a file whose size is not
// what the system said reads fewer bytes, or more.
static Copied GatherSmallFile(FileHandle file, int64_t size, Gathered *gathered) {
    int error = 0;
    size_t wanted = static_cast<size_t>(size) + 1;
    if (gathered->bytes + wanted > kBufferBytes && !WriteGathered(gathered, &error))
        return Copied{kWriteFailed, error, 0};
    int64_t got = ReadFileAt(file, buffer + gathered->bytes, wanted, 0, &error);
    if (got < 0)
        return Copied{kReadFailed, error, 0};
    gathered->bytes += static_cast<size_t>(got);
    return Copied{got == size ? kCopied : kSourceEnded, 0, got};
}

static Copied CopyLargeFile(FileHandle file, int64_t size, Gathered *gathered) {
    int error = 0;
    if (!WriteGathered(gathered, &error))
        return Copied{kWriteFailed, error, 0};
    return CopyBetweenFiles(file, 0, size, gathered->output, buffer, kBufferBytes);
}

static bool SameVersion(const FileVersion &a, const FileVersion &b) {
    return a.size == b.size && a.modified == b.modified && a.changed == b.changed;
}

// Copies the open file, then checks that it is still the version measured. A path that came
// to name a FIFO or a device meanwhile cannot make the read wait (files.h), and is refused as
// what it is.
static Copied CopyVersion(FileHandle file, const FileVersion &measured, Gathered *gathered,
                          bool *same) {
    Copied copied = static_cast<size_t>(measured.size) < kSmallFileBytes
                        ? GatherSmallFile(file, measured.size, gathered)
                        : CopyLargeFile(file, measured.size, gathered);
    FileVersion now;
    int error = 0;
    if (!RegularFileVersion(file, &now, &error))
        return Copied{kReadFailed, error, copied.bytes};
    *same = SameVersion(now, measured);
    return copied;
}

// One file's data, which must be the version measured: a file that changes while it is read
// would make an entry that holds no version of it. A file that reads other than its size says,
// but keeps its version, is one the system makes as it is read (as in /proc or /sys).
static bool CopyFile(const Plan &plan, size_t index, Gathered *gathered) {
    const char *path = plan.paths[index];
    FileHandle file;
    int error = 0;
    if (!OpenFileToRead(path, &file, &error)) {
        ReportFileUnread(path, error);
        return false;
    }
    bool same = false;
    Copied copied = CopyVersion(file, plan.files[index].version, gathered, &same);
    CloseFile(file, &error);
    if (copied.result == kReadFailed)
        ReportFileUnread(path, copied.error);
    else if (copied.result == kWriteFailed)
        ReportArchiveNotWritten(plan.archivePath, kWritingArchive, copied.error);
    else if (!same)
        ReportFileChanged(path);
    else if (copied.result == kSourceEnded)
        ReportSizeUnknown(path);
    return copied.result == kCopied && same;
}

static WriteResult WriteContents(const Plan &plan, FileHandle file) {
    Gathered gathered = {file, 0};
    GatherEntryTable(plan, &gathered);
    for (size_t i = 0; i < plan.count; ++i)
        if (!CopyFile(plan, i, &gathered))
            return kArchiveNotMade;
    int error = 0;
    if (!WriteGathered(&gathered, &error) || !WriteNameTable(plan, file, &error)) {
        ReportArchiveNotWritten(plan.archivePath, kWritingArchive, error);
        return kArchiveNotMade;
    }
    return kArchiveMade;
}

static WriteResult WritePlannedArchive(const Plan &plan) {
    const char *path = plan.archivePath;
    PlacedFile placed = {kKeepExisting, plan.folder, path, "VornWriter", kUnnamed, 0};
    int error = 0;
    if (!CreatePlacedFile(&placed, &error)) {
        if (placed.state == kUnderName && IsAlreadyExistsError(error))
            ReportArchiveAppeared(path);
        else
            ReportArchiveNotWritten(path, kCreatingArchive, error);
        return kArchiveNotMade;
    }
    Finish finish = FinishPlacedFile(&placed, WriteContents(plan, placed.file) == kArchiveMade);
    KeepPlacedFile();
    if (finish.finished == kNameNotTaken && IsAlreadyExistsError(finish.error))
        ReportArchiveAppeared(path);
    else if (finish.finished == kNameNotTaken)
        ReportArchiveNotWritten(path, kNamingArchive, finish.error);
    else if (finish.finished == kCloseFailed)
        ReportArchiveNotWritten(path, kWritingArchive, finish.error);
    if (finish.leftover == kTemporaryLeft)
        ReportTemporaryFileLeft(TemporaryFileName()); // GCOVR_EXCL_LINE: Windows only
    else if (finish.leftover == kPartLeft)
        ReportPartialArchiveLeft(path);
    return finish.finished == kInPlace ? kArchiveMade : kArchiveNotMade;
}

WriteResult WriteArchive(const char *archivePath, const char *const *paths, size_t count) {
    size_t slots = count <= kLargestEntryCount ? count + 1 : 1;
    Plan plan = {archivePath, "", paths,
                 static_cast<PlannedFile *>(calloc(slots, sizeof(PlannedFile))), count};
    WriteResult result = kArchiveRefused;
    if (plan.files == nullptr)
        ReportOutOfMemory("for the list of files"); // GCOVR_EXCL_LINE: only when calloc fails
    else if (PlanArchive(&plan))
        result = WritePlannedArchive(plan);
    free(plan.files);
    return result;
}
