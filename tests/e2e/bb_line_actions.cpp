// The line actions through the plug-in's exported hook, as the shell drives them: the built
// DLL is loaded and only its exports are called; the shell library is the stand-in.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

enum { LineCapacity = 65536 };

// Loads and starts the plug-in once, with default settings, the honk as error sound and no
// last-arguments flags.
PluginDll &Loaded(void)
{
    static PluginDll plugin;
    if (plugin.module)
        return plugin;
    plugin = LoadPluginDll();
    Host().CaptureOutput(1);
    if (plugin.InitializePlugin() != 0) {
        printf("InitializePlugin failed\n");
        exit(2);
    }
    plugin.linewise(L"/D /E1 /A0 /Q");
    TakeOutput(1);
    TakeOutput(2);
    PressModifiers(true, true, true, false);
    return plugin;
}

int Linewise(const wchar_t *arguments)
{
    int result = Loaded().linewise(arguments);
    TakeOutput(1);
    TakeOutput(2);
    return result;
}

wchar_t Line[LineCapacity];
wchar_t KeyName[32];

ShellKeyEvent Event(int code, const wchar_t *text, int cursor)
{
    Loaded();
    Host().ResetCounters();
    wcscpy(Line, text);
    ShellKeyEvent event = {};
    event.code = code;
    event.line = Line;
    event.cursor = Line + cursor;
    return event;
}

int Key(ShellKeyEvent *event)
{
    return Loaded().key(event);
}
int CursorOf(const ShellKeyEvent &event)
{
    return (int)(event.cursor - event.line);
}

// Presses Enter on a line, as the shell does before running it.
void Enter(const wchar_t *text)
{
    ShellKeyEvent e = Event(13, text, (int)wcslen(text));
    CHECK_EQ(Key(&e), 0);
    CHECK_EQ(e.code, 13);
    CHECK_EQ(e.redraw, 0);
    CHECK_TEXT(e.line, text);
}

} // namespace

TEST(line_alt_semicolon_swaps_characters)
{
    ShellKeyEvent e = Event(0x10027, L"abcd", 2);
    CHECK_EQ(Key(&e), 0);
    CHECK_TEXT(e.line, L"acbd");
    CHECK_EQ(CursorOf(e), 2);
    CHECK_EQ(e.code, 0);
    CHECK_EQ(e.redraw, 1);
    CHECK(Host().LastClearEditLine() == e.line + 1);

    e = Event(0x10027, L"a", 1);
    Key(&e);
    CHECK_TEXT(e.line, L"a");
    CHECK_EQ(e.code, 0);
    CHECK_EQ(Host().HonkCalls(), 1);
}

TEST(line_ctrl_u_cycles_word_case)
{
    ShellKeyEvent e = Event(0x15, L"echo hello-world", 8);
    const wchar_t *steps[] = {L"echo Hello-World", L"echo HELLO-WORLD", L"echo hello-world"};
    for (const wchar_t *step : steps) {
        e.code = 0x15;
        e.redraw = 0;
        CHECK_EQ(Key(&e), 0);
        CHECK_TEXT(e.line, step);
        CHECK_EQ(CursorOf(e), 16);
        CHECK_EQ(e.code, 0);
        CHECK_EQ(e.redraw, 1);
    }
    CHECK_EQ(Host().HonkCalls(), 0);
}

TEST(line_enter_captures_and_f3_inserts)
{
    Enter(L"copy  \"a file.txt\" dest");
    ShellKeyEvent e = Event(0x1003D, L"dir ", 4);
    CHECK_EQ(Key(&e), 0);
    CHECK_TEXT(e.line, L"dir \"a file.txt\" dest");
    CHECK_EQ(CursorOf(e), 21);
    CHECK_EQ(e.code, 0);
    CHECK_EQ(e.redraw, 1);

    // The remembered arguments outlive their use; a line without arguments forgets them.
    e = Event(0x1003D, L"x", 0);
    Key(&e);
    CHECK_TEXT(e.line, L"\"a file.txt\" destx");
    Enter(L"dir");
    e = Event(0x1003D, L"echo ", 5);
    Key(&e);
    CHECK_TEXT(e.line, L"echo ");
    CHECK_EQ(e.code, 0);
    CHECK_EQ(e.redraw, 0);
    CHECK_EQ(Host().HonkCalls(), 1);
}

