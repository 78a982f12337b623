// What lands on disk: every entry's file as the archive has it, names refused, what exists
// under a name replaced and never written through, and every way a run can break.
#include <algorithm>
#include <csignal>
#include <cstring>
#include <iostream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "program_test.h"

// Each row: an archive, every file it leaves in the working folder, its reports and its exit
// status; every entry is listed, and nothing is made outside the working folder.
TEST_F(ProgramTest, EntriesLandAsTheArchiveHasThem) {
    // The data fills bytes 38 to 47; the last entry ends at 40 + 8 = 48, where the names start.
    std::string overlapping = EncodeEntryCount(3) + EncodeDirectoryEntry(0, 44, 4) +
                              EncodeDirectoryEntry(0, 38, 8) + EncodeDirectoryEntry(0, 40, 8) +
                              "ABCDEFGHIJ" + EncodeNameRecord("dup") + EncodeNameRecord("whole") +
                              EncodeNameRecord("dup");
    // Data at 74, names at 77 after the last record's data; the first offset and the second
    // size are the most negative, the fourth offset lies at the largest position.
    std::string negative =
        EncodeEntryCount(6) + EncodeDirectoryEntry(0, 0x80000000u, 5) +
        EncodeDirectoryEntry(0, 0, 0x80000000u) + EncodeDirectoryEntry(0, 0, 0xFFFFFFFFu) +
        EncodeDirectoryEntry(0, 0x7FFFFFFF, 2) + EncodeDirectoryEntry(0, 0xFFFFFFF0u, 0) +
        EncodeDirectoryEntry(0, 74, 3) + "abc" + EncodeNameRecord("far") +
        EncodeNameRecord("least") + EncodeNameRecord("negative") + EncodeNameRecord("end") +
        EncodeNameRecord("zero") + EncodeNameRecord("ok");
    std::vector<TestEntry> negativeFiles = {{"far", ""}, {"least", ""}, {"negative", ""},
                                            {"end", ""}, {"zero", ""},  {"ok", "abc"}};
    // "head" holds the entry count, from offset 0; "short" points at the last data byte and
    // claims 2^31 - 1 bytes: it gets "c" and the name table, nothing more.
    std::string pastEnd = EncodeEntryCount(3) + EncodeDirectoryEntry(0, 0, 2) +
                          EncodeDirectoryEntry(0, 40, 0x7FFFFFFF) + EncodeDirectoryEntry(0, 41, 0) +
                          "abc" + EncodeNameRecord("head") + EncodeNameRecord("short") +
                          EncodeNameRecord("empty");
    // Small and large entries, the large one copied through the buffer when the kernel copies
    // nothing, and when there is no descriptor left for its pipe.
    std::string big(70 << 10, 'B');
    std::vector<TestEntry> mixed = {{"a", "small a"}, {"big", big}, {"c", "small c"}};
    RunOptions copiedByTheProgram = Preloaded({"VORN_NO_KERNEL_COPY=1"}), fewDescriptors;
    fewDescriptors.openFiles = 5; // standard input, output and error, the archive, an entry
    const std::string path = ": name refused: holds '/', '\\' or ':' (a path, drive or stream)\n";
    // One name for each rule Windows adds.
    std::vector<TestEntry> platformNames = {
        {"CON", "1"}, {"trailing.", "2"}, {"ask?", "3"}, {"ok", "4"}};
    enum Platform { kEverywhere, kLinuxOnly, kWindowsOnly };
    struct Row {
        const char *what;
        std::string archive;
        std::map<std::string, std::string> files;
        std::string reports; // and exit status 1; none, and 0
        Platform platform;
        RunOptions options = {};
    } rows[] = {
        {"out of order, overlapping and duplicate entries: the later one wins", overlapping,
         FilesOf({{"whole", "ABCDEFGH"}, {"dup", "CDEFGHIJ"}}), "", kEverywhere},
        {"names that reach outside the working folder are refused",
         BuildArchive({{"../escape", "1"}, {"/tmp/abs", "2"}, {"..", "3"}, {"ok", "7"}}),
         FilesOf({{"ok", "7"}}),
         "VornReader: entry 1 \"../escape\"" + path + "VornReader: entry 2 \"/tmp/abs\"" + path +
             "VornReader: entry 3 \"..\": name refused: names a folder\n",
         kEverywhere},
        {"negative fields leave empty files; an offset past the end, too", negative,
         FilesOf(negativeFiles),
         "VornReader: entry 1 \"far\": negative offset -2147483648: empty file written, 0 of 5 "
         "bytes\n"
         "VornReader: entry 2 \"least\": negative size -2147483648: empty file written\n"
         "VornReader: entry 3 \"negative\": negative size -1: empty file written\n"
         "VornReader: entry 4 \"end\": data cut short by the archive's end: 0 of 2 bytes written\n",
         kEverywhere},
        {"data running past the archive's end is cut, not filled", pastEnd,
         FilesOf({{"head", pastEnd.substr(0, 2)}, {"short", pastEnd.substr(40)}, {"empty", ""}}),
         "VornReader: entry 2 \"short\": data cut short by the archive's end: 46 of 2147483647 "
         "bytes written\n",
         kEverywhere, TightLimits()},
        {"no copies inside the kernel: the buffer copies", BuildArchive(mixed), FilesOf(mixed), "",
         kLinuxOnly, copiedByTheProgram},
        {"no descriptor left for a pipe: the buffer copies", BuildArchive(mixed), FilesOf(mixed),
         "", kLinuxOnly, fewDescriptors},
        {"Windows' device names and altered names are ordinary names on Linux",
         BuildArchive(platformNames), FilesOf(platformNames), "", kLinuxOnly},
        {"Windows' device names and altered names are refused on Windows",
         BuildArchive(platformNames), FilesOf({{"ok", "4"}}),
         "VornReader: entry 1 \"CON\": name refused: a Windows device name\n"
         "VornReader: entry 2 \"trailing.\": name refused: ends in '.' or ' ', which Windows "
         "drops\n"
         "VornReader: entry 3 \"ask?\": name refused: holds a character Windows forbids in names "
         "(< > \" | ? *)\n",
         kWindowsOnly},
    };
    for (const Row &row : rows) {
        if (row.platform == (TestingWindowsProgram() ? kLinuxOnly : kWindowsOnly) ||
            (!row.options.environment.empty() && !PreloadReachesProgram()))
            continue;
        RunResult result = Unpack(row.archive, row.options);
        EXPECT_EQ(WrittenFiles(), row.files) << row.what;
        EXPECT_EQ(result.err, row.reports) << row.what;
        EXPECT_EQ(result.status, row.reports.empty() ? 0 : 1) << row.what;
        size_t count = static_cast<unsigned char>(row.archive[0]) +
                       256u * static_cast<unsigned char>(row.archive[1]);
        EXPECT_EQ(Lines(OutputBeforePause(result)).size(), 6u + count) << row.what;
        if (row.options.measureMemory)
            ExpectSmallMemory(result);
        ExpectNothingOutsideWork();
        EmptyWork();
    }
    EXPECT_FALSE(PathExists("/tmp/abs"));
}

