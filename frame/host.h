// The shell's library, TakeCmd.dll: the 22 functions the plug-in calls. Names and calling
// conventions are fixed by the shell; all texts are UTF-16. "In place" buffers hold 8192
// units unless a caller says otherwise.
#pragma once
#include <windows.h>

// An in-place expansion may write back this many units whatever the text asked for, and users
// can give the shell's variables values of any length.
enum { ExpansionCapacity = 8192 };

#ifndef TAKECMD_API
#define TAKECMD_API
#endif

extern "C" {
TAKECMD_API int __stdcall ExpandVariables(wchar_t *text, int flag); // 0 = success
TAKECMD_API int __stdcall Evaluate(wchar_t *text);                  // 0 = success
TAKECMD_API int __cdecl Printf(const wchar_t *format, ...);         // standard output
TAKECMD_API int __cdecl Qprintf(HANDLE handle, const wchar_t *format, ...);
TAKECMD_API int __stdcall QPuts(const wchar_t *text);
TAKECMD_API void __stdcall CrLf(void);
TAKECMD_API void __stdcall honk(void);
TAKECMD_API void __stdcall ClearEditLine(wchar_t *from);
TAKECMD_API wchar_t *__stdcall HistoryStart(void);
TAKECMD_API wchar_t *__stdcall NextHistoryEntry(wchar_t *entry);
TAKECMD_API int __stdcall QueryIsDirectory(const wchar_t *path);
TAKECMD_API int __stdcall QueryIsFileOrDirectory(const wchar_t *path);
TAKECMD_API wchar_t *__stdcall QueryTrueName(const wchar_t *path, wchar_t *out);
TAKECMD_API int __stdcall WildcardComparison(const wchar_t *pattern, const wchar_t *name, int, int);
TAKECMD_API void __stdcall AddQuotes(wchar_t *name);
TAKECMD_API void __stdcall GetAttribute(unsigned short *current, unsigned short *other);
TAKECMD_API wchar_t *__stdcall ParseColors(const wchar_t *text, int *foreground, int *background);
TAKECMD_API void __stdcall SetColors(int attribute);
TAKECMD_API void __stdcall GetAbsCursorPosition(int *row, int *column);
TAKECMD_API int __stdcall GetParentPID(int processId);
TAKECMD_API int __stdcall TakeCommandIPC(const wchar_t *request, wchar_t *inOut);
TAKECMD_API void __stdcall tty_yield(int);
}

// Expands text in place like ExpandVariables(text, 1), with standard output and standard
// error pointed at "nul" meanwhile so that the shell's own error messages stay unseen (when
// "nul" cannot be opened, with the handles untouched). "nul" stays open from the first call.
int ExpandQuietly(wchar_t *text);

// Evaluates text in place like Evaluate(text), as quietly as ExpandQuietly.
int EvaluateQuietly(wchar_t *text);

// Closes "nul" (shut-down); the next quiet call opens it again.
void CloseQuietOutput(void);

// The shell's escape character: "%@option[EscapeChar]" when that is exactly one character that
// is neither a letter nor a digit, else '^'.
wchar_t GetEscapeChar(void);

// True when the shell's UnixPaths option is on ("%@option[UnixPaths]" begins with Y or y):
// '/' is then an ordinary character in a command word.
bool UnixPathsMode(void);

// A letter of the shell's variable names: the system's letter class, as the shell's own Windows
// code reads them (names go on with ASCII digits, '_' and '$').
bool IsShellNameLetter(wchar_t ch);

// What an unescaped '%' begins in the shell's syntax ("%%", a literal percent sign, is the
// caller's to step over). Name characters as above; an opener needs a character after it.
enum ShellConstruct {
    ConstructNone,
    ConstructVariable,      // %name (first a letter, digit or '_'): ends at its last name unit
    ConstructFunction,      // %@name[ ... ] (first a letter)
    ConstructArray,         // %name[ ... ] (first a letter, digit or '_')
    ConstructDoubleParen,   // %(( ... ))
    ConstructParen,         // %( ... )
    ConstructDoubleBracket, // %[[ ... ]]
    ConstructBracket,       // %[ ... ]
    ConstructBrace,         // %{ ... }
    ConstructEscape,        // %= : the unit after it counts as escaped
    ConstructSeparator,     // %+
};

struct ConstructOpening {
    ShellConstruct kind;
    int contents; // openers: where the contents begin
    int last;     // %name, %= and %+: their last index
};

// The construct of the '%' at text[percent], reading names no further than index limit (the
// units at limit and after it are read only where the name stops short of it).
ConstructOpening ClassifyPercent(const wchar_t *text, int percent, int limit);
