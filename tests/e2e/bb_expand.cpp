// "Expand Expression" (Ctrl-Shift-X by default) through the plug-in's exported hook: the
// innermost variable construct around the cursor becomes the shell's expansion of it.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <wchar.h>

namespace
{

enum { CtrlX = 0x18 };

void Expand(const char *row, const wchar_t *marked, const wchar_t *after)
{
    CheckPress(row, PressOnLine(CtrlX, marked, HoldShift | HoldCtrl), after);
}

// Each kind of construct with the cursor inside it, just after it and just before it. The
// stand-in shell leaves %(...) and %{...} as written, so there the cursor shows the span.
const PressRow KindRows[] = {
    {"variable, inside", L"echo %Lw|A x", L"echo alpha| x"},
    {"variable, on its percent sign", L"echo |%LwA x", L"echo alpha| x"},
    {"variable, just after", L"echo %LwA| x", L"echo alpha| x"},
    {"variable, before", L"echo| %LwA x", nullptr},
    {"variable, past the blank after it", L"echo %LwA |x", nullptr},
    {"function, inside", L"echo %@upper[a|b] x", L"echo AB| x"},
    {"function, just after", L"echo %@upper[ab]| x", L"echo AB| x"},
    {"function, before", L"echo| %@upper[ab] x", nullptr},
    {"array, inside", L"%LwA[1|] x", L"alpha[1]| x"},
    {"array, just after", L"%LwA[1]| x", L"alpha[1]| x"},
    {"array, before", L"|x %LwA[1]", nullptr},
    {"double parenthesis, inside", L"%((2+|3)) x", L"5| x"},
    {"double parenthesis, nested", L"%((2*(1+|2))) x", L"6| x"},
    {"double parenthesis, just after", L"%((2+3))| x", L"5| x"},
    {"double parenthesis, before", L"|x %((2+3))", nullptr},
    {"parenthesis, inside", L"%(a|b) x", L"%(ab)| x"},
    {"parenthesis, nested", L"%(a(|b)c) x", L"%(a(b)c)| x"},
    {"parenthesis, just after", L"%(ab)| x", L"%(ab)| x"},
    {"parenthesis, before", L"|x %(ab)", nullptr},
    {"double bracket, inside", L"%[[Lw|Q]] x", L"dbl| x"},
    {"double bracket, just after", L"%[[LwQ]]| x", L"dbl| x"},
    {"double bracket, before", L"|x %[[LwQ]]", nullptr},
    {"bracket, inside", L"%[Lw|B] x", L"LwA| x"},
    {"bracket, just after", L"%[LwB]| x", L"LwA| x"},
    {"bracket, before", L"|x %[LwB]", nullptr},
    {"brace, inside", L"%{a|b} x", L"%{ab}| x"},
    {"brace, just after", L"%{ab}| x", L"%{ab}| x"},
    {"brace, before", L"|x %{ab}", nullptr},
    {"escape variable, inside", L"a %|= b", L"a ^| b"},
    {"escape variable, just after", L"a %=| b", L"a ^| b"},
    {"escape variable, before", L"a| %= b", nullptr},
    {"separator variable, inside", L"a %|+ b", L"a &| b"},
    {"separator variable, just after", L"a %+| b", L"a &| b"},
    {"separator variable, before", L"a| %+ b", nullptr},
};

// Nesting, quotes, the escape character and the shell's failures.
const PressRow RuleRows[] = {
    {"the deeper construct wins", L"echo %@upper[%Lw|A]", L"echo %@upper[alpha|]"},
    {"cursor on the function's name", L"echo %@up|per[%LwA]", L"echo ALPHA|"},
    {"nested functions, inner one", L"%@upper[%@lower[A|B]]", L"%@upper[ab|]"},
    {"just after the inner function", L"%@upper[x%@lower[AB]|]", L"%@upper[xab|]"},
    {"nested functions, outer one", L"%@upper[|x%@lower[AB]]", L"XAB|"},
    {"the first of equal depth", L"%LwA|%LwA", L"alpha|%LwA"},
    {"a literal percent sign starts nothing", L"100|%% %LwA", nullptr},
    {"the second percent sign of %%", L"100%|% %LwA", nullptr},
    {"%% then a variable", L"100%%%Lw|A", L"100%%alpha|"},
    {"%% then a name, cursor in it", L"100%%Lw|A", nullptr},
    {"%% then a name, cursor just after it", L"100%%LwA|", nullptr},
    {"%% then a name inside a function: the function", L"%@upper[%%Lw|A]", L"%LWA|"},
    {"an unclosed function is never chosen", L"%@upper[ab|", nullptr},
    {"inside an unclosed function", L"%@upper[%Lw|A", L"%@upper[alpha|"},
    {"a bracket inside quotes does not close", L"%@upper[\"a]b|\"]", L"\"A]B\"|"},
    {"an escaped bracket does not close", L"%@upper[a^]|b]", L"A^]B|"},
    {"an escaped percent sign starts nothing", L"^%LwA|", nullptr},
    {"after %= the next character is escaped", L"%=%Lw|A", nullptr},
    {"an empty expansion removes the construct", L"a %LwNone| b", L"a | b"},
    {"a function the shell does not know", L"%@nosuch[x|]", nullptr},
    {"a division by zero", L"%@eval[1/0|]", nullptr},
    {"empty line", L"|", nullptr},
};

void SetVariables(bool set)
{
    SetEnvironmentVariableW(L"LwA", set ? L"alpha" : nullptr);
    SetEnvironmentVariableW(L"LwB", set ? L"LwA" : nullptr);
    SetEnvironmentVariableW(L"[LwQ]", set ? L"dbl" : nullptr);
    SetEnvironmentVariableW(L"LwNone", nullptr);
}

} // namespace

