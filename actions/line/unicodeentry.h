// "Unicode Entry": a character typed by its hexadecimal code point. The action puts a marker
// on the line; the shell inserts the digits typed after it; the hook ends the entry, and the
// marker and digits become the character.
#pragma once
#include "keys/keyevent.h"

enum { UnicodeEntryMarker = 0x00A4 }; // "¤"

// The number after the marker: hexadecimal digits as far as they go, after an optional 0x or
// 0X; a value beyond 32 bits reads as 0xFFFFFFFF. *units gets the characters read (prefix
// included). False when text does not start with a hexadecimal digit.
bool ReadUnicodeEntryNumber(const wchar_t *text, unsigned int *value, int *units);

// The UTF-16 form of a value in 1..0x10FFFF: one unit (lone surrogates too) or a surrogate
// pair, terminated. The count of units, or 0 for a value out of range.
int UnicodeEntryCharacter(unsigned int value, wchar_t out[3]);

// Action "Unicode Entry": ends a pending entry, puts the marker at the cursor and switches the
// mode on; consumes the key. 0.
int StartUnicodeEntry(KeyEvent *event);

// Ends the entry: replaces the marker and its digits by the character. 1 when a character was
// put in; 0 when the mode was off or the entry failed (error sound). consume: swallow the key
// (Esc, End) once the marker is found where it was left.
int FinishUnicodeEntry(KeyEvent *event, bool consume);

// What the hook does with a key while an entry is pending, before Enter and the hotkey table:
// a printable non-digit (the record's own code) and Enter end the entry and go on; Esc and End
// (c, with modifier bits) end it and are swallowed. True when the hook is done with the key.
bool UnicodeEntryKey(KeyEvent *event, int c);
