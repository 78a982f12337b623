// The directory reader and the listing: count, entry table and name table read and checked,
// then each entry written and listed in table order.
#include "archive/listing/listing.h"

#include <cstdlib>

#include "archive/extract/extract.h"
#include "archive/files/copy.h"
#include "archive/files/files.h"
#include "archive/format/format.h"
#include "archive/report/output.h"
#include "archive/report/report.h"

// The archive being read: its file, and its path for reports.
struct Archive {
    FileHandle file;
    const char *path;
};

// The directory as read. Records that the archive did not hold in full stay zero: a
// missing entry copies nothing. Only the first `named` entries have a name; a damaged
// directory leaves the rest without one.
struct Directory {
    uint16_t entryCount;
    DirectoryEntry *entries;
    NameRecord *names;
    size_t named;
    bool damaged;
    DirectoryDamage damage;
};

// A read that fails is not damage but an archive that cannot be read: -1, after its report.
static int64_t ReadArchive(const Archive &archive, void *buffer, size_t length, int64_t position) {
    int error = 0;
    int64_t got = ReadFileAt(archive.file, buffer, length, position, &error);
    if (got < 0)
        ReportCannotRead(archive.path, error);
    return got;
}

static void NoteMissingBytes(Directory *directory, const char *table, int64_t start, size_t needed,
                             int64_t got) {
    directory->damaged = true;
    directory->damage.table = table;
    directory->damage.start = start;
    directory->damage.needed = needed;
    directory->damage.got = static_cast<size_t>(got);
}

static bool ReadEntryCount(const Archive &archive, Directory *directory) {
    unsigned char raw[kEntryCountBytes];
    int64_t got = ReadArchive(archive, raw, sizeof raw, 0);
    if (got == static_cast<int64_t>(sizeof raw))
        directory->entryCount = DecodeEntryCount(raw);
    else if (got >= 0)
        NoteMissingBytes(directory, "the entry count", 0, sizeof raw, got);
    return got >= 0;
}

// Both tables are made at once, zeroed, before anything is read into them: by calloc, so that
// a shortage of memory is an answer, never an exception.
static bool ReserveDirectory(Directory *directory) {
    size_t count = directory->entryCount;
    directory->entries = static_cast<DirectoryEntry *>(calloc(count, sizeof(DirectoryEntry)));
    directory->names = static_cast<NameRecord *>(calloc(count, sizeof(NameRecord)));
    return directory->entries != nullptr && directory->names != nullptr;
}

// The tables are read a chunk of records at a time (copy.h).

static void DecodeRecord(const unsigned char *raw, DirectoryEntry *entry) {
    *entry = DecodeDirectoryEntry(raw);
}

static void DecodeRecord(const unsigned char *raw, NameRecord *name) {
    *name = DecodeNameRecord(raw);
}

// Reads `count` records of recordBytes each from `position` on. Records the archive does
// not hold in full keep their zero value. Returns the number of bytes read, or -1 when a
// read failed.
template <size_t recordBytes, typename Record>
static int64_t ReadTable(const Archive &archive, int64_t position, Record *records, size_t count) {
    unsigned char chunk[kRecordsPerChunk * recordBytes];
    size_t total = 0;
    for (size_t first = 0; first < count; first += kRecordsPerChunk) {
        size_t wanted =
            (count - first < kRecordsPerChunk ? count - first : kRecordsPerChunk) * recordBytes;
        int64_t got = ReadArchive(archive, chunk, wanted, position + static_cast<int64_t>(total));
        if (got < 0)
            return -1;
        for (size_t i = 0; i < static_cast<size_t>(got) / recordBytes; ++i)
            DecodeRecord(chunk + i * recordBytes, &records[first + i]);
        total += static_cast<size_t>(got);
        if (static_cast<size_t>(got) < wanted)
            break;
    }
    return static_cast<int64_t>(total);
}

