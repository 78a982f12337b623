// The program run as a real process, each case in a fresh folder:
//   <root>/work  the working directory, where entries land
//   <root>/in    the archive, so every case also shows that entries land in the
//                working folder, not beside the archive
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive_writer.h"
#include "test_support.h"

static const char kBanner[] = "Quenby\n"
                              "Homepage: https://quenby.example.net/vorn/\n"
                              "Ulvenholt - Vorn Viewer v1.1\n"
                              "\n";
static const char kUsage[] = "VornReader <path>\n";
static const char kPausePrompt[] = "Press any key to continue";

// Standard output up to the pause's prompt, which must come last.
static std::string OutputBeforePause(const RunResult &result) {
    size_t prompt = result.out.rfind(kPausePrompt);
    EXPECT_NE(prompt, std::string::npos) << "no pause at the end of: " << result.out;
    if (prompt == std::string::npos)
        return result.out;
    // The prompt is the last line: at most its own line break follows it.
    std::string prompted = result.out.substr(prompt);
    size_t lastBreak = prompted.back() == '\n' ? prompted.size() - 1 : std::string::npos;
    EXPECT_EQ(prompted.find('\n'), lastBreak) << "output after the pause: " << prompted;
    return result.out.substr(0, prompt);
}

static std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = MakeScratchFolder(PathExists("/dev/shm") ? "/dev/shm" : "/tmp");
        work_ = root_.path + "/work";
        ASSERT_EQ(mkdir(work_.c_str(), 0755), 0);
        ASSERT_EQ(mkdir((root_.path + "/in").c_str(), 0755), 0);
    }
    void TearDown() override { RemoveTree(root_.path); }

    // Writes the archive to <root>/in and runs the program on it from <root>/work.
    RunResult Unpack(const std::string &archive, const RunLimits &limits = RunLimits()) {
        WriteFile(root_.path + "/in/archive.vorn", archive);
        return RunProgram({"../in/archive.vorn"}, work_, limits);
    }
    std::string Entry(const std::string &name) { return ReadFile(work_ + "/" + name); }
    std::vector<std::string> Written() { return ListFolder(work_); }
    // Nothing may appear beside the working folder or the archive.
    void ExpectNothingOutsideWork() {
        EXPECT_EQ(ListFolder(root_.path), (std::vector<std::string>{"in", "work"}));
        EXPECT_EQ(ListFolder(root_.path + "/in"), std::vector<std::string>{"archive.vorn"});
    }

    ScratchFolder root_;
    std::string work_;
};

// --- The command line ---

TEST_F(ProgramTest, NoArgumentPrintsTheUsageLine) {
    RunResult result = RunProgram({}, work_);
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + kUsage);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(Written().empty());
}

TEST_F(ProgramTest, AnArchiveThatCannotBeOpenedPrintsTheUsageLineAndSaysWhy) {
    RunResult result = RunProgram({"missing.vorn"}, work_);
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + kUsage);
    EXPECT_EQ(result.err.rfind("VornReader: cannot open \"missing.vorn\": ", 0), 0u) << result.err;
    EXPECT_EQ(Lines(result.err).size(), 1u);
    EXPECT_EQ(result.status, 2);
}

TEST_F(ProgramTest, AReportTooLongForItsLineIsCutNotOverrun) {
    RunResult result = RunProgram({std::string(9000, 'p')}, work_);
    EXPECT_EQ(result.err.rfind("VornReader: cannot open \"ppp", 0), 0u);
    EXPECT_EQ(result.err.size(), 8191u);
    EXPECT_EQ(Lines(result.err).size(), 1u);
    EXPECT_EQ(result.status, 2);
}

TEST_F(ProgramTest, AFolderIsNotAnArchive) {
    RunResult result = RunProgram({"../in"}, work_);
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + kUsage);
    EXPECT_NE(result.err.find("\"../in\""), std::string::npos) << result.err;
    EXPECT_EQ(Lines(result.err).size(), 1u);
    EXPECT_EQ(result.status, 2);
}

