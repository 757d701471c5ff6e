// Which window shows this process's console: the classic console window, the shell's own
// graphical host, Windows Terminal, ConEmu or Console2, with the inner window that holds the
// text (the view).
#pragma once
#include <windows.h>

enum ConsoleHostKind : unsigned int {
    ConsoleHostNone = 0,
    ConsoleHostClassic = 1,          // the console window itself
    ConsoleHostTakeCommand = 2,      // the shell's graphical main window; view: this console's tab
    ConsoleHostConsole2 = 3,         // "Console_2_Main"; view: its "Console_2_View" child
    ConsoleHostConEmu = 4,           // "ConEmuHWND"; view: "ConEmuDrawHWND"
    ConsoleHostWindowsTerminal = 16, // "CASCADIA_HOSTING_WINDOW_CLASS"; read from the screen
};

// The top-level window that shows the console, or null (kind 0). When view or kind is given,
// it receives the view window (the top-level window when the host has no inner view) and the
// host kind. The view searches (which may ask the graphical host, change the console title
// for up to about a second, or enumerate child windows) run only when view is given.
HWND FindConsoleWindow(HWND *view = nullptr, ConsoleHostKind *kind = nullptr);

// A window handle written in an environment variable: "0x"/"0X" and hexadecimal digits, or
// decimal digits, nothing else, not zero, at most 32 bits (ParseNumber). 0 when malformed.
ULONG_PTR ParseWindowHandleText(const wchar_t *text);

// A window handle in a reply of the graphical host: the leading decimal digits; 0 when there
// are none or the number is out of range.
ULONG_PTR ParseHostReply(const wchar_t *text);

// Where the console window comes from: GetConsoleWindow. A seam for tests, because Wine's own
// console window (class "WineConsoleClass") can never be a classic console or a pseudo
// console.
extern HWND(WINAPI *ConsoleWindowSource)(void);
// Where the processes attached to the console come from: GetConsoleProcessList. A seam too:
// Wine 8 reports every process id as zero.
extern DWORD(WINAPI *ConsoleProcessListSource)(DWORD *list, DWORD size);
