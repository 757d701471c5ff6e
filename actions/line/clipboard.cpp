#include "actions/line/clipboard.h"

#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

enum { LongestClipboardWord = ClipboardWordCapacity - 1 };

size_t LineLength(const wchar_t *line)
{
    return TextLengthWithin(line, EditLineCapacity - 1);
}

// Empty or blank lines leave the copy keys to the shell.
bool HasText(const wchar_t *line)
{
    if (!line)
        return false;
    size_t length = LineLength(line);
    for (size_t i = 0; i < length; i++)
        if (!IsBlank(line[i]))
            return true;
    return false;
}

// The error every clipboard action ends with when it cannot do its work.
int Refuse(KeyEvent *event)
{
    ConsumeKey(event);
    PlayErrorSound();
    return 0;
}

// As ReadClipboardWord, but -1 tells a word too long from no word at all.
int ReadFirstWord(wchar_t *buffer)
{
    buffer[0] = 0;
    if (!OpenClipboard(GetConsoleWindow()))
        return 0;
    int result = 0;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t *text = data ? (const wchar_t *)GlobalLock(data) : nullptr;
    if (text) {
        // Another program's data need not end in a NUL within its block.
        result = FirstClipboardWord(text, GlobalSize(data) / sizeof(wchar_t), buffer);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return result;
}

} // namespace

int FirstClipboardWord(const wchar_t *text, size_t count, wchar_t *out)
{
    out[0] = 0;
    if (!text)
        return 0;
    size_t n = 0;
    bool quoted = false;
    for (size_t i = 0; i < count && text[i]; i++) {
        wchar_t ch = text[i];
        if (n > 0 && (ch == L'\r' || ch == L'\n'))
            break;
        if (ch == L'"')
            quoted = !quoted;
        if (quoted || !IsBlank(ch)) {
            if (n >= LongestClipboardWord) {
                out[0] = 0;
                return -1;
            }
            out[n++] = ch;
        } else if (n > 0) {
            break;
        }
    }
    out[n] = 0;
    if (n == 0)
        return 0;
    size_t quotes = 0;
    for (size_t i = 0; i < n; i++)
        quotes += out[i] == L'"';
    if (quotes % 2 && n < LongestClipboardWord) {
        out[n++] = L'"';
        out[n] = 0;
    }
    return 1;
}

int ReadClipboardWord(wchar_t *buffer)
{
    if (!buffer)
        return -1;
    return ReadFirstWord(buffer) == 1 ? 1 : 0;
}

int PutOnClipboard(const wchar_t *text, size_t length)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (length + 1) * sizeof(wchar_t));
    if (!block)
        return 1;
    wchar_t *copy = (wchar_t *)GlobalLock(block);
    if (!copy) {
        GlobalFree(block);
        return 1;
    }
    if (length)
        memcpy(copy, text, length * sizeof(wchar_t));
    copy[length] = 0;
    GlobalUnlock(block);

    bool placed = false;
    if (OpenClipboard(GetConsoleWindow())) {
        if (EmptyClipboard())
            placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        CloseClipboard();
    }
    if (!placed) {
        GlobalFree(block);
        return 1;
    }
    return 0;
}

int CopyLine(KeyEvent *event)
{
    if (!event || !HasText(event->line))
        return 0;
    if (PutOnClipboard(event->line, LineLength(event->line)) != 0)
        return Refuse(event);
    ConsumeKey(event);
    PlayCopyChime();
    return 0;
}

// The word goes to the clipboard straight from the line, so a word of any length is copied
// whole, and a cut removes exactly what the clipboard got.
int CopyWord(KeyEvent *event, bool cut)
{
    if (!event || !HasText(event->line))
        return 0;
    int start = 0, length = 0;
    if (!FindWordAtCursor(event, &start, &length, nullptr, 0) || length <= 0)
        return Refuse(event);
    if (PutOnClipboard(event->line + start, (size_t)length) != 0)
        return Refuse(event);
    if (cut) {
        size_t end = (size_t)(start + length), lineLength = LineLength(event->line);
        while (end < lineLength && IsBlank(event->line[end]))
            end++;
        DeleteText(start, event, (int)(end - (size_t)start));
    }
    ConsumeKey(event);
    if (!cut)
        PlayCopyChime();
    return 0;
}

int CopyWordAction(KeyEvent *event)
{
    return CopyWord(event, false);
}

int CutWordAction(KeyEvent *event)
{
    return CopyWord(event, true);
}

int SwapClipboardWord(KeyEvent *event)
{
    if (!event)
        return 0;
    int start = 0, length = 0;
    if (!FindWordAtCursor(event, &start, &length, nullptr, 0) || length <= 0)
        return Refuse(event);
    // An empty clipboard, or one without text, gives an empty replacement: the word is cut.
    static wchar_t replacement[ClipboardWordCapacity];
    if (ReadFirstWord(replacement) < 0)
        return Refuse(event);
    size_t added = TextLength(replacement);
    if (LineLength(event->line) - (size_t)length + added > EditLineCapacity - 1)
        return Refuse(event);
    if (PutOnClipboard(event->line + start, (size_t)length) != 0)
        return Refuse(event);
    DeleteText(start, event, length);
    InsertText(start, event, replacement);
    ConsumeKey(event);
    return 0;
}
