// The system's own file calls that the programs need, one file per platform (files_posix.cpp,
// files_windows.cpp; fuzz/files_memory.cpp keeps a folder in memory for the fuzzer), so that the
// rest of the program reads the same on every one. What each call is on each system, what
// takes its place where the system cannot ("else"), and whether an ending signal removes what
// it made (place.cpp marks it; interrupt.h):
//
//   call                Linux                           Windows                 else
//   OpenFileToRead      open O_NONBLOCK                 CreateFileA, GetFileType
//   RegularFileVersion  fstat                           GetFileSizeEx,
//                                                       GetFileInformationByHandleEx
//   ReadableFileVersion stat, access                    CreateFileA + the above
//   ReadFileAt          pread                           ReadFile at an offset
//   CopyFileData        splice, into a pipe and out     -                       the buffer
//   NameExists          lstat                           GetFileAttributesA
//   FolderTakesName     stat, pathconf                  GetFileAttributesA
//   CreateNewFile *     open O_CREAT O_EXCL O_NOFOLLOW  CreateFileA CREATE_NEW
//   CreateUnnamedFile   open O_TMPFILE                  -                       a named file
//   NameUnnamedFile *   linkat of /proc/self/fd/N       -                       (place.h)
//   WriteFileData       write                           WriteFile
//   CloseFile           close                           CloseHandle
//   ReplaceWithFile     rename                          MoveFileExA, replacing
//   MoveToNewName       -                               MoveFileExA
//   RemoveFile          unlink                          DeleteFileA
//   IsTerminal          isatty                          GetConsoleMode
//   WriteStandardStream write                           a console: WriteConsoleW, from the
//                                                       ANSI code page; else fwrite, fflush
//                                                       (the C runtime's text mode: "\n" as
//                                                       CR LF)
//   DescribeNameCodePage - (names are UTF-8)            GetACP, IsDBCSLeadByteEx,
//                                                       MultiByteToWideChar
//   (* an ending signal removes the name made; an unnamed file goes with the process)
//
// The archive is read by position: no call moves a file position, so entries can be read in
// any order. An entry file is only ever created, never opened when something already exists
// under its name: what exists there is replaced as a directory entry by a rename, so nothing
// that it leads to (a link's target, a device, a FIFO, another name of the same file) is
// written through.
#pragma once

#include <cstddef>
#include <cstdint>

// A descriptor on POSIX, a HANDLE on Windows.
typedef intptr_t FileHandle;

// Error codes are the system's own: errno on POSIX, GetLastError() on Windows; and the
// program's own, which no system uses (report.cpp words them):
enum {
    kErrorNotRegularFile = -1, // a device, a FIFO, a socket: not a file of bytes on a disk
    kErrorNameTooLong = -2,    // a path too long for the program's buffer for it
};

// True where file names follow Windows' rules (device names, dropped trailing dots).
bool UsesWindowsFileNames();

// Opens a file for reading, shared with other readers and writers. Neither the open nor a
// read ever waits (a FIFO with no writer opens at once).
bool OpenFileToRead(const char *path, FileHandle *file, int *error);

// What tells one version of a regular file from another, as tar does: its size and the times
// its data and its status last changed, in the system's own units. A file rewritten in place
// keeps its size but not its times.
struct FileVersion {
    int64_t size;
    int64_t modified, changed;
};

// The version of an open regular file (on Windows a disk file, the only kind OpenFileToRead
// keeps), the only kind that can be read at any position and whose size holds. Anything else
// fails: a folder with the system's code for it, anything else with kErrorNotRegularFile.
bool RegularFileVersion(FileHandle file, FileVersion *version, int *error);

// The version of the regular file at `path`, which this process may read, found without
// opening it where the system allows (so that a FIFO is never opened); fails as
// RegularFileVersion does, and for a file that cannot be read.
bool ReadableFileVersion(const char *path, FileVersion *version, int *error);

// Reads up to `length` bytes from `position`. Returns the number read, fewer only at the
// file's end, or -1 with *error set.
int64_t ReadFileAt(FileHandle file, void *buffer, size_t length, int64_t position, int *error);

// Moves up to `length` bytes of `archive` from `position` on into `file` inside the system,
// without a copy through this process. Returns the number moved, 0 at the archive's end, or
// -1 when the system cannot or did not: the caller then copies the rest itself, and that copy
// meets, and names, any fault of the disk.
int64_t CopyFileData(FileHandle archive, int64_t position, FileHandle file, size_t length);

// Whether anything at all exists under the name (a dangling symbolic link too).
bool NameExists(const char *name);

// Whether a new file `name` can be made in `folder`: the folder exists and is a folder, and the
// name is not empty nor longer than its file system allows.
bool FolderTakesName(const char *folder, const char *name, int *error);

// Creates `name` for writing, only when nothing at all exists under it (not even a
// dangling symbolic link). A fresh file's permissions are those the system gives by default.
bool CreateNewFile(const char *name, FileHandle *file, int *error);
bool IsAlreadyExistsError(int error);

// A file in `folder` that has no name yet, so that nothing is left of it if the program ends
// before NameUnnamedFile gives it one. False where the system or the file system has none, or
// this run cannot name them; callers then write to a file under a name (place.h).
bool CreateUnnamedFile(const char *folder, FileHandle *file);
// Links the unnamed file to `name`, in its folder, only when nothing exists there.
bool NameUnnamedFile(FileHandle file, const char *name, int *error);

// Writes all of `data`; *written says how much went into the file, also on failure.
bool WriteFileData(FileHandle file, const void *data, size_t length, size_t *written, int *error);
bool CloseFile(FileHandle file, int *error);

// Gives the file `from` the name `to`, replacing what exists there without opening it.
// Fails on a folder (and on a mount point, or on Windows on a file in use).
bool ReplaceWithFile(const char *from, const char *to, int *error);
// Gives the file `from` the name `to` only when nothing exists there; what appears there
// meanwhile is never replaced. Only where CanMoveToNewName(): on Windows, on every file system.
bool CanMoveToNewName();
bool MoveToNewName(const char *from, const char *to, int *error);
bool RemoveFile(const char *name, int *error);

// The standard streams. The program writes standard output and standard error by its own calls
// as it writes files: standard output a buffer at a time (output.cpp), a report by one line.
enum StandardStream { kStandardInput = 0, kStandardOutput = 1, kStandardError = 2 };

// Whether the stream is a terminal (on Windows a console): a person reads it as it comes, or
// types into it.
bool IsTerminal(StandardStream stream);

// Writes as much of `data` as the stream takes in one call: *written bytes, 0 when a signal cut
// the call short. False, with the system's code, when the write failed. On a Windows console the
// text is shown as the letters it stands for in the code page names are handed to the system in,
// whatever the console's own; anywhere else its bytes are written as they are.
bool WriteStandardStream(StandardStream stream, const char *data, size_t length, size_t *written,
                         int *error);

// What a byte of a name is in the code page the system reads names in, standing alone or first
// in a character: a character of its own, a control, or the first of a character of two bytes.
enum NameByte : unsigned char { kByteCharacter, kByteControl, kByteFirstOfTwo };

// Where names are text in a code page of one or two bytes a character (Windows' ANSI code page),
// fills `bytes` with what it makes of each byte and returns true. False where names are UTF-8
// text (Linux, or a Windows set to UTF-8).
bool DescribeNameCodePage(NameByte bytes[256]);

// This process's number, to make names no other run of the program uses at the same time.
unsigned long CurrentProcessNumber();

// The system's text for one of its error codes.
const char *DescribeFileError(int error);
