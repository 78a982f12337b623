// What the program undoes when it is ended from outside (Ctrl-C, SIGTERM, SIGHUP, any signal
// that would end it) before it ends as it would have: a file of this run's that must not be left,
// and the terminal's settings. One room per platform (interrupt_posix.cpp, interrupt_windows.cpp);
// the in-memory files room keeps its own for the fuzzer.
#pragma once

#include "archive/files/files.h"

// The file to remove if the program is ended now; nullptr for none. `name` must stay unchanged
// while it is guarded.
void GuardFile(const char *name);

// Ending signals that come between the two calls wait until the release: a file is made and
// its name guarded as one step, so that no signal finds a name guarded that this run did not
// make (another run's, or the user's).
void HoldEndingSignals();
void ReleaseEndingSignals();

#if !defined(_WIN32)
struct termios;
// The terminal settings to put back on `fd` if the program is ended or stopped now, and those
// of its own to apply again when it is continued; nullptr for none. They must stay unchanged
// while they are guarded.
void GuardTerminal(int fd, const termios *saved, const termios *applied);
#endif
