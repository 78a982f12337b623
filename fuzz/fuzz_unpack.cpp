// libFuzzer target: every input is an archive, unpacked by the program's own code with the
// system's real file calls.
//
//   <sandbox>/archive   the input
//   <sandbox>/scratch/  the working directory, emptied after every input
//
// After each input nothing may exist in the sandbox but those two, and the scratch folder
// must hold exactly the files the model of the format (model.cpp) says, byte for byte: no
// temporary file, nothing else. The program's name rules must agree with the model's, under
// Linux's and Windows' rules alike. Anything else aborts. The sandbox is removed at the end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/extract/names.h"
#include "archive/listing/listing.h"
#include "model.h"

static std::string sandbox;
static std::string scratch;
// libFuzzer's own paths are relative to where it started: return there after each input.
static int startFolder = -1;

static void Fail(const char *what, const std::string &name) {
    fprintf(stderr, "fuzz_unpack: %s: %s\n", what, name.c_str());
    abort();
}

static int RemoveOne(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}

static void RemoveSandbox() {
    nftw(sandbox.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char pattern[] = "/tmp/vorn-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        Fail("cannot make the sandbox", pattern);
    sandbox = pattern;
    atexit(RemoveSandbox);
    scratch = sandbox + "/scratch";
    if (mkdir(scratch.c_str(), 0700) != 0)
        Fail("cannot make the scratch folder", scratch);
    startFolder = open(".", O_RDONLY | O_DIRECTORY);
    if (startFolder < 0)
        Fail("cannot note the starting folder", ".");
    return 0;
}

static void WriteArchive(const uint8_t *data, size_t size) {
    std::string path = sandbox + "/archive";
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        Fail("cannot write the input", path);
}

static void CheckSandboxHoldsOnlyItsOwn() {
    DIR *folder = opendir(sandbox.c_str());
    while (dirent *entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "archive" && name != "scratch")
            Fail("created outside the working folder", name);
    }
    closedir(folder);
}

// Which file each name must end as: the last entry of that name wins.
static std::map<std::string, const ModelEntry *> ExpectedFiles(const ModelArchive &model) {
    std::map<std::string, const ModelEntry *> files;
    for (const ModelEntry &entry : model.entries)
        if (entry.named && !ModelRefusesName(ModelFileName(entry.name, false), false))
            files[ModelFileName(entry.name, false)] = &entry;
    return files;
}

// Checks every file the input left against the model, and removes it.
static void CheckAndEmptyScratch(const ModelArchive &model, const uint8_t *data) {
    std::map<std::string, const ModelEntry *> expected = ExpectedFiles(model);
    DIR *folder = opendir(".");
    while (dirent *entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status;
        if (lstat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            Fail("not a regular file", name);
        auto found = expected.find(name);
        if (found == expected.end())
            Fail("a file the model does not make (a temporary file?)", name);
        std::string bytes(static_cast<size_t>(status.st_size), '\0');
        FILE *file = fopen(name.c_str(), "rb");
        if (file == nullptr || fread(&bytes[0], 1, bytes.size(), file) != bytes.size())
            Fail("cannot read back", name);
        fclose(file);
        if (bytes.size() != found->second->length ||
            memcmp(bytes.data(), data + found->second->from, bytes.size()) != 0)
            Fail("a file does not hold the entry's bytes", name);
        expected.erase(found);
        if (unlink(name.c_str()) != 0)
            Fail("cannot remove", name);
    }
    closedir(folder);
    if (!expected.empty())
        Fail("an entry was not written", expected.begin()->first);
}

// Windows' rules are not in force on Linux: the input's first bytes, taken as a name, are
// judged by the program and the model under both rule sets, so that both are fuzzed.
static void JudgeAsName(const uint8_t *data, size_t size) {
    char name[16] = {};
    memcpy(name, data, size < 15 ? size : 15);
    for (bool windows : {false, true})
        if ((WhyNameRefused(name, windows) != kNameSafe) != ModelRefusesName(name, windows))
            Fail(windows ? "the Windows name rules differ from the model"
                         : "the name rules differ from the model",
                 name);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    JudgeAsName(data, size);
    ModelArchive model = ModelOfArchive(data, size);
    WriteArchive(data, size);
    if (chdir(scratch.c_str()) != 0)
        Fail("cannot enter the scratch folder", scratch);
    ArchiveResult result = ListArchive("../archive");
    ArchiveResult modelled = !ModelIsArchive(model)         ? kArchiveNotRead
                             : ModelWritesAll(model, false) ? kArchiveUnpacked
                                                            : kArchiveIncomplete;
    if (result != modelled)
        Fail("the run's result differs from the model", "../archive");
    CheckSandboxHoldsOnlyItsOwn();
    CheckAndEmptyScratch(model, data);
    if (fchdir(startFolder) != 0)
        Fail("cannot return to the starting folder", ".");
    return 0;
}
