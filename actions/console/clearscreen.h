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
