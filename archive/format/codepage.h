// The text of an entry's name. An archive's names are text in code page 1252, the code page of
// the Windows systems the format comes from (and where the Windows program still hands a name's
// bytes to the system as they are). On Linux, whose file names are UTF-8, a name is decoded
// from the code page as it is unpacked, and a file's name encoded into it as it is packed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/format/format.h"

// A name's text in UTF-8: each byte of the code page takes three bytes at most (the euro sign).
enum : size_t { kLongestNameTextBytes = 3 * kNameRecordBytes };

// The length of the well-formed UTF-8 sequence that starts at `text` (no overlong form, no
// surrogate, nothing past U+10FFFF), or 0 when none does. A NUL ends the look.
size_t Utf8SequenceLength(const unsigned char *text);

// The name, NUL-terminated, as UTF-8: the name itself when it is ASCII or well-formed UTF-8
// already (as VornWriter 1.1 on Linux wrote names), else each byte read in code page 1252 into
// `text`, of kLongestNameTextBytes + 1 bytes. The five bytes the code page leaves unassigned
// become U+0081, U+008D, U+008F, U+0090 and U+009D, as Windows reads them.
const char *DecodeNameText(const char *name, char *text);

// Encodes a file name into code page 1252, NUL-terminated in `name` (cut where `size` is too
// small): a name in well-formed UTF-8 character by character, any other byte for byte (it comes
// from a system whose names are in an 8-bit code page). *length is what the whole name takes in
// the code page. Returns the first character the code page does not have, or nullptr.
const char *EncodeNameText(const char *text, char *name, size_t size, size_t *length);

// The code point of the well-formed UTF-8 sequence of 2 to 4 bytes at `text`.
uint32_t DecodeUtf8(const unsigned char *text, size_t length);
