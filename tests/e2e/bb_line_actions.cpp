// The line actions through the plug-in's exported hook, as the shell drives them: the built
// DLL is loaded and only its exports are called; the shell library is the stand-in.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <string.h>
#include <wchar.h>

namespace
{

wchar_t KeyName[32];

// Presses Enter at the end of a line (no '|' in it), as the shell does before running it.
void Enter(const wchar_t *text)
{
    ShellKeyEvent e = ShellLine(13, text);
    CHECK_EQ(PressKey(&e), 0);
    CHECK_EQ(e.code, 13);
    CHECK_EQ(e.redraw, 0);
    CHECK_TEXT(e.line, text);
}

} // namespace

TEST(line_alt_semicolon_swaps_characters)
{
    ResetSettings();
    ShellKeyEvent e = ShellLine(0x10027, L"ab|cd");
    CHECK_EQ(PressKey(&e), 0);
    CHECK_TEXT(e.line, L"acbd");
    CHECK_EQ(CursorOf(e), 2);
    CHECK_EQ(e.code, 0);
    CHECK_EQ(e.redraw, 1);
    CHECK(Host().LastClearEditLine() == e.line + 1);

    e = ShellLine(0x10027, L"a|");
    PressKey(&e);
    CHECK_TEXT(e.line, L"a");
    CHECK_EQ(e.code, 0);
    CHECK_EQ(Host().HonkCalls(), 1);
}

TEST(line_ctrl_u_cycles_word_case)
{
    ResetSettings();
    ShellKeyEvent e = ShellLine(0x15, L"echo hel|lo-world");
    const wchar_t *steps[] = {L"echo Hello-World", L"echo HELLO-WORLD", L"echo hello-world"};
    for (const wchar_t *step : steps) {
        e.code = 0x15;
        e.redraw = 0;
        CHECK_EQ(PressKey(&e), 0);
        CHECK_TEXT(e.line, step);
        CHECK_EQ(CursorOf(e), 16);
        CHECK_EQ(e.code, 0);
        CHECK_EQ(e.redraw, 1);
    }
    CHECK_EQ(Host().HonkCalls(), 0);
}

TEST(line_enter_captures_and_f3_inserts)
{
    ResetSettings();
    Enter(L"copy  \"a file.txt\" dest");
    ShellKeyEvent e = ShellLine(0x1003D, L"dir |");
    CHECK_EQ(PressKey(&e), 0);
    CHECK_TEXT(e.line, L"dir \"a file.txt\" dest");
    CHECK_EQ(CursorOf(e), 21);
    CHECK_EQ(e.code, 0);
    CHECK_EQ(e.redraw, 1);

    // The remembered arguments outlive their use; a line without arguments forgets them.
    e = ShellLine(0x1003D, L"|x");
    PressKey(&e);
    CHECK_TEXT(e.line, L"\"a file.txt\" destx");
    Enter(L"dir");
    e = ShellLine(0x1003D, L"echo |");
    PressKey(&e);
    CHECK_TEXT(e.line, L"echo ");
    CHECK_EQ(e.code, 0);
    CHECK_EQ(e.redraw, 0);
    CHECK_EQ(Host().HonkCalls(), 1);
}

TEST(line_last_args_flags_set_by_the_command)
{
    ResetSettings();
    CHECK_EQ(RunLinewise(L"/A15"), 0);
    Enter(L"dir/s *.txt");
    Enter(L"cls");
    ShellKeyEvent e = ShellLine(0x1003D, L"echo|x y");
    PressKey(&e);
    CHECK_TEXT(e.line, L"echo /s *.txt");
    CHECK_EQ(CursorOf(e), 13);
    CHECK_EQ(RunLinewise(L"/A0"), 0);
}

TEST(line_ctrl_shift_adds_its_modifier_bits)
{
    ResetSettings();
    CHECK_EQ(RunLinewise(L"/K1:Ctrl-Shift-F1"), 0);

    ShellKeyEvent e = ShellLine(0x10054, L"abcd|");
    CHECK_EQ(PressKey(&e, HoldShift | HoldCtrl), 0);
    CHECK_TEXT(e.line, L"abdc");
    CHECK_EQ(e.code, 0);

    // Without the modifiers the same code is Shift-F1, which is not bound.
    e = ShellLine(0x10054, L"abcd|");
    PressKey(&e);
    CHECK_TEXT(e.line, L"abcd");
    CHECK_EQ(e.code, 0x10054);
    CHECK_EQ(RunLinewise(L"/X:Ctrl-Shift-F1"), 0);
}

TEST(line_unbound_key_stays_with_the_shell)
{
    ResetSettings();
    const int codes[] = {0x10054, 'a', 0x1003B, 0x20015};
    for (int code : codes) {
        ShellKeyEvent e = ShellLine(code, L"ab|cd");
        ShellKeyEvent before = e;
        CHECK_EQ(PressKey(&e), 0);
        CHECK(memcmp(&e, &before, sizeof e) == 0);
        CHECK_TEXT(e.line, L"abcd");
        CHECK_EQ(Host().ClearEditLineCalls(), 0);
        CHECK_EQ(Host().HonkCalls(), 0);
    }
}

// Alt-' is bound to "Swap Arguments" by default. Until that action is part of the build its
// key stays with the shell untouched; once it is, the key swaps the two arguments.
TEST(line_bound_action_missing_from_the_build)
{
    ResetSettings();
    ShellKeyEvent e = ShellLine(0x10028, L"copy a b|");
    ShellKeyEvent before = e;
    CHECK_EQ(PressKey(&e), 0);
    bool untouched = memcmp(&e, &before, sizeof e) == 0 && wcscmp(e.line, L"copy a b") == 0;
    bool swapped = wcscmp(e.line, L"copy b a") == 0 && e.code == 0;
    CHECK(untouched || swapped);
}

// On a newer host, consuming a key also empties its name; Swap Characters leaves it.
TEST(line_newer_host_key_names)
{
    ResetSettings();
    CHECK_EQ(RestartPlugin(L"30"), 0);

    ShellKeyEvent e = ShellLine(0x15, L"a|bc");
    wcscpy(KeyName, L"Ctrl-U");
    e.keyName = KeyName;
    PressKey(&e);
    CHECK_TEXT(e.line, L"Abc");
    CHECK_EQ(e.code, 0);
    CHECK_TEXT(KeyName, L"");

    e = ShellLine(0x10027, L"abc|");
    wcscpy(KeyName, L"Alt-;");
    e.keyName = KeyName;
    PressKey(&e);
    CHECK_TEXT(e.line, L"acb");
    CHECK_EQ(e.code, 0);
    CHECK_TEXT(KeyName, L"Alt-;");

    // Enter named by the host with code 0 still captures the arguments.
    e = ShellLine(0, L"type x.txt|");
    wcscpy(KeyName, L"Enter");
    e.keyName = KeyName;
    CHECK_EQ(PressKey(&e), 0);
    CHECK_TEXT(KeyName, L"Enter");
    e = ShellLine(0x1003D, L"|");
    PressKey(&e);
    CHECK_TEXT(e.line, L"x.txt");

    CHECK_EQ(RestartPlugin(nullptr), 0);
}