TEST_F(ProgramTest, ArgumentsAfterThePathChangeNothing) {
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({{"one", "1"}}));
    RunResult single = RunProgram({"../in/archive.vorn"}, work_);
    RunResult extra = RunProgram({"../in/archive.vorn", "missing.vorn", "-x"}, work_);
    EXPECT_EQ(extra.out, single.out);
    EXPECT_EQ(extra.err, "");
    EXPECT_EQ(extra.status, 0);
}

// --- The listing ---

TEST_F(ProgramTest, WorkedExampleOfTwoEntries) {
    std::string first(100, 'a'), second(50, 'b');
    std::string archive = EncodeEntryCount(2) + EncodeDirectoryEntry(0, 26, 100) +
                          EncodeDirectoryEntry(0, 126, 50) + first + second +
                          EncodeNameRecord("first.txt") + EncodeNameRecord("second.dat");
    ASSERT_EQ(archive.size(), 206u);
    RunResult result = Unpack(archive);
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + "File has 2 Entries\n"
                                                                "\n"
                                                                "   1 / 2       first.txt\n"
                                                                "   2 / 2      second.dat\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Entry("first.txt"), first);
    EXPECT_EQ(Entry("second.dat"), second);
    ExpectNothingOutsideWork();
}

TEST_F(ProgramTest, NoEntriesPrintsTheBannerAloneWhateverFollows) {
    RunResult result = Unpack(EncodeEntryCount(0) + EncodeDirectoryEntry(1, 2, 3) + "junk");
    EXPECT_EQ(OutputBeforePause(result), kBanner);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Written().empty());
}

TEST_F(ProgramTest, NamesAreRightAlignedInFifteenColumns) {
    RunResult result = Unpack(BuildArchive({{"fourteen-chars", "x"}, {"a", "y"}, {"", "z"}}));
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + "File has 3 Entries\n\n"
                                                                "   1 / 3  fourteen-chars\n"
                                                                "   2 / 3               a\n"
                                                                "   3 / 3                \n");
    EXPECT_EQ(Written(), (std::vector<std::string>{"a", "fourteen-chars"}));
    EXPECT_EQ(result.err, "VornReader: entry 3 \"\": name refused: empty name\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(ProgramTest, FiveDigitEntryNumbersShiftTheLine) {
    // One name for all: each entry overwrites the last, so the run stays quick.
    std::vector<TestEntry> entries(10000, TestEntry{"same", ""});
    entries.back().data = "last";
    RunResult result = Unpack(BuildArchive(entries));
    std::vector<std::string> lines = Lines(OutputBeforePause(result));
    ASSERT_EQ(lines.size(), 4u + 2u + 10000u);
    EXPECT_EQ(lines[4], "File has 10000 Entries");
    EXPECT_EQ(lines[6], "   1 / 10000            same");
    EXPECT_EQ(lines[6 + 9998], "9999 / 10000            same");
    EXPECT_EQ(lines[6 + 9999], "10000 / 10000            same");
    EXPECT_EQ(Entry("same"), "last");
    EXPECT_EQ(result.status, 0);
}

TEST_F(ProgramTest, NamesFollowTheLastRecordsDataNotTheHighestEntry) {
    // The last record's data lies first in the file; the first record's data ends last.
    std::string archive = EncodeEntryCount(2) + EncodeDirectoryEntry(0, 56, 6) +
                          EncodeDirectoryEntry(0, 26, 0) + EncodeNameRecord("high") +
                          EncodeNameRecord("low") + "HIGHER" + EncodeNameRecord("wrong-1") +
                          EncodeNameRecord("wrong-2");
    RunResult result = Unpack(archive);
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + "File has 2 Entries\n\n"
                                                                "   1 / 2            high\n"
                                                                "   2 / 2             low\n");
    EXPECT_EQ(Entry("high"), "HIGHER");
    EXPECT_EQ(Entry("low"), "");
    EXPECT_EQ(result.status, 0);
}

