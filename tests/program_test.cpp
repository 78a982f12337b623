// The fixture and helpers of the end-to-end tests.
#include "program_test.h"

#include <iostream>
#include <sys/stat.h>

const char kBanner[] = "Quenby\n"
                       "Homepage: https://quenby.example.net/vorn/\n"
                       "Ulvenholt - Vorn Viewer v1.1\n"
                       "\n";
const char kUsage[] = "VornReader <path>\n";
static const char kPausePrompt[] = "Press any key to continue";

// The Windows program hands the pause to the command interpreter only at a console, which no
// run here has: its output ends without a prompt.
std::string OutputBeforePause(const RunResult &result) {
    size_t prompt = result.out.rfind(kPausePrompt);
    if (TestingWindowsProgram()) {
        EXPECT_EQ(prompt, std::string::npos) << "a pause without a console: " << result.out;
        return result.out;
    }
    EXPECT_NE(prompt, std::string::npos) << "no pause at the end of: " << result.out;
    if (prompt == std::string::npos)
        return result.out;
    // The prompt is the last line: at most its own line break follows it.
    std::string prompted = result.out.substr(prompt);
    size_t lastBreak = prompted.back() == '\n' ? prompted.size() - 1 : std::string::npos;
    EXPECT_EQ(prompted.find('\n'), lastBreak) << "output after the pause: " << prompted;
    return result.out.substr(0, prompt);
}

std::map<std::string, std::string> FilesOf(const std::vector<TestEntry> &entries) {
    std::map<std::string, std::string> files;
    for (const TestEntry &entry : entries)
        files[entry.name] = entry.data;
    return files;
}

RunOptions TightLimits() {
    RunOptions limits;
    if (!TestingWindowsProgram() && !TestingSanitizedProgram()) {
        limits.addressSpaceBytes = INT64_C(64) << 20;
        limits.fileSizeBytes = INT64_C(8) << 20;
        limits.measureMemory = true;
    }
    return limits;
}

void ExpectSmallMemory(const RunResult &result) {
    if (!TestingWindowsProgram() && !TestingSanitizedProgram()) {
        EXPECT_GT(result.peakMemoryKiB, 0);
        EXPECT_LT(result.peakMemoryKiB, 8 * 1024);
    }
}

RunOptions FailingCalls(const std::string &log, const std::string &calls,
                        std::vector<std::string> settings) {
    settings.push_back("VORN_CALL_LOG=" + log);
    settings.push_back("VORN_FAIL_CALLS=" + calls);
    return Preloaded(settings);
}

std::vector<std::string> LoggedCalls(const std::string &log) {
    std::vector<std::string> calls;
    for (const std::string &line : Lines(PathExists(log) ? ReadFile(log) : ""))
        calls.push_back(line.substr(line.find(' ') + 1));
    remove(log.c_str());
    return calls;
}

bool LeftOutOnWindows(const std::string &what) {
    if (!TestingWindowsProgram())
        return false;
    std::cout << "row \"" << what << "\" left out: Linux only\n";
    return true;
}

void ProgramTest::SetUp() {
    root_ = MakeScratchFolder(PathExists("/dev/shm") ? "/dev/shm" : "/tmp");
    work_ = root_.path + "/work";
    ASSERT_EQ(mkdir(work_.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((root_.path + "/in").c_str(), 0755), 0);
}

RunResult ProgramTest::Unpack(const std::string &archive, const RunOptions &options) {
    WriteFile(root_.path + "/in/archive.vorn", archive);
    return RunProgram({"../in/archive.vorn"}, work_, options);
}

std::map<std::string, std::string> ProgramTest::WrittenFiles() {
    std::map<std::string, std::string> files;
    for (const std::string &name : Written())
        files[name] = Entry(name);
    return files;
}

void ProgramTest::EmptyWork() {
    for (const std::string &name : Written())
        remove((work_ + "/" + name).c_str());
}

void ProgramTest::ExpectNoTemporaryFile(const std::string &what) {
    for (const std::string &name : Written())
        EXPECT_NE(name.rfind(".VornReader-", 0), 0u) << what << ": " << name << " left";
}

void ProgramTest::ExpectNothingOutsideWork() {
    EXPECT_EQ(ListFolder(root_.path), (std::vector<std::string>{"in", "work"}));
    EXPECT_EQ(ListFolder(root_.path + "/in"), std::vector<std::string>{"archive.vorn"});
}
