#include "host/launcher/screen.h"

#include "frame/text.h"

#include <stdarg.h>
#include <windows.h>

namespace
{

HANDLE Input = INVALID_HANDLE_VALUE;
HANDLE Output = INVALID_HANDLE_VALUE;
DWORD SavedInputMode = 0;
bool InputModeSaved = false;

bool IsConsole(HANDLE handle)
{
    DWORD mode;
    return GetConsoleMode(handle, &mode) != 0;
}

void Write(HANDLE handle, const wchar_t *text, size_t length)
{
    if (handle == INVALID_HANDLE_VALUE || !handle)
        return;
    if (IsConsole(handle)) {
        // In pieces: consoles do not promise to take any length at once.
        while (length > 0) {
            DWORD piece = length > 4096 ? 4096 : (DWORD)length, written = 0;
            if (!WriteConsoleW(handle, text, piece, &written, nullptr) || written == 0)
                return;
            text += written;
            length -= written;
        }
        return;
    }
    while (length > 0) {
        char bytes[4 * 1024 + 8];
        int piece = length > 1024 ? 1024 : (int)length;
        if (piece == 1024 && IS_HIGH_SURROGATE(text[piece - 1]))
            piece--;
        int n = WideCharToMultiByte(CP_UTF8, 0, text, piece, bytes, sizeof bytes, nullptr, nullptr);
        DWORD written;
        if (n <= 0 || !WriteFile(handle, bytes, (DWORD)n, &written, nullptr))
            return;
        text += piece;
        length -= (size_t)piece;
    }
}

bool BufferInfo(CONSOLE_SCREEN_BUFFER_INFO *info)
{
    return GetConsoleScreenBufferInfo(Output, info) && info->dwSize.X > 0 && info->dwSize.Y > 0;
}

void SetCursor(int row, int column)
{
    COORD at = {(SHORT)(column < 0 ? 0 : column), (SHORT)(row < 0 ? 0 : row)};
    SetConsoleCursorPosition(Output, at);
}

} // namespace

bool ScreenInit(void)
{
    Input = GetStdHandle(STD_INPUT_HANDLE);
    Output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!GetConsoleMode(Input, &SavedInputMode))
        return false;
    InputModeSaved = true;
    SetConsoleMode(Input, ENABLE_EXTENDED_FLAGS);
    return true;
}

void ScreenRestore(void)
{
    if (InputModeSaved)
        SetConsoleMode(Input, SavedInputMode);
    ShowMode(true);
}

void Out(const wchar_t *text)
{
    if (Output == INVALID_HANDLE_VALUE)
        Output = GetStdHandle(STD_OUTPUT_HANDLE);
    Write(Output, text, TextLength(text));
}

void OutFormat(const wchar_t *format, ...)
{
    static wchar_t text[8192];
    va_list args;
    va_start(args, format);
    TextFormatV(text, 8192, format, args);
    va_end(args);
    Out(text);
}

void OutError(const wchar_t *text)
{
    Write(GetStdHandle(STD_ERROR_HANDLE), text, TextLength(text));
}

void ShowPrompt(LineView *view)
{
    wchar_t folder[MAX_PATH + 2];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH)
        TextCopy(folder, MAX_PATH, L"?");
    Out(folder);
    Out(L">");
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (BufferInfo(&info)) {
        view->homeRow = info.dwCursorPosition.Y;
        view->homeColumn = info.dwCursorPosition.X;
    } else {
        view->homeRow = view->homeColumn = 0;
    }
    view->shown = 0;
}

void CellOf(const LineView *view, int index, int *row, int *column)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    int width = BufferInfo(&info) ? info.dwSize.X : 80;
    long long linear = (long long)view->homeColumn + index;
    *row = view->homeRow + (int)(linear / width);
    *column = (int)(linear % width);
}

void PlaceCursor(const LineView *view, int index)
{
    int row, column;
    CellOf(view, index, &row, &column);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (BufferInfo(&info) && row >= info.dwSize.Y)
        row = info.dwSize.Y - 1;
    SetCursor(row, column);
}

void DrawLine(LineView *view, const EditLine *line, int from)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    int length = EditLength(line);
    if (from < 0)
        from = 0;
    if (from > length)
        from = length;
    if (!BufferInfo(&info)) {
        Write(Output, line->text + from, (size_t)(length - from));
        view->shown = length;
        return;
    }
    int width = info.dwSize.X;
    if (view->homeRow < 0) {
        // The start of the line has gone above the buffer: show it from its first row still
        // there.
        long long lost = (long long)-view->homeRow * width - view->homeColumn;
        if (from < lost)
            from = (int)(lost < length ? lost : length);
    }
    int row, column;
    CellOf(view, from, &row, &column);
    SetCursor(row, column);
    Write(Output, line->text + from, (size_t)(length - from));
    int blanks = view->shown > length ? view->shown - length : 0;
    static const wchar_t spaces[] =
        L"                                                                ";
    for (int left = blanks; left > 0; left -= 64)
        Write(Output, spaces, (size_t)(left > 64 ? 64 : left));
    // Writing past the last row scrolls the buffer; the line moved up with it.
    long long expected = ((long long)view->homeRow * width + view->homeColumn) + length + blanks;
    if (BufferInfo(&info)) {
        long long actual = (long long)info.dwCursorPosition.Y * width + info.dwCursorPosition.X;
        if (actual < expected)
            view->homeRow -= (int)((expected - actual) / width);
    }
    view->shown = length;
    PlaceCursor(view, line->cursor);
}

void LeaveLine(const LineView *view, const EditLine *line)
{
    PlaceCursor(view, EditLength(line));
    Out(L"\r\n");
}

void ShowMode(bool insert)
{
    CONSOLE_CURSOR_INFO cursor = {insert ? 25u : 100u, TRUE};
    SetConsoleCursorInfo(Output, &cursor);
}
