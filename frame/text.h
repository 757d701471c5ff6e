// Bounded UTF-16 text helpers. Every write is limited by the capacity of its target (in
// UTF-16 units, the terminator included) and always leaves the target terminated.
#pragma once
#include <stdarg.h>
#include <stddef.h>

// Length of a text; a null text has length 0.
size_t TextLength(const wchar_t *text);

// Copy / append. Result 0 when everything fitted, 1 when the text was cut to fit, -1 when the
// target is null or has no room at all.
int TextCopy(wchar_t *out, size_t capacity, const wchar_t *text);
int TextCopyCount(wchar_t *out, size_t capacity, const wchar_t *text, size_t count);
int TextAppend(wchar_t *out, size_t capacity, const wchar_t *text);

// printf-style formatting with the Windows convention for wide formats (%s is a UTF-16 text,
// %S a narrow one, %c one UTF-16 unit). Result: the length written, or -1 when the text was
// cut to fit (the target then holds the part that fitted).
int TextFormat(wchar_t *out, size_t capacity, const wchar_t *format, ...);
int TextFormatV(wchar_t *out, size_t capacity, const wchar_t *format, va_list args);
int TextAppendFormat(wchar_t *out, size_t capacity, const wchar_t *format, ...);

// Removes leading and trailing white space (IsBlank) in place. 0, or -1 for a null text.
int TrimBlanks(wchar_t *text);

// Comparison ignoring case (the system's case mapping); null texts compare as empty.
int TextCompareNoCase(const wchar_t *a, const wchar_t *b);
bool TextEqualNoCase(const wchar_t *a, const wchar_t *b);

// Character classes used across the plug-in: the wide-character white-space class and the
// printable class. Inline with the ASCII answers written out, so that a loop over a
// 65,535-unit line makes no call per unit; other units ask the C runtime.
bool IsBlankBeyondAscii(wchar_t ch);
bool IsPrintableBeyondAscii(wchar_t ch);

inline bool IsBlank(wchar_t ch)
{
    if (ch < 0x80)
        return ch == L' ' || (ch >= 0x09 && ch <= 0x0D);
    return IsBlankBeyondAscii(ch);
}

inline bool IsPrintableChar(wchar_t ch)
{
    if (ch < 0x80) // the runtime counts the tab as printable
        return (ch >= 0x20 && ch < 0x7F) || ch == L'\t';
    return IsPrintableBeyondAscii(ch);
}

inline bool IsHexDigit(wchar_t ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'F') || (ch >= L'a' && ch <= L'f');
}

// The halves of a UTF-16 surrogate pair; either alone is a lone surrogate.
inline bool IsHighSurrogate(wchar_t ch)
{
    return ch >= 0xD800 && ch <= 0xDBFF;
}

inline bool IsLowSurrogate(wchar_t ch)
{
    return ch >= 0xDC00 && ch <= 0xDFFF;
}
