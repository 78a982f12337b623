// The program run as a real process, each case in a fresh folder:
//   <root>/work  the working directory, where entries land
//   <root>/in    the archive, so every case also shows that entries land in the
//                working folder, not beside the archive
#pragma once

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "test_support.h"

extern const char kBanner[];
extern const char kUsage[];

// Standard output up to the pause's prompt, which must come last (on Linux; the Windows
// program has none without a console).
std::string OutputBeforePause(const RunResult &result);
// The files that entries make, by name.
std::map<std::string, std::string> FilesOf(const std::vector<TestEntry> &entries);

// Limits that a runaway program would hit: 64 MiB of address space, 8 MiB a file, and its
// peak memory measured (on Linux, without sanitizers).
RunOptions TightLimits();
void ExpectSmallMemory(const RunResult &result);

// The fault sweeps' helpers: the options that log the program's file calls to `log` and fail
// those numbered in `calls` ("N,M"), under the system's `settings` (fail_calls.cpp); and the
// calls so logged, a "<call>[ failed]" each, the log removed.
RunOptions FailingCalls(const std::string &log, const std::string &calls,
                        std::vector<std::string> settings);
std::vector<std::string> LoggedCalls(const std::string &log);

// A row of a table left out on the Windows program, with the reason printed.
bool LeftOutOnWindows(const std::string &what);

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override { RemoveTree(root_.path); }

    // Writes the archive to <root>/in and runs the program on it from <root>/work.
    RunResult Unpack(const std::string &archive, const RunOptions &options = RunOptions());
    std::string Entry(const std::string &name) { return ReadFile(work_ + "/" + name); }
    std::vector<std::string> Written() { return ListFolder(work_); }
    // Every file in the working folder with its bytes.
    std::map<std::string, std::string> WrittenFiles();
    void EmptyWork();
    // The temporary file (.VornReader-<process>-<n>.tmp) never outlives its entry.
    void ExpectNoTemporaryFile(const std::string &what);
    // Nothing may appear beside the working folder or the archive.
    void ExpectNothingOutsideWork();

    ScratchFolder root_;
    std::string work_;
};
