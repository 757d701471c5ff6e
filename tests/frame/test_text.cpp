// The bounded text helpers at the edges of their targets: a text that fits exactly, one that
// fills the target and one that overflows it must leave the target terminated, never write
// past it, and say whether it was cut.
#include "frame/text.h"
#include "tests/support/check.h"

#include <stdio.h>
#include <wchar.h>
#include <wctype.h>

namespace
{

enum { Poison = 0xBDBD, Room = 16 };

// A target of `capacity` units followed by guard units, all poisoned first.
struct Target {
    wchar_t units[Room + 8];
    explicit Target()
    {
        for (wchar_t &unit : units)
            unit = (wchar_t)Poison;
    }
    bool GuardsIntact(size_t capacity) const
    {
        for (size_t i = capacity; i < sizeof units / sizeof units[0]; i++)
            if (units[i] != (wchar_t)Poison)
                return false;
        return true;
    }
    bool TerminatedWithin(size_t capacity) const { return wmemchr(units, 0, capacity) != nullptr; }
};

struct FormatCase {
    const char *name;
    size_t capacity;
    const wchar_t *text; // formatted through "%s"
    const wchar_t *expected;
    int result;
};

void CheckFormatRow(const FormatCase &row, const Target &target, int result)
{
    char what[160];
    if (!target.TerminatedWithin(row.capacity)) {
        snprintf(what, sizeof what, "%s: target left unterminated", row.name);
        CheckFailed(__FILE__, __LINE__, what, nullptr);
        return;
    }
    if (!target.GuardsIntact(row.capacity)) {
        snprintf(what, sizeof what, "%s: wrote past the target", row.name);
        CheckFailed(__FILE__, __LINE__, what, nullptr);
    }
    if (wcscmp(target.units, row.expected) != 0) {
        snprintf(what, sizeof what, "%s: text", row.name);
        CheckFailed(__FILE__, __LINE__, what, Show(target.units));
    }
    if (result != row.result) {
        snprintf(what, sizeof what, "%s: result %d, expected %d", row.name, result, row.result);
        CheckFailed(__FILE__, __LINE__, what, nullptr);
    }
}

const FormatCase FormatCases[] = {
    {"empty", 4, L"", L"", 0},
    {"short", 8, L"abc", L"abc", 3},
    {"one unit to spare", 8, L"abcdef", L"abcdef", 6},
    {"exactly fits with its terminator", 8, L"abcdefg", L"abcdefg", 7},
    {"fills the target to the last unit", 8, L"abcdefgh", L"abcdefg", -1},
    {"overflows by one", 8, L"abcdefghi", L"abcdefg", -1},
    {"overflows by far", 8, L"abcdefghijklmnopqrstuvwxyz", L"abcdefg", -1},
    {"room for the terminator only", 1, L"abc", L"", -1},
    {"room for the terminator only, empty text", 1, L"", L"", 0},
    {"whole room", Room, L"0123456789abcdefXYZ", L"0123456789abcde", -1},
};

} // namespace

TEST(format_keeps_the_target_terminated_at_every_length)
{
    for (const FormatCase &row : FormatCases) {
        Target target;
        int result = TextFormat(target.units, row.capacity, L"%s", row.text);
        CheckFormatRow(row, target, result);
    }
}

TEST(append_format_keeps_the_target_terminated_at_every_length)
{
    // The same rows behind a prefix of two units: the room left shrinks by two.
    for (const FormatCase &row : FormatCases) {
        if (row.capacity < 3)
            continue;
        Target target;
        TextCopy(target.units, row.capacity, L"<>");
        int result = TextAppendFormat(target.units, row.capacity, L"%s", row.text);
        wchar_t expected[Room + 8];
        swprintf(expected, Room + 8, L"<>%.*ls", (int)(row.capacity - 3), row.text);
        FormatCase shifted = row;
        shifted.expected = expected;
        size_t textLength = wcslen(row.text);
        shifted.result = textLength <= row.capacity - 3 ? (int)textLength : -1;
        CheckFormatRow(shifted, target, result);
    }
}

TEST(copy_and_append_stop_at_the_target)
{
    struct CopyCase {
        const char *name;
        size_t capacity;
        const wchar_t *start, *text, *expected;
        int result;
    };
    const CopyCase cases[] = {
        {"copy fits", 8, nullptr, L"abcdefg", L"abcdefg", 0},
        {"copy cut", 8, nullptr, L"abcdefgh", L"abcdefg", 1},
        {"copy of null", 8, nullptr, nullptr, L"", 0},
        {"append fits", 8, L"ab", L"cdefg", L"abcdefg", 0},
        {"append cut", 8, L"ab", L"cdefgh", L"abcdefg", 1},
        {"append to a full target", 4, L"abc", L"d", L"abc", 1},
    };
    for (const CopyCase &row : cases) {
        Target target;
        int result;
        if (row.start) {
            TextCopy(target.units, row.capacity, row.start);
            result = TextAppend(target.units, row.capacity, row.text);
        } else {
            result = TextCopy(target.units, row.capacity, row.text);
        }
        CheckFormatRow({row.name, row.capacity, nullptr, row.expected, row.result}, target, result);
    }
    Target target;
    CHECK_EQ(TextCopy(target.units, 0, L"abc"), -1);
    CHECK(target.GuardsIntact(0));
}

// The inline classes answer ASCII themselves: they must agree with the C runtime's classes
// on every unit.
TEST(character_classes_agree_with_the_runtime_on_every_unit)
{
    int blankDiffers = 0, printableDiffers = 0;
    for (unsigned unit = 0; unit <= 0xFFFF; unit++) {
        wchar_t ch = (wchar_t)unit;
        if (IsBlank(ch) != (iswspace(ch) != 0) && blankDiffers++ < 5)
            printf("IsBlank differs at U+%04X\n", unit);
        if (IsPrintableChar(ch) != (iswprint(ch) != 0) && printableDiffers++ < 5)
            printf("IsPrintableChar differs at U+%04X\n", unit);
    }
    CHECK_EQ(blankDiffers, 0);
    CHECK_EQ(printableDiffers, 0);
}
