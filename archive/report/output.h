// Standard output: the listing and the console's own lines. A write that fails is noted with
// its reason; from then on nothing more is written there, and the program goes on: the entries
// are the job, and the loss is reported once at the end (report.h).
#pragma once

// Prints to standard output: a text of fewer than kHeldOutputBytes (interrupt.h), as every one
// of the program's lines is.
void PrintOutput(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// One entry's line of the listing: "%4i / %i %15s\n" with its number, the count and its name,
// shown by the listing's rule (show.h).
void PrintEntryLine(unsigned number, unsigned count, const char *name);

// Writes out what standard output holds.
void FlushOutput();

// Whether any of standard output was lost; *error is the system's code for the first failure
// (0 when the system gave none).
bool OutputLost(int *error);
