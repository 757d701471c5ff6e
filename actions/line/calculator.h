// The calculator line: Enter on a line that begins with ':' evaluates the rest, prints
// "expression = value" with the value in a highlight colour, and keeps the value in Ans.
#pragma once
#include "keys/keyevent.h"

#include <windows.h>

enum { CalculatorCapacity = 8192, HighlightTextCapacity = 1024 };

// Called by the hook for Enter. 1 when the line was evaluated and printed, 0 otherwise (not a
// calculator line, nothing after the colon, or the shell could not expand or evaluate it).
// Never consumes the key; after printing, the record's rows name the cursor's new row.
int CalculatorLine(KeyEvent *event);

// The attribute to show the value in; *current receives the current attribute (low byte) so
// that it can be restored. The description comes from "Highlight" in the environment, then
// the registry; without one the colour is chosen to contrast with the current one.
int HighlightAttribute(int *current);

// The attribute a highlight description gives on the current attribute (low byte). A null or
// empty description chooses automatically; one that cannot be read gives the current one.
int HighlightFor(int current, const wchar_t *description);

// The REG_SZ value "Highlight" under root\keyPath into out (HighlightTextCapacity units). 0
// when a non-empty text was read; else the registry's error code, ERROR_INVALID_DATA for
// another type or ERROR_NO_DATA for an empty value, with out emptied; -1 for a missing
// argument.
int ReadHighlightValue(HKEY root, const wchar_t *keyPath, wchar_t *out);
