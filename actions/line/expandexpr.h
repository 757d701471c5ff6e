// "Expand Expression": the innermost variable reference or variable function around the
// cursor replaced by the shell's expansion of it.
#pragma once
#include "keys/keyevent.h"

// Nesting deeper than this is refused rather than followed (the scan recurses once per level).
enum { MaxConstructDepth = 256 };

// The innermost construct holding the cursor or ending just before it. 1 when found (first
// and last index in *start and *end), 0 when there is none, -1 when nesting is too deep.
int FindExpression(const wchar_t *line, int cursor, wchar_t escape, int *start, int *end);

int ExpandExpression(KeyEvent *event); // the action; always consumes the key