TEST(line_last_args_flags_set_by_the_command)
{
    CHECK_EQ(Linewise(L"/A15"), 0);
    Enter(L"dir/s *.txt");
    Enter(L"cls");
    ShellKeyEvent e = Event(0x1003D, L"echox y", 4);
    Key(&e);
    CHECK_TEXT(e.line, L"echo /s *.txt");
    CHECK_EQ(CursorOf(e), 13);
    CHECK_EQ(Linewise(L"/A0"), 0);
}

TEST(line_ctrl_shift_adds_its_modifier_bits)
{
    CHECK_EQ(Linewise(L"/K1:Ctrl-Shift-F1"), 0);

    PressModifiers(true, true, false, true);
    ShellKeyEvent e = Event(0x10054, L"abcd", 4);
    CHECK_EQ(Key(&e), 0);
    PressModifiers(true, true, false, false);
    CHECK_TEXT(e.line, L"abdc");
    CHECK_EQ(e.code, 0);

    // Without the modifiers the same code is Shift-F1, which is not bound.
    e = Event(0x10054, L"abcd", 4);
    Key(&e);
    CHECK_TEXT(e.line, L"abcd");
    CHECK_EQ(e.code, 0x10054);
    CHECK_EQ(Linewise(L"/X:Ctrl-Shift-F1"), 0);
}

TEST(line_unbound_key_stays_with_the_shell)
{
    const int codes[] = {0x10054, 'a', 0x1003B, 0x20015};
    for (int code : codes) {
        ShellKeyEvent e = Event(code, L"abcd", 2);
        ShellKeyEvent before = e;
        CHECK_EQ(Key(&e), 0);
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
    ShellKeyEvent e = Event(0x10028, L"copy a b", 8);
    ShellKeyEvent before = e;
    CHECK_EQ(Key(&e), 0);
    bool untouched = memcmp(&e, &before, sizeof e) == 0 && wcscmp(e.line, L"copy a b") == 0;
    bool swapped = wcscmp(e.line, L"copy b a") == 0 && e.code == 0;
    CHECK(untouched || swapped);
}

// On a newer host, consuming a key also empties its name; Swap Characters leaves it.
TEST(line_newer_host_key_names)
{
    PluginDll &plugin = Loaded();
    plugin.ShutdownPlugin(0);
    Host().SetVariable(L"_4ver", L"30");
    CHECK_EQ(plugin.InitializePlugin(), 0);
    Linewise(L"/D /E1 /A0 /Q");

    ShellKeyEvent e = Event(0x15, L"abc", 1);
    wcscpy(KeyName, L"Ctrl-U");
    e.keyName = KeyName;
    Key(&e);
    CHECK_TEXT(e.line, L"Abc");
    CHECK_EQ(e.code, 0);
    CHECK_TEXT(KeyName, L"");

    e = Event(0x10027, L"abc", 3);
    wcscpy(KeyName, L"Alt-;");
    e.keyName = KeyName;
    Key(&e);
    CHECK_TEXT(e.line, L"acb");
    CHECK_EQ(e.code, 0);
    CHECK_TEXT(KeyName, L"Alt-;");

    // Enter named by the host with code 0 still captures the arguments.
    e = Event(0, L"type x.txt", 10);
    wcscpy(KeyName, L"Enter");
    e.keyName = KeyName;
    CHECK_EQ(Key(&e), 0);
    CHECK_TEXT(KeyName, L"Enter");
    e = Event(0x1003D, L"", 0);
    Key(&e);
    CHECK_TEXT(e.line, L"x.txt");

    plugin.ShutdownPlugin(0);
    Host().SetVariable(L"_4ver", nullptr);
    CHECK_EQ(plugin.InitializePlugin(), 0);
    Linewise(L"/D /E1 /A0 /Q");
}
