// The rule for showing names and paths (show.h). The text is taken a unit at a time: in UTF-8, a
// well-formed sequence, or else one byte; in a code page, a character of two bytes, or else one
// byte.
#include "archive/report/show.h"

#include "archive/format/codepage.h"

// The system's code page for names, asked once; nullptr where names are UTF-8 text.
static const NameByte *NameCodePage() {
    static NameByte bytes[256];
    static const bool described = DescribeNameCodePage(bytes);
    return described ? bytes : nullptr;
}

// The length of the unit at `unit`, and whether it is a control. A first byte makes a character
// of two with a byte that can be the second in every such code page (0x40 or above, not DEL);
// a control byte after it stays a unit of its own.
static size_t UnitAt(const unsigned char *unit, const NameByte *codePage, bool *control) {
    if (codePage == nullptr) {
        size_t length = Utf8SequenceLength(unit);
        *control = length == 0 ? *unit < 0x20 || (*unit >= 0x7F && *unit <= 0x9F)
                               : unit[0] == 0xC2 && unit[1] <= 0x9F;
        return length == 0 ? 1 : length;
    }
    bool pair = codePage[*unit] == kByteFirstOfTwo && unit[1] >= 0x40 && unit[1] != 0x7F;
    *control = !pair && codePage[*unit] == kByteControl;
    return pair ? 2 : 1;
}

void ShowText(const char *text, TextStyle style, char *shown, size_t size) {
    ShowTextIn(NameCodePage(), text, style, shown, size);
}

void ShowTextIn(const NameByte *codePage, const char *text, TextStyle style, char *shown,
                size_t size) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    const unsigned char *unit = reinterpret_cast<const unsigned char *>(text);
    size_t used = 0;
    while (*unit != '\0') {
        bool control = false;
        size_t length = UnitAt(unit, codePage, &control);
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
