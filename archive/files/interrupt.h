// What the program undoes when it is ended from outside (Ctrl-C, SIGTERM, SIGHUP, any signal
// that would end it) before it ends as it would have: a file of this run's that must not be left,
// the terminal's settings, and standard output the program still holds. One file per platform
// (interrupt_posix.cpp, interrupt_windows.cpp); the fuzzer's in-memory files module keeps its own.
#pragma once

#include <atomic>
#include <cstddef>

#include "archive/files/files.h"

// The file to remove if the program is ended now; nullptr for none. With `renamedTo`, the file is
// being renamed to that name: it is removed under whichever of the two it has (the first, while
// that exists). Both must stay unchanged until the next call.
void RemoveOnEndingSignal(const char *name, const char *renamedTo = nullptr);

// Ending signals that come between the two calls wait until the second: a file is made and its
// name marked for removal as one step, so that no signal removes a name this run did not make
// (another run's, or the user's); and a write of standard output is never written again by the
// signal.
void DeferEndingSignals();
void ResumeEndingSignals();

// Standard output that the program holds, to write many lines at once (output.cpp): the first
// `held` bytes. An ending signal writes them out before the program ends, as far as standard
// output takes them without waiting, so that a listing in a file keeps the line of every entry
// whose file stays. Bytes are only ever added past `held`, and `held` then moved on.
enum : size_t { kHeldOutputBytes = 64 << 10 };
struct HeldOutput {
    char bytes[kHeldOutputBytes];
    std::atomic<size_t> held;
};
static_assert(std::atomic<size_t>::is_always_lock_free, "a signal handler reads the count");
void WriteOutOnEndingSignal(const HeldOutput *output);

#if !defined(_WIN32)
struct termios;
// The pause's terminal (console_posix.cpp): the settings `found` there, which a stop or an ending
// signal puts back, and those it `waits` with, which a continuation applies again (nullptr once
// the wait is over: a continuation then applies those found). Nothing is changed but in the
// terminal's foreground. `found` nullptr: nothing to restore. Both must stay unchanged until the
// next call.
void KeepTerminalSettings(int fd, const termios *found, const termios *waiting);
#endif