// --- What exists under an entry's name ---

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

// An entry's data only ever goes into a file this run created: whatever exists under its
// name is replaced, never written through, and nothing outside the working folder changes.
// Each row puts something under one entry's name (a shell command run in the working
// folder, beside <root>/outside). The archive's own name comes first, so the entries after
// it show that the archive was still read whole.
TEST_F(ProgramTest, WhatExistsUnderAnEntrysNameIsReplacedNeverWrittenThrough) {
    struct Row {
        const char *name, *occupy; // a shell command that puts something under the name
        bool replaced;             // on Linux; the Windows program may instead report the entry
    };
    const std::vector<Row> rows = {
        {"archive.vorn", "ln ../in/archive.vorn archive.vorn", true},
        {"fresh", "true", true},
        {"empty-over", "echo older >empty-over", true},
        {"hardlink", "ln ../outside/precious hardlink", true},
        {"symlink", "ln -s \"$PWD/../outside/target\" symlink", true},
        {"dangling", "ln -s \"$PWD/../outside/nothing-yet\" dangling", true},
        {"fifo", "mkfifo fifo", true},
        {"folder", "mkdir folder && echo inner >folder/inner", false},
        {"readonly", "echo an older, longer content >readonly && chmod 444 readonly", true},
        {"device", "mknod device c 1 3", true},
        {"mountpoint", "touch mountpoint && mount --bind ../outside/bound mountpoint", false},
    };
    // Entries named "empty..." are empty.
    auto dataOf = [](const std::string &name) {
        return name.rfind("empty", 0) == 0 ? "" : "the data of " + name;
    };
    std::vector<TestEntry> entries;
    for (const Row &row : rows)
        entries.push_back({row.name, dataOf(row.name)});
    std::string archive = BuildArchive(entries), outside = root_.path + "/outside";
    WriteFile(root_.path + "/in/archive.vorn", archive);
    ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
    for (const char *name : {"precious", "target", "bound"})
        WriteFile(outside + "/" + name, std::string("outside: ") + name);
    std::string outsideBefore = Snapshot(outside);
    std::vector<const Row *> running;
    for (const Row &row : rows) {
        std::string command = "cd '" + work_ + "' && " + row.occupy + " 2>/dev/null";
        if (system(command.c_str()) == 0) // a device or a mount needs root
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
                        status.st_nlink == 1 && ReadFile(path) == dataOf(row->name);
        EXPECT_TRUE(TestingWindowsProgram() || replaced == row->replaced) << row->name;
        EXPECT_NE(replaced, reported) << row->name << ": written in full, or reported\n"
                                      << result.err;
        EXPECT_TRUE(!replaced || status.st_mode == fresh.st_mode)
            << row->name << ": not a new file's mode";
    }
    EXPECT_EQ(ReadFile(work_ + "/folder/inner"), "inner\n");
    ExpectNoTemporaryFile("a temporary file");
}

