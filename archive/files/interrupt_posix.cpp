// The ending signals on POSIX. A handler is installed at the first thing to guard, never over a
// signal the program was started with ignored (that one stays ignored). It undoes what is
// guarded (unlink and tcsetattr are safe in a handler), then, reset by SA_RESETHAND, the signal
// raised again ends the program as it would have, so the caller sees how it ended.
#include "archive/files/interrupt.h"

#include <atomic>
#include <csignal>
#include <termios.h>
#include <unistd.h>

static const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

static std::atomic<const char *> guardedFile{nullptr};
static std::atomic<const termios *> guardedTerminal{nullptr};
static std::atomic<int> terminalFd{-1};

static void UndoAndEnd(int signal) {
    const char *name = guardedFile.load();
    if (name != nullptr)
        unlink(name);
    const termios *saved = guardedTerminal.load();
    if (saved != nullptr)
        tcsetattr(terminalFd.load(), TCSAFLUSH, saved);
    raise(signal);
}

static void CatchEndingSignals() {
    static bool caught = false;
    if (caught)
        return;
    caught = true;
    struct sigaction ending = {};
    ending.sa_handler = UndoAndEnd;
    ending.sa_flags = SA_RESETHAND;
    sigemptyset(&ending.sa_mask);
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

void GuardTerminal(int fd, const termios *saved) {
    if (saved != nullptr)
        CatchEndingSignals();
    terminalFd.store(fd);
    guardedTerminal.store(saved);
}
