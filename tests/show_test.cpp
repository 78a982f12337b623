// The rule for showing names and paths: which bytes are controls that must not reach a
// terminal, and how each style shows them.
#include <gtest/gtest.h>
#include <string>

#include "archive/report/show.h"

static std::string Shown(const std::string &text, TextStyle style, size_t size = 64) {
    char shown[64];
    ShowText(text.c_str(), style, shown, size);
    return shown;
}

// Each row: a text, as the listing shows it where names are bytes (a control's bytes as '?'),
// as a report does (as \xHH), and as the listing shows it where names are UTF-8 text (a control
// character as one '?'; the same as the first but where given). C0, DEL and C1 (single bytes
// 0x80-0x9F, or U+0080-U+009F in UTF-8) are controls; other well-formed UTF-8 and other bytes show
// as they are; a malformed sequence is taken a byte at a time.
TEST(ShowText, ControlsAreShownAndEverythingElseAsItIs) {
    struct {
        const char *text, *listing, *report, *textListing = nullptr;
    } rows[] = {
        {"plain.txt", "plain.txt", "plain.txt"},
        {"\x1b[2J", "?[2J", "\\x1B[2J"},
        {"del\x7F", "del?", "del\\x7F"},
        {"\x9F", "?", "\\x9F"},                   // the last C1 byte
        {"a\240b", "a\240b", "a\240b"},           // the first byte after C1 (0xA0, in octal)
        {"\xC2\x9F", "??", "\\xC2\\x9F", "?"},    // the last C1 control in UTF-8
        {"\xC2\xA0", "\xC2\xA0", "\xC2\xA0"},     // the first character after it
        {"\xC2\xBF", "\xC2\xBF", "\xC2\xBF"},     // ¿
        {"\xC1\2332J", "\xC1?2J", "\xC1\\x9B2J"}, // C1 is no lead byte: a CSI (octal 233) follows
        {"\xC0\x80", "\xC0?", "\xC0\\x80"},       // an overlong NUL
        {"\xE0\x80\x80", "\xE0??", "\xE0\\x80\\x80"},     // an overlong three-byte form
        {"\xE0\xBF\x9B", "\xE0\xBF\x9B", "\xE0\xBF\x9B"}, // U+0FDB: 0xBF still continues
        {"\xE2\x80\xBF", "\xE2\x80\xBF", "\xE2\x80\xBF"}, // U+203F
        {"\xE0\xA0\x80", "\xE0\xA0\x80", "\xE0\xA0\x80"}, // U+0800: 0x80 still continues
        {"\xE2\x80", "\xE2?", "\xE2\\x80"},               // cut short by the end
        {"\xF0\x9F\x98x", "\xF0??x", "\xF0\\x9F\\x98x"},
        {"\xED\xA0\x80", "\xED\xA0?", "\xED\xA0\\x80"},               // a surrogate
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"}, // U+10FFFF, the last
        {"\xF4\x90\x80\x80", "\xF4???", "\xF4\\x90\\x80\\x80"},       // past it
        {"\xD0\x96\xD1\x83\xD0\xBA", "\xD0\x96\xD1\x83\xD0\xBA", "\xD0\x96\xD1\x83\xD0\xBA"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(Shown(row.text, kShownInByteListing), row.listing) << row.report;
        EXPECT_EQ(Shown(row.text, kShownInTextListing),
                  row.textListing != nullptr ? row.textListing : row.listing)
            << row.report;
        EXPECT_EQ(Shown(row.text, kShownInReport), row.report) << row.report;
    }
}

// A text too long for its buffer is cut at a whole unit, never inside one.
TEST(ShowText, TooLongATextIsCutAtAWholeUnit) {
    EXPECT_EQ(Shown("\x1b\x1b\x1b", kShownInReport, 10), "\\x1B\\x1B");
    EXPECT_EQ(Shown("ab\xD0\x96", kShownInByteListing, 4), "ab");
}