TEST_F(ProgramTest, TagsChangeNothing) {
    std::vector<TestEntry> entries = {{"a", "alpha", 0}, {"b", "beta", 0}};
    RunResult plain = Unpack(BuildArchive(entries));
    std::string a = Entry("a"), b = Entry("b");
    entries[0].tag = 0xFFFFFFFF;
    entries[1].tag = 0x12345678;
    RunResult tagged = Unpack(BuildArchive(entries));
    EXPECT_EQ(tagged.out, plain.out);
    EXPECT_EQ(tagged.status, 0);
    EXPECT_EQ(Entry("a"), a);
    EXPECT_EQ(Entry("b"), b);
}

TEST_F(ProgramTest, AFifteenByteNameWithoutNulIsUsedWhole) {
    std::string archive = EncodeEntryCount(1) + EncodeDirectoryEntry(0, 14, 1) + "Z" +
                          EncodeNameRecord("fifteen-chars-x") + "MORE";
    RunResult result = Unpack(archive);
    EXPECT_EQ(Lines(OutputBeforePause(result)).back(), "   1 / 1 fifteen-chars-x");
    EXPECT_EQ(Entry("fifteen-chars-x"), "Z");
    EXPECT_EQ(result.status, 0);
}

// --- Damaged directories: one report for the archive, then the entries ---

TEST_F(ProgramTest, AnArchiveTooShortForItsCount) {
    for (std::string archive : {std::string(), std::string("\x05")}) {
        RunResult result = Unpack(archive);
        EXPECT_EQ(OutputBeforePause(result), kBanner);
        EXPECT_EQ(result.err,
                  "VornReader: \"../in/archive.vorn\": damaged directory: the entry count needs "
                  "bytes 0 to 1; bytes " +
                      std::to_string(archive.size()) + " to 1 are missing\n");
        EXPECT_EQ(result.status, 1);
    }
}

TEST_F(ProgramTest, AnIncompleteEntryTableLosesEveryName) {
    std::string archive = EncodeEntryCount(3) + EncodeDirectoryEntry(0, 0, 2) + "123456";
    RunResult result = Unpack(archive);
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + "File has 3 Entries\n\n"
                                                                "   1 / 3                \n"
                                                                "   2 / 3                \n"
                                                                "   3 / 3                \n");
    std::vector<std::string> reports = Lines(result.err);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0], "VornReader: \"../in/archive.vorn\": damaged directory: the entry "
                          "table needs bytes 2 to 37; bytes 20 to 37 are missing");
    EXPECT_EQ(reports[3], "VornReader: entry 3 \"\": name refused: empty name");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Written().empty());
}

TEST_F(ProgramTest, ALongNameTableCutShortKeepsEveryNameReadInFull) {
    std::vector<TestEntry> entries(2000, TestEntry{"", ""});
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].name = "n" + std::to_string(i);
    std::string archive = BuildArchive(entries);
    size_t namesAt = 2 + 12 * entries.size();
    archive.resize(namesAt + 15 * 1500 + 7); // names 0 to 1499 whole, 1500 cut
    RunResult result = Unpack(archive);
    std::vector<std::string> lines = Lines(OutputBeforePause(result));
    ASSERT_EQ(lines.size(), 4u + 2u + 2000u);
    EXPECT_EQ(lines[6 + 1499], "1500 / 2000           n1499");
    EXPECT_EQ(lines[6 + 1500], "1501 / 2000                ");
    EXPECT_EQ(Lines(result.err).size(), 1u + 500u);
    EXPECT_EQ(Written().size(), 1500u);
    EXPECT_EQ(result.status, 1);
}