TEST(expand_each_construct_kind)
{
    ResetSettings();
    SetVariables(true);
    PressRows(CtrlX, HoldShift | HoldCtrl, KindRows);
    SetVariables(false);
}

TEST(expand_nesting_quotes_escapes_and_failures)
{
    ResetSettings();
    SetVariables(true);
    PressRows(CtrlX, HoldShift | HoldCtrl, RuleRows);

    // The shell's escape character is its own: with '~' the caret is ordinary.
    Host().SetOption(L"EscapeChar", L"~");
    const PressRow tilde[] = {
        {"another escape character protects", L"~%LwA|", nullptr},
        {"the caret is then ordinary", L"^%LwA|", L"^alpha|"},
    };
    PressRows(CtrlX, HoldShift | HoldCtrl, tilde);
    Host().SetOption(L"EscapeChar", nullptr);
    SetVariables(false);
}

TEST(expand_long_lines)
{
    ResetSettings();
    SetVariables(true);
    static wchar_t marked[TestLineCapacity + 2], expected[TestLineCapacity + 2];

    // A construct at the far end of a long line.
    for (int i = 0; i < 65500; i++)
        marked[i] = i % 10 == 9 ? L' ' : L'w';
    wcscpy(marked + 65500, L"%@upper[a|b]");
    wcscpy(expected, marked);
    wcscpy(expected + 65500, L"AB|");
    Expand("construct at the end of a long line", marked, expected);

    // A construct of 8,192 characters does not fit the shell's buffer: refused, not cut.
    wcscpy(marked, L"%@len[");
    for (int i = 6; i < 8191; i++)
        marked[i] = L'a';
    wcscpy(marked + 8191, L"]|");
    Expand("construct of 8192 characters", marked, nullptr);
    // One shorter fits.
    wcscpy(marked + 8190, L"]|");
    Expand("construct of 8191 characters", marked, L"8184|");

    // An expansion that would make the line longer than 65,535 characters.
    wchar_t value[101];
    for (int i = 0; i < 100; i++)
        value[i] = L'v';
    value[100] = 0;
    SetEnvironmentVariableW(L"LwLong", value);
    for (int i = 0; i < 65500; i++)
        marked[i] = L'w';
    wcscpy(marked + 65500, L" %LwLong|");
    Expand("expansion too long for the line", marked, nullptr);
    SetEnvironmentVariableW(L"LwLong", nullptr);

    // Openers nested past any sensible depth: refused without harm.
    for (int i = 0; i + 1 < 65534; i += 2) {
        marked[i] = L'%';
        marked[i + 1] = L'(';
    }
    wcscpy(marked + 65534, L"x|");
    Expand("deep nesting", marked, nullptr);
    SetVariables(false);
}
