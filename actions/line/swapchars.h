// "Swap Characters" and "Change Word Case".
#pragma once
#include "keys/keyevent.h"

#include <stddef.h>

int SwapCharacters(KeyEvent *event);
int ChangeWordCase(KeyEvent *event);

// The case step of "Change Word Case" on a word in place: both kinds of letters (a titlecase
// letter is both) -> upper case; only upper -> lower; only lower -> capitalised after blanks
// and "-"; caseless letters only -> unchanged. False, word untouched, when it has no letter.
bool CycleCase(wchar_t *word, size_t length);
