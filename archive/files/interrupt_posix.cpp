// The ending signals on POSIX (kEndingSignals), caught from the first file to remove or terminal to
// restore. The handler removes the file and restores the terminal (unlink and tcsetattr are safe in
// a handler), then restores the signal's default action and raises it again, so that the program
// ends as it would have and its caller sees how. While the terminal is to be restored, a stop
// (Ctrl-Z) puts its settings back first, and a continuation (fg) applies the program's own again,
// as full-screen programs do.
#include "archive/files/interrupt.h"

#include <atomic>
#include <csignal>
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

static std::atomic<const char *> fileToRemove{nullptr};
static std::atomic<const termios *> terminalToRestore{nullptr}, appliedTerminal{nullptr};
static std::atomic<int> terminalFd{-1};

// A signal that comes while signals are deferred is kept here until they resume. This costs no
// system call, where blocking the signals would cost two for every file made.
static volatile sig_atomic_t deferring = 0;
static volatile sig_atomic_t deferredSignal = 0;

// The signal's default action, in place of ours; `ours` keeps what it was, when wanted.
static void TakeDefaultAction(int signal, struct sigaction *ours) {
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, ours);
}

// A signal the program was started with ignored stays ignored, and one that another part of the
// process handles already (a fuzzer's timer) stays its own.
static void CatchUnlessTaken(int signal, const struct sigaction &handler) {
    struct sigaction previous;
    if (sigaction(signal, nullptr, &previous) == 0 && !(previous.sa_flags & SA_SIGINFO) &&
        previous.sa_handler == SIG_DFL)
        sigaction(signal, &handler, nullptr);
}

static void UndoAndEnd(int signal) {
    const char *name = fileToRemove.load();
    if (name != nullptr)
        unlink(name);
    const termios *saved = terminalToRestore.load();
    if (saved != nullptr)
        tcsetattr(terminalFd.load(), TCSANOW, saved);
    TakeDefaultAction(signal, nullptr);
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

void RemoveOnEndingSignal(const char *name) {
    if (name != nullptr)
        CatchEndingSignals();
    fileToRemove.store(name);
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

// Settings are applied only in the terminal's foreground: a background process that changes
// them is stopped by SIGTTOU.
static void ApplyIfForeground(const termios *settings) {
    int fd = terminalFd.load();
    if (settings != nullptr && tcgetpgrp(fd) == getpgrp())
        tcsetattr(fd, TCSANOW, settings);
}

// The stop handler, while the stop's default action stands in for it (OnStop).
static struct sigaction stopHandler;
static volatile sig_atomic_t stopHandlerSaved = 0;

// The program stops by the stop's default action, so that the shell sees a stop as any other,
// and the kernel leaves an orphaned process group running. The handler is back before the stop
// returns: SIGCONT's handler puts it back first, so a second Ctrl-Z is never met by the
// default action with the program's own settings on the terminal. The default action is taken
// before the settings are put back: a SIGCONT that comes between them and the stop (kill -CONT)
// puts the handler back too, and the stop then goes through it again, settings first.
static void OnStop(int) {
    TakeDefaultAction(SIGTSTP, &stopHandler);
    stopHandlerSaved = 1;
    ApplyIfForeground(terminalToRestore.load());
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP); // the program stops here, and goes on when continued
    // Continued, or not stopped at all (an orphaned process group is not).
    sigaction(SIGTSTP, &stopHandler, nullptr);
    ApplyIfForeground(appliedTerminal.load());
}

static void OnContinue(int) {
    if (stopHandlerSaved)
        sigaction(SIGTSTP, &stopHandler, nullptr);
    ApplyIfForeground(appliedTerminal.load());
}

// Installed with a terminal to restore; a stop the program was started with ignored (by a shell
// without job control) stays ignored.
static void CatchStopAndContinue() {
    struct sigaction stop = {}, resume = {};
    stop.sa_handler = OnStop;
    resume.sa_handler = OnContinue;
    stop.sa_flags = resume.sa_flags = SA_RESTART;
    sigemptyset(&stop.sa_mask);
    sigemptyset(&resume.sa_mask);
    sigaddset(&resume.sa_mask, SIGTSTP); // a stop waits until the handler is back
    CatchUnlessTaken(SIGTSTP, stop);
    sigaction(SIGCONT, &resume, nullptr);
}

void RestoreOnEndingSignal(int fd, const termios *saved, const termios *applied) {
    if (saved != nullptr) {
        CatchEndingSignals();
        CatchStopAndContinue();
    }
    terminalFd.store(fd);
    appliedTerminal.store(applied);
    terminalToRestore.store(saved);
}
