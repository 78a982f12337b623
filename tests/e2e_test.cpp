// The program run as a real process, each case in a fresh folder:
//   <root>/work  the working directory, where entries land
//   <root>/in    the archive, so every case also shows that entries land in the
//                working folder, not beside the archive
#include <algorithm>
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
    void EmptyWork() {
        for (const std::string &name : Written())
            remove((work_ + "/" + name).c_str());
    }
    // The temporary file (.VornReader-<process>-<n>.tmp) never outlives its entry.
    void ExpectNoTemporaryFile(const std::string &what) {
        for (const std::string &name : Written())
            EXPECT_NE(name.rfind(".VornReader-", 0), 0u) << what << ": " << name << " left";
    }
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
        {"a FIFO nobody writes to, which must not hang",
         {"../in/fifo"},
         "VornReader: cannot read \"../in/fifo\": Illegal seek",
         {},
         false},
    };
    rows[3].options.pipedInput = BuildArchive({{"piped", "p"}});
    ASSERT_EQ(mkfifo((root_.path + "/in/fifo").c_str(), 0600), 0);
    for (const Row &row : rows) {
        if (windows && !row.onWindows) {
            std::cout << "row \"" << row.what << "\" left out: Linux only\n";
            continue;
        }
        RunResult result = RunProgram(row.args, work_, row.options);
        EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) + kUsage) << row.what;
        EXPECT_EQ(result.err.rfind(row.report, 0), 0u) << row.what << ": " << result.err;
        EXPECT_EQ(Lines(result.err).size(), row.report.empty() ? 0u : 1u) << row.what;
        EXPECT_EQ(result.status, 2) << row.what;
        EXPECT_TRUE(Written().empty()) << row.what;
    }
}

// Whatever the address space left for the largest directory, the program answers: the
// directory fits (the tables are cut here, so nothing is written), or "out of memory" with the
// usage line and no file, as for an archive that cannot be read. It never aborts, not even
// where an allocation by the C++ runtime once threw.
TEST_F(ProgramTest, EveryShortageOfMemoryIsAnsweredNotACrash) {
    if (TestingWindowsProgram() || TestingSanitizedProgram())
        GTEST_SKIP() << "an address-space limit is set through Linux's setrlimit (the "
                        "sanitizers' shadow memory rules one out)";
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({}));
    long startUp = StartUpAddressSpace(work_, "../in/archive.vorn");
    WriteFile(root_.path + "/in/archive.vorn", EncodeEntryCount(65535));
    int shortages = 0;
    for (long limit = startUp - (64 << 10); limit < startUp + (2 << 20); limit += 8 << 10) {
        RunOptions options;
        options.addressSpaceBytes = limit;
        RunResult result;
        try {
            result = RunProgram({"../in/archive.vorn"}, work_, options);
        } catch (const std::runtime_error &) {
            continue; // too little to start at all
        }
        bool shortage = result.status == 2 &&
                        result.err == "VornReader: out of memory reading the directory\n" &&
                        OutputBeforePause(result) == std::string(kBanner) + kUsage;
        shortages += shortage ? 1 : 0;
        EXPECT_TRUE(result.status == 1 || shortage)
            << (limit >> 10) << " KiB: status " << result.status << ", signal " << result.signal
            << ": " << result.err;
        EXPECT_TRUE(Written().empty());
    }
    EXPECT_GT(shortages, 0) << "no limit left too little for the directory";
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

// Standard error goes with standard output here: an entry's report comes just before its line.
TEST_F(ProgramTest, NamesAreRightAlignedInFifteenColumns) {
    RunOptions together;
    together.errorsWithOutput = true;
    RunResult result =
        Unpack(BuildArchive({{"fourteen-chars", "x"}, {"a", "y"}, {"", "z"}}), together);
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) +
                                             "File has 3 Entries\n\n"
                                             "   1 / 3  fourteen-chars\n"
                                             "   2 / 3               a\n"
                                             "VornReader: entry 3 \"\": name refused: empty name\n"
                                             "   3 / 3                \n");
    EXPECT_EQ(Written(), (std::vector<std::string>{"a", "fourteen-chars"}));
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
        EmptyWork();
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

