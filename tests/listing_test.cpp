// The listing as the program prints it: the command line, the count line and one line per
// entry, a damaged directory's one report, and what a shortage of memory leaves.
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "program_test.h"

// Each row: the arguments, standard output after the banner, how the reports begin (the
// system's words for a cause differ between Linux and Windows) and how many lines they take,
// the exit status; no file is made.
TEST_F(ProgramTest, TheCommandLine) {
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({{"one", "1"}}));
    const std::string listing = "File has 1 Entries\n\n   1 / 1             one\n";
    struct Row {
        const char *what;
        std::string args, output, report; // the arguments, separated by blanks
        int status;
        bool linuxOnly;
        size_t reportBytes = 0; // when not 0, the whole report's length
    };
    bool windows = TestingWindowsProgram();
    std::vector<Row> rows = {
        {"no path", "", kUsage, "VornReader: no archive given\n", 2, false},
        {"a missing file", "missing.vorn", kUsage, "VornReader: cannot open \"missing.vorn\": ", 2,
         false},
        {"a folder", "../in", kUsage,
         windows ? "VornReader: cannot open \"../in\": "
                 : "VornReader: cannot read \"../in\": Is a directory\n",
         2, false},
        {"a FIFO nobody writes to, which must not hang", "../in/fifo", kUsage,
         "VornReader: cannot read \"../in/fifo\": not a regular file\n", 2, true},
        {"a path too long for its report line, which is cut", std::string(9000, 'p'), kUsage,
         "VornReader: cannot open \"ppp", 2, false, 8191},
        {"arguments after the path are named, and change nothing else",
         "../in/archive.vorn b.vorn -x", listing,
         "VornReader: 2 arguments after \"../in/archive.vorn\" are not used (\"b.vorn\", ...): "
         "one archive per run\n",
         0, false},
        {"one argument after the path", "../in/archive.vorn b\x1b.vorn", listing,
         "VornReader: 1 argument after \"../in/archive.vorn\" is not used (\"b\\x1B.vorn\"): one "
         "archive per run\n",
         0, false},
    };
    ASSERT_EQ(mkfifo((root_.path + "/in/fifo").c_str(), 0600), 0);
    for (const Row &row : rows) {
        if (row.linuxOnly && LeftOutOnWindows(row.what))
            continue;
        RunResult result = RunProgram(Words(row.args), work_);
        EXPECT_EQ(OutputBeforePause(result), kBanner + row.output) << row.what;
        EXPECT_EQ(result.err.rfind(row.report, 0), 0u) << row.what << ": " << result.err;
        EXPECT_EQ(Lines(result.err).size(), row.report.empty() ? 0u : 1u) << row.what;
        EXPECT_TRUE(row.reportBytes == 0 || result.err.size() == row.reportBytes) << row.what;
        EXPECT_EQ(result.status, row.status) << row.what;
        EXPECT_EQ(Written().size(), row.status == 0 ? 1u : 0u) << row.what;
        EmptyWork();
    }
}