// Names are read only from the position the last entry gives, and only when the whole
// entry table was read. False when a read failed.
static bool ReadTables(const Archive &archive, Directory *directory) {
    size_t count = directory->entryCount;
    size_t entryBytes = count * kDirectoryEntryBytes;
    int64_t got =
        ReadTable<kDirectoryEntryBytes>(archive, kEntryCountBytes, directory->entries, count);
    if (got >= 0 && static_cast<size_t>(got) < entryBytes)
        NoteMissingBytes(directory, "the entry table", kEntryCountBytes, entryBytes, got);
    if (got < 0 || directory->damaged)
        return got >= 0;
    const DirectoryEntry &last = directory->entries[count - 1];
    int64_t namesAt = FindNameTablePosition(last);
    if (namesAt < 0) {
        directory->damaged = true;
        directory->damage.lastEntry = last;
        return true;
    }
    size_t nameBytes = count * kNameRecordBytes;
    got = ReadTable<kNameRecordBytes>(archive, namesAt, directory->names, count);
    if (got >= 0 && static_cast<size_t>(got) < nameBytes)
        NoteMissingBytes(directory, "the name table", namesAt, nameBytes, got);
    directory->named = got < 0 ? 0 : static_cast<size_t>(got) / kNameRecordBytes;
    return got >= 0;
}

// Reads the count and, when there are entries, both tables. False when the archive cannot be
// read at all, there is no memory for its directory, or no entry can have a name: a file cut
// before its names, or none of this format.
static bool ReadDirectory(const Archive &archive, Directory *directory) {
    if (!ReadEntryCount(archive, directory))
        return false;
    if (directory->entryCount > 0 && !ReserveDirectory(directory)) {
        ReportOutOfMemory("reading the directory");
        return false;
    }
    if (directory->entryCount > 0 && !ReadTables(archive, directory))
        return false;
    if (directory->damaged && directory->named == 0) {
        ReportNotAnArchive(archive.path, directory->damage);
        return false;
    }
    return true;
}

// Writes each entry that has a name, then prints its line; an entry left without a name by
// the directory's damage is listed alone. False when some named entry was not written in full.
static bool UnpackEntries(FileHandle file, const Directory &directory) {
    ArchiveReader reader = StartReading(file);
    bool allWritten = true;
    int count = directory.entryCount;
    for (int i = 0; i < count; ++i) {
        const char *name = directory.names[i].name;
        if (static_cast<size_t>(i) < directory.named) {
            const DirectoryEntry &entry = directory.entries[i];
            ExtractOutcome outcome = ExtractEntry(&reader, name, entry);
            if (outcome.result != kEntryWritten) {
                ReportEntry(static_cast<unsigned>(i + 1), name, entry, outcome);
                allWritten = false;
            }
        }
        PrintEntryLine(static_cast<unsigned>(i + 1), directory.entryCount, name);
    }
    return allWritten;
}

// The count line, the directory's one report when it is damaged, then the entries.
static bool ListDirectory(FileHandle file, const char *path, Directory *directory) {
    if (directory->entryCount == 0)
        return true;
    PrintOutput("File has %i Entries\n\n", static_cast<int>(directory->entryCount));
    if (directory->damaged)
        ReportDamagedDirectory(path, directory->damage, directory->entryCount - directory->named);
    return UnpackEntries(file, *directory);
}

ArchiveResult ListArchive(const char *path) {
    if (path == nullptr) {
        ReportNoArchive();
        return kArchiveNotRead;
    }
    Archive archive = {0, path};
    int error = 0;
    if (!OpenFileToRead(path, &archive.file, &error)) {
        ReportCannotOpen(path, error);
        return kArchiveNotRead;
    }
    Directory directory = {};
    FileVersion version;
    bool read = RegularFileVersion(archive.file, &version, &error);
    if (!read)
        ReportCannotRead(path, error);
    read = read && ReadDirectory(archive, &directory);
    bool allWritten = read && ListDirectory(archive.file, path, &directory);
    CloseFile(archive.file, &error);
    free(directory.entries);
    free(directory.names);
    if (!read)
        return kArchiveNotRead;
    return directory.damaged || !allWritten ? kArchiveIncomplete : kArchiveUnpacked;
}
