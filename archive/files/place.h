// Putting a file in place, for the reader's entries and the writer's archive alike. A file takes
// its name only when it is complete: what existed under the name stays, or is replaced whole;
// an ending signal removes what was half made (interrupt.h); and nothing the run did not make
// is ever removed.
//
// A file is made in one of two ways:
//   kReplaceExisting  a new name is created exclusively and written under itself. When the
//                     name exists, the file is written beside it and then renamed over it, so
//                     that what existed is replaced as a directory entry: never opened, never
//                     half replaced. (The reader's entries.)
//   kKeepExisting     the file is written beside the name and takes it only where nothing exists
//                     by then; what appeared meanwhile stays. (The writer's archive.)
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

// Closes the file; it takes its name when `complete`, and is removed otherwise.
Finish FinishPlacedFile(PlacedFile *placed, bool complete);

// The temporary name the run used last, for a report of one left behind.
const char *TemporaryFileName();
