// "Character Info": what the character at the cursor is, as one status-bar line for the
// shell's graphical host or as the popup's text (actions/console/popup.h).
#pragma once
#include "keys/keyevent.h"

#include <stddef.h>

struct CharacterDescription {
    unsigned int codePoint;
    wchar_t character[16]; // the character, or a name for an invisible one
    wchar_t utf8[16];      // "F0 9F 98 80"
    wchar_t high, low;     // the surrogates, for code points of 0x10000 and above; else 0
    char name[64];         // the Unicode name, or empty
};

enum { DescriptionCapacity = 1024 };

// The code point at the cursor: the last unit when the cursor is at or past the end, a
// surrogate pair as one code point from either half, a lone surrogate as itself. -1 when the
// line is missing or empty.
long CodePointAtCursor(const wchar_t *line, const wchar_t *cursor);

// Fills out for the code point; name is the Unicode name or null.
void DescribeCharacter(unsigned int codePoint, const char *name, CharacterDescription *out);

// The one-line description for the host's status bar, and the popup's lines. The length
// written, or -1 when cut to fit.
int FormatStatusLine(const CharacterDescription *description, wchar_t *out, size_t capacity);
int FormatPopupText(const CharacterDescription *description, wchar_t *out, size_t capacity);

// The action: the status bar of the graphical host, else the popup, else a message box.
// Always consumes the key; the error sound for an empty line.
int ShowCharacterInfo(KeyEvent *event);
