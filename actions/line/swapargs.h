// "Swap Arguments": exchanges the argument at the cursor with the one before it. The command
// word never moves; double quotes and the escape character protect blanks; inside
// %@name[a,b], %name[a,b], %((...)), %[[...]] and %[...] the items of the innermost such list
// that holds the cursor (and has two items) are swapped instead.
#pragma once
#include "keys/keyevent.h"

// The two neighbouring arguments to exchange, as unit positions in the line: first stands
// before second. depth is 0 for the line's own arguments, more inside a nested list.
struct ArgumentPair {
    int firstStart, firstLength;
    int secondStart, secondLength;
    int depth;
};

enum SwapFailure {
    SwapFound = 0,
    SwapLineTooLong = 1, // 65,532 units or more: the result might not fit the line
    SwapNoArguments = 2, // nothing after the command word
    SwapTooDeep = 3,     // more nested lists than MaxSwapNesting
    SwapNoPair = 4,      // the chosen list has fewer than two arguments
};

// Nested lists open at the same time; one more is refused like a failed allocation.
enum { MaxSwapNesting = 1024 };

// Decides which arguments to swap on a line with the cursor at index cursor (beyond the end
// counts as at the end), for the given escape character and Unix-paths mode; *length receives
// the line's length. SwapFound, or a SwapFailure. Reads no further than the terminator, and
// never beyond 65,532 units.
int FindArgumentPair(const wchar_t *line, int cursor, wchar_t escape, bool unixPaths,
                     ArgumentPair *pair, int *length);

// Writes the line with the pair exchanged to out (capacity units) and its length to
// *newLength, putting one space where an exchanged argument would run into its neighbour at
// the top level. Result: the new cursor index (just after the moved first argument), or -1
// when the result does not fit.
int BuildSwappedLine(const wchar_t *line, int length, const ArgumentPair &pair, wchar_t *out,
                     int capacity, int *newLength);

// Whether a space must separate before and after when they would touch: before is a letter,
// digit or '%', and after a visible character.
bool NeedsSpace(wchar_t before, wchar_t after);

// The action (id 2). Always consumes the key; on failure the line is unchanged and the error
// sound plays.
int SwapArguments(KeyEvent *event);
