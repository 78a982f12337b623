// The program run as a real process, each case in a fresh folder:
//   <root>/work  the working directory, where entries land
//   <root>/in    the archive, so every case also shows that entries land in the
//                working folder, not beside the archive
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
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
    RunResult Unpack(const std::string &archive, const RunOptions &options = RunOptions()) {
        WriteFile(root_.path + "/in/archive.vorn", archive);
        return RunProgram({"../in/archive.vorn"}, work_, options);
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

// --- The command line, and archives that cannot be read ---

// The smallest address-space limit, to 64 KiB, under which the program unpacks an archive
// of no entries: all it needs before it makes room for a directory.
static long StartUpAddressSpace(const std::string &cwd, const std::string &archive) {
    long fits = 256L << 20, fails = 0;
    while (fits - fails > (64L << 10)) {
        RunOptions options;
        options.addressSpaceBytes = (fits + fails) / 2;
        bool ran = false;
        try {
            ran = RunProgram({archive}, cwd, options).status == 0;
        } catch (const std::runtime_error &) {
            // too little to start at all
        }
        (ran ? fits : fails) = options.addressSpaceBytes;
    }
    return fits;
}

// Each row: the banner, then the usage line, exit status 2, one report line saying why
// (none without a path), and no file made.
TEST_F(ProgramTest, WithoutAReadableArchiveTheUsageLineFollowsTheBanner) {
    struct Row {
        const char *what;
        std::vector<std::string> args;
        std::string report; // how the one report line starts
        RunOptions options;
        bool onWindows;
    };
    bool windows = TestingWindowsProgram();
    std::vector<Row> rows = {
        {"no path", {}, "", {}, true},
        {"a missing file",
         {"missing.vorn"},
         "VornReader: cannot open \"missing.vorn\": ",
         {},
         true},
        {"a folder",
         {"../in"},
         windows ? "VornReader: cannot open \"../in\": "
                 : "VornReader: cannot read \"../in\": Is a directory",
         {},
         true},
        {"an archive that cannot be positioned",
         {"/dev/stdin"},
         "VornReader: cannot read \"/dev/stdin\": Illegal seek",
         {},
         false},
        {"no memory for the directory",
         {"../in/archive.vorn"},
         "VornReader: out of memory reading the directory",
         {},
         false},
    };
    rows[3].options.pipedInput = BuildArchive({{"piped", "p"}});
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({}));
    if (TestingSanitizedProgram()) {
        rows.pop_back(); // the sanitizers' shadow memory rules out an address-space limit
    } else if (!windows) {
        // Room for everything but the largest directory's 1.8 MiB.
        rows[4].options.addressSpaceBytes =
            StartUpAddressSpace(work_, "../in/archive.vorn") + (512L << 10);
        WriteFile(root_.path + "/in/archive.vorn",
                  BuildArchive(std::vector<TestEntry>(65535, TestEntry{"e", ""})));
    }
    for (const Row &row : rows) {
        if (windows && !row.onWindows)
            continue;
        RunResult result = RunProgram(row.args, work_, row.options);
        EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + kUsage) << row.what;
        EXPECT_EQ(result.err.rfind(row.report, 0), 0u) << row.what << ": " << result.err;
        EXPECT_EQ(Lines(result.err).size(), row.report.empty() ? 0u : 1u) << row.what;
        EXPECT_EQ(result.status, 2) << row.what;
        EXPECT_TRUE(Written().empty()) << row.what;
    }
}

