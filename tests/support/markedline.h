// Edit lines written with '|' where the cursor stands ("echo 2+3|"), for tables of cases that
// run actions through the key hook, and row-named checks for such tables.
#pragma once
#include <stddef.h>

enum { MarkedLineCapacity = 65536 };

// The shell's line buffer with guard units after it, which no action may touch.
struct GuardedLine {
    wchar_t text[MarkedLineCapacity];
    wchar_t guard[16];
};

// Copies the marked text without its '|' into the line, poisons every unit after the
// terminator and the guard, and gives the cursor index (the text's length without a '|').
int SetMarkedLine(GuardedLine *line, const wchar_t *marked);

// The line with '|' at the cursor index (static buffer, valid until the next call).
const wchar_t *MarkedLine(const wchar_t *line, long long cursor);

// True when the guard after the line still holds its poison.
bool GuardIntact(const GuardedLine *line);

// "row: what", for failure messages (a few rotating static buffers).
const char *RowWhat(const char *row, const char *what);

#define CHECK_ROW_EQ(row, actual, expected)                                                        \
    CheckInt((long long)(actual), (long long)(expected), __FILE__, __LINE__,                       \
             RowWhat((row), #actual " == " #expected))
#define CHECK_ROW_TEXT(row, actual, expected)                                                      \
    CheckText((actual), (expected), __FILE__, __LINE__, RowWhat((row), #actual " == " #expected))
