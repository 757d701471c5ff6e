// Auto-close pairs: a typed opening bracket or quote gets its closing character after the
// cursor, so that the shell's own insertion of the opener leaves the cursor between them.
#pragma once
#include "keys/keyevent.h"

// The hook offers these codes to AutoClosePair: [ ( { " ' and the backquote.
bool IsAutoCloseKey(int code);

// The closing character for a typed code, under the flag word and with the character before
// the cursor (0 at the start of the line); 0 when no pair is to be made.
wchar_t AutoCloseCharacter(int code, unsigned int flags, wchar_t previous);

// Puts the closing character for the record's own code at the cursor, in insert mode and
// while the line holds at most 65,533 characters. Never consumes the key, moves the cursor or
// sets redraw. 0.
int AutoClosePair(KeyEvent *event);