// A control would act on the terminal: the listing shows each of its bytes as '?', keeping the
// column's width, and a report shows the exact bytes. C0 controls and DEL, and C1 controls
// raw or in UTF-8, are controls; other bytes print as they are, UTF-8 and Latin-1 alike. Only
// C0 controls are refused in names: the others are written under their exact bytes.
TEST_F(ProgramTest, ControlsNeverReachTheTerminal) {
    // \233 is 0x9B (CSI) in octal, which cannot run on into the "2J" after it.
    std::vector<std::string> names = {
        "bell\a\x1b[4F\x1b[J\xC2\x9B", "del\x7F",    "caf\xE9", "csi\2332J", "utf\302\2332J",
        "\xD0\x96\xD1\x83\xD0\xBA",    "caf\xC3\xA9"};
    std::vector<TestEntry> entries;
    for (const std::string &name : names)
        entries.push_back({name, "data"});
    RunResult result = Unpack(BuildArchive(entries));
    EXPECT_EQ(OutputBeforePause(result), std::string(kBanner) +
                                             "File has 7 Entries\n\n"
                                             "   1 / 7  bell??[4F?[J??\n"
                                             "   2 / 7            del?\n"
                                             "   3 / 7            caf\xE9\n"
                                             "   4 / 7          csi?2J\n"
                                             "   5 / 7         utf??2J\n"
                                             "   6 / 7          \xD0\x96\xD1\x83\xD0\xBA\n"
                                             "   7 / 7           caf\xC3\xA9\n");
    EXPECT_EQ(result.err,
              "VornReader: entry 1 \"bell\\x07\\x1B[4F\\x1B[J\\xC2\\x9B\": name refused: "
              "holds a control byte\n");
    if (!TestingWindowsProgram()) { // Wine maps 8-bit names through UTF-8, not byte for byte
        std::vector<std::string> written(names.begin() + 1, names.end());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(Written(), written);
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
    ExpectNoTemporaryFile("a temporary file");
}

// Standard output that cannot be written is reported once, at the end, and makes the exit
// status 1; every entry is still written, and none of them takes in the listing.
TEST_F(ProgramTest, ALostListingIsReportedAndTheEntriesStillWritten) {
    std::vector<TestEntry> entries(2000, TestEntry{"", "data"});
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].name = "e" + std::to_string(i);
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive(entries));
    // Where the listing ends and the pause's prompt begins, when standard output is a file.
    std::string listing = root_.path + "/listing";
    RunOptions toFile;
    toFile.outputPath = listing;
    RunProgram({"../in/archive.vorn"}, work_, toFile);
    long beforePrompt = static_cast<long>(ReadFile(listing).find("Press any key"));
    EmptyWork();
    struct {
        const char *what;
        RunOptions options;
        const char *reason;
        bool onWindows; // which words the reason its own way, and prints the prompt itself
    } rows[] = {
        {"a full disk", {}, "No space left on device", true},
        {"closed", {}, "Bad file descriptor", false},
        {"a reader that has gone (| head -1)", {}, "Broken pipe", true},
        {"a disk that fills at the pause's prompt", toFile, "File too large", false},
    };
    rows[0].options.outputPath = "/dev/full";
    rows[1].options.outputClosed = true;
    rows[2].options.outputReaderGone = true;
    rows[3].options.fileSizeBytes = beforePrompt;
    for (const auto &row : rows) {
        if (TestingWindowsProgram() && !row.onWindows) {
            std::cout << "row \"" << row.what << "\" left out: Linux only\n";
            continue;
        }
        RunResult result = RunProgram({"../in/archive.vorn"}, work_, row.options);
        std::string report = "VornReader: cannot write standard output: ";
        if (TestingWindowsProgram()) {
            EXPECT_EQ(result.err.rfind(report, 0), 0u) << row.what << ": " << result.err;
            EXPECT_EQ(result.err.find("no reason"), std::string::npos) << result.err;
            EXPECT_EQ(Lines(result.err).size(), 1u) << row.what;
        } else {
            EXPECT_EQ(result.err, report + row.reason + "\n") << row.what;
        }
        EXPECT_EQ(result.status, 1) << row.what;
        std::vector<std::string> written = Written();
        EXPECT_EQ(written.size(), entries.size()) << row.what;
        for (const std::string &name : written)
            EXPECT_EQ(Entry(name), "data") << row.what << ": " << name;
        EmptyWork();
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
    std::vector<TestEntry> entries = {{"CON", "1"},    {"nul.txt", "2"},     {"trailing.", "3"},
                                      {"blank ", "4"}, {"ask?", "5"},        {"lpt1.log", "6"},
                                      {"Conin$", "7"}, {"COM\xC2\xB9", "9"}, {"ok", "8"}};
    RunResult result = Unpack(BuildArchive(entries));
    if (TestingWindowsProgram()) {
        EXPECT_EQ(Written(), std::vector<std::string>{"ok"});
        std::vector<std::string> reports = Lines(result.err);
        ASSERT_EQ(reports.size(), 8u) << result.err;
        EXPECT_EQ(reports[0], "VornReader: entry 1 \"CON\": name refused: a Windows device name");
        EXPECT_EQ(result.status, 1);
    } else {
        EXPECT_EQ(Written(),
                  (std::vector<std::string>{"COM\xC2\xB9", "CON", "Conin$", "ask?", "blank ",
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

// --- Every file call failing in turn; a run ended from outside ---

// The program's file calls as fail_calls.cpp logged them: "<number> <call>[ failed]" a line.
static std::vector<std::string> LoggedCalls(const std::string &log) {
    std::vector<std::string> calls;
    for (const std::string &line : Lines(PathExists(log) ? ReadFile(log) : ""))
        calls.push_back(line.substr(line.find(' ') + 1));
    remove(log.c_str());
    return calls;
}

static std::vector<std::string> FailingCalls(const std::string &log, const std::string &calls,
                                             const std::vector<std::string> &settings) {
    std::vector<std::string> environment = {"LD_PRELOAD=" + FailCallsLibrary(),
                                            "VORN_CALL_LOG=" + log, "VORN_FAIL_CALLS=" + calls};
    environment.insert(environment.end(), settings.begin(), settings.end());
    return environment;
}

static bool IsPrefix(const std::string &part, const std::string &whole) {
    return whole.compare(0, part.size(), part) == 0;
}

// What a report must say when `call` fails, or nullptr where the program takes another way
// and loses nothing: an unnamed file or a copy inside the kernel refused, or the close of the
// archive, which was only read.
static const char *CauseOfFailing(const std::string &call, bool last) {
    if (call == "open-unnamed" || call == "splice" || (call == "close" && last))
        return nullptr;
    if (call == "pread")
        return "archive read failed";
    if (call == "write" || call == "close")
        return "write failed";
    return "file not created"; // open, mknod, linkat, rename
}

// Every file call the program makes (open, positional read, write, splice, close, link,
// rename, remove) fails in turn, one failing call a run, over an archive that holds new names,
// a small entry and one over 1 MiB over existing files, and an entry cut short by the
// archive's end over an existing file; once with unnamed files and copies inside the kernel,
// once without either. After every run: no temporary file; each existing file holds its old
// bytes or the whole entry, never a part; a new name holds at most the entry's bytes; an entry
// not written whole is reported, with the cause of the call that failed; a failed directory
// read gives exit 2 and no entry file. A temporary file that cannot be removed is named.
TEST_F(ProgramTest, EveryFileCallFailingInTurnLosesNothing) {
    if (TestingWindowsProgram() || TestingSanitizedProgram())
        GTEST_SKIP() << "the calls are counted and failed by a library preloaded into the Linux "
                        "program (a sanitized program intercepts them itself)";
    std::string big(1536 * 1024 + 7, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    std::vector<TestEntry> entries = {
        {"new1", "fresh"}, {"small", std::string(100, 's')}, {"big", big},
        {"empty", ""},     {"cut", "cut short here"},        {"new2", "fresh too"}};
    std::string archive = BuildArchive(entries);
    // "cut" claims 2^31 - 1 bytes: the rest of the archive, from its data on.
    size_t cutOffset = archive.size() - 15 * 6 - 9 - 14;
    archive.replace(2 + 12 * 4 + 8, 4, EncodeDirectoryEntry(0, 0, 0x7FFFFFFF).substr(8));
    entries[4].data = archive.substr(cutOffset);
    WriteFile(root_.path + "/in/archive.vorn", archive);
    const std::vector<std::string> existing = {"small", "big", "cut"};
    std::string log = root_.path + "/calls";
    int runs = 0;
    for (const std::vector<std::string> &settings :
         {std::vector<std::string>{}, {"VORN_NO_TMPFILE=1", "VORN_NO_KERNEL_COPY=1"}}) {
        auto unpack = [&](const std::string &failing) {
            EmptyWork();
            for (const std::string &name : existing)
                WriteFile(work_ + "/" + name, "old " + name);
            remove(log.c_str());
            RunOptions options;
            options.environment = FailingCalls(log, failing, settings);
            ++runs;
            return RunProgram({"../in/archive.vorn"}, work_, options);
        };
        RunResult clean = unpack("");
        std::vector<std::string> calls = LoggedCalls(log);
        ASSERT_GT(calls.size(), 20u) << "the preloaded library counted no calls";
        size_t directoryCalls = 1; // the archive's open, then the reads of its directory
        while (calls[directoryCalls] == "pread")
            ++directoryCalls;
        for (size_t failing = 1; failing <= calls.size(); ++failing) {
            RunResult result = unpack(std::to_string(failing));
            std::string call = calls[failing - 1],
                        what = call + " (call " + std::to_string(failing) + ") failing";
            ExpectNoTemporaryFile(what);
            std::vector<std::string> written = Written();
            if (failing <= directoryCalls) {
                EXPECT_EQ(result.status, 2) << what;
                EXPECT_EQ(written, (std::vector<std::string>{"big", "cut", "small"})) << what;
                EXPECT_NE(result.err.find("VornReader: cannot "), std::string::npos) << what;
                continue;
            }
            const char *cause = CauseOfFailing(call, failing == calls.size());
            if (cause == nullptr) {
                EXPECT_EQ(result.err, clean.err) << what;
            } else {
                EXPECT_NE(result.err.find(cause), std::string::npos) << what << "\n" << result.err;
            }
            EXPECT_EQ(result.status, 1) << what;
            for (size_t i = 0; i < entries.size(); ++i) {
                std::string path = work_ + "/" + entries[i].name;
                std::string now = PathExists(path) ? ReadFile(path) : "", old;
                bool wasThere = std::count(existing.begin(), existing.end(), entries[i].name) > 0;
                if (wasThere)
                    old = "old " + entries[i].name;
                bool whole = PathExists(path) && now == entries[i].data;
                EXPECT_TRUE(whole || now == old || (!wasThere && IsPrefix(now, entries[i].data)))
                    << what << ": " << entries[i].name << " holds a part";
                std::string reported = "entry " + std::to_string(i + 1) + " \"";
                EXPECT_TRUE(whole || result.err.find(reported) != std::string::npos)
                    << what << ": " << entries[i].name << " not whole and not reported";
            }
        }
        // A rename that fails, and the removal after it: the report names the file left.
        size_t rename = std::find(calls.begin(), calls.end(), "rename") - calls.begin() + 1;
        RunResult result = unpack(std::to_string(rename) + "," + std::to_string(rename + 1));
        std::string named = "; the temporary file \"";
        size_t at = result.err.find(named) + named.size();
        ASSERT_GT(at, named.size()) << result.err;
        EXPECT_TRUE(PathExists(work_ + "/" + result.err.substr(at, result.err.find('"', at) - at)))
            << result.err;
    }
    std::cout << runs << " runs with file calls failing\n";
}

// A run ended by a signal while an entry replaces an existing file, or by a file-size limit:
// the existing file keeps its bytes and no temporary file is left. The program ends by the
// signal, unless it was started with it ignored; a file-size limit fails the one entry only.
TEST_F(ProgramTest, ARunEndedFromOutsideLeavesNoHalfReplacedFile) {
    if (TestingWindowsProgram() || TestingSanitizedProgram())
        GTEST_SKIP() << "signals are raised by a library preloaded into the Linux program";
    std::string data(100 * 1024, 'N');
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({{"victim", data}, {"after", "a"}}));
    struct Row {
        const char *what;
        int signal;
        bool unnamedFiles, ignored;
        long fileSizeLimit;
    } rows[] = {
        {"SIGTERM, named temporary file", SIGTERM, false, false, 0},
        {"SIGINT, named temporary file", SIGINT, false, false, 0},
        {"SIGHUP, unnamed file", SIGHUP, true, false, 0},
        {"SIGTERM ignored by the caller", SIGTERM, false, true, 0},
        {"a file-size limit", 0, false, false, 64 * 1024},
    };
    for (const Row &row : rows) {
        EmptyWork();
        WriteFile(work_ + "/victim", "old victim");
        RunOptions options;
        options.environment = {"LD_PRELOAD=" + FailCallsLibrary(),
                               "VORN_RAISE=" + std::to_string(row.signal)};
        if (!row.unnamedFiles)
            options.environment.push_back("VORN_NO_TMPFILE=1");
        options.ignoredSignal = row.ignored ? row.signal : 0;
        options.fileSizeBytes = row.fileSizeLimit;
        RunResult result = RunProgram({"../in/archive.vorn"}, work_, options);
        ExpectNoTemporaryFile(row.what);
        if (row.ignored) {
            EXPECT_EQ(result.status, 0) << row.what;
            EXPECT_TRUE(Entry("victim") == data) << row.what;
            continue;
        }
        EXPECT_EQ(Entry("victim"), "old victim") << row.what;
        if (row.signal != 0) {
            EXPECT_EQ(result.signal, row.signal) << row.what;
        } else {
            EXPECT_EQ(result.err, "VornReader: entry 1 \"victim\": write failed: File too large "
                                  "(65536 of 102400 bytes written)\n");
            EXPECT_EQ(Entry("after"), "a");
            EXPECT_EQ(Lines(OutputBeforePause(result)).size(), 4u + 2u + 2u);
            EXPECT_EQ(result.status, 1);
        }
    }
}

// --- The pause ---

// How the program meets a terminal of its own (a pseudo-terminal) in one run.
struct OnTerminal {
    bool outputToFile = false; // standard output a file instead of the terminal
    std::string pipedInput;    // when not empty, standard input a pipe holding these bytes
    const char *key = nullptr; // typed once the pause waits for a key in raw mode
    int signal = 0;            // or sent then
};

struct TerminalRun {
    int ended = 0;      // the wait status
    termios after = {}; // the terminal's settings once the program ended
    std::string unread; // what the program left of its piped input
};

static void ChildOnTerminal(const std::string &side, const std::string &cwd, int input,
                            const OnTerminal &how, const std::vector<std::string> &command) {
    setsid();
    int own = open(side.c_str(), O_RDWR);
    if (own < 0 || ioctl(own, TIOCSCTTY, 0) != 0 || chdir(cwd.c_str()) != 0)
        _exit(127);
    dup2(how.pipedInput.empty() ? own : input, 0);
    dup2(how.outputToFile ? open("out", O_WRONLY | O_CREAT | O_TRUNC, 0600) : own, 1);
    dup2(own, 2);
    ExecCommand(command);
}

// Drains the terminal for up to `seconds`, until `done` says so.
template <typename Done> static bool Await(int terminal, double seconds, Done done) {
    for (int tick = 0; tick < seconds * 100; ++tick) {
        char drained[256];
        while (poll(std::vector<pollfd>{{terminal, POLLIN, 0}}.data(), 1, 0) > 0 &&
               read(terminal, drained, sizeof drained) > 0) {
        }
        if (done())
            return true;
        usleep(10000);
    }
    return false;
}

// Runs the program on its terminal; with a key or a signal, waits until the pause has put the
// terminal in raw mode, then types or sends it. A program that has not ended 10 s later is
// killed (and the case fails).
static TerminalRun RunOnTerminal(const std::vector<std::string> &command, const std::string &cwd,
                                 const OnTerminal &how) {
    int terminal = posix_openpt(O_RDWR | O_NOCTTY), input[2] = {-1, -1};
    EXPECT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
    std::string side = ptsname(terminal);
    int held = open(side.c_str(), O_RDWR | O_NOCTTY); // keeps the terminal after the program
    if (!how.pipedInput.empty()) {
        EXPECT_EQ(pipe(input), 0);
        EXPECT_EQ(write(input[1], how.pipedInput.data(), how.pipedInput.size()),
                  static_cast<ssize_t>(how.pipedInput.size()));
        close(input[1]);
    }
    pid_t child = fork();
    if (child == 0)
        ChildOnTerminal(side, cwd, input[0], how, command);
    TerminalRun run;
    if (how.key != nullptr || how.signal != 0) {
        EXPECT_TRUE(Await(terminal, 10, [&] {
            return tcgetattr(held, &run.after) == 0 && !(run.after.c_lflag & ICANON);
        })) << "the pause never put the terminal in raw mode";
        if (how.key != nullptr)
            EXPECT_EQ(write(terminal, how.key, 1), 1);
        else
            kill(child, how.signal);
    }
    bool ended = Await(terminal, 10, [&] { return waitpid(child, &run.ended, WNOHANG) == child; });
    EXPECT_TRUE(ended) << "the program still waited 10 s on";
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &run.ended, 0);
    }
    tcgetattr(held, &run.after);
    if (input[0] >= 0) {
        fcntl(input[0], F_SETFL, O_NONBLOCK);
        char left[256];
        for (ssize_t got; (got = read(input[0], left, sizeof left)) > 0;)
            run.unread.append(left, static_cast<size_t>(got));
        close(input[0]);
    }
    close(held);
    close(terminal);
    return run;
}

// The pause waits for one key only for a person: standard input and output both the terminal,
// the program in its foreground. It reads nothing else, and keeps no script waiting. However
// the wait ends, the terminal gets its line editing and echo back; a signal ends the program
// by that signal, so its caller knows it was interrupted.
TEST_F(ProgramTest, ThePauseWaitsOnlyForAPersonAtTheTerminal) {
    if (TestingWindowsProgram())
        GTEST_SKIP() << "on Windows the pause is the command interpreter's";
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({{"one", "1"}}));
    struct Row {
        const char *what;
        OnTerminal how;
        int endedBy; // the signal, or 0 for exit status 0
    } rows[] = {
        {"a key typed", {}, 0},
        {"Ctrl-C typed", {}, SIGINT},
        {"SIGTERM", {}, SIGTERM},
        {"SIGHUP", {}, SIGHUP},
        {"standard output a file: no wait", {}, 0},
        {"standard input a pipe: nothing read, no wait", {}, 0},
    };
    rows[0].how.key = "x";
    rows[1].how.key = "\x03";
    rows[2].how.signal = SIGTERM;
    rows[3].how.signal = SIGHUP;
    rows[4].how.outputToFile = true;
    rows[5].how.pipedInput = "first line of a list\nsecond\n";
    for (const Row &row : rows) {
        TerminalRun run = RunOnTerminal(ProgramCommand({"../in/archive.vorn"}), work_, row.how);
        EXPECT_TRUE(run.after.c_lflag & ICANON) << row.what << ": line editing not restored";
        EXPECT_TRUE(run.after.c_lflag & ECHO) << row.what << ": echo not restored";
        if (row.endedBy != 0) {
            EXPECT_TRUE(WIFSIGNALED(run.ended) && WTERMSIG(run.ended) == row.endedBy) << row.what;
        } else {
            EXPECT_TRUE(WIFEXITED(run.ended) && WEXITSTATUS(run.ended) == 0) << row.what;
        }
        EXPECT_EQ(run.unread, row.how.pipedInput) << row.what;
    }
    std::string toFile = ReadFile(work_ + "/out");
    EXPECT_EQ(toFile.substr(toFile.size() - 33), "Press any key to continue . . . \n");
}
