#include "tests/support/editline.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace
{

const wchar_t Poison = 0xBDBD;

GuardedLine Shared;
GuardedLine Remembered;
wchar_t Marked[TestLineCapacity + 64];

// Copies text into the line, taking the first '|' as the cursor when marks is set, and poisons
// every unit after the terminator; the cursor index (the text's length when there is none).
int Fill(GuardedLine *line, const wchar_t *text, bool marks)
{
    int cursor = -1, n = 0;
    for (const wchar_t *p = text; *p && n < TestLineCapacity - 1; p++) {
        if (marks && *p == L'|' && cursor < 0)
            cursor = n;
        else
            line->text[n++] = *p;
    }
    line->text[n] = 0;
    for (int i = n + 1; i < TestLineCapacity; i++)
        line->text[i] = Poison;
    for (wchar_t &unit : line->guard)
        unit = Poison;
    return cursor < 0 ? n : cursor;
}

} // namespace

int SetMarkedLine(GuardedLine *line, const wchar_t *marked)
{
    return Fill(line, marked, true);
}

void SetPlainLine(GuardedLine *line, const wchar_t *text)
{
    Fill(line, text, false);
}

bool GuardIntact(const GuardedLine *line)
{
    for (wchar_t unit : line->guard)
        if (unit != Poison)
            return false;
    return true;
}

GuardedLine &SharedLine(void)
{
    return Shared;
}

void RememberLine(void)
{
    memcpy(&Remembered, &Shared, sizeof Shared);
}

bool LineUnchanged(void)
{
    return memcmp(&Remembered, &Shared, sizeof Shared) == 0;
}

bool TailUnchanged(void)
{
    size_t before = wcsnlen(Remembered.text, TestLineCapacity);
    size_t now = wcsnlen(Shared.text, TestLineCapacity);
    size_t from = (before > now ? before : now) + 1;
    if (from < TestLineCapacity && memcmp(Remembered.text + from, Shared.text + from,
                                          (TestLineCapacity - from) * sizeof(wchar_t)) != 0)
        return false;
    return memcmp(Remembered.guard, Shared.guard, sizeof Shared.guard) == 0;
}

const wchar_t *MarkedLine(const wchar_t *line, long long cursor)
{
    size_t length = wcsnlen(line, TestLineCapacity);
    const size_t capacity = sizeof Marked / sizeof Marked[0];
    size_t n = 0;
    for (size_t i = 0; i <= length && n + 2 < capacity; i++) {
        if ((long long)i == cursor)
            Marked[n++] = L'|';
        if (i < length)
            Marked[n++] = line[i];
    }
    Marked[n] = 0;
    if (cursor < 0 || (size_t)cursor > length)
        swprintf(Marked + n, capacity - n, L"(cursor %lld outside the line)", cursor);
    return Marked;
}

void CheckLineIs(const wchar_t *line, long long cursor, const wchar_t *marked, const char *row,
                 const char *file, int fileLine)
{
    CheckText(MarkedLine(line, cursor), marked, file, fileLine, RowWhat(row, "line"));
    CheckTrue(GuardIntact(&Shared), file, fileLine, RowWhat(row, "guard units after the line"));
}
