#include "actions/console/clearscreen.h"

#include "frame/globals.h"
#include "frame/text.h"

#include <windows.h>

namespace
{

enum { EnvironmentCapacity = 1024, SequenceCapacity = 1024 };

// Where a classic console's text goes for a prompt whose first row is promptRow.
enum ClearScreenKind { ClearNothing, ClearMoveWindow, ClearShiftBuffer };
struct ClearScreenPlan {
    ClearScreenKind kind;
    int top;   // ClearMoveWindow: the window's new top row
    int shift; // ClearShiftBuffer: rows the buffer's contents move up (the rows to lower by)
};
ClearScreenPlan PlanClearScreen(int promptRow, int windowHeight, int bufferHeight)
{
    ClearScreenPlan plan = {ClearNothing, -1, 0};
    // A prompt row outside the buffer is no place the console could show or move.
    if (promptRow < 0 || promptRow >= bufferHeight || windowHeight <= 0 ||
        windowHeight > bufferHeight)
        return plan;
    if (promptRow + windowHeight <= bufferHeight) {
        plan.kind = ClearMoveWindow;
        plan.top = promptRow;
    } else {
        plan.kind = ClearShiftBuffer;
        plan.shift = promptRow + windowHeight - bufferHeight;
    }
    return plan;
}

// Rows a Windows Terminal viewport scrolls for a cursor on cursorRow: 0 when the prompt is
// already on the top row.
int TerminalScrollRows(int cursorRow, int promptLines)
{
    const int rows = cursorRow - promptLines;
    return rows > 0 ? rows : 0;
}

bool InWindowsTerminal(void)
{
    wchar_t value[EnvironmentCapacity];
    DWORD length = GetEnvironmentVariableW(L"WT_SESSION", value, EnvironmentCapacity);
    return length > 0 && length < EnvironmentCapacity;
}

void WriteSequence(HANDLE console, const wchar_t *text, int length)
{
    DWORD written = 0;
    if (length > 0)
        WriteConsoleW(console, text, (DWORD)length, &written, nullptr);
}

void ScrollTerminal(HANDLE console, const CONSOLE_SCREEN_BUFFER_INFO &info, KeyEvent *event)
{
    const int rows = TerminalScrollRows(info.dwCursorPosition.Y, PromptExtraLines());
    if (rows <= 0)
        return;
    DWORD mode = 0;
    bool changed = false;
    if (GetConsoleMode(console, &mode) && !(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        changed = SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    WriteSequence(console, L"\x1b[H", 3);
    wchar_t sequence[SequenceCapacity];
    WriteSequence(console, sequence, TextFormat(sequence, SequenceCapacity, L"\x1b[%dS", rows));
    event->homeRow -= rows;
    event->row -= rows;
    if (changed)
        SetConsoleMode(console, mode);
}

void ClearClassicConsole(HANDLE console, const CONSOLE_SCREEN_BUFFER_INFO &info, KeyEvent *event)
{
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    const int height = info.srWindow.Bottom - info.srWindow.Top + 1;
    const int promptRow = event->homeRow - PromptExtraLines();
    const ClearScreenPlan plan = PlanClearScreen(promptRow, height, info.dwSize.Y);
    if (plan.kind == ClearMoveWindow) {
        const SMALL_RECT window = {0, (SHORT)plan.top, (SHORT)(width - 1),
                                   (SHORT)(plan.top + height - 1)};
        SetConsoleWindowInfo(console, TRUE, &window);
    } else if (plan.kind == ClearShiftBuffer) {
        // The rectangle ends at the buffer's last row, not at the prompt's first row: the rest
        // of a prompt of several lines and an edit line that wraps lie below that row, and
        // they must move with it, or the shell would redraw the line at the lowered homeRow
        // over stale copies of them. Whole rows move (the buffer's width, not only the
        // window's), so that text right of a narrower window stays on its own row.
        const SMALL_RECT moved = {0, (SHORT)plan.shift, (SHORT)(info.dwSize.X - 1),
                                  (SHORT)(info.dwSize.Y - 1)};
        const COORD destination = {0, 0};
        CHAR_INFO fill;
        fill.Char.UnicodeChar = L' ';
        fill.Attributes = info.wAttributes;
        ScrollConsoleScreenBufferW(console, &moved, nullptr, destination, &fill);
        // The prompt now heads the last window-full; a window scrolled up elsewhere joins it.
        const SMALL_RECT window = {0, (SHORT)(info.dwSize.Y - height), (SHORT)(width - 1),
                                   (SHORT)(info.dwSize.Y - 1)};
        SetConsoleWindowInfo(console, TRUE, &window);
        event->homeRow -= plan.shift;
        event->row -= plan.shift;
    }
}

} // namespace

int CountPromptLines(const wchar_t *prompt)
{
    int lines = 0;
    if (!prompt)
        return 0;
    for (const wchar_t *p = prompt; *p; p++) {
        if (*p != L'$')
            continue;
        if (!p[1])
            break;
        if (p[1] == L'_')
            lines++;
        p++;
    }
    return lines;
}

int PromptExtraLines(void)
{
    wchar_t prompt[EnvironmentCapacity];
    DWORD length = GetEnvironmentVariableW(L"Prompt", prompt, EnvironmentCapacity);
    if (length == 0 || length >= EnvironmentCapacity)
        return 0;
    return CountPromptLines(prompt);
}

int ClearScreen(KeyEvent *event)
{
    ConsumeKey(event);
    if (!event)
        return 0;
    HANDLE console = Plugin.console;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!console || !GetConsoleScreenBufferInfo(console, &info) || info.dwSize.X == 0 ||
        info.dwSize.Y == 0)
        return 0;
    if (InWindowsTerminal())
        ScrollTerminal(console, info, event);
    else
        ClearClassicConsole(console, info, event);
    return 0;
}
