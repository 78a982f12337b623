#include "test_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

ScratchFolder MakeScratchFolder(const std::string &under) {
    std::string pattern = under + "/vorn-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed under " + under);
    return {buffer.data()};
}

static int RemoveOne(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}

void RemoveTree(const std::string &path) {
    nftw(path.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool PathExists(const std::string &path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

std::vector<std::string> ListFolder(const std::string &path) {
    std::vector<std::string> names;
    DIR *folder = opendir(path.c_str());
    if (folder == nullptr)
        throw std::runtime_error("cannot list " + path);
    while (dirent *entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

bool TestingWindowsProgram() {
    const char *program = getenv("VORN_PROGRAM");
    return program != nullptr && strstr(program, ".exe") != nullptr;
}

bool TestingSanitizedProgram() {
#if defined(VORN_SANITIZED)
    return true;
#else
    return false;
#endif
}

static std::vector<std::string> CommandLine(const std::vector<std::string> &args) {
    std::vector<std::string> command;
    const char *launcher = getenv("VORN_LAUNCHER");
    if (launcher != nullptr && *launcher != '\0')
        command.push_back(launcher);
    const char *program = getenv("VORN_PROGRAM");
    command.push_back(program != nullptr ? program : VORN_DEFAULT_PROGRAM);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

static void ApplyLimits(const RunLimits &limits) {
    if (limits.addressSpaceBytes > 0) {
        rlimit limit = {static_cast<rlim_t>(limits.addressSpaceBytes),
                        static_cast<rlim_t>(limits.addressSpaceBytes)};
        setrlimit(RLIMIT_AS, &limit);
    }
    if (limits.fileSizeBytes > 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {static_cast<rlim_t>(limits.fileSizeBytes),
                        static_cast<rlim_t>(limits.fileSizeBytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
}

// Output goes through files, not pipes: under Wine a helper process can hold a
// pipe open long after the program itself has ended.
[[noreturn]] static void RunChild(const std::vector<std::string> &command, const std::string &cwd,
                                  const std::string &outPath, const std::string &errPath,
                                  const RunLimits &limits) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0)
        _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    ApplyLimits(limits);
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    dprintf(2, "could not start %s: %s\n", argv[0], strerror(errno));
    _exit(127);
}

static std::string Joined(const std::vector<std::string> &words) {
    std::string joined;
    for (const std::string &word : words)
        joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

static std::string WithoutCarriageReturns(std::string text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            result += text[i];
    return result;
}

RunResult RunProgram(const std::vector<std::string> &args, const std::string &cwd,
                     const RunLimits &limits) {
    ScratchFolder capture = MakeScratchFolder();
    std::string outPath = capture.path + "/stdout", errPath = capture.path + "/stderr";
    std::vector<std::string> command = CommandLine(args);
    pid_t child = fork();
    if (child == 0)
        RunChild(command, cwd, outPath, errPath, limits);
    int waitStatus = 0;
    rusage usage = {};
    wait4(child, &waitStatus, 0, &usage);
    RunResult result;
    result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    result.peakMemoryKiB = usage.ru_maxrss;
    RemoveTree(capture.path);
    // The program prints its banner before anything else: without it, it never ran (the
    // launcher or the program could not be started). The case fails here, with the reason.
    if (result.out.empty())
        throw std::runtime_error("could not start " + Joined(command) + " (exit status " +
                                 std::to_string(result.status) + "): " + result.err.substr(0, 500));
    if (TestingWindowsProgram()) {
        result.out = WithoutCarriageReturns(result.out);
        result.err = WithoutCarriageReturns(result.err);
    }
    return result;
}
