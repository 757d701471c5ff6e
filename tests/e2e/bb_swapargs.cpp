// "Swap Arguments" (Alt-') through the plug-in's exported hook, with the shell's escape
// character and Unix-paths option set in the stand-in shell.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <initializer_list>
#include <stdio.h>
#include <wchar.h>

namespace
{

enum { AltQuote = 0x10028 };

wchar_t KeyName[32];

// Presses Alt-' on the marked line with the given shell options, named as a newer host names
// it; every press consumes the key and its name (after null: refused).
void Swap(const char *name, const wchar_t *marked, const wchar_t *escape, const wchar_t *unixPaths,
          const wchar_t *after)
{
    Host().SetOption(L"EscapeChar", escape);
    Host().SetOption(L"UnixPaths", unixPaths);
    ShellKeyEvent event = ShellLine(AltQuote, marked);
    wcscpy(KeyName, L"Alt-'");
    event.keyName = KeyName;
    PressKey(&event);
    Host().SetOption(L"EscapeChar", nullptr);
    Host().SetOption(L"UnixPaths", nullptr);
    CheckPress(name, event, after);
    CHECK_ROW_EQ(name, KeyName[0], 0);
}

} // namespace

TEST(swap_arguments_through_the_hook)
{
    RunLinewise(L"/D /E1 /Q"); // default keys, the honk as the error sound
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
    for (const auto &c : cases)
        Swap(c.name, c.before, c.escape, c.unixPaths, c.after);
}

// The longest line that may grow is swapped; a longer one, a full line and one nested list
// too many are refused untouched.
TEST(swap_arguments_through_the_hook_at_the_limits)
{
    RunLinewise(L"/D /E1 /Q");
    static wchar_t text[TestLineCapacity + 8], after[TestLineCapacity + 8];
    for (int length : {65531, 65532, 65535}) {
        wcscpy(text, L"d/a/|b/");
        wmemset(text + 7, L'c', length - 6);
        text[length + 1] = 0;
        // Three spaces added: the longest result there can be, one unit below the limit.
        wcscpy(after, L"d /b /a| /");
        wmemset(after + 10, L'c', length - 6);
        after[length + 4] = 0;
        char name[32];
        snprintf(name, sizeof name, "line of %d units", length);
        Swap(name, text, nullptr, nullptr, length == 65531 ? after : nullptr);
    }

    wcscpy(text, L"echo ");
    for (int i = 0; i < 1025; i++)
        wcscat(text, L"%[");
    wcscat(text, L"x |y");
    Swap("1025 nested lists", text, nullptr, nullptr, nullptr);
}
