// Auto-close pairs through the exported hook: with /B set, a typed opening bracket or quote
// gets its closing character after the cursor and the key goes on to the shell.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <wchar.h>

namespace
{

struct PairCase {
    const char *name;
    const wchar_t *flags; // the /B option
    bool insertMode;
    int typed;
    const wchar_t *line;  // pattern before the key
    const wchar_t *after; // pattern the hook leaves (the shell then types the opener)
};

const PairCase Cases[] = {
    {"quote after a blank", L"/B8", true, '"', L"echo |", L"echo |\""},
    {"quote after a letter", L"/B8", true, '"', L"abc|", L"abc|"},
    {"bracket mid line", L"/B1", true, '[', L"a|b", L"a|]b"},
    {"brace", L"/B4", true, '{', L"|x", L"|}x"},
    {"overwrite mode", L"/B63", false, '(', L"a|b", L"a|b"},
};

} // namespace

TEST(auto_close_table)
{
    for (const PairCase &c : Cases) {
        CHECK_ROW_EQ(c.name, RunLinewise(c.flags), 0);
        Host().SetVariable(L"_insert", c.insertMode ? L"1" : L"0");
        ShellKeyEvent e = ShellLine(c.typed, c.line);
        CHECK_EQ(PressKey(&e), 0);
        CHECK_ROW_LINE(c.name, e, c.after);
        CHECK_ROW_EQ(c.name, e.code, c.typed);
        CHECK_ROW_EQ(c.name, e.redraw, 0);
    }
    Host().SetVariable(L"_insert", nullptr);
    RunLinewise(L"/B0");
}

// The shell then types the opener: the cursor ends between the pair.
TEST(auto_close_then_the_shell_types)
{
    RunLinewise(L"/B63");
    ShellKeyEvent e = ShellLine('"', L"echo |");
    PressKey(&e);
    ShellTypes(&e);
    CHECK_ROW_LINE("typed quote", e, L"echo \"|\"");
    RunLinewise(L"/B0");
}

// 65,533 characters leave room for the pair; 65,534 get no closing character.
TEST(auto_close_line_limit)
{
    RunLinewise(L"/B2");
    ShellKeyEvent e = LongShellLine('(', 65533, L'a', 3);
    PressKey(&e);
    CHECK_EQ(wcslen(e.line), 65534);
    CHECK_EQ(e.line[3], L')');
    CHECK_EQ(e.line[65533], L'a');
    CHECK_EQ(e.cursor - e.line, 3);

    e = LongShellLine('(', 65534, L'a', 3);
    PressKey(&e);
    CHECK(LineUnchanged());
    CHECK_EQ(e.code, '(');
    RunLinewise(L"/B0");
}

// A key that a newer host names only in keyName, with code 0, makes no pair.
TEST(auto_close_key_named_only)
{
    CHECK_EQ(RestartPlugin(L"30"), 0);
    RunLinewise(L"/B63");

    const wchar_t *const names[] = {L"(", L"[", L"\"", L"Apostrophe", L"Grave"};
    for (const wchar_t *name : names) {
        static wchar_t keyName[32];
        wcscpy(keyName, name);
        ShellKeyEvent e = ShellLine(0, L"a |");
        e.keyName = keyName;
        PressKey(&e);
        CHECK_ROW_LINE("named only", e, L"a |");
    }
    // The same host passing the code pairs.
    ShellKeyEvent e = ShellLine('(', L"a |");
    PressKey(&e);
    CHECK_ROW_LINE("code passed", e, L"a |)");

    CHECK_EQ(RestartPlugin(nullptr), 0);
}
