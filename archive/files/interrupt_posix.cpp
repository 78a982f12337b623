// The ending signals on POSIX. A handler is installed at the first thing to guard, never over a
// signal the program was started with ignored (that one stays ignored). It undoes what is
// guarded (unlink and tcsetattr are safe in a handler), restores the signal's default action
// and raises it again, so that the program ends as it would have and its caller sees how.
#include "archive/files/interrupt.h"

#include <atomic>
#include <csignal>
#include <termios.h>
#include <unistd.h>

static const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

static std::atomic<const char *> guardedFile{nullptr};
static std::atomic<const termios *> guardedTerminal{nullptr};
static std::atomic<int> terminalFd{-1};

// A signal that comes while signals are held is kept here until their release. This costs no
// system call, where blocking the signals would cost two for every file made.
static volatile sig_atomic_t holding = 0;
static volatile sig_atomic_t heldSignal = 0;

static void UndoAndEnd(int signal) {
    const char *name = guardedFile.load();
    if (name != nullptr)
        unlink(name);
    const termios *saved = guardedTerminal.load();
    if (saved != nullptr)
        tcsetattr(terminalFd.load(), TCSAFLUSH, saved);
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    // In the handler the signal stays blocked until it returns, and then ends the program.
    raise(signal);
}

static void OnEndingSignal(int signal) {
    if (holding)
        heldSignal = signal;
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
    for (int signal : kEndingSignals)
        sigaddset(&ending.sa_mask, signal);
    for (int signal : kEndingSignals) {
        struct sigaction previous;
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &ending, nullptr);
    }
}

void GuardFile(const char *name) {
    if (name != nullptr)
        CatchEndingSignals();
    guardedFile.store(name);
}

void HoldEndingSignals() {
    CatchEndingSignals();
    holding = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void ReleaseEndingSignals() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    holding = 0;
    if (heldSignal != 0)
        UndoAndEnd(heldSignal);
}

void GuardTerminal(int fd, const termios *saved) {
    if (saved != nullptr)
        CatchEndingSignals();
    terminalFd.store(fd);
    guardedTerminal.store(saved);
}
