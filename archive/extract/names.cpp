// Which entry names may become file names. A name is used unchanged as a path in
// the working directory, so anything that could climb out of it, name a device or
// be silently altered by the file system is refused.
#include "archive/extract/names.h"

#include <cstring>

static bool IsDotName(const char *name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

static bool HoldsControlByte(const char *name) {
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(name); *p; ++p)
        if (*p < 0x20)
            return true;
    return false;
}

static char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Windows takes "con.txt" or "NUL " as the device itself: compare the part before
// the first '.', trailing blanks dropped, without regard to case.
static bool IsWindowsDeviceName(const char *name) {
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    char stem[16];
    size_t length = strcspn(name, ".");
    if (length >= sizeof stem)
        return false;
    while (length > 0 && name[length - 1] == ' ')
        --length;
    for (size_t i = 0; i < length; ++i)
        stem[i] = UpperAscii(name[i]);
    stem[length] = '\0';
    for (const char *device : kDevices)
        if (strcmp(stem, device) == 0)
            return true;
    if (length != 4 || (strncmp(stem, "COM", 3) != 0 && strncmp(stem, "LPT", 3) != 0))
        return false;
    unsigned char digit = static_cast<unsigned char>(stem[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

static const char *FindWindowsNameReason(const char *name) {
    size_t length = strlen(name);
    if (name[length - 1] == '.' || name[length - 1] == ' ')
        return "ends in '.' or ' ', which Windows drops";
    if (strpbrk(name, "<>\"|?*") != nullptr)
        return "holds a character Windows forbids in names (< > \" | ? *)";
    if (IsWindowsDeviceName(name))
        return "a Windows device name";
    return nullptr;
}

const char *FindUnsafeNameReason(const char *name, bool windowsRules) {
    if (name[0] == '\0')
        return "empty name";
    if (IsDotName(name))
        return "names a folder";
    if (strpbrk(name, "/\\:") != nullptr)
        return "holds '/', '\\' or ':' (a path, drive or stream)";
    if (HoldsControlByte(name))
        return "holds a control byte";
    return windowsRules ? FindWindowsNameReason(name) : nullptr;
}
