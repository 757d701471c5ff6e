#include "frame/text.h"

#include <stdio.h>
#include <wchar.h>
#include <wctype.h>
#include <windows.h>

size_t TextLength(const wchar_t *text)
{
    return text ? wcslen(text) : 0;
}

int TextCopyCount(wchar_t *out, size_t capacity, const wchar_t *text, size_t count)
{
    if (!out || capacity == 0)
        return -1;
    size_t n = 0;
    if (text)
        while (n < count && text[n] && n + 1 < capacity) {
            out[n] = text[n];
            n++;
        }
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
    size_t used = wcsnlen(out, capacity - 1);
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
    size_t used = wcsnlen(out, capacity - 1);
    va_list args;
    va_start(args, format);
    int n = TextFormatV(out + used, capacity - used, format, args);
    va_end(args);
    return n;
}

int TextCompareNoCase(const wchar_t *a, const wchar_t *b)
{
    return _wcsicmp(a ? a : L"", b ? b : L"");
}

bool TextEqualNoCase(const wchar_t *a, const wchar_t *b)
{
    return TextCompareNoCase(a, b) == 0;
}

bool IsBlankWide(wchar_t ch)
{
    return iswspace(ch) != 0;
}

bool IsPrintableChar(wchar_t ch)
{
    return iswprint(ch) != 0;
}