TEST_F(ProgramTest, AnInvalidNameTablePositionLosesEveryName) {
    for (uint32_t offset : {0x7FFFFFFFu, 0x80000000u}) {
        std::string archive = EncodeEntryCount(1) + EncodeDirectoryEntry(0, offset, 1) +
                              EncodeNameRecord("never-read");
        RunResult result = Unpack(archive);
        EXPECT_EQ(Lines(OutputBeforePause(result)).back(), "   1 / 1                ");
        std::vector<std::string> reports = Lines(result.err);
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_NE(reports[0].find("no valid name table position"), std::string::npos);
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(Written().empty());
    }
}

TEST_F(ProgramTest, AnIncompleteNameTableKeepsTheNamesReadInFull) {
    std::string archive = BuildArchive({{"kept", "k"}, {"cut-name", "c"}});
    archive.resize(archive.size() - 5);
    RunResult result = Unpack(archive);
    std::vector<std::string> lines = Lines(OutputBeforePause(result));
    EXPECT_EQ(lines[lines.size() - 2], "   1 / 2            kept");
    EXPECT_EQ(lines.back(), "   2 / 2                ");
    std::vector<std::string> reports = Lines(result.err);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "VornReader: \"../in/archive.vorn\": damaged directory: the name "
                          "table needs bytes 28 to 57; bytes 53 to 57 are missing");
    EXPECT_EQ(Entry("kept"), "k");
    EXPECT_EQ(result.status, 1);
}

// --- Extraction ---

TEST_F(ProgramTest, EntriesRoundTripIntoTheWorkingFolder) {
    std::string binary = AwkwardBinaryData();
    RunResult result = Unpack(BuildArchive(
        {{"binary.dat", binary, 7}, {"empty", ""}, {"text.txt", "line one\r\nline two\n"}}));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Entry("binary.dat"), binary);
    EXPECT_EQ(Entry("empty"), "");
    EXPECT_EQ(Entry("text.txt"), "line one\r\nline two\n");
    ExpectNothingOutsideWork();
}

TEST_F(ProgramTest, OutOfOrderOverlappingAndDuplicateEntries) {
    std::string archive = EncodeEntryCount(3) + EncodeDirectoryEntry(0, 44, 4) +
                          EncodeDirectoryEntry(0, 38, 8) + EncodeDirectoryEntry(0, 40, 8) +
                          "ABCDEFGHIJ" + EncodeNameRecord("dup") + EncodeNameRecord("whole") +
                          EncodeNameRecord("dup");
    // Name table at 40 + 8 = 48, right after the data that starts at 38.
    archive = archive.substr(0, 38) + "ABCDEFGHIJ" + archive.substr(48);
    RunResult result = Unpack(archive);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Entry("whole"), "ABCDEFGH");
    EXPECT_EQ(Entry("dup"), "CDEFGHIJ");
}

TEST_F(ProgramTest, TraversalNamesAreRefusedAndTheRestIsWritten) {
    RunResult result = Unpack(BuildArchive({{"../escape", "1"},
                                            {"/tmp/abs", "2"},
                                            {"..", "3"},
                                            {"sub\\x", "4"},
                                            {"c:x", "5"},
                                            {"in/archive", "6"},
                                            {"ok", "7"}}));
    EXPECT_EQ(Written(), std::vector<std::string>{"ok"});
    EXPECT_EQ(Entry("ok"), "7");
    ExpectNothingOutsideWork();
    EXPECT_FALSE(PathExists("/tmp/abs"));
    std::vector<std::string> reports = Lines(result.err);
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports[0].rfind("VornReader: entry 1 \"../escape\": name refused: ", 0), 0u);
    EXPECT_EQ(reports[5].rfind("VornReader: entry 6 \"in/archive\": name refused: ", 0), 0u);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(Lines(OutputBeforePause(result)).size(), 4u + 2u + 7u);
}

TEST_F(ProgramTest, ControlBytesAreShownEscapedInReports) {
    RunResult result = Unpack(BuildArchive({{"bell\a\x1b[2J", "x"}}));
    EXPECT_EQ(result.err,
              "VornReader: entry 1 \"bell\\x07\\x1B[2J\": name refused: holds a control byte\n");
    EXPECT_TRUE(Written().empty());
}

