// The clipboard actions: "Copy Line", "Copy Word", "Cut Word" and "Swap Clipboard Word", on the
// Windows clipboard as Unicode text.
#pragma once
#include "keys/keyevent.h"

#include <stddef.h>

enum { ClipboardWordCapacity = 8192 };

// Action "Copy Line": the whole line, blanks included, goes to the clipboard. A line that is
// empty or blank leaves the key to the shell. 0.
int CopyLine(KeyEvent *event);

// "Copy Word" (cut false) and "Cut Word" (cut true): the word at the cursor goes to the
// clipboard; a cut then removes it and the blanks after it. 0.
int CopyWord(KeyEvent *event, bool cut);
int CopyWordAction(KeyEvent *event);
int CutWordAction(KeyEvent *event);

// Action "Swap Clipboard Word": the word at the cursor and the clipboard's first word change
// places. 0.
int SwapClipboardWord(KeyEvent *event);

// The first word of a clipboard text of at most count units (it need not be terminated
// within them): blanks and line breaks before it are skipped, blanks inside double quotes
// belong to it, a line break ends it, and an odd count of quotes gets a closing one. out holds
// 8,192 units. 1 when a word was taken; 0 when there is none; -1 when it is longer than 8,191
// units (out is then empty).
int FirstClipboardWord(const wchar_t *text, size_t count, wchar_t *out);

// The clipboard's first word into a buffer of 8,192 units. 1 when read; 0 when there is none,
// the clipboard holds no text or cannot be opened, or the word is too long; -1 for no buffer.
int ReadClipboardWord(wchar_t *buffer);

// Puts length units of text on the clipboard as its only content, Unicode text. 0 on success;
// otherwise nonzero, the memory block freed.
int PutOnClipboard(const wchar_t *text, size_t length);
