#include "actions/line/swapargs.h"

#include "keys/editline.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/editline.h"
#include "tests/support/hostctl.h"

#include <initializer_list>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace
{

// Case options: Unix-paths mode on; '~' or '!' as the escape character instead of '^'.
enum { Unix = 1, Tilde = 2, Bang = 4 };

struct SwapCase {
    const char *name;
    const wchar_t *before; // '|' marks the cursor
    int options;
    const wchar_t *after; // with the new cursor, or the reason of the refusal: "(no pair)"
};

wchar_t Out[EditLineCapacity];

const wchar_t *const Refusals[] = {L"", L"(too long)", L"(no arguments)", L"(too deep)",
                                   L"(no pair)"};

// The pure decision and rebuild, spelled as a marked line or the reason of the refusal.
const wchar_t *Swap(const wchar_t *marked, int options)
{
    int cursor = SetMarkedLine(marked);
    const wchar_t *line = TestLine();
    ArgumentPair pair;
    int length = -1;
    int failure = FindArgumentPair(line, cursor,
                                   (options & Tilde)  ? L'~'
                                   : (options & Bang) ? L'!'
                                                      : L'^',
                                   (options & Unix) != 0, &pair, &length);
    if (failure != SwapFound)
        return failure > 0 && failure <= SwapNoPair ? Refusals[failure] : L"(unknown refusal)";
    if (length != (int)wcslen(line))
        return L"(wrong length)";
    int newLength = -1;
    int newCursor = BuildSwappedLine(line, length, pair, Out, EditLineCapacity, &newLength);
    if (newCursor < 0 || newLength != (int)wcslen(Out))
        return L"(build failed)";
    return MarkedLine(Out, newCursor);
}

void RunCases(const SwapCase *cases, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const SwapCase &c = cases[i];
        CHECK_ROW_TEXT(c.name, Swap(c.before, c.options), c.after);
    }
}

} // namespace

// The command word stays; the argument at the cursor trades places with the one before it
// (the first two when the cursor is before the second); the cursor ends after the moved one.
TEST(swap_arguments_at_the_top_level)
{
    const SwapCase cases[] = {
        {"cursor on the second", L"copy a |b", 0, L"copy b a|"},
        {"cursor on the third", L"copy a b |c", 0, L"copy a c b|"},
        {"cursor on the first", L"copy |a b c", 0, L"copy b a| c"},
        {"cursor in the command word", L"co|py a b c", 0, L"copy b a| c"},
        {"cursor in blanks after the first", L"copy a|  b c", 0, L"copy b  a| c"},
        {"cursor at the end", L"copy a b c|", 0, L"copy a c b|"},
        {"leading blanks and tabs", L"  copy\ta\t|b", 0, L"  copy\tb\ta|"},
        {"one argument", L"copy |a", 0, L"(no pair)"},
        {"no argument", L"copy|", 0, L"(no arguments)"},
        {"command word and blanks", L"copy  |", 0, L"(no arguments)"},
        {"blank line", L"   |", 0, L"(no arguments)"},
        {"empty line", L"|", 0, L"(no arguments)"},
        {"quoted blank", L"cmd \"a b\" |c", 0, L"cmd c \"a b\"|"},
        {"quoted only argument", L"cmd \"a |b\"", 0, L"(no pair)"},
        {"unbalanced quote", L"cmd a \"b |c", 0, L"cmd \"b c a|"},
        {"quoted command word", L"\"my cmd\" a |b", 0, L"\"my cmd\" b a|"},
        {"non-ASCII blank separates", L"cmd a\x3000|b", 0,
         L"cmd b\x3000"
         L"a|"},
        // Long enough that the scan walks them sixteen units at a time.
        {"quoted arguments across blocks", L"cmd \"a b\" \"c d\" \"e f\" \"g h\" \"i j\" |k", 0,
         L"cmd \"a b\" \"c d\" \"e f\" \"g h\" k \"i j\"|"},
        {"one long quoted argument", L"cmd x \"aaaa bbbb cccc dddd eeee ffff\" |y", 0,
         L"cmd x y \"aaaa bbbb cccc dddd eeee ffff\"|"},
        {"quoted arguments, cursor inside", L"cmd \"a b\" \"c d\" \"e f\" \"g |h\" \"i j\"", 0,
         L"cmd \"a b\" \"c d\" \"g h\" \"e f\"| \"i j\""},
    };
    RunCases(cases, sizeof cases / sizeof cases[0]);
}

