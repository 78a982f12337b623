// Standard output, and what becomes of it when its reader goes or its disk fills.
#include "archive/report/output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "archive/files/files.h"
#include "archive/files/interrupt.h"
#include "archive/format/codepage.h"
#include "archive/report/show.h"

// Standard output is held in a buffer of the program's own, not stdio's, so that an ending signal
// can still write it out (interrupt.h); written out when full, at a flush, and at once on a
// terminal, where a person reads it as it comes.
static HeldOutput output;
static int toTerminal = -1; // not known before the first print

// Whether some of standard output was lost, and the system's code for the first failure.
static bool outputLost = false;
static int lostOutputError = 0;

void FlushOutput() {
    while (!outputLost && output.held.load() > 0) {
        size_t held = output.held.load(), written = 0;
        int error = 0;
        // Each write is accounted before an ending signal may write out what is still held.
        DeferEndingSignals();
        bool wrote = WriteStandardStream(kStandardOutput, output.bytes, held, &written, &error);
        if (written < held)
            memmove(output.bytes, output.bytes + written, held - written);
        output.held.store(wrote ? held - written : 0);
        ResumeEndingSignals();
        outputLost = !wrote;
        lostOutputError = error;
    }
}

// Formats the text right past what is held, and only then counts it as held, so that an ending
// signal writes out whole texts. False when it does not fit behind what is held.
static bool HoldFormatted(const char *format, va_list arguments) {
    size_t held = output.held.load(), room = kHeldOutputBytes - held;
    // The analyser misses the caller's va_start (a known false positive).
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
    int formatted = vsnprintf(output.bytes + held, room, format, arguments);
    // None of the program's texts fails to format, nor fills the whole buffer: either is cut.
    size_t length = formatted < 0 ? 0 : static_cast<size_t>(formatted);
    if (length >= room && held > 0)
        return false;
    output.held.store(held + (length < room ? length : room - 1));
    return true;
}

void PrintOutput(const char *format, ...) {
    if (toTerminal < 0) {
        WriteOutOnEndingSignal(&output);
        toTerminal = IsTerminal(kStandardOutput);
    }
    va_list arguments;
    for (bool held = false; !held && !outputLost;) {
        va_start(arguments, format);
        held = HoldFormatted(format, arguments);
        va_end(arguments);
        if (!held || toTerminal)
            FlushOutput();
    }
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

bool OutputLost(int *error) {
    *error = lostOutputError;
    return outputLost;
}
