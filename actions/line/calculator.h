// The calculator line: Enter on a line that begins with ':' evaluates the rest, prints
// "expression = value" with the value in a highlight colour, and keeps the value in Ans.
#pragma once
#include "keys/keyevent.h"

enum { CalculatorCapacity = 8192, HighlightTextCapacity = 1024 };

// Called by the hook for Enter. 1 when the line was evaluated and printed, 0 otherwise (not a
// calculator line, nothing after the colon, or the shell could not expand or evaluate it).
// Never consumes the key; after printing, the record's rows name the cursor's new row.
int CalculatorLine(KeyEvent *event);

// The attribute a highlight description gives on the current attribute (low byte). A null or
// empty description chooses automatically; one that cannot be read gives the current one.
int HighlightFor(int current, const wchar_t *description);
