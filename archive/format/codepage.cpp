// Names' text: code page 1252 and UTF-8 (codepage.h).
#include "archive/format/codepage.h"

// Code page 1252's characters for 0x80-0x9F, the bytes it does not share with Latin-1; Windows
// reads the five it leaves unassigned as the C1 controls of the same numbers.
static const uint16_t kHighCharacters[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

size_t Utf8SequenceLength(const unsigned char *text) {
    unsigned char lead = text[0], low = 0x80, high = 0xBF;
    size_t length = 4;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead > 0xF4 || lead < 0xF0)
        return 0;
    if (lead == 0xE0)
        low = 0xA0; // no overlong forms,
    else if (lead == 0xED)
        high = 0x9F; // no surrogates,
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F; // nothing past U+10FFFF
    if (text[1] < low || text[1] > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (text[i] < 0x80 || text[i] > 0xBF)
            return 0;
    return length;
}

uint32_t DecodeUtf8(const unsigned char *text, size_t length) {
    uint32_t point = text[0] & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i)
        point = point << 6 | (text[i] & 0x3Fu);
    return point;
}

// Whether the text is ASCII, or UTF-8 through and through.
static bool IsUtf8(const unsigned char *text) {
    while (*text != '\0') {
        size_t length = *text < 0x80 ? 1 : Utf8SequenceLength(text);
        if (length == 0)
            return false;
        text += length;
    }
    return true;
}

static size_t PutUtf8(uint32_t point, char *at) {
    if (point < 0x80) {
        at[0] = static_cast<char>(point);
        return 1;
    }
    if (point < 0x800) {
        at[0] = static_cast<char>(0xC0 | point >> 6);
        at[1] = static_cast<char>(0x80 | (point & 0x3F));
        return 2;
    }
    at[0] = static_cast<char>(0xE0 | point >> 12);
    at[1] = static_cast<char>(0x80 | (point >> 6 & 0x3F));
    at[2] = static_cast<char>(0x80 | (point & 0x3F));
    return 3;
}

const char *DecodeNameText(const char *name, char *text) {
    const unsigned char *at = reinterpret_cast<const unsigned char *>(name);
    if (IsUtf8(at))
        return name;
    size_t used = 0;
    for (; *at != '\0'; ++at)
        used +=
            PutUtf8(*at >= 0x80 && *at <= 0x9F ? kHighCharacters[*at - 0x80] : *at, text + used);
    text[used] = '\0';
    return text;
}

// The code page's byte for a character, or -1 where it has none.
static int CodePageByte(uint32_t point) {
    if (point < 0x80 || (point >= 0xA0 && point <= 0xFF))
        return static_cast<int>(point);
    for (int i = 0; i < 32; ++i)
        if (kHighCharacters[i] == point)
            return 0x80 + i;
    return -1;
}

const char *EncodeNameText(const char *text, char *name, size_t size, size_t *length) {
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
    bool utf8 = IsUtf8(at);
    const char *missing = nullptr;
    size_t used = 0;
    while (*at != '\0') {
        size_t sequence = utf8 && *at >= 0x80 ? Utf8SequenceLength(at) : 1;
        int byte = sequence == 1 ? *at : CodePageByte(DecodeUtf8(at, sequence));
        if (byte < 0) {
            missing = reinterpret_cast<const char *>(at);
            break;
        }
        if (used + 1 < size)
            name[used] = static_cast<char>(byte);
        ++used;
        at += sequence;
    }
    name[used < size ? used : size - 1] = '\0';
    *length = used;
    return missing;
}