// --- Every file call failing in turn; a run ended from outside ---

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
    return "file not created"; // open, linkat, rename
}

// Every file call the program makes (open, positional read, write, splice, close, link,
// rename, remove) fails in turn, one failing call a run, over an archive that holds new names,
// a small entry and one over 1 MiB over existing files, an empty entry, and an entry cut short
// by the archive's end over an existing file. The system varies: unnamed files and copies
// inside the kernel, or neither. Without a failure every entry is written. After every run: no
// temporary file; each name holds the whole entry, what was there, or nothing; an entry not
// written whole is reported, with the cause of the call that failed, and a new name reported is
// not made; a failed directory read gives exit 2 and no entry file. A temporary file that
// cannot be removed is named.
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
    // A run with the existing files in place, under the system's settings, failing calls.
    auto unpack = [&](const std::string &failing, const std::vector<std::string> &settings) {
        EmptyWork();
        for (const std::string &name : existing)
            WriteFile(work_ + "/" + name, "old " + name);
        remove(log.c_str());
        ++runs;
        return RunProgram({"../in/archive.vorn"}, work_, FailingCalls(log, failing, settings));
    };
    for (const std::vector<std::string> &settings :
         {std::vector<std::string>{}, {"VORN_NO_TMPFILE=1", "VORN_NO_KERNEL_COPY=1"}}) {
        RunResult clean = unpack("", settings);
        for (const TestEntry &entry : entries)
            EXPECT_EQ(Entry(entry.name), entry.data) << entry.name << ", " << settings.size();
        EXPECT_EQ(Lines(clean.err).size(), 1u) << clean.err; // "cut" alone is reported
        std::vector<std::string> calls = LoggedCalls(log);
        ASSERT_GT(calls.size(), 20u) << "the preloaded library counted no calls";
        size_t directoryCalls = 1; // the archive's open, then the reads of its directory
        while (calls[directoryCalls] == "pread")
            ++directoryCalls;
        for (size_t failing = 1; failing <= calls.size(); ++failing) {
            RunResult result = unpack(std::to_string(failing), settings);
            std::string call = calls[failing - 1],
                        what = call + " (call " + std::to_string(failing) + ") failing";
            ExpectNoTemporaryFile(what);
            if (failing <= directoryCalls) {
                EXPECT_EQ(result.status, 2) << what;
                EXPECT_EQ(Written(), (std::vector<std::string>{"big", "cut", "small"})) << what;
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
                std::string name = entries[i].name, path = work_ + "/" + name, none = "(none)";
                std::string now = PathExists(path) ? ReadFile(path) : none;
                bool wasThere = std::count(existing.begin(), existing.end(), name) > 0;
                bool whole = now == entries[i].data;
                EXPECT_TRUE(whole || now == (wasThere ? "old " + name : none))
                    << what << ": " << name << " holds a part";
                bool reported =
                    result.err.find("entry " + std::to_string(i + 1) + " \"") != std::string::npos;
                EXPECT_TRUE(whole || reported)
                    << what << ": " << name << " not whole, not reported";
                // An empty file is whole too, so a new name reported must not exist.
                EXPECT_FALSE(reported && !wasThere && now != none)
                    << what << ": " << name << " reported, yet made";
            }
        }
        // A rename that fails, and the removal after it: the report names the file left. A new
        // name's write that fails (then its close), and the removal after it: the report says so.
        size_t rename = std::find(calls.begin(), calls.end(), "rename") - calls.begin() + 1;
        RunResult result =
            unpack(std::to_string(rename) + "," + std::to_string(rename + 1), settings);
        std::string named = "; the temporary file \"";
        size_t at = result.err.find(named) + named.size();
        ASSERT_GT(at, named.size()) << result.err;
        EXPECT_TRUE(PathExists(work_ + "/" + result.err.substr(at, result.err.find('"', at) - at)))
            << result.err;
        size_t write = std::find(calls.begin(), calls.end(), "write") - calls.begin() + 1;
        result = unpack(std::to_string(write) + "," + std::to_string(write + 2), settings);
        EXPECT_NE(result.err.find("\"new1\": write failed: Input/output error (0 of 5 bytes "
                                  "written); the partial file could not be removed"),
                  std::string::npos)
            << result.err;
    }
    // A file system that refuses splice into a file: every entry is written all the same.
    RunResult refused = unpack("", {"VORN_NO_SPLICE_INTO_FILE=1"});
    EXPECT_EQ(Lines(refused.err).size(), 1u) << refused.err; // "cut" alone is reported
    for (const TestEntry &entry : entries)
        EXPECT_TRUE(Entry(entry.name) == entry.data) << entry.name << ", splice refused";
    std::cout << runs << " runs with file calls failing\n";
}

