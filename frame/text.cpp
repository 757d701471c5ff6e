#include "frame/text.h"

#include "frame/textscan.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <wctype.h>
#include <windows.h>

size_t TextLength(const wchar_t *text)
{
    return TextLengthWithin(text, ((size_t)-1) / 4);
}

int TextCopyCount(wchar_t *out, size_t capacity, const wchar_t *text, size_t count)
{
    if (!out || capacity == 0)
        return -1;
    size_t limit = count < capacity - 1 ? count : capacity - 1;
    size_t n = text ? TextLengthWithin(text, limit) : 0;
    if (n)
        memmove(out, text, n * sizeof(wchar_t));
    out[n] = 0;
    return (text && n < count && text[n]) ? 1 : 0;
}

int TextCopy(wchar_t *out, size_t capacity, const wchar_t *text)
{
    return TextCopyCount(out, capacity, text, (size_t)-1);
}

int TextAppend(wchar_t *out, size_t capacity, const wchar_t *text)
{
    if (!out || capacity == 0)
        return -1;
    size_t used = TextLengthWithin(out, capacity - 1);
    return TextCopy(out + used, capacity - used, text);
}

int TextFormatV(wchar_t *out, size_t capacity, const wchar_t *format, va_list args)
{
    if (!out || capacity == 0)
        return -1;
    if (!format) {
        out[0] = 0;
        return 0;
    }
    // The C runtime's own formatter: Windows convention for %s in wide formats. It does not
    // terminate a cut text, so the last unit is reserved for that.
    int n = _vsnwprintf(out, capacity - 1, format, args);
    out[capacity - 1] = 0;
    if (n < 0 || (size_t)n >= capacity - 1) {
        if (n >= 0 && (size_t)n == capacity - 1)
            return n; // exactly fitted
        return -1;
    }
    return n;
}

int TextFormat(wchar_t *out, size_t capacity, const wchar_t *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = TextFormatV(out, capacity, format, args);
    va_end(args);
    return n;
}

int TextAppendFormat(wchar_t *out, size_t capacity, const wchar_t *format, ...)
{
    if (!out || capacity == 0)
        return -1;
    size_t used = TextLengthWithin(out, capacity - 1);
    va_list args;
    va_start(args, format);
    int n = TextFormatV(out + used, capacity - used, format, args);
    va_end(args);
    return n;
}

int TrimBlanks(wchar_t *text)
{
    if (!text)
        return -1;
    size_t first = 0;
    while (text[first] && IsBlank(text[first]))
        first++;
    size_t end = first + TextLength(text + first);
    while (end > first && IsBlank(text[end - 1]))
        end--;
    if (first > 0)
        memmove(text, text + first, (end - first) * sizeof(wchar_t));
    text[end - first] = 0;
    return 0;
}

int TextCompareNoCase(const wchar_t *a, const wchar_t *b)
{
    return _wcsicmp(a ? a : L"", b ? b : L"");
}

bool TextEqualNoCase(const wchar_t *a, const wchar_t *b)
{
    return TextCompareNoCase(a, b) == 0;
}

bool IsBlankBeyondAscii(wchar_t ch)
{
    return iswspace(ch) != 0;
}

bool IsPrintableBeyondAscii(wchar_t ch)
{
    return iswprint(ch) != 0;
}
