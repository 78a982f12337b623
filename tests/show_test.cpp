// The rule for showing names and paths: which bytes are controls that must not reach a
// terminal, and how each style shows them.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "archive/report/show.h"

// By the code page given, or by the system's (the tests run on Linux: UTF-8).
static std::string Shown(const std::string &text, TextStyle style, size_t size = 64,
                         const NameByte *codePage = nullptr) {
    char shown[64];
    if (codePage != nullptr)
        ShowTextIn(codePage, text.c_str(), style, shown, size);
    else
        ShowText(text.c_str(), style, shown, size);
    return shown;
}

// A code page as Windows describes it (DescribeNameCodePage): C0, DEL and the bytes given are
// its controls, and `firstOfTwo` the first byte of characters of two.
static std::vector<NameByte> CodePage(std::initializer_list<int> controls, int firstOfTwo = -1) {
    std::vector<NameByte> bytes(256, kByteCharacter);
    for (int control = 0; control < 0x20; ++control)
        bytes[control] = kByteControl;
    for (int control : controls)
        bytes[control] = kByteControl;
    if (firstOfTwo >= 0)
        bytes[firstOfTwo] = kByteFirstOfTwo;
    return bytes;
}

// Each row: a text, as the listing shows it where names are bytes (a control's bytes as '?'),
// as a report does (as \xHH), and as the listing shows it where names are UTF-8 text (a control
// character as one '?'; the same as the first but where given). C0, DEL and C1 (single bytes
// 0x80-0x9F, or U+0080-U+009F in UTF-8) are controls; other well-formed UTF-8 and other bytes show
// as they are; a malformed sequence is taken a byte at a time. Then the listing and the report
// where names are text in code page 1252 (Windows): each byte a character, only C0, DEL and the
// five unassigned bytes controls; nullptr where they are the UTF-8 rule's.
TEST(ShowText, ControlsAreShownAndEverythingElseAsItIs) {
    struct {
        const char *text, *listing, *report, *textListing = nullptr;
        const char *listing1252 = nullptr, *report1252 = nullptr;
    } rows[] = {
        {"plain.txt", "plain.txt", "plain.txt"},
        {"\x1b[2J", "?[2J", "\\x1B[2J"},
        {"del\x7F", "del?", "del\\x7F"},
        {"\x9F", "?", "\\x9F", nullptr, "\x9F", "\x9F"}, // the last C1 byte; 1252's Y diaeresis
        {"a\240b", "a\240b", "a\240b"},                  // the first byte after C1 (0xA0, in octal)
        {"\xC2\x9F", "??", "\\xC2\\x9F", "?", "\xC2\x9F", "\xC2\x9F"}, // the last C1 in UTF-8
        {"\xC2\xA0", "\xC2\xA0", "\xC2\xA0"},                          // the first after it
        {"\xC2\xBF", "\xC2\xBF", "\xC2\xBF"},                          // ¿
        // C1 is no lead byte: a CSI (octal 233) follows, in 1252 a '›'
        {"\xC1\2332J", "\xC1?2J", "\xC1\\x9B2J", nullptr, "\xC1\2332J", "\xC1\2332J"},
        {"\xC0\x80", "\xC0?", "\xC0\\x80", nullptr, "\xC0\x80", "\xC0\x80"}, // an overlong NUL
        {"\xE0\x80\x80", "\xE0??", "\xE0\\x80\\x80", nullptr, "\xE0\x80\x80", "\xE0\x80\x80"},
        {"\xE0\xBF\x9B", "\xE0\xBF\x9B", "\xE0\xBF\x9B"}, // U+0FDB: 0xBF still continues
        {"\xE2\x80\xBF", "\xE2\x80\xBF", "\xE2\x80\xBF"}, // U+203F
        {"\xE0\xA0\x80", "\xE0\xA0\x80", "\xE0\xA0\x80"}, // U+0800: 0x80 still continues
        {"\xE2\x80", "\xE2?", "\xE2\\x80", nullptr, "\xE2\x80", "\xE2\x80"}, // cut short
        {"\xF0\x9F\x98x", "\xF0??x", "\xF0\\x9F\\x98x", nullptr, "\xF0\x9F\x98x", "\xF0\x9F\x98x"},
        {"\xED\xA0\x80", "\xED\xA0?", "\xED\xA0\\x80", nullptr, "\xED\xA0\x80", "\xED\xA0\x80"},
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", nullptr, "\xF4?\xBF\xBF",
         "\xF4\\x8F\xBF\xBF"}, // U+10FFFF, the last; 0x8F is unassigned in 1252
        {"\xF4\x90\x80\x80", "\xF4???", "\xF4\\x90\\x80\\x80", nullptr, "\xF4?\x80\x80",
         "\xF4\\x90\x80\x80"}, // past it; and 0x90
        {"\xD0\x96\xD1\x83\xD0\xBA", "\xD0\x96\xD1\x83\xD0\xBA", "\xD0\x96\xD1\x83\xD0\xBA"},
        // 0x80-0x9F in 1252: the euro sign, S with caron, and the five unassigned bytes.
        {"\x80uro \x8Aoda", "?uro ?oda", "\\x80uro \\x8Aoda", nullptr, "\x80uro \x8Aoda",
         "\x80uro \x8Aoda"},
        {"\x81\x8D\x8F\x90\x9D", "?????", "\\x81\\x8D\\x8F\\x90\\x9D", nullptr, "?????",
         "\\x81\\x8D\\x8F\\x90\\x9D"},
    };
    // Code page 1252: DEL, and the five bytes it leaves unassigned, which Windows reads as C1.
    std::vector<NameByte> codePage = CodePage({0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D});
    for (const auto &row : rows) {
        EXPECT_EQ(Shown(row.text, kShownInByteListing), row.listing) << row.report;
        EXPECT_EQ(Shown(row.text, kShownInTextListing),
                  row.textListing != nullptr ? row.textListing : row.listing)
            << row.report;
        EXPECT_EQ(Shown(row.text, kShownInReport), row.report) << row.report;
        EXPECT_EQ(Shown(row.text, kShownInByteListing, 64, codePage.data()),
                  row.listing1252 != nullptr ? row.listing1252 : row.listing)
            << row.report;
        EXPECT_EQ(Shown(row.text, kShownInReport, 64, codePage.data()),
                  row.report1252 != nullptr ? row.report1252 : row.report)
            << row.report;
    }
}

