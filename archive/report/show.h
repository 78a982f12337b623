// How names and paths are shown, in the listing and in reports, so that no control reaches a
// terminal: C0 controls (0x01-0x1F), DEL (0x7F), and C1 controls (0x80-0x9F) as single bytes
// or in UTF-8 (U+0080-U+009F). The listing shows a control as '?', which keeps its column's
// width: each byte of it where names are bytes (Windows), each character where they are UTF-8
// text (Linux); a report shows each byte of it as \xHH, so that the exact bytes can be told.
// Every other well-formed UTF-8 sequence, and every other byte, shows as it is.
#pragma once

#include <cstddef>

enum TextStyle { kShownInByteListing, kShownInTextListing, kShownInReport };

// Writes `text` as shown into `shown`, NUL-terminated, cut at a whole unit where `size` is too
// small.
void ShowText(const char *text, TextStyle style, char *shown, size_t size);
