// Extraction of one entry: the name judged, a file created, the data copied, the file put in place.
#include "archive/extract/extract.h"

#include <cstdio>

#include "archive/extract/names.h"

// One buffer for every entry, so memory stays the same whatever sizes an archive declares.
// An entry that fits in it is written from the window: the buffer read from the entry's
// offset on, which then serves the entries after it as well, one read for many small ones.
// A larger entry is copied through it in blocks.
enum : size_t { kBufferBytes = 1 << 20 };
static unsigned char buffer[kBufferBytes];

static ExtractOutcome MakeOutcome(EntryResult result, int error, int64_t bytesWritten) {
    return ExtractOutcome{result, nullptr, error, bytesWritten};
}

// Writes `length` bytes of the `wanted` ones after `before` bytes already written:
// fewer than wanted means the archive ended first.
static ExtractOutcome WriteEntryBytes(FileHandle file, const unsigned char *data, size_t length,
                                      size_t wanted, int64_t before) {
    size_t written = 0;
    int error = 0;
    if (!WriteFileData(file, data, length, &written, &error))
        return MakeOutcome(kEntryWriteFailed, error, before + static_cast<int64_t>(written));
    EntryResult result = length < wanted ? kEntryCutShort : kEntryWritten;
    return MakeOutcome(result, 0, before + static_cast<int64_t>(written));
}

static bool WindowHolds(const ArchiveReader &reader, int64_t offset, int64_t size) {
    return offset >= reader.windowStart &&
           offset + size <= reader.windowStart + static_cast<int64_t>(reader.windowBytes);
}

// The window is read anew from the entry's offset when it does not hold the whole entry; it
// ends where the archive does, so a file only ever receives bytes that are in the archive.
static ExtractOutcome CopyThroughWindow(ArchiveReader *reader, FileHandle file, int32_t offset,
                                        int32_t size) {
    if (!WindowHolds(*reader, offset, size)) {
        int error = 0;
        int64_t got = ReadFileAt(reader->archive, buffer, sizeof buffer, offset, &error);
        reader->windowStart = offset;
        reader->windowBytes = got < 0 ? 0 : static_cast<size_t>(got);
        if (got < 0)
            return MakeOutcome(kEntryReadFailed, error, 0);
    }
    size_t skip = static_cast<size_t>(offset - reader->windowStart);
    size_t available = reader->windowBytes - skip, wanted = static_cast<size_t>(size);
    return WriteEntryBytes(file, buffer + skip, available < wanted ? available : wanted, wanted, 0);
}

static ExtractOutcome CopyInBlocks(ArchiveReader *reader, FileHandle file, int32_t offset,
                                   int32_t size) {
    reader->windowBytes = 0; // the blocks overwrite it
    ExtractOutcome outcome = MakeOutcome(kEntryWritten, 0, 0);
    while (outcome.result == kEntryWritten && outcome.bytesWritten < size) {
        int64_t done = outcome.bytesWritten;
        size_t wanted = static_cast<size_t>(size - done) < sizeof buffer
                            ? static_cast<size_t>(size - done)
                            : sizeof buffer;
        int error = 0;
        int64_t got = ReadFileAt(reader->archive, buffer, wanted, offset + done, &error);
        if (got < 0)
            return MakeOutcome(kEntryReadFailed, error, done);
        outcome = WriteEntryBytes(file, buffer, static_cast<size_t>(got), wanted, done);
    }
    return outcome;
}

// A negative size, or a negative offset with data to copy, leaves the file empty.
static ExtractOutcome CopyEntryData(ArchiveReader *reader, FileHandle file,
                                    const DirectoryEntry &entry) {
    if (entry.size < 0)
        return MakeOutcome(kEntryNegativeSize, 0, 0);
    if (entry.size == 0)
        return MakeOutcome(kEntryWritten, 0, 0);
    if (entry.offset < 0)
        return MakeOutcome(kEntryNegativeOffset, 0, 0);
    if (static_cast<size_t>(entry.size) <= kBufferBytes)
        return CopyThroughWindow(reader, file, entry.offset, entry.size);
    return CopyInBlocks(reader, file, entry.offset, entry.size);
}

// The file an entry is written to. When something already stands under the entry's name,
// the data goes to a new file under a temporary name, which then takes the entry's name:
// what stood there is replaced as a directory entry, never opened.
struct EntryFile {
    FileHandle file;
    const char *name;
    char temporaryName[48]; // empty when the file was created under the entry's name
};

// At least 19 bytes, longer than any entry's name, so no entry can stand under one.
static bool CreateTemporaryFile(EntryFile *entryFile, int *error) {
    static const unsigned long process = CurrentProcessNumber();
    static unsigned long serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        snprintf(entryFile->temporaryName, sizeof entryFile->temporaryName,
                 ".VornReader-%lu-%lu.tmp", process, ++serial);
        if (CreateNewFile(entryFile->temporaryName, &entryFile->file, error))
            return true;
        if (!IsAlreadyExistsError(*error))
            break;
    }
    entryFile->temporaryName[0] = '\0';
    return false;
}

// A new name, the common case, costs one call; only a name that exists takes the long way.
static bool CreateEntryFile(const char *name, EntryFile *entryFile, int *error) {
    entryFile->name = name;
    entryFile->temporaryName[0] = '\0';
    if (CreateNewFile(name, &entryFile->file, error))
        return true;
    return IsAlreadyExistsError(*error) && CreateTemporaryFile(entryFile, error);
}

// Closes the file. A temporary file takes the entry's name when it holds what the archive
// has of the entry (all of it, or what is there before the archive's end). After a failed
// read or write, or when the name cannot be taken (a folder stands there), it is removed
// and what stood under the name stays as it was.
static void FinishEntryFile(EntryFile *entryFile, ExtractOutcome *outcome) {
    int error = 0;
    if (!CloseFile(entryFile->file, &error) && outcome->result == kEntryWritten)
        *outcome = MakeOutcome(kEntryWriteFailed, error, outcome->bytesWritten);
    if (entryFile->temporaryName[0] == '\0')
        return;
    bool failed = outcome->result == kEntryReadFailed || outcome->result == kEntryWriteFailed;
    if (!failed && ReplaceWithFile(entryFile->temporaryName, entryFile->name, &error))
        return;
    RemoveFile(entryFile->temporaryName);
    if (!failed)
        *outcome = MakeOutcome(kEntryNotCreated, error, 0);
}

ExtractOutcome ExtractEntry(ArchiveReader *reader, const char *name, const DirectoryEntry &entry) {
    ExtractOutcome outcome = MakeOutcome(kEntryNameRefused, 0, 0);
    outcome.refusal = FindUnsafeNameReason(name, kWindowsFileNames);
    if (outcome.refusal != nullptr)
        return outcome;
    EntryFile entryFile;
    int error = 0;
    if (!CreateEntryFile(name, &entryFile, &error))
        return MakeOutcome(kEntryNotCreated, error, 0);
    outcome = CopyEntryData(reader, entryFile.file, entry);
    FinishEntryFile(&entryFile, &outcome);
    return outcome;
}
