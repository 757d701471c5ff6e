// The clipboard as the tests see it.
#pragma once
#include <stddef.h>

// Its Unicode text (empty when none), or false when it cannot be opened.
bool ClipboardText(wchar_t *out, size_t capacity);
// Puts a text on the clipboard (null: empties it).
bool SetClipboardText(const wchar_t *text);
// Keeps the user's clipboard text from the first call on and puts it back when the program
// ends (other formats than text are not kept): the cases that use the clipboard call it first.
void KeepClipboardText(void);