// The escape character protects exactly the next character, two cancel, %= protects like it,
// and another escape character makes ^ ordinary. In the command word an escape stays in force
// until the next one and reaches into the first argument.
TEST(swap_arguments_escapes)
{
    const SwapCase cases[] = {
        {"caret protects a blank", L"cmd a^ b |c", 0, L"cmd c a^ b|"},
        {"percent-equals protects a blank", L"cmd a%= b |c", 0, L"cmd c a%= b|"},
        {"two carets cancel", L"cmd a^^ b |c", 0, L"cmd a^^ c b|"},
        {"caret is ordinary with tilde", L"cmd a^ b |c", Tilde, L"cmd a^ c b|"},
        {"tilde protects a blank", L"cmd a~ b |c", Tilde, L"cmd c a~ b|"},
        {"bang protects a blank", L"cmd a! b |c", Bang, L"cmd c a! b|"},
        {"bang inside a long argument", L"cmd abcdef! gh |c", Bang, L"cmd c abcdef! gh|"},
        {"bang inside quotes protects the quote", L"cmd \"ab!\" c\" |d", Bang,
         L"cmd d \"ab!\" c\"|"},
        {"caret protects a quote", L"cmd a^\"b |c", 0, L"cmd c a^\"b|"},
        {"escape at the end of the line", L"cmd a |b^", 0, L"cmd b^ a|"},
        {"tilde at the end of the line", L"cmd a |b~", Tilde, L"cmd b~ a|"},
        {"escape alone at the end", L"cmd a b |^", 0, L"cmd a ^ b|"},
        {"escape ends the command word line", L"cmd^|", 0, L"(no arguments)"},
        {"command word escape reaches the quote", L"cmd^ \"a |b\"", 0, L"cmd^ b\" \"a|"},
        {"escaped percent opens no list", L"echo ^%@f[a,|b] c", 0, L"echo c ^%@f[a,b]|"},
        {"percent-equals at the end", L"cmd a |b%=", 0, L"cmd b%= a|"},
        {"escapes across blocks", L"cmd a^ b c^ d e^ f g^ h i^ j k^ l |m", 0,
         L"cmd a^ b c^ d e^ f g^ h i^ j m k^ l|"},
        {"percent-equals across blocks", L"cmd a%= b c%= d e%= f g%= h |i", 0,
         L"cmd a%= b c%= d e%= f i g%= h|"},
        {"escaped quote in a long quoted argument", L"cmd \"a ^\" b\" c d e f g h i j |k", 0,
         L"cmd \"a ^\" b\" c d e f g h i k j|"},
        {"percent-equals then an escape", L"cmd a%=^ b c d e f g h i j k l |m", 0,
         L"cmd a%=^ b c d e f g h i j k m l|"},
    };
    RunCases(cases, sizeof cases / sizeof cases[0]);
}

// Switches split at '/' unless the argument begins with "//"; with Unix paths off, '/' also
// ends the command word. Pieces that would touch get one space at the top level.
TEST(swap_arguments_switches_and_paths)
{
    const SwapCase cases[] = {
        {"switches split", L"dir /a/b|", 0, L"dir /b /a|"},
        {"three switches", L"dir /a/|b/c", 0, L"dir /b /a| /c"},
        {"double slash keeps one", L"dir //a/b |c", 0, L"dir c //a/b|"},
        {"quoted slash keeps one", L"dir \"/a/b\" |c", 0, L"dir c \"/a/b\"|"},
        {"slash inside a word", L"cmd a/b |c", 0, L"cmd c a/b|"},
        {"many switches", L"dir /a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/|p", 0,
         L"dir /a/b/c/d/e/f/g/h/i/j/k/l/m/n /p /o|"},
        {"double slash among switches", L"dir /a/b/c/d/e/f/g/h//i/j/k /a/b/c/d/e/f |g", 0,
         L"dir /a/b/c/d/e/f/g/h//i/j/k /a/b/c/d/e g /f|"},
        {"quoted slashes among switches", L"dir /a/b/c/d/e/f/g/\"h/i\"/j/|k", 0,
         L"dir /a/b/c/d/e/f/g/\"h/i\"/k /j|"},
        {"unix paths: command word kept", L"bin/tool |x y", Unix, L"bin/tool y x|"},
        {"no unix paths: slash starts an argument", L"bin/tool |x y", 0, L"bin x /tool| y"},
        {"no unix paths: slash right after the word", L"d/a/|b/c", 0, L"d /b /a| /c"},
    };
    RunCases(cases, sizeof cases / sizeof cases[0]);
}