// In a code page of two bytes a character (932, Japanese), a first byte and a second of 0x40 or
// more are one character, never a control, even where the second alone would be one (0x81 0x80
// is the division sign; 0x80 alone is U+0080). A control after a first byte is its own.
TEST(ShowText, ACharacterOfTwoBytesIsShownWhole) {
    std::vector<NameByte> codePage = CodePage({0x7F, 0x80}, 0x81);
    EXPECT_EQ(Shown("\x81\x80\x80", kShownInByteListing, 64, codePage.data()), "\x81\x80?");
    EXPECT_EQ(Shown("\x81\x1B[2J", kShownInReport, 64, codePage.data()), "\x81\\x1B[2J");
    EXPECT_EQ(Shown("\x81\x7F\x81", kShownInByteListing, 64, codePage.data()), "\x81?\x81");
    EXPECT_EQ(Shown("a\x81\x80", kShownInByteListing, 3, codePage.data()), "a");
}

// A text too long for its buffer is cut at a whole unit, never inside one.
TEST(ShowText, TooLongATextIsCutAtAWholeUnit) {
    EXPECT_EQ(Shown("\x1b\x1b\x1b", kShownInReport, 10), "\\x1B\\x1B");
    EXPECT_EQ(Shown("ab\xD0\x96", kShownInByteListing, 4), "ab");
}
