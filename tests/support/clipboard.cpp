#include "tests/support/clipboard.h"

#include <string.h>
#include <wchar.h>
#include <windows.h>

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
