#include "bench/lineshapes.h"

#include "bench/table.h"
#include "frame/host.h"
#include "keys/editline.h"
#include "keys/hook.h"
#include "keys/hotkeys.h"
#include "settings/command.h"
#include "tests/support/actionkeys.h"

#include <initializer_list>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace
{

enum { Rounds = 20, Runs = 7, SwapLength = 65531, ExpandLength = 65535 };

volatile int sink;
wchar_t Original[EditLineCapacity];
wchar_t Line[EditLineCapacity];
wchar_t Shell[8192];

// The line: prefix, then unit repeated until length units, then suffix at the very end.
void Fill(const wchar_t *prefix, const wchar_t *unit, const wchar_t *suffix, int length)
{
    int n = 0, s = (int)wcslen(suffix), u = (int)wcslen(unit);
    for (const wchar_t *p = prefix; *p; p++)
        Original[n++] = *p;
    for (int k = 0; n < length - s; k++)
        Original[n++] = unit[k % u];
    wcscpy(Original + n, suffix);
}

// The five inner-list kinds in turn, nested as deep as the action follows, each level holding
// a run of one-letter items before the next level opens; all close at the end of the line.
void FillNested(int length)
{
    static const wchar_t *const openers[] = {L"%@f[", L"%a[", L"%((", L"%[[", L"%["};
    static const wchar_t *const closers[] = {L"]", L"]", L"))", L"]]", L"]"};
    enum { Levels = 1000 };
    int closing = 0;
    for (int i = 0; i < Levels; i++)
        closing += (int)wcslen(closers[i % 5]);
    int n = (int)wcslen(wcscpy(Original, L"echo x "));
    const int perLevel = (length - n - closing) / Levels;
    for (int i = 0; i < Levels; i++) {
        int end = n + perLevel, kind = i % 5;
        for (const wchar_t *p = openers[kind]; *p; p++)
            Original[n++] = *p;
        const wchar_t separator = kind < 2 ? L',' : L' ';
        for (int k = 0; n < end; k++)
            Original[n++] = k % 2 ? separator : L'a';
    }
    while (n < length - closing)
        Original[n++] = L'a';
    for (int i = Levels - 1; i >= 0; i--)
        for (const wchar_t *p = closers[i % 5]; *p; p++)
            Original[n++] = *p;
    Original[n] = 0;
}

// The best press of the action with the cursor at cursor, the line restored before each; the
// restore, one copy of the line, is timed in the same runs, taken off, and is the floor.
double TimePress(int id, int cursor, double *floor)
{
    const size_t bytes = (wcslen(Original) + 1) * sizeof(wchar_t);
    double best = 1e9;
    *floor = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        for (int i = 0; i < Rounds; i++) {
            memcpy(Line, Original, bytes);
            sink += Line[i];
        }
        double copies = (Seconds() - start) / Rounds;
        start = Seconds();
        for (int i = 0; i < Rounds; i++) {
            memcpy(Line, Original, bytes);
            KeyEvent event = {};
            event.code = ActionKeys[id].code;
            event.line = Line;
            event.cursor = Line + cursor;
            key(&event);
            sink += event.code;
        }
        double t = (Seconds() - start) / Rounds - copies;
        best = t < best ? t : best;
        *floor = copies < *floor ? copies : *floor;
    }
    return best > 0 ? best : 0;
}

// The shell's own share of a press: its expansions of the given requests, as the action
// makes them, timed alone in the same way.
double TimeShell(const wchar_t *const *requests, int count)
{
    double best = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        for (int i = 0; i < Rounds; i++)
            for (int k = 0; k < count; k++) {
                wcscpy(Shell, requests[k]);
                sink += ExpandVariables(Shell, 1);
            }
        double t = (Seconds() - start) / Rounds;
        best = t < best ? t : best;
    }
    return best;
}

// Whether the press changed the line as expected: a row that measures a refusal means nothing.
bool Changed(int id, int cursor)
{
    memcpy(Line, Original, (wcslen(Original) + 1) * sizeof(wchar_t));
    KeyEvent event = {};
    event.code = ActionKeys[id].code;
    event.line = Line;
    event.cursor = Line + cursor;
    key(&event);
    return event.redraw == 1 && wcscmp(Line, Original) != 0;
}

void Row(const char *name, int id, const wchar_t *const *requests, int count, const char *note)
{
    const int cursor = (int)wcslen(Original);
    if (!Changed(id, cursor)) {
        TableSkip(name, "the press changed nothing");
        return;
    }
    double floor, press = TimePress(id, cursor, &floor);
    double shell = TimeShell(requests, count);
    double ours = press > shell ? press - shell : 0;
    char text[200];
    snprintf(text, sizeof text, "one line copy; ours: less the shell's %s (%.1f us)", note,
             shell * 1e6);
    TableRow(name, press, floor, 10, ours, text);
}

} // namespace

void BenchLineShapes(void)
{
    // The keys of the two actions in the default table, whatever the rows before left bound.
    linewise(L"/D /Q /E:0 /C:0");
    for (int id : {(int)ActionSwapArguments, (int)ActionExpandExpression}) {
        wchar_t option[64];
        swprintf(option, 64, L"/Q /K%d:%ls", id, ActionKeys[id].name);
        linewise(option);
    }
    const wchar_t *const options[] = {L"%@option[EscapeChar]", L"%@option[UnixPaths]"};
    const struct {
        const char *name;
        const wchar_t *prefix, *unit;
    } shapes[] = {
        {"Swap Arguments, one-letter", L"cmd ", L"a "},
        {"Swap Arguments, words", L"cmd ", L"words "},
        {"Swap Arguments, quoted blanks", L"cmd ", L"\"a b\" "},
        {"Swap Arguments, escaped blanks", L"cmd ", L"a^ b "},
        {"Swap Arguments, %= blanks", L"cmd ", L"a%= b "},
        {"Swap Arguments, switches", L"dir ", L"/a"},
    };
    for (const auto &s : shapes) {
        Fill(s.prefix, s.unit, L" z", SwapLength);
        Row(s.name, ActionSwapArguments, options, 2, "two option queries");
    }
    FillNested(SwapLength);
    Row("Swap Arguments, nested lists", ActionSwapArguments, options, 2, "two option queries");

    // The construct at the far end; the shell expands it and answers the escape query.
    const wchar_t *const construct = L"%@upper[ab]";
    Fill(L"echo ", L"word ", construct, ExpandLength);
    const wchar_t *const expand[] = {options[0], construct};
    Row("Expand Expression, far end", ActionExpandExpression, expand, 2,
        "escape query and expansion");
}
