// The ending signals on POSIX (kEndingSignals), caught from the first output held, file to remove
// or terminal to restore. The handler removes the file, writes out the output and restores the
// terminal (unlink, poll, write and tcsetattr are safe in a handler), then restores the signal's
// default action and raises it again, so that the program ends as it would have and its caller
// sees how. While the terminal is to be restored, a stop (Ctrl-Z) puts its settings back first,
// and a continuation (fg) applies the program's own again, as full-screen programs do.
#include "archive/files/interrupt.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#if defined(VORN_COVERAGE)
extern "C" void __gcov_dump();
#endif

// Every signal whose default action ends the program, so that none leaves part of a file: but
// those of a fault of its own (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS), after
// which it should do nothing more, and those it ignores (console_posix.cpp). The real-time
// signals end it too (IsEndingSignal).
static const int kEndingSignals[] = {
    SIGINT,    SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
#if defined(SIGPOLL)
    SIGPOLL,
#endif
#if defined(SIGSTKFLT)
    SIGSTKFLT,
#endif
#if defined(SIGPWR)
    SIGPWR,
#endif
};

static bool IsEndingSignal(int signal) {
#if defined(SIGRTMIN)
    if (signal >= SIGRTMIN && signal <= SIGRTMAX)
        return true;
#endif
    for (int ending : kEndingSignals)
        if (signal == ending)
            return true;
    return false;
}

static std::atomic<const char *> fileToRemove{nullptr}, fileRenamedTo{nullptr};
static std::atomic<const HeldOutput *> heldOutput{nullptr};
static std::atomic<const termios *> foundSettings{nullptr}, waitingSettings{nullptr};
static std::atomic<int> terminalFd{-1};

// A signal that comes while signals are deferred is kept here until they resume. This costs no
// system call, where blocking the signals would cost two for every file made.
static volatile sig_atomic_t deferring = 0;
static volatile sig_atomic_t deferredSignal = 0;

// The signal's default action, in place of ours.
static void TakeDefaultAction(int signal) {
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
}

// A signal the program was started with ignored stays ignored, and one that another part of the
// process handles already (a fuzzer's timer) stays its own. True when the handler is ours.
static bool CatchUnlessTaken(int signal, const struct sigaction &handler) {
    struct sigaction previous;
    return sigaction(signal, nullptr, &previous) == 0 && !(previous.sa_flags & SA_SIGINFO) &&
           previous.sa_handler == SIG_DFL && sigaction(signal, &handler, nullptr) == 0;
}

// Settings are changed only in the terminal's foreground: a background process that changes
// them is stopped by SIGTTOU. After Ctrl-Z the shell has the terminal back, with the settings
// found put back at the stop; `kill %1` then sends SIGTERM and SIGCONT, which must end the
// program, not stop it again.
static void ApplyIfForeground(const termios *settings) {
    int fd = terminalFd.load();
    if (settings != nullptr && tcgetpgrp(fd) == getpgrp())
        tcsetattr(fd, TCSANOW, settings);
}

// What standard output takes without waiting: a pipe whose reader has stopped reading must not
// keep the program from ending. A pipe that poll finds writable takes PIPE_BUF bytes at once.
static void WriteOutHeld() {
    const HeldOutput *output = heldOutput.load();
    const char *at = output != nullptr ? output->bytes : nullptr;
    size_t left = output != nullptr ? output->held.load() : 0;
    pollfd standardOutput = {STDOUT_FILENO, POLLOUT, 0};
    while (left > 0 && poll(&standardOutput, 1, 0) == 1 && (standardOutput.revents & POLLOUT)) {
        ssize_t put = write(STDOUT_FILENO, at, left < PIPE_BUF ? left : PIPE_BUF);
        size_t taken = put > 0 ? static_cast<size_t>(put) : left; // a failed write gives up
        at += taken;
        left -= taken;
    }
}

static void UndoAndEnd(int signal) {
    const char *name = fileToRemove.load(), *renamed = fileRenamedTo.load();
    if (name != nullptr && unlink(name) != 0 && errno == ENOENT && renamed != nullptr)
        unlink(renamed);
    WriteOutHeld();
    ApplyIfForeground(foundSettings.load());
    TakeDefaultAction(signal);
#if defined(VORN_COVERAGE)
    __gcov_dump(); // the coverage build's counts, which a signal would lose
#endif
    // In the handler the signal stays blocked until it returns, and then ends the program.
    raise(signal); // GCOVR_EXCL_LINE: counted nowhere, as the program ends
}

