#include "tests/support/keyline.h"
#include "tests/support/startedplugin.h"

#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

enum { Guard = 16, Poison = 0xBDBD };
wchar_t Buffer[ShellLineCapacity + Guard];
wchar_t Remembered[ShellLineCapacity + Guard];

void Poisoned(void)
{
    for (size_t i = 0; i < ShellLineCapacity + Guard; i++)
        Buffer[i] = (wchar_t)Poison;
}

// The text of a pattern without its bar, and the bar's index (-1 when there is none).
int Unpattern(const wchar_t *pattern, wchar_t *out, size_t capacity)
{
    int bar = -1;
    size_t n = 0;
    for (const wchar_t *p = pattern; *p && n + 1 < capacity; p++) {
        if (*p == L'|' && bar < 0)
            bar = (int)n;
        else
            out[n++] = *p;
    }
    out[n] = 0;
    return bar;
}

} // namespace

ShellKeyEvent LineEvent(int code, const wchar_t *pattern)
{
    StartedPlugin();
    Host().ResetCounters();
    Poisoned();
    int bar = Unpattern(pattern, Buffer, ShellLineCapacity);
    ShellKeyEvent event = {};
    event.code = code;
    event.line = Buffer;
    event.cursor = Buffer + (bar < 0 ? (int)wcslen(Buffer) : bar);
    return event;
}

ShellKeyEvent LongLineEvent(int code, int length, wchar_t fill, int cursor)
{
    ShellKeyEvent event = LineEvent(code, L"");
    for (int i = 0; i < length; i++)
        Buffer[i] = fill;
    Buffer[length] = 0;
    event.cursor = Buffer + cursor;
    return event;
}

int PressKey(ShellKeyEvent *event)
{
    return StartedPlugin().key(event);
}

void ShellTypes(ShellKeyEvent *event)
{
    int ch = event->code;
    if (ch < 32 || ch > 0xFFFF)
        return;
    size_t length = wcslen(event->line);
    if (length + 1 >= ShellLineCapacity)
        return;
    wchar_t *at = event->cursor;
    memmove(at + 1, at, (length - (size_t)(at - event->line) + 1) * sizeof(wchar_t));
    *at = (wchar_t)ch;
    event->cursor++;
}

void CheckLineIs(const ShellKeyEvent &event, const wchar_t *pattern, const char *row,
                 const char *file, int line)
{
    static wchar_t expected[ShellLineCapacity];
    int bar = Unpattern(pattern, expected, ShellLineCapacity);
    size_t length = wcslen(expected);
    char what[256];
    snprintf(what, sizeof what, "%s: line", row);
    // Compared within the buffer, so that a lost terminator shows as poison, not a crash.
    wchar_t saved = event.line[length];
    bool same = memcmp(event.line, expected, length * sizeof(wchar_t)) == 0 && saved == 0;
    if (!same) {
        event.line[ShellLineCapacity - 1] = 0;
        CheckText(event.line, expected, file, line, what);
    }
    snprintf(what, sizeof what, "%s: cursor", row);
    CheckInt(event.cursor - event.line, bar < 0 ? (long long)length : bar, file, line, what);
    bool untouched = true;
    for (size_t i = ShellLineCapacity; i < ShellLineCapacity + Guard; i++)
        untouched = untouched && Buffer[i] == (wchar_t)Poison;
    snprintf(what, sizeof what, "%s: guard units after the line", row);
    CheckTrue(untouched, file, line, what);
}

void RememberLine(void)
{
    memcpy(Remembered, Buffer, sizeof Buffer);
}

bool LineUnchanged(void)
{
    return memcmp(Remembered, Buffer, sizeof Buffer) == 0;
}

bool ClipboardText(wchar_t *out, size_t capacity)
{
    out[0] = 0;
    if (!OpenClipboard(nullptr))
        return false;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t *text = data ? (const wchar_t *)GlobalLock(data) : nullptr;
    if (text) {
        size_t n = wcsnlen(text, GlobalSize(data) / sizeof(wchar_t));
        if (n >= capacity)
            n = capacity - 1;
        memcpy(out, text, n * sizeof(wchar_t));
        out[n] = 0;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return true;
}

bool SetClipboardText(const wchar_t *text)
{
    if (!OpenClipboard(nullptr))
        return false;
    bool ok = EmptyClipboard() != 0;
    if (ok && text) {
        size_t n = wcslen(text);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (n + 1) * sizeof(wchar_t));
        wchar_t *copy = block ? (wchar_t *)GlobalLock(block) : nullptr;
        if (copy) {
            memcpy(copy, text, (n + 1) * sizeof(wchar_t));
            GlobalUnlock(block);
            ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        } else {
            ok = false;
        }
        if (!ok && block)
            GlobalFree(block);
    }
    CloseClipboard();
    return ok;
}
