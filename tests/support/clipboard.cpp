#include "tests/support/clipboard.h"

#include <stdlib.h>
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

namespace
{

enum { KeptCapacity = 1 << 20 };
wchar_t *Kept; // the text found at the first call; null when there was none

void PutKeptBack(void)
{
    SetClipboardText(Kept);
    free(Kept);
    Kept = nullptr;
}

} // namespace

void KeepClipboardText(void)
{
    static bool done;
    if (done)
        return;
    done = true;
    wchar_t *text = (wchar_t *)malloc(KeptCapacity * sizeof(wchar_t));
    if (text && ClipboardText(text, KeptCapacity) && text[0])
        Kept = text;
    else
        free(text);
    atexit(PutKeptBack);
}
