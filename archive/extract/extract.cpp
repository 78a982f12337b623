// Extraction of one entry: the name judged, a file created, the data copied, the file put in place.
#include "archive/extract/extract.h"

#include "archive/files/copy.h"
#include "archive/files/place.h"

// One buffer for every entry, so memory stays the same whatever sizes an archive declares: the
// window (extract.h), and the blocks of a large entry that the system does not move itself.
static unsigned char buffer[kBufferBytes];

ArchiveReader StartReading(FileHandle archive) {
    return ArchiveReader{archive, 0, 0, kFirstReadBytes};
}

static ExtractOutcome MakeOutcome(EntryResult result, int error, int64_t bytesWritten) {
    return ExtractOutcome{result, kNameSafe, error, bytesWritten, kNothingLeft};
}

// The entry's file did not come out as the archive has it.
static bool MustNotTakeName(const ExtractOutcome &outcome) {
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

// Moved by the system where it can, else copied through the buffer, which may then no longer
// hold the window: the window is dropped.
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

// The entry's file keeps its name only when it holds what the archive has of the entry (all of
// it, or what is there before the archive's end) and closes without fault (place.h).
static void FinishEntryFile(PlacedFile *placed, ExtractOutcome *outcome) {
    Finish finish = FinishPlacedFile(placed, !MustNotTakeName(*outcome));
    if (finish.finished == kCloseFailed)
        *outcome = MakeOutcome(kEntryWriteFailed, finish.error, outcome->bytesWritten);
    else if (finish.finished == kNameNotTaken)
        *outcome = MakeOutcome(kEntryNotCreated, finish.error, 0);
    outcome->leftover = finish.leftover;
}

ExtractOutcome ExtractEntry(ArchiveReader *reader, const char *name, const DirectoryEntry &entry) {
    ExtractOutcome outcome = MakeOutcome(kEntryNameRefused, 0, 0);
    outcome.refusal = WhyNameRefused(name, UsesWindowsFileNames());
    if (outcome.refusal != kNameSafe)
        return outcome;
    bool empty = !HasData(entry);
    PlacedFile placed = {kReplaceExisting, "", name, "VornReader", kUnderName, 0};
    int error = 0;
    if (!CreatePlacedFile(&placed, empty, &error))
        return MakeOutcome(kEntryNotCreated, error, 0);
    outcome = empty ? EmptyEntryOutcome(entry) : CopyEntryData(reader, placed.file, entry);
    FinishEntryFile(&placed, &outcome);
    return outcome;
}
