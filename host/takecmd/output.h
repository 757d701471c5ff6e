// Output of the stand-in shell: Printf, Qprintf, QPuts and CrLf (declared in frame/host.h),
// the output capture of control.h, and the writer the other modules use for the shell's own
// messages.
#pragma once
#include <stddef.h>
#include <windows.h>

// Writes count units of text to a handle: into the capture when capture is on and the handle
// is one of the standard handles it recorded, else to the console (WriteConsoleW) or, for a
// file or pipe, as UTF-8. Result: units written, or -1 when the handle refused them.
int WriteToHandle(HANDLE handle, const wchar_t *text, size_t count);

// The shell's own error message, "TCC: " and the formatted text and a line end, on the
// standard error handle current at the call.
void ShellError(const wchar_t *format, ...);