// A run ended by a signal in the middle of an entry, or by a file-size limit: an existing file
// keeps its bytes, a new name holds nothing, and no temporary file is left, but where the
// system gives no way to name an unnamed file (no /proc), and SIGKILL leaves the named one. The
// program ends by the signal, unless it was started with it ignored, and its listing in a file
// holds the line of every entry whose file stays (SIGKILL leaves what was written out); a
// file-size limit fails the one entry only. On Windows the signal is Ctrl-C, which Wine hands to
// the program's console control handler on a thread of its own (the library then holds the writing
// thread back), and the run ends before the entry after.
TEST_F(ProgramTest, ARunEndedFromOutsideLeavesNoHalfWrittenFile) {
    if (!PreloadReachesProgram())
        GTEST_SKIP() << "signals are raised by a library preloaded into the program, which a "
                        "sanitized program, or a 32-bit one, does not take";
    std::string data(100 * 1024, 'N');
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({{"victim", data}, {"after", "a"}}));
    const std::string named = "VORN_NO_TMPFILE=1";
    // What the run leaves: "victim" as it was before (its old bytes, or no file), nothing where
    // its old bytes were (replaced, not yet listed), a named temporary file as well, the whole
    // entry (the signal ignored, or met in the entry after), or every entry but the one that met
    // the file-size limit.
    enum Leaves {
        kOldKept,
        kNoNewFile,
        kOldGone,
        kTemporaryFile,
        kWholeEntry,
        kEndedAfter,
        kAllButOne
    };
    struct Row {
        const char *what;
        int signal;
        std::vector<std::string> settings;
        Leaves leaves = kOldKept;
    };
    // A new name made and marked for removal is one step: a signal waits until it is marked.
    const std::string creating = "VORN_RAISE_AT=open-exclusive", wait = "VORN_RAISE_WAIT=1";
    std::vector<Row> rows = {
        {"SIGTERM, named temporary file", SIGTERM, {named}},
        {"SIGINT, named temporary file", SIGINT, {named}},
        {"SIGHUP, unnamed file", SIGHUP, {}},
        {"SIGTERM in a new name's data", SIGTERM, {}, kNoNewFile},
        {"SIGTERM ignored by the caller", SIGTERM, {named}, kWholeEntry},
        {"SIGTERM once the unnamed file has a temporary name", SIGTERM, {"VORN_RAISE_AT=linkat"}},
        {"SIGTERM just before the rename", SIGTERM, {named, "VORN_RAISE_AT=rename"}},
        // Named, but not yet listed: the file goes too.
        {"SIGTERM just after the rename", SIGTERM, {named, "VORN_RAISE_AT=renamed"}, kOldGone},
        {"SIGTERM while a new name is made", SIGTERM, {creating}, kNoNewFile},
        {"SIGTERM while the create meets what exists", SIGTERM, {creating}},
        {"SIGTERM in the entry after", SIGTERM, {"VORN_RAISE_IN=after"}, kEndedAfter},
        {"SIGKILL, unnamed file", SIGKILL, {}},
        {"SIGKILL, no /proc to name the unnamed file", SIGKILL, {"VORN_NO_PROC=1"}, kTemporaryFile},
        {"a file-size limit", 0, {named}, kAllButOne},
        {"a file-size limit, no kernel copy", 0, {named, "VORN_NO_KERNEL_COPY=1"}, kAllButOne},
        {"Ctrl-C in a replacement (Windows)", SIGINT, {"VORN_RAISE_IN=.VornReader-", wait}},
        {"Ctrl-C in new data (Windows)", SIGINT, {"VORN_RAISE_IN=victim", wait}, kNoNewFile},
    };
    // Every other signal whose default action ends the program: a CPU-time limit, timers, and
    // the signals another program may send.
    for (int other : {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGPOLL, SIGRTMIN})
        rows.push_back({strsignal(other), other, {}, kNoNewFile});
    for (const Row &row : rows) {
        bool windowsRow = strstr(row.what, "(Windows)") != nullptr;
        if (windowsRow != TestingWindowsProgram())
            continue;
        EmptyWork();
        if (row.leaves != kNoNewFile)
            WriteFile(work_ + "/victim", "old victim");
        RunOptions options = Preloaded(row.settings);
        options.environment.push_back("VORN_RAISE=" + std::to_string(row.signal));
        options.ignoredSignal = row.leaves == kWholeEntry ? row.signal : 0;
        options.fileSizeBytes = row.leaves == kAllButOne ? 64 * 1024 : 0;
        RunResult result = RunProgram({"../in/archive.vorn"}, work_, options);
        if (row.leaves == kTemporaryFile) {
            EXPECT_EQ(Written().size(), 2u) << row.what << ": no temporary file left";
        } else {
            ExpectNoTemporaryFile(row.what);
        }
        if (row.leaves == kWholeEntry) {
            EXPECT_EQ(result.status, 0) << row.what;
            EXPECT_TRUE(Entry("victim") == data) << row.what;
            continue;
        }
        // Wine's server removes a file deleted while open once it has closed the ended
        // program's handles, which may come just after the program's end.
        bool goneLate = windowsRow && row.leaves == kNoNewFile;
        for (int tick = 0; goneLate && tick < 200 && PathExists(work_ + "/victim"); ++tick)
            usleep(10 * 1000);
        std::string victim = PathExists(work_ + "/victim") ? Entry("victim") : "(no file)";
        bool gone = row.leaves == kNoNewFile || row.leaves == kOldGone;
        EXPECT_TRUE(victim == (gone                        ? "(no file)"
                               : row.leaves == kEndedAfter ? data
                                                           : "old victim"))
            << row.what;
        EXPECT_FALSE(row.leaves == kEndedAfter && PathExists(work_ + "/after")) << row.what;
        std::string listed = std::string(kBanner) + "File has 2 Entries\n\n" +
                             (row.leaves == kEndedAfter ? "   1 / 2          victim\n" : "");
        EXPECT_TRUE(row.signal == 0 || row.signal == SIGKILL || result.out == listed)
            << row.what << ", the listing: " << result.out;
        if (windowsRow) {
            EXPECT_FALSE(PathExists(work_ + "/after")) << row.what << ": the run went on";
        } else if (row.signal != 0) {
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
