// The file calls in memory, for the in-memory fuzz target: files are nodes of bytes, the
// folder maps names to nodes, handles open nodes, and the chosen call fails with EIO.
#include "files_memory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "archive/files/files.h"
#include "archive/files/interrupt.h"

namespace {

const FileHandle kArchiveHandle = 1, kFirstFileHandle = 2;

const uint8_t *archiveBytes = nullptr;
size_t archiveSize = 0;
MemorySystem run;
std::vector<MemoryNode> nodes;
std::map<std::string, size_t> names; // the folder: name to node
std::vector<size_t> handles;         // an open file's node, by handle - kFirstFileHandle
unsigned calls = 0;
MemoryCall failed = kNoCall;
bool entriesBegan = false, failedAfterEntries = false;
int takenNamesLeft = 0;
const char *markedForRemoval = nullptr;
bool deferring = false;
std::set<std::string> made; // names this run made
std::string madeDeferred;   // the name made while ending signals are deferred
std::string markProblem;

// Counts the call; true, with *error set, when it is the one to fail.
bool Fails(MemoryCall call, int *error) {
    if (++calls != run.failingCall)
        return false;
    failed = call;
    failedAfterEntries = entriesBegan;
    *error = EIO;
    return true;
}

size_t NewNode() {
    nodes.push_back(MemoryNode{false, std::string()});
    return nodes.size() - 1;
}

FileHandle Open(size_t node) {
    handles.push_back(node);
    return kFirstFileHandle + static_cast<FileHandle>(handles.size() - 1);
}

MemoryNode &NodeOf(FileHandle file) {
    return nodes[handles[static_cast<size_t>(file - kFirstFileHandle)]];
}

// A temporary name, the reader's or the writer's: ASCII, and longer than any entry's name of
// ASCII alone. An entry's name decoded from code page 1252 can be as long and start the same
// (".Vorn\xAE..."), but holds a character past ASCII.
bool IsTemporary(const char *name) {
    size_t length = strlen(name);
    bool ascii = std::all_of(name, name + length, [](char c) { return c > 0; });
    return ascii && length > 15 &&
           (strncmp(name, ".VornReader-", 12) == 0 || strncmp(name, ".VornWriter-", 12) == 0) &&
           strcmp(name + length - 4, ".tmp") == 0;
}

// A file being written must be marked for removal from the moment it has a name: it is made
// while the ending signals are deferred, and marked before they resume.
void Named(const char *name) {
    made.insert(name);
    if (deferring)
        madeDeferred = name;
    else
        markProblem = std::string("made while ending signals were not deferred: ") + name;
}

// Something exists under the name: a file or folder, or another run's temporary file.
bool Exists(const char *name, int *error) {
    bool taken = takenNamesLeft > 0 && IsTemporary(name);
    takenNamesLeft -= taken ? 1 : 0;
    if (!taken && names.count(name) == 0)
        return false;
    *error = EEXIST;
    return true;
}

} // namespace

void StartMemoryRun(const uint8_t *archive, size_t size, const MemorySystem &setUp) {
    archiveBytes = archive;
    archiveSize = size;
    run = setUp;
    nodes.clear();
    names.clear();
    handles.clear();
    for (const auto &existing : setUp.folder) {
        nodes.push_back(existing.second);
        names[existing.first] = nodes.size() - 1;
    }
    calls = 0;
    failed = kNoCall;
    entriesBegan = failedAfterEntries = false;
    takenNamesLeft = setUp.temporaryNamesTaken ? 100 : 0;
    markedForRemoval = nullptr;
    deferring = false;
    made.clear();
    madeDeferred.clear();
    markProblem.clear();
}

std::map<std::string, MemoryNode> MemoryFolder() {
    std::map<std::string, MemoryNode> folder;
    for (const auto &name : names)
        folder[name.first] = nodes[name.second];
    return folder;
}

void EndMemoryRun() {
    std::vector<MemoryNode>().swap(nodes);
    names.clear();
    std::vector<size_t>().swap(handles);
    run.folder.clear();
    made.clear();
    markProblem.clear();
    markProblem.shrink_to_fit();
}

MemoryCall FailedMemoryCall() {
    return failed;
}

bool FailedAfterEntriesBegan() {
    return failedAfterEntries;
}

// A file in place is kept by the end of the run (KeepPlacedFile).
const std::string &RemovalMarkProblem() {
    if (markProblem.empty() && markedForRemoval != nullptr)
        markProblem = std::string("still marked after the run: ") + markedForRemoval;
    return markProblem;
}

bool UsesWindowsFileNames() {
    return run.windowsNames;
}

// A name in the folder opens that node; any other is the run's archive.
bool OpenFileToRead(const char *name, FileHandle *file, int *error) {
    if (Fails(kOpenArchive, error))
        return false;
    auto found = names.find(name);
    *file = found == names.end() ? kArchiveHandle : Open(found->second);
    return true;
}

// The bytes a handle reads: the archive's, or its node's.
struct Readable {
    const char *data;
    size_t size;
};

Readable ReadableBytes(FileHandle file) {
    if (file == kArchiveHandle)
        return Readable{reinterpret_cast<const char *>(archiveBytes), archiveSize};
    const std::string &bytes = NodeOf(file).bytes;
    return Readable{bytes.data(), bytes.size()};
}

// A folder in memory keeps no times: a file's version is its size.
bool RegularFileVersion(FileHandle file, FileVersion *version, int *error) {
    if (file != kArchiveHandle && NodeOf(file).folder) {
        *error = EISDIR;
        return false;
    }
    *version = FileVersion{static_cast<int64_t>(ReadableBytes(file).size), 0, 0};
    return true;
}

