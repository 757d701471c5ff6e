// Scripted keystrokes: a list of pieces, each either a key name (see keynames.h) or text to
// type. In --keys the pieces are separated by "|"; in a script file each line is a piece,
// empty lines and lines starting with "#" are skipped. A piece starting with a double quote
// is always text (the quote, and one closing quote at its end, are not typed), so "Enter"
// types the word.
#pragma once
#include <stddef.h>
#include <windows.h>

// Called for each keystroke; returns false to stop the replay.
typedef bool (*ScriptSink)(const KEY_EVENT_RECORD &record);

// Replays text split at separator (L'|' or L'\n'). fileRules: skip empty and "#" lines.
// delayMs: a pause after each piece, for demonstrations. Returns false if the sink stopped it.
bool ReplayScript(const wchar_t *script, wchar_t separator, bool fileRules, int delayMs,
                  ScriptSink sink);

// Reads a script file (UTF-8, or UTF-16 with its byte-order mark) into out. 0, or a Windows
// error code; ERROR_FILE_TOO_LARGE when the file has capacity bytes or more.
int ReadScriptFile(const wchar_t *path, wchar_t *out, size_t capacity);