// Inside a list the innermost one holding the cursor with two items wins; items of comma lists
// carry the blanks after their comma and never get a space added.
TEST(swap_arguments_inner_lists)
{
    const SwapCase cases[] = {
        {"function", L"echo %@f[x,|y]", 0, L"echo %@f[y,x|]"},
        {"function with blank", L"echo %@f[x, |y]", 0, L"echo %@f[ y,x|]"},
        {"function one item swaps outside", L"echo %@f[|x] z w", 0, L"echo z %@f[x]| w"},
        {"array", L"echo %arr[1,|2]", 0, L"echo %arr[2,1|]"},
        {"double parentheses", L"echo %((1 |2))", 0, L"echo %((2 1|))"},
        {"double brackets", L"echo %[[a |b]]", 0, L"echo %[[b a|]]"},
        {"brackets", L"echo %[a |b]", 0, L"echo %[b a|]"},
        {"three items", L"echo %@f[a,b,|c]", 0, L"echo %@f[a,c,b|]"},
        {"many items", L"echo %@f[a,b,c,d,e,f,g,h,i,j,k,l,m,|n]", 0,
         L"echo %@f[a,b,c,d,e,f,g,h,i,j,k,l,n,m|]"},
        {"many quoted items", L"echo %[\"a b\" \"c d\" \"e,f\" g h i j |k]", 0,
         L"echo %[\"a b\" \"c d\" \"e,f\" g h i k j|]"},
        {"empty item", L"echo %@f[a,,|b]", 0, L"echo %@f[a,b,|]"},
        {"quoted comma", L"echo %@f[\"x,y\",|z]", 0, L"echo %@f[z,\"x,y\"|]"},
        {"inside quotes", L"echo \"%@f[a,|b]\" c", 0, L"echo \"%@f[b,a|]\" c"},
        {"quotes come back after the list", L"echo \"%[a b] |c\" d", 0, L"echo d \"%[a b] c\"|"},
        {"nested: inner wins", L"echo %@f[a,%@g[b,|c]]", 0, L"echo %@f[a,%@g[c,b|]]"},
        {"nested: cursor on the inner call", L"echo %@f[a,|%@g[b,c]]", 0, L"echo %@f[%@g[b,c],a|]"},
        {"nested: inner of one item", L"echo %@f[a,%[|b]]", 0, L"echo %@f[%[b],a|]"},
        {"nested lists of three kinds", L"x %((1 %@f[%[a |b],c]))", 0, L"x %((1 %@f[%[b a|],c]))"},
        {"cursor on the opener", L"echo a %@f|[x,y]", 0, L"echo %@f[x,y] a|"},
        {"cursor after the list", L"echo a %@f[x,y]|", 0, L"echo %@f[x,y] a|"},
        {"closer after a blank", L"echo %[a b ] |c d", 0, L"echo c %[a b ]| d"},
        {"empty function list", L"echo %@f[] a |b", 0, L"echo %@f[] b a|"},
        {"name of digits is no call", L"echo %@1[a,|b] c", 0, L"echo c %@1[a,b]|"},
        {"opener needs a character after it", L"echo a |b%@f[", 0, L"echo b%@f[ a|"},
        {"percent-bracket at the end", L"echo a |b%[", 0, L"echo b%[ a|"},
        {"quoted closer stays inside", L"echo %[a \"]\" |b]", 0, L"echo %[a b \"]\"|]"},
    };
    RunCases(cases, sizeof cases / sizeof cases[0]);
}

