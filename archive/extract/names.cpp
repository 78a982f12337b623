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

// A byte's upper case as Windows folds names in code page 1252, the code page archives made
// there are read in: ASCII letters, a grave to thorn but the division sign (and so not the
// multiplication sign either), and the four pairs the code page keeps apart: s and z with
// caron, the oe ligature, y with diaeresis. Sharp s and micro have no upper case there.
static unsigned char UpperInCodePage1252(unsigned char byte) {
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7))
        return static_cast<unsigned char>(byte - 0x20);
    if (byte == 0x9A || byte == 0x9C || byte == 0x9E)
        return static_cast<unsigned char>(byte - 0x10);
    return byte == 0xFF ? 0x9F : byte;
}

// The superscript digits one, two and three in code page 1252, and the second byte of their
// UTF-8 forms.
static bool IsSuperscriptDigit(unsigned char byte) {
    return byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

// Windows takes "con.txt" or "NUL " as the device itself: compare the part before
// the first '.', trailing blanks dropped, without regard to case.
static bool IsWindowsDeviceName(const char *name) {
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    char stem[16];
    size_t length = strcspn(name, ".");
    if (length >= sizeof stem)
        return false; // GCOVR_EXCL_LINE: a name holds 15 bytes at most
    while (length > 0 && name[length - 1] == ' ')
        --length;
    for (size_t i = 0; i < length; ++i)
        stem[i] = UpperAscii(name[i]);
    stem[length] = '\0';
    for (const char *device : kDevices)
        if (strcmp(stem, device) == 0)
            return true;
    if (strncmp(stem, "COM", 3) != 0 && strncmp(stem, "LPT", 3) != 0)
        return false;
    const unsigned char *digit = reinterpret_cast<const unsigned char *>(stem) + 3;
    if (length == 4)
        return (*digit >= '1' && *digit <= '9') || IsSuperscriptDigit(*digit);
    // The same digits in UTF-8, which a Windows set to that code page maps to the devices too.
    return length == 5 && digit[0] == 0xC2 && IsSuperscriptDigit(digit[1]);
}

static NameRefusal JudgeWindowsName(const char *name) {
    size_t length = strlen(name);
    if (name[length - 1] == '.' || name[length - 1] == ' ')
        return kNameTrailingDotOrBlank;
    if (strpbrk(name, "<>\"|?*") != nullptr)
        return kNameWindowsForbiddenChar;
    if (IsWindowsDeviceName(name))
        return kNameWindowsDevice;
    return kNameSafe;
}

bool NamesClash(const char *a, const char *b) {
    const unsigned char *x = reinterpret_cast<const unsigned char *>(a),
                        *y = reinterpret_cast<const unsigned char *>(b);
    while (*x != '\0' && UpperInCodePage1252(*x) == UpperInCodePage1252(*y))
        ++x, ++y;
    return UpperInCodePage1252(*x) == UpperInCodePage1252(*y);
}

size_t HashOfName(const char *name) {
    size_t hash = 2166136261u;
    for (const unsigned char *at = reinterpret_cast<const unsigned char *>(name); *at; ++at)
        hash = (hash ^ UpperInCodePage1252(*at)) * 16777619u;
    return hash;
}

NameRefusal WhyNameRefused(const char *name, bool windowsRules) {
    if (name[0] == '\0')
        return kNameEmpty;
    if (IsDotName(name))
        return kNameDotFolder;
    if (strpbrk(name, "/\\:") != nullptr)
        return kNamePathCharacter;
    if (HoldsControlByte(name))
        return kNameControlByte;
    return windowsRules ? JudgeWindowsName(name) : kNameSafe;
}
