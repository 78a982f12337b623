// Diagnostics: one line each on standard error, prefixed with the program's name.
// Standard output carries only the listing, so a report never mixes into it.
#pragma once

#include <string>

extern const char kProgramName[];

// Prints "VornReader: " and the formatted text as one line on standard error.
// Standard output is flushed first, so both streams read in order on one terminal.
void ReportProblem(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The text with control bytes shown as \xHH, so a report stays on one line.
std::string PrintableText(const char *text);
