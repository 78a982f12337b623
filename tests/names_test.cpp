// Which entry names are refused, everywhere and under the Windows rules.
#include <gtest/gtest.h>

#include "archive/extract/names.h"

static bool Refused(const char *name, bool windowsRules) {
    return WhyNameRefused(name, windowsRules) != kNameSafe;
}

TEST(EntryNames, PathsAndControlBytesAreRefusedEverywhere) {
    const char *unsafe[] = {"",       ".",     "..",    "../x",      "a/b",   "/etc",
                            "..\\x",  "a\\b",  "C:x",   "file:alt",  "\x01x", "x\x1f",
                            "tab\tx", "cr\rx", "nl\nx", "\\\\server"};
    for (const char *name : unsafe) {
        EXPECT_TRUE(Refused(name, false)) << name;
        EXPECT_TRUE(Refused(name, true)) << name;
    }
}

TEST(EntryNames, OrdinaryNamesAreAccepted) {
    const char *safe[] = {"readme.txt", "..a",      "a b",        ".hidden",     "fourteen-chars",
                          "\xE9t\xE9",  "x\x7F",    "COM0",       "COM10",       "LPT",
                          "console",    "CONX.txt", "nul-device", "COM\xC2\xB4", "LPT\xC3\xB9"};
    for (const char *name : safe) {
        EXPECT_FALSE(Refused(name, false)) << name;
        EXPECT_FALSE(Refused(name, true)) << name;
    }
}

// Device names, and names Windows would alter (a trailing '.' or ' ') or would not take.
TEST(EntryNames, DeviceNamesAndNamesWindowsAltersAreRefusedOnlyUnderWindowsRules) {
    const char *names[] = {
        "CON",           "con",     "Con.txt",   "NUL ",      "nul .txt",   "PRN",
        "AUX",           "conin$",  "CONOUT$.x", "COM1",      "com9.log",   "LPT1",
        "lpt9",          "COM\xB9", "LPT\xB2",   "com\xB3.a", "AUX.tar.gz", "COM\xC2\xB9",
        "lpt\xC2\xB3.x", "a.",      "a ",        "name. ",    "...",        "a..",
        "a<b",           "a>b",     "a\"b",      "a|b",       "a?",         "*.*"};
    for (const char *name : names) {
        EXPECT_TRUE(Refused(name, true)) << name;
        EXPECT_FALSE(Refused(name, false)) << name;
    }
}

// Names Windows takes for one file fold to one in code page 1252, and hash alike; the signs
// beside the letters, and the letters the code page has no other case of, stay apart.
TEST(EntryNames, NamesOfOneFileOnWindowsClash) {
    const char *same[][2] = {
        {"readme.TXT", "README.txt"},     {"\xC4.txt", "\xE4.txt"}, {"\xC0\xDE", "\xE0\xFE"},
        {"\x8A\x8C\x8E", "\x9A\x9C\x9E"}, {"\x9F", "\xFF"},         {"Z\xD0", "z\xF0"}};
    for (const auto &pair : same) {
        EXPECT_TRUE(NamesClash(pair[0], pair[1])) << pair[0];
        EXPECT_EQ(HashOfName(pair[0]), HashOfName(pair[1])) << pair[0];
    }
    const char *apart[][2] = {
        {"\xD7", "\xF7"}, {"\xDF", "\xFF"}, {"\xB5", "\x95"},        {"@", "`"},
        {"[", "{"},       {"a", "ab"},      {"\xC3\x84", "\xC3\xA4"}};
    for (const auto &pair : apart)
        EXPECT_FALSE(NamesClash(pair[0], pair[1])) << pair[0];
}
