// The rule for showing names and paths (show.h). The text is taken a unit at a time: a
// well-formed UTF-8 sequence, or else one byte.
#include "archive/report/show.h"

// The length of the well-formed UTF-8 sequence that starts at `text`, or 0 when none does.
// The bytes after a lead byte are looked at only while they continue the sequence, so a NUL
// ends the look.
static size_t Utf8SequenceLength(const unsigned char *text) {
    unsigned char lead = text[0], low = 0x80, high = 0xBF;
    size_t length = 4;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead > 0xF4 || lead < 0xF0)
        return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (text[1] < low || text[1] > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (text[i] < 0x80 || text[i] > 0xBF)
            return 0;
    return length;
}

// A single byte that is a control, or a UTF-8 sequence of U+0080-U+009F.
static bool IsControl(const unsigned char *unit, size_t sequenceLength) {
    if (sequenceLength == 0)
        return *unit < 0x20 || (*unit >= 0x7F && *unit <= 0x9F);
    return unit[0] == 0xC2 && unit[1] <= 0x9F;
}

void ShowText(const char *text, TextStyle style, char *shown, size_t size) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    const unsigned char *unit = reinterpret_cast<const unsigned char *>(text);
    size_t used = 0;
    while (*unit != '\0') {
        size_t length = Utf8SequenceLength(unit);
        bool control = IsControl(unit, length);
        length = length == 0 ? 1 : length;
        size_t width = control && style == kShownInReport ? 4 * length : length;
        if (used + width >= size)
            break;
        for (size_t i = 0; i < length; ++i) {
            if (!control) {
                shown[used++] = static_cast<char>(unit[i]);
            } else if (style == kShownInListing) {
                shown[used++] = '?';
            } else {
                shown[used++] = '\\';
                shown[used++] = 'x';
                shown[used++] = kHexDigits[unit[i] >> 4];
                shown[used++] = kHexDigits[unit[i] & 0xF];
            }
        }
        unit += length;
    }
    shown[used] = '\0';
}
