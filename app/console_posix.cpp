// The console on POSIX: signals that would end the program in the middle of its work, and
// the closing pause. The shell has no "pause" command, so the program prints the prompt
// itself and waits for one key, but only for a person at the terminal.
#include <cerrno>
#include <csignal>
#include <poll.h>
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

// How long the rest of a key may take to arrive after its first byte, as terminal programs
// wait after an Escape; and the longest escape sequence taken.
enum { kRestOfKeyMilliseconds = 100, kLongestSequence = 32 };

// Reads one byte, waiting at most `milliseconds` (-1: as long as it takes). False at the end
// of input, on an error, or when no byte came in time.
static bool ReadByte(int fd, int milliseconds, unsigned char *byte) {
    pollfd input = {fd, POLLIN, 0};
    for (;;) {
        int ready = poll(&input, 1, milliseconds);
        if (ready < 0 && errno == EINTR)
            continue; // a stop and continuation, or a deferred signal
        // A byte that is there is read at once: no signal can cut that read.
        return ready > 0 && read(fd, byte, 1) == 1;
    }
}

// What a terminal sends after an Escape for the same key press: a CSI sequence (ESC [,
// parameters and intermediates, a final byte), an SS3 one (ESC O and one byte), or the key
// pressed with Alt. Escape alone is a key once nothing follows in time.
static void ReadRestOfEscape(int fd) {
    unsigned char byte = 0;
    if (!ReadByte(fd, kRestOfKeyMilliseconds, &byte))
        return;
    if (byte == 'O') {
        ReadByte(fd, kRestOfKeyMilliseconds, &byte);
        return;
    }
    if (byte != '[')
        return;
    for (int taken = 0; taken < kLongestSequence; ++taken)
        if (!ReadByte(fd, kRestOfKeyMilliseconds, &byte) || byte < 0x20 || byte > 0x3F)
            return; // the final byte (0x40 to 0x7E), or no sequence after all
}

// How many continuation bytes a UTF-8 lead byte announces; 0 for any other byte.
static int ContinuationsAfter(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    return lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
}

// The rest of the key whose first byte was `first`. What is typed after the key is left for
// the shell.
static void ReadRestOfKey(int fd, unsigned char first) {
    if (first == 0x1B) {
        ReadRestOfEscape(fd);
        return;
    }
    unsigned char byte;
    for (int left = ContinuationsAfter(first);
         left > 0 && ReadByte(fd, kRestOfKeyMilliseconds, &byte) && (byte & 0xC0) == 0x80; --left) {
    }
}

// Raw mode for one key: no line editing, no echo. The settings found are put back afterwards,
// also when an ending signal ends the wait, and while the program is stopped (interrupt.h).
// Neither change flushes the terminal: a key typed ahead, before the prompt, ends the pause at
// once, and what is typed after the key stays for whoever reads the terminal next, as with the
// Windows command interpreter's pause.
static void WaitInRawMode(int fd, const termios &found) {
    static termios saved, raw;
    saved = raw = found;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    KeepTerminalSettings(fd, &saved, &raw);
    // One key; the end of input, or an error, ends the wait at once.
    unsigned char first;
    if (tcsetattr(fd, TCSANOW, &raw) == 0 && ReadByte(fd, -1, &first))
        ReadRestOfKey(fd, first);
    // The wait is over before the settings go back: a continuation from here on puts back the
    // settings found, never raw mode.
    KeepTerminalSettings(fd, &saved, nullptr);
    tcsetattr(fd, TCSANOW, &saved);
    KeepTerminalSettings(fd, nullptr, nullptr);
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
        WaitInRawMode(STDIN_FILENO, settings);
    PrintOutput("\n");
}
