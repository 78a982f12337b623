// Scratch folders, files and program runs for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh empty folder; RemoveTree takes it away again.
struct ScratchFolder {
    std::string path;
};
ScratchFolder MakeScratchFolder(const std::string &under = "/tmp");
void RemoveTree(const std::string &path);

void WriteFile(const std::string &path, const std::string &bytes);
std::string ReadFile(const std::string &path);
bool PathExists(const std::string &path);
// Names in a folder, sorted, without "." and "..".
std::vector<std::string> ListFolder(const std::string &path);
std::vector<std::string> Lines(const std::string &text);
// The words of a text separated by blanks, an empty one where two blanks meet or one begins it.
std::vector<std::string> Words(const std::string &text);

// How the program is run; by default with standard input from /dev/null and its output
// captured.
struct RunOptions {
    bool writer = false;           // VornWriter instead of VornReader
    int64_t addressSpaceBytes = 0; // RLIMIT_AS, 0 for none
    int64_t fileSizeBytes = 0;     // RLIMIT_FSIZE (SIGXFSZ left at its default), 0 for none
    int64_t openFiles = 0;         // RLIMIT_NOFILE, 0 for none
    std::string outputPath;        // when not empty, standard output goes there, not captured
    bool outputClosed = false;     // standard output closed
    bool outputReaderGone = false; // standard output a pipe whose reader has gone
    bool errorsWithOutput = false; // standard error captured in standard output, in order
    bool measureMemory = false;    // run under GNU time for the program's own peak memory
    int ignoredSignal = 0;         // a signal the program is started with ignored
    std::vector<std::string> environment; // NAME=value set for the program
};

struct RunResult {
    int status = -1; // exit status, or -1 when the program did not exit normally
    int signal = 0;  // the signal that ended it, if one did
    std::string out; // standard output, "\r\n" read as "\n"
    std::string err;
    int64_t peakMemoryKiB = 0; // the largest resident set the program reached, when measured
};

// Runs the program under test in `cwd`. VORN_PROGRAM names it (default: the Linux
// build), VORN_WRITER the writer; VORN_LAUNCHER (e.g. a Wine loader) starts it. Throws,
// failing the case with the reason, when it could not be started.
RunResult RunProgram(const std::vector<std::string> &args, const std::string &cwd,
                     const RunOptions &options = RunOptions());

// The program's path and the words before it that start it.
std::vector<std::string> ProgramCommand(const std::vector<std::string> &args, bool writer = false);

// In a forked child: becomes `command` (found on the PATH), or exits with 127 after saying
// on standard error why it could not start.
[[noreturn]] void ExecCommand(const std::vector<std::string> &command);

// Options that preload the library that counts the program's file calls and fails chosen ones
// (fail_calls.cpp), with its settings (NAME=value).
RunOptions Preloaded(std::vector<std::string> settings);

// True when the program under test is the Windows build.
bool TestingWindowsProgram();

// True when a library preloaded into the launcher reaches the program: Linux's, or the 64-bit
// Windows program's under 64-bit Wine (the library is built for 64-bit programs); not a
// sanitized program's, whose runtime must come first.
bool PreloadReachesProgram();

// True when the program was built with sanitizers, whose shadow memory rules out
// address-space limits and memory figures.
bool TestingSanitizedProgram();