static void OnEndingSignal(int signal) {
    if (deferring)
        deferredSignal = signal;
    else
        UndoAndEnd(signal);
}

// Each ending signal's handler blocks the others, so one undoing is never cut by another.
static void CatchEndingSignals() {
    static bool caught = false;
    if (caught)
        return;
    caught = true;
    struct sigaction ending = {};
    ending.sa_handler = OnEndingSignal;
    sigemptyset(&ending.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        if (IsEndingSignal(signal))
            sigaddset(&ending.sa_mask, signal);
    for (int signal = 1; signal < NSIG; ++signal)
        if (IsEndingSignal(signal))
            CatchUnlessTaken(signal, ending);
}

// The second name is stored first: a signal meanwhile finds a mark it may act on.
void RemoveOnEndingSignal(const char *name, const char *renamedTo) {
    if (name != nullptr)
        CatchEndingSignals();
    fileRenamedTo.store(renamedTo);
    fileToRemove.store(name);
}

void WriteOutOnEndingSignal(const HeldOutput *output) {
    CatchEndingSignals();
    heldOutput.store(output);
}

void DeferEndingSignals() {
    CatchEndingSignals();
    deferring = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void ResumeEndingSignals() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    deferring = 0;
    if (deferredSignal != 0)
        UndoAndEnd(deferredSignal);
}

// What the terminal holds while the program runs: the pause's settings while it waits for a
// key, else those it found.
static const termios *RunningSettings() {
    const termios *waiting = waitingSettings.load();
    return waiting != nullptr ? waiting : foundSettings.load();
}

static struct sigaction stopHandler;
static bool stopCaught = false;

// After a stop, or in place of one: the stop's handler is back before the running settings are.
// A Ctrl-Z that comes after the handler is back goes through it; one that comes before meets the
// default action with the settings found still on the terminal.
static void TakeUpRunning() {
    if (stopCaught)
        sigaction(SIGTSTP, &stopHandler, nullptr);
    ApplyIfForeground(RunningSettings());
}

// Ctrl-Z: the settings found are put back, then the program stops by the stop's default
// action, so that the shell sees a stop as any other, and the kernel leaves an orphaned process
// group running. SIGCONT waits until this handler returns (its mask): a SIGCONT sent before the
// stop is dropped by it, and the program stops with the settings found, until fg.
static void OnStop(int) {
    int interrupted = errno; // the program goes on after the handler, with what errno said
    TakeDefaultAction(SIGTSTP);
    ApplyIfForeground(foundSettings.load());
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP); // the program stops here, and goes on when continued
    TakeUpRunning();
    errno = interrupted;
}

// After any stop: also SIGSTOP, which no handler sees, after which a shell puts its own
// settings back. A Ctrl-Z waits until this handler returns (its mask).
static void OnContinue(int) {
    int interrupted = errno;
    TakeUpRunning();
    errno = interrupted;
}

// Installed with a terminal to restore; a stop the program was started with ignored (by a shell
// without job control) stays ignored.
static void CatchStopAndContinue() {
    static bool caught = false;
    if (caught)
        return;
    caught = true;
    struct sigaction resume = {};
    stopHandler.sa_handler = OnStop;
    resume.sa_handler = OnContinue;
    stopHandler.sa_flags = resume.sa_flags = SA_RESTART;
    sigemptyset(&stopHandler.sa_mask);
    sigaddset(&stopHandler.sa_mask, SIGCONT);
    sigemptyset(&resume.sa_mask);
    sigaddset(&resume.sa_mask, SIGTSTP);
    stopCaught = CatchUnlessTaken(SIGTSTP, stopHandler);
    sigaction(SIGCONT, &resume, nullptr);
}

void KeepTerminalSettings(int fd, const termios *found, const termios *waiting) {
    if (found != nullptr) {
        CatchEndingSignals();
        CatchStopAndContinue();
    }
    terminalFd.store(fd);
    waitingSettings.store(waiting);
    foundSettings.store(found);
}
