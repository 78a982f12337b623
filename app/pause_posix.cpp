// The shell has no "pause" command, so this does what it does on Windows: a
// prompt, then one key from a terminal, or one byte from any other input.
#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include "app/pause.h"

// Reads one byte; the end of input, or an error, ends the wait at once.
static void WaitForByte(int fd) {
    char byte;
    ssize_t ignored = read(fd, &byte, 1);
    (void)ignored;
}

// Raw mode for one key: no line editing, no echo; the settings are restored.
static void WaitForKey(int fd) {
    termios saved;
    if (tcgetattr(fd, &saved) != 0)
        return;
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSAFLUSH, &raw) == 0)
        WaitForByte(fd);
    tcsetattr(fd, TCSAFLUSH, &saved);
}

void Pause() {
    printf("Press any key to continue . . . ");
    fflush(stdout);
    if (isatty(STDIN_FILENO))
        WaitForKey(STDIN_FILENO);
    else
        WaitForByte(STDIN_FILENO);
    printf("\n");
    fflush(stdout);
}
