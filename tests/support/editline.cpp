#include "tests/support/editline.h"

#include <stdio.h>

#include <wchar.h>

namespace
{

enum { GuardUnits = 16, Guard = 0xBDBD };

wchar_t Line[TestLineCapacity + GuardUnits];
wchar_t Marked[TestLineCapacity + 64];

} // namespace

wchar_t *TestLine(void)
{
    return Line;
}

bool TestLineGuardIntact(void)
{
    for (int i = 0; i < GuardUnits; i++)
        if (Line[TestLineCapacity + i] != Guard)
            return false;
    return true;
}

int SetMarkedLine(const wchar_t *marked)
{
    int cursor = -1, n = 0;
    for (const wchar_t *p = marked; *p && n < TestLineCapacity - 1; p++) {
        if (*p == L'|' && cursor < 0)
            cursor = n;
        else
            Line[n++] = *p;
    }
    Line[n] = 0;
    for (int i = 0; i < GuardUnits; i++)
        Line[TestLineCapacity + i] = Guard;
    return cursor < 0 ? n : cursor;
}

const wchar_t *MarkedLine(const wchar_t *line, long long cursor)
{
    size_t length = wcsnlen(line, TestLineCapacity);
    size_t n = 0;
    for (size_t i = 0; i <= length && n < TestLineCapacity + 8; i++) {
        if ((long long)i == cursor)
            Marked[n++] = L'|';
        if (i < length)
            Marked[n++] = line[i];
    }
    Marked[n] = 0;
    if (cursor < 0 || (size_t)cursor > length)
        swprintf(Marked + n, 64, L"(cursor %lld outside the line)", cursor);
    return Marked;
}

namespace
{
const wchar_t MarkedPoison = 0xBDBD;
} // namespace

int SetMarkedLine(GuardedLine *line, const wchar_t *marked)
{
    int cursor = -1, n = 0;
    for (const wchar_t *p = marked; *p && n < TestLineCapacity - 1; p++) {
        if (*p == L'|' && cursor < 0)
            cursor = n;
        else
            line->text[n++] = *p;
    }
    line->text[n] = 0;
    for (int i = n + 1; i < TestLineCapacity; i++)
        line->text[i] = MarkedPoison;
    for (wchar_t &unit : line->guard)
        unit = MarkedPoison;
    return cursor < 0 ? n : cursor;
}

bool GuardIntact(const GuardedLine *line)
{
    for (wchar_t unit : line->guard)
        if (unit != MarkedPoison)
            return false;
    return true;
}

const char *RowWhat(const char *row, const char *what)
{
    static char buffers[4][256];
    static int which;
    char *out = buffers[which = (which + 1) % 4];
    snprintf(out, sizeof buffers[0], "%s: %s", row, what);
    return out;
}
