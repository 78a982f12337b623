// What the program undoes when it is ended from outside (Ctrl-C, SIGTERM, SIGHUP, any signal
// that would end it) before it ends as it would have: a file of this run's that must not be left,
// and the terminal's settings. One file per platform (interrupt_posix.cpp, interrupt_windows.cpp);
// the fuzzer's in-memory files module keeps its own.
#pragma once

#include "archive/files/files.h"

// The file to remove if the program is ended now; nullptr for none. `name` must stay unchanged
// until the next call.
void RemoveOnEndingSignal(const char *name);

// Ending signals that come between the two calls wait until the second: a file is made and its
// name marked for removal as one step, so that no signal removes a name this run did not make
// (another run's, or the user's).
void DeferEndingSignals();
void ResumeEndingSignals();

#if !defined(_WIN32)
struct termios;
// The terminal settings to put back on `fd` if the program is ended or stopped now, and those
// of its own to apply again when it is continued; nullptr for none. They must stay unchanged
// until the next call.
void RestoreOnEndingSignal(int fd, const termios *saved, const termios *applied);
#endif
