// The console on POSIX: signals that would end the program in the middle of its work, and
// the closing pause. The shell has no "pause" command, so the program prints the prompt
// itself and waits for one key, but only for a person at the terminal.
#include <csignal>
#include <termios.h>
#include <unistd.h>

#include "app/console.h"
#include "archive/report/output.h"

// SIGPIPE would end the unpacking when the reader of the listing goes (`| head`), SIGXFSZ
// when an entry meets a file-size limit; ignored, each is a failed write, reported.
void PrepareProcess() {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

// Reads one byte; the end of input, or an error, ends the wait at once.
static void WaitForByte(int fd) {
    char byte;
    ssize_t ignored = read(fd, &byte, 1);
    (void)ignored;
}

// The terminal's settings before the pause, restored however the wait ends.
static termios savedTerminal;
static const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
static const size_t kEndingSignalCount = sizeof kEndingSignals / sizeof kEndingSignals[0];

// A signal that ends the wait puts the terminal's settings back first; the handler is then
// reset (SA_RESETHAND), so the signal raised again ends the program as it would have, and
// the caller still sees that it was interrupted.
static void RestoreTerminalAndEnd(int signal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    raise(signal);
}

// A signal the program was started with ignored stays ignored.
static void CatchEndingSignals(struct sigaction *previous) {
    struct sigaction ending = {};
    ending.sa_handler = RestoreTerminalAndEnd;
    ending.sa_flags = SA_RESETHAND;
    sigemptyset(&ending.sa_mask);
    for (size_t i = 0; i < kEndingSignalCount; ++i) {
        sigaction(kEndingSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN)
            sigaction(kEndingSignals[i], &ending, nullptr);
    }
}

static void RestoreSignals(const struct sigaction *previous) {
    for (size_t i = 0; i < kEndingSignalCount; ++i)
        sigaction(kEndingSignals[i], &previous[i], nullptr);
}

// Raw mode for one key: no line editing, no echo; the settings are restored.
static void WaitForKey(int fd) {
    if (tcgetattr(fd, &savedTerminal) != 0)
        return;
    termios raw = savedTerminal;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    struct sigaction previous[kEndingSignalCount];
    CatchEndingSignals(previous);
    if (tcsetattr(fd, TCSAFLUSH, &raw) == 0)
        WaitForByte(fd);
    tcsetattr(fd, TCSAFLUSH, &savedTerminal);
    RestoreSignals(previous);
}

// A person is there when both ends of the console are a terminal and the program owns it (is
// in its foreground). Anything else is a script, a pipe or a background job: nothing is read
// from its input, and nothing waits.
static bool PersonAtTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp();
}

void Pause() {
    PrintOutput("Press any key to continue . . . ");
    FlushOutput();
    if (PersonAtTerminal())
        WaitForKey(STDIN_FILENO);
    PrintOutput("\n");
}
