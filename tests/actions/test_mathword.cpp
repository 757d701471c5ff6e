#include "actions/line/mathword.h"

#include "tests/support/check.h"
#include "tests/support/editline.h"

// The word at the cursor evaluated by the shell and put in its place, the cursor after the
// value; a word the shell cannot evaluate (after null) leaves the line and the cursor.
TEST(evaluate_word)
{
    const struct {
        const char *name;
        const wchar_t *before, *after;
    } rows[] = {
        {"quoted word with blanks", L"\"2 + 3\"|", L"5|"},
        {"cursor at the word's start", L"echo |1+1 x", L"echo 2| x"},
        {"cursor inside the word", L"a 1+2|0 b", L"a 21| b"},
        {"decimal result", L"10/4|", L"2.5|"},
        {"parentheses", L"x (1+2)*3| y", L"x 9| y"},
        {"negative result", L"1-8|", L"-7|"},
        {"division by zero", L"echo 1/0|", nullptr},
        {"malformed expression", L"2+| x", nullptr},
        {"not a number", L"echo abc|", nullptr},
        {"empty once unquoted", L"\"\"|", nullptr},
    };
    for (const auto &row : rows) {
        int cursor = SetMarkedLine(row.before);
        RememberLine();
        CHECK_ROW_EQ(row.name, EvaluateWord(&cursor, TestLine()), row.after ? 1 : 0);
        CheckLineIs(TestLine(), cursor, row.after ? row.after : row.before, row.name, __FILE__,
                    __LINE__);
        CHECK_ROW(row.name, row.after || LineUnchanged());
    }
}