// A list left open at the end of the line ends only itself; arguments of the levels around it
// that were still open are not counted.
TEST(swap_arguments_unbalanced_lists)
{
    const SwapCase cases[] = {
        {"open function list", L"echo %@f[x,|y z", 0, L"echo %@f[y z,x|"},
        {"open brackets", L"echo a %[b |c", 0, L"echo a %[c b|"},
        {"open list before the cursor's pair", L"echo |a b %[c", 0, L"echo b a| %[c"},
        {"enclosing argument uncounted", L"echo a |%[b c", 0, L"(no pair)"},
        {"inner list of one item", L"echo a %[|b", 0, L"(no pair)"},
        {"open double parentheses", L"echo %((1 |2)", 0, L"echo %((2) 1|"},
        {"unbalanced closers are ordinary", L"echo a] |b))", 0, L"echo b)) a]|"},
    };
    RunCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(needs_space)
{
    const struct {
        wchar_t before, after;
        bool expected;
    } cases[] = {
        {L'a', L'/', true},  {L'9', L'"', true},   {L'%', L'x', true},  {0xE9, L'/', true},
        {L' ', L'x', false}, {L'a', L' ', false},  {L'/', L'a', false}, {L'a', 0, false},
        {L',', L'a', false}, {L'a', L'\t', false}, {L'"', L'a', false},
    };
    for (const auto &c : cases) {
        char name[32];
        snprintf(name, sizeof name, "NeedsSpace(%04X, %04X)", c.before, c.after);
        CHECK_ROW_EQ(name, NeedsSpace(c.before, c.after), c.expected);
    }
}

// Lines up to 65,531 units are swapped (the result may grow by three spaces); from 65,532 on
// they are refused. Nesting up to the limit works; one level more is refused.
TEST(swap_arguments_limits)
{
    static wchar_t text[EditLineCapacity + 8];
    for (int length : {65531, 65532, 65535}) {
        // "d/a/|b/ccc..." gains three spaces: d /b /a /ccc...
        wcscpy(text, L"d/a/|b/");
        int n = (int)wcslen(text);
        while (n < length + 1)
            text[n++] = L'c';
        text[n] = 0;
        const wchar_t *after = Swap(text, 0);
        char name[32];
        snprintf(name, sizeof name, "line of %d units", length);
        if (length <= 65531) {
            CHECK_ROW(name, wcsncmp(after, L"d /b /a| /ccc", 13) == 0);
            CHECK_ROW_EQ(name, (long long)wcslen(after), length + 3 + 1);
        } else {
            CHECK_ROW_TEXT(name, after, L"(too long)");
        }
    }

    // Thousands of units of each shape the scan walks a block pair at a time, then an
    // argument longer than the walk's first stretch: its start stays known across the walks.
    static wchar_t expected[EditLineCapacity + 8];
    for (const wchar_t *unit : {L"\"a b\" ", L"a^ b ", L"a%= b ", L"/a", L"a,b "}) {
        wcscpy(text, L"cmd ");
        while (wcslen(text) < 5000)
            wcscat(text, unit);
        wcscpy(expected, text);
        wcscat(expected, L" q ");
        wcscat(text, L" ");
        const size_t longStart = wcslen(text);
        for (int i = 0; i < 700; i++)
            wcscat(text, L"x^ ");
        wcscat(expected, text + longStart);
        wcscat(text, L" |q");
        wcscat(expected, L"|");
        CHECK_ROW_TEXT("long walked line", Swap(text, 0), expected);
    }

    for (int depth : {(int)MaxSwapNesting, (int)MaxSwapNesting + 1}) {
        wcscpy(text, L"echo ");
        for (int i = 0; i < depth; i++)
            wcscat(text, L"%[");
        wcscat(text, L"x |y");
        for (int i = 0; i < depth; i++)
            wcscat(text, L"]");
        const wchar_t *after = Swap(text, 0);
        if (depth == MaxSwapNesting)
            CHECK(wcsstr(after, L"%[y x|]]") != nullptr);
        else
            CHECK_TEXT(after, L"(too deep)");
    }
}

// The action reads the escape character and the Unix-paths mode from the shell, rewrites the
// line and always consumes the key; a refusal leaves the line as it was and sounds the error.
TEST(swap_arguments_action_reads_the_shell)
{
    Settings.ErrorSound = 1;
    const struct {
        const char *name;
        const wchar_t *escape, *unixPaths, *before, *after;
        int honks;
    } cases[] = {
        {"default caret", nullptr, nullptr, L"cmd a^ b |c", L"cmd c a^ b|", 0},
        {"tilde", L"~", nullptr, L"cmd a~ b |c", L"cmd c a~ b|", 0},
        {"a letter is no escape", L"x", nullptr, L"cmd a^ b |c", L"cmd c a^ b|", 0},
        {"unix paths", nullptr, L"Yes", L"bin/tool |x y", L"bin/tool y x|", 0},
        {"unix paths lower case", nullptr, L"yes", L"bin/tool |x y", L"bin/tool y x|", 0},
        {"no unix paths", nullptr, L"No", L"bin/tool |x y", L"bin x /tool| y", 0},
        {"refused", nullptr, nullptr, L"copy |a", L"copy |a", 1},
    };
    for (const auto &c : cases) {
        Host().SetOption(L"EscapeChar", c.escape);
        Host().SetOption(L"UnixPaths", c.unixPaths);
        Host().ResetCounters();
        KeyEvent event = LineEvent<KeyEvent>(0x10028, c.before);
        CHECK_ROW_EQ(c.name, SwapArguments(&event), 0);
        CHECK_ROW_TEXT(c.name, MarkedLine(event.line, event.cursor - event.line), c.after);
        CHECK_ROW_EQ(c.name, event.code, 0);
        CHECK_ROW_EQ(c.name, event.redraw, c.honks ? 0 : 1);
        CHECK_ROW_EQ(c.name, Host().HonkCalls(), c.honks);
        CHECK_ROW(c.name, TestLineGuardIntact());
    }
    Host().SetOption(L"EscapeChar", nullptr);
    Host().SetOption(L"UnixPaths", nullptr);
}
