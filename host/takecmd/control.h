// Extra exports of the stand-in shell library, for the launcher and the tests: they set the
// shell's state and read what the plug-in wrote. The plug-in never calls them. All __cdecl,
// plain names; look them up with GetProcAddress on "TakeCmd.dll" (tests/support/hostctl.h).
#pragma once

#ifndef TAKECMD_API
#define TAKECMD_API
#endif

extern "C" {
// Internal variables such as _4ver, _transient, _pipe, _batch, _batchname, _batchline,
// _insert, _cmdspec. A null value restores the built-in value.
TAKECMD_API void __cdecl HostSetVariable(const wchar_t *name, const wchar_t *value);
// @option[name], for example EscapeChar or UnixPaths. A null value removes the option.
TAKECMD_API void __cdecl HostSetOption(const wchar_t *name, const wchar_t *value);
// Whether a graphical host answers TakeCommandIPC (0 = none, the default: requests give -1).
// With one, "STATUSBAR" stores its text (read back with HostTakeStatusBar) and "HWND" and
// "HVIEW" answer the given window handle.
TAKECMD_API void __cdecl HostSetGraphicalHost(int present, void *window);
TAKECMD_API int __cdecl HostTakeStatusBar(wchar_t *out, int capacity);
// How the graphical host answers "HVIEW": -1 the request fails, 0 (the default, restored by
// HostSetGraphicalHost) the "HWND" window, 1 the given value, window or not.
TAKECMD_API void __cdecl HostSetGraphicalView(int answer, void *view);
// Whether that host has a status bar (1, the default, restored by HostSetGraphicalHost): with
// none, "STATUSBAR" gives -1 while "HWND" and "HVIEW" still answer, as for the try-out
// session, which plays the graphical host with Wine's console window.
TAKECMD_API void __cdecl HostSetStatusBar(int present);
// GetParentPID answers parent for processId instead of the process snapshot (at most 16
// processes); processId 0 forgets every such answer.
TAKECMD_API void __cdecl HostSetParentPID(int processId, int parent);

// The command history, oldest first.
TAKECMD_API void __cdecl HostClearHistory(void);
TAKECMD_API void __cdecl HostAddHistory(const wchar_t *entry);

// Output capture: while on, Printf, Qprintf, QPuts and CrLf append to memory instead of
// writing (stream 1 standard output, 2 standard error; what goes to any other handle is
// written as usual). HostTakeOutput copies and clears one stream; the result is its length.
TAKECMD_API void __cdecl HostCaptureOutput(int on);
TAKECMD_API int __cdecl HostTakeOutput(int stream, wchar_t *out, int capacity);

// The edit line as the launcher shows it, so that ClearEditLine can erase from a character
// on: the line buffer and the console cell where it begins. Null line: none shown.
TAKECMD_API void __cdecl HostSetEditLine(wchar_t *line, int row, int column);
// Calls of ClearEditLine and honk since the last reset, and the last pointer given to
// ClearEditLine.
TAKECMD_API int __cdecl HostClearEditLineCalls(void);
TAKECMD_API wchar_t *__cdecl HostLastClearEditLine(void);
TAKECMD_API int __cdecl HostHonkCalls(void);
TAKECMD_API void __cdecl HostResetCounters(void);

// The attribute SetColors was last given (-1 when never called since the reset).
TAKECMD_API int __cdecl HostLastColors(void);
}
