// Which entry names may become file names in the working directory.
#pragma once

#include <cstddef>

// Why a name must not become a file name; report.cpp words each.
enum NameRefusal {
    kNameSafe,
    kNameEmpty,
    kNameDotFolder,            // "." or ".."
    kNamePathCharacter,        // '/', '\\' or ':': a path, a drive or a stream
    kNameControlByte,          // 0x01-0x1F
    kNameTrailingDotOrBlank,   // Windows drops them
    kNameWindowsForbiddenChar, // < > " | ? *
    kNameWindowsDevice,        // CON, NUL, COM1...
};

// Whether `name` may be used as a file name; windowsRules adds the names Windows treats as
// devices or alters.
NameRefusal WhyNameRefused(const char *name, bool windowsRules);

// Whether two names are one file on Windows, which does not tell a letter's cases apart: the
// letters of code page 1252 (names' bytes are read in it there); and a hash that is the same for
// names that are.
bool NamesClash(const char *a, const char *b);
size_t HashOfName(const char *name);
