// Extraction of one entry: the name judged, a file created, the data copied, the file put in place.
#include "archive/extract/extract.h"

#include <cstdio>

#include "archive/files/copy.h"
#include "archive/files/interrupt.h"

// One buffer for every entry, so memory stays the same whatever sizes an archive declares.
// A small entry is written from the window: the buffer read from the entry's offset on, which
// then serves the entries after it as well, one read for many small ones. A larger entry is
// moved by the system where it can, else copied through the buffer in blocks.
static unsigned char buffer[kBufferBytes];

ArchiveReader StartReading(FileHandle archive) {
    return ArchiveReader{archive, 0, 0, kFirstReadBytes};
}

static ExtractOutcome MakeOutcome(EntryResult result, int error, int64_t bytesWritten) {
    return ExtractOutcome{result, kNameSafe, error, bytesWritten, kNothingLeft, nullptr};
}

// The entry's file did not come out as the archive has it: it must not take the name.
static bool Failed(const ExtractOutcome &outcome) {
    return outcome.result == kEntryReadFailed || outcome.result == kEntryWriteFailed ||
           outcome.result == kEntryNotCreated;
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

// A read that goes on from where the window stood takes twice as much as the one before, up
// to the whole buffer; one that lies elsewhere starts small again. Either way it takes the
// whole entry, and it ends where the archive does, so a file only ever receives bytes that are
// in the archive.
static bool RefillWindow(ArchiveReader *reader, int32_t offset, size_t size, int *error) {
    int64_t windowEnd = reader->windowStart + static_cast<int64_t>(reader->windowBytes);
    bool runsOn = offset >= reader->windowStart && offset <= windowEnd;
    size_t doubled = reader->readAhead < kBufferBytes / 2 ? 2 * reader->readAhead : kBufferBytes;
    reader->readAhead = runsOn ? doubled : kFirstReadBytes;
    size_t wanted = size > reader->readAhead ? size : reader->readAhead;
    int64_t got = ReadFileAt(reader->archive, buffer, wanted, offset, error);
    reader->windowStart = offset;
    reader->windowBytes = got < 0 ? 0 : static_cast<size_t>(got);
    return got >= 0;
}

static ExtractOutcome CopyThroughWindow(ArchiveReader *reader, FileHandle file, int32_t offset,
                                        int32_t size) {
    int error = 0;
    size_t wanted = static_cast<size_t>(size);
    if (!WindowHolds(*reader, offset, size) && !RefillWindow(reader, offset, wanted, &error))
        return MakeOutcome(kEntryReadFailed, error, 0);
    size_t skip = static_cast<size_t>(offset - reader->windowStart);
    size_t available = reader->windowBytes - skip;
    return WriteEntryBytes(file, buffer + skip, available < wanted ? available : wanted, wanted, 0);
}

static EntryResult EntryResultOf(CopyResult result) {
    switch (result) {
    case kCopied:
        return kEntryWritten;
    case kSourceEnded:
        return kEntryCutShort;
    case kReadFailed:
        return kEntryReadFailed;
    case kWriteFailed:
        break;
    }
    return kEntryWriteFailed;
}

// A large entry is copied by the system where it can, else through the buffer, which then no
// longer holds the window.
static ExtractOutcome CopyLargeEntry(ArchiveReader *reader, FileHandle file, int32_t offset,
                                     int32_t size) {
    Copied copied = CopyBetweenFiles(reader->archive, offset, size, file, buffer, sizeof buffer);
    reader->windowBytes = 0;
    return MakeOutcome(EntryResultOf(copied.result), copied.error, copied.bytes);
}

static ExtractOutcome CopyEntryData(ArchiveReader *reader, FileHandle file,
                                    const DirectoryEntry &entry) {
    if (static_cast<size_t>(entry.size) < kSmallFileBytes ||
        WindowHolds(*reader, entry.offset, entry.size))
        return CopyThroughWindow(reader, file, entry.offset, entry.size);
    return CopyLargeEntry(reader, file, entry.offset, entry.size);
}

// A size of 0, a negative size, or a negative offset: nothing to copy, an empty file.
static bool HasData(const DirectoryEntry &entry) {
    return entry.size > 0 && entry.offset >= 0;
}

static ExtractOutcome EmptyEntryOutcome(const DirectoryEntry &entry) {
    if (entry.size < 0)
        return MakeOutcome(kEntryNegativeSize, 0, 0);
    return MakeOutcome(entry.size == 0 ? kEntryWritten : kEntryNegativeOffset, 0, 0);
}

// Where an entry's data goes. A new name, the common case, is created at once; an empty
// entry's file is made whole by that one call, without even opening it. When something already
// stands under the name, the data goes to a replacement that takes the name by a rename once
// complete, so what stood there is replaced as a directory entry: never opened, and never half
// replaced. The replacement is a file without a name where the system has them, else one under
// a temporary name. A name being written is guarded: an ending signal removes it.
enum EntryFileState {
    kMadeEmpty,          // a new empty file, not open
    kNewFile,            // a new file under the entry's name, guarded
    kUnnamedReplacement, // a replacement without a name
    kNamedReplacement,   // a replacement under temporaryName, guarded
};

struct EntryFile {
    EntryFileState state;
    FileHandle file;
    const char *name;
};

// Static, so that an ending signal can remove the file it names (interrupt.h). At least 19
// bytes, longer than any entry's name, so no entry can stand under one.
static char temporaryName[48];

// Names another run left behind are passed over, this many at most.
enum { kTemporaryNameAttempts = 100 };

static void NextTemporaryName() {
    static const unsigned long process = CurrentProcessNumber();
    static unsigned long serial = 0;
    snprintf(temporaryName, sizeof temporaryName, ".VornReader-%lu-%lu.tmp", process, ++serial);
}

// The replacement as a new file under a temporary name, where there are no unnamed files.
static bool CreateUnderTemporaryName(EntryFile *entryFile, int *error) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        NextTemporaryName();
        if (CreateGuarded(temporaryName, &entryFile->file, error)) {
            entryFile->state = kNamedReplacement;
            return true;
        }
        if (!IsAlreadyExistsError(*error))
            break;
    }
    return false;
}

