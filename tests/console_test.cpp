// The console: standard output that cannot be written, and the closing pause at a terminal of
// the program's own.
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <locale.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "program_test.h"

// Standard output that cannot be written is reported once, at the end, and makes the exit
// status 1; every entry is still written, and none of them takes in the listing.
TEST_F(ProgramTest, ALostListingIsReportedAndTheEntriesStillWritten) {
    std::vector<TestEntry> entries(2000, TestEntry{"", "data"});
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].name = "e" + std::to_string(i);
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive(entries));
    // Where the listing ends and the pause's prompt begins: a line of 28 bytes an entry.
    RunOptions toFile;
    toFile.outputPath = root_.path + "/listing";
    int64_t beforePrompt = strlen(kBanner) + strlen("File has 2000 Entries\n\n") + 2000 * 28;
    struct {
        const char *what;
        RunOptions options;
        const char *reason;
        bool onWindows; // which words the reason its own way, and pauses only at a console
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
        if (!row.onWindows && LeftOutOnWindows(row.what))
            continue;
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
        if (row.options.fileSizeBytes != 0) { // all of the listing, the prompt alone lost
            EXPECT_EQ(ReadFile(toFile.outputPath).size(), static_cast<size_t>(beforePrompt));
        }
        std::vector<std::string> written = Written();
        EXPECT_EQ(written.size(), entries.size()) << row.what;
        for (const std::string &name : written)
            EXPECT_EQ(Entry(name), "data") << row.what << ": " << name;
        EmptyWork();
    }
}

// --- The pause ---

// How the program meets a terminal of its own (a pseudo-terminal) in one run.
struct OnTerminal {
    bool outputToFile = false;      // standard output a file instead of the terminal
    std::string pipedInput;         // when not empty, standard input a pipe holding these bytes
    const char *typedAhead = "";    // typed before the program starts
    const char *keys = "";          // typed once the pause waits for a key in raw mode,
    int signal = 0;                 // or a signal sent then
    int stopsAndContinues = 0;      // first stopped (Ctrl-Z, SIGTSTP) and continued (fg, SIGCONT),
    bool stopped = false;           // or stopped by SIGSTOP, the settings put back as a shell does
    bool continuedEarly = false;    // continued as soon as the settings are back, before the stop
    bool killedWhenStopped = false; // stopped, then ended as `kill %1` does: the shell takes the
                                    // terminal back, sends SIGTERM, then SIGCONT
    bool continuedAfterKey = false; // SIGCONT as the settings go back after the key
    bool background = false;        // the program in a background process group
    bool interruptIgnored = false;  // started with SIGINT ignored
    std::vector<std::string> environment = {}; // NAME=value set for the program
};

struct TerminalRun {
    std::string shown;    // what the program wrote on the terminal
    int ended = 0;        // the wait status
    termios during = {};  // the terminal's settings while the pause waited for a key
    termios after = {};   // and once the program ended
    std::string unread;   // what the program left of its piped input,
    std::string leftOver; // and of what was typed at the terminal
};

// A session of its own with the terminal as its controlling terminal; to be stopped, or in the
// background, the program runs in a process group of its own below it, as a shell's job does
// (the leader of a session is an orphaned process group, which the kernel does not stop).
static void ChildOnTerminal(const std::string &side, const std::string &cwd, int input,
                            const OnTerminal &how, const std::vector<std::string> &command) {
    setsid();
    int own = open(side.c_str(), O_RDWR);
    if (own < 0 || ioctl(own, TIOCSCTTY, 0) != 0 || chdir(cwd.c_str()) != 0)
        _exit(127);
    dup2(how.pipedInput.empty() ? own : input, 0);
    dup2(how.outputToFile ? open("out", O_WRONLY | O_CREAT | O_TRUNC, 0600) : own, 1);
    dup2(own, 2);
    if (how.interruptIgnored)
        signal(SIGINT, SIG_IGN);
    for (const std::string &setting : how.environment)
        putenv(strdup(setting.c_str()));
    bool stops = how.stopsAndContinues > 0 || how.stopped || how.killedWhenStopped,
         job = how.background || stops;
    pid_t program = job ? fork() : 0;
    if (program == 0) {
        if (job)
            setpgid(0, 0);
        while (stops && tcgetpgrp(0) != getpgrp())
            usleep(1000); // until the job is in the foreground
        ExecCommand(command);
    }
    setpgid(program, program);
    if (stops)
        tcsetpgrp(own, program);
    int status = 0;
    waitpid(program, &status, how.killedWhenStopped ? WUNTRACED : 0);
    if (how.killedWhenStopped && WIFSTOPPED(status)) {
        signal(SIGTTOU, SIG_IGN); // as a shell takes its terminal back
        tcsetpgrp(own, getpgrp());
        kill(-program, SIGTERM);
        kill(-program, SIGCONT);
        waitpid(program, &status, 0);
    }
    if (WIFSIGNALED(status)) { // ends as the program did, as a shell that runs it last would
        signal(WTERMSIG(status), SIG_DFL);
        kill(getpid(), WTERMSIG(status));
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128);
}

