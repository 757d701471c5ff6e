// Edit lines as tests spell them, with '|' for the cursor: LineEvent<KeyEvent>(code, L"ab|cd")
// and CHECK_LINE(event, L"ac|bd"). The record type is the plug-in's KeyEvent or the black-box
// ShellKeyEvent. Every unit of a line after its text is poisoned and guard units follow it, so
// a lost terminator or a write past the line shows.
#pragma once
#include "tests/support/check.h"

enum { TestLineCapacity = 65536 };

// A line buffer with guard units after it which no action may touch.
struct GuardedLine {
    wchar_t text[TestLineCapacity];
    wchar_t guard[16];
};

// Copies the marked text without its first '|' into the line (cut at the capacity) and
// poisons the rest; the result is the cursor index (the text's length without a '|').
int SetMarkedLine(GuardedLine *line, const wchar_t *marked);
// The same for a text taken as written ('|' is a character like any other).
void SetPlainLine(GuardedLine *line, const wchar_t *text);
// True when the guard after the line still holds its poison.
bool GuardIntact(const GuardedLine *line);

// The shared line the events below point into.
GuardedLine &SharedLine(void);
inline wchar_t *TestLine(void)
{
    return SharedLine().text;
}
inline int SetMarkedLine(const wchar_t *marked)
{
    return SetMarkedLine(&SharedLine(), marked);
}
inline bool TestLineGuardIntact(void)
{
    return GuardIntact(&SharedLine());
}

// Remembers the whole shared line, guard included; LineUnchanged tells whether every unit is
// still the same, for the failure paths that must leave the line byte-identical.
void RememberLine(void);
bool LineUnchanged(void);
// True when every unit after the longer of the remembered and the current text (after its
// terminator) is still as remembered, the guard included.
bool TailUnchanged(void);

// A record on the shared line as it stands, the cursor at the index.
template <typename Event> Event EventOn(int code, int cursor)
{
    Event event = {};
    event.code = code;
    event.line = TestLine();
    event.cursor = event.line + cursor;
    return event;
}

// A record on the shared line holding the marked text.
template <typename Event> Event LineEvent(int code, const wchar_t *marked)
{
    return EventOn<Event>(code, SetMarkedLine(marked));
}

// A record on the shared line holding the text as written, the cursor at the index.
template <typename Event> Event PlainLineEvent(int code, const wchar_t *text, int cursor)
{
    SetPlainLine(&SharedLine(), text);
    return EventOn<Event>(code, cursor);
}

// A record on a line of length copies of fill (cut below TestLineCapacity).
template <typename Event> Event LongLineEvent(int code, int length, wchar_t fill, int cursor)
{
    SetPlainLine(&SharedLine(), L"");
    if (length > TestLineCapacity - 1)
        length = TestLineCapacity - 1;
    for (int i = 0; i < length; i++)
        TestLine()[i] = fill;
    TestLine()[length] = 0;
    return EventOn<Event>(code, cursor);
}

// The cursor's index in the record's line.
template <typename Event> int CursorOf(const Event &event)
{
    return (int)(event.cursor - event.line);
}

// line with '|' at the cursor index, in a static buffer; "(cursor N outside the line)" is
// appended when the cursor does not point into it.
const wchar_t *MarkedLine(const wchar_t *line, long long cursor);

#define CHECK_LINE(event, marked)                                                                  \
    CHECK_TEXT(MarkedLine((event).line, (long long)((event).cursor - (event).line)), (marked))

// The marked line of a record on the shared line, and the guard after it untouched.
void CheckLineIs(const wchar_t *line, long long cursor, const wchar_t *marked, const char *row,
                 const char *file, int fileLine);
#define CHECK_ROW_LINE(row, event, marked)                                                         \
    CheckLineIs((event).line, (long long)((event).cursor - (event).line), (marked), (row),         \
                __FILE__, __LINE__)
