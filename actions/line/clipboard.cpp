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
    // Up to the first unit that is not blank: no need to measure the line first.
    for (size_t i = 0; i < EditLineCapacity - 1 && line[i]; i++)
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

// The clipboard's first word into a buffer of ClipboardWordCapacity units: 1 when read; 0 when
// there is none, the clipboard holds no text or cannot be opened; -1 when it is too long.
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

// Puts length units of text on the clipboard as its only content, Unicode text. 0 on success;
// otherwise nonzero, the memory block freed.
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
        // The blanks after the word go too; the terminator is no blank.
        size_t end = (size_t)(start + length);
        while (end < EditLineCapacity - 1 && IsBlank(event->line[end]))
            end++;
        DeleteText(start, event, (int)(end - (size_t)start));
    }
    ConsumeKey(event);
    if (!cut)
        PlayCopyChime();
    return 0;
}

} // namespace

int FirstClipboardWord(const wchar_t *text, size_t count, wchar_t *out)
{
    out[0] = 0;
    if (!text)
        return 0;
    size_t first = 0;
    while (first < count && text[first] && IsBlank(text[first]))
        first++;
    if (first >= count || !text[first])
        return 0;
    // The word ends at a blank outside quotes, at a line break even inside them, at the
    // terminator or with the data; one unit past the longest word is enough to tell.
    size_t limit =
        count - first > (size_t)LongestClipboardWord ? first + LongestClipboardWord + 1 : count;
    size_t end = FirstBlankOutsideQuotes(text, first, limit, false);
    const UnitSet breaks = {{L'\r', L'\n'}, 2, false, false, false};
    end = FindFirstInSet(text, first, end, breaks);
    size_t n = end - first;
    if (n > (size_t)LongestClipboardWord)
        return -1;
    memcpy(out, text + first, n * sizeof(wchar_t));
    out[n] = 0;
    if (CountUnit(out, n, L'"') % 2 && n < LongestClipboardWord) {
        out[n++] = L'"';
        out[n] = 0;
    }
    return 1;
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
    ReplaceLineText(start, event, length, replacement);
    ConsumeKey(event);
    return 0;
}
