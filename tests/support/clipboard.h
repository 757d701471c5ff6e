// The clipboard as the tests see it.
#pragma once
#include <stddef.h>

// Its Unicode text (empty when none), or false when it cannot be opened.
bool ClipboardText(wchar_t *out, size_t capacity);
// Puts a text on the clipboard (null: empties it).
bool SetClipboardText(const wchar_t *text);
