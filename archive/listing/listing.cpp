#include "archive/listing/listing.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/extract/extract.h"
#include "archive/format/format.h"
#include "archive/report/report.h"

// The directory as read. Records that a read did not deliver in full stay zero:
// a missing entry copies nothing, a missing name is empty. Both tables hold
// entryCount records.
struct Directory {
    std::vector<DirectoryEntry> entries;
    std::vector<NameRecord> names;
};

// Reports a table the archive ends inside of, saying which bytes are missing.
static void ReportMissingBytes(const char *path, const char *what, int64_t start, size_t needed,
                               size_t got) {
    ReportProblem("\"%s\": damaged directory: %s needs bytes %lld to %lld; bytes %lld to %lld are "
                  "missing",
                  PrintableText(path).c_str(), what, static_cast<long long>(start),
                  static_cast<long long>(start + needed - 1), static_cast<long long>(start + got),
                  static_cast<long long>(start + needed - 1));
}

// False when the archive cannot be read at all (a folder, an I/O error).
static bool ReadEntryCount(FILE *archive, const char *path, uint16_t *entryCount, bool *intact) {
    unsigned char raw[kEntryCountBytes];
    size_t got = fread(raw, 1, sizeof raw, archive);
    *entryCount = 0;
    if (got == sizeof raw) {
        *entryCount = DecodeEntryCount(raw);
        return true;
    }
    if (ferror(archive)) {
        ReportProblem("cannot read \"%s\": %s", PrintableText(path).c_str(), strerror(errno));
        return false;
    }
    ReportMissingBytes(path, "the entry count", 0, sizeof raw, got);
    *intact = false;
    return true;
}

// The tables are read a chunk of records at a time: the archive stream is unbuffered
// (see OpenArchive), so each fread is one read from the file.
enum : size_t { kRecordsPerChunk = 1024 };

static size_t ChunkRecords(size_t first, size_t count) {
    return count - first < kRecordsPerChunk ? count - first : kRecordsPerChunk;
}

static void DecodeRecord(const unsigned char *raw, DirectoryEntry *entry) {
    *entry = DecodeDirectoryEntry(raw);
}

static void DecodeRecord(const unsigned char *raw, NameRecord *name) {
    *name = DecodeNameRecord(raw);
}

// Reads records.size() records of recordBytes each, from where the archive stands.
// Records the reads do not deliver in full keep their zero value. Returns the number
// of bytes delivered.
template <size_t recordBytes, typename Record>
static size_t ReadTable(FILE *archive, std::vector<Record> *records) {
    unsigned char chunk[kRecordsPerChunk * recordBytes];
    size_t count = records->size(), total = 0;
    for (size_t first = 0; first < count; first += kRecordsPerChunk) {
        size_t wanted = ChunkRecords(first, count) * recordBytes;
        size_t got = fread(chunk, 1, wanted, archive);
        for (size_t i = 0; i < got / recordBytes; ++i)
            DecodeRecord(chunk + i * recordBytes, &(*records)[first + i]);
        total += got;
        if (got < wanted)
            break;
    }
    return total;
}

// Reads both tables. Names are read only from the position the last entry gives,
// and only when the whole entry table was read: never from wherever the stream stands.
static void ReadTables(FILE *archive, const char *path, Directory *directory, bool *intact) {
    size_t count = directory->entries.size();
    size_t entryBytes = count * kDirectoryEntryBytes;
    size_t got = ReadTable<kDirectoryEntryBytes>(archive, &directory->entries);
    if (got < entryBytes) {
        ReportMissingBytes(path, "the entry table", kEntryCountBytes, entryBytes, got);
        *intact = false;
        return;
    }
    const DirectoryEntry &last = directory->entries[count - 1];
    int64_t namesAt = FindNameTablePosition(last);
    if (namesAt < 0 || fseek(archive, static_cast<long>(namesAt), SEEK_SET) != 0) {
        ReportProblem("\"%s\": damaged directory: the last entry's offset %ld and size %ld give "
                      "no valid name table position; no names read",
                      PrintableText(path).c_str(), static_cast<long>(last.offset),
                      static_cast<long>(last.size));
        *intact = false;
        return;
    }
    size_t nameBytes = count * kNameRecordBytes;
    got = ReadTable<kNameRecordBytes>(archive, &directory->names);
    if (got < nameBytes) {
        ReportMissingBytes(path, "the name table", namesAt, nameBytes, got);
        *intact = false;
    }
}

static void WalkEntries(FILE *archive, const Directory &directory, bool *intact) {
    int count = static_cast<int>(directory.entries.size());
    for (int i = 0; i < count; ++i) {
        const DirectoryEntry &entry = directory.entries[i];
        const char *name = directory.names[i].name;
        ExtractOutcome outcome = ExtractEntry(archive, name, entry.offset, entry.size);
        if (outcome.problem != kExtractWritten) {
            ReportExtractOutcome(static_cast<unsigned>(i + 1), name, entry.offset, entry.size,
                                 outcome);
            *intact = false;
        }
        printf("%4i / %i %15s\n", i + 1, count, name);
    }
}

static void ListEntries(FILE *archive, const char *path, uint16_t entryCount, bool *intact) {
    Directory directory;
    directory.entries.assign(entryCount, DirectoryEntry());
    directory.names.assign(entryCount, NameRecord());
    printf("File has %i Entries\n\n", static_cast<int>(entryCount));
    ReadTables(archive, path, &directory, intact);
    fseek(archive, 0, SEEK_SET);
    WalkEntries(archive, directory, intact);
}

// Unbuffered: the directory is read in large chunks and each entry's data is read
// straight into the copy buffer, so a buffer would only add copying, and the reads
// it would refill after every seek.
static FILE *OpenArchive(const char *path) {
    FILE *archive = fopen(path, "rb");
    if (archive == nullptr) {
        ReportProblem("cannot open \"%s\": %s", PrintableText(path).c_str(), strerror(errno));
        return nullptr;
    }
    setvbuf(archive, nullptr, _IONBF, 0);
    return archive;
}

bool ListArchive(const char *path, bool *intact) {
    *intact = true;
    if (path == nullptr)
        return false;
    FILE *archive = OpenArchive(path);
    if (archive == nullptr)
        return false;
    uint16_t entryCount = 0;
    bool readable = ReadEntryCount(archive, path, &entryCount, intact);
    if (readable && entryCount > 0)
        ListEntries(archive, path, entryCount, intact);
    fclose(archive);
    return readable;
}
