// How names and paths are shown, in the listing and in reports, so that no control reaches a
// terminal. Where names are UTF-8 text (Linux), the controls are C0 (0x01-0x1F), DEL (0x7F) and
// C1 (0x80-0x9F), as single bytes or in UTF-8 (U+0080-U+009F). Where they are text in a code page
// (Windows' ANSI code page), a control is what the code page makes one: C0, DEL, and the bytes it
// reads as C1 controls (in code page 1252 the five it leaves unassigned); its other bytes are its
// letters and signs. The listing shows a control as '?', which keeps its column's width: each
// byte of it where names are bytes (Windows), each character where they are UTF-8 text (Linux); a
// report shows each byte of it as \xHH, so that the exact bytes can be told. Everything else
// shows as it is.
#pragma once

#include <cstddef>

#include "archive/files/files.h"

enum TextStyle { kShownInByteListing, kShownInTextListing, kShownInReport };

// Writes `text` as shown into `shown`, NUL-terminated, cut at a whole unit where `size` is too
// small: by the code page the system reads names in (DescribeNameCodePage).
void ShowText(const char *text, TextStyle style, char *shown, size_t size);

// The same, with the text read in the code page `codePage` describes, or in UTF-8 (nullptr).
void ShowTextIn(const NameByte *codePage, const char *text, TextStyle style, char *shown,
                size_t size);