// Each row: an archive, and the listing after the banner, the reports and the exit status it
// gives, and every file it leaves. Standard error goes with standard output here: an entry's
// report must come just before its line.
TEST_F(ProgramTest, TheListingFollowsTheFormat) {
    std::string first(100, 'a'), second(50, 'b');
    // The worked example: data at 26 and 126, names at 176. Tags are never interpreted.
    std::string worked = EncodeEntryCount(2) + EncodeDirectoryEntry(0xFFFFFFFF, 26, 100) +
                         EncodeDirectoryEntry(0x12345678, 126, 50) + first + second +
                         EncodeNameRecord("first.txt") + EncodeNameRecord("second.dat");
    const std::string workedListing = "File has 2 Entries\n\n"
                                      "   1 / 2       first.txt\n"
                                      "   2 / 2      second.dat\n";
    const auto workedFiles = FilesOf({{"first.txt", first}, {"second.dat", second}});
    // The last record's data lies first in the file; the first record's data ends last.
    std::string lastFirst = EncodeEntryCount(2) + EncodeDirectoryEntry(0, 56, 6) +
                            EncodeDirectoryEntry(0, 26, 0) + EncodeNameRecord("high") +
                            EncodeNameRecord("low") + "HIGHER" + EncodeNameRecord("wrong-1") +
                            EncodeNameRecord("wrong-2");
    // \233 is 0x9B (CSI) in octal, which cannot run on into the "2J" after it.
    std::vector<std::string> controls = {
        "bell\a\x1b[4F\x1b[J\xC2\x9B", "del\x7F",    "caf\xE9", "csi\2332J", "utf\302\2332J",
        "\xD0\x96\xD1\x83\xD0\xBA",    "caf\xC3\xA9"};
    std::vector<TestEntry> controlEntries;
    for (const std::string &name : controls)
        controlEntries.push_back({name, "data"});
    std::vector<TestEntry> codePageEntries = {{"caf\xE9.txt", "1"},
                                              {"\x8Cuvre.txt", "2"},
                                              {"\x80uro.txt", "3"},
                                              {"\x81.txt", "4"},
                                              {std::string(15, '\x80'), "5"}};
    std::string euros;
    for (int i = 0; i < 15; ++i)
        euros += "\xE2\x82\xAC";
    struct Row {
        const char *what;
        std::string archive, output;
        std::map<std::string, std::string> files; // exit status 1 where the output reports
        bool filesOnWindows; // Wine maps 8-bit names through UTF-8, not byte for byte
        // What the Windows program prints instead, where it differs: it lists names as bytes.
        std::string windowsOutput = "";
        // The archive grown, sparse, to this size, and dated this many seconds after 1970:
        // beyond what 32-bit file offsets and times hold.
        int64_t grownTo = 0, dated = 0;
    } rows[] = {
        {"the worked example of two entries", worked, workedListing, workedFiles, true},
        {"no entries, whatever follows",
         EncodeEntryCount(0) + EncodeDirectoryEntry(1, 2, 3) + "junk", "", FilesOf({}), true},
        {"names right-aligned in fifteen columns",
         BuildArchive({{"fourteen-chars", "x"}, {"a", "y"}, {"", "z"}}),
         "File has 3 Entries\n\n"
         "   1 / 3  fourteen-chars\n"
         "   2 / 3               a\n"
         "VornReader: entry 3 \"\": name refused: empty name\n"
         "   3 / 3                \n",
         FilesOf({{"fourteen-chars", "x"}, {"a", "y"}}), true},
        {"names after the last record's data, not the highest entry's", lastFirst,
         "File has 2 Entries\n\n"
         "   1 / 2            high\n"
         "   2 / 2             low\n",
         FilesOf({{"high", "HIGHER"}, {"low", ""}}), true},
        // A control would act on the terminal: the listing shows it as '?' (each byte of it on
        // Windows), keeping the column's width, and a report shows the exact bytes. C0 controls
        // and DEL, and C1 controls raw or in UTF-8, are controls. Only C0 controls are refused.
        // On Linux a name that is not UTF-8 is read in code page 1252 ("caf\xE9" is "café",
        // 0x9B is '›'), and one that is, is kept; on Windows the bytes are the code page's
        // letters, C0 and DEL its only controls here (0xC2 0x9B is "Â›").
        {"controls never reach the terminal", BuildArchive(controlEntries),
         "File has 7 Entries\n\n"
         "VornReader: entry 1 \"bell\\x07\\x1B[4F\\x1B[J\\xC2\\x9B\": name refused: holds a "
         "control byte\n"
         "   1 / 7   bell??[4F?[J?\n"
         "   2 / 7            del?\n"
         "   3 / 7            caf\xC3\xA9\n"
         "   4 / 7          csi\xE2\x80\xBA"
         "2J\n"
         "   5 / 7          utf?2J\n"
         "   6 / 7             \xD0\x96\xD1\x83\xD0\xBA\n"
         "   7 / 7            caf\xC3\xA9\n",
         FilesOf({{"del\x7F", "data"},
                  {"caf\xC3\xA9", "data"},
                  {"csi\xE2\x80\xBA\x32J", "data"},
                  {"utf\302\2332J", "data"},
                  {"\xD0\x96\xD1\x83\xD0\xBA", "data"}}),
         false,
         "File has 7 Entries\n\n"
         "VornReader: entry 1 \"bell\\x07\\x1B[4F\\x1B[J\xC2\x9B\": name refused: holds a "
         "control byte\n"
         "   1 / 7  bell??[4F?[J\xC2\x9B\n"
         "   2 / 7            del?\n"
         "   3 / 7            caf\xE9\n"
         "   4 / 7          csi\x9B"
         "2J\n"
         "   5 / 7         utf\xC2\x9B"
         "2J\n"
         "   6 / 7          \xD0\x96\xD1\x83\xD0\xBA\n"
         "   7 / 7           caf\xC3\xA9\n"},
        // Code page 1252's own characters for 0x80-0x9F, an unassigned byte (a C1 control, as
        // Windows reads it), and 15 bytes (a record without its NUL) that take 45 in UTF-8, the
        // longest name's text; each aligned by its characters. On Windows the letters show as
        // their bytes, and the unassigned byte alone as '?'.
        {"names in code page 1252", BuildArchive(codePageEntries),
         "File has 5 Entries\n\n"
         "   1 / 5        caf\xC3\xA9.txt\n"
         "   2 / 5       \xC5\x92uvre.txt\n"
         "   3 / 5        \xE2\x82\xACuro.txt\n"
         "   4 / 5           ?.txt\n"
         "   5 / 5 " +
             euros + "\n",
         FilesOf({{"caf\xC3\xA9.txt", "1"},
                  {"\xC5\x92uvre.txt", "2"},
                  {"\xE2\x82\xACuro.txt", "3"},
                  {"\xC2\x81.txt", "4"},
                  {euros, "5"}}),
         true,
         "File has 5 Entries\n\n"
         "   1 / 5        caf\xE9.txt\n"
         "   2 / 5       \x8Cuvre.txt\n"
         "   3 / 5        \x80uro.txt\n"
         "   4 / 5           ?.txt\n"
         "   5 / 5 " +
             std::string(15, '\x80') + "\n"},
        {"an archive past 4 GiB, dated 2040", worked, workedListing, workedFiles, true, "",
         INT64_C(5) << 30, INT64_C(2208988800)},
    };
    RunOptions together;
    together.errorsWithOutput = true;
    std::string path = root_.path + "/in/archive.vorn";
    for (const Row &row : rows) {
        WriteFile(path, row.archive);
        timespec times[2] = {{static_cast<time_t>(row.dated), 0},
                             {static_cast<time_t>(row.dated), 0}};
        ASSERT_EQ(row.grownTo > 0 ? truncate(path.c_str(), row.grownTo) : 0, 0) << row.what;
        ASSERT_EQ(row.dated > 0 ? utimensat(AT_FDCWD, path.c_str(), times, 0) : 0, 0) << row.what;
        RunResult result = RunProgram({"../in/archive.vorn"}, work_, together);
        bool windows = TestingWindowsProgram() && !row.windowsOutput.empty();
        EXPECT_EQ(OutputBeforePause(result), kBanner + (windows ? row.windowsOutput : row.output))
            << row.what;
        EXPECT_EQ(result.status, row.output.find("VornReader: ") != std::string::npos ? 1 : 0)
            << row.what;
        if (row.filesOnWindows || !TestingWindowsProgram()) {
            EXPECT_EQ(WrittenFiles(), row.files) << row.what;
        }
        ExpectNothingOutsideWork();
        EmptyWork();
    }
}

