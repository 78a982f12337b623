// VornWriter as a real process: the archives it makes, read back by the reader; and every
// refusal and every failed file call, none of which may leave an archive or change a file.
// The files lie in <root>/in, the archive is <root>/out.vorn.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "program_test.h"

namespace {

class WriterTest : public ProgramTest {
  protected:
    RunResult Write(const std::vector<std::string> &args, RunOptions options = RunOptions(),
                    const std::string &cwd = "") {
        options.writer = true;
        return RunProgram(args, cwd.empty() ? work_ : cwd, options);
    }
    std::string In(const std::string &path) { return root_.path + "/in/" + path; }
    std::string Archive() { return root_.path + "/out.vorn"; }
    // Nothing but the archive, when made, beside the folders; no temporary file.
    void ExpectNoArchiveLeft(const std::string &what) {
        EXPECT_EQ(ListFolder(root_.path), (std::vector<std::string>{"in", "work"})) << what;
    }
    // Makes the files under <root>/in, at their paths (separated by blanks) when given, a name
    // with a '/' in a folder of its own, and gives the writer's arguments for them, from the
    // working folder.
    std::vector<std::string> MakeFiles(const std::vector<TestEntry> &files,
                                       const std::string &paths = "") {
        std::vector<std::string> args = {"../out.vorn"};
        for (size_t i = 0; i < files.size(); ++i) {
            std::string path = paths.empty() ? files[i].name : Words(paths)[i];
            if (path.find('/') != std::string::npos)
                mkdir(In(path.substr(0, path.find('/'))).c_str(), 0755);
            WriteFile(In(path), files[i].data);
            args.push_back("../in/" + path);
        }
        return args;
    }
};

// The layout the writer must make, put together byte by byte here, apart from the program's
// code: the count, the entry table, the data in order, the names NUL-padded to 15 bytes (as
// `stored` gives them in code page 1252, separated by blanks, where not the files' names).
std::string LaidOutByHand(const std::vector<TestEntry> &files, const std::string &stored = "") {
    auto littleEndian = [](size_t value, int width) {
        std::string bytes;
        for (int i = 0; i < width; ++i)
            bytes += static_cast<char>(value >> (8 * i));
        return bytes;
    };
    std::string table = littleEndian(files.size(), 2), data, names;
    for (size_t i = 0; i < files.size(); ++i) {
        table += littleEndian(0, 4) + littleEndian(2 + 12 * files.size() + data.size(), 4) +
                 littleEndian(files[i].data.size(), 4);
        data += files[i].data;
        std::string name = stored.empty() ? files[i].name : Words(stored)[i];
        names += name + std::string(15 - name.size(), '\0');
    }
    return table + data + names;
}

} // namespace

