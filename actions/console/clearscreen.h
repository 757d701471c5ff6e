// Clear Screen: brings the prompt and the edit line to the top of the console window without
// erasing anything; the earlier output goes into the scroll-back.
#pragma once
#include "keys/keyevent.h"

// The action: consumes the key, then moves the window, shifts the buffer or, in Windows
// Terminal, scrolls the viewport. Silent in every case; 0.
int ClearScreen(KeyEvent *event);

// Line breaks in a prompt text: its "$_" pairs, each "$" taking the next character with it (so
// "$$_" counts nothing). A null text counts 0.
int CountPromptLines(const wchar_t *prompt);

// The same for the process's "Prompt" variable; a missing or overlong one counts 0.
int PromptExtraLines(void);

// Where a classic console's text goes for a prompt whose first row is promptRow.
enum ClearScreenKind { ClearNothing, ClearMoveWindow, ClearShiftBuffer };
struct ClearScreenPlan {
    ClearScreenKind kind;
    int top;   // ClearMoveWindow: the window's new top row
    int shift; // ClearShiftBuffer: rows the buffer's contents move up (the rows to lower by)
};
ClearScreenPlan PlanClearScreen(int promptRow, int windowHeight, int bufferHeight);

// Rows a Windows Terminal viewport scrolls for a cursor on cursorRow: 0 when the prompt is
// already on the top row.
int TerminalScrollRows(int cursorRow, int promptLines);
