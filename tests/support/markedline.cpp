#include "tests/support/markedline.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

namespace
{
const wchar_t Poison = 0xBDBD;
wchar_t Shown[MarkedLineCapacity + 2];
} // namespace

int SetMarkedLine(GuardedLine *line, const wchar_t *marked)
{
    int cursor = -1, n = 0;
    for (const wchar_t *p = marked; *p && n < MarkedLineCapacity - 1; p++) {
        if (*p == L'|' && cursor < 0)
            cursor = n;
        else
            line->text[n++] = *p;
    }
    line->text[n] = 0;
    for (int i = n + 1; i < MarkedLineCapacity; i++)
        line->text[i] = Poison;
    for (wchar_t &unit : line->guard)
        unit = Poison;
    return cursor < 0 ? n : cursor;
}

const wchar_t *MarkedLine(const wchar_t *line, long long cursor)
{
    size_t length = wcsnlen(line, MarkedLineCapacity);
    size_t n = 0;
    for (size_t i = 0; i <= length && i < MarkedLineCapacity; i++) {
        if ((long long)i == cursor)
            Shown[n++] = L'|';
        if (i < length)
            Shown[n++] = line[i];
    }
    Shown[n] = 0;
    return Shown;
}

bool GuardIntact(const GuardedLine *line)
{
    for (wchar_t unit : line->guard)
        if (unit != Poison)
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
