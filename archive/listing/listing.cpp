// The directory reader and the listing: count, entry table and name table read and checked,
// then each entry written and listed in table order.
#include "archive/listing/listing.h"

#include <memory>
#include <new>

#include "archive/extract/extract.h"
#include "archive/files/files.h"
#include "archive/format/format.h"
#include "archive/report/report.h"

// The archive being read: its file, its path for reports, and whether its directory was
// found damaged.
struct Archive {
    FileHandle file;
    const char *path;
    bool damaged;
};

// The directory as read. Records that the archive did not hold in full stay zero: a
// missing entry copies nothing, a missing name is empty.
struct Directory {
    uint16_t entryCount;
    std::unique_ptr<DirectoryEntry[]> entries;
    std::unique_ptr<NameRecord[]> names;
};

// False when the archive cannot be read at all (a folder, a pipe, an I/O error).
static bool ReadEntryCount(Archive *archive, uint16_t *entryCount) {
    unsigned char raw[kEntryCountBytes];
    int error = 0;
    int64_t got = ReadFileAt(archive->file, raw, sizeof raw, 0, &error);
    *entryCount = 0;
    if (got < 0) {
        ReportCannotRead(archive->path, error);
        return false;
    }
    if (got == static_cast<int64_t>(sizeof raw)) {
        *entryCount = DecodeEntryCount(raw);
    } else {
        ReportMissingBytes(archive->path, "the entry count", 0, sizeof raw,
                           static_cast<size_t>(got));
        archive->damaged = true;
    }
    return true;
}

// Both tables are made at once, zeroed, before anything is read into them.
static bool ReserveDirectory(uint16_t entryCount, Directory *directory) {
    directory->entryCount = entryCount;
    directory->entries.reset(new (std::nothrow) DirectoryEntry[entryCount]());
    directory->names.reset(new (std::nothrow) NameRecord[entryCount]());
    return directory->entries != nullptr && directory->names != nullptr;
}

// The tables are read a chunk of records at a time.
enum : size_t { kRecordsPerChunk = 1024 };

static void DecodeRecord(const unsigned char *raw, DirectoryEntry *entry) {
    *entry = DecodeDirectoryEntry(raw);
}

static void DecodeRecord(const unsigned char *raw, NameRecord *name) {
    *name = DecodeNameRecord(raw);
}

// Reads `count` records of recordBytes each from `position` on. Records the archive does
// not hold in full keep their zero value; a failed read counts as the archive's end.
// Returns the number of bytes read.
template <size_t recordBytes, typename Record>
static size_t ReadTable(FileHandle file, int64_t position, Record *records, size_t count) {
    unsigned char chunk[kRecordsPerChunk * recordBytes];
    size_t total = 0;
    for (size_t first = 0; first < count; first += kRecordsPerChunk) {
        size_t wanted =
            (count - first < kRecordsPerChunk ? count - first : kRecordsPerChunk) * recordBytes;
        int error = 0;
        int64_t read =
            ReadFileAt(file, chunk, wanted, position + static_cast<int64_t>(total), &error);
        size_t got = read < 0 ? 0 : static_cast<size_t>(read);
        for (size_t i = 0; i < got / recordBytes; ++i)
            DecodeRecord(chunk + i * recordBytes, &records[first + i]);
        total += got;
        if (got < wanted)
            break;
    }
    return total;
}

// Names are read only from the position the last entry gives, and only when the whole
// entry table was read.
static void ReadTables(Archive *archive, Directory *directory) {
    size_t count = directory->entryCount;
    size_t entryBytes = count * kDirectoryEntryBytes;
    size_t got = ReadTable<kDirectoryEntryBytes>(archive->file, kEntryCountBytes,
                                                 directory->entries.get(), count);
    if (got < entryBytes) {
        ReportMissingBytes(archive->path, "the entry table", kEntryCountBytes, entryBytes, got);
        archive->damaged = true;
        return;
    }
    const DirectoryEntry &last = directory->entries[count - 1];
    int64_t namesAt = FindNameTablePosition(last);
    if (namesAt < 0) {
        ReportNoNameTable(archive->path, last);
        archive->damaged = true;
        return;
    }
    size_t nameBytes = count * kNameRecordBytes;
    got = ReadTable<kNameRecordBytes>(archive->file, namesAt, directory->names.get(), count);
    if (got < nameBytes) {
        ReportMissingBytes(archive->path, "the name table", namesAt, nameBytes, got);
        archive->damaged = true;
    }
}

// Reads the count and, when there are entries, both tables, printing the count line once
// the tables are reserved. False when the archive cannot be read at all, or there is no
// memory for its directory.
static bool ReadDirectory(Archive *archive, Directory *directory) {
    uint16_t entryCount = 0;
    if (!ReadEntryCount(archive, &entryCount))
        return false;
    if (entryCount == 0)
        return true;
    if (!ReserveDirectory(entryCount, directory)) {
        ReportOutOfMemory();
        return false;
    }
    PrintOutput("File has %i Entries\n\n", static_cast<int>(entryCount));
    ReadTables(archive, directory);
    return true;
}

// The name as the listing shows it: a control byte would act on the terminal (move the
// cursor, erase lines), so each is shown as '?', which keeps the column's width.
static void ShowName(const char *name, char *shown) {
    for (; *name != '\0'; ++name, ++shown) {
        unsigned char byte = static_cast<unsigned char>(*name);
        *shown = byte < 0x20 || byte == 0x7F ? '?' : *name;
    }
    *shown = '\0';
}

// Writes each entry, then prints its line. False when some entry was not written in full.
static bool UnpackEntries(FileHandle file, const Directory &directory) {
    ArchiveReader reader = StartReading(file);
    bool allWritten = true;
    int count = directory.entryCount;
    for (int i = 0; i < count; ++i) {
        const DirectoryEntry &entry = directory.entries[i];
        const char *name = directory.names[i].name;
        ExtractOutcome outcome = ExtractEntry(&reader, name, entry);
        if (outcome.result != kEntryWritten) {
            ReportEntry(static_cast<unsigned>(i + 1), name, entry, outcome);
            allWritten = false;
        }
        char shown[sizeof directory.names[i].name];
        ShowName(name, shown);
        PrintOutput("%4i / %i %15s\n", i + 1, count, shown);
    }
    return allWritten;
}

ArchiveResult ListArchive(const char *path) {
    if (path == nullptr)
        return kArchiveNotRead;
    Archive archive = {0, path, false};
    int error = 0;
    if (!OpenArchiveFile(path, &archive.file, &error)) {
        ReportCannotOpen(path, error);
        return kArchiveNotRead;
    }
    Directory directory = {};
    bool read = ReadDirectory(&archive, &directory);
    bool allWritten = read && UnpackEntries(archive.file, directory);
    CloseFile(archive.file, &error);
    if (!read)
        return kArchiveNotRead;
    return archive.damaged || !allWritten ? kArchiveIncomplete : kArchiveUnpacked;
}
