// Scratch folders, files and runs of the program under test, its output captured in files.
#include "test_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

ScratchFolder MakeScratchFolder(const std::string &under) {
    std::string pattern = under + "/vorn-test-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr)
        throw std::runtime_error("mkdtemp failed under " + under);
    return {pattern};
}

void RemoveTree(const std::string &path) {
    std::error_code ignored; // what cannot be removed stays
    std::filesystem::remove_all(path, ignored);
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
    for (const auto &entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// The parts of a text between separators; none after a separator that ends it.
static std::vector<std::string> Split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find(separator, at), text.size());
        parts.push_back(text.substr(at, end - at));
    }
    return parts;
}

std::vector<std::string> Lines(const std::string &text) {
    return Split(text, '\n');
}

std::vector<std::string> Words(const std::string &text) {
    return Split(text, ' ');
}

bool TestingWindowsProgram() {
    const char *program = getenv("VORN_PROGRAM");
    return program != nullptr && strstr(program, ".exe") != nullptr;
}

bool PreloadReachesProgram() {
    return !TestingSanitizedProgram() &&
           (!TestingWindowsProgram() || getenv("VORN_PRELOAD_REACHES") != nullptr);
}

bool TestingSanitizedProgram() {
    return VORN_SANITIZED; // 1 or 0, as CMake found the flags
}

std::vector<std::string> ProgramCommand(const std::vector<std::string> &args, bool writer) {
    std::vector<std::string> command;
    const char *launcher = getenv("VORN_LAUNCHER");
    if (launcher != nullptr && *launcher != '\0')
        command.push_back(launcher);
    const char *program = getenv(writer ? "VORN_WRITER" : "VORN_PROGRAM");
    command.push_back(program != nullptr ? program
                      : writer           ? VORN_DEFAULT_WRITER
                                         : VORN_DEFAULT_PROGRAM);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

RunOptions Preloaded(std::vector<std::string> settings) {
    RunOptions options;
    options.environment = std::move(settings);
    options.environment.push_back(std::string("LD_PRELOAD=") + VORN_FAIL_CALLS_LIBRARY);
    return options;
}

// A limit of 0 is none.
static void SetLimit(decltype(RLIMIT_AS) resource, int64_t value) {
    rlimit limit = {static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
    if (value > 0)
        setrlimit(resource, &limit);
}

// Limits, signals and environment as the options ask; SIGXFSZ as a shell leaves it, so that
// the program has to deal with a file-size limit itself.
static void PrepareChild(const RunOptions &options) {
    signal(SIGXFSZ, SIG_DFL);
    if (options.ignoredSignal != 0)
        signal(options.ignoredSignal, SIG_IGN);
    for (const std::string &setting : options.environment)
        putenv(const_cast<char *>(setting.c_str()));
    SetLimit(RLIMIT_AS, options.addressSpaceBytes);
    SetLimit(RLIMIT_NOFILE, options.openFiles);
    SetLimit(RLIMIT_FSIZE, options.fileSizeBytes);
    // A run ended by SIGQUIT or SIGXCPU would leave a core file among the entries.
    rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
}

void ExecCommand(const std::vector<std::string> &command) {
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    dprintf(2, "could not start %s: %s\n", argv[0], strerror(errno));
    _exit(127);
}

// Output goes through files, not pipes: under Wine a helper process can hold a
// pipe open long after the program itself has ended.
[[noreturn]] static void RunChild(const std::vector<std::string> &command, const std::string &cwd,
                                  const std::string &outPath, const std::string &errPath,
                                  const RunOptions &options) {
    int in = open("/dev/null", O_RDONLY);
    // Both streams into one file append, each at its end: Wine writes at positions it keeps
    // for each handle, and would write one stream over the other.
    int out = open(outPath.c_str(),
                   O_WRONLY | O_CREAT | O_TRUNC | (options.errorsWithOutput ? O_APPEND : 0), 0600);
    int err =
        options.errorsWithOutput ? out : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int ends[2];
    if (options.outputReaderGone && pipe(ends) == 0) {
        close(ends[0]);
        out = ends[1];
    }
    if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0)
        _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    close_range(3, ~0u, 0); // the program starts with its three standard streams alone
    if (options.outputClosed)
        close(1);
    PrepareChild(options);
    ExecCommand(command);
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
                     const RunOptions &options) {
    ScratchFolder capture = MakeScratchFolder();
    bool captured =
        options.outputPath.empty() && !options.outputClosed && !options.outputReaderGone;
    std::string outPath = captured                     ? capture.path + "/stdout"
                          : options.outputPath.empty() ? "/dev/null"
                                                       : options.outputPath;
    std::string errPath = capture.path + "/stderr", memoryPath = capture.path + "/memory";
    std::vector<std::string> command = ProgramCommand(args, options.writer);
    // The kernel's own figure for a forked child would count the pages it shared with this
    // process before exec; GNU time forks from a process of its own size.
    if (options.measureMemory)
        command.insert(command.begin(), {"/usr/bin/time", "-f", "%M", "-o", memoryPath});
    pid_t child = fork();
    if (child == 0)
        RunChild(command, cwd, outPath, errPath, options);
    int waitStatus = 0;
    waitpid(child, &waitStatus, 0);
    RunResult result;
    result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    result.signal = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
    result.out = captured ? ReadFile(outPath) : "";
    result.err = options.errorsWithOutput ? "" : ReadFile(errPath);
    // The figure is the last line; a line about a non-zero exit status may come first.
    if (options.measureMemory)
        result.peakMemoryKiB = std::stoll(Lines(ReadFile(memoryPath)).back());
    RemoveTree(capture.path);
    // The reader prints its banner before anything else: without it, it never ran (the
    // launcher or the program could not be started), unless a signal ended it before its
    // output was written. The case fails here, with the reason. The writer is silent.
    bool silent = options.writer && result.status != 127;
    if (!silent && result.out.empty() && ((captured && result.signal == 0) || result.status == 127))
        throw std::runtime_error("could not start " + Joined(command) + " (exit status " +
                                 std::to_string(result.status) + "): " + result.err.substr(0, 500));
    if (TestingWindowsProgram()) {
        result.out = WithoutCarriageReturns(result.out);
        result.err = WithoutCarriageReturns(result.err);
    }
    return result;
}
