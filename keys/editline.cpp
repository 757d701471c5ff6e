#include "keys/editline.h"

#include "frame/host.h"
#include "frame/text.h"

#include <string.h>
#include <wchar.h>

namespace
{

// Scratch for the new line. One keystroke is handled at a time on the shell's thread, so a
// single buffer serves every call and keeps 128 KB off the shell's stack.
wchar_t WorkBuffer[EditLineCapacity];

// The line's length, never beyond its capacity even if the shell left it unterminated.
size_t LineLength(const wchar_t *line)
{
    return wcsnlen(line, EditLineCapacity - 1);
}

// The cursor's index; a cursor outside the line counts as standing at its end.
size_t CursorIndex(const KeyEvent *event, size_t length)
{
    if (!event->cursor || event->cursor < event->line)
        return length;
    size_t k = (size_t)(event->cursor - event->line);
    return k > length ? length : k;
}

void CopyBack(wchar_t *line, size_t length)
{
    memcpy(line, WorkBuffer, length * sizeof(wchar_t));
    line[length] = 0;
}

} // namespace

int InsertText(int position, KeyEvent *event, const wchar_t *text)
{
    if (!event || !event->line)
        return -1;
    wchar_t *line = event->line;
    size_t length = LineLength(line);
    size_t added = text ? wcsnlen(text, EditLineCapacity) : 0;
    if (length + added > EditLineCapacity - 1)
        return -1;
    size_t at = position < 0 ? 0 : (size_t)position;
    if (at > length)
        at = length;
    size_t k = CursorIndex(event, length);

    memcpy(WorkBuffer, line, at * sizeof(wchar_t));
    if (added)
        memcpy(WorkBuffer + at, text, added * sizeof(wchar_t));
    memcpy(WorkBuffer + at + added, line + at, (length - at) * sizeof(wchar_t));
    CopyBack(line, length + added);

    if (k >= at)
        event->cursor = line + k + added;
    event->redraw = 1;
    return 0;
}

int DeleteText(int position, KeyEvent *event, int count)
{
    if (!event || !event->line)
        return -1;
    wchar_t *line = event->line;
    size_t length = LineLength(line);
    size_t at = position < 0 ? 0 : (size_t)position;
    if (at > length)
        at = length;
    size_t removed = count < 0 ? 0 : (size_t)count;
    if (removed > length - at)
        removed = length - at;
    size_t k = CursorIndex(event, length);

    memcpy(WorkBuffer, line, at * sizeof(wchar_t));
    memcpy(WorkBuffer + at, line + at + removed, (length - at - removed) * sizeof(wchar_t));
    ClearEditLine(line + at);
    CopyBack(line, length - removed);

    if (k >= at + removed)
        event->cursor = line + k - removed;
    else if (k > at)
        event->cursor = line + at;
    event->redraw = 1;
    return 0;
}

int FindWordAtCursor(KeyEvent *event, int *start, int *length, wchar_t *text, int capacity)
{
    if (!event || !event->line || !event->line[0] || !event->cursor)
        return 0;
    const wchar_t *line = event->line;
    // Unsigned on purpose: a cursor before the line becomes huge and finds no word.
    size_t k = (size_t)(event->cursor - line);
    long long first = -1, last = -1;
    bool quoted = false, inWord = false;
    // Past the cursor nothing can start a word, so the scan ends with the word that holds it.
    for (size_t i = 0; i < EditLineCapacity - 1 && line[i]; i++) {
        if (i > k && !inWord)
            break;
        wchar_t ch = line[i];
        bool blank = IsBlank(ch);
        if (ch == L'"')
            quoted = !quoted;
        if (!blank && i <= k) {
            if (!inWord)
                first = (long long)i;
            inWord = true;
        }
        if ((quoted || !blank) && inWord)
            last = (long long)i;
        if (blank && !quoted)
            inWord = false;
        if (i > k && !inWord)
            break; // no word begins after the cursor, so the answer is known
    }
    if (first < 0 || (unsigned long long)(last + 1) < k)
        return 0;

    int wordLength = (int)(last - first + 1);
    if (start)
        *start = (int)first;
    if (length)
        *length = wordLength;
    if (text && capacity > 0) {
        if (capacity >= wordLength + 1)
            TextCopyCount(text, (size_t)capacity, line + first, (size_t)wordLength);
        else
            text[0] = 0; // too small: an empty text rather than stale contents
    }
    return 1;
}

wchar_t LastChar(const wchar_t *text)
{
    if (!text || !text[0])
        return 0;
    return text[wcslen(text) - 1];
}
