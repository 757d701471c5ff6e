// Named keys for scripted sessions: "Enter", "F3", "Alt-;", "Ctrl-Shift-F1", "Ctrl-U" ...
// become the console key events a keyboard would produce, so that a script goes through the
// same translation as typing does.
#pragma once
#include <windows.h>

// Parses a key name with any of the modifier prefixes Shift-, Ctrl-, Alt- (also S-, C-, A-,
// Control-, in any order, ignoring case). True with the key-down event in out; false when
// the text is not a key name. A single character is a key name only with a modifier.
bool ParseScriptKey(const wchar_t *text, KEY_EVENT_RECORD *out);

// The key-down event for typing one character of text, without modifiers.
KEY_EVENT_RECORD CharacterKeyEvent(wchar_t ch);

// Writes the known key names, for --help.
const wchar_t *ScriptKeyNamesHelp(void);
