#include "archive/report/report.h"

#include <cstdarg>
#include <cstdio>

const char kProgramName[] = "VornReader";

void ReportProblem(const char *format, ...) {
    fflush(stdout);
    va_list arguments;
    va_start(arguments, format);
    fprintf(stderr, "%s: ", kProgramName);
    vfprintf(stderr, format, arguments);
    fputc('\n', stderr);
    va_end(arguments);
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
