// Preloaded into the Linux program (LD_PRELOAD) by the tests: counts the program's file calls,
// makes chosen ones fail, and can raise a signal in the middle of an entry, so that what is
// on disk can be checked after every way a run can break. Set by the environment:
//   VORN_CALL_LOG=path     each counted call is logged there as "<number> <call>", and a call
//                          made to fail as "<number> <call> failed"
//   VORN_FAIL_CALLS=N,M    the calls with these numbers fail with EIO (a close still closes)
//   VORN_NO_TMPFILE=1      open(O_TMPFILE) is refused, as by a file system without it
//   VORN_NO_KERNEL_COPY=1  splice is refused, as by a file system that cannot splice,
//   VORN_NO_SPLICE_INTO_FILE=1  or only into a regular file (logged as "splice-refused")
//   VORN_NO_PROC=1         paths under /proc do not exist
//   VORN_EXFAT=1           as on exFAT and FAT through FUSE: open(O_TMPFILE) is refused with
//                          EOPNOTSUPP, renameat2 with a flag with EINVAL, link and linkat with
//                          EPERM
//   VORN_GROW=NAME         the first read of a file called NAME adds a byte to it first,
//   VORN_REWRITE=NAME      or rewrites its first byte in place, a clock tick after its last change
//   VORN_SWAP=NAME         just before a file called NAME is opened, a FIFO takes its place,
//   VORN_TOUCH=NAME        or its times move a second on, as a rewrite's would
//   VORN_UNREADABLE=NAME   access() says a file called NAME may not be read
//   VORN_TAKE=NAME         just before a link, a rename or an exclusive create of a name NAME, a
//                          file "taken" appears there, as another program may make one
//   VORN_RAISE=SIGNAL      the signal is raised just before the first write of entry data,
//   VORN_RAISE_AT=CALL     or while a temporary name exists: after the first "linkat", before
//                          the first "rename"; just after it ("renamed"); or just after the
//                          first exclusive create ("open-exclusive"), while the program defers
//                          its ending signals
//   VORN_RAISE_IN=PREFIX   only for a write to a file whose name starts with PREFIX
//   VORN_RAISE_WAIT=1      then waits 5 s (Wine ends the program from another thread)
//   VORN_VMPEAK_LOG=path   the process's peak address space (VmPeak) is written there at exit
//   VORN_SLOW=CALL         raise or tcsetattr returns 100 ms late (the pause's stop, continued)
// Standard input, output and error are not counted: their writes go through the C library; nor
// are the coverage build's own files (*.gcda), written as the program ends.
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A 32-bit program built with 64-bit file offsets calls open64 and pread64 where its source says
// open and pread, and so do the wrappers below, built the same way: the next of each is asked
// by that name, which the C library has on 64-bit systems too.
template <typename Function> Function Next(const char *name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int RealOpen(const char *path, int flags, mode_t mode = 0) {
    return Next<int (*)(const char *, int, ...)>("open64")(path, flags, mode);
}

ssize_t RealWrite(int fd, const void *data, size_t length) {
    return Next<ssize_t (*)(int, const void *, size_t)>("write")(fd, data, length);
}

int RealClose(int fd) {
    return Next<int (*)(int)>("close")(fd);
}

// The settings are read where they are used: the environment does not change meanwhile.
const char *Setting(const char *name) {
    const char *value = getenv(name);
    return value != nullptr ? value : "";
}

bool On(const char *name) {
    return atoi(Setting(name)) != 0;
}

// Descriptors of the coverage build's files, whose calls are not the program's.
bool notCounted[1024];

bool Counted(int fd) {
    return fd > 2 && (fd >= 1024 || !notCounted[fd]);
}

bool IsCoverageFile(const char *path) {
    size_t length = strlen(path);
    return length > 5 && strcmp(path + length - 5, ".gcda") == 0;
}

// The log exists from the start: a run that makes no counted call leaves it empty.
int logFile = -1;

__attribute__((constructor)) void OpenLog() {
    if (getenv("VORN_CALL_LOG") != nullptr)
        logFile =
            RealOpen(getenv("VORN_CALL_LOG"), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

__attribute__((destructor)) void LogPeakAddressSpace() {
    if (getenv("VORN_VMPEAK_LOG") == nullptr)
        return;
    FILE *status = fopen("/proc/self/status", "r"), *log = fopen(getenv("VORN_VMPEAK_LOG"), "w");
    char line[256];
    while (status != nullptr && log != nullptr && fgets(line, sizeof line, status) != nullptr)
        if (strncmp(line, "VmPeak:", 7) == 0)
            fputs(line, log);
    if (status != nullptr)
        fclose(status);
    if (log != nullptr)
        fclose(log);
}

// Counts the call; true, with errno set, when it is one to fail.
bool Fails(const char *call) {
    static long calls = 0;
    char failing[256], number[32], line[64];
    snprintf(failing, sizeof failing, ",%s,", Setting("VORN_FAIL_CALLS")); // ",N,M,"
    snprintf(number, sizeof number, ",%ld,", ++calls);
    bool fails = strstr(failing, number) != nullptr;
    int length = snprintf(line, sizeof line, "%ld %s%s\n", calls, call, fails ? " failed" : "");
    if (logFile >= 0)
        RealWrite(logFile, line, static_cast<size_t>(length));
    errno = EIO;
    return fails;
}

void RaiseOnce() {
    static bool raised = false;
    if (On("VORN_RAISE") && !raised) {
        raised = true;
        raise(atoi(Setting("VORN_RAISE")));
        if (On("VORN_RAISE_WAIT"))
            sleep(5);
    }
}

const char *BaseName(const char *path) {
    const char *last = strrchr(path, '/');
    return last != nullptr ? last + 1 : path;
}

// The open file's name, without its folder, starts with the prefix; never without a prefix.
bool Named(int fd, const char *prefix) {
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = prefix != nullptr ? readlink(link, path, sizeof path - 1) : 0;
    if (length <= 0)
        return false;
    path[length] = '\0';
    return strncmp(BaseName(path), prefix, strlen(prefix)) == 0;
}

void RaiseAtData(int fd) {
    const char *in = getenv("VORN_RAISE_IN");
    if (*Setting("VORN_RAISE_AT") == '\0' && (in == nullptr || Named(fd, in)))
        RaiseOnce();
}

void RaiseAt(const char *call) {
    if (strcmp(Setting("VORN_RAISE_AT"), call) == 0)
        RaiseOnce();
}

// The file's times change only when the clock that stamps them has moved on from its last
// change: a file changed within the same tick keeps its times.
void AwaitNextTick(int fd) {
    struct stat status;
    fstat(fd, &status);
    timespec now;
    do
        clock_gettime(CLOCK_REALTIME_COARSE, &now);
    while (now.tv_sec < status.st_ctim.tv_sec ||
           (now.tv_sec == status.st_ctim.tv_sec && now.tv_nsec <= status.st_ctim.tv_nsec));
}

// A file that changes while the writer reads it: one byte more, or one byte rewritten.
void ChangeOnFirstRead(int fd) {
    static bool changed = false;
    bool grows = Named(fd, getenv("VORN_GROW"));
    if (changed || !(grows || Named(fd, getenv("VORN_REWRITE"))))
        return;
    changed = true;
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    int writing = RealOpen(link, O_WRONLY | (grows ? O_APPEND : 0));
    AwaitNextTick(writing);
    RealWrite(writing, "+", 1);
    RealClose(writing);
}

bool HasName(const char *path, const char *setting) {
    return getenv(setting) != nullptr && strcmp(BaseName(path), getenv(setting)) == 0;
}

// The file at `path` changes just before it is opened.
void ChangeBeforeOpen(const char *path) {
    static bool changed = false;
    if (changed || !(HasName(path, "VORN_SWAP") || HasName(path, "VORN_TOUCH")))
        return;
    changed = true;
    struct stat status;
    if (HasName(path, "VORN_TOUCH") && stat(path, &status) == 0) {
        timespec times[2] = {status.st_atim, status.st_mtim};
        times[1].tv_sec += 1;
        utimensat(AT_FDCWD, path, times, 0);
        return;
    }
    Next<int (*)(const char *)>("unlink")(path);
    mkfifo(path, 0644);
}

void TakeName(const char *path) {
    if (!HasName(path, "VORN_TAKE"))
        return;
    int fd = RealOpen(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
    RealWrite(fd, "taken", 5);
    RealClose(fd);
}

void ReturnLate(const char *call) {
    if (strcmp(Setting("VORN_SLOW"), call) == 0)
        usleep(100 * 1000);
}

// Paths under /proc do not exist, with that setting.
bool UnderProc(const char *path) {
    return On("VORN_NO_PROC") && strncmp(path, "/proc/", 6) == 0;
}

int Refused(int error) {
    errno = error;
    return -1;
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE
                      ? static_cast<mode_t>(va_arg(arguments, int))
                      : 0;
    va_end(arguments);
    bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    if (unnamed && (On("VORN_NO_TMPFILE") || On("VORN_EXFAT")))
        return Refused(EOPNOTSUPP);
    ChangeBeforeOpen(path);
    if ((flags & O_EXCL) && !unnamed)
        TakeName(path);
    bool coverage = IsCoverageFile(path);
    if (!coverage && Fails(unnamed ? "open-unnamed" : "open"))
        return -1;
    int fd = RealOpen(path, flags, mode);
    if (fd >= 0 && fd < 1024)
        notCounted[fd] = coverage;
    if ((flags & O_EXCL) && !unnamed)
        RaiseAt("open-exclusive");
    return fd;
}

ssize_t pread(int fd, void *buffer, size_t length, off_t position) {
    ChangeOnFirstRead(fd);
    if (Counted(fd) && Fails("pread"))
        return -1;
    return Next<ssize_t (*)(int, void *, size_t, off_t)>("pread64")(fd, buffer, length, position);
}

ssize_t write(int fd, const void *data, size_t length) {
    if (Counted(fd)) {
        RaiseAtData(fd);
        if (Fails("write"))
            return -1;
    }
    return RealWrite(fd, data, length);
}

int close(int fd) {
    bool fails = Counted(fd) && Fails("close");
    int closed = RealClose(fd);
    if (fails)
        errno = EIO;
    return fails ? -1 : closed;
}

ssize_t splice(int in, off64_t *inAt, int out, off64_t *outAt, size_t length, unsigned flags) {
    if (On("VORN_NO_KERNEL_COPY"))
        return Refused(EINVAL);
    struct stat status;
    if (On("VORN_NO_SPLICE_INTO_FILE") && fstat(out, &status) == 0 && S_ISREG(status.st_mode)) {
        Fails("splice-refused");
        return Refused(EINVAL);
    }
    RaiseAtData(out);
    ChangeOnFirstRead(in);
    if (Fails("splice"))
        return -1;
    return Next<ssize_t (*)(int, off64_t *, int, off64_t *, size_t, unsigned)>("splice")(
        in, inAt, out, outAt, length, flags);
}

int rename(const char *from, const char *to) {
    RaiseAt("rename");
    TakeName(to);
    if (Fails("rename"))
        return -1;
    int renamed = Next<int (*)(const char *, const char *)>("rename")(from, to);
    RaiseAt("renamed");
    return renamed;
}

// The programs make neither call (a move without replacing, a second name): exFAT refuses both.
int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned flags) {
    if (flags != 0 && On("VORN_EXFAT"))
        return Refused(EINVAL);
    return Next<int (*)(int, const char *, int, const char *, unsigned)>("renameat2")(
        fromFolder, from, toFolder, to, flags);
}

int link(const char *from, const char *to) {
    if (On("VORN_EXFAT"))
        return Refused(EPERM);
    return Next<int (*)(const char *, const char *)>("link")(from, to);
}

int unlink(const char *name) {
    return Fails("unlink") ? -1 : Next<int (*)(const char *)>("unlink")(name);
}

int raise(int signal) {
    int raised = Next<int (*)(int)>("raise")(signal);
    ReturnLate("raise");
    return raised;
}

int tcsetattr(int fd, int when, const termios *settings) {
    int set = Next<int (*)(int, int, const termios *)>("tcsetattr")(fd, when, settings);
    ReturnLate("tcsetattr");
    return set;
}

int linkat(int fromFolder, const char *from, int toFolder, const char *to, int flags) {
    if (UnderProc(from))
        return Refused(ENOENT);
    if (On("VORN_EXFAT"))
        return Refused(EPERM);
    TakeName(to);
    if (Fails("linkat"))
        return -1;
    int linked = Next<int (*)(int, const char *, int, const char *, int)>("linkat")(
        fromFolder, from, toFolder, to, flags);
    RaiseAt("linkat");
    return linked;
}

int access(const char *path, int mode) {
    if (UnderProc(path))
        return Refused(ENOENT);
    if (HasName(path, "VORN_UNREADABLE"))
        return Refused(EACCES);
    return Next<int (*)(const char *, int)>("access")(path, mode);
}

} // extern "C"
