// The rule for showing names and paths (show.h). The text is taken a unit at a time: a
// well-formed UTF-8 sequence, or else one byte.
#include "archive/report/show.h"

#include "archive/format/codepage.h"

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
        bool oneMark = control && style == kShownInTextListing;
        size_t width = oneMark ? 1 : control && style == kShownInReport ? 4 * length : length;
        if (used + width >= size)
            break;
        if (oneMark)
            shown[used++] = '?';
        for (size_t i = 0; i < length && !oneMark; ++i) {
            if (!control) {
                shown[used++] = static_cast<char>(unit[i]);
            } else if (style == kShownInByteListing) {
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
