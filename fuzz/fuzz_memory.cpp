// libFuzzer target: the program's own listing and extraction over a folder kept in memory
// (fuzz/files_memory.cpp), its result and every byte it leaves checked against the
// model of the format (model.cpp), which is written apart from the program.
//
// An input is four bytes that set up the system, then the archive:
//   byte 0  bit 0: Windows' name rules; bit 1: files without a name; bit 2: copies inside
//           the system; bit 3: the first 100 temporary names exist already (another run's)
//   byte 1  which of the first eight entries' names exist in the folder already,
//   byte 2  and which of those are folders rather than files
//   byte 3  the call that fails (counted from 1), or 0 for none; none with taken names
// With byte 0's bit 4 the input is the writer's instead: after the four bytes, files one
// after another (a byte whose low five bits give the name's length, the name, a byte giving
// the data's length, the data; 32 files at most), put in the folder as "in/<name>"; byte 1's
// bit 0 has the archive's name exist already. The writer must make exactly the model's
// archive of them, which the program then reads back into the same files, or refuse as the
// model does; with a failed call, it makes that archive or nothing.
// Archives of more than 32 entries are passed over: their listings cost the time of many
// runs, and the file-writing target (fuzz_unpack.cpp) takes them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "archive/listing/listing.h"
#include "archive/write/write.h"
#include "files_memory.h"
#include "model.h"

namespace {

typedef std::map<std::string, MemoryNode> Folder;

[[noreturn]] void Fail(const char *what, const std::string &name) {
    fprintf(stderr, "fuzz_memory: %s: %s\n", what, name.c_str());
    abort();
}

// ASCII and longer than any entry's name of ASCII alone (15 bytes), so no entry is taken for one.
bool IsTemporaryName(const std::string &name) {
    return name.size() > 15 && name.compare(0, 12, ".VornReader-") == 0 &&
           name.compare(name.size() - 4, 4, ".tmp") == 0 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > 0; });
}

bool Same(const MemoryNode *a, const MemoryNode *b) {
    if (a == nullptr || b == nullptr)
        return a == b;
    return a->folder == b->folder && a->bytes == b->bytes;
}

const MemoryNode *Find(const Folder &folder, const std::string &name) {
    auto found = folder.find(name);
    return found == folder.end() ? nullptr : &found->second;
}

// The names on which two folders differ.
std::vector<std::string> Differences(const Folder &a, const Folder &b) {
    std::vector<std::string> names;
    for (const auto &named : a)
        if (!Same(&named.second, Find(b, named.first)))
            names.push_back(named.first);
    for (const auto &named : b)
        if (Find(a, named.first) == nullptr)
            names.push_back(named.first);
    return names;
}

// The folder as the model leaves it, whether every entry is written in full (what exists in
// the folder can stop one that the archive alone would not), and for each name the last
// entry that writes it: what was there before that entry.
struct Expected {
    Folder folder;
    std::map<std::string, MemoryNode> before;
    std::map<std::string, bool> stoodBefore;
    bool allWritten;
};

Expected RunModel(const ModelArchive &model, const uint8_t *archive, const MemorySystem &system) {
    Expected expected = {system.folder, {}, {}, ModelWritesAll(model, system.windowsNames)};
    bool temporaryNamesTaken = system.temporaryNamesTaken;
    for (const ModelEntry &entry : model.entries) {
        std::string name = ModelFileName(entry.name, system.windowsNames);
        if (!entry.named || ModelRefusesName(name, system.windowsNames))
            continue;
        const MemoryNode *existing = Find(expected.folder, name);
        // A folder is never replaced; the first entry to replace anything tries the temporary
        // names that are taken, and is not written.
        if (existing != nullptr && (existing->folder || temporaryNamesTaken)) {
            expected.allWritten = false;
            temporaryNamesTaken = false;
            continue;
        }
        expected.stoodBefore[name] = existing != nullptr;
        expected.before[name] = existing != nullptr ? *existing : MemoryNode{false, ""};
        expected.folder[name] = MemoryNode{false, ModelData(entry, archive)};
    }
    return expected;
}