TEST_F(ProgramTest, AReportTooLongForItsLineIsCutNotOverrun) {
    RunResult result = RunProgram({std::string(9000, 'p')}, work_);
    EXPECT_EQ(result.err.rfind("VornReader: cannot open \"ppp", 0), 0u);
    EXPECT_EQ(result.err.size(), 8191u);
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

// One line for the archive says which bytes are missing and how many entries that leaves
// without a name; those get no line each, and every entry is still listed.
TEST_F(ProgramTest, ADamagedDirectoryGetsOneReportAndAFullListing) {
    std::vector<TestEntry> many(2000);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = {"n" + std::to_string(i), ""};
    std::string longCut = BuildArchive(many);
    longCut.resize(2 + 12 * many.size() + 15 * 1500 + 7); // names 0 to 1499 whole, 1500 cut
    std::string twoCut = BuildArchive({{"kept", "k"}, {"cut-name", "c"}});
    twoCut.resize(twoCut.size() - 5);
    const std::string hint = " have no name (not a Vorn archive, or cut short)";
    struct {
        const char *what;
        std::string archive, report;
        int count, named;
        std::string lastNamed = ""; // the line of the last entry with a name
    } rows[] = {
        {"count cut", "", "the entry count needs bytes 0 to 1; bytes 0 to 1 are missing", 0, 0},
        {"count cut after a byte", "\x05",
         "the entry count needs bytes 0 to 1; bytes 1 to 1 are missing", 0, 0},
        {"text, not an archive", "not a Vorn archive\n",
         "the entry table needs bytes 2 to 342313; bytes 19 to 342313 are missing; 28526 "
         "entries" +
             hint,
         28526, 0},
        {"name table past the largest position",
         EncodeEntryCount(1) + EncodeDirectoryEntry(0, 0x7FFFFFFF, 1) + EncodeNameRecord("never"),
         "the last entry's offset 2147483647 and size 1 give no valid name table position; 1 "
         "entry has no name (not a Vorn archive, or cut short)",
         1, 0},
        {"name table at a negative position",
         EncodeEntryCount(1) + EncodeDirectoryEntry(0, 0x80000000u, 1) + EncodeNameRecord("never"),
         "the last entry's offset -2147483648 and size 1 give no valid name table position; 1 "
         "entry has no name (not a Vorn archive, or cut short)",
         1, 0},
        {"name table cut", twoCut,
         "the name table needs bytes 28 to 57; bytes 53 to 57 are missing; 1 entry has no name "
         "(not a Vorn archive, or cut short)",
         2, 1, "   1 / 2            kept"},
        {"name table cut past its first chunk", longCut,
         "the name table needs bytes 24002 to 54001; bytes 46509 to 54001 are missing; 500 "
         "entries" +
             hint,
         2000, 1500, "1500 / 2000           n1499"},
    };
    for (const auto &row : rows) {
        RunResult result = Unpack(row.archive);
        EXPECT_EQ(result.err,
                  "VornReader: \"../in/archive.vorn\": damaged directory: " + row.report + "\n")
            << row.what;
        std::vector<std::string> lines = Lines(OutputBeforePause(result));
        ASSERT_EQ(lines.size(), row.count == 0 ? 4u : 6u + row.count) << row.what;
        if (row.named > 0) {
            EXPECT_EQ(lines[6 + row.named - 1], row.lastNamed) << row.what;
        }
        if (row.named < row.count) {
            char nameless[32];
            snprintf(nameless, sizeof nameless, "%4d / %d %15s", row.named + 1, row.count, "");
            EXPECT_EQ(lines[6 + row.named], nameless) << row.what;
        }
        EXPECT_EQ(Written().size(), static_cast<size_t>(row.named)) << row.what;
        EXPECT_EQ(result.status, 1) << row.what;
        for (const std::string &name : Written())
            remove((work_ + "/" + name).c_str());
    }
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
    // The data fills bytes 38 to 47; the last entry ends at 40 + 8 = 48, where the names start.
    std::string archive = EncodeEntryCount(3) + EncodeDirectoryEntry(0, 44, 4) +
                          EncodeDirectoryEntry(0, 38, 8) + EncodeDirectoryEntry(0, 40, 8) +
                          "ABCDEFGHIJ" + EncodeNameRecord("dup") + EncodeNameRecord("whole") +
                          EncodeNameRecord("dup");
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

// A control byte would act on the terminal: the listing shows '?' in its place, keeping the
// column's width, and the report shows the exact bytes. Other bytes print as they are.
TEST_F(ProgramTest, ControlBytesNeverReachTheTerminal) {
    RunResult result =
        Unpack(BuildArchive({{"bell\a\x1b[4F\x1b[J", "x"}, {"del\x7F", "y"}, {"caf\xE9", "z"}}));
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + "File has 3 Entries\n\n"
                                                                "   1 / 3    bell?"
                                                                "?[4F?[J\n"
                                                                "   2 / 3            del?\n"
                                                                "   3 / 3            caf\xE9\n");
    EXPECT_EQ(result.err, "VornReader: entry 1 \"bell\\x07\\x1B[4F\\x1B[J\": name refused: holds "
                          "a control byte\n");
    // Windows keeps names in its own encoding: 0xE9 reaches the disk as UTF-8 under Wine.
    if (TestingWindowsProgram()) {
        EXPECT_EQ(Written().size(), 2u);
    } else {
        EXPECT_EQ(Written(), (std::vector<std::string>{"caf\xE9", "del\x7F"}));
    }
}

// --- What stands under an entry's name ---

// Names, kinds and contents of everything in a folder, links not followed.
static std::string Snapshot(const std::string &folder) {
    std::string shot;
    for (const std::string &name : ListFolder(folder)) {
        std::string path = folder + "/" + name;
        struct stat status;
        lstat(path.c_str(), &status);
        shot += name + " " + std::to_string(status.st_mode) + " ";
        shot += S_ISREG(status.st_mode) ? ReadFile(path) + "\n" : "\n";
    }
    return shot;
}

// An entry's data only ever goes into a file this run created: whatever stands under its
// name is replaced, never written through, and nothing outside the working folder changes.
// Each row puts something under one entry's name (a shell command run in the working
// folder, beside <root>/outside). The archive's own name comes first, so the entries after
// it show that the archive was still read whole.
TEST_F(ProgramTest, WhatStandsUnderAnEntrysNameIsReplacedNeverWrittenThrough) {
    struct Row {
        const char *name;
        const char *occupy;
        bool replaced; // on Linux; the Windows program may instead report the entry
        bool needsRoot;
    };
    const std::vector<Row> rows = {
        {"archive.vorn", "ln ../in/archive.vorn archive.vorn", true, false},
        {"fresh", "true", true, false},
        {"hardlink", "ln ../outside/precious hardlink", true, false},
        {"symlink", "ln -s \"$PWD/../outside/target\" symlink", true, false},
        {"dangling", "ln -s \"$PWD/../outside/nothing-yet\" dangling", true, false},
        {"fifo", "mkfifo fifo", true, false},
        {"folder", "mkdir folder && echo inner >folder/inner", false, false},
        {"readonly", "echo an older, longer content >readonly && chmod 444 readonly", true, false},
        {"device", "mknod device c 1 3", true, true},
        {"mountpoint", "touch mountpoint && mount --bind ../outside/bound mountpoint", false, true},
    };
    std::vector<TestEntry> entries;
    for (const Row &row : rows)
        entries.push_back({row.name, std::string("the data of ") + row.name});
    std::string archive = BuildArchive(entries), outside = root_.path + "/outside";
    WriteFile(root_.path + "/in/archive.vorn", archive);
    ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
    for (const char *name : {"precious", "target", "bound"})
        WriteFile(outside + "/" + name, std::string("outside: ") + name);
    std::string outsideBefore = Snapshot(outside);
    std::vector<const Row *> running;
    for (const Row &row : rows) {
        std::string command = "cd '" + work_ + "' && " + row.occupy + " 2>/dev/null";
        if ((!row.needsRoot || geteuid() == 0) && system(command.c_str()) == 0)
            running.push_back(&row);
        else
            std::cout << "row \"" << row.name << "\" left out: " << row.occupy << " failed\n";
    }

    RunResult result = RunProgram({"archive.vorn"}, work_);
    umount2((work_ + "/mountpoint").c_str(), MNT_DETACH);

    EXPECT_EQ(Snapshot(outside), outsideBefore);
    EXPECT_TRUE(ReadFile(root_.path + "/in/archive.vorn") == archive) << "the archive changed";
    EXPECT_EQ(result.status, 1); // the folder stays
    EXPECT_EQ(Lines(OutputBeforePause(result)).size(), 4u + 2u + rows.size());
    struct stat fresh;
    ASSERT_EQ(lstat((work_ + "/fresh").c_str(), &fresh), 0);
    for (const Row *row : running) {
        std::string path = work_ + "/" + row->name;
        std::string report = "VornReader: entry " + std::to_string(row - rows.data() + 1) + " \"" +
                             row->name + "\": ";
        bool reported = result.err.find(report) != std::string::npos;
        struct stat status;
        bool replaced = lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
                        status.st_nlink == 1 &&
                        ReadFile(path) == "the data of " + std::string(row->name);
        if (!TestingWindowsProgram()) {
            EXPECT_EQ(replaced, row->replaced) << row->name;
        }
        EXPECT_NE(replaced, reported) << row->name << ": written in full, or reported\n"
                                      << result.err;
        if (replaced) {
            EXPECT_EQ(status.st_mode, fresh.st_mode) << row->name << ": not a new file's mode";
        }
    }
    EXPECT_EQ(ReadFile(work_ + "/folder/inner"), "inner\n");
    for (const std::string &name : Written())
        EXPECT_NE(name.rfind(".VornReader-", 0), 0u) << "a temporary file was left: " << name;
}

// Standard output that cannot be written is reported once and makes the exit status 1;
// the entries are still written, and none of them takes in the listing.
TEST_F(ProgramTest, ALostListingIsReportedAndTheEntriesStillWritten) {
    struct {
        const char *what;
        const char *outputPath; // nullptr: closed
        const char *reason;
        bool onWindows; // which words the reason its own way
    } rows[] = {
        {"a full disk", "/dev/full", "No space left on device", true},
        {"closed", nullptr, "Bad file descriptor", false},
    };
    for (const auto &row : rows) {
        if (TestingWindowsProgram() && !row.onWindows)
            continue;
        RunOptions options;
        options.outputPath = row.outputPath != nullptr ? row.outputPath : "";
        options.outputClosed = row.outputPath == nullptr;
        RunResult result = Unpack(BuildArchive({{"kept", "the entry's data"}}), options);
        std::string report = "VornReader: cannot write standard output: ";
        if (TestingWindowsProgram()) {
            EXPECT_EQ(result.err.rfind(report, 0), 0u) << row.what << ": " << result.err;
            EXPECT_EQ(result.err.find("no reason"), std::string::npos) << result.err;
            EXPECT_EQ(Lines(result.err).size(), 1u) << row.what;
        } else {
            EXPECT_EQ(result.err, report + row.reason + "\n") << row.what;
        }
        EXPECT_EQ(result.status, 1) << row.what;
        EXPECT_EQ(Entry("kept"), "the entry's data") << row.what;
        remove((work_ + "/kept").c_str());
    }
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
    RunOptions limits;
    limits.fileSizeBytes = 1 << 20;
    RunResult result = Unpack(archive, TestingWindowsProgram() ? RunOptions() : limits);
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
static RunOptions TightLimits() {
    RunOptions limits;
    if (!TestingWindowsProgram() && !TestingSanitizedProgram()) {
        limits.addressSpaceBytes = 64L << 20;
        limits.fileSizeBytes = 8L << 20;
        limits.measureMemory = true;
    }
    return limits;
}

static void ExpectSmallMemory(const RunResult &result) {
    if (!TestingWindowsProgram() && !TestingSanitizedProgram()) {
        EXPECT_GT(result.peakMemoryKiB, 0);
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
    RunOptions limits;
    limits.fileSizeBytes = 64 * 1024;
    RunResult result =
        Unpack(BuildArchive({{"large", std::string(100 * 1024, 'L')}, {"small", "s"}}), limits);
    EXPECT_EQ(result.err.rfind("VornReader: entry 1 \"large\": write failed: ", 0), 0u)
        << result.err;
    EXPECT_NE(result.err.find("(65536 of 102400 bytes written)"), std::string::npos) << result.err;
    EXPECT_EQ(Entry("small"), "s");
    EXPECT_EQ(result.status, 1);
}

// --- The pause ---

// Runs the program on a terminal of its own (a pseudo-terminal), waits until the pause has
// put the terminal in its raw mode, then ends the wait by `signal`, typed as its key or
// sent. Returns the terminal's settings after the program ended; *ended says how.
static termios InterruptThePause(const std::vector<std::string> &command, const std::string &cwd,
                                 int signal, const char *key, int *ended) {
    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
    std::string side = ptsname(terminal);
    int held = open(side.c_str(), O_RDWR | O_NOCTTY); // keeps the terminal after the program
    pid_t child = fork();
    if (child == 0) {
        setsid();
        int own = open(side.c_str(), O_RDWR);
        if (own < 0 || ioctl(own, TIOCSCTTY, 0) != 0 || chdir(cwd.c_str()) != 0)
            _exit(127);
        dup2(own, 0);
        dup2(own, 1);
        dup2(own, 2);
        ExecCommand(command);
    }
    termios settings = {};
    for (int waited = 0; waited < 1000; ++waited) { // up to 10 s
        char drained[256];
        while (poll(std::vector<pollfd>{{terminal, POLLIN, 0}}.data(), 1, 0) > 0 &&
               read(terminal, drained, sizeof drained) > 0) {
        }
        if (tcgetattr(held, &settings) == 0 && !(settings.c_lflag & ICANON))
            break;
        usleep(10000);
    }
    EXPECT_FALSE(settings.c_lflag & ICANON) << "the pause never put the terminal in raw mode";
    if (key != nullptr)
        EXPECT_EQ(write(terminal, key, 1), 1);
    else
        kill(child, signal);
    waitpid(child, ended, 0);
    tcgetattr(held, &settings);
    close(held);
    close(terminal);
    return settings;
}

// However the wait is ended, the terminal gets its line editing and echo back, and the
// program ends by the signal, so its caller knows it was interrupted.
TEST_F(ProgramTest, AnInterruptedPauseGivesTheTerminalBack) {
    if (TestingWindowsProgram())
        GTEST_SKIP() << "on Windows the pause is the command interpreter's";
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({{"one", "1"}}));
    struct {
        const char *what;
        int signal;
        const char *key; // nullptr: the signal is sent
    } rows[] = {{"Ctrl-C typed", SIGINT, "\x03"},
                {"SIGTERM", SIGTERM, nullptr},
                {"SIGHUP", SIGHUP, nullptr}};
    for (const auto &row : rows) {
        int ended = 0;
        termios after = InterruptThePause(ProgramCommand({"../in/archive.vorn"}), work_, row.signal,
                                          row.key, &ended);
        EXPECT_TRUE(after.c_lflag & ICANON) << row.what << ": line editing not restored";
        EXPECT_TRUE(after.c_lflag & ECHO) << row.what << ": echo not restored";
        EXPECT_TRUE(WIFSIGNALED(ended) && WTERMSIG(ended) == row.signal) << row.what;
    }
}