bool ReadableFileVersion(const char *name, FileVersion *version, int *error) {
    auto found = names.find(name);
    if (Fails(kOpenArchive, error))
        return false;
    if (found == names.end() || nodes[found->second].folder) {
        *error = found == names.end() ? ENOENT : EISDIR;
        return false;
    }
    *version = FileVersion{static_cast<int64_t>(nodes[found->second].bytes.size()), 0, 0};
    return true;
}

int64_t ReadFileAt(FileHandle file, void *buffer, size_t length, int64_t position, int *error) {
    if (Fails(kReadArchive, error))
        return -1;
    Readable bytes = ReadableBytes(file);
    size_t from = static_cast<size_t>(position);
    size_t got = from >= bytes.size ? 0 : std::min(length, bytes.size - from);
    if (got > 0)
        memcpy(buffer, bytes.data + from, got);
    return static_cast<int64_t>(got);
}

int64_t CopyFileData(FileHandle from, int64_t position, FileHandle file, size_t length) {
    int error = 0;
    if (!run.kernelCopy || Fails(kCopyData, &error))
        return -1;
    Readable bytes = ReadableBytes(from);
    size_t at = static_cast<size_t>(position);
    size_t got = at >= bytes.size ? 0 : std::min(length, bytes.size - at);
    std::string copied(bytes.data + at, got); // the source may be the node appended to
    NodeOf(file).bytes.append(copied);
    return static_cast<int64_t>(got);
}

bool NameExists(const char *name) {
    int error = 0;
    return Exists(name, &error);
}

// The one folder is the working folder.
bool FolderTakesName(const char *folder, const char *name, int *error) {
    *error = strcmp(folder, ".") != 0 ? ENOENT : name[0] == '\0' ? EISDIR : 0;
    return *error == 0;
}

bool CreateNewFile(const char *name, FileHandle *file, int *error) {
    entriesBegan = true;
    if (Fails(kCreateFile, error) || Exists(name, error))
        return false;
    size_t node = NewNode();
    names[name] = node;
    *file = Open(node);
    Named(name);
    return true;
}

bool IsAlreadyExistsError(int error) {
    return error == EEXIST;
}

bool CreateUnnamedFile(const char *, FileHandle *file) {
    int error = 0;
    entriesBegan = true;
    if (!run.unnamedFiles || Fails(kCreateUnnamed, &error))
        return false;
    *file = Open(NewNode());
    return true;
}

bool NameUnnamedFile(FileHandle file, const char *name, int *error) {
    if (Fails(kNameUnnamed, error) || Exists(name, error))
        return false;
    names[name] = handles[static_cast<size_t>(file - kFirstFileHandle)];
    Named(name);
    return true;
}

bool WriteFileData(FileHandle file, const void *data, size_t length, size_t *written, int *error) {
    *written = 0;
    if (Fails(kWriteFile, error))
        return false;
    NodeOf(file).bytes.append(static_cast<const char *>(data), length);
    *written = length;
    return true;
}

// A close that fails has closed all the same, as on POSIX.
bool CloseFile(FileHandle file, int *error) {
    return !Fails(file == kArchiveHandle ? kCloseArchive : kCloseFile, error);
}

bool ReplaceWithFile(const char *from, const char *to, int *error) {
    if (Fails(kReplaceFile, error))
        return false;
    auto source = names.find(from), target = names.find(to);
    if (source == names.end() || (target != names.end() && nodes[target->second].folder)) {
        *error = source == names.end() ? ENOENT : EISDIR;
        return false;
    }
    names[to] = source->second;
    names.erase(from);
    return true;
}

// As on Windows, whose names it follows: elsewhere the writer's archive is made under its name.
bool CanMoveToNewName() {
    return run.windowsNames;
}

bool MoveToNewName(const char *from, const char *to, int *error) {
    if (Exists(to, error))
        return false;
    return ReplaceWithFile(from, to, error);
}

bool RemoveFile(const char *name, int *error) {
    if (Fails(kRemoveFile, error))
        return false;
    auto found = names.find(name);
    if (found == names.end() || nodes[found->second].folder) {
        *error = found == names.end() ? ENOENT : EISDIR;
        return false;
    }
    names.erase(found);
    return true;
}

// Only a name this run made may be marked: the signal would remove it. The name a file is being
// renamed to is the run's too, once the rename has made it.
void RemoveOnEndingSignal(const char *name, const char *) {
    if (name != nullptr && made.count(name) == 0)
        markProblem = std::string("marked before it was made: ") + name;
    markedForRemoval = name;
}

void DeferEndingSignals() {
    deferring = true;
    madeDeferred.clear();
}

void ResumeEndingSignals() {
    deferring = false;
    if (!madeDeferred.empty() && (markedForRemoval == nullptr || madeDeferred != markedForRemoval))
        markProblem = "made but not marked for removal: " + madeDeferred;
}

// The listing and the reports are not what is checked: they go nowhere, at full speed.
bool IsTerminal(StandardStream) {
    return false;
}

bool WriteStandardStream(StandardStream, const char *, size_t length, size_t *written, int *) {
    *written = length;
    return true;
}

void WriteOutOnEndingSignal(const HeldOutput *) {}

bool DescribeNameCodePage(NameByte *) {
    return false;
}

unsigned long CurrentProcessNumber() {
    return 4242;
}

const char *DescribeFileError(int error) {
    return strerror(error);
}
