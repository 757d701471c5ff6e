// "Swap Arguments" (Alt-') through the plug-in's exported hook, with the shell's escape
// character and Unix-paths option set in the stand-in shell.
#include "tests/support/check.h"
#include "tests/support/editline.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <initializer_list>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

enum { AltQuote = 0x10028 };

PluginDll &Loaded(void)
{
    static PluginDll plugin;
    if (!plugin.module) {
        plugin = LoadPluginDll();
        Host().CaptureOutput(1);
        if (plugin.InitializePlugin() != 0) {
            printf("InitializePlugin failed\n");
            exit(2);
        }
        PressModifiers(true, true, true, false);
    }
    // Default keys, the honk as the error sound (counted by the stand-in).
    plugin.linewise(L"/D /E1 /Q");
    TakeOutput(1);
    TakeOutput(2);
    return plugin;
}

wchar_t KeyName[32];
wchar_t Before[TestLineCapacity];
int CursorBefore;

// Presses Alt-' on the marked line with the given shell options; the record is returned.
ShellKeyEvent Press(const wchar_t *marked, const wchar_t *escape, const wchar_t *unixPaths)
{
    PluginDll &plugin = Loaded();
    Host().SetOption(L"EscapeChar", escape);
    Host().SetOption(L"UnixPaths", unixPaths);
    Host().ResetCounters();
    ShellKeyEvent event = LineEvent<ShellKeyEvent>(AltQuote, marked);
    wcscpy(KeyName, L"Alt-'");
    event.keyName = KeyName;
    memcpy(Before, event.line, sizeof Before);
    CursorBefore = (int)(event.cursor - event.line);
    CHECK_EQ(plugin.key(&event), 0);
    Host().SetOption(L"EscapeChar", nullptr);
    Host().SetOption(L"UnixPaths", nullptr);
    return event;
}

// Every press consumes the key; a refusal leaves all 65,536 units of the line and the cursor
// as they were and honks once.
void CheckPress(const char *name, const ShellKeyEvent &event, const wchar_t *expected)
{
    CheckInt(event.code, 0, __FILE__, __LINE__, name);
    CheckInt(KeyName[0], 0, __FILE__, __LINE__, name);
    CheckTrue(TestLineGuardIntact(), __FILE__, __LINE__, name);
    if (expected) {
        CheckText(MarkedLine(event.line, event.cursor - event.line), expected, __FILE__, __LINE__,
                  name);
        CheckInt(event.redraw, 1, __FILE__, __LINE__, name);
        CheckInt(Host().HonkCalls(), 0, __FILE__, __LINE__, name);
    } else {
        CheckTrue(memcmp(event.line, Before, sizeof Before) == 0, __FILE__, __LINE__, name);
        CheckTrue(event.cursor == event.line + CursorBefore, __FILE__, __LINE__, name);
        CheckInt(event.redraw, 0, __FILE__, __LINE__, name);
        CheckInt(Host().HonkCalls(), 1, __FILE__, __LINE__, name);
    }
}

} // namespace

TEST(swap_arguments_through_the_hook)
{
    const struct {
        const char *name;
        const wchar_t *before, *escape, *unixPaths, *after; // after null: refused
    } cases[] = {
        {"second with first", L"copy a |b", nullptr, nullptr, L"copy b a|"},
        {"third with second", L"copy a b |c", nullptr, nullptr, L"copy a c b|"},
        {"cursor in the command word", L"co|py a b c", nullptr, nullptr, L"copy b a| c"},
        {"quoted blank", L"cmd \"a b\" |c", nullptr, nullptr, L"cmd c \"a b\"|"},
        {"caret escape", L"cmd a^ b |c", nullptr, nullptr, L"cmd c a^ b|"},
        {"percent-equals", L"cmd a%= b |c", nullptr, nullptr, L"cmd c a%= b|"},
        {"tilde escape", L"cmd a~ b |c", L"~", nullptr, L"cmd c a~ b|"},
        {"caret ordinary with tilde", L"cmd a^ b |c", L"~", nullptr, L"cmd a^ c b|"},
        {"switches", L"dir /a/b|", nullptr, nullptr, L"dir /b /a|"},
        {"function list", L"echo %@f[x,|y]", nullptr, nullptr, L"echo %@f[y,x|]"},
        {"item keeps its blank", L"echo %@f[x, |y]", nullptr, nullptr, L"echo %@f[ y,x|]"},
        {"one item swaps outside", L"echo %@f[|x] z w", nullptr, nullptr, L"echo z %@f[x]| w"},
        {"nested lists", L"echo %((1 %[a |b]))", nullptr, nullptr, L"echo %((1 %[b a|]))"},
        {"unix paths on", L"bin/tool |x y", nullptr, L"Yes", L"bin/tool y x|"},
        {"unix paths off", L"bin/tool |x y", nullptr, L"No", L"bin x /tool| y"},
        {"escape at the end", L"cmd a |b^", nullptr, nullptr, L"cmd b^ a|"},
        {"one argument", L"copy |a", nullptr, nullptr, nullptr},
        {"no argument", L"copy|", nullptr, nullptr, nullptr},
        {"enclosing argument of an open list", L"echo a |%[b c", nullptr, nullptr, nullptr},
        {"quoted single argument", L"cmd \"a |b", nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        ShellKeyEvent event = Press(c.before, c.escape, c.unixPaths);
        CheckPress(c.name, event, c.after);
    }
}

// The longest line that may grow is swapped; a longer one, a full line and one nested list
// too many are refused untouched.
TEST(swap_arguments_through_the_hook_at_the_limits)
{
    static wchar_t text[TestLineCapacity + 8];
    for (int length : {65531, 65532, 65535}) {
        wcscpy(text, L"d/a/|b/");
        int n = (int)wcslen(text);
        while (n < length + 1)
            text[n++] = L'c';
        text[n] = 0;
        char name[32];
        snprintf(name, sizeof name, "line of %d units", length);
        ShellKeyEvent event = Press(text, nullptr, nullptr);
        if (length == 65531) {
            // Three spaces added: the longest result there can be, one unit below the limit.
            CheckInt(event.code, 0, __FILE__, __LINE__, name);
            CheckInt(event.redraw, 1, __FILE__, __LINE__, name);
            CheckInt(event.cursor - event.line, 7, __FILE__, __LINE__, name);
            CheckInt((long long)wcslen(event.line), 65534, __FILE__, __LINE__, name);
            CheckTrue(wcsncmp(event.line, L"d /b /a /ccc", 12) == 0, __FILE__, __LINE__, name);
            CheckTrue(TestLineGuardIntact(), __FILE__, __LINE__, name);
        } else {
            CheckPress(name, event, nullptr);
        }
    }

    wcscpy(text, L"echo ");
    for (int i = 0; i < 1025; i++)
        wcscat(text, L"%[");
    wcscat(text, L"x |y");
    ShellKeyEvent event = Press(text, nullptr, nullptr);
    CheckPress("1025 nested lists", event, nullptr);
}
