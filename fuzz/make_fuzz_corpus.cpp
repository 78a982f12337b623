// Writes the fuzzers' seed corpora: small valid and damaged archives for the file-writing
// target (fuzz/corpus/), and the same archives under a few set-ups of the in-memory target's
// system, with a few sets of files for its writer (fuzz/corpus-memory/, laid out as
// fuzz_memory.cpp says).
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "archive_writer.h"
#include "sample_archive.h"
#include "test_support.h"

static std::vector<std::pair<std::string, std::string>> Seeds() {
    std::string two = BuildArchive({{"first.txt", std::string(100, 'a')}, {"second", "bb"}});
    std::string lastFirst = EncodeEntryCount(2) + EncodeDirectoryEntry(0, 56, 6) +
                            EncodeDirectoryEntry(0, 26, 0) + EncodeNameRecord("high") +
                            EncodeNameRecord("low") + "HIGHER";
    // Small entries one after another, then a larger one the window may already hold.
    std::vector<TestEntry> run;
    for (int i = 0; i < 10; ++i)
        run.push_back({"r" + std::to_string(i), std::string(30, static_cast<char>('a' + i))});
    run.push_back({"larger", std::string(70, 'L')});
    return {
        {"empty", ""},
        {"small-run", BuildArchive(run)},
        {"one-byte", "\x01"},
        {"no-entries", EncodeEntryCount(0) + "trailing"},
        {"one-entry", BuildArchive({{"one", "1"}})},
        {"two-entries", two},
        {"sample", BuildArchive(SampleEntries())},
        {"names-after-last-record", lastFirst},
        {"entry-table-cut", two.substr(0, 20)},
        {"name-table-cut", two.substr(0, two.size() - 4)},
        {"name-table-past-end",
         EncodeEntryCount(1) + EncodeDirectoryEntry(0, 0x7FFFFFFF, 1) + EncodeNameRecord("x")},
        {"negative-fields", EncodeEntryCount(3) + EncodeDirectoryEntry(0, 0x80000000u, 5) +
                                EncodeDirectoryEntry(0, 0, 0xFFFFFFFFu) +
                                EncodeDirectoryEntry(0, 38, 0) + EncodeNameRecord("far") +
                                EncodeNameRecord("neg") + EncodeNameRecord("zero")},
        {"data-past-end", EncodeEntryCount(1) + EncodeDirectoryEntry(0, 14, 0x7FFFFFF0) + "abc"},
        {"traversal", BuildArchive({{"../up", "1"},
                                    {"/abs", "2"},
                                    {"..", "3"},
                                    {"a\\b", "4"},
                                    {"c:x", "5"},
                                    {"CON", "6"},
                                    {"LPT\xB3", "8"},
                                    {"com\xC2\xB9.x", "9"},
                                    {"ok", "7"}})},
        {"unterminated-name", EncodeEntryCount(1) + EncodeDirectoryEntry(0, 14, 1) + "Z" +
                                  EncodeNameRecord("fifteen-chars-x") + "MORE"},
        {"duplicates", BuildArchive({{"same", "one"}, {"same", "two"}, {"bell\a", "3"}})},
        // Names in code page 1252, as Windows makes them (both programs make the same files);
        // and in UTF-8, as VornWriter 1.1 made them on Linux, one of them the text of another.
        {"code-page-names", BuildArchive({{"caf\xE9.txt", "1"},
                                          {"\x8Cuvre.txt", "2"},
                                          {"\x80uro-\x81\x9D", "3"},
                                          {"\xE9t\xE9", "4"}})},
        {"utf8-names", BuildArchive({{"\xC3\xA9t\xC3\xA9", "1"}, {"\xE9t\xE9", "2"}})},
    };
}

// The in-memory target's four bytes before the archive.
static const struct {
    const char *name;
    char setUp[4];
} kSystems[] = {
    {"plain", {0, 0, 0, 0}},
    {"windows", {1, 0, 0, 0}},
    {"replacing", {6, '\xFF', 0, 0}},          // every name exists already; unnamed files, copies
    {"folders-failing", {0, '\xFF', 0x55, 9}}, // some names are folders; the ninth call fails
};

// The writer's inputs for the in-memory target: files, as fuzz_memory.cpp lays them out.
static std::string WriterFile(const std::string &name, const std::string &data) {
    return static_cast<char>(name.size()) + name + static_cast<char>(data.size()) + data;
}

static std::vector<std::pair<std::string, std::string>> WriterSeeds() {
    std::string files = WriterFile("a.txt", "hello\n") +
                        WriterFile("dir/big", std::string(200, 'b')) + WriterFile("empty", "") +
                        WriterFile("fifteen-chars-x", "15");
    return {
        {"writer-plain", std::string("\x10\0\0\0", 4) + files},
        {"writer-unnamed-copies", std::string("\x16\0\0\0", 4) + files},
        {"writer-windows-failing", std::string("\x11\0\0\x09", 4) + files},
        {"writer-archive-exists", std::string("\x10\x01\0\0", 4) + files},
        {"writer-refused", std::string("\x10\0\0\0", 4) + WriterFile("a/same", "1") +
                               WriterFile("b/SAME", "2") + WriterFile("CON", "3")},
        // UTF-8 names the code page has, one it lacks, and one that is not UTF-8.
        {"writer-code-page", std::string("\x10\0\0\0", 4) + WriterFile("caf\xC3\xA9", "1") +
                                 WriterFile("\xE2\x82\xAC\xC5\x92", "2") +
                                 WriterFile("\xC5\x91", "3") + WriterFile("\xE9t\xE9", "4")},
        // A name whose bytes in the code page are the UTF-8 of another's (e acute).
        {"writer-read-back-as-another", std::string("\x10\0\0\0", 4) +
                                            WriterFile("\xC3\x83\xC2\xA9", "1") +
                                            WriterFile("\xC3\xA9", "2")},
    };
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: make_fuzz_corpus <folder> <in-memory folder>\n");
        return 2;
    }
    mkdir(argv[1], 0755); // or they are there already
    mkdir(argv[2], 0755);
    for (const auto &seed : WriterSeeds())
        WriteFile(std::string(argv[2]) + "/" + seed.first, seed.second);
    for (const auto &seed : Seeds()) {
        WriteFile(std::string(argv[1]) + "/" + seed.first + ".vorn", seed.second);
        for (const auto &system : kSystems)
            WriteFile(std::string(argv[2]) + "/" + seed.first + "-" + system.name,
                      std::string(system.setUp, 4) + seed.second);
    }
    return 0;
}
