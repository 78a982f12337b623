// The directory reader and the listing: count, entry table and name table read and checked,
// then each entry written and listed in table order.
#include "archive/listing/listing.h"

#include <cstdlib>

#include "archive/extract/extract.h"
#include "archive/files/files.h"
#include "archive/files/place.h"
#include "archive/format/codepage.h"
#include "archive/format/format.h"
#include "archive/report/output.h"
#include "archive/report/report.h"

// The archive being read: its file, its path for reports, and its size.
struct Archive {
    FileHandle file;
    const char *path;
    int64_t bytes;
};

// The directory as read: its two tables' bytes, each record decoded as its entry is unpacked.
// Only the first `named` entries have a name; a damaged directory leaves the rest without one.
struct Directory {
    uint16_t entryCount;
    unsigned char *entryTable;
    unsigned char *nameTable;
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

// Reads `bytes` of a table at `start`; fewer, when the archive ends first, are its damage.
static int64_t ReadTable(const Archive &archive, Directory *directory, const char *table,
                         int64_t start, unsigned char *into, size_t bytes) {
    int64_t got = ReadArchive(archive, into, bytes, start);
    if (got >= 0 && static_cast<size_t>(got) < bytes) {
        directory->damaged = true;
        directory->damage =
            DirectoryDamage{table, start, bytes, static_cast<size_t>(got), archive.bytes, {}};
    }
    return got;
}

static bool ReadEntryCount(const Archive &archive, Directory *directory) {
    unsigned char raw[kEntryCountBytes];
    int64_t got = ReadTable(archive, directory, "the entry count", 0, raw, sizeof raw);
    if (got == static_cast<int64_t>(sizeof raw))
        directory->entryCount = DecodeEntryCount(raw);
    return got >= 0;
}

// Both tables are made at once, zeroed, before anything is read into them: by calloc, so that
// a shortage of memory is an answer, never an exception.
static bool ReserveDirectory(Directory *directory) {
    size_t count = directory->entryCount;
    directory->entryTable = static_cast<unsigned char *>(calloc(count, kDirectoryEntryBytes));
    directory->nameTable = static_cast<unsigned char *>(calloc(count, kNameRecordBytes));
    return directory->entryTable != nullptr && directory->nameTable != nullptr;
}

// Names are read only from the position the last entry gives, and only when the whole
// entry table was read. False when a read failed.
static bool ReadTables(const Archive &archive, Directory *directory) {
    size_t count = directory->entryCount;
    int64_t got = ReadTable(archive, directory, "the entry table", kEntryCountBytes,
                            directory->entryTable, count * kDirectoryEntryBytes);
    if (got < 0 || directory->damaged)
        return got >= 0;
    DirectoryEntry last =
        DecodeDirectoryEntry(directory->entryTable + (count - 1) * kDirectoryEntryBytes);
    int64_t namesAt = FindNameTablePosition(last);
    if (namesAt < 0) {
        directory->damaged = true;
        directory->damage.lastEntry = last;
        return true;
    }
    got = ReadTable(archive, directory, "the name table", namesAt, directory->nameTable,
                    count * kNameRecordBytes);
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

// The entry's name as this system's text: on Windows its bytes, which the system reads in its
// code page; elsewhere UTF-8, decoded from code page 1252 (codepage.h) into `text`.
static const char *NameAsText(const NameRecord &record, char *text) {
    return UsesWindowsFileNames() ? record.name : DecodeNameText(record.name, text);
}

// Writes each entry that has a name, then prints its line; an entry left without a name by
// the directory's damage is listed alone. False when some named entry was not written in full.
static bool UnpackEntries(FileHandle file, const Directory &directory) {
    bool allWritten = true;
    int count = directory.entryCount;
    for (int i = 0; i < count; ++i) {
        NameRecord record = DecodeNameRecord(directory.nameTable + i * kNameRecordBytes);
        bool named = static_cast<size_t>(i) < directory.named;
        char text[kLongestNameTextBytes + 1];
        const char *name = named ? NameAsText(record, text) : ""; // a record cut short has none
        if (named) {
            DirectoryEntry entry =
                DecodeDirectoryEntry(directory.entryTable + i * kDirectoryEntryBytes);
            ExtractOutcome outcome = ExtractEntry(file, name, entry);
            if (outcome.result != kEntryWritten) {
                ReportEntry(static_cast<unsigned>(i + 1), name, entry, outcome);
                allWritten = false;
            }
        }
        PrintEntryLine(static_cast<unsigned>(i + 1), directory.entryCount, name);
        KeepPlacedFile(); // listed: an ending signal now writes its line out, and leaves its file
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
    Archive archive = {0, path, 0};
    int error = 0;
    if (!OpenFileToRead(path, &archive.file, &error)) {
        ReportCannotOpen(path, error);
        return kArchiveNotRead;
    }
    Directory directory = {};
    FileVersion version = {};
    bool read = RegularFileVersion(archive.file, &version, &error);
    if (!read)
        ReportCannotRead(path, error);
    archive.bytes = version.size;
    read = read && ReadDirectory(archive, &directory);
    bool allWritten = read && ListDirectory(archive.file, path, &directory);
    CloseFile(archive.file, &error);
    free(directory.entryTable);
    free(directory.nameTable);
    if (!read)
        return kArchiveNotRead;
    return directory.damaged || !allWritten ? kArchiveIncomplete : kArchiveUnpacked;
}
