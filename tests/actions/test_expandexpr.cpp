#include "actions/line/expandexpr.h"

#include "tests/support/check.h"
#include "tests/support/editline.h"

#include <string>

namespace
{

// The construct FindExpression chooses on a marked line, as its text, or why there is none.
std::wstring Chosen(const wchar_t *marked, wchar_t escape)
{
    const int cursor = SetMarkedLine(marked);
    int start = -1, end = -1;
    const int found = FindExpression(TestLine(), cursor, escape, &start, &end);
    if (found != 1)
        return found == 0 ? L"(none)" : L"(too deep)";
    return std::wstring(TestLine() + start, (size_t)(end - start + 1));
}

} // namespace

// The deepest construct holding the cursor, or ending just before it, wins; "%%" is a literal
// percent sign that starts nothing, also inside a construct.
TEST(find_expression_chooses_the_innermost_construct)
{
    const struct {
        const char *name;
        const wchar_t *marked;
        wchar_t escape;
        const wchar_t *chosen;
    } rows[] = {
        {"a variable under the cursor", L"echo %Lw|A x", L'^', L"%LwA"},
        {"the deeper one", L"echo %@upper[%Lw|A]", L'^', L"%LwA"},
        {"on the function's name", L"echo %@up|per[%LwA]", L'^', L"%@upper[%LwA]"},
        {"%% then a name, cursor in it", L"100%%Lw|A", L'^', L"(none)"},
        {"%% then a name, cursor just after it", L"100%%LwA|", L'^', L"(none)"},
        {"%% then a name inside a function", L"%@upper[%%Lw|A]", L'^', L"%@upper[%%LwA]"},
        {"%% then a variable", L"100%%%Lw|A", L'^', L"%LwA"},
        {"a name of letters beyond ASCII", L"%\x00E9t\x00E9|", L'^', L"%\x00E9t\x00E9"},
        {"an escaped percent sign", L"~%Lw|A", L'~', L"(none)"},
        {"an unclosed function", L"%@upper[ab|", L'^', L"(none)"},
    };
    for (const auto &row : rows)
        CHECK_ROW(row.name, Chosen(row.marked, row.escape) == row.chosen);
}