// A directory that leaves no entry a name is no archive the program can use: the usage line,
// one report saying why, exit status 2 and no file. One that leaves some entries without a name
// gets one line saying which bytes are missing and how many entries that leaves nameless; they
// get no line each, and every entry is still listed, a nameless one with a blank name however
// freed memory is filled (MALLOC_PERTURB_).
TEST_F(ProgramTest, ADamagedDirectoryGetsOneReport) {
    std::vector<TestEntry> many(2000);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = {"n" + std::to_string(i), ""};
    std::string longCut = BuildArchive(many);
    longCut.resize(2 + 12 * many.size() + 15 * 1500 + 7); // names 0 to 1499 whole, 1500 cut
    std::string two = BuildArchive({{"kept", "k"}, {"cut-name", "c"}}); // names from 28 to 57
    std::string far = BuildArchive({{"big", std::string(5000, 'b')}, {"small", "small!"}});
    struct {
        const char *what;
        std::string archive, report;
        int count, named;
        std::string lastNamed = ""; // the line of the last entry with a name
    } rows[] = {
        {"empty", "", "the entry count needs bytes 0 to 1; the file has 0 bytes", 0, 0},
        {"one byte", "\x05", "the entry count needs bytes 0 to 1; the file has 1 byte", 0, 0},
        {"text, not an archive", "not a Vorn archive\n",
         "the entry table needs bytes 2 to 342313; the file has 19 bytes", 28526, 0},
        {"cut in the entry table", two.substr(0, 20),
         "the entry table needs bytes 2 to 25; the file has 20 bytes", 2, 0},
        {"cut before the first name", two.substr(0, 42),
         "the name table needs bytes 28 to 57; the file has 42 bytes", 2, 0},
        // Names due past the end: the file's own size, not where they start.
        {"cut after the entry table", far.substr(0, 26),
         "the name table needs bytes 5032 to 5061; the file has 26 bytes", 2, 0},
        {"cut in the data", far.substr(0, 1000),
         "the name table needs bytes 5032 to 5061; the file has 1000 bytes", 2, 0},
        {"name table past the largest position",
         EncodeEntryCount(1) + EncodeDirectoryEntry(0, 0x7FFFFFFF, 1) + EncodeNameRecord("never"),
         "the last entry's offset 2147483647 and size 1 give no valid name table position", 1, 0},
        {"name table at a negative position",
         EncodeEntryCount(1) + EncodeDirectoryEntry(0, 0x80000000u, 1) + EncodeNameRecord("never"),
         "the last entry's offset -2147483648 and size 1 give no valid name table position", 1, 0},
        {"name table cut", two.substr(0, 53),
         "the name table needs bytes 28 to 57; bytes 53 to 57 are missing; 1 entry has no name "
         "(not a Vorn archive, or cut short)",
         2, 1, "   1 / 2            kept"},
        {"name table cut past its first chunk", longCut,
         "the name table needs bytes 24002 to 54001; bytes 46509 to 54001 are missing; 500 entries "
         "have no name (not a Vorn archive, or cut short)",
         2000, 1500, "1500 / 2000           n1499"},
    };
    RunOptions perturbed;
    perturbed.environment = {"MALLOC_PERTURB_=165"};
    for (const auto &row : rows) {
        RunResult result = Unpack(row.archive, perturbed);
        std::vector<std::string> lines = Lines(OutputBeforePause(result));
        EXPECT_EQ(Written().size(), static_cast<size_t>(row.named)) << row.what;
        EmptyWork();
        if (row.named == 0) {
            EXPECT_EQ(result.err, "VornReader: \"../in/archive.vorn\": not a Vorn archive, or cut "
                                  "short before its names: " +
                                      row.report + "\n")
                << row.what;
            EXPECT_EQ(OutputBeforePause(result), kBanner + std::string(kUsage)) << row.what;
            EXPECT_EQ(result.status, 2) << row.what;
            continue;
        }
        EXPECT_EQ(result.err,
                  "VornReader: \"../in/archive.vorn\": damaged directory: " + row.report + "\n")
            << row.what;
        ASSERT_EQ(lines.size(), 6u + row.count) << row.what;
        EXPECT_EQ(lines[6 + row.named - 1], row.lastNamed) << row.what;
        char nameless[32];
        snprintf(nameless, sizeof nameless, "%4d / %d %15s", row.named + 1, row.count, "");
        EXPECT_EQ(lines[6 + row.named], nameless) << row.what;
        EXPECT_EQ(result.status, 1) << row.what;
    }
}

