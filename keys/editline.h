// Operations on the shell's edit line through a KeyEvent. Positions and counts are UTF-16
// unit indexes into the line; the line holds at most 65,535 characters and its terminator.
#pragma once
#include "keys/keyevent.h"

enum { EditLineCapacity = 65536 };

// Inserts text before position (position = length appends). Moves the cursor behind the
// text when it stood at or after position; sets redraw. 0, or -1 when the result would not
// fit the line (the line is then unchanged).
int InsertText(int position, KeyEvent *event, const wchar_t *text);

// Removes count characters at position; sets redraw. 0.
int DeleteText(int position, KeyEvent *event, int count);

// DeleteText(position, event, count) followed by InsertText(position, event, text), with the
// line moved once: the same line, cursor, redraw and one ClearEditLine call. When the result
// would not fit the line, -1 and nothing changes (no clearing either).
int ReplaceLineText(int position, KeyEvent *event, int count, const wchar_t *text);

// The whitespace-delimited word (quotes keep whitespace inside) holding the cursor or ending
// just before it. 1 when found. Each out argument may be null; text is copied only when
// capacity >= length + 1.
int FindWordAtCursor(KeyEvent *event, int *start, int *length, wchar_t *text, int capacity);

// Last UTF-16 unit of a text, 0 for a null or empty text.
wchar_t LastChar(const wchar_t *text);
