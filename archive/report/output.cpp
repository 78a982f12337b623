// Standard output, and what becomes of it when its reader goes or its disk fills.
#include "archive/report/output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "archive/files/files.h"
#include "archive/format/codepage.h"
#include "archive/report/show.h"

// Whether some of standard output was lost, and the system's code for the first failure.
static bool outputLost = false;
static int lostOutputError = 0;

// The stream's error flag is what tells: a C runtime may leave a failed write's result,
// and errno, as if it had succeeded.
static void NoteLostOutput(bool failed) {
    if (!(failed || ferror(stdout)) || outputLost)
        return;
    outputLost = true;
    lostOutputError = LastSystemError();
}

void PrintOutput(const char *format, ...) {
    if (outputLost)
        return;
    va_list arguments;
    va_start(arguments, format);
    // The analyser misses va_start on this path (a known false positive).
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
    NoteLostOutput(vprintf(format, arguments) < 0);
    va_end(arguments);
}

// The characters of UTF-8 text: its bytes but those that continue a character.
static size_t CountCharacters(const char *text) {
    size_t characters = 0;
    for (const unsigned char *at = reinterpret_cast<const unsigned char *>(text); *at; ++at)
        characters += (*at & 0xC0) != 0x80;
    return characters;
}

// "%15s" pads by bytes, as Windows lists names; a name of UTF-8 text (Linux) takes 15 columns
// of characters.
void PrintEntryLine(unsigned number, unsigned count, const char *name) {
    bool bytes = UsesWindowsFileNames();
    char shown[kLongestNameTextBytes + 1];
    ShowText(name, bytes ? kShownInByteListing : kShownInTextListing, shown, sizeof shown);
    size_t width = 15 + (bytes ? 0 : strlen(shown) - CountCharacters(shown));
    PrintOutput("%4i / %i %*s\n", static_cast<int>(number), static_cast<int>(count),
                static_cast<int>(width), shown);
}

void FlushOutput() {
    if (!outputLost)
        NoteLostOutput(fflush(stdout) != 0);
}

bool OutputLost(int *error) {
    *error = lostOutputError;
    return outputLost;
}
