#include "frame/text.h"

#include "tests/support/check.h"

#include <stdio.h>
#include <wctype.h>

// The inline ASCII path of IsBlank must agree with the C runtime's class on every unit.
TEST(is_blank_agrees_with_the_runtime)
{
    int mismatches = 0;
    for (unsigned int ch = 0; ch <= 0xFFFF; ch++)
        if (IsBlank((wchar_t)ch) != (iswspace((wint_t)ch) != 0) && mismatches++ < 5)
            printf("U+%04X: IsBlank %d, iswspace %d\n", ch, IsBlank((wchar_t)ch),
                   iswspace((wint_t)ch) != 0);
    CHECK_EQ(mismatches, 0);
}

TEST(is_hex_digit)
{
    const wchar_t *yes = L"0123456789abcdefABCDEF", *no = L"gG/:@`xX \x0660\xFF10";
    for (const wchar_t *p = yes; *p; p++)
        CHECK(IsHexDigit(*p));
    for (const wchar_t *p = no; *p; p++)
        CHECK(!IsHexDigit(*p));
}

TEST(surrogate_halves)
{
    const wchar_t high[] = {0xD800, 0xDBFF, 0}, low[] = {0xDC00, 0xDFFF, 0};
    const wchar_t neither[] = {0xD7FF, 0xE000, L'a', 0xFFFF, 0};
    for (const wchar_t *p = high; *p; p++)
        CHECK(IsHighSurrogate(*p) && !IsLowSurrogate(*p));
    for (const wchar_t *p = low; *p; p++)
        CHECK(IsLowSurrogate(*p) && !IsHighSurrogate(*p));
    for (const wchar_t *p = neither; *p; p++)
        CHECK(!IsHighSurrogate(*p) && !IsLowSurrogate(*p));
}