// The unnamed replacement, once complete, is linked to a temporary name, from which a rename
// gives it the entry's.
static bool NameUnnamedReplacement(EntryFile *entryFile, int *error) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        NextTemporaryName();
        if (NameGuarded(entryFile->file, temporaryName, error)) {
            entryFile->state = kNamedReplacement;
            return true;
        }
        if (!IsAlreadyExistsError(*error))
            break;
    }
    return false;
}

// A new name costs one call; only a name that exists takes the long way.
static bool CreateEntryFile(const char *name, bool empty, EntryFile *entryFile, int *error) {
    *entryFile = EntryFile{empty ? kMadeEmpty : kNewFile, 0, name};
    if (empty ? CreateEmptyFile(name, error) : CreateGuarded(name, &entryFile->file, error))
        return true;
    if (!IsAlreadyExistsError(*error))
        return false;
    entryFile->state = kUnnamedReplacement;
    return CreateUnnamedFile(".", &entryFile->file) || CreateUnderTemporaryName(entryFile, error);
}

// A failed close is a failed write, whatever else became of the entry.
static void CloseEntryFile(FileHandle file, ExtractOutcome *outcome) {
    int error = 0;
    if (!CloseFile(file, &error) && !Failed(*outcome))
        *outcome = MakeOutcome(kEntryWriteFailed, error, outcome->bytesWritten);
}

// A new name keeps the file only when it holds what the archive has of the entry: a part
// is removed.
static void FinishNewFile(const EntryFile &entryFile, ExtractOutcome *outcome) {
    CloseEntryFile(entryFile.file, outcome);
    int error = 0;
    if (Failed(*outcome))
        outcome->leftover = RemoveFile(entryFile.name, &error) ? kPartRemoved : kPartLeft;
    GuardFile(nullptr);
}

// The replacement takes the entry's name when it holds what the archive has of the entry (all
// of it, or what is there before the archive's end) and was closed without fault. Otherwise,
// or when the name cannot be taken (a folder stands there), it is removed, an unnamed one by
// closing it, and what stood under the name stays as it was.
static void FinishReplacement(EntryFile *entryFile, ExtractOutcome *outcome) {
    int error = 0;
    if (entryFile->state == kUnnamedReplacement && !Failed(*outcome) &&
        !NameUnnamedReplacement(entryFile, &error))
        *outcome = MakeOutcome(kEntryNotCreated, error, 0);
    CloseEntryFile(entryFile->file, outcome);
    if (entryFile->state != kNamedReplacement)
        return;
    if (Failed(*outcome) || !ReplaceWithFile(temporaryName, entryFile->name, &error)) {
        if (!Failed(*outcome))
            *outcome = MakeOutcome(kEntryNotCreated, error, 0);
        if (!RemoveFile(temporaryName, &error)) {
            outcome->leftover = kTemporaryLeft;
            outcome->temporaryName = temporaryName;
        }
    }
    GuardFile(nullptr);
}

static void FinishEntryFile(EntryFile *entryFile, ExtractOutcome *outcome) {
    if (entryFile->state == kNewFile)
        FinishNewFile(*entryFile, outcome);
    else if (entryFile->state != kMadeEmpty)
        FinishReplacement(entryFile, outcome);
}

ExtractOutcome ExtractEntry(ArchiveReader *reader, const char *name, const DirectoryEntry &entry) {
    ExtractOutcome outcome = MakeOutcome(kEntryNameRefused, 0, 0);
    outcome.refusal = JudgeEntryName(name, UsesWindowsFileNames());
    if (outcome.refusal != kNameSafe)
        return outcome;
    bool empty = !HasData(entry);
    EntryFile entryFile;
    int error = 0;
    if (!CreateEntryFile(name, empty, &entryFile, &error))
        return MakeOutcome(kEntryNotCreated, error, 0);
    outcome = empty ? EmptyEntryOutcome(entry) : CopyEntryData(reader, entryFile.file, entry);
    FinishEntryFile(&entryFile, &outcome);
    return outcome;
}
