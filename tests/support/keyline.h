// The shell's edit line for the black-box tests of the line actions: a pattern such as
// L"ab|cd" gives the text and, at the bar, the cursor. The rest of the 65,536-unit buffer is
// poisoned and guard units follow it, so a missing terminator or a write past the line shows.
#pragma once
#include "tests/support/startedplugin.h"

enum { ShellLineCapacity = 65536 };

// The plug-in is started once, by StartedPlugin (tests/support/startedplugin.h).

// A key record for the pattern in the shared line buffer; host counters reset.
ShellKeyEvent LineEvent(int code, const wchar_t *pattern);
// A line of length copies of fill with the cursor at cursor.
ShellKeyEvent LongLineEvent(int code, int length, wchar_t fill, int cursor);
// Calls the exported hook.
int PressKey(ShellKeyEvent *event);
// What the shell does with a key the hook left: a printable code is typed at the cursor.
void ShellTypes(ShellKeyEvent *event);

// The line matches the pattern: text, terminator right after it, cursor at the bar, the
// guard units behind the buffer untouched. row names the case in a failure.
void CheckLineIs(const ShellKeyEvent &event, const wchar_t *pattern, const char *row,
                 const char *file, int line);
#define CHECK_LINE(event, pattern, row) CheckLineIs((event), (pattern), (row), __FILE__, __LINE__)

// Remembers the whole buffer, guard units included; LineUnchanged tells whether every unit
// is still the same, for the failure paths that must leave the line byte-identical.
void RememberLine(void);
bool LineUnchanged(void);

// The clipboard as the tests see it: its Unicode text (empty when none), or false when it
// cannot be opened.
bool ClipboardText(wchar_t *out, size_t capacity);
// Puts a text on the clipboard (null: empties it).
bool SetClipboardText(const wchar_t *text);
