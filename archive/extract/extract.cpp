// Extraction of one entry: the name judged, a file created, the data copied, the file put in place.
#include "archive/extract/extract.h"

#include "archive/files/copy.h"
#include "archive/files/place.h"

// One buffer for every entry, so memory stays the same whatever sizes an archive declares: a
// small entry is read into it whole, and a large one's blocks that the system does not move
// itself go through it.
static unsigned char buffer[kBufferBytes];
static_assert(kSmallFileBytes <= kBufferBytes, "a small entry fits the buffer");

static ExtractOutcome MakeOutcome(EntryResult result, int error, int64_t bytesWritten) {
    return ExtractOutcome{result, kNameSafe, error, bytesWritten, kNothingLeft};
}

// The entry's file did not come out as the archive has it.
static bool MustNotTakeName(const ExtractOutcome &outcome) {
    return outcome.result == kEntryReadFailed || outcome.result == kEntryWriteFailed ||
           outcome.result == kEntryNotCreated;
}

// One read and one write; fewer bytes than wanted means the archive ended first.
static ExtractOutcome CopySmallEntry(FileHandle archive, FileHandle file, int32_t offset,
                                     int32_t size) {
    int error = 0;
    size_t wanted = static_cast<size_t>(size), written = 0;
    int64_t got = ReadFileAt(archive, buffer, wanted, offset, &error);
    if (got < 0)
        return MakeOutcome(kEntryReadFailed, error, 0);
    if (!WriteFileData(file, buffer, static_cast<size_t>(got), &written, &error))
        return MakeOutcome(kEntryWriteFailed, error, static_cast<int64_t>(written));
    return MakeOutcome(static_cast<size_t>(got) < wanted ? kEntryCutShort : kEntryWritten, 0, got);
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

// A small entry by one read and one write; a large one is moved by the system where it can, else
// copied through the buffer.
static ExtractOutcome CopyEntryData(FileHandle archive, FileHandle file,
                                    const DirectoryEntry &entry) {
    if (static_cast<size_t>(entry.size) < kSmallFileBytes)
        return CopySmallEntry(archive, file, entry.offset, entry.size);
    Copied copied =
        CopyBetweenFiles(archive, entry.offset, entry.size, file, buffer, sizeof buffer);
    return MakeOutcome(EntryResultOf(copied.result), copied.error, copied.bytes);
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

ExtractOutcome ExtractEntry(FileHandle archive, const char *name, const DirectoryEntry &entry) {
    ExtractOutcome outcome = MakeOutcome(kEntryNameRefused, 0, 0);
    outcome.refusal = WhyNameRefused(name, UsesWindowsFileNames());
    if (outcome.refusal != kNameSafe)
        return outcome;
    PlacedFile placed = {kReplaceExisting, "", name, "VornReader", kUnderName, 0};
    int error = 0;
    if (!CreatePlacedFile(&placed, &error))
        return MakeOutcome(kEntryNotCreated, error, 0);
    outcome =
        HasData(entry) ? CopyEntryData(archive, placed.file, entry) : EmptyEntryOutcome(entry);
    FinishEntryFile(&placed, &outcome);
    return outcome;
}
