// Edit lines as tests spell them, with '|' for the cursor: LineEvent<KeyEvent>(code, L"ab|cd")
// and CHECK_LINE(event, L"ac|bd"). One shared line buffer with guard units after it.
#pragma once
#include "tests/support/check.h"

enum { TestLineCapacity = 65536 };

// The shared line (TestLineCapacity units, then guard units that SetMarkedLine fills).
wchar_t *TestLine(void);
// True while no write went past the line's capacity since the last SetMarkedLine.
bool TestLineGuardIntact(void);

// Copies marked without its first '|' into TestLine(); the result is the cursor index (the
// end of the text when there is no '|'). Text beyond the capacity is cut.
int SetMarkedLine(const wchar_t *marked);

// line with '|' at the cursor index, in a static buffer; "(cursor N outside the line)" is
// appended when the cursor does not point into it.
const wchar_t *MarkedLine(const wchar_t *line, long long cursor);

// A record of the shell's kind (KeyEvent or the black-box ShellKeyEvent) on TestLine().
template <typename Event> Event LineEvent(int code, const wchar_t *marked)
{
    Event event = {};
    event.code = code;
    event.line = TestLine();
    event.cursor = event.line + SetMarkedLine(marked);
    return event;
}

#define CHECK_LINE(event, marked)                                                                  \
    CHECK_TEXT(MarkedLine((event).line, (long long)((event).cursor - (event).line)), (marked))

// A line buffer of the test's own, for tables that keep several lines, with guard units after
// it which no action may touch.
struct GuardedLine {
    wchar_t text[TestLineCapacity];
    wchar_t guard[16];
};

// Copies the marked text without its '|' into the line, poisons every unit after the
// terminator and the guard, and gives the cursor index (the text's length without a '|').
int SetMarkedLine(GuardedLine *line, const wchar_t *marked);

// True when the guard after the line still holds its poison.
bool GuardIntact(const GuardedLine *line);

// "row: what", for failure messages (a few rotating static buffers).
const char *RowWhat(const char *row, const char *what);

#define CHECK_ROW_EQ(row, actual, expected)                                                        \
    CheckInt((long long)(actual), (long long)(expected), __FILE__, __LINE__,                       \
             RowWhat((row), #actual " == " #expected))
#define CHECK_ROW_TEXT(row, actual, expected)                                                      \
    CheckText((actual), (expected), __FILE__, __LINE__, RowWhat((row), #actual " == " #expected))
