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
