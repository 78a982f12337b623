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

// Writes `number` in decimal, right-aligned in `width` columns (a longer one takes more).
static size_t PutNumber(char *at, unsigned number, size_t width) {
    char digits[16];
    size_t length = 0;
    do
        digits[length++] = static_cast<char>('0' + number % 10);
    while ((number /= 10) != 0);
    size_t used = 0;
    for (; used + length < width; ++used)
        at[used] = ' ';
    while (length > 0)
        at[used++] = digits[--length];
    return used;
}

// The characters of UTF-8 text: its bytes but those that continue a character.
static size_t CountCharacters(const char *text) {
    size_t characters = 0;
    for (const unsigned char *at = reinterpret_cast<const unsigned char *>(text); *at; ++at)
        characters += (*at & 0xC0) != 0x80;
    return characters;
}

// The line by hand rather than by printf: it is written once per entry, and for an archive
// of small entries printf's parsing and padding cost more than the rest of the program adds
// to the kernel's own cost of making the files. The name is right-aligned in 15 columns: a
// byte each where names are bytes (Windows), a character each where they are UTF-8 (Linux).
void PrintEntryLine(unsigned number, unsigned count, const char *name) {
    if (outputLost)
        return;
    bool bytes = UsesWindowsFileNames();
    char shownName[kLongestNameTextBytes + 1], line[96];
    ShowText(name, bytes ? kShownInByteListing : kShownInTextListing, shownName, sizeof shownName);
    size_t used = PutNumber(line, number, 4);
    memcpy(line + used, " / ", 3); // NOLINT(bugprone-not-null-terminated-result): a line, no NUL
    used += 3;
    used += PutNumber(line + used, count, 0);
    line[used++] = ' ';
    size_t nameLength = strlen(shownName);
    for (size_t pad = bytes ? nameLength : CountCharacters(shownName); pad < 15; ++pad)
        line[used++] = ' ';
    memcpy(line + used, shownName, nameLength); // NOLINT(bugprone-not-null-terminated-result)
    used += nameLength;
    line[used++] = '\n';
    NoteLostOutput(fwrite(line, 1, used, stdout) != used);
}

void FlushOutput() {
    if (!outputLost)
        NoteLostOutput(fflush(stdout) != 0);
}

bool OutputLost(int *error) {
    *error = lostOutputError;
    return outputLost;
}
