// ExtractEntry on its own: an entry's bytes from the archive into its file, whatever the
// order and the sizes of the entries, and never a byte the archive does not hold.
#include <climits>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

#include "archive/extract/extract.h"
#include "archive_writer.h"
#include "test_support.h"

// Each test runs in a scratch folder of its own, the working directory of ExtractEntry;
// the archive lies in another.
class ExtractEntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char *previous = getcwd(nullptr, 0);
        previousFolder_ = previous;
        free(previous);
        folder_ = MakeScratchFolder();
        archiveFolder_ = MakeScratchFolder();
        ASSERT_EQ(chdir(folder_.path.c_str()), 0);
    }
    void TearDown() override {
        int error = 0;
        if (opened_)
            CloseFile(reader_.archive, &error);
        EXPECT_EQ(chdir(previousFolder_.c_str()), 0);
        RemoveTree(folder_.path);
        RemoveTree(archiveFolder_.path);
    }
    void OpenArchive(const std::string &bytes) {
        std::string path = archiveFolder_.path + "/archive";
        WriteFile(path, bytes);
        FileHandle file = -1;
        int error = 0;
        ASSERT_TRUE(OpenFileToRead(path.c_str(), &file, &error));
        reader_ = StartReading(file);
        opened_ = true;
    }
    ExtractOutcome Extract(const char *name, int32_t offset, int32_t size) {
        return ExtractEntry(&reader_, name, DirectoryEntry{0, offset, size});
    }
    ScratchFolder folder_, archiveFolder_;
    std::string previousFolder_;
    ArchiveReader reader_ = {};
    bool opened_ = false;
};

static std::string PatternedBytes(size_t size) {
    std::string data = AwkwardBinaryData();
    for (size_t i = data.size(); i < size; ++i)
        data += static_cast<char>(i * 7 + i / 251);
    return data;
}

// Small entries are written from the window, which starts small and grows while entries
// run on; large ones are moved by the system. Each entry holds exactly its bytes, whatever
// came before it.
TEST_F(ExtractEntryTest, EntriesInAnyOrderAroundTheWindowAndLargerThanIt) {
    const int32_t window = 1 << 20;
    std::string data = PatternedBytes(5 * window / 2);
    OpenArchive(data);
    struct Entry {
        std::string name;
        int32_t offset, size;
    };
    std::vector<Entry> entries = {
        {"first", 10, 1000},            // fills the window from 10
        {"inside", 5000, 3000},         // served from it
        {"awkward", 0, 270},            // before it: read anew
        {"straddles", window - 5, 100}, // elsewhere: read anew
        {"whole-window", 1, window},    // large: moved by the system
        {"larger", 7, window + 12345},
        {"after-large", 20, 30},
        {"last-byte", 5 * window / 2 - 1, 1},
    };
    // Entries just under the size the system moves, one after another: each read into the
    // window is twice the last, and entries keep meeting its end.
    for (int32_t i = 0; i < 40; ++i)
        entries.push_back({"run" + std::to_string(i), 3 + i * 60001, 60001});
    for (const Entry &entry : entries) {
        ExtractOutcome outcome = Extract(entry.name.c_str(), entry.offset, entry.size);
        EXPECT_EQ(outcome.result, kEntryWritten) << entry.name;
        EXPECT_EQ(outcome.bytesWritten, entry.size) << entry.name;
        EXPECT_TRUE(ReadFile(entry.name) == data.substr(entry.offset, entry.size)) << entry.name;
    }
}

// Each entry: what it leaves and how it is judged. An empty file for a size of 0, a negative
// size or a negative offset; never a byte the archive does not hold, whichever way it is
// copied; and the next entry copies as if nothing had gone before.
TEST_F(ExtractEntryTest, EmptyNegativeAndCutEntriesNeverInventBytes) {
    std::string data = PatternedBytes(3 << 20);
    OpenArchive(data);
    struct {
        const char *name;
        int32_t offset, size;
        EntryResult result;
        int64_t held; // bytes the archive holds from offset on, as far as the size goes
    } entries[] = {
        {"zero", 3, 0, kEntryWritten, 0},
        {"zero-anywhere", INT_MIN, 0, kEntryWritten, 0},
        {"negative", 3, -1, kEntryNegativeSize, 0},
        {"most-negative", 3, INT_MIN, kEntryNegativeSize, 0},
        {"top-bit", INT_MIN + 3, 4, kEntryNegativeOffset, 0},
        {"small-cut", (3 << 20) - 4, 100, kEntryCutShort, 4},
        {"block-cut", 1 << 20, 3 << 20, kEntryCutShort, 2 << 20},
        {"beyond", 3 << 20, INT_MAX, kEntryCutShort, 0},
        {"far-beyond", INT_MAX, 2, kEntryCutShort, 0},
        {"after", 0, 3, kEntryWritten, 3},
    };
    for (const auto &entry : entries) {
        ExtractOutcome outcome = Extract(entry.name, entry.offset, entry.size);
        EXPECT_EQ(outcome.result, entry.result) << entry.name;
        EXPECT_EQ(outcome.bytesWritten, entry.held) << entry.name;
        std::string held = entry.held > 0 ? data.substr(entry.offset, entry.held) : "";
        EXPECT_TRUE(ReadFile(entry.name) == held) << entry.name;
    }
}