// With one call failed, at most the name of the entry it hit may differ from the model: it
// holds what was there before, or nothing where nothing did; never a part of the entry.
void CheckOneEntryLost(const Expected &expected, const Folder &actual) {
    std::vector<std::string> differences = Differences(actual, expected.folder);
    if (differences.empty())
        return;
    if (differences.size() > 1)
        Fail("two names differ from the model after one failed call", differences[1]);
    const std::string &differs = differences[0];
    auto stood = expected.stoodBefore.find(differs);
    if (stood == expected.stoodBefore.end())
        Fail("a name that no entry writes changed", differs);
    const MemoryNode *now = Find(actual, differs), &before = expected.before.at(differs);
    if (stood->second ? !Same(now, &before) : now != nullptr)
        Fail("a failed call left part of a file, or changed what was there", differs);
}

void Check(const ModelArchive &model, const uint8_t *archive, const MemorySystem &system,
           ArchiveResult result) {
    Folder actual = MemoryFolder();
    if (!RemovalMarkProblem().empty())
        Fail("a file being written was not marked for removal as it must be", RemovalMarkProblem());
    // Only a removal that fails (after the rename over a folder did) leaves one, reported.
    MemoryCall failed = FailedMemoryCall();
    for (auto named = actual.begin(); named != actual.end();) {
        if (!IsTemporaryName(named->first)) {
            ++named;
            continue;
        }
        if (failed != kRemoveFile)
            Fail("temporary file left behind", named->first);
        failed = kNoCall;
        named = actual.erase(named);
    }
    Expected expected = RunModel(model, archive, system);
    if (failed == kNoCall || failed == kCreateUnnamed || failed == kCopyData ||
        failed == kCloseArchive) { // nothing is lost: the program takes another way
        std::vector<std::string> differences = Differences(actual, expected.folder);
        if (!differences.empty())
            Fail("the folder differs from the model", differences[0]);
        ArchiveResult modelled = !ModelIsArchive(model) ? kArchiveNotRead
                                 : expected.allWritten  ? kArchiveUnpacked
                                                        : kArchiveIncomplete;
        if (result != modelled)
            Fail("the run's result differs from the model", expected.allWritten ? "all" : "not");
    } else if (!FailedAfterEntriesBegan()) { // the archive could not be opened or read
        if (result != kArchiveNotRead || actual.size() != system.folder.size())
            Fail("an archive that could not be read was unpacked", "");
    } else {
        if (result != kArchiveIncomplete)
            Fail("a failed call was not reported", "");
        CheckOneEntryLost(expected, actual);
    }
}

std::vector<ModelFile> ParseFiles(const uint8_t *data, size_t size) {
    std::vector<ModelFile> files;
    size_t at = 4;
    while (at < size && files.size() < 32) {
        size_t nameLength = data[at++] & 0x1F;
        std::string name(reinterpret_cast<const char *>(data) + at,
                         std::min(nameLength, size - at));
        at += name.size();
        size_t dataLength = at < size ? data[at++] : 0;
        std::string bytes(reinterpret_cast<const char *>(data) + at,
                          std::min(dataLength, size - at));
        at += bytes.size();
        files.push_back({"in/" + std::string(name.c_str()), bytes});
    }
    return files;
}

