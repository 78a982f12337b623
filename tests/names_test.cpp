// Which entry names are refused, everywhere and under the Windows rules.
#include <gtest/gtest.h>

#include "archive/extract/names.h"

static bool Refused(const char *name, bool windowsRules) {
    return JudgeEntryName(name, windowsRules) != kNameSafe;
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

TEST(EntryNames, WindowsDeviceNamesAreRefusedOnlyUnderWindowsRules) {
    const char *devices[] = {"CON",       "con",        "Con.txt",     "NUL ",         "nul .txt",
                             "PRN",       "AUX",        "conin$",      "CONOUT$.x",    "COM1",
                             "com9.log",  "LPT1",       "lpt9",        "COM\xB9",      "LPT\xB2",
                             "com\xB3.a", "AUX.tar.gz", "COM\xC2\xB9", "lpt\xC2\xB3.x"};
    for (const char *name : devices) {
        EXPECT_TRUE(Refused(name, true)) << name;
        EXPECT_FALSE(Refused(name, false)) << name;
    }
}

TEST(EntryNames, NamesWindowsWouldAlterOrRejectAreRefusedUnderWindowsRules) {
    const char *altered[] = {"a.",  "a ",   "name. ", "...", "a..", "a<b",
                             "a>b", "a\"b", "a|b",    "a?",  "*.*"};
    for (const char *name : altered) {
        EXPECT_TRUE(Refused(name, true)) << name;
        EXPECT_FALSE(Refused(name, false)) << name;
    }
}
