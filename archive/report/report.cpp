#include "archive/report/report.h"

#include <cstdarg>
#include <cstdio>

const char kProgramName[] = "VornReader";

// The line is put together first and written at once: standard error is unbuffered,
// and one write keeps a line whole.
void ReportProblem(const char *format, ...) {
    char line[8192];
    int prefix = snprintf(line, sizeof line, "%s: ", kProgramName);
    va_list arguments;
    va_start(arguments, format);
    int text = vsnprintf(line + prefix, sizeof line - prefix - 1, format, arguments);
    va_end(arguments);
    // A text that did not fit is cut; one that could not be formatted is left out.
    size_t length = static_cast<size_t>(prefix) + static_cast<size_t>(text < 0 ? 0 : text);
    if (length > sizeof line - 2)
        length = sizeof line - 2;
    line[length++] = '\n';
    fflush(stdout);
    fwrite(line, 1, length, stderr);
}

std::string PrintableText(const char *text) {
    std::string shown;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (*p < 0x20 || *p == 0x7F) {
            char escaped[5];
            snprintf(escaped, sizeof escaped, "\\x%02X", *p);
            shown += escaped;
        } else {
            shown += static_cast<char>(*p);
        }
    }
    return shown;
}