TEST_F(ProgramTest, AnEntryThatCannotBeCreatedIsListedAndTheNextIsWritten) {
    ASSERT_EQ(mkdir((work_ + "/folder").c_str(), 0755), 0);
    RunResult result = Unpack(BuildArchive({{"folder", "lost"}, {"next", "kept"}}));
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + "File has 2 Entries\n\n"
                                                                "   1 / 2          folder\n"
                                                                "   2 / 2            next\n");
    EXPECT_EQ(result.err.rfind("VornReader: entry 1 \"folder\": file not created: ", 0), 0u)
        << result.err;
    EXPECT_EQ(Lines(result.err).size(), 1u);
    EXPECT_EQ(Entry("next"), "kept");
    EXPECT_EQ(result.status, 1);
}

TEST_F(ProgramTest, NegativeFieldsAreReportedAndLeaveEmptyFiles) {
    // Data at 50, names at 53 after the last record's data.
    std::string archive = EncodeEntryCount(4) + EncodeDirectoryEntry(0, 0x80000000u, 5) +
                          EncodeDirectoryEntry(0, 0, 0xFFFFFFFFu) +
                          EncodeDirectoryEntry(0, 0xFFFFFFF0u, 0) + EncodeDirectoryEntry(0, 50, 3) +
                          "abc" + EncodeNameRecord("far") + EncodeNameRecord("negative") +
                          EncodeNameRecord("zero") + EncodeNameRecord("ok");
    RunResult result = Unpack(archive);
    std::vector<std::string> reports = Lines(result.err);
    ASSERT_EQ(reports.size(), 2u) << result.err;
    EXPECT_EQ(reports[0], "VornReader: entry 1 \"far\": negative offset -2147483648: empty file "
                          "written, 0 of 5 bytes");
    EXPECT_EQ(reports[1], "VornReader: entry 2 \"negative\": negative size -1: empty file written");
    EXPECT_EQ(Entry("far"), "");
    EXPECT_EQ(Entry("negative"), "");
    EXPECT_EQ(Entry("zero"), "");
    EXPECT_EQ(Entry("ok"), "abc");
    EXPECT_EQ(result.status, 1);
}

TEST_F(ProgramTest, DataRunningPastTheEndIsCutNotFilled) {
    std::string archive = EncodeEntryCount(2) + EncodeDirectoryEntry(0, 26, 3) +
                          EncodeDirectoryEntry(0, 29, 0) + "abc" + EncodeNameRecord("short") +
                          EncodeNameRecord("empty");
    // Point "short" at its last byte and claim 2^31 - 1 bytes.
    archive.replace(2 + 4, 8, EncodeDirectoryEntry(0, 28, 0x7FFFFFFF).substr(4));
    RunLimits limits;
    limits.fileSizeBytes = 1 << 20;
    RunResult result = Unpack(archive, TestingWindowsProgram() ? RunLimits() : limits);
    // Everything from byte 28 to the end: "c" and the name table, nothing more.
    EXPECT_EQ(Entry("short"), "c" + archive.substr(29));
    EXPECT_EQ(result.err, "VornReader: entry 1 \"short\": data cut short by the archive's end: 31 "
                          "of 2147483647 bytes written\n");
    EXPECT_EQ(result.status, 1);
}

// --- Platform rules ---