// Files written as an archive, in the order given and named by their paths' last components,
// make exactly the archive the format lays out, and come back from it byte for byte, also on a
// file system like exFAT's or FAT's (a USB stick's). The writer says nothing.
TEST_F(WriterTest, WrittenArchivesUnpackIntoTheSameFiles) {
    std::string big(1536 * 1024 + 7, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    std::string eAcutes;
    for (int i = 0; i < 14; ++i)
        eAcutes += "\xC3\xA9";
    std::vector<TestEntry> many(65535);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = {"f" + std::to_string(i), std::string(1, static_cast<char>(i))};
    std::vector<TestEntry> kinds = {{"binary.dat", AwkwardBinaryData()},
                                    {"empty", ""},
                                    {"fourteen-chars", "14"},
                                    {"big", big},
                                    {"last", "z"}};
    std::vector<TestEntry> codePage = {{"caf\xC3\xA9.txt", "1"},
                                       {"\xC5\x92uvre.txt", "2"},
                                       {"\xE2\x82\xACuro.txt", "3"},
                                       {eAcutes, "4"}};
    struct Row {
        const char *what;
        std::vector<TestEntry> files;
        std::string paths = ""; // when not the names, separated by blanks
        bool linuxOnly = false;
        std::string stored = "";  // the names in the archive, when not the same
        const char *setting = ""; // of the preloaded library, for both programs
    } rows[] = {
        {"one file", {{"one.txt", "hello\n"}}},
        {"exFAT or FAT through FUSE: no unnamed files, no links", kinds,
         "binary.dat empty sub/fourteen-chars big other/last", true, "", "VORN_EXFAT=1"},
        {"every kind of file", kinds, "binary.dat empty sub/fourteen-chars big other/last"},
        {"65535 files", many, "", true},
        // UTF-8 file names are stored in code page 1252 (Wine gives the Windows program the
        // same bytes), and come back as they were; 14 characters fit, whatever UTF-8 takes.
        {"names in code page 1252", codePage, "", false,
         "caf\xE9.txt \x8Cuvre.txt \x80uro.txt " + std::string(14, '\xE9')},
    };
    for (const Row &row : rows) {
        if ((row.linuxOnly && LeftOutOnWindows(row.what)) ||
            (*row.setting != '\0' && !PreloadReachesProgram()))
            continue;
        RunOptions options = *row.setting != '\0' ? Preloaded({row.setting}) : RunOptions();
        RemoveTree(root_.path + "/in");
        mkdir((root_.path + "/in").c_str(), 0755);
        // From <root>, so that the archive's name has no folder.
        std::vector<std::string> args = MakeFiles(row.files, row.paths);
        for (std::string &arg : args)
            arg = arg.substr(3);
        RunResult written = Write(args, options, root_.path);
        EXPECT_EQ(written.status, 0) << row.what << ": " << written.err;
        EXPECT_EQ(written.out + written.err, "") << row.what;
        EXPECT_TRUE(ReadFile(Archive()) == LaidOutByHand(row.files, row.stored)) << row.what;
        RunResult read = RunProgram({"../out.vorn"}, work_, options);
        EXPECT_EQ(read.status, 0) << row.what << ": " << read.err;
        EXPECT_TRUE(WrittenFiles() == FilesOf(row.files)) << row.what;
        EmptyWork();
        remove(Archive().c_str());
    }
}

// Each row: arguments the writer refuses, with the lines that say why (the first one's
// beginning, where the system's words follow), exit status 2, and no archive; nothing that
// existed is changed, and on Linux no file was opened or written (the preloaded library's log).
TEST_F(WriterTest, EveryRefusalLeavesNoArchive) {
    // A and a with diaeresis in code page 1252, which Wine gives the Windows program for the
    // UTF-8 names of its locale.
    const bool windows = TestingWindowsProgram();
    const std::string upper = windows ? "\xC3\x84.txt" : "\xC4.txt",
                      lower = windows ? "\xC3\xA4.txt" : "\xE4.txt",
                      japan = "\xE6\x97\xA5\xE6\x9C\xAC.txt",
                      mojibake = "\xC3\x83\xC2\xA9.txt"; // UTF-8 of e acute, read in 1252
    // Each file holds its own name. Wine's names cannot hold every byte Linux's do.
    for (const std::string &name :
         Words("a sub/a fifteen-chars-x CON bell\a dot. ask? \xC3\x84.dat \xC3\xA4.dat " + japan +
               " \xC5\x91.txt \xC2\x80 " + upper + " " + lower + " \xC3\xA9.txt " + mojibake))
        if (!windows || name.find_first_of("\a\\ \xC2\xE6") == std::string::npos)
            MakeFiles({{name, name}});
    std::string tooMany = "../out.vorn";
    for (int i = 0; i < 65536; ++i)
        tooMany += " ../in/a";
    const std::string refused = "\": the name \"", rule = "\" would be refused when unpacked: ",
                      usage = "VornWriter <archive> <file>...", x300(300, 'x'), x4200(4200, 'x'),
                      clash = " make entries of the same name (letters of either case are one on "
                              "Windows)\n",
                      tooLarge = ": an archive holds 2147483647 at most\n";
    struct Row {
        const char *what;
        std::string args, report; // the arguments, separated by blanks
        bool linuxOnly = false;
        size_t lines = 1;
        std::string archive = ""; // what exists under the archive's name beforehand
        const char *setting = ""; // of the preloaded library, which gets the run past its checks
    } rows[] = {
        {"no arguments", "", "no archive and no file given: " + usage + "\n"},
        {"no file", "../out.vorn", "no file given to put in \"../out.vorn\": " + usage + "\n"},
        {"the archive's name exists", "../out.vorn ../in/a",
         "\"../out.vorn\" already exists: nothing is replaced, and no archive is made (the archive "
         "comes first: " +
             usage + ")\n",
         false, 1, "old"},
        {"an empty archive path", " ../in/a", "the archive's path is empty: " + usage + "\n"},
        {"the archive's folder missing", "../none/out.vorn ../in/a",
         "cannot make the archive \"../none/out.vorn\": "},
        {"the archive's folder a file", "../in/a/out.vorn ../in/a",
         "cannot make the archive \"../in/a/out.vorn\": "},
        {"the archive's name longer than its file system allows", "../" + x300 + " ../in/a",
         "cannot make the archive \"../" + x300 + "\": File name too long\n", true},
        {"five bad files, one line each",
         "../out.vorn ../in/missing ../in/fifteen-chars-x ../in/dot. ../in/ask? ../in/a "
         "../in/sub/a",
         "cannot read \"../in/missing\": ", false, 5},
        {"more than 65535 files", tooMany, "65536 files given: an archive holds 65535 at most\n",
         true},
        {"a folder", "../out.vorn ../in/sub", "cannot "},
        {"a device", "../out.vorn /dev/null", "cannot read \"/dev/null\": not a regular file\n",
         true},
        {"a file that may not be read", "../out.vorn ../in/secret",
         "cannot read \"../in/secret\": Permission denied\n", true},
        {"no name after the last '/'", "../out.vorn ../in/sub/",
         "\"../in/sub/" + refused + rule + "empty name\n"},
        {"a name of 15 bytes, which leaves no room for its NUL",
         "../out.vorn ../in/fifteen-chars-x",
         "\"../in/fifteen-chars-x\": its name has 15 bytes, and an entry's name holds at most 14: "
         "copy or rename the file to a shorter name\n"},
        // The name rules themselves are names_test's: one row for each rule set.
        {"a Windows device name", "../out.vorn ../in/a ../in/CON",
         "\"../in/CON" + refused + "CON" + rule + "a Windows device name\n"},
        {"a control byte", "../out.vorn ../in/bell\a",
         "\"../in/bell\\x07" + refused + "bell\\x07" + rule + "holds a control byte\n", true},
        {"a path too long for the archive's temporary name", "../" + x4200 + "/out.vorn ../in/a",
         "cannot make the archive \"../" + x4200 + "/out.vorn\": path too long\n"},
        {"sparse files past 2^31 - 1 bytes in all", "../out.vorn ../in/s1 ../in/s2",
         "the archive would take 2684354616 bytes" + tooLarge, true},
        {"sparse files whose sizes overflow a 64-bit sum", "../out.vorn ../in/s6 ../in/s7",
         "the archive would take 9223372036854775807 bytes or more" + tooLarge, true},
        {"a sparse file of 5 TiB: the true sum", "../out.vorn ../in/a ../in/s5",
         "the archive would take 5497558138937 bytes" + tooLarge, true},
        // On Linux a file's UTF-8 name is stored in code page 1252: a character that the code
        // page lacks is refused, in the run that finds every other problem, and so is a name
        // whose bytes there would be unpacked as another (beside which it would not clash); a
        // name of two letters that are one in either case clashes.
        {"characters code page 1252 lacks, one line each",
         "../out.vorn ../in/" + japan + " ../in/\xC5\x91.txt ../in/\xC2\x80 ../in/a",
         "\"../in/" + japan +
             "\": its name holds \"\xE6\x97\xA5\" (U+65E5), which an entry's name cannot (names "
             "are in code page 1252): copy or rename the file to a name without it\n",
         true, 3},
        {"a name that would read back as another",
         "../out.vorn ../in/" + mojibake + " ../in/\xC3\xA9.txt",
         "\"../in/" + mojibake +
             "\": its name in code page 1252 would be unpacked on Linux as \"\xC3\xA9.txt\" (those "
             "bytes are that text in UTF-8): copy or rename the file to another name\n",
         true},
        {"one name in either case, in UTF-8", "../out.vorn ../in/\xC3\x84.dat ../in/\xC3\xA4.dat",
         "\"../in/\xC3\x84.dat\" and \"../in/\xC3\xA4.dat\"" + clash, true},
        {"one name in either case in code page 1252 (A and a with diaeresis)",
         "../out.vorn ../in/" + upper + " ../in/" + lower,
         "\"../in/\xC4.txt\" and \"../in/\xE4.txt\"" + clash},
        // Not refused: exactly the largest archive passes; the first file call then fails.
        {"sparse files of exactly 2^31 - 1 bytes in all, the first file call failing",
         "../out.vorn ../in/s1 ../in/s3",
         "cannot create \"../out.vorn\": Input/output error: no archive is made\n", true, 1, "",
         "VORN_FAIL_CALLS=1,2"},
    };
    WriteFile(In("secret"), "");
    for (const char *sparse : {"s1", "s2", "s3", "s5", "s6", "s7"})
        WriteFile(In(sparse), "");
    // Files of 2^62 bytes, where the file system allows them (tmpfs does).
    bool hugeFiles = truncate(In("s6").c_str(), INT64_C(1) << 62) == 0 &&
                     truncate(In("s7").c_str(), INT64_C(1) << 62) == 0;
    ASSERT_EQ(truncate(In("s1").c_str(), INT64_C(1536) << 20), 0);
    ASSERT_EQ(truncate(In("s2").c_str(), INT64_C(1024) << 20), 0);
    ASSERT_EQ(truncate(In("s3").c_str(), INT64_C(2147483647) - 2 - 2 * 27 - (INT64_C(1536) << 20)),
              0);
    ASSERT_EQ(truncate(In("s5").c_str(), INT64_C(5) << 40), 0);
    std::string log = root_.path + "/in/calls";
    for (const Row &row : rows) {
        std::vector<std::string> args = Words(row.args);
        bool preloaded = *row.setting != '\0' || row.args.find("../in/secret") != std::string::npos;
        if ((row.linuxOnly && LeftOutOnWindows(row.what)) ||
            (preloaded && !PreloadReachesProgram()))
            continue;
        if (row.args.find("../in/s6") != std::string::npos && !hugeFiles) {
            std::cout << "row \"" << row.what
                      << "\" left out: the file system takes no such file\n";
            continue;
        }
        if (!row.archive.empty())
            WriteFile(Archive(), row.archive);
        // The preloaded library logs the calls (Wine's own would be logged too), and denies
        // reading "secret" (root could read it whatever its mode).
        bool logged = PreloadReachesProgram() && !windows;
        RunOptions options =
            PreloadReachesProgram() ? Preloaded({"VORN_UNREADABLE=secret"}) : RunOptions();
        if (*row.setting != '\0')
            options.environment.push_back(row.setting);
        if (logged)
            options.environment.push_back("VORN_CALL_LOG=" + log);
        RunResult result = Write(args, options);
        EXPECT_EQ(result.err.rfind("VornWriter: " + row.report, 0), 0u)
            << row.what << ": " << result.err;
        EXPECT_EQ(Lines(result.err).size(), row.lines) << row.what << ": " << result.err;
        EXPECT_EQ(result.status, *row.setting == '\0' ? 2 : 1) << row.what;
        EXPECT_TRUE(!logged || *row.setting != '\0' || ReadFile(log).empty())
            << row.what << ": refused after file calls";
        remove(log.c_str());
        if (row.archive.empty()) {
            ExpectNoArchiveLeft(row.what);
        } else {
            EXPECT_EQ(ReadFile(Archive()), row.archive) << row.what;
            remove(Archive().c_str());
        }
    }
    EXPECT_EQ(ReadFile(In("a")), "a");
}

// A file that is not the version measured when it is read makes no archive (exit status 1):
// one that grows, or is rewritten in place (its size kept, its times not), or whose path comes
// to name a FIFO; and a file whose size the system does not know until it is read (/proc). A
// small file is read whole at once, a large one copied by the system.
TEST_F(WriterTest, AFileThatChangesWhileReadMakesNoArchive) {
    if (!PreloadReachesProgram() || TestingWindowsProgram())
        GTEST_SKIP() << "the file is changed by a library preloaded into the Linux program, "
                        "whose opens it sees (Wine's file server opens them elsewhere)";
    const std::string changed = "\"../in/f\" changed while it was read: no archive is made\n";
    struct {
        const char *what, *setting;
        size_t size;
        std::string report;
        const char *path = nullptr; // instead of the file made
    } rows[] = {
        {"a small file that grows", "VORN_GROW=f", 2, changed},
        {"a large file that grows", "VORN_GROW=f", 100 << 10, changed},
        {"a small file rewritten, its size kept", "VORN_REWRITE=f", 2, changed},
        {"a large file rewritten, its size kept", "VORN_REWRITE=f", 100 << 10, changed},
        {"a file rewritten before it is opened", "VORN_TOUCH=f", 2, changed},
        {"a FIFO in the file's place", "VORN_SWAP=f", 2,
         "cannot read \"../in/f\": not a regular file: no archive is made\n"},
        {"a file of /proc", "VORN_GROW=none", 0,
         "\"/proc/self/stat\": its size is not known until it is read (the system makes it as "
         "it is read, as in /proc or /sys): no archive is made\n",
         "/proc/self/stat"},
    };
    for (const auto &row : rows) {
        std::vector<std::string> args = MakeFiles({{"a", "1"}, {"f", std::string(row.size, 'g')}});
        if (row.path != nullptr)
            args.back() = row.path;
        RunResult result = Write(args, Preloaded({row.setting}));
        EXPECT_EQ(result.err, "VornWriter: " + row.report) << row.what;
        EXPECT_EQ(result.status, 1) << row.what;
        ExpectNoArchiveLeft(row.what);
        remove(In("f").c_str());
    }
}

// Every file call the writer makes fails in turn, with unnamed files and copies inside the
// kernel, without either, and on exFAT or FAT through FUSE (no unnamed files, no links). A run
// either makes exactly the archive (the call had a plainer way) or leaves none, and no
// temporary file; the files it reads stay as they were. So does a run ended by a signal.
TEST_F(WriterTest, EveryFileCallFailingInTurnLeavesNoArchive) {
    if (!PreloadReachesProgram() || TestingWindowsProgram())
        GTEST_SKIP() << "the calls are counted and failed by a library preloaded into the Linux "
                        "program";
    // Twenty files of 60 KiB fill the buffer that gathers small files more than once.
    std::vector<TestEntry> files = {
        {"a", "small"}, {"big", std::string(1536 * 1024, 'b')}, {"empty", ""}};
    for (int i = 0; i < 20; ++i)
        files.push_back({"s" + std::to_string(i), std::string(60 << 10, static_cast<char>(i))});
    std::vector<std::string> args = MakeFiles(files);
    std::string archive = LaidOutByHand(files), log = root_.path + "/in/calls";
    int runs = 0;
    std::vector<std::string> calls; // those of the run where none fails
    for (const std::vector<std::string> &settings : {std::vector<std::string>{},
                                                     {"VORN_NO_TMPFILE=1", "VORN_NO_KERNEL_COPY=1"},
                                                     {"VORN_EXFAT=1"}}) {
        for (long failing = 0;; ++failing) {
            remove(log.c_str());
            RunResult result = Write(args, FailingCalls(log, std::to_string(failing), settings));
            ++runs;
            if (failing == 0)
                calls = LoggedCalls(log);
            std::string what =
                "call " + std::to_string(failing) + " of " + std::to_string(calls.size());
            if (result.status == 0) {
                EXPECT_TRUE(ReadFile(Archive()) == archive) << what;
                EXPECT_EQ(result.err, "") << what;
                remove(Archive().c_str());
            } else {
                EXPECT_NE(failing, 0) << result.err;
                EXPECT_EQ(result.err.rfind("VornWriter: ", 0), 0u) << what;
            }
            ExpectNoArchiveLeft(what);
            for (const TestEntry &file : files)
                EXPECT_TRUE(ReadFile(In(file.name)) == file.data) << what;
            if (failing >= static_cast<long>(calls.size()))
                break; // each call has failed once
        }
        // A run ended by a signal as it writes the archive leaves none, and ends by the signal
        // (which goes through the one handler the reader's rows try each of).
        RunOptions ended = FailingCalls(log, "", settings);
        ended.environment.push_back("VORN_RAISE=" + std::to_string(SIGTERM));
        EXPECT_EQ(Write(args, ended).signal, SIGTERM);
        ExpectNoArchiveLeft("SIGTERM");
        // A file appears under the archive's name just before the archive would take it (or,
        // without unnamed files, be made under it): it is not replaced.
        RunOptions options = FailingCalls(log, "", settings);
        options.environment.push_back("VORN_TAKE=out.vorn");
        RunResult taken = Write(args, options);
        EXPECT_EQ(taken.err, "VornWriter: \"../out.vorn\" appeared while the archive was written: "
                             "nothing is replaced, and no archive is made\n");
        EXPECT_EQ(taken.status, 1);
        EXPECT_EQ(ReadFile(Archive()), "taken");
        remove(Archive().c_str());
        ExpectNoArchiveLeft("a name taken meanwhile");
        if (settings.empty()) {
            // And SIGTERM comes while the unnamed archive is linked to the name: the name that
            // appeared is not the run's to remove.
            RunOptions raised = options;
            raised.environment.push_back("VORN_RAISE=" + std::to_string(SIGTERM));
            raised.environment.push_back("VORN_RAISE_AT=linkat");
            EXPECT_EQ(Write(args, raised).signal, SIGTERM);
            EXPECT_EQ(ReadFile(Archive()), "taken") << "the run removed a name it did not make";
            remove(Archive().c_str());
        }
        // A failure, and the removal after it: the report names what is left. Made under its
        // name, its last write; unnamed, its close once it has the archive's name.
        long failing = std::find(calls.rbegin(), calls.rend(), "write").base() - calls.begin();
        if (settings.empty()) {
            auto linked = std::find(calls.begin(), calls.end(), "linkat");
            failing = std::find(linked, calls.end(), "close") - calls.begin() + 1;
        }
        std::string twoCalls =
            std::to_string(failing) + "," + std::to_string(failing + (settings.empty() ? 1 : 2));
        RunResult left = Write(args, FailingCalls(log, twoCalls, settings));
        EXPECT_NE(left.err.find("could not be removed"), std::string::npos) << left.err;
        EXPECT_EQ(ListFolder(root_.path).size(), 3u) << "no file is left: " << left.err;
        for (const std::string &name : ListFolder(root_.path))
            if (name != "in" && name != "work")
                remove((root_.path + "/" + name).c_str());
    }
    std::cout << runs << " runs of the writer with file calls failing\n";
}
