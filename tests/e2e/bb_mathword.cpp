// "Math Word" (Alt-= by default) through the plug-in's exported hook: the word at the cursor
// becomes its value, computed by the shell; failures leave the line and print nothing.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <stdlib.h>
#include <wchar.h>

namespace
{

enum { AltEquals = 0x10083 };

// Every row: the key is consumed and the hook answers 0; the line and cursor are as expected,
// nothing past the line's buffer is touched and the shell printed nothing.
void MathWord(const char *row, const wchar_t *marked, const wchar_t *after)
{
    CheckPress(row, PressOnLine(AltEquals, marked), after);
}

// After null: the line stays as it was, with the error sound.
const PressRow Rows[] = {
    {"cursor after the word", L"echo 2+3*4|", L"echo 14|"},
    {"cursor on the blank after the word", L"6*7| x", L"42| x"},
    {"cursor on a later blank", L"6*7 | x", nullptr},
    {"empty line", L"|", nullptr},
    {"only blanks", L"   |", nullptr},
    {"cursor before any word", L"| 1+1", nullptr},
};

} // namespace

TEST(mathword_rows)
{
    ResetSettings();
    PressRows(AltEquals, 0, Rows);
}

// Words longer than the shell's 8192-unit buffer or the 65,536-unit expression buffer, and a
// value that would make the line too long.
TEST(mathword_long_words_and_lines)
{
    ResetSettings();
    static wchar_t marked[TestLineCapacity + 2];

    // 8,200 characters: the shell refuses it.
    for (int i = 0; i < 8200; i++)
        marked[i] = i % 2 ? L'+' : L'1';
    marked[8199] = L'1';
    wcscpy(marked + 8200, L"|");
    MathWord("word longer than the shell's buffer", marked, nullptr);

    // 65,530 characters: too long for the expression buffer.
    for (int i = 0; i < 65530; i++)
        marked[i] = L'1';
    wcscpy(marked + 65530, L"|");
    MathWord("word longer than the expression buffer", marked, nullptr);

    // A full line whose last word grows: the line is cut at 65,535 characters, the cursor at
    // its end.
    for (int i = 0; i < 65531; i++)
        marked[i] = L'x';
    marked[65530] = L' ';
    wcscpy(marked + 65531, L"9**9|");
    static wchar_t expected[TestLineCapacity + 2];
    wcscpy(expected, marked);
    wcscpy(expected + 65531, L"3874|");
    MathWord("value cut at the end of a full line", marked, expected);
    CHECK_EQ(wcslen(TestLine()), 65535);

    // The word at the far end of a long line.
    for (int i = 0; i < 65000; i++)
        marked[i] = i % 10 == 9 ? L' ' : L'w';
    wcscpy(marked + 65000, L"2*21|");
    wcscpy(expected, marked);
    wcscpy(expected + 65000, L"42|");
    MathWord("word at the end of a long line", marked, expected);
}
