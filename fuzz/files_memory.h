// The files module in memory, linked only into the in-memory fuzz target: the working folder is
// a map of names to bytes (or to a folder), the archive is a buffer, and one chosen call can be
// made to fail, so that the program's own listing and extraction run thousands of times a
// second and every byte they leave can be checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

struct MemoryNode {
    bool folder;
    std::string bytes;
};

// What the folder and the system are like for one run.
struct MemorySystem {
    std::map<std::string, MemoryNode> folder; // what exists in the working folder
    bool windowsNames;                        // file names follow Windows' rules
    bool unnamedFiles;                        // the system makes files without a name
    bool kernelCopy;                          // the system copies between files itself
    bool temporaryNamesTaken; // the first 100 temporary names the run tries exist already
    unsigned failingCall;     // this call (counted from 1) fails; 0: none
};

// The calls of this module, as the failing one is told.
enum MemoryCall {
    kNoCall,
    kOpenArchive,
    kReadArchive,
    kCopyData,
    kCreateFile,
    kCreateUnnamed,
    kNameUnnamed,
    kWriteFile,
    kCloseFile,
    kCloseArchive,
    kReplaceFile,
    kRemoveFile,
};

// Starts a run over `archive` (which must outlive it) in `system`.
void StartMemoryRun(const uint8_t *archive, size_t size, const MemorySystem &system);

// The folder as the run left it.
std::map<std::string, MemoryNode> MemoryFolder();

// Lets go of everything the run holds, so that each run frees what it took.
void EndMemoryRun();

// The call that failed, and whether any entry file had been made, or tried, before it.
MemoryCall FailedMemoryCall();
bool FailedAfterEntriesBegan();

// What was wrong with the removal mark of a file being written, if anything: a name made while
// ending signals were not deferred, or not marked by the time they resume, or one marked that
// the run did not make (another run's, or the user's, which a signal would remove).
const std::string &RemovalMarkProblem();
