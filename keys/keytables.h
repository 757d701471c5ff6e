// Key codes and their names: the older and newer key tables, and the operations on them.
// The newer-host flag (Plugin.newerHost) picks the table for the plain forms.
#pragma once
#include <stddef.h>

enum { KeyInvalid = -1, KeyNotAllowed = -2 };
enum { KeyNameCapacity = 1024 };

// Text to code: a positive code; 0 for an unknown name; -1 or -2 from the table.
int ParseKeyName(const wchar_t *text);
int ParseKeyNameIn(bool newerTable, const wchar_t *text);

// Code to text in out (1024 units): 0, or -1 with "(unknown)".
int FormatKeyCode(wchar_t *out, int code);
int FormatKeyCodeIn(bool newerTable, wchar_t *out, int code);

// Writes every bindable key, one table row per line, to standard output.
int ListKeyNames(void);

// Table access for listings and tests.
int KeyTableRows(bool newerTable);
int KeyTableColumns(bool newerTable);
const wchar_t *KeyTableName(bool newerTable, int row);
int KeyTableCode(bool newerTable, int row, int column);
const wchar_t *KeyModifierPrefix(int column);
