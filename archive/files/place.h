// Putting a file in place, for the reader's entries and the writer's archive alike. What existed
// under the name stays, or is replaced whole once the file is complete; a file made under the
// name is removed when it is not completed, and by an ending signal (interrupt.h); and nothing
// the run did not make is ever removed.
//
// A file is made in one of two ways:
//   kReplaceExisting  a new name is created exclusively and written under itself. When the
//                     name exists, the file is written beside it and then renamed over it, so
//                     that what existed is replaced as a directory entry: never opened, never
//                     half replaced. (The reader's entries.)
//   kKeepExisting     the file takes the name only where nothing exists; what appears there
//                     meanwhile stays. (The writer's archive.) It is written beside the name
//                     where the system can give it the name without replacing, then appears
//                     whole: unnamed, then linked (Linux), or under a temporary name, then moved
//                     (Windows, CanMoveToNewName). Elsewhere (no unnamed files, as on exFAT and
//                     FAT, or no /proc to name them) it is created under the name exclusively.
// A file beside the name has no name of its own where the system has such files, else a
// temporary one in the same folder, .<program>-<process>-<n>.tmp.
#pragma once

#include <cstddef>

#include "archive/files/files.h"

enum PlaceMode { kReplaceExisting, kKeepExisting };

enum PlaceState {
    kUnderName,     // open under its name, removed by an ending signal
    kUnnamed,       // open, without a name
    kUnderTemporary // open under TemporaryFileName(), removed by an ending signal
};

struct PlacedFile {
    // Set by the caller:
    PlaceMode mode;
    const char *folder;  // "" for the working folder, or a folder with its separator
    const char *name;    // the path the file is to take, in that folder
    const char *program; // the program, whose name the temporary names start with
    // Set here:
    PlaceState state;
    FileHandle file;
};

// A folder of this many bytes at most leaves room for its temporary names.
enum : size_t { kLongestFolderBytes = 4096 };

// Makes the file. False, with the system's code, when no file could be made.
bool CreatePlacedFile(PlacedFile *placed, int *error);

// What finishing left of the file, beside whether it took its name.
enum Leftover {
    kNothingLeft,
    kPartRemoved,   // a new name's file, not complete, was removed
    kPartLeft,      // ... and could not be removed
    kTemporaryLeft, // the temporary file could not be removed (TemporaryFileName())
};

enum Finished {
    kInPlace,      // the file has its name
    kDiscarded,    // not complete: it was removed, or never named
    kCloseFailed,  // complete, but closing it failed: it was removed
    kNameNotTaken, // complete, but the name could not be taken (IsAlreadyExistsError: something
                   // appeared under it, with kKeepExisting)
};

struct Finish {
    Finished finished;
    int error; // the system's code, with kCloseFailed and kNameNotTaken
    Leftover leftover;
};

// Closes the file; it takes its name when `complete`, and is removed otherwise. A file that took
// its name is still removed by an ending signal until KeepPlacedFile: the caller keeps it once it
// has said so (the reader's listing line), so that an interrupted run leaves no file it has not
// listed.
Finish FinishPlacedFile(PlacedFile *placed, bool complete);
void KeepPlacedFile();

// The temporary name the run used last, for a report of one left behind.
const char *TemporaryFileName();
