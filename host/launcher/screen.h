// The console as the launcher uses it: output, and the edit line shown after the prompt,
// wrapping over as many rows as it needs.
#pragma once
#include "host/launcher/editline.h"

#include <stddef.h>

// Where the edit line is shown: the cell of its first character, and how many characters
// are shown there now (so that a shorter line can blank the rest).
struct LineView {
    int homeRow;
    int homeColumn;
    int shown;
};

// Prepares the console: raw key input (Ctrl-C arrives as a key), restored by ScreenRestore.
// False when standard input is not a console.
bool ScreenInit(void);
void ScreenRestore(void);

// Output to standard output: the console, or UTF-8 when redirected.
void Out(const wchar_t *text);
void OutFormat(const wchar_t *format, ...);
void OutError(const wchar_t *text);

// Writes the prompt and puts the line's home where the prompt ends.
void ShowPrompt(LineView *view);
// Shows the line from character index `from` on, blanks what is left of a longer line
// shown before, and puts the cursor at the line's cursor. Follows the screen when writing
// scrolled it (homeRow goes up).
void DrawLine(LineView *view, const EditLine *line, int from);
// Puts the console cursor on character index `index` of the shown line.
void PlaceCursor(const LineView *view, int index);
// The cell of character index `index`.
void CellOf(const LineView *view, int index, int *row, int *column);
// Moves to the start of the row after the shown line, for output below it.
void LeaveLine(const LineView *view, const EditLine *line);
// Cursor size: a block for overwrite mode, a line for insert mode.
void ShowMode(bool insert);
