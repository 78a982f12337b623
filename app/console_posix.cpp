// The console on POSIX: signals that would end the program in the middle of its work, and
// the closing pause. The shell has no "pause" command, so the program prints the prompt
// itself and waits for one key, but only for a person at the terminal.
#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

#include "app/console.h"
#include "archive/files/interrupt.h"
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
    while (read(fd, &byte, 1) < 0 && errno == EINTR) {
    }
}

// Raw mode for one key: no line editing, no echo. The settings found are put back afterwards,
// also when an ending signal ends the wait, and while the program is stopped (interrupt.h).
// Neither change flushes the terminal: a key typed ahead, before the prompt, ends the pause at
// once, and what is typed after the key stays for whoever reads the terminal next, as with the
// Windows command interpreter's pause.
static void WaitForKey(int fd, const termios &found) {
    static termios saved, raw;
    saved = raw = found;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    GuardTerminal(fd, &saved, &raw);
    if (tcsetattr(fd, TCSANOW, &raw) == 0)
        WaitForByte(fd);
    tcsetattr(fd, TCSANOW, &saved);
    GuardTerminal(fd, nullptr, nullptr);
}

// A person is there when both ends of the console are a terminal and the program owns it (is
// in its foreground). Anything else is a script, a pipe or a background job: nothing is read
// from its input, and nothing waits. The terminal's settings are read on the way.
static bool PersonAtTerminal(termios *settings) {
    return tcgetattr(STDIN_FILENO, settings) == 0 && isatty(STDOUT_FILENO) &&
           tcgetpgrp(STDIN_FILENO) == getpgrp();
}

void Pause() {
    PrintOutput("Press any key to continue . . . ");
    FlushOutput();
    termios settings;
    if (PersonAtTerminal(&settings))
        WaitForKey(STDIN_FILENO, settings);
    PrintOutput("\n");
}
