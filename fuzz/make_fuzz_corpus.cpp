// Writes the fuzzer's seed corpus, fuzz/corpus/: small valid and damaged archives.
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
    return {
        {"empty", ""},
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
                                    {"ok", "7"}})},
        {"unterminated-name", EncodeEntryCount(1) + EncodeDirectoryEntry(0, 14, 1) + "Z" +
                                  EncodeNameRecord("fifteen-chars-x") + "MORE"},
        {"duplicates", BuildArchive({{"same", "one"}, {"same", "two"}, {"bell\a", "3"}})},
    };
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_fuzz_corpus <folder>\n");
        return 2;
    }
    mkdir(argv[1], 0755); // or it is there already
    for (const auto &seed : Seeds())
        WriteFile(std::string(argv[1]) + "/" + seed.first + ".vorn", seed.second);
    return 0;
}