// Reads the archive back with the program's own reader into an empty folder: every file is
// there again, under its name as the archive holds it (on Linux the same text, in UTF-8).
void ReadBack(const std::string &archive, const std::vector<ModelFile> &files,
              MemorySystem system) {
    system.folder.clear();
    system.failingCall = 0;
    system.temporaryNamesTaken = false;
    StartMemoryRun(reinterpret_cast<const uint8_t *>(archive.data()), archive.size(), system);
    if (ListArchive("../archive") != kArchiveUnpacked)
        Fail("the written archive did not unpack whole", "");
    Folder expected;
    ModelArchive model =
        ModelOfArchive(reinterpret_cast<const uint8_t *>(archive.data()), archive.size());
    for (size_t i = 0; i < files.size(); ++i)
        expected[ModelFileName(model.entries[i].name, system.windowsNames)] =
            MemoryNode{false, files[i].bytes};
    std::vector<std::string> differences = Differences(MemoryFolder(), expected);
    if (!differences.empty())
        Fail("a written file did not come back", differences[0]);
    EndMemoryRun();
}

void CheckWriter(const std::vector<ModelFile> &files, const MemorySystem &system,
                 WriteResult result) {
    if (!RemovalMarkProblem().empty())
        Fail("a file being written was not marked for removal as it must be", RemovalMarkProblem());
    Folder after = MemoryFolder();
    std::string archive, written;
    bool made = ModelWrittenArchive(files, system.windowsNames, &archive);
    const MemoryNode *output = Find(after, "out.vorn");
    if (output != nullptr)
        written = output->bytes;
    after.erase("out.vorn");
    Folder before = system.folder;
    before.erase("out.vorn");
    if (!Differences(after, before).empty())
        Fail("the writer changed a file, or left one", Differences(after, before)[0]);
    if (system.folder.count("out.vorn") > 0) {
        if (result != kArchiveRefused || written != "old")
            Fail("the writer replaced what existed under the archive's name", "out.vorn");
        return;
    }
    if (result == kArchiveMade ? written != archive || !made : output != nullptr)
        Fail("the writer made another archive than the model, or left a part", "out.vorn");
    if (system.failingCall == 0 && result != (made ? kArchiveMade : kArchiveRefused))
        Fail("the writer's result differs from the model", made ? "made" : "refused");
    if (result == kArchiveMade) {
        EndMemoryRun();
        ReadBack(archive, files, system);
    }
}

void RunWriter(const uint8_t *data, size_t size) {
    std::vector<ModelFile> files = ParseFiles(data, size);
    MemorySystem system = {
        {}, (data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0, false, data[3]};
    std::vector<const char *> paths;
    for (const ModelFile &file : files) {
        system.folder[file.path] = MemoryNode{false, file.bytes};
        paths.push_back(file.path.c_str());
    }
    if (data[1] & 1)
        system.folder["out.vorn"] = MemoryNode{false, "old"};
    StartMemoryRun(nullptr, 0, system);
    WriteResult result = WriteArchive("out.vorn", paths.data(), paths.size());
    CheckWriter(files, system, result);
    EndMemoryRun();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size >= 4 && (data[0] & 0x10)) {
        RunWriter(data, size);
        return 0;
    }
    if (size < 4 || (size >= 6 && data[4] + 256 * data[5] > 32))
        return -1;
    const uint8_t *archive = data + 4;
    ModelArchive model = ModelOfArchive(archive, size - 4);
    bool namesTaken = (data[0] & 8) != 0;
    // Taken names and a failing call together would fail two entries.
    MemorySystem system = {
        {},         (data[0] & 1) != 0,       (data[0] & 2) != 0, (data[0] & 4) != 0,
        namesTaken, namesTaken ? 0u : data[3]};
    for (size_t i = 0; i < 8 && i < model.entries.size(); ++i) {
        const ModelEntry &entry = model.entries[i];
        // No file in a folder has an empty name, or one with a '/' (the archive's is such).
        std::string name = ModelFileName(entry.name, system.windowsNames);
        if ((data[1] >> i & 1) && entry.named && !name.empty() &&
            name.find('/') == std::string::npos)
            system.folder[name] = MemoryNode{(data[2] >> i & 1) != 0, "old " + name};
    }
    StartMemoryRun(archive, size - 4, system);
    ArchiveResult result = ListArchive("../archive");
    Check(model, archive, system, result);
    EndMemoryRun();
    return 0;
}
