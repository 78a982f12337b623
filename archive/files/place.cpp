// Putting a file in place (place.h): the one way both programs make, finish or remove a file.
#include "archive/files/place.h"

#include <cstdio>

#include "archive/files/interrupt.h"

// Static, so that an ending signal can remove the file it names (interrupt.h). A temporary name
// is ASCII of 19 bytes or more after its folder: an entry's name of ASCII alone has 15 at most,
// and one decoded from code page 1252 into more holds a character past ASCII: none is one.
static char temporaryName[kLongestFolderBytes + 64];

// Names another run left behind are passed over, this many at most.
enum { kTemporaryNameAttempts = 100 };

const char *TemporaryFileName() {
    return temporaryName;
}

// A new file is made under `name`, or the unnamed `*file` linked to it, and the name marked
// for removal by an ending signal as one step: a signal that comes meanwhile waits, so that it
// never removes a name this run did not make (another run's, or the user's).
static bool MakeMarked(const char *name, FileHandle *file, bool link, int *error) {
    DeferEndingSignals();
    bool made = link ? NameUnnamedFile(*file, name, error) : CreateNewFile(name, file, error);
    if (made)
        RemoveOnEndingSignal(name);
    ResumeEndingSignals();
    return made;
}

// Gives the file a temporary name in its folder: a new file under it, or the unnamed one linked
// to it (`link`).
static bool TakeTemporaryName(PlacedFile *placed, bool link, int *error) {
    static const unsigned long process = CurrentProcessNumber();
    static unsigned long serial = 0;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        snprintf(temporaryName, sizeof temporaryName, "%s.%s-%lu-%lu.tmp", placed->folder,
                 placed->program, process, ++serial);
        if (MakeMarked(temporaryName, &placed->file, link, error)) {
            placed->state = kUnderTemporary;
            return true;
        }
        if (!IsAlreadyExistsError(*error))
            break;
    }
    return false;
}

// Beside the name: unnamed where the system has such files, else under a temporary name that a
// rename gives the name (for the writer, a move that never replaces, where the system has one).
// Without either, the writer's archive is made under its name.
bool CreatePlacedFile(PlacedFile *placed, int *error) {
    if (placed->mode == kReplaceExisting) {
        placed->state = kUnderName;
        if (MakeMarked(placed->name, &placed->file, false, error))
            return true;
        if (!IsAlreadyExistsError(*error))
            return false;
    }
    placed->state = kUnnamed;
    const char *folder = placed->folder[0] == '\0' ? "." : placed->folder;
    if (CreateUnnamedFile(folder, &placed->file))
        return true;
    if (placed->mode == kReplaceExisting || CanMoveToNewName())
        return TakeTemporaryName(placed, false, error);
    placed->state = kUnderName;
    return MakeMarked(placed->name, &placed->file, false, error);
}

// A complete unnamed file is linked to its name where nothing may be replaced (a link never
// replaces), else to a temporary name, which a rename then gives the name.
static void LinkUnnamed(PlacedFile *placed, Finish *finish) {
    int error = 0;
    bool linked = placed->mode == kKeepExisting
                      ? MakeMarked(placed->name, &placed->file, true, &error)
                      : TakeTemporaryName(placed, true, &error);
    if (!linked)
        *finish = Finish{kNameNotTaken, error, kNothingLeft};
    else if (placed->mode == kKeepExisting)
        placed->state = kUnderName;
}

// From before the rename, an ending signal removes the file under whichever name it has, so that
// no signal leaves it named but not yet kept; a rename that fails leaves the name alone.
static bool MoveToName(const PlacedFile &placed, int *error) {
    RemoveOnEndingSignal(temporaryName, placed.name);
    bool moved = placed.mode == kReplaceExisting
                     ? ReplaceWithFile(temporaryName, placed.name, error)
                     : MoveToNewName(temporaryName, placed.name, error); // GCOVR_EXCL_LINE: Windows
    if (!moved)
        RemoveOnEndingSignal(temporaryName);
    return moved;
}

// An unnamed file is gone with its closing; a named one is removed.
static Leftover RemoveUnfinished(const PlacedFile &placed) {
    int error = 0;
    if (placed.state == kUnderName)
        return RemoveFile(placed.name, &error) ? kPartRemoved : kPartLeft;
    if (placed.state == kUnderTemporary && !RemoveFile(temporaryName, &error))
        return kTemporaryLeft;
    return kNothingLeft;
}

Finish FinishPlacedFile(PlacedFile *placed, bool complete) {
    Finish finish = {complete ? kInPlace : kDiscarded, 0, kNothingLeft};
    if (placed->state == kUnnamed && complete)
        LinkUnnamed(placed, &finish);
    int error = 0;
    if (!CloseFile(placed->file, &error) && finish.finished == kInPlace)
        finish = Finish{kCloseFailed, error, kNothingLeft};
    if (placed->state == kUnderTemporary && finish.finished == kInPlace &&
        !MoveToName(*placed, &error))
        finish = Finish{kNameNotTaken, error, kNothingLeft};
    if (finish.finished != kInPlace) {
        finish.leftover = RemoveUnfinished(*placed);
        RemoveOnEndingSignal(nullptr);
    }
    return finish;
}

void KeepPlacedFile() {
    RemoveOnEndingSignal(nullptr);
}
