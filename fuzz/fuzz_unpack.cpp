// libFuzzer target: every input is an archive, unpacked by the program's own code.
//
//   <sandbox>/archive   the input
//   <sandbox>/scratch/  the working directory, emptied after every input
//
// After each input nothing may stand in the sandbox but those two, the scratch
// folder may hold only regular files, none may be larger than the input (entries
// hold only bytes that are in the archive), and no temporary file may be left.
// Anything else aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/extract/names.h"
#include "archive/format/format.h"
#include "archive/listing/listing.h"

static std::string sandbox;
static std::string scratch;
// libFuzzer's own paths are relative to where it started: return there after each input.
static int startFolder = -1;

static void Fail(const char *what, const char *name) {
    fprintf(stderr, "fuzz_unpack: %s: %s\n", what, name);
    abort();
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char pattern[] = "/tmp/vorn-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        Fail("cannot make the sandbox", pattern);
    sandbox = pattern;
    scratch = sandbox + "/scratch";
    if (mkdir(scratch.c_str(), 0700) != 0)
        Fail("cannot make the scratch folder", scratch.c_str());
    startFolder = open(".", O_RDONLY | O_DIRECTORY);
    if (startFolder < 0)
        Fail("cannot note the starting folder", ".");
    return 0;
}

static void WriteArchive(const uint8_t *data, size_t size) {
    std::string path = sandbox + "/archive";
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        Fail("cannot write the input", path.c_str());
}

static void CheckSandboxHoldsOnlyItsOwn() {
    DIR *folder = opendir(sandbox.c_str());
    while (dirent *entry = readdir(folder)) {
        const char *name = entry->d_name;
        if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0 && strcmp(name, "archive") != 0 &&
            strcmp(name, "scratch") != 0)
            Fail("created outside the working folder", name);
    }
    closedir(folder);
}

// Checks every file the input left and removes it.
static void CheckAndEmptyScratch(size_t inputSize) {
    DIR *folder = opendir(".");
    while (dirent *entry = readdir(folder)) {
        const char *name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
            continue;
        struct stat status;
        if (lstat(name, &status) != 0 || !S_ISREG(status.st_mode))
            Fail("not a regular file", name);
        if (static_cast<uint64_t>(status.st_size) > inputSize)
            Fail("file larger than the archive", name);
        if (strncmp(name, ".VornReader-", 12) == 0)
            Fail("temporary file left behind", name);
        if (unlink(name) != 0)
            Fail("cannot remove", name);
    }
    closedir(folder);
}

// The Windows name rules are not in force on Linux: judge the input's first bytes,
// taken as a name record, under both rule sets so that they are fuzzed too.
static void JudgeAsName(const uint8_t *data, size_t size) {
    unsigned char raw[kNameRecordBytes] = {};
    memcpy(raw, data, size < sizeof raw ? size : sizeof raw);
    NameRecord record = DecodeNameRecord(raw);
    const char *reason = FindUnsafeNameReason(record.name, true);
    if (FindUnsafeNameReason(record.name, false) != nullptr && reason == nullptr)
        Fail("a name refused everywhere passes the Windows rules", record.name);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    JudgeAsName(data, size);
    WriteArchive(data, size);
    if (chdir(scratch.c_str()) != 0)
        Fail("cannot enter the scratch folder", scratch.c_str());
    if (ListArchive("../archive") == kArchiveNotRead)
        Fail("an archive that exists was not read", "../archive");
    CheckSandboxHoldsOnlyItsOwn();
    CheckAndEmptyScratch(size);
    if (fchdir(startFolder) != 0)
        Fail("cannot return to the starting folder", ".");
    return 0;
}
