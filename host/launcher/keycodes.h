// Console key events to the shell's key codes: a character as itself, any other key as
// 0x10000 plus its code from the key tables, in the style of an older host or of a newer one
// (which also names the key). The codes here are what the shell hands to the hook, before
// the hook adds its own modifier bits for Ctrl-Shift and Ctrl-Alt.
#pragma once
#include <windows.h>

enum { ShellExtended = 0x10000 };
enum { ShellKeyNameCapacity = 40 };

// Modifier columns of the key tables.
enum KeyColumn {
    ColumnPlain,
    ColumnShift,
    ColumnCtrl,
    ColumnAlt,
    ColumnCtrlShift,
    ColumnCtrlAlt,
    ColumnCtrlAltShift,
    ColumnCount
};

struct ShellKey {
    int code;       // the shell's code; never 0 for a key that is passed on
    int column;     // the modifier column the key was read in
    bool character; // the code is the character the key typed
    bool shift;     // modifiers held with the key, for setting the key state around the hook
    bool ctrl;
    bool alt;
    wchar_t name[ShellKeyNameCapacity]; // what a newer host passes as keyName
};

// The column for a combination of modifiers; Shift with Alt counts as Alt.
int ColumnOf(bool shift, bool ctrl, bool alt);

// Translates one console key event. False for events that are not keystrokes for the line:
// key releases, lone modifier keys, and keys that have no code and type no character.
bool TranslateKeyEvent(const KEY_EVENT_RECORD &record, bool newerHost, ShellKey *out);