// Drains the terminal into `shown` for up to `seconds`, until `done` says so.
template <typename Done>
static bool Await(int terminal, std::string *shown, double seconds, Done done) {
    for (int tick = 0; tick < seconds * 100; ++tick) {
        char drained[256];
        for (ssize_t got; poll(std::vector<pollfd>{{terminal, POLLIN, 0}}.data(), 1, 0) > 0 &&
                          (got = read(terminal, drained, sizeof drained)) > 0;)
            shown->append(drained, static_cast<size_t>(got));
        if (done())
            return true;
        usleep(10000);
    }
    return false;
}

static std::string ReadWhatIsThere(int fd) {
    std::string bytes;
    fcntl(fd, F_SETFL, O_NONBLOCK);
    char part[256];
    for (ssize_t got; (got = read(fd, part, sizeof part)) > 0;)
        bytes.append(part, static_cast<size_t>(got));
    return bytes;
}

// The process's state in /proc is "T", stopped; a process that has ended is not.
static bool IsStopped(pid_t process) {
    std::string path = "/proc/" + std::to_string(process) + "/stat";
    std::string status = PathExists(path) ? ReadFile(path) : "";
    size_t name = status.rfind(')'); // "pid (name) state ..."
    return name != std::string::npos && status.compare(name, 4, ") T ") == 0;
}

// Runs the program on its terminal. With keys, a signal or a stop, waits until the pause has
// put the terminal in raw mode; a stopped program gets the settings it found back, as a shell
// does, and is continued, and must take up raw mode again; then the keys are typed or the
// signal sent. A program that has not ended 10 s later is killed (and the case fails).
static TerminalRun RunOnTerminal(const std::vector<std::string> &command, const std::string &cwd,
                                 const OnTerminal &how) {
    int terminal = posix_openpt(O_RDWR | O_NOCTTY), input[2] = {-1, -1};
    EXPECT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
    std::string side = ptsname(terminal);
    int kept = open(side.c_str(), O_RDWR | O_NOCTTY); // keeps the terminal after the program
    if (!how.pipedInput.empty()) {
        EXPECT_EQ(pipe(input), 0);
        EXPECT_EQ(write(input[1], how.pipedInput.data(), how.pipedInput.size()),
                  static_cast<ssize_t>(how.pipedInput.size()));
        close(input[1]);
    }
    EXPECT_EQ(write(terminal, how.typedAhead, strlen(how.typedAhead)),
              static_cast<ssize_t>(strlen(how.typedAhead)));
    pid_t child = fork();
    if (child == 0)
        ChildOnTerminal(side, cwd, input[0], how, command);
    TerminalRun run;
    auto raw = [&] { return tcgetattr(kept, &run.during) == 0 && !(run.during.c_lflag & ICANON); };
    if (*how.keys != '\0' || how.signal != 0 || how.killedWhenStopped) {
        EXPECT_TRUE(Await(terminal, &run.shown, 10, raw))
            << "the pause never put the terminal in raw mode";
        for (int stop = 0; stop < how.stopsAndContinues + (how.stopped ? 1 : 0); ++stop) {
            pid_t job = tcgetpgrp(terminal);
            termios found = run.during;
            found.c_lflag |= ICANON | ECHO;
            kill(-job, how.stopped ? SIGSTOP : SIGTSTP);
            if (how.stopped)
                tcsetattr(kept, TCSANOW, &found);
            // A shell continues a job once it has seen it stop (waitpid), never before.
            EXPECT_TRUE(Await(terminal, &run.shown, 10,
                              [&] {
                                  return tcgetattr(kept, &run.after) == 0 &&
                                         (run.after.c_lflag & ICANON) &&
                                         (run.after.c_lflag & ECHO) &&
                                         (how.continuedEarly || IsStopped(job));
                              }))
                << "the terminal's settings not put back, or no stop, for stop " << stop + 1;
            kill(-job, SIGCONT);
            if (how.continuedEarly) {
                // However the continuation met the stop, the program runs in raw mode, or is
                // stopped with the settings put back and waits for fg: never stopped raw.
                usleep(1000 * 1000);
                bool stopped = IsStopped(job);
                EXPECT_FALSE(stopped && raw()) << "stopped with the terminal in raw mode";
                if (stopped)
                    kill(-job, SIGCONT);
            }
            EXPECT_TRUE(Await(terminal, &run.shown, 10, raw)) << "raw mode not taken up again";
        }
        if (how.killedWhenStopped)
            kill(-tcgetpgrp(terminal), SIGTSTP);
        else if (*how.keys != '\0')
            EXPECT_EQ(write(terminal, how.keys, strlen(how.keys)),
                      static_cast<ssize_t>(strlen(how.keys)));
        else
            kill(child, how.signal);
        if (how.continuedAfterKey) {
            auto cooked = [&] {
                return tcgetattr(kept, &run.after) == 0 && run.after.c_lflag & ICANON;
            };
            EXPECT_TRUE(Await(terminal, &run.shown, 10, cooked)) << "the settings never went back";
            kill(child, SIGCONT);
        }
    }
    bool ended = Await(terminal, &run.shown, 10,
                       [&] { return waitpid(child, &run.ended, WNOHANG) == child; });
    EXPECT_TRUE(ended) << "the program still waited 10 s on";
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &run.ended, 0);
    }
    tcgetattr(kept, &run.after);
    run.shown += ReadWhatIsThere(terminal);
    run.leftOver = ReadWhatIsThere(kept);
    if (input[0] >= 0) {
        run.unread = ReadWhatIsThere(input[0]);
        close(input[0]);
    }
    close(kept);
    close(terminal);
    return run;
}

