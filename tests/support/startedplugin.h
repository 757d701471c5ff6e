// The plug-in loaded and started for black-box tests of its actions, and key presses on the
// shared test line (tests/support/editline.h) through its exported hook.
#pragma once
#include "tests/support/editline.h"
#include "tests/support/plugindll.h"

#include <stddef.h>

// Loads the plug-in (one more reference), initialises it, gives it the settings (the command's
// arguments, null for none; what it prints is dropped) and releases the modifier keys; the
// shell's output is captured. A start that fails ends the program. For the tests that need a
// start of their own (a console made before it, settings kept from the registry).
PluginDll StartPlugin(const wchar_t *settings);

// The plug-in started once per program: default settings and hotkeys, the honk as error sound
// (counted by the stand-in), no last-arguments flags.
PluginDll &StartedPlugin(void);

// Shuts the started plug-in down and starts it again as on a host of the version (the _4ver
// variable; null: the stand-in's own), with the settings it started with. InitializePlugin's
// result.
int RestartPlugin(const wchar_t *hostVersion);

// Gives the started plug-in its start settings again, for a test that must not depend on what
// an earlier one (perhaps of another file linked into the same program) changed.
void ResetSettings(void);

// Runs the command with the started plug-in and drops what it printed. Its result.
int RunLinewise(const wchar_t *arguments);

// A record on the shared line holding the marked text, for the started plug-in; the
// stand-in's counters are reset and the shell's output so far dropped.
ShellKeyEvent ShellLine(int code, const wchar_t *marked);
// The same on a line of length copies of fill.
ShellKeyEvent LongShellLine(int code, int length, wchar_t fill, int cursor);

// Modifier keys held down while a key is pressed.
enum { HoldShift = 1, HoldCtrl = 2, HoldAlt = 4 };

// Remembers the line (LineUnchanged) and the cursor, then calls the exported hook with the
// modifiers held. The hook's result.
int PressKey(ShellKeyEvent *event, int held = 0);

// ShellLine and PressKey in one: the record after the press.
ShellKeyEvent PressOnLine(int code, const wchar_t *marked, int held = 0);

// What the shell does with a key the hook left: a printable code is typed at the cursor.
void ShellTypes(ShellKeyEvent *event);

// After PressKey: the hook answered 0 and consumed the key, nothing was written past the line
// and the shell printed nothing. With after, the line is the marked one (nothing written
// after the longer of it and the line before), redrawn, without an error sound; without
// (null), a refusal: the line byte-identical with the cursor where it was, not redrawn, not
// cleared, and one error sound.
void CheckPress(const char *row, const ShellKeyEvent &event, const wchar_t *after);

// A table row for one key: the marked line before the press and after it (null: refused).
struct PressRow {
    const char *name;
    const wchar_t *before;
    const wchar_t *after;
};
// Presses the key with the modifiers held on each row's line and checks it with CheckPress.
void PressRows(int code, int held, const PressRow *rows, size_t count);
template <size_t N> void PressRows(int code, int held, const PressRow (&rows)[N])
{
    PressRows(code, held, rows, N);
}