// Entry numbers of up to four digits fill four columns, five-digit ones take five. Every entry
// has the same name, so each replaces the last and the run stays quick; a runaway program would
// meet the limits (64 MiB of address space, 8 MiB a file: the listing is 2 MiB).
TEST_F(ProgramTest, TheLargestDirectoryIsListedInSmallMemory) {
    std::vector<TestEntry> entries(65535, TestEntry{"e", ""});
    entries.back().data = "last";
    RunResult result = Unpack(BuildArchive(entries), TightLimits());
    std::vector<std::string> lines = Lines(OutputBeforePause(result));
    ASSERT_EQ(lines.size(), 4u + 2u + 65535u);
    EXPECT_EQ(lines[4], "File has 65535 Entries");
    EXPECT_EQ(lines[6], "   1 / 65535               e");
    EXPECT_EQ(lines[6 + 9998], "9999 / 65535               e");
    EXPECT_EQ(lines[6 + 9999], "10000 / 65535               e");
    EXPECT_EQ(lines.back(), "65535 / 65535               e");
    EXPECT_EQ(Entry("e"), "last");
    EXPECT_EQ(result.status, 0);
    ExpectSmallMemory(result);
}

// The largest directory's two tables take some 1.7 MiB. Given 512 KiB more address space than
// a run without a directory takes (its peak, VmPeak, read by the preloaded library), there is
// no room for them: the program says so, with the usage line, and makes no file, as for an
// archive that cannot be read. Given 4 MiB more, it reads the directory (its name table is cut
// after one name here, so one empty file is made). It never aborts, not even where an
// allocation by the C++ runtime once threw.
TEST_F(ProgramTest, AShortageOfMemoryIsAnsweredNotACrash) {
    if (TestingWindowsProgram() || TestingSanitizedProgram())
        GTEST_SKIP() << "an address-space limit is set through Linux's setrlimit (the "
                        "sanitizers' shadow memory rules one out)";
    std::string log = root_.path + "/vmpeak";
    Unpack(EncodeEntryCount(0), Preloaded({"VORN_VMPEAK_LOG=" + log}));
    std::string peak = ReadFile(log); // "VmPeak:    12345 kB"
    int64_t startUp = std::stoll(peak.substr(peak.find(':') + 1)) << 10;
    std::string archive = EncodeEntryCount(65535);
    for (int i = 0; i < 65535; ++i)
        archive += EncodeDirectoryEntry(0, i < 65534 ? 0 : 2 + 12 * 65535, 0);
    archive += EncodeNameRecord("e");
    struct {
        int64_t more;
        std::string output, report;
        int status;
    } rows[] = {
        {INT64_C(512) << 10, kUsage, "VornReader: out of memory reading the directory\n", 2},
        {INT64_C(4) << 20, "File has 65535 Entries\n\n",
         "VornReader: \"../in/archive.vorn\": damaged directory: the name table needs bytes "
         "786422 to 1769446; bytes 786437 to 1769446 are missing; 65534 entries have no name "
         "(not a Vorn archive, or cut short)\n",
         1},
    };
    for (const auto &row : rows) {
        RunOptions limited = Preloaded({});
        limited.addressSpaceBytes = startUp + row.more;
        RunResult result = Unpack(archive, limited);
        std::string expected = kBanner + row.output;
        EXPECT_EQ(OutputBeforePause(result).substr(0, expected.size()), expected) << row.more;
        EXPECT_EQ(result.err, row.report) << row.more;
        EXPECT_EQ(result.status, row.status) << row.more;
        EXPECT_EQ(Written().size(), row.status == 1 ? 1u : 0u) << row.more;
    }
}