// The pause waits for one key only for a person: standard input and output both the terminal,
// the program in its foreground. It reads nothing else, and keeps no script waiting. It waits
// without echo; a key typed ahead ends it at once, and what is typed after the key stays for
// whoever reads the terminal next. However the wait ends, the terminal gets its line editing
// and echo back, also while the program is stopped; a signal ends the program by that signal,
// so its caller knows it was interrupted, unless the caller had it ignored.
TEST_F(ProgramTest, ThePauseWaitsOnlyForAPersonAtTheTerminal) {
    if (TestingWindowsProgram())
        GTEST_SKIP() << "on Windows the pause is the command interpreter's";
    WriteFile(root_.path + "/in/archive.vorn", BuildArchive({{"one", "1"}}));
    struct Row {
        const char *what;
        std::string keys;          // typed once the pause waits in raw mode
        int endedBy;               // the signal, or 0 for exit status 0: the wait status
        const char *leftOver = ""; // what the terminal holds afterwards
        OnTerminal how = {};
        bool noArchive = false; // run with no argument: the usage line, no file to remove first
    } rows[] = {
        {"a key typed; what follows it stays", "kls\n", 0, "ls\n"},
        {"a key typed ahead, before the prompt", "", 0},
        {"Ctrl-C typed", "\x03", SIGINT},
        {"Ctrl-C typed, ignored by the caller", "\x03x", 0},
        {"Ctrl-C typed after the usage line", "\x03", SIGINT, "", {}, true},
        {"SIGTERM", "", SIGTERM},
        {"Ctrl-Z and fg twice, then a key", "x", 0},
        {"stopped, the shell's settings put back, continued, then a key", "x", 0},
        {"standard output a file: no wait", "", 0},
        {"standard input a pipe: nothing read, no wait", "", 0},
        {"a background job: no wait", "", 0},
        // A key is all that the terminal sends for one press; a line typed after it stays.
        {"the Up arrow (CSI)", "\x1B[A\n", 0, "\n"},
        {"F5, then a command line", "\x1B[15~ls -l\n", 0, "ls -l\n"},
        {"Home in its SS3 form", "\x1BOH\n", 0, "\n"},
        {"\xC3\xA9 in UTF-8", "\xC3\xA9\n", 0, "\n"},
        {"\xE2\x82\xAC in UTF-8", "\xE2\x82\xAC\n", 0, "\n"},
        {"Escape alone, once nothing follows", "\x1B", 0},
        {"Alt and a key", "\x1Bx\n", 0, "\n"},
        {"an escape sequence that runs on is cut after 32 bytes",
         "\x1B[" + std::string(36, '0') + "\n", 0, "0000\n"},
        // The second Ctrl-Z comes as soon as the first fg has taken up raw mode, before the
        // stop has returned (raise slowed by the preloaded library).
        {"Ctrl-Z and fg twice, the stop returning late, then a key", "x", 0},
        // SIGCONT comes while the settings are put back, before the stop itself (tcsetattr
        // slowed), as a kill -CONT could.
        {"Ctrl-Z, continued before the stop, then a key", "x", 0},
        // The shell has the terminal back: the program ends without touching it.
        {"Ctrl-Z, then kill %1", "", SIGTERM},
        // SIGCONT comes while the settings go back after the key (tcsetattr slowed).
        {"a key, continued as the settings go back", "x", 0},
        {"a CSI sequence with a private parameter ('?')", "\x1B[?5~ls\n", 0, "ls\n"},
        {"U+07FF, the last two-byte UTF-8 character", "\xDF\xBF\n", 0, "\n"},
    };
    rows[1].how.typedAhead = "k";
    rows[3].how.interruptIgnored = true;
    rows[5].how.signal = SIGTERM;
    rows[6].how.stopsAndContinues = 2;
    rows[7].how.stopped = true;
    rows[8].how.outputToFile = true;
    rows[9].how.pipedInput = "first line of a list\nsecond\n";
    rows[10].how.background = true;
    rows[19].how.stopsAndContinues = 2;
    rows[19].how.environment = Preloaded({"VORN_SLOW=raise"}).environment;
    rows[20].how.stopsAndContinues = 1;
    rows[20].how.continuedEarly = true;
    rows[20].how.environment = Preloaded({"VORN_SLOW=tcsetattr"}).environment;
    rows[21].how.killedWhenStopped = true;
    rows[22].how.continuedAfterKey = true;
    rows[22].how.environment = rows[20].how.environment;
    for (const Row &row : rows) {
        if (!row.how.environment.empty() && !PreloadReachesProgram())
            continue; // the sanitized program does not take the library
        OnTerminal how = row.how;
        how.keys = row.keys.c_str();
        TerminalRun run = RunOnTerminal(
            ProgramCommand(Words(row.noArchive ? "" : "../in/archive.vorn")), work_, how);
        EXPECT_FALSE(!row.keys.empty() && (run.during.c_lflag & ECHO))
            << row.what << ": echo on while waiting";
        EXPECT_TRUE(run.after.c_lflag & ICANON) << row.what << ": line editing not restored";
        EXPECT_TRUE(run.after.c_lflag & ECHO) << row.what << ": echo not restored";
        EXPECT_EQ(run.ended, row.endedBy) << row.what; // no core: these signals make none
        EXPECT_EQ(run.unread, row.how.pipedInput) << row.what;
        EXPECT_EQ(run.leftOver, row.leftOver) << row.what;
    }
    std::string toFile = ReadFile(work_ + "/out");
    EXPECT_EQ(toFile.substr(toFile.size() - 33), "Press any key to continue . . . \n");
}