TEST_F(ProgramTest, WindowsDeviceAndAlteredNamesFollowThePlatform) {
    std::vector<TestEntry> entries = {{"CON", "1"},    {"nul.txt", "2"}, {"trailing.", "3"},
                                      {"blank ", "4"}, {"ask?", "5"},    {"lpt1.log", "6"},
                                      {"Conin$", "7"}, {"ok", "8"}};
    RunResult result = Unpack(BuildArchive(entries));
    if (TestingWindowsProgram()) {
        EXPECT_EQ(Written(), std::vector<std::string>{"ok"});
        std::vector<std::string> reports = Lines(result.err);
        ASSERT_EQ(reports.size(), 7u) << result.err;
        EXPECT_EQ(reports[0], "VornReader: entry 1 \"CON\": name refused: a Windows device name");
        EXPECT_EQ(result.status, 1);
    } else {
        EXPECT_EQ(Written(), (std::vector<std::string>{"CON", "Conin$", "ask?", "blank ",
                                                       "lpt1.log", "nul.txt", "ok", "trailing."}));
        EXPECT_EQ(Entry("trailing."), "3");
        EXPECT_EQ(Entry("blank "), "4");
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.status, 0);
    }
}

// --- Resource bounds: nothing is allocated or written from a declared size ---

// Limits that a runaway program would hit: 64 MiB of address space, 8 MiB per file
// (the listing of the largest directory is 2 MiB).
static RunLimits TightLimits() {
    RunLimits limits;
    if (!TestingWindowsProgram() && !TestingSanitizedProgram()) {
        limits.addressSpaceBytes = 64L << 20;
        limits.fileSizeBytes = 8L << 20;
    }
    return limits;
}

static void ExpectSmallMemory(const RunResult &result) {
    if (!TestingWindowsProgram() && !TestingSanitizedProgram()) {
        EXPECT_LT(result.peakMemoryKiB, 8 * 1024);
    }
}

TEST_F(ProgramTest, TheLargestDirectoryFinishesInSmallMemory) {
    std::vector<TestEntry> entries(65535, TestEntry{"e", ""});
    RunResult result = Unpack(BuildArchive(entries), TightLimits());
    std::vector<std::string> lines = Lines(OutputBeforePause(result));
    ASSERT_EQ(lines.size(), 4u + 2u + 65535u);
    EXPECT_EQ(lines.back(), "65535 / 65535               e");
    EXPECT_EQ(result.status, 0);
    ExpectSmallMemory(result);
}

TEST_F(ProgramTest, HugeDeclaredSizesWriteOnlyWhatTheArchiveHolds) {
    const int count = 8;
    std::string table, names;
    for (int i = 0; i < count; ++i) {
        table += EncodeDirectoryEntry(0, static_cast<uint32_t>(i * 16), 0x7FFFFFFF);
        names += EncodeNameRecord("huge" + std::to_string(i));
    }
    // The last entry points the name table right after the entry table.
    table.replace(table.size() - 8, 8, EncodeDirectoryEntry(0, 2 + 12 * count, 0).substr(4));
    std::string archive = EncodeEntryCount(count) + table + names;
    RunResult result = Unpack(archive, TightLimits());
    EXPECT_EQ(Lines(result.err).size(), static_cast<size_t>(count - 1)) << result.err;
    for (int i = 0; i < count - 1; ++i)
        EXPECT_EQ(Entry("huge" + std::to_string(i)), archive.substr(i * 16));
    EXPECT_EQ(Entry("huge7"), "");
    EXPECT_EQ(result.status, 1);
    ExpectSmallMemory(result);
}

TEST_F(ProgramTest, AFailedWriteIsReportedWithTheBytesWritten) {
    if (TestingWindowsProgram())
        GTEST_SKIP() << "a file size limit is set through Linux's setrlimit";
    RunLimits limits;
    limits.fileSizeBytes = 64 * 1024;
    RunResult result =
        Unpack(BuildArchive({{"large", std::string(100 * 1024, 'L')}, {"small", "s"}}), limits);
    EXPECT_EQ(result.err.rfind("VornReader: entry 1 \"large\": write failed: ", 0), 0u)
        << result.err;
    EXPECT_NE(result.err.find("(65536 of 102400 bytes written)"), std::string::npos) << result.err;
    EXPECT_EQ(Entry("small"), "s");
    EXPECT_EQ(result.status, 1);
}
