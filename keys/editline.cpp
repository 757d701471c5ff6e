#include "keys/editline.h"

#include "frame/host.h"
#include "frame/text.h"
#include "frame/textscan.h"

#include <string.h>
#include <wchar.h>

namespace
{

// The line's length, never beyond its capacity even if the shell left it unterminated.
size_t LineLength(const wchar_t *line)
{
    return TextLengthWithin(line, EditLineCapacity - 1);
}

// The cursor's index; a cursor outside the line counts as standing at its end.
size_t CursorIndex(const KeyEvent *event, size_t length)
{
    if (!event->cursor || event->cursor < event->line)
        return length;
    size_t k = (size_t)(event->cursor - event->line);
    return k > length ? length : k;
}

// Scratch for a text that lies in the line itself, which the move below would overwrite
// before it is read. One keystroke is handled at a time on the shell's thread, so a single
// buffer serves every call and keeps 128 KB off the shell's stack.
wchar_t Inserted[EditLineCapacity];

} // namespace

int InsertText(int position, KeyEvent *event, const wchar_t *text)
{
    if (!event || !event->line)
        return -1;
    wchar_t *line = event->line;
    size_t length = LineLength(line);
    size_t added = text ? TextLengthWithin(text, EditLineCapacity) : 0;
    if (length + added > EditLineCapacity - 1)
        return -1;
    size_t at = position < 0 ? 0 : (size_t)position;
    if (at > length)
        at = length;
    size_t k = CursorIndex(event, length);

    // The tail moves once, in place; a text from the line itself is saved first.
    if (added && text + added > line && text < line + EditLineCapacity) {
        memcpy(Inserted, text, added * sizeof(wchar_t));
        text = Inserted;
    }
    memmove(line + at + added, line + at, (length - at) * sizeof(wchar_t));
    if (added)
        memcpy(line + at, text, added * sizeof(wchar_t));
    line[length + added] = 0;

    if (k >= at)
        event->cursor = line + k + added;
    event->redraw = 1;
    return 0;
}

namespace
{
// The span [position, position + count) of a line of length units, cut to the line.
void ClampSpan(size_t length, int position, int count, size_t *at, size_t *removed)
{
    *at = position < 0 ? 0 : (size_t)position;
    if (*at > length)
        *at = length;
    *removed = count < 0 ? 0 : (size_t)count;
    if (*removed > length - *at)
        *removed = length - *at;
}
} // namespace

int DeleteText(int position, KeyEvent *event, int count)
{
    if (!event || !event->line)
        return -1;
    wchar_t *line = event->line;
    size_t length = LineLength(line);
    size_t at, removed;
    ClampSpan(length, position, count, &at, &removed);
    size_t k = CursorIndex(event, length);

    // The shell clears the screen from the line as it still stands.
    ClearEditLine(line + at);
    memmove(line + at, line + at + removed, (length - at - removed) * sizeof(wchar_t));
    line[length - removed] = 0;

    if (k >= at + removed)
        event->cursor = line + k - removed;
    else if (k > at)
        event->cursor = line + at;
    event->redraw = 1;
    return 0;
}

int ReplaceLineText(int position, KeyEvent *event, int count, const wchar_t *text)
{
    if (!event || !event->line)
        return -1;
    wchar_t *line = event->line;
    size_t length = LineLength(line);
    size_t at, removed;
    ClampSpan(length, position, count, &at, &removed);
    size_t added = text ? TextLengthWithin(text, EditLineCapacity) : 0;
    if (length - removed + added > EditLineCapacity - 1)
        return -1;
    size_t k = CursorIndex(event, length);

    if (added && text + added > line && text < line + EditLineCapacity) {
        memcpy(Inserted, text, added * sizeof(wchar_t));
        text = Inserted;
    }
    ClearEditLine(line + at);
    memmove(line + at + added, line + at + removed, (length - at - removed) * sizeof(wchar_t));
    if (added)
        memcpy(line + at, text, added * sizeof(wchar_t));
    line[length - removed + added] = 0;

    // Where the deletion leaves the cursor, then where the insertion does.
    if (k >= at + removed)
        k -= removed;
    else if (k > at)
        k = at;
    if (k >= at)
        k += added;
    event->cursor = line + k;
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
    // A word is ended by a blank outside double quotes (a "breaking" blank); up to the cursor
    // any other unit belongs to a word. The walk covers the units up to the cursor, or up to
    // the terminator when it comes first.
    const size_t limit = EditLineCapacity - 1;
    size_t count = k < limit ? k + 1 : limit, end = count;
    bool quoted = false;
    long long breaking = LastBlankOutsideQuotes(line, count, &quoted, &end);
    size_t kept = end - 1; // the last unit walked; the line has one at least
    long long first, last;
    if (breaking < (long long)kept) {
        // The cursor stands in a word: it began after that blank and runs on to the next one.
        first = breaking + 1;
        size_t next = end < count ? end : FirstBlankOutsideQuotes(line, end, limit, quoted);
        last = (long long)next - 1;
    } else {
        // A breaking blank at the cursor: the word must end just before it.
        if (kept != k || k == 0 || IsBlank(line[k - 1]))
            return 0;
        last = (long long)k - 1;
        first = LastBlankOutsideQuotes(line, k - 1, nullptr, nullptr) + 1;
    }
    if ((unsigned long long)(last + 1) < k)
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
    return text[TextLength(text) - 1];
}