// What a terminal shows of the bytes written to it, line by line: a move of the cursor forward
// (CSI n C) as blanks, every other escape sequence and each carriage return left out. Wine's
// console draws this way, a character at a time.
static std::vector<std::string> RenderedLines(const std::string &bytes) {
    std::string text;
    for (size_t at = 0; at < bytes.size(); ++at) {
        if (bytes.compare(at, 2, "\x1B[") == 0) {
            size_t end = at + 2;
            while (end < bytes.size() && !(bytes[end] >= 0x40 && bytes[end] <= 0x7E))
                ++end;
            if (end < bytes.size() && bytes[end] == 'C')
                text.append(end > at + 2 ? std::stoul(bytes.substr(at + 2, end - at - 2)) : 1, ' ');
            at = end;
        } else if (bytes[at] != '\r') {
            text += bytes[at];
        }
    }
    return Lines(text);
}

// Whether this machine has the locale, which Wine needs to take its code pages from it.
static bool HasLocale(const char *name) {
    locale_t found = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (found != static_cast<locale_t>(nullptr))
        freelocale(found);
    return found != static_cast<locale_t>(nullptr);
}

// The Windows program at a console shows each name as the letters of the file made: the ANSI
// code page's, in which names go to the system, whatever the console's own (the OEM code page,
// which in a Russian locale is 866 where the ANSI one is 1251: Wine's C runtime then showed
// "caf\xE9" as "café", where the file is "cafй"). Its code page's letters in 0x80-0x9F are shown
// too, and reports show names the same way. The pause waits only when both ends are the
// console: with standard output a file or input a pipe it returns at once, reads nothing, and a
// file holds the listing's bytes, the names' own, and no prompt.
TEST_F(ProgramTest, TheWindowsConsoleShowsTheNamesOfTheFilesMade) {
    if (!TestingWindowsProgram())
        GTEST_SKIP() << "the console's code pages are Windows'";
    WriteFile(root_.path + "/in/archive.vorn",
              BuildArchive({{"caf\xE9.txt", "1"}, {"\x80uro.txt", "2"}, {"\x8Aoda.txt", "3"}}));
    const std::vector<std::string> western = {"caf\xC3\xA9.txt", "\xE2\x82\xACuro.txt",
                                              "\xC5\xA0oda.txt"};
    struct {
        const char *what, *locale;
        std::vector<std::string> files; // in the archive's order
        OnTerminal how = {};
    } rows[] = {
        {"a console in a Russian locale (ANSI code page 1251, console 866)",
         "ru_RU.UTF-8",
         {"caf\xD0\xB9.txt", "\xD0\x82uro.txt", "\xD0\x89oda.txt"}},
        {"a console in the default locale (code page 1252)", "C.UTF-8", western},
        {"standard output a file, input the console: no pause", "C.UTF-8", western},
        {"standard input a pipe, output the console: no pause", "C.UTF-8", western},
    };
    rows[2].how.outputToFile = true;
    rows[3].how.pipedInput = "y\n";
    for (const auto &row : rows) {
        if (!HasLocale(row.locale)) {
            std::cout << "row \"" << row.what << "\" left out: this machine has no " << row.locale
                      << " (scripts/setup test builds it)\n";
            continue;
        }
        OnTerminal how = row.how;
        bool pauses = !how.outputToFile && how.pipedInput.empty();
        how.keys = pauses ? "x" : "";
        how.environment = {std::string("LANG=") + row.locale, std::string("LC_ALL=") + row.locale};
        // A report goes the same way: one names an argument, the first file's name as the locale
        // spells it, which reaches the program in the ANSI code page.
        TerminalRun run =
            RunOnTerminal(ProgramCommand({"../in/archive.vorn", row.files[0]}), work_, how);
        EXPECT_EQ(run.ended, 0) << row.what;
        EXPECT_EQ(run.unread, how.pipedInput) << row.what;
        std::vector<std::string> shown = RenderedLines(run.shown), made = row.files;
        std::string screen;
        for (const std::string &line : shown)
            screen += line + "\n";
        if (how.outputToFile) {
            made.push_back("out");
            EXPECT_EQ(ReadFile(work_ + "/out"),
                      "Quenby\r\nHomepage: https://quenby.example.net/vorn/\r\n"
                      "Ulvenholt - Vorn Viewer v1.1\r\n\r\nFile has 3 Entries\r\n\r\n"
                      "   1 / 3        caf\xE9.txt\r\n"
                      "   2 / 3        \x80uro.txt\r\n"
                      "   3 / 3        \x8Aoda.txt\r\n")
                << row.what;
        }
        // The console wraps the report's line at its 80 columns.
        std::string report = "VornReader: 1 argument after \"../in/archive.vorn\" is not used (\"" +
                             row.files[0] + "\"): one archive per run",
                    unwrapped;
        for (const std::string &line : shown)
            unwrapped += line;
        EXPECT_NE(unwrapped.find(report), std::string::npos)
            << row.what << ": no report \"" << report << "\" in:\n"
            << screen;
        // Each line as it was listed; then, where the pause waits, the interpreter's prompt, in
        // the locale's language.
        auto listed = shown.end();
        for (size_t i = 0; i < row.files.size() && !how.outputToFile; ++i) {
            std::string line = "   " + std::to_string(i + 1) + " / 3        " + row.files[i];
            listed = std::find(shown.begin(), shown.end(), line);
            EXPECT_NE(listed, shown.end()) << row.what << ": no line \"" << line << "\" in:\n"
                                           << screen;
        }
        bool prompted = listed != shown.end() &&
                        std::any_of(listed + 1, shown.end(),
                                    [](const std::string &next) { return !next.empty(); });
        EXPECT_EQ(prompted, pauses) << row.what << ":\n" << screen;
        std::sort(made.begin(), made.end());
        EXPECT_EQ(Written(), made) << row.what;
        EmptyWork();
    }
}
