#include "host/takecmd/console.h"

#include "frame/host.h"
#include "frame/text.h"
#include "host/takecmd/control.h"

#include <wchar.h>

namespace
{

struct EditLine {
    wchar_t *line;
    int row;
    int column;
};

EditLine editLine;
int clearCalls;
wchar_t *lastClear;
int honkCalls;
int lastColors = -1;

const wchar_t *const ColourNames[8] = {L"black", L"blue",    L"green",  L"cyan",
                                       L"red",   L"magenta", L"yellow", L"white"};

HANDLE OpenConsole(void)
{
    return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

size_t WordLength(const wchar_t *text)
{
    size_t n = 0;
    while (text[n] && !IsBlank(text[n]))
        n++;
    return n;
}

// True when the word is the keyword or its prefix of at least three letters.
bool IsWord(const wchar_t *word, size_t length, const wchar_t *keyword)
{
    size_t full = wcslen(keyword);
    if (length > full || length < (full < 3 ? full : 3))
        return false;
    return _wcsnicmp(word, keyword, length) == 0;
}

int ColourNumber(const wchar_t *word, size_t length)
{
    for (int i = 0; i < 8; i++)
        if (IsWord(word, length, ColourNames[i]))
            return i;
    if (IsWord(word, length, L"grey") || IsWord(word, length, L"gray"))
        return 8;
    if (length == 0 || length > 2)
        return -1;
    int value = 0;
    for (size_t i = 0; i < length; i++) {
        if (word[i] < L'0' || word[i] > L'9')
            return -1;
        value = value * 10 + (word[i] - L'0');
    }
    return value <= 15 ? value : -1;
}

size_t SkipBlanks(const wchar_t *text, size_t at)
{
    while (text[at] && IsBlank(text[at]))
        at++;
    return at;
}

// One "[bright] [blink] colour" group at *at. Result: the colour, or -1 (then *at unchanged).
int ParseGroup(const wchar_t *text, size_t *at, bool *blink)
{
    size_t i = *at;
    int bright = 0;
    for (;;) {
        i = SkipBlanks(text, i);
        size_t length = WordLength(text + i);
        if (length == 0)
            return -1;
        if (IsWord(text + i, length, L"bright")) {
            bright = 8;
        } else if (IsWord(text + i, length, L"blink")) {
            *blink = true;
        } else {
            int colour = ColourNumber(text + i, length);
            if (colour < 0)
                return -1;
            *at = i + length;
            return colour | bright;
        }
        i += length;
    }
}

} // namespace

int ParseColorText(const wchar_t *text, int *foreground, int *background)
{
    int fg = -1, bg = -1;
    if (foreground)
        *foreground = -1;
    if (background)
        *background = -1;
    if (!text)
        return -1;
    size_t at = SkipBlanks(text, 0);
    bool blink = false;
    fg = ParseGroup(text, &at, &blink);
    size_t afterForeground = at;
    size_t word = SkipBlanks(text, at);
    size_t length = WordLength(text + word);
    if (length == 2 && _wcsnicmp(text + word, L"on", 2) == 0) {
        at = word + 2;
        bg = ParseGroup(text, &at, &blink);
        if (bg < 0)
            return -1;
    } else {
        at = afterForeground;
    }
    if (fg < 0 && bg < 0)
        return -1;
    if (blink && bg >= 0)
        bg |= 8;
    if (foreground)
        *foreground = fg;
    if (background)
        *background = bg;
    return (int)SkipBlanks(text, at);
}

extern "C" {

TAKECMD_API void __stdcall honk(void)
{
    honkCalls++;
    MessageBeep(0xFFFFFFFF);
}

TAKECMD_API void __stdcall ClearEditLine(wchar_t *from)
{
    clearCalls++;
    lastClear = from;
    if (!editLine.line || !from)
        return;
    size_t length = wcsnlen(editLine.line, 65536);
    if (from < editLine.line || from > editLine.line + length)
        return;
    HANDLE console = OpenConsole();
    if (console == INVALID_HANDLE_VALUE)
        return;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(console, &info) && info.dwSize.X > 0) {
        long width = info.dwSize.X;
        long start = (long)editLine.row * width + editLine.column + (long)(from - editLine.line);
        long count = (long)(length - (size_t)(from - editLine.line));
        long cells = (long)info.dwSize.Y * width;
        if (start < cells && count > 0) {
            if (start + count > cells)
                count = cells - start;
            COORD at = {(SHORT)(start % width), (SHORT)(start / width)};
            DWORD written;
            FillConsoleOutputCharacterW(console, L' ', (DWORD)count, at, &written);
        }
    }
    CloseHandle(console);
}

TAKECMD_API void __stdcall GetAttribute(unsigned short *current, unsigned short *other)
{
    unsigned short attribute = 0x07;
    HANDLE console = OpenConsole();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console != INVALID_HANDLE_VALUE) {
        if (GetConsoleScreenBufferInfo(console, &info))
            attribute = info.wAttributes;
        CloseHandle(console);
    }
    if (current)
        *current = attribute;
    if (other)
        *other = attribute;
}

TAKECMD_API wchar_t *__stdcall ParseColors(const wchar_t *text, int *foreground, int *background)
{
    int end = ParseColorText(text, foreground, background);
    return end < 0 ? nullptr : (wchar_t *)text + end;
}

TAKECMD_API void __stdcall SetColors(int attribute)
{
    lastColors = attribute;
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), (WORD)attribute);
}

TAKECMD_API void __stdcall GetAbsCursorPosition(int *row, int *column)
{
    int y = 0, x = 0;
    HANDLE console = OpenConsole();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console != INVALID_HANDLE_VALUE) {
        if (GetConsoleScreenBufferInfo(console, &info)) {
            y = info.dwCursorPosition.Y;
            x = info.dwCursorPosition.X;
        }
        CloseHandle(console);
    }
    if (row)
        *row = y;
    if (column)
        *column = x;
}

TAKECMD_API void __cdecl HostSetEditLine(wchar_t *line, int row, int column)
{
    editLine.line = line;
    editLine.row = row < 0 ? 0 : row;
    editLine.column = column < 0 ? 0 : column;
}

TAKECMD_API int __cdecl HostClearEditLineCalls(void)
{
    return clearCalls;
}
TAKECMD_API wchar_t *__cdecl HostLastClearEditLine(void)
{
    return lastClear;
}
TAKECMD_API int __cdecl HostHonkCalls(void)
{
    return honkCalls;
}
TAKECMD_API int __cdecl HostLastColors(void)
{
    return lastColors;
}

TAKECMD_API void __cdecl HostResetCounters(void)
{
    clearCalls = 0;
    lastClear = nullptr;
    honkCalls = 0;
    lastColors = -1;
}
}
