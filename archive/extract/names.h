// Which entry names may become file names in the working directory.
#pragma once

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
NameRefusal JudgeEntryName(const char *name, bool windowsRules);
