#include <cerrno>
#include <climits>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/extract/extract.h"
#include "archive_writer.h"
#include "test_support.h"

// Each test runs in a scratch folder of its own, the working directory of ExtractEntry.
class ExtractEntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char *previous = getcwd(nullptr, 0);
        previousFolder_ = previous;
        free(previous);
        folder_ = MakeScratchFolder();
        ASSERT_EQ(chdir(folder_.path.c_str()), 0);
    }
    void TearDown() override {
        if (archive_ != nullptr)
            fclose(archive_);
        EXPECT_EQ(chdir(previousFolder_.c_str()), 0);
        RemoveTree(folder_.path);
    }
    // An archive stream over `bytes`, standing at `position`.
    FILE *OpenArchive(const std::string &bytes, long position = 0) {
        archive_ = tmpfile();
        fwrite(bytes.data(), 1, bytes.size(), archive_);
        fseek(archive_, position, SEEK_SET);
        return archive_;
    }
    ScratchFolder folder_;
    std::string previousFolder_;
    FILE *archive_ = nullptr;
};

TEST_F(ExtractEntryTest, CopiesBinaryDataExactlyAndRestoresThePosition) {
    std::string data = AwkwardBinaryData();
    FILE *archive = OpenArchive("head" + data + "tail", 7);
    ExtractOutcome outcome =
        ExtractEntry(archive, "data.bin", 4, static_cast<int32_t>(data.size()));
    EXPECT_EQ(outcome.problem, kExtractWritten);
    EXPECT_EQ(outcome.bytesWritten, static_cast<int64_t>(data.size()));
    EXPECT_EQ(ReadFile("data.bin"), data);
    EXPECT_EQ(ftell(archive), 7);
}

TEST_F(ExtractEntryTest, CopiesEntriesLargerThanOneBlock) {
    std::string data;
    for (int i = 0; i < 200 * 1024 + 3; ++i)
        data += static_cast<char>(i * 7 + i / 251);
    FILE *archive = OpenArchive("xy" + data);
    EXPECT_EQ(ExtractEntry(archive, "big", 2, static_cast<int32_t>(data.size())).problem,
              kExtractWritten);
    EXPECT_EQ(ReadFile("big"), data);
    EXPECT_EQ(ftell(archive), 0);
}

TEST_F(ExtractEntryTest, EmptyAndNegativeFieldsLeaveAnEmptyFile) {
    FILE *archive = OpenArchive("0123456789", 2);
    EXPECT_EQ(ExtractEntry(archive, "zero", 3, 0).problem, kExtractWritten);
    EXPECT_EQ(ExtractEntry(archive, "zero-anywhere", INT_MIN, 0).problem, kExtractWritten);
    EXPECT_EQ(ExtractEntry(archive, "negative", 3, -1).problem, kExtractNegativeSize);
    EXPECT_EQ(ExtractEntry(archive, "most-negative", 3, INT_MIN).problem, kExtractNegativeSize);
    EXPECT_EQ(ExtractEntry(archive, "top-bit", INT_MIN + 3, 4).problem, kExtractNegativeOffset);
    for (const char *name : {"zero", "zero-anywhere", "negative", "most-negative", "top-bit"})
        EXPECT_EQ(ReadFile(name), "") << name;
    EXPECT_EQ(ftell(archive), 2);
}

TEST_F(ExtractEntryTest, DataPastTheEndIsNeverInvented) {
    FILE *archive = OpenArchive("0123456789", 5);
    ExtractOutcome outcome = ExtractEntry(archive, "cut", 6, 100);
    EXPECT_EQ(outcome.problem, kExtractCutShort);
    EXPECT_EQ(outcome.bytesWritten, 4);
    EXPECT_EQ(ReadFile("cut"), "6789");
    EXPECT_EQ(ftell(archive), 5);

    outcome = ExtractEntry(archive, "beyond", 10, INT_MAX);
    EXPECT_EQ(outcome.problem, kExtractCutShort);
    EXPECT_EQ(outcome.bytesWritten, 0);
    EXPECT_EQ(ReadFile("beyond"), "");

    // The next entry copies as if nothing had gone before.
    EXPECT_EQ(ExtractEntry(archive, "after", 0, 3).problem, kExtractWritten);
    EXPECT_EQ(ReadFile("after"), "012");
}

TEST_F(ExtractEntryTest, OverlappingEntriesAndAnExistingFile) {
    WriteFile("same", "an older and much longer content");
    FILE *archive = OpenArchive("abcdefgh");
    EXPECT_EQ(ExtractEntry(archive, "same", 2, 4).problem, kExtractWritten);
    EXPECT_EQ(ReadFile("same"), "cdef");
    EXPECT_EQ(ExtractEntry(archive, "same", 0, 3).problem, kExtractWritten);
    EXPECT_EQ(ReadFile("same"), "abc");
}

TEST_F(ExtractEntryTest, AFolderOfThatNameIsNotOverwritten) {
    ASSERT_EQ(mkdir("taken", 0755), 0);
    FILE *archive = OpenArchive("abcdefgh", 1);
    ExtractOutcome outcome = ExtractEntry(archive, "taken", 0, 4);
    EXPECT_EQ(outcome.problem, kExtractNotCreated);
    EXPECT_EQ(outcome.error, EISDIR);
    EXPECT_EQ(ftell(archive), 1);
}

TEST_F(ExtractEntryTest, ASymbolicLinkUnderTheNameIsNotFollowed) {
    ScratchFolder outside = MakeScratchFolder();
    std::string target = outside.path + "/victim";
    WriteFile(target, "keep me");
    ASSERT_EQ(symlink(target.c_str(), "link"), 0);
    ASSERT_EQ(symlink((outside.path + "/new").c_str(), "dangling"), 0);
    FILE *archive = OpenArchive("abcdefgh");
    EXPECT_EQ(ExtractEntry(archive, "link", 0, 4).problem, kExtractNotCreated);
    EXPECT_EQ(ExtractEntry(archive, "dangling", 0, 4).problem, kExtractNotCreated);
    EXPECT_EQ(ReadFile(target), "keep me");
    EXPECT_EQ(ListFolder(outside.path), std::vector<std::string>{"victim"});
    RemoveTree(outside.path);
}
