// The clipboard actions: "Copy Line", "Copy Word", "Cut Word" and "Swap Clipboard Word", on the
// Windows clipboard as Unicode text.
#pragma once
#include "keys/keyevent.h"

#include <stddef.h>

enum { ClipboardWordCapacity = 8192 };

// Action "Copy Line": the whole line, blanks included, goes to the clipboard. A line that is
// empty or blank leaves the key to the shell. 0.
int CopyLine(KeyEvent *event);

// "Copy Word" and "Cut Word": the word at the cursor goes to the clipboard; a cut then
// removes it and the blanks after it. 0.
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
