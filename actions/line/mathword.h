// "Math Word": the word at the cursor replaced by its arithmetic value, computed by the shell.
#pragma once
#include "keys/keyevent.h"

enum { MathWordCapacity = 0x10000 };

// Evaluates the word holding the cursor index (or ending just before it) with the shell's
// Evaluate, keeping the shell quiet, and puts the value in its place; the index then stands
// just after the value. 1 on success; 0 when there is no word, it is empty once unquoted, or
// the shell could not evaluate it (line and index unchanged); -1 for a missing argument; -2
// for a word too long for the expression buffer.
int EvaluateWord(int *cursor, wchar_t *line);

int MathWord(KeyEvent *event); // the action; always consumes the key
